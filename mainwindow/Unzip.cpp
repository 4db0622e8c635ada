#include "Unzip.h"

#include "Assoc.h"
#include "AutoExtract.h"
#include "Colours.h"
#include "DosZip2.h"
#include "EntryListView.h"
#include "Forms.h"
#include "LongWork.h"
#include "Module1.h"
#include "Prompts.h"
#include "Settings.h"
#include "Zip2.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QRadioButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>

#include <climits>

using Module1::Shared;

namespace {

const QString kZipFilter = QStringLiteral("Fichiers zip  (*.zip)");
const QString kAuthorLine = QStringLiteral("Auteur : l'équipe Mivo-ZIP");
const QString kMailLine = QStringLiteral("Courriel : contact@mivo-zip.example");
const QString kWebLine = QStringLiteral("Site : https://mivo-zip.example");

// The archive path a command line names: quotes around it go, an absolute path stays as it is,
// anything else is taken in the current folder.
QString archiveFromCommandLine(const QString &text) {
    QString path = text;
    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"'))
        path = path.mid(1, path.size() - 2);
    if (path.startsWith(u'/')) return path;
    return QDir::currentPath() + u'/' + path;
}

} // namespace

Unzip::Unzip()
    : model_(new EntryListModel(this)),
      session_(VFunzip1, *model_,
               [this](const QString &path) { VFzip1.ZipFileName = path.toStdString(); }),
      commands_(
          VFunzip1, [this] { return std::ref(VFzip1); }, session_),
      edited_(
          VFunzip1, [this] { return std::ref(VFzip1); }, session_) {
    setObjectName(QStringLiteral("Unzip"));
    setAcceptDrops(true);
    createMenus();
    createFrames();
    createToolbar();
    createStatusBar();
    connectReader();
    connectDrags();
    session_.changed = [this] { showSession(); };
    commands_.failed = [this](const QString &text) {
        prompts().message(this, Prompts::Icon::Critical, QStringLiteral("Erreur"), text);
    };
    commands_.ask = [this](const QString &title, const QString &text) {
        return prompts().question(this, title, text);
    };
    commands_.noAssociation = [] { Forms::Assoc().exec(); };
    connectEditedCopies();
    showSession();
}

void Unzip::showSession() {
    setWindowTitle(session_.title());
    for (int i = 1; i <= 3; ++i)
        panels_[i - 1]->setText(session_.panel(i));
    panels_[0]->setToolTip(session_.panel(1)); // whole, when the panel cuts it
    const CommandStates &c = session_.commands();
    unzipallfiles->setEnabled(c.extract);
    Mnu_Tester->setEnabled(c.extract);
    Mnu_Ajout->setEnabled(c.add);
    Mnu_SupFich->setEnabled(c.remove);
    Mnu_AutoExtract->setEnabled(c.autoExtract);
    buttons_[2]->setEnabled(c.button3);
    buttons_[3]->setEnabled(c.button4);
    buttons_[4]->setEnabled(c.button5);
    ListView1->extractAction->setEnabled(c.extract);
    ListView1->removeAction->setEnabled(c.remove);
    ListView1->testAction->setEnabled(c.extract);
    if (!session_.decompressionOptionsShown()) {
        Frame5->hide();
        Frame4->show();
    }
}

void Unzip::Form_Load() {
    auto &s = Shared();
    s.AppFolder = Forms::startup().appFolder;
    if (Settings::LoadOptions(s)) {
        Check1->setChecked(s.ConfirmOverwriteOption == 1);
        Check2->setChecked(s.SkipOlderOption == 1);
        Check3->setChecked(s.AlwaysOverwriteOption == 1);
    }
    Settings::LoadColours(s);
    applyListColours();
    placeWindow();

    const QString text = Forms::startup().commandLine;
    if (text.isEmpty()) return;
    // A start-up archive that cannot be shown is said in a box as well: nothing else would
    // tell why the window came up empty.
    if (session_.openAtStartUp(archiveFromCommandLine(text)))
        OptionDEC[0]->setChecked(true);
    else
        prompts().message(this, Prompts::Icon::Critical, QStringLiteral("Erreur"),
                          session_.panel(1));
}

// A failure leaves the window as it was, with the reason in panel 1 and no box.
void Unzip::openArchive(const QString &path) {
    if (session_.open(path)) OptionDEC[0]->setChecked(true);
}

void Unzip::open_Click() {
    const QString path =
        prompts().openFileName(this, QStringLiteral("Ouvrir un fichier ZIP"), kZipFilter);
    if (path.isEmpty()) return session_.openEndedEarly();
    openArchive(path);
}

void Unzip::Mnu_Nouveau_Click() {
    const QString path = prompts().saveFileName(this, QStringLiteral("Nouveau fichier ZIP"),
                                                kZipFilter, QStringLiteral("zip"));
    if (path.isEmpty() || !session_.create(path)) return session_.newEndedEarly();
    try {
        VFunzip1.ListEntries();
    } catch (const zipcomponent::ZipError &) {
        session_.newEndedEarly();
    }
}

void Unzip::closefile_Click() {
    session_.close();
}

void Unzip::Mnu_Quitter_Click() {
    if (ended_) return;
    auto &s = Shared();
    s.ConfirmOverwriteOption = Check1->isChecked() ? 1 : 0;
    s.SkipOlderOption = Check2->isChecked() ? 1 : 0;
    s.AlwaysOverwriteOption = Check3->isChecked() ? 1 : 0;
    if (!Settings::SaveOptions(s))
        prompts().message(this, Prompts::Icon::Warning, QStringLiteral("Erreur"),
                          QStringLiteral("Les options n'ont pas pu être enregistrées dans « %1 ».")
                              .arg(Settings::OptionsPath()));
    endProgram();
}

