// Removing and opening entries through the main window, and long work that stays live and can
// be stopped. The desktop is a fake that records what would be opened.
#include "UnzipFixture.h"

#include "DesktopLauncher.h"
#include "EntryListView.h"
#include "ExplorerTree.h"
#include "LongWork.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Every type has an application, but those of the names in `unknown`.
class FakeLauncher : public DesktopLauncher {
public:
    QStringList opened;
    QStringList unknown;

    QString MimeType(const QString &path) override { return path; }
    std::optional<DesktopApplication> DefaultApplication(const QString &type) override {
        for (const QString &u : unknown)
            if (type.endsWith(u)) return std::nullopt;
        DesktopApplication editor;
        editor.id = QStringLiteral("editor.desktop");
        return editor;
    }
    std::vector<DesktopApplication> Applications(const QString &) override { return {}; }
    bool Launch(const DesktopApplication &, const QString &path) override {
        opened << path;
        return true;
    }
    bool StartProgram(const QString &, const QStringList &) override { return true; }
    bool SetDefault(const DesktopApplication &, const QString &) override { return true; }
};

class OpenAndRemoveTest : public UnzipFixture {
protected:
    void SetUp() override {
        UnzipFixture::SetUp();
        auto fake = std::make_unique<FakeLauncher>();
        desktop = fake.get();
        setLauncher(std::move(fake));
    }
    void TearDown() override {
        setLauncher(nullptr);
        UnzipFixture::TearDown();
    }
    // Selects the rows showing these full names.
    void select(const QStringList &names) {
        QTreeView *view = list();
        view->clearSelection();
        for (int r = 0; r < view->model()->rowCount(); ++r)
            if (names.contains(Forms::Unzip().model()->fullNameAt(r)))
                view->selectionModel()->select(view->model()->index(r, 0),
                                               QItemSelectionModel::Select |
                                                   QItemSelectionModel::Rows);
    }
    void doubleClick() { emit list()->doubleClicked(list()->model()->index(0, 0)); }
    // Where opened entries are written, below the test's cache folder.
    std::string opened(const std::string &relative = {}) {
        return path("cache/Mivo-ZIP/ouverts/" + relative);
    }
    static mode_t modeOf(const std::string &file) {
        struct stat st {};
        EXPECT_EQ(lstat(file.c_str(), &st), 0) << file;
        return st.st_mode & 07777;
    }

    FakeLauncher *desktop = nullptr;
};

TEST_F(OpenAndRemoveTest, DoubleClickOpensEachSelectedEntryFromThePrivateFolder) {
    const std::string archive = makeArchive();
    // c.txt stored executable, d/a.txt readable by all.
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) +
                             " && chmod 755 c.txt && chmod 644 d/a.txt && zip -q " +
                             ziptest::Quote(archive) + " c.txt d/a.txt"),
              0);
    start(q(archive));
    select({QStringLiteral("c.txt"), QStringLiteral("d/a.txt")});
    doubleClick();
    EXPECT_EQ(desktop->opened, QStringList({q(opened("c.txt")), q(opened("d/a.txt"))}));
    EXPECT_EQ(ReadFile(opened("d/a.txt")), "inner");
    EXPECT_EQ(modeOf(path("cache/Mivo-ZIP")), 0700u);
    EXPECT_EQ(modeOf(opened()), 0700u);
    EXPECT_EQ(modeOf(opened("c.txt")), 0600u);
    EXPECT_EQ(modeOf(opened("d/a.txt")), 0600u);
    EXPECT_TRUE(prompts->messages().empty());
    EXPECT_EQ(Module1::Shared().CurrentEntry, QStringLiteral("d/a.txt"));
}

// The question about a copy kept from an earlier opening: "Oui" replaces it, "Non" opens it as
// it is, even after a "Oui" in the same session; the user's overwrite option stays theirs.
TEST_F(OpenAndRemoveTest, AKeptCopyIsReplacedOnOuiAndOpenedAsItIsOnNon) {
    start(q(makeArchive()));
    select({QStringLiteral("d/a.txt")});
    doubleClick(); // the first opening asks nothing
    EXPECT_TRUE(prompts->asked.empty());

    WriteFile(opened("d/a.txt"), "edited copy");
    prompts->questionAnswers = {true};
    doubleClick();
    ASSERT_EQ(prompts->asked.size(), 1u);
    const QString folder = q(opened());
    EXPECT_EQ(prompts->asked[0].title, "Fichier existant dans le dossier " + folder);
    EXPECT_EQ(prompts->asked[0].text,
              "Supprimer l'ancien fichier d/a.txt ?\rDans le dossier " + folder + " Confirmez ?");
    EXPECT_EQ(ReadFile(opened("d/a.txt")), "inner");

    WriteFile(opened("d/a.txt"), "edited again");
    prompts->questionAnswers = {false};
    doubleClick();
    EXPECT_EQ(prompts->asked.size(), 2u);
    EXPECT_EQ(ReadFile(opened("d/a.txt")), "edited again");
    EXPECT_EQ(desktop->opened, QStringList(3, q(opened("d/a.txt"))));
    EXPECT_EQ(Forms::Unzip().VFunzip1.AlwaysOverwrite, 0);
    EXPECT_TRUE(prompts->messages().empty());
}

