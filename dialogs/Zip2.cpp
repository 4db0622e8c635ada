#include "Zip2.h"

#include "CaptionFit.h"
#include "Colours.h"
#include "ExplorerTree.h"
#include "LongWork.h"
#include "Module1.h"
#include "Prompts.h"
#include "Twips.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>

using Module1::FileExists;
using Module1::Shared;
using Module1::WithTrailingBackslash;

Zip2::Zip2(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Zip2"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    createControls();
}

void Zip2::createControls() {
    auto *form = new QWidget(this);
    form->setObjectName(QStringLiteral("Zip2ClientArea"));
    form->setFixedSize(px(9000), px(6600));

    Frame2 = place(new QGroupBox(QStringLiteral("Options de compression"), form), "Frame2", 120,
                   4560, 5880, 1920);
    Frame3 = place(new QGroupBox(QStringLiteral("Filtre de sélection "), Frame2), "Frame3", 3960,
                   300, 1800, 735);
    Text1 = place(new QLineEdit(QStringLiteral("*.*"), Frame3), "Text1", 120, 300, 1560, 315);
    Check3 = place(new QCheckBox(QStringLiteral("Ne pas inclure les noms de chemins"), Frame2),
                   "Check3", 240, 900, 3600, 255);
    Check2 = place(new QCheckBox(QStringLiteral("Encrypter le fichiers"), Frame2), "Check2", 240,
                   1260, 3600, 255);
    Check1 = place(new QCheckBox(QStringLiteral("Ne pas inclure les sous dossiers"), Frame2),
                   "Check1", 240, 540, 3600, 255);

    fram1 = place(new QGroupBox(form), "fram1", 120, 120, 8760, 4320);
    Tree1 = place(new ExplorerTree(fram1), "Tree1", 120, 240, 4200, 2640);
    List1 = place(new QListWidget(fram1), "List1", 120, 3000, 8520, 1200);
    File1 = place(new QListWidget(fram1), "File1", 4440, 240, 4200, 2640);
    File1->setSelectionMode(QAbstractItemView::ExtendedSelection);

    Frame1 = place(new QGroupBox(form), "Frame1", 6120, 4560, 2760, 1920);
    Command4 = place(new QPushButton(QStringLiteral("&Annuler"), Frame1), "Command4", 120, 1320,
                     2520, 375);
    Command3 = place(new QPushButton(QStringLiteral("&Tout sélectionner"), Frame1), "Command3", 120,
                     300, 2520, 375);
    Command1 =
        place(new QPushButton(QStringLiteral("&Ajouter"), Frame1), "Command1", 120, 810, 2520, 375);
    Command1->setEnabled(false);
    // "&Ajouter" and "&Annuler" show the same letter. Alt+A belongs to "&Ajouter" alone (Escape
    // and the title bar cancel), and is taken even while "&Ajouter" is disabled, so that it
    // never types an "a" into the filter field.
    Command1->setShortcut(QKeySequence());
    Command4->setShortcut(QKeySequence());
    auto *altA = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_A), this);
    connect(altA, &QShortcut::activated, this, [this] {
        if (Command1->isEnabled()) Command1->animateClick();
    });
    // Return adds, from the file list as from the tree, once files are selected (a focused
    // button presses itself); in the filter field it does nothing, the filter applies as typed.
    Command1->setDefault(true);
    Text1->installEventFilter(this);

    connect(Command1, &QPushButton::clicked, this, &Zip2::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Zip2::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Zip2::Command4_Click);
    connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    connect(File1, &QListWidget::itemSelectionChanged, this, [this] { File1_SelectionChanged(); });
    connect(File1, &QListWidget::itemDoubleClicked, this, [this] { Command1_Click(); });
    Tree1->OnDirChanged = [this] { Tree1_OnDirChanged(); };

    CaptionFit::GrowToFit(form, {});
    setFixedSize(form->size());
    File1->setFocus(); // the start folder's files are listed: they are chosen first
}

bool Zip2::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Zip2::Form_Load() {
    showOptions();
    if (selectStartFolder()) return;
    auto &s = Shared();
    prompts().message(this, Prompts::Icon::Warning, QStringLiteral("Erreur"),
                      QStringLiteral("Le dossier n'existe plus !"));
    (void)Tree1->SelectedFolder(s.AppFolder); // the last resort: nothing more to try
    s.LastAddFolder = s.AppFolder;
}

