// What opening, creating and closing an archive leave in the window, failures included: an
// archive that cannot be listed never leaves the window half-changed.
#include "UnzipFixture.h"

#include "ArchiveSession.h"
#include "EntryListModel.h"

#include <QCheckBox>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class OpenArchiveTest : public UnzipFixture {
protected:
    // Everything the window shows of its archive, to compare before and after.
    struct Shown {
        QString title, panel2, panel3, current, currentTitle, readerPath;
        std::string states;
        std::vector<QString> rows;
        bool operator==(const Shown &) const = default;
    };
    Shown shown() {
        Unzip &w = Forms::Unzip();
        return {w.windowTitle(),
                panel(2),
                panel(3),
                Module1::Shared().CurrentArchive,
                Module1::Shared().CurrentArchiveTitle,
                QString::fromStdString(w.VFunzip1.ArchivePath),
                states(),
                rows()};
    }
    void openThroughTheMenu(const std::string &file) {
        prompts->openAnswers.push_back(q(file));
        trigger("open");
    }
};

struct Unlistable {
    const char *name;
    void (*make)(const std::string &path);
    const char *reason; // panel 1, after the path
};

class FailedOpen : public OpenArchiveTest, public ::testing::WithParamInterface<Unlistable> {};

TEST_P(FailedOpen, LeavesThePreviousArchiveShownWithTheReasonInPanelOne) {
    const std::string archive = makeArchive();
    start(q(archive));
    const Shown before = shown();
    ASSERT_EQ(before.rows.size(), 3u);

    const std::string target = path("target.zip");
    GetParam().make(target);
    openThroughTheMenu(target);

    EXPECT_EQ(shown(), before);
    EXPECT_TRUE(panel(1).contains(QString::fromUtf8(GetParam().reason))) << panel(1).toStdString();
    EXPECT_TRUE(prompts->messages().empty()); // Open stays quiet
}

TEST_P(FailedOpen, LeavesNoArchiveWhenThereWasNone) {
    start();
    const Shown before = shown();
    const std::string target = path("target.zip");
    GetParam().make(target);
    openThroughTheMenu(target);
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(states(), kNone);
    EXPECT_FALSE(panel(1).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedOpen,
    ::testing::Values(
        Unlistable{"Missing", [](const std::string &) {}, "est introuvable"},
        Unlistable{"Folder", [](const std::string &p) { std::filesystem::create_directory(p); },
                   "n'est pas une archive ZIP"},
        Unlistable{"Damaged",
                   [](const std::string &p) { WriteFile(p, "not a zip archive, only text"); },
                   "n'est pas une archive ZIP"}),
    [](const auto &info) { return info.param.name; });

TEST_F(OpenArchiveTest, AFailedStartUpArchiveLeavesNoArchiveAndSaysWhyOnce) {
    start(q(path("missing.zip")));
    EXPECT_EQ(Forms::Unzip().windowTitle(), QStringLiteral("Mivo-Zip Version 1.3"));
    EXPECT_EQ(states(), kNone);
    EXPECT_EQ(Module1::Shared().CurrentArchive, QString());
    EXPECT_EQ(Forms::VFzip1().ZipFileName, std::string());
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].text,
              "L'archive « " + q(path("missing.zip")) + " » est introuvable.");
}

// Brackets, wildcards and a leading dot are plain characters of the chosen name: the file of
// that very name is replaced, never listed.
class NewOnAName : public OpenArchiveTest, public ::testing::WithParamInterface<const char *> {};

TEST_P(NewOnAName, ReplacesTheExistingFileOfThatExactName) {
    const std::string existing = makeArchive(GetParam());
    WriteFile(path("a1.zip"), "a bystander the pattern would match");
    start();
    prompts->saveAnswers.push_back(q(existing));
    trigger("Mnu_Nouveau");
    EXPECT_FALSE(std::filesystem::exists(existing));
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(states(), kNew);
    EXPECT_EQ(panel(3), QStringLiteral("0 Fichiers "));
    EXPECT_EQ(ReadFile(path("a1.zip")), "a bystander the pattern would match");
}

INSTANTIATE_TEST_SUITE_P(Names, NewOnAName,
                         ::testing::Values("a[1].zip", "a?.zip", "a*.zip", ".hidden.zip"));

TEST_F(OpenArchiveTest, NewAsksForTheZipSuffix) {
    start();
    trigger("Mnu_Nouveau");
    ASSERT_EQ(prompts->saveSuffixes.size(), 1u);
    EXPECT_EQ(prompts->saveSuffixes[0], QStringLiteral("zip"));
}

TEST_F(OpenArchiveTest, ReloadAfterAChangeShowsTheArchiveAsChanged) {
    const std::string archive = makeArchive();
    start(q(archive));
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) + " && zip -q -d " +
                             ziptest::Quote(archive) + " c.txt"),
              0);
    ASSERT_TRUE(Forms::Archive().reload());
    EXPECT_EQ(rows().size(), 2u);
    EXPECT_EQ(states(), "1101110"); // archive state after adding or removing
    EXPECT_EQ(panel(3), QStringLiteral(" 2 Fichiers "));

    // The last entries gone: the commands of a new archive.
    ASSERT_EQ(ziptest::Shell("zip -q -d " + ziptest::Quote(archive) + " a.txt d/a.txt"), 0);
    ASSERT_TRUE(Forms::Archive().reload());
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(states(), kNew);
    EXPECT_EQ(panel(3), QStringLiteral(" 0 Fichiers "));

    // Gone from the disk: nothing to list, the list stays as it was.
    std::filesystem::remove(archive);
    EXPECT_FALSE(Forms::Archive().reload());
    EXPECT_EQ(states(), kNew);
}

TEST_F(OpenArchiveTest, ACancelledOpenStillEnablesExtraction) {
    start();
    trigger("open");
    EXPECT_EQ(states(), "1000000");
}

} // namespace
