// Removing and opening entries through the main window, and long work that stays live and can
// be stopped. The desktop is a fake that records what would be opened.
#include "UnzipFixture.h"

#include "DesktopLauncher.h"
#include "LongWork.h"

#include <QApplication>
#include <QDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

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
        hadTmp = qEnvironmentVariableIsSet("TMPDIR");
        savedTmp = qgetenv("TMPDIR");
        fs::create_directories(path("tmp"));
        qputenv("TMPDIR", path("tmp").c_str());
        auto fake = std::make_unique<FakeLauncher>();
        desktop = fake.get();
        setLauncher(std::move(fake));
    }
    void TearDown() override {
        setLauncher(nullptr);
        if (hadTmp)
            qputenv("TMPDIR", savedTmp);
        else
            qunsetenv("TMPDIR");
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
    QString temp(const std::string &relative) { return q(path("tmp/" + relative)); }

    bool hadTmp = false;
    QByteArray savedTmp;
    FakeLauncher *desktop = nullptr;
};

TEST_F(OpenAndRemoveTest, DoubleClickOpensEachSelectedEntryFromTheTemporaryFolder) {
    start(q(makeArchive()));
    select({QStringLiteral("c.txt"), QStringLiteral("d/a.txt")});
    doubleClick();
    EXPECT_EQ(desktop->opened, QStringList({temp("c.txt"), temp("d/a.txt")}));
    EXPECT_EQ(ReadFile(path("tmp/d/a.txt")), "inner");
    EXPECT_TRUE(prompts->messages().empty());
    EXPECT_EQ(Module1::Shared().CurrentEntry, QStringLiteral("d/a.txt"));
}

TEST_F(OpenAndRemoveTest, ACopyAlreadyThereIsReplacedOnlyWhenTheUserSaysSo) {
    start(q(makeArchive()));
    WriteFile(path("tmp/d/a.txt"), "edited copy");
    select({QStringLiteral("d/a.txt")});
    prompts->questionAnswers.push_back(true);
    doubleClick();
    ASSERT_EQ(prompts->asked.size(), 1u);
    EXPECT_EQ(prompts->asked[0].title, "Fichier existant dans le dossier " + q(path("tmp")) + "/");
    EXPECT_EQ(prompts->asked[0].text, "Supprimer l'ancien fichier d/a.txt ?\rDans le dossier " +
                                          q(path("tmp")) + "/ Confirmez ?");
    EXPECT_EQ(ReadFile(path("tmp/d/a.txt")), "inner");
}

TEST_F(OpenAndRemoveTest, AFailureOnTheSecondOfThreeStopsThereWithOneMessage) {
    start(q(makeArchive()));
    fs::create_directories(path("tmp/d/a.txt")); // a folder where the second entry goes
    select({QStringLiteral("c.txt"), QStringLiteral("d/a.txt"), QStringLiteral("a.txt")});
    doubleClick();
    EXPECT_EQ(desktop->opened, QStringList({temp("c.txt")}));
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("Erreur"));
    EXPECT_EQ(prompts->messages()[0].text,
              QStringLiteral("Erreur lors de l'ouverture du fichier !"));
    EXPECT_FALSE(fs::exists(path("tmp/a.txt")));
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
