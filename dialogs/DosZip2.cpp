#include "DosZip2.h"

#include "CaptionFit.h"
#include "ExplorerTree.h"
#include "Module1.h"
#include "Prompts.h"
#include "Twips.h"

#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <sys/stat.h>

using Module1::FileExists;
using Module1::Shared;
using Module1::WithTrailingBackslash;

DosZip2::DosZip2(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DosZip2"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    createControls();
}

void DosZip2::createControls() {
    auto *form = new QWidget(this);
    form->setObjectName(QStringLiteral("DosZip2ClientArea"));
    form->setFixedSize(px(5400), px(7080));

    Frame1 = place(new QGroupBox(form), "Frame1", 120, 5040, 5160, 1095);
    Text1 = place(new QLineEdit(Frame1), "Text1", 1860, 240, 3135, 315);
    Command4 =
        place(new QPushButton(QStringLiteral("OK"), Frame1), "Command4", 2460, 660, 1215, 375);
    Command4->setEnabled(false);
    Command2 =
        place(new QPushButton(QStringLiteral("Annuler"), Frame1), "Command2", 3780, 660, 1215, 375);
    Command2->setToolTip(QStringLiteral("Annule la création d'un sous dossier"));
    Label1 = place(new QLabel(QStringLiteral("Nom du dossier :"), Frame1), "Label1", 120, 300, 1695,
                   255);
    Frame1->hide();

    Command1 = place(new QPushButton(QStringLiteral("Nouveau dossier..."), form), "Command1", 120,
                     4560, 1815, 375);
    Command1->setToolTip(QStringLiteral("Création d'un sous dossier"));
    Command1->hide();

    Frame2 = place(new QGroupBox(form), "Frame2", 120, 6240, 5160, 735);
    Command3 = place(new QPushButton(QStringLiteral("&Annuler"), Frame2), "Command3", 3720, 240,
                     1275, 375);
    Command3->setToolTip(QStringLiteral("Fermer la fenêtre"));
    Command5 = place(new QPushButton(QStringLiteral("&Extraire"), Frame2), "Command5", 2340, 240,
                     1275, 375);
    Command5->setToolTip(
        QStringLiteral("Choix du dossier de décompression et extraction du fichier Zip"));
    Command5->setDefault(true);
    Command5->setEnabled(false); // until the tree reports a folder: never an empty choice

    Tree1 = place(new ExplorerTree(form), "Tree1", 120, 480, 5160, 3960);
    Label3 = place(new QLabel(form), "Label3", 1080, 120, 4200, 255);
    Label3->setTextFormat(Qt::PlainText); // a folder name is never markup
    Label2 = place(new QLabel(QStringLiteral("Dossier :"), form), "Label2", 120, 120, 900, 255);

    connect(Command1, &QPushButton::clicked, this, &DosZip2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &DosZip2::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &DosZip2::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &DosZip2::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &DosZip2::Command5_Click);
    connect(Text1, &QLineEdit::textChanged, this,
            [this](const QString &text) { Command4->setEnabled(!text.isEmpty()); });
    Tree1->OnDirChanged = [this] { Tree1_OnDirChanged(); };

    CaptionFit::GrowToFit(form, {});
    setFixedSize(form->size());
    // The folder is chosen first: Return then presses "&Extraire", never the "&Annuler" that
    // comes first in the tab order.
    Tree1->setFocus();
}

void DosZip2::Form_Load() {
    if (selectStartFolder()) return;
    auto &s = Shared();
    prompts().message(this, Prompts::Icon::Warning, QStringLiteral("Erreur"),
                      QStringLiteral("Le dossier n'existe plus !"));
    (void)Tree1->SelectedFolder(s.AppFolder); // the last resort: nothing more to try
    s.ExtractFolder = s.AppFolder;
}

// The stored folder when it still holds a file, else the program's folder; false when the tree
// cannot show the folder chosen.
bool DosZip2::selectStartFolder() {
    const auto &s = Shared();
    QString start = s.ExtractFolder;
    if (start.isEmpty()) {
        if (s.ConfirmedExtractFolder.isEmpty()) return true; // the tree's own default
        start = s.ConfirmedExtractFolder;
    }
    if (!FileExists(WithTrailingBackslash(start))) start = s.AppFolder;
    if (!Tree1->SelectedFolder(start)) return false;
    Command1->show();
    return true;
}

void DosZip2::changeEvent(QEvent *event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) applyColours();
}

void DosZip2::applyColours() {
    Tree1->BackColor(Shared().FolderListBackColor);
}

void DosZip2::Tree1_OnDirChanged() {
    const QString current = Tree1->CurrentFolder();
    Command1->setVisible(!current.isEmpty());
    Command5->setEnabled(!current.isEmpty());
    Label3->setText(current);
}

void DosZip2::Command1_Click() {
    if (Tree1->CurrentFolder().isEmpty()) return;
    showPanel(true);
}

void DosZip2::Command2_Click() {
    showPanel(false);
}

// While the panel is open Return presses its "OK" (nothing while the name is empty), so that
// a name typed and confirmed never extracts into the parent folder; once it closes, Return
// presses "&Extraire" again, and the tree has the focus with the folder just made selected.
void DosZip2::showPanel(bool shown) {
    (shown ? Command4 : Command5)->setDefault(true);
    Frame1->setVisible(shown);
    if (shown)
        Text1->setFocus();
    else
        Tree1->setFocus();
}

void DosZip2::Command4_Click() {
    if (createSubFolder()) {
        showPanel(false);
        return;
    }
    prompts().message(this, Prompts::Icon::Critical, QStringLiteral("Erreur"),
                      QStringLiteral("Erreur lors de la création du dossier !"));
}

// The name is used exactly as typed, as one path component under the current folder; the
// process's current directory is left alone, as every path here is absolute.
bool DosZip2::createSubFolder() {
    const QString folder = WithTrailingBackslash(Tree1->CurrentFolder()) + Text1->text();
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) != 0) return false;
    Tree1->RefreshTree();
    return Tree1->SelectedFolder(WithTrailingBackslash(Tree1->CurrentFolder()) + Text1->text());
}

void DosZip2::Command5_Click() {
    auto &s = Shared();
    s.ExtractFolder = Tree1->CurrentFolder();
    s.ConfirmedExtractFolder = s.ExtractFolder;
    accept();
}

void DosZip2::Command3_Click() {
    reject();
}

void DosZip2::reject() {
    Shared().DialogCancelled = 1;
    QDialog::reject();
}