void Unzip::endProgram() {
    ended_ = true;
    edited_.stop();
    Forms::startup().endProgram();
}

void Unzip::closeEvent(QCloseEvent *event) {
    Mnu_Quitter_Click();
    event->accept();
}

void Unzip::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (!shownOnce_ && !event->spontaneous()) {
        shownOnce_ = true;
        centre();
    }
}

void Unzip::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
}

void Unzip::applyListColours() {
    const auto &s = Shared();
    ListView1->setPalette(Colours::ListPalette(ListView1->palette(), s.FileListBackColor,
                                               s.FileListTextColor, QGuiApplication::palette()));
}

void Unzip::Form_Activate() {
    const auto &s = Shared();
    applyListColours();
    Check1->setChecked(s.ConfirmOverwriteOption == 1);
    Check2->setChecked(s.SkipOlderOption == 1);
    Check3->setChecked(s.AlwaysOverwriteOption == 1);
}

void Unzip::chooseColour(std::uint32_t &colour) {
    const auto chosen = prompts().chooseColor(this, Colours::ToQColor(colour, QPalette()));
    if (!chosen) return;
    colour = Colours::FromQColor(*chosen);
    SauveAffecteCoul();
}

void Unzip::Mnu_CoulFdDOS_Click() {
    chooseColour(Shared().FolderListBackColor);
}
void Unzip::Mnu_CoulFdFICH_Click() {
    chooseColour(Shared().FileListBackColor);
}
void Unzip::Mnu_CoulTXTFICH_Click() {
    chooseColour(Shared().FileListTextColor);
}

void Unzip::SauveAffecteCoul() {
    const auto &s = Shared();
    if (!Settings::SaveColours(s))
        prompts().message(this, Prompts::Icon::Warning, QStringLiteral("Erreur"),
                          QStringLiteral("Les couleurs n'ont pas pu être enregistrées dans « %1 ».")
                              .arg(Settings::ColoursPath()));
    // The dialogs are loaded, hidden, when they are not yet: their loading runs then.
    Forms::Zip2().applyColours();
    applyListColours();
    Forms::DosZip2().applyColours();
}

void Unzip::unzipallfiles_Click() {
    auto &s = Shared();
    if (!commands_.canExtract()) return commands_.failed(EntryCommands::kNoArchive);
    s.DialogCancelled = 0;
    Forms::DosZip2().exec();
    session_.setMessage(QString());
    EntryCommands::Extraction e;
    e.confirmOverwrite = Check1->isChecked() ? 1 : 0;
    e.skipOlderFiles = Check2->isChecked() ? 1 : 0;
    e.alwaysOverwrite = Check3->isChecked() ? 1 : 0;
    e.folder = s.DialogCancelled == 1 ? QString() : s.ExtractFolder;
    e.all = OptionDEC[0]->isChecked();
    e.selectedRows = selectedEntries();
    runLong(QStringLiteral("Extraction..."), [&] { commands_.extract(e); });
}

void Unzip::Mnu_Tester_Click() {
    if (!commands_.canExtract()) return commands_.failed(EntryCommands::kNoArchive);
    session_.setMessage(QString());
    std::optional<EntryCommands::TestOutcome> outcome;
    runLong(QStringLiteral("Vérification..."), [&] { outcome = commands_.test(); });
    if (outcome)
        prompts().message(this,
                          outcome->clean ? Prompts::Icon::Information : Prompts::Icon::Warning,
                          QStringLiteral("Test de l'archive"), outcome->text);
}

void Unzip::Mnu_Ajout_Click() {
    auto &s = Shared();
    s.DialogCancelled = 0;
    // The dialog adds the files itself, in one rewrite, and says so (the registry wires it to
    // the window's commands).
    Forms::Zip2().exec();
    if (s.DialogCancelled == 1 || !Module1::IsFile(s.CurrentArchive)) return;
    session_.reload();
}

void Unzip::Mnu_SupFich_Click() {
    const QStringList names = selectedEntries();
    runLong(QStringLiteral("Suppression dans l'archive..."), [&] { commands_.remove(names); });
}

void Unzip::ListView1_DblClick() {
    const QStringList names = selectedEntries();
    runLong(QStringLiteral("Ouverture..."), [&] { commands_.open(names); });
}

void Unzip::Mnu_AutoExtract_Click() {
    AutoExtract dialog(this);
    dialog.exec();
}

void Unzip::about_Click() {
    const QString text = QString::fromLatin1(kTitle) + u'\r' + u'\r' + kAuthorLine + u'\r' +
                         kMailLine + u'\r' + kWebLine + u'\r';
    prompts().message(this, Prompts::Icon::Information, QStringLiteral("A propos"), text);
}

void Unzip::Toolbar1_ButtonClick(int button) {
    switch (button) {
    case 1:
        return Mnu_Nouveau_Click();
    case 2:
        return open_Click();
    case 3:
        return unzipallfiles_Click();
    case 4:
        return Mnu_Ajout_Click();
    case 5:
        return Mnu_SupFich_Click();
    case 6:
        return about_Click();
    case 7:
        return Mnu_Quitter_Click();
    default:
        return;
    }
}

void Unzip::ListView1_Click() {
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    int bottom = -1;
    for (const QModelIndex &i : selected)
        bottom = std::max(bottom, i.row());
    if (bottom >= 0) {
        Shared().CurrentEntry = model_->fullNameAt(bottom);
        OptionDEC[1]->setChecked(true);
    } else {
        OptionDEC[0]->setChecked(true);
    }
    session_.selectionChanged(bottom >= 0);
}

bool Unzip::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ListView1->viewport() && event->type() == QEvent::MouseButtonRelease)
        ListView1_Click();
    return QMainWindow::eventFilter(watched, event);
}