// The folder of opened copies holds decrypted data: a link, or another user's folder, at its
// place or its parent's is refused with the reason, and nothing is written or opened.
struct RefusedFolder {
    const char *label;
    const char *at;   // below the cache folder
    bool link;        // a link to an outside folder, else a folder of another user
    const char *says; // after the folder's quoted path
};

void PrintTo(const RefusedFolder &row, std::ostream *out) {
    *out << row.label;
}

class OpenedCopiesFolder : public OpenAndRemoveTest,
                           public ::testing::WithParamInterface<RefusedFolder> {};

TEST_P(OpenedCopiesFolder, ThatIsNotTheUsersOwnIsRefused) {
    const RefusedFolder &row = GetParam();
    const std::string at = path(std::string("cache/") + row.at);
    fs::create_directories(path("elsewhere"));
    fs::create_directories(fs::path(at).parent_path());
    if (row.link) {
        fs::create_directory_symlink(path("elsewhere"), at);
    } else {
        if (geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
        fs::create_directories(at);
        ASSERT_EQ(chown(at.c_str(), 65534, 65534), 0);
    }
    start(q(makeArchive()));
    select({QStringLiteral("c.txt")});
    prompts->questionAnswers = {true};
    doubleClick();
    ASSERT_EQ(prompts->asked.size(), 1u);
    EXPECT_EQ(prompts->asked[0].title, QStringLiteral("Erreur"));
    EXPECT_EQ(prompts->asked[0].text, "Erreur lors de l'ouverture du fichier !\rLe dossier « " +
                                          q(at) + " » " + QString::fromUtf8(row.says));
    EXPECT_TRUE(desktop->opened.isEmpty());
    EXPECT_TRUE(fs::is_empty(path("elsewhere")));
    EXPECT_TRUE(fs::is_empty(at));
}

INSTANTIATE_TEST_SUITE_P(
    Refused, OpenedCopiesFolder,
    ::testing::Values(
        RefusedFolder{"FolderIsALink", "Mivo-ZIP/ouverts", true,
                      "est un lien symbolique : les fichiers ouverts n'y sont pas écrits."},
        RefusedFolder{"ParentIsALink", "Mivo-ZIP", true,
                      "est un lien symbolique : les fichiers ouverts n'y sont pas écrits."},
        RefusedFolder{"FolderOfAnotherUser", "Mivo-ZIP/ouverts", false,
                      "appartient à un autre utilisateur : les fichiers ouverts n'y sont pas "
                      "écrits."}),
    [](const ::testing::TestParamInfo<RefusedFolder> &row) { return row.param.label; });

TEST_F(OpenAndRemoveTest, AFailureOnTheSecondOfThreeStopsThereWithOneMessage) {
    start(q(makeArchive()));
    fs::create_directories(opened("d/a.txt")); // a folder where the second entry goes
    select({QStringLiteral("c.txt"), QStringLiteral("d/a.txt"), QStringLiteral("a.txt")});
    doubleClick();
    EXPECT_EQ(desktop->opened, QStringList({q(opened("c.txt"))}));
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("Erreur"));
    EXPECT_EQ(prompts->messages()[0].text,
              QStringLiteral("Erreur lors de l'ouverture du fichier !"));
    EXPECT_FALSE(fs::exists(opened("a.txt")));
}

TEST_F(OpenAndRemoveTest, ATypeWithoutApplicationShowsTheNoAssociationDialog) {
    start(q(makeArchive()));
    desktop->unknown << QStringLiteral("c.txt");
    select({QStringLiteral("c.txt")});
    pressInNextDialog("Command1"); // "&Annuler"
    doubleClick();
    EXPECT_EQ(shownTitle, QStringLiteral("Absence d'association de fichier"));
    EXPECT_TRUE(desktop->opened.isEmpty());
}

TEST_F(OpenAndRemoveTest, RemoveTakesOnlyTheSelectedOfTwoSameNamedEntries) {
    const std::string archive = makeArchive();
    start(q(archive));
    select({QStringLiteral("d/a.txt")});
    trigger("Mnu_SupFich");
    EXPECT_EQ(ziptest::Shell("unzip -l " + ziptest::Quote(archive) + " | grep -q ' d/a.txt$'"), 1);
    EXPECT_EQ(rows().size(), 2u);
    EXPECT_EQ(states(), "1101110");
    EXPECT_TRUE(prompts->messages().empty()); // no message on success
}

