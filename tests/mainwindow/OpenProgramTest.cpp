// A self-extracting program opened in the window: listed through its decoded archive, read only,
// extracted like any archive; the decoded copy lives in the user's cache, never beside the
// program, and goes when another archive opens or the archive closes.
#include "UnzipFixture.h"

#include "ExplorerTree.h"
#include "SfxBuilder.h"

#include <QDropEvent>
#include <QMimeData>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

const QString kReadOnly = QStringLiteral("Programme auto-extractible : lecture seule");
// Extraction on, adding, removal and the builder off (menus, then buttons 3 to 5).
const std::string kReadOnlyStates = "1000100";

class OpenProgramTest : public UnzipFixture {
protected:
    // three.run, built by the builder's steps from the three-entry archive, in its own folder.
    std::string program() {
        WriteFile(path("stub/Mivo-AutoExtractZIP.Dat"), std::string("\x7f"
                                                                    "ELF stub\r\n",
                                                                    10));
        fs::create_directories(path("dl"));
        const sfx::BuildResult result =
            sfx::BuildSelfExtractor({path("stub"), makeArchive(), path("dl/three.run"), "."}, {});
        EXPECT_TRUE(result.ok) << result.error;
        return path("dl/three.run");
    }
    // The private folders of decoded archives in the user's cache.
    std::set<std::string> decodedFolders() {
        std::set<std::string> found;
        if (!fs::exists(path("cache/Mivo-ZIP"))) return found;
        for (const auto &e : fs::directory_iterator(path("cache/Mivo-ZIP")))
            if (e.path().filename().string().rfind("programme-", 0) == 0)
                found.insert(e.path().string());
        return found;
    }
    std::set<std::string> names(const std::string &folder) {
        std::set<std::string> found;
        for (const auto &e : fs::directory_iterator(folder))
            found.insert(e.path().filename().string());
        return found;
    }
    bool drop(const QString &file) {
        Unzip &w = Forms::Unzip();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        const QPoint at = list()->viewport()->mapTo(&w, list()->viewport()->rect().center());
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &move);
        if (!move.isAccepted()) return false;
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &dropped);
        return dropped.isAccepted();
    }
    void openThroughTheMenu(const std::string &file) {
        prompts->openAnswers.push_back(q(file));
        trigger("open");
    }
};

TEST_F(OpenProgramTest, FromTheCommandLineItIsReadOnlyExtractsAndGoesAtClose) {
    const std::string exe = program();
    start(q(exe));
    EXPECT_EQ(Forms::Unzip().windowTitle(), QStringLiteral("Mivo-Zip Version 1.3 : ") + q(exe));
    EXPECT_EQ(panel(1), kReadOnly);
    EXPECT_EQ(panel(2), QStringLiteral("three.run :  %1 Octets ").arg(fs::file_size(exe)));
    EXPECT_EQ(panel(3), QStringLiteral(" 3 Fichiers "));
    EXPECT_EQ(states(), kReadOnlyStates);
    EXPECT_TRUE(prompts->messages().empty());

    // Rows selected do not allow removal; files dropped on the list are not added.
    list()->selectAll();
    Forms::Unzip().ListView1_Click();
    EXPECT_EQ(states(), kReadOnlyStates);
    WriteFile(path("new/x.txt"), "x");
    EXPECT_FALSE(drop(q(path("new/x.txt"))));
    EXPECT_EQ(rows().size(), 3u);

    // The decoded archive is in a private folder of the cache, the archive byte for byte.
    const std::set<std::string> folders = decodedFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(Forms::Unzip().VFunzip1.ArchivePath, *folders.begin() + "/three.zip");
    EXPECT_EQ(ReadFile(*folders.begin() + "/three.zip"), ReadFile(path("three.zip")));
    EXPECT_EQ(fs::status(*folders.begin()).permissions(), fs::perms::owner_all);

    fs::create_directories(path("out"));
    QTimer::singleShot(0, [this] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->findChild<ExplorerTree *>(QStringLiteral("Tree1"))
                        ->SelectedFolder(q(path("out"))));
        dialog->findChild<QPushButton *>(QStringLiteral("Command5"))->click(); // "&Extraire"
    });
    trigger("unzipallfiles");
    EXPECT_EQ(ReadFile(path("out/a.txt")), std::string(1000, 'a'));
    EXPECT_EQ(ReadFile(path("out/d/a.txt")), "inner");
    EXPECT_EQ(ReadFile(path("out/c.txt")), "");
    EXPECT_TRUE(prompts->messages().empty()) << prompts->messages()[0].text.toStdString();
    EXPECT_EQ(names(path("dl")), std::set<std::string>{"three.run"});

    trigger("closefile");
    EXPECT_TRUE(decodedFolders().empty());
    EXPECT_EQ(states(), kNone);
}

TEST_F(OpenProgramTest, DroppedItListsAsItsArchiveAndAnotherArchiveTakesItsPlace) {
    const std::string exe = program();
    start(q(path("three.zip")));
    const std::vector<QString> archiveRows = rows();
    ASSERT_EQ(archiveRows.size(), 3u);

    ASSERT_TRUE(drop(q(exe)));
    EXPECT_EQ(rows(), archiveRows);
    EXPECT_EQ(Module1::Shared().CurrentArchive, q(exe));
    EXPECT_EQ(panel(1), kReadOnly);
    EXPECT_EQ(states(), kReadOnlyStates);
    EXPECT_EQ(decodedFolders().size(), 1u);

    openThroughTheMenu(path("three.zip"));
    EXPECT_EQ(rows(), archiveRows);
    EXPECT_EQ(panel(1), QString());
    EXPECT_EQ(states(), kArchive);
    EXPECT_TRUE(decodedFolders().empty());
}

TEST_F(OpenProgramTest, AProgramCutShortIsSaidAndTheWindowKeepsItsArchive) {
    const std::string exe = program();
    start(q(path("three.zip")));
    const QString title = Forms::Unzip().windowTitle();
    const std::vector<QString> before = rows();

    const std::string bytes = ReadFile(exe);
    WriteFile(path("dl/cut.run"), bytes.substr(0, bytes.size() - 10));
    openThroughTheMenu(path("dl/cut.run"));
    EXPECT_EQ(panel(1), QStringLiteral("Le programme auto-extractible « ") + q(path("dl/cut.run")) +
                            QStringLiteral(" » ne peut pas être lu : Pas de données trouvées dans "
                                           "ce fichier !"));
    EXPECT_EQ(Forms::Unzip().windowTitle(), title);
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(states(), kArchive);
    EXPECT_EQ(Module1::Shared().CurrentArchive, q(path("three.zip")));
    EXPECT_EQ(Forms::Unzip().VFunzip1.ArchivePath, path("three.zip"));
    EXPECT_TRUE(decodedFolders().empty());
}

} // namespace
