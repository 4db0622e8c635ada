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
#include "VFzip.h"
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
               [](const QString &path) { Forms::VFzip1().ZipFileName = path.toStdString(); }),
      commands_(
          VFunzip1, [] { return std::ref(Forms::VFzip1()); }, session_) {
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
    showSession();
}

void Unzip::showSession() {
    setWindowTitle(session_.title());
    for (int i = 1; i <= 3; ++i)
        panels_[i - 1]->setText(session_.panel(i));
    const CommandStates &c = session_.commands();
    unzipallfiles->setEnabled(c.extract);
    Mnu_Ajout->setEnabled(c.add);
    Mnu_SupFich->setEnabled(c.remove);
    Mnu_AutoExtract->setEnabled(c.autoExtract);
    buttons_[2]->setEnabled(c.button3);
    buttons_[3]->setEnabled(c.button4);
    buttons_[4]->setEnabled(c.button5);
    if (!session_.decompressionOptionsShown()) {
        Frame5->hide();
        Frame4->show();
    }
}

void Unzip::connectReader() {
    VFunzip1.FileInfo = [this](std::int64_t TotalSize, std::int64_t FileSize, std::int64_t Factor,
                               int Month, int Day, int Year, int, int, const std::string &Filename,
                               const std::string &Path, const std::string &, std::uint32_t, int) {
        VFunzip1_FileInfo(TotalSize, FileSize, Factor, Month, Day, Year, Filename, Path);
    };
    VFunzip1.Progress = [this](std::int64_t written, std::int64_t original, const std::string &) {
        VFunzip1_Progress(written, original);
    };
    VFunzip1.DisplayMessage = [this](const std::string &m) { VFunzip1_DisplayMessage(m); };
    VFunzip1.CancelRequested = [this] { return work_ && work_->cancelled(); };
    VFunzip1.ConfirmReplace = [this](const std::string &path) {
        return prompts().question(
            this, QStringLiteral("Confirmation"),
            QStringLiteral("Le fichier « %1 » existe déjà.\rVoulez-vous le remplacer ?")
                .arg(QString::fromStdString(path)));
    };
    VFunzip1.PasswordQuestion = [this](const std::string &entry) -> std::optional<std::string> {
        const auto p = prompts().password(
            this, QStringLiteral("Mot de passe"),
            QStringLiteral("Mot de passe de « %1 » :").arg(QString::fromStdString(entry)), false);
        if (!p) return std::nullopt;
        return p->toStdString();
    };
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

void Unzip::Mnu_Ajout_Click() {
    auto &s = Shared();
    Forms::VFzip1().ZipFileName = s.CurrentArchive.toStdString();
    s.DialogCancelled = 0;
    // The dialog adds the files itself, in one rewrite, and updates the window's commands.
    runLong(
        QStringLiteral("Ajout à l'archive..."), [] { Forms::Zip2().exec(); }, true);
    if (s.DialogCancelled == 1 || !Module1::IsFile(s.CurrentArchive)) return;
    session_.reload();
}

void Unzip::Mnu_SupFich_Click() {
    const QStringList names = selectedEntries();
    runLong(
        QStringLiteral("Suppression dans l'archive..."), [&] { commands_.remove(names); }, true);
}

void Unzip::ListView1_DblClick() {
    const QStringList names = selectedEntries();
    runLong(QStringLiteral("Ouverture..."), [&] { commands_.open(names); });
}

QStringList Unzip::selectedEntries() const {
    QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList names;
    for (const QModelIndex &row : rows)
        names << model_->fullNameAt(row.row());
    return names;
}

void Unzip::runLong(const QString &text, const std::function<void()> &work, bool usesWriter) {
    LongWork longWork(this, text);
    // The writer belongs to the add dialog, which touching it loads and which the work may
    // close (and so destroy): it is reached only by the commands that write.
    auto hookWriter = [&](bool on) {
        if (!usesWriter || (!on && !Forms::Zip2Loaded())) return;
        zipcomponent::VFzip &writer = Forms::VFzip1();
        writer.Progress = nullptr;
        writer.CancelRequested = nullptr;
        if (!on) return;
        writer.Progress = [&](double done) {
            longWork.tick(static_cast<std::int64_t>(done * 1000), 1000);
        };
        writer.CancelRequested = [&] { return longWork.cancelled(); };
    };
    const std::initializer_list<QWidget *> commands{menuBar(), Toolbar1, ListView1};
    struct Restore { // on every way out, before longWork goes
        std::function<void()> undo;
        ~Restore() { undo(); }
    } restore{[&] {
        for (QWidget *w : commands)
            w->setEnabled(true);
        hookWriter(false);
        work_ = nullptr;
        ProgressBar1->setValue(0);
    }};
    work_ = &longWork;
    hookWriter(true);
    for (QWidget *w : commands)
        w->setEnabled(false);
    work();
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

void Unzip::VFunzip1_FileInfo(std::int64_t TotalSize, std::int64_t FileSize, std::int64_t Factor,
                              int Month, int Day, int Year, const std::string &Filename,
                              const std::string &Path) {
    EntryListModel::Row row;
    row.file = Filename;
    row.path = Path;
    row.totalSize = TotalSize;
    row.fileSize = FileSize;
    row.factor = Factor;
    row.day = Day;
    row.month = Month;
    row.year = Year;
    model_->add(std::move(row));
}

void Unzip::VFunzip1_Progress(std::int64_t WrittenLength, std::int64_t OriginalLength) {
    if (WrittenLength == 0) {
        progressScale_ = OriginalLength > INT_MAX ? OriginalLength / INT_MAX + 1 : 1;
        // A maximum of 0 would make the bar an endless busy animation: an empty entry keeps
        // it still and empty.
        ProgressBar1->setMaximum(std::max(1, static_cast<int>(OriginalLength / progressScale_)));
    }
    ProgressBar1->setValue(static_cast<int>(WrittenLength / progressScale_));
    if (work_) work_->tick(WrittenLength, OriginalLength);
}

void Unzip::VFunzip1_DisplayMessage(const std::string &Message) {
    session_.setMessage(QString::fromStdString(Message));
}
