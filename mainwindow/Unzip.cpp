#include "Unzip.h"

#include "Colours.h"
#include "Forms.h"
#include "Module1.h"
#include "Prompts.h"
#include "Settings.h"
#include "VFzip.h"

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
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>

#include <climits>

using Module1::Shared;

namespace {

// Twips to pixels at 96 dpi.
constexpr int px(int twips) {
    return twips / 15;
}

const QString kZipFilter = QStringLiteral("Fichiers zip  (*.zip)");
const QString kAuthorLine = QStringLiteral("Auteur : l'équipe Mivo-ZIP");
const QString kMailLine = QStringLiteral("Courriel : contact@mivo-zip.example");
const QString kWebLine = QStringLiteral("Site : https://mivo-zip.example");

QString titled(const QString &path) {
    return QString::fromLatin1(Unzip::kTitle) + " : " + path;
}

// The archive path a command line names: quotes around it go, an absolute path stays as it is,
// anything else is taken in the current folder.
QString archiveFromCommandLine(const QString &text) {
    QString path = text;
    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"'))
        path = path.mid(1, path.size() - 2);
    if (path.startsWith(u'/')) return path;
    return QDir::currentPath() + u'/' + path;
}

QIcon themed(const char *name, QStyle::StandardPixmap fallback, const QStyle *style) {
    return QIcon::fromTheme(QString::fromLatin1(name), style->standardIcon(fallback));
}

} // namespace