// The list's own menu and Return act on the selected rows, never on the others.
TEST_F(OpenAndRemoveTest, TheRowMenuAndReturnActOnTheSelectedRows) {
    const std::string archive = makeArchive();
    start(q(archive));
    auto *view = Forms::Unzip().findChild<EntryListView *>(QStringLiteral("ListView1"));
    QStringList captions;
    for (QAction *a : view->rowMenu()->actions())
        captions << a->text();
    EXPECT_EQ(captions, QStringList({QStringLiteral("Ouvrir"), QStringLiteral("Extraire..."),
                                     QStringLiteral("Supprimer"), QStringLiteral("Tester")}));
    auto item = [view](int i) { return view->rowMenu()->actions().at(i); };

    select({QStringLiteral("c.txt")});
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(desktop->opened, QStringList({q(opened("c.txt"))}));

    select({QStringLiteral("c.txt"), QStringLiteral("d/a.txt")});
    item(0)->trigger(); // Ouvrir
    EXPECT_EQ(desktop->opened,
              QStringList({q(opened("c.txt")), q(opened("c.txt")), q(opened("d/a.txt"))}));

    fs::create_directories(path("out"));
    QTimer::singleShot(0, [this] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->findChild<ExplorerTree *>(QStringLiteral("Tree1"))
                        ->SelectedFolder(q(path("out"))));
        dialog->findChild<QPushButton *>(QStringLiteral("Command5"))->click(); // "&Extraire"
    });
    item(1)->trigger(); // Extraire...
    EXPECT_EQ(ReadFile(path("out/d/a.txt")), "inner");
    EXPECT_TRUE(fs::exists(path("out/c.txt")));
    EXPECT_FALSE(fs::exists(path("out/a.txt")));

    item(2)->trigger(); // Supprimer
    EXPECT_EQ(ziptest::Shell("(unzip -Z1 " + ziptest::Quote(archive) + " > " +
                             ziptest::Quote(path("left.txt")) + ")"),
              0);
    EXPECT_EQ(ReadFile(path("left.txt")), "a.txt\n");
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_TRUE(prompts->messages().empty());
}

TEST_F(OpenAndRemoveTest, LongWorkKeepsTimersRunningAndCanBeStopped) {
    LongWork::setPace(0, 0);
    int fired = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++fired; });
    timer.start(0);
    LongWork work(nullptr, QStringLiteral("Travail"));
    for (int piece = 0; piece < 5; ++piece)
        work.tick(piece, 10); // the timer runs during the work
    EXPECT_GT(fired, 0);
    auto *window = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->labelText(), QStringLiteral("Travail"));
    EXPECT_FALSE(work.cancelled());
    window->findChild<QPushButton *>(QStringLiteral("LongWorkCancel"))->click();
    EXPECT_TRUE(work.cancelled());
}

// At the default pace, work that ends within a second keeps the window painting but shows no
// window of its own.
TEST_F(OpenAndRemoveTest, LongWorkUnderASecondShowsNoWindowAtTheDefaultPace) {
    LongWork::setPace(50, 1000);
    int fired = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++fired; });
    timer.start(0);
    {
        LongWork work(nullptr, QStringLiteral("Travail"));
        QElapsedTimer clock;
        clock.start();
        for (int piece = 0; clock.elapsed() < 300; ++piece) {
            work.tick(piece, 1000);
            QThread::msleep(5);
        }
        EXPECT_GT(fired, 0);
        for (QWidget *w : QApplication::topLevelWidgets())
            EXPECT_NE(w->objectName(), QStringLiteral("LongWork"));
    }
}

TEST_F(OpenAndRemoveTest, AnEntryNamedOutsideTheFolderIsNeverLookedAtOnDisk) {
    WriteFile(path("victim.txt"), "precious");
    ziptest::MakeRawArchive(path("hostile.zip"), {{"../victim.txt", "evil"}, {"ok.txt", "ok"}});
    start(q(path("hostile.zip")));
    select({QStringLiteral("../victim.txt")});
    prompts->questionAnswers.push_back(true); // were it asked, it would be answered yes
    doubleClick();
    EXPECT_EQ(ReadFile(path("victim.txt")), "precious");
    ASSERT_EQ(prompts->asked.size(), 1u); // the error only: no question
    EXPECT_EQ(prompts->asked[0].text, QStringLiteral("Erreur lors de l'ouverture du fichier !"));
    EXPECT_TRUE(desktop->opened.isEmpty());
}

TEST_F(OpenAndRemoveTest, AStoppedRemovalLeavesTheArchiveAsItWas) {
    const std::string archive = makeBigArchive(4 << 20);
    const std::string before = ReadFile(archive);
    start(q(archive));
    stopLongWork();
    select({QStringLiteral("c.txt")});
    trigger("Mnu_SupFich");
    EXPECT_TRUE(longWorkStopped);
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_TRUE(prompts->messages().empty()); // a stop is not a failure
    EXPECT_EQ(rows().size(), 4u);
    EXPECT_TRUE(child("Mnu_Quitter")->isEnabled());
}

} // namespace
