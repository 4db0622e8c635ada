#include "Assoc.h"

#include "CaptionFit.h"
#include "Module1.h"
#include "OpenWith.h"
#include "OpenedCopies.h"
#include "Prompts.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

Assoc::Assoc(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Assoc"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setFixedSize(353, 137);

    Frame1 = new QGroupBox(QStringLiteral(" Association "), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(8, 8, 337, 121);
    Command2 = new QPushButton(QStringLiteral("&Créer une association..."), Frame1);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(8, 84, 193, 27);
    Command2->setDefault(true);
    Command1 = new QPushButton(QStringLiteral("&Annuler"), Frame1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(240, 84, 89, 27);
    // Three lines: the fixed text, the entry's name, the end of the sentence.
    Label1 = new QLabel(Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText); // an entry name is never markup
    Label1->setGeometry(8, 22, 321, 56);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(Command2, &QPushButton::clicked, this, &Assoc::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &Assoc::Command1_Click);
}

void Assoc::Form_Load() {
    const QString entry = Module1::Shared().CurrentEntry;
    Label1->setText(WithLineBreaks(QStringLiteral("Aucune association n'est définie pour le "
                                                  "fichier\r%1\rsélectionné !")
                                       .arg(entry)));
    Command2->setToolTip(QStringLiteral("Créer une association pour le fichier :") + entry);
    // The entry's name sets the label's width: the frame and the window grow with it.
    CaptionFit::GrowToFit(this, {});
}

void Assoc::Command2_Click() {
    // The copy the double-click has just extracted, folders of the entry included.
    const QString path = OpenedCopies::PathOf(Module1::Shared().CurrentEntry);
    OpenWith chooser(path, this);
    chooser.exec();
    close();
}

void Assoc::Command1_Click() {
    close();
}
