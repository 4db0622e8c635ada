// The main window's layout: menus, toolbar, frames and status bar at their fixed places
// (15 twips = 1 px at 96 dpi). A caption that needs more room than its place gives grows its
// control to the right or down; the menu bar, the toolbar and the entry list keep their places.
#include "CaptionFit.h"
#include "EntryListView.h"
#include "Twips.h"
#include "Unzip.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>

namespace {

QIcon themed(const char *name, QStyle::StandardPixmap fallback, const QStyle *style) {
    return QIcon::fromTheme(QString::fromLatin1(name), style->standardIcon(fallback));
}

} // namespace

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
    separator(actions, "sep21");
    Mnu_Tester = action(actions, "Mnu_Tester", QStringLiteral("&Tester l'archive"),
                        &Unzip::Mnu_Tester_Click);

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

    ListView1 = new EntryListView(Frame4);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(px(120), px(240), px(7335), px(3135));
    ListView1->setModel(model_);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setItemsExpandable(false);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setDragEnabled(true);
    ListView1->setDragDropMode(QAbstractItemView::DragOnly);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setToolTip(QStringLiteral("Double clic pour ouverture d'un fichier"));
    ListView1->header()->setStretchLastSection(false);
    for (int c = 0; c < EntryListModel::kColumns; ++c)
        ListView1->setColumnWidth(c, px(EntryListModel::ColumnTwips(c)));
    ListView1->viewport()->installEventFilter(this);
    connect(ListView1, &QTreeView::doubleClicked, this, &Unzip::ListView1_DblClick);
    connect(ListView1, &EntryListView::returnPressed, this, &Unzip::ListView1_DblClick);
    connect(ListView1->openAction, &QAction::triggered, this, &Unzip::ListView1_DblClick);
    connect(ListView1->extractAction, &QAction::triggered, this, [this] {
        OptionDEC[1]->setChecked(true);
        unzipallfiles_Click();
    });
    connect(ListView1->removeAction, &QAction::triggered, this, &Unzip::Mnu_SupFich_Click);
    connect(ListView1->testAction, &QAction::triggered, this, &Unzip::Mnu_Tester_Click);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Unzip::ListView1_Click);
    // A search may hide selected rows, which are then no longer selected.
    connect(model_, &EntryListModel::filterChanged, this, &Unzip::ListView1_Click);

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
    // Panel 1's messages take the room left, cut if longer: they never squeeze the archive's
    // size, the count or the author line.
    panels_[0]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void Unzip::placeWindow() {
    // Captions first, so that the size is final; then centred with that real size.
    CaptionFit::GrowToFit(centralWidget(), {ListView1, Toolbar1, ProgressBar1});
    Toolbar1->setGeometry(0, 0, centralWidget()->width(), px(1110));
    ensurePolished();
    adjustSize();
    centre();
}

void Unzip::centre() {
    // The frame counts once the window system has framed the window (from the first show).
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() -
             QRect(QPoint(), frameGeometry().size()).center());
}