Unzip::Unzip() {
    setObjectName(QStringLiteral("Unzip"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setAcceptDrops(true);
    createMenus();
    createFrames();
    createToolbar();
    createStatusBar();
    connectReader();
    enterState(ArchiveState::NoArchive);
}

void Unzip::createMenus() {
    auto action = [this](QMenu *menu, const char *name, const QString &caption, auto slot) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto separator = [](QMenu *menu, const char *name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    QMenu *mfile = menuBar()->addMenu(QStringLiteral("&Fichier"));
    mfile->setObjectName(QStringLiteral("mfile"));
    action(mfile, "open", QStringLiteral("&Ouvrir une archive"), &Unzip::open_Click);
    separator(mfile, "sep1");
    action(mfile, "Mnu_Nouveau", QStringLiteral("Nouvelle archive"), &Unzip::Mnu_Nouveau_Click);
    separator(mfile, "sep2");
    action(mfile, "closefile", QStringLiteral("&Fermer"), &Unzip::closefile_Click);
    separator(mfile, "sep3");
    QMenu *colours = mfile->addMenu(QStringLiteral("Couleurs..."));
    colours->setObjectName(QStringLiteral("Mnu_Couleurs"));
    action(colours, "Mnu_CoulFdDOS", QStringLiteral("Couleur de fond des listes de dossiers"),
           &Unzip::Mnu_CoulFdDOS_Click);
    action(colours, "Mnu_CoulFdFICH", QStringLiteral("Couleur de fond des listes de fichiers"),
           &Unzip::Mnu_CoulFdFICH_Click);
    action(colours, "Mnu_CoulTXTFICH", QStringLiteral("Couleur de texte des listes de fichiers"),
           &Unzip::Mnu_CoulTXTFICH_Click);
    separator(mfile, "sep");
    action(mfile, "Mnu_Quitter", QStringLiteral("&Quitter"), &Unzip::Mnu_Quitter_Click);

    QMenu *actions = menuBar()->addMenu(QStringLiteral("&Action"));
    actions->setObjectName(QStringLiteral("Mnu_Action"));
    unzipallfiles = action(actions, "unzipallfiles", QStringLiteral("&Extraire  les fichiers"),
                           &Unzip::unzipallfiles_Click);
    separator(actions, "sep4");
    Mnu_Ajout = action(actions, "Mnu_Ajout", QStringLiteral("&Ajouter un fichier à l'archive"),
                       &Unzip::Mnu_Ajout_Click);
    Mnu_SupFich =
        action(actions, "Mnu_SupFich", QStringLiteral("&Supprimer un fichier de l'archive"),
               &Unzip::Mnu_SupFich_Click);
    separator(actions, "sep20");
    Mnu_AutoExtract =
        action(actions, "Mnu_AutoExtract", QStringLiteral("Créer un fichier AutoExtractible .EXE"),
               &Unzip::Mnu_AutoExtract_Click);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&?"));
    help->setObjectName(QStringLiteral("questionmark"));
    action(help, "about", QStringLiteral("&A propos"), &Unzip::about_Click);
}

void Unzip::createToolbar() {
    struct Button {
        const char *text, *tip, *icon;
        QStyle::StandardPixmap fallback;
    };
    static const Button table[7] = {
        {"Nouveau", "Nouveau fichier archive", "document-new", QStyle::SP_FileIcon},
        {"Ouvrir", "Ouvrir une archive", "document-open", QStyle::SP_DialogOpenButton},
        {"Extraire", "Extraire les fichiers de l'archive", "archive-extract", QStyle::SP_ArrowDown},
        {"Ajouter", "Ajouter un fichier à l'archive", "archive-insert", QStyle::SP_ArrowUp},
        {"Supprimer", "Supprimer un fichier de l'archive", "edit-delete", QStyle::SP_TrashIcon},
        {"A propos", "A propos", "help-about", QStyle::SP_MessageBoxInformation},
        {"Quitter", "Quitter Mivo-ZIP", "application-exit", QStyle::SP_DialogCloseButton},
    };
    Toolbar1 = new QToolBar(centralWidget());
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setGeometry(0, 0, centralWidget()->width(), px(1110));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar1->setIconSize(QSize(32, 32));
    Toolbar1->setMovable(false);
    for (int i = 0; i < 7; ++i) {
        QAction *b = Toolbar1->addAction(themed(table[i].icon, table[i].fallback, style()),
                                         QString::fromUtf8(table[i].text));
        b->setObjectName(QStringLiteral("Toolbar1_Button%1").arg(i + 1));
        b->setToolTip(QString::fromUtf8(table[i].tip));
        connect(b, &QAction::triggered, this, [this, i] { Toolbar1_ButtonClick(i + 1); });
        buttons_[i] = b;
    }
}

void Unzip::createFrames() {
    auto *form = new QWidget(this);
    form->setObjectName(QStringLiteral("UnzipClientArea"));
    form->setFixedSize(px(7815), px(6255) + 1);
    setCentralWidget(form);

    Frame4 = new QGroupBox(form);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    Frame4->setGeometry(px(120), px(1080), px(7575), px(5175));

    ListView1 = new QTreeView(Frame4);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(px(120), px(240), px(7335), px(3135));
    model_ = new EntryListModel(this);
    ListView1->setModel(model_);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setItemsExpandable(false);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setToolTip(QStringLiteral("Double clic pour ouverture d'un fichier"));
    ListView1->header()->setStretchLastSection(false);
    for (int c = 0; c < EntryListModel::kColumns; ++c)
        ListView1->setColumnWidth(c, px(EntryListModel::ColumnTwips(c)));
    ListView1->viewport()->installEventFilter(this);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Unzip::ListView1_Click);

    ProgressBar1 = new QProgressBar(Frame4);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(px(120), px(3480), px(7335), px(255));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    Frame5 = new QGroupBox(QStringLiteral("Option de décompression"), Frame4);
    Frame5->setObjectName(QStringLiteral("Frame5"));
    Frame5->setGeometry(px(120), px(3840), px(3495), px(1215));
    Check3 = new QCheckBox(QStringLiteral("Toujours remplacer"), Frame5);
    Check2 = new QCheckBox(QStringLiteral("Passer les fichiers anciens"), Frame5);
    Check1 = new QCheckBox(QStringLiteral("Confirmation de remplacement"), Frame5);
    int y = px(300);
    for (QCheckBox *c : {Check3, Check2, Check1}) {
        c->setGeometry(px(120), y, px(3255), px(255));
        y += px(300);
    }
    Check1->setObjectName(QStringLiteral("Check1"));
    Check2->setObjectName(QStringLiteral("Check2"));
    Check3->setObjectName(QStringLiteral("Check3"));

    Frame6 = new QGroupBox(QStringLiteral("Sélection"), Frame4);
    Frame6->setObjectName(QStringLiteral("Frame6"));
    Frame6->setGeometry(px(3840), px(3840), px(3495), px(1215));
    OptionDEC[1] = new QRadioButton(QStringLiteral("Extraire les fichiers sélectionnées"), Frame6);
    OptionDEC[1]->setObjectName(QStringLiteral("OptionDEC_1"));
    OptionDEC[1]->setGeometry(px(120), px(360), px(3255), px(255));
    OptionDEC[0] = new QRadioButton(QStringLiteral("Extraire tous les fichiers"), Frame6);
    OptionDEC[0]->setObjectName(QStringLiteral("OptionDEC_0"));
    OptionDEC[0]->setGeometry(px(120), px(720), px(3255), px(255));
    OptionDEC[0]->setChecked(true);
}

void Unzip::createStatusBar() {
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    const int stretch[4] = {3, 3, 1, 2};
    for (int i = 0; i < 4; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setObjectName(QStringLiteral("StatusBar1_Panel%1").arg(i + 1));
        statusBar()->addWidget(panels_[i], stretch[i]);
    }
    panels_[3]->setText(QStringLiteral("Mivo-ZIP, l'équipe Mivo-ZIP"));
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
    ListView1->setPalette(Colours::ListPalette(ListView1->palette(), s.FileListBackColor, s.FileListTextColor, QGuiApplication::palette()));

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    const QString text = Forms::startup().commandLine;
    if (text.isEmpty()) return;
    s.CurrentArchive = archiveFromCommandLine(text);
    s.CurrentArchiveTitle = QFileInfo(s.CurrentArchive).fileName();
    try {
        if (!openingSequence()) {
            const QString reason =
                QStringLiteral("L'archive « %1 » est introuvable.").arg(s.CurrentArchive);
            setPanel(1, reason);
            prompts().message(this, Prompts::Icon::Critical, QStringLiteral("Erreur"), reason);
        }
    } catch (const zipcomponent::ZipError &e) {
        prompts().message(this, Prompts::Icon::Critical, QStringLiteral("Erreur"),
                          QString::fromStdString(e.description()));
    }
    Forms::VFzip1().ZipFileName = s.CurrentArchive.toStdString();
}

bool Unzip::openingSequence() {
    auto &s = Shared();
    model_->clear();
    model_->beginFill();
    try {
        VFunzip1.ArchivePath = s.CurrentArchive.toStdString();
        VFunzip1.ListEntries();
    } catch (...) {
        model_->endFill();
        throw;
    }
    model_->endFill();
    OptionDEC[0]->setChecked(true);
    enterState(ArchiveState::Archive);
    setWindowTitle(titled(s.CurrentArchive));
    setPanel(1, QString());
    const QFileInfo file(s.CurrentArchive);
    if (!file.exists() || !file.isFile()) return false;
    setPanel(2, s.CurrentArchiveTitle + QStringLiteral(" : ") +
                    Module1::StatusNumberText(file.size()) + QStringLiteral(" Octets "));
    setPanel(3, Module1::StatusNumberText(model_->rowCount()) + QStringLiteral(" Fichiers "));
    return true;
}

void Unzip::openEndedEarly() {
    unzipallfiles->setEnabled(true);
}

void Unzip::openPath(const QString &path) {
    auto &s = Shared();
    s.CurrentArchive = path;
    s.CurrentArchiveTitle = QFileInfo(path).fileName();
    try {
        if (!openingSequence()) {
            setPanel(1, QStringLiteral("L'archive « %1 » est introuvable.").arg(path));
            openEndedEarly();
        }
    } catch (const zipcomponent::ZipError &) {
        // The reader's DisplayMessage has put the reason in panel 1.
        openEndedEarly();
    }
}

void Unzip::open_Click() {
    const QString path =
        prompts().openFileName(this, QStringLiteral("Ouvrir un fichier ZIP"), kZipFilter);
    if (path.isEmpty()) {
        openEndedEarly();
        return;
    }
    openPath(path);
}

void Unzip::Mnu_Nouveau_Click() {
    auto &s = Shared();
    auto endedEarly = [this] {
        Frame5->hide();
        Frame4->show();
        unzipallfiles->setEnabled(true);
        Mnu_AutoExtract->setEnabled(false);
    };
    const QString path =
        prompts().saveFileName(this, QStringLiteral("Nouveau fichier ZIP"), kZipFilter);
    if (path.isEmpty()) return endedEarly();
    s.CurrentArchive = path;
    s.CurrentArchiveTitle = QFileInfo(path).fileName();
    if (Module1::FileExists(path) && !QFile::remove(path)) {
        setPanel(1, QStringLiteral("Impossible de remplacer « %1 ».").arg(path));
        return endedEarly();
    }
    Forms::VFzip1().ZipFileName = path.toStdString();
    VFunzip1.ArchivePath = path.toStdString();
    setWindowTitle(titled(path));
    setPanel(2, s.CurrentArchiveTitle + QStringLiteral(" : "));
    setPanel(3, QStringLiteral("0 Fichiers "));
    setPanel(1, QString());
    enterState(ArchiveState::NewArchive);
    model_->clear();
    try {
        VFunzip1.ListEntries();
    } catch (const zipcomponent::ZipError &) {
        endedEarly();
    }
}

void Unzip::closefile_Click() {
    model_->clear();
    setWindowTitle(titled(QString()));
    for (int i = 1; i <= 3; ++i)
        setPanel(i, QString());
    enterState(ArchiveState::NoArchive);
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

void Unzip::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
}

void Unzip::Form_Activate() {
    const auto &s = Shared();
    ListView1->setPalette(Colours::ListPalette(ListView1->palette(), s.FileListBackColor, s.FileListTextColor, QGuiApplication::palette()));
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
    ListView1->setPalette(Colours::ListPalette(ListView1->palette(), s.FileListBackColor, s.FileListTextColor, QGuiApplication::palette()));
}

void Unzip::notYetAvailable() {
    prompts().message(this, Prompts::Icon::Information, QString::fromLatin1(kTitle),
                      QStringLiteral("Cette commande n'est pas encore disponible."));
}

void Unzip::unzipallfiles_Click() {
    notYetAvailable();
}
void Unzip::Mnu_Ajout_Click() {
    notYetAvailable();
}
void Unzip::Mnu_SupFich_Click() {
    notYetAvailable();
}
void Unzip::Mnu_AutoExtract_Click() {
    notYetAvailable();
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
    Mnu_SupFich->setEnabled(bottom >= 0);
    buttons_[4]->setEnabled(bottom >= 0);
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
        ProgressBar1->setMaximum(static_cast<int>(OriginalLength / progressScale_));
    }
    ProgressBar1->setValue(static_cast<int>(WrittenLength / progressScale_));
}

void Unzip::VFunzip1_DisplayMessage(const std::string &Message) {
    setPanel(1, QString::fromStdString(Message));
}

void Unzip::enterState(ArchiveState state) {
    state_ = state;
    const CommandStates c = StatesOf(state);
    unzipallfiles->setEnabled(c.extract);
    Mnu_Ajout->setEnabled(c.add);
    Mnu_SupFich->setEnabled(c.remove);
    Mnu_AutoExtract->setEnabled(c.autoExtract);
    buttons_[2]->setEnabled(c.button3);
    buttons_[3]->setEnabled(c.button4);
    buttons_[4]->setEnabled(c.button5);
}

void Unzip::setPanel(int panel, const QString &text) {
    panels_[panel - 1]->setText(text);
}

namespace {
// The first local ZIP file among dropped items, or an empty text.
QString droppedArchive(const QMimeData *data) {
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() &&
            url.toLocalFile().endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive))
            return url.toLocalFile();
    return {};
}
} // namespace

void Unzip::dragEnterEvent(QDragEnterEvent *event) {
    if (!droppedArchive(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Unzip::dropEvent(QDropEvent *event) {
    const QString path = droppedArchive(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    openPath(path);
    Forms::VFzip1().ZipFileName = Shared().CurrentArchive.toStdString();
}