void Zip2::showOptions() {
    const auto &s = Shared();
    Check1->setChecked(s.NoSubFoldersOption == 1);
    Check2->setChecked(s.EncryptOption == 1);
    Check3->setChecked(s.NoPathNamesOption == 1);
}

// The last add folder, else the last extraction folder, when it still holds a file, else the
// program's folder; false when the tree cannot show the folder chosen.
bool Zip2::selectStartFolder() {
    const auto &s = Shared();
    QString start = s.LastAddFolder;
    if (start.isEmpty()) {
        if (s.ConfirmedExtractFolder.isEmpty()) return true; // the tree's own default
        start = s.ConfirmedExtractFolder;
    }
    if (!FileExists(WithTrailingBackslash(start))) start = s.AppFolder;
    return Tree1->SelectedFolder(start);
}

void Zip2::changeEvent(QEvent *event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
}

void Zip2::Form_Activate() {
    applyColours();
    showOptions();
}

void Zip2::applyColours() {
    const auto &s = Shared();
    Tree1->BackColor(s.FolderListBackColor);
    for (QWidget *list : {static_cast<QWidget *>(File1), static_cast<QWidget *>(Text1),
                          static_cast<QWidget *>(List1)})
        list->setPalette(Colours::ListPalette(list->palette(), s.FileListBackColor,
                                              s.FileListTextColor, QGuiApplication::palette()));
}

void Zip2::Tree1_OnDirChanged() {
    fillFileList();
    Command1->setEnabled(false);
}

void Zip2::Text1_Change() {
    pattern_ = FilePattern(Text1->text()); // a refused text gives "*.*"; the field keeps it
    fillFileList();
}

void Zip2::fillFileList() {
    const QSignalBlocker quiet(File1);
    File1->clear();
    File1->addItems(MatchingFiles(Tree1->CurrentFolder(), pattern_));
    File1_SelectionChanged();
}

void Zip2::File1_SelectionChanged() {
    Command1->setEnabled(!File1->selectedItems().isEmpty());
}

void Zip2::Command3_Click() {
    File1->selectAll();
}

void Zip2::Command1_Click() {
    // The options as written here are the ones stored after the add: the boxes may show other
    // values by then, as each question reactivates the dialog, which sets them again.
    const short noSubFolders = Check1->isChecked() ? 1 : 0;
    const short noPathNames = Check3->isChecked() ? 1 : 0;
    const short encrypt = Check2->isChecked() ? 1 : 0;

    const QString folder = WithTrailingBackslash(Tree1->CurrentFolder());
    QStringList paths;
    for (int i = 0; i < File1->count(); ++i)
        if (File1->item(i)->isSelected()) paths << folder + File1->item(i)->text();

    const AddOperation::Result outcome = add(paths, noSubFolders, noPathNames, encrypt);
    if (outcome.declined) return; // nothing written: the user may choose again
    if (!outcome.problems.isEmpty())
        prompts().message(this, Prompts::Icon::Critical, QStringLiteral("Erreur"),
                          outcome.problems.join(u'\r'));
    auto &s = Shared();
    if (outcome.committed && Module1::IsFile(s.CurrentArchive)) {
        emit archiveWritten();
        s.LastAddFolder = Tree1->CurrentFolder();
        s.NoSubFoldersOption = noSubFolders;
        s.NoPathNamesOption = noPathNames;
        s.EncryptOption = encrypt;
    }
    accept();
}

AddOperation::Result Zip2::addFiles(const QStringList &paths) {
    return add(paths, Check1->isChecked() ? 1 : 0, Check3->isChecked() ? 1 : 0,
               Check2->isChecked() ? 1 : 0);
}

AddOperation::Result Zip2::add(const QStringList &paths, short noSubFolders, short noPathNames,
                               short encrypt) {
    // The rewrite keeps the windows painting and can be stopped; a stop writes nothing and
    // leaves the dialog open for another choice.
    LongWork work(this, QStringLiteral("Ajout à l'archive..."));
    AddOperation adding(this, &work);
    adding.note = [this](const QString &text) { List1->addItem(text); };
    AddOperation::Request request;
    request.archive = Shared().CurrentArchive;
    request.noSubFolders = noSubFolders;
    request.noPathNames = noPathNames;
    request.encrypt = encrypt;
    request.paths = paths;
    return adding.run(request);
}

void Zip2::Command4_Click() {
    reject();
}

void Zip2::reject() {
    Shared().DialogCancelled = 1;
    QDialog::reject();
}
