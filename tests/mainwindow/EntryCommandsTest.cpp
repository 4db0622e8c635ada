// Extraction and removal on the open archive, without the dialogs: real archives from `zip`,
// the window's list and session behind them, each failure reported once.
#include "UnzipFixture.h"

#include "EntryCommands.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class EntryCommandsTest : public UnzipFixture {
protected:
    EntryCommands &commands() {
        if (!commands_) {
            Unzip &w = Forms::Unzip();
            commands_ = std::make_unique<EntryCommands>(
                w.VFunzip1, [] { return std::ref(Forms::VFzip1()); }, w.session());
            commands_->failed = [this](const QString &text) { failures.push_back(text); };
        }
        return *commands_;
    }
    EntryCommands::Extraction into(const std::string &folder) {
        EntryCommands::Extraction e;
        e.folder = q(path(folder));
        return e;
    }

    std::unique_ptr<EntryCommands> commands_;
    std::vector<QString> failures;
};

TEST_F(EntryCommandsTest, ExtractsEveryEntryKeepingItsFolder) {
    start(q(makeArchive()));
    ASSERT_TRUE(commands().extract(into("out")));
    EXPECT_EQ(ReadFile(path("out/a.txt")), std::string(1000, 'a'));
    EXPECT_EQ(ReadFile(path("out/d/a.txt")), "inner");
    EXPECT_TRUE(fs::exists(path("out/c.txt")));
    EXPECT_TRUE(failures.empty());
}

TEST_F(EntryCommandsTest, ExtractsOnlyTheSelectedOfTwoSameNamedEntries) {
    start(q(makeArchive()));
    EntryCommands::Extraction e = into("out");
    e.all = false;
    e.selectedRows = {QStringLiteral("d/a.txt")};
    ASSERT_TRUE(commands().extract(e));
    EXPECT_EQ(ReadFile(path("out/d/a.txt")), "inner");
    EXPECT_FALSE(fs::exists(path("out/a.txt")));
    EXPECT_EQ(Module1::Shared().CurrentEntry, QStringLiteral("d/a.txt"));
}

TEST_F(EntryCommandsTest, OverwriteOptionsReachTheReaderEvenWithoutAFolder) {
    start(q(makeArchive()));
    EntryCommands::Extraction e;
    e.confirmOverwrite = 1;
    e.skipOlderFiles = 1;
    e.alwaysOverwrite = 0;
    EXPECT_FALSE(commands().extract(e));
    const Unzip &w = Forms::Unzip();
    EXPECT_EQ(w.VFunzip1.ConfirmOverwrite, 1);
    EXPECT_EQ(w.VFunzip1.SkipOlderFiles, 1);
    EXPECT_EQ(w.VFunzip1.AlwaysOverwrite, 0);
    EXPECT_TRUE(failures.empty());
}

TEST_F(EntryCommandsTest, ExtractionWithNoArchiveOpenSaysSoOnce) {
    start();
    trigger("open"); // cancelled: extraction enabled, no archive
    EXPECT_FALSE(commands().extract(into("out")));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0],
              QStringLiteral("Aucune archive n'est ouverte : ouvrez d'abord une archive."));
    EXPECT_FALSE(fs::exists(path("out")));
}

TEST_F(EntryCommandsTest, AFailingSelectedEntryDoesNotStopTheOthersAndIsReportedOnce) {
    start(q(makeArchive()));
    EntryCommands::Extraction e = into("out");
    e.all = false;
    e.selectedRows = {QStringLiteral("c.txt"), QStringLiteral("gone.txt"), QStringLiteral("a.txt"),
                      QStringLiteral("lost.txt")};
    EXPECT_FALSE(commands().extract(e));
    EXPECT_TRUE(fs::exists(path("out/c.txt")));
    EXPECT_TRUE(fs::exists(path("out/a.txt")));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].toStdString(),
              "2 fichiers n'ont pas pu être extraits : « gone.txt », « lost.txt ». L'entrée "
              "« gone.txt » est introuvable dans l'archive.");
}

// The box names twenty failing entries and counts the others, so that it fits on the screen.
TEST_F(EntryCommandsTest, TestNamesTwentyFailingEntriesAndCountsTheRest) {
    std::vector<ziptest::RawEntry> entries;
    for (int i = 10; i < 35; ++i)
        entries.push_back(
            {"e" + std::to_string(i), "intact data " + std::to_string(i), false, true});
    ziptest::MakeRawArchive(path("bad.zip"), entries);
    ASSERT_EQ(ziptest::PatchBytes(path("bad.zip"), "intact", "broken"), 25);
    start(q(path("bad.zip")));
    const auto outcome = commands().test();
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->clean);
    const QStringList lines = outcome->text.split(u'\r');
    ASSERT_EQ(lines.size(), 22);
    EXPECT_EQ(lines[0], QStringLiteral("25 fichier(s) en erreur sur 25 :"));
    EXPECT_EQ(lines[20],
              QStringLiteral("« e29 » : Les données de « e29 » sont endommagées (erreur CRC)."));
    EXPECT_EQ(lines[21], QStringLiteral("… et 5 autre(s)."));
    EXPECT_TRUE(failures.empty());
}

TEST_F(EntryCommandsTest, RemovesOnlyTheChosenOfTwoSameNamedEntriesAndRelists) {
    const std::string archive = makeArchive();
    start(q(archive));
    ASSERT_TRUE(commands().remove({QStringLiteral("d/a.txt")}));
    EXPECT_EQ(ziptest::Shell("unzip -l " + ziptest::Quote(archive) + " | grep -q ' d/a.txt$'"), 1);
    EXPECT_EQ(ziptest::Shell("unzip -l " + ziptest::Quote(archive) + " | grep -q ' a.txt$'"), 0);
    EXPECT_EQ(rows().size(), 2u);
    EXPECT_EQ(states(), "1101110");
    EXPECT_EQ(panel(3), QStringLiteral(" 2 Fichiers "));
}

TEST_F(EntryCommandsTest, RemovingEveryEntryLeavesAnEmptyArchiveAndTheNewArchiveCommands) {
    const std::string archive = makeArchive();
    start(q(archive));
    ASSERT_TRUE(commands().remove(
        {QStringLiteral("a.txt"), QStringLiteral("d/a.txt"), QStringLiteral("c.txt")}));
    EXPECT_EQ(ReadFile(archive), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(states(), kNew);
    EXPECT_EQ(panel(2), QStringLiteral("three.zip :  22 Octets "));
    EXPECT_EQ(panel(3), QStringLiteral(" 0 Fichiers "));
}

TEST_F(EntryCommandsTest, AFailedRemovalLeavesTheArchiveAsItWasAndSaysWhyOnce) {
    const std::string archive = makeArchive();
    start(q(archive));
    const std::string before = ReadFile(archive);
    EXPECT_FALSE(commands().remove({QStringLiteral("c.txt"), QStringLiteral("nope.txt")}));
    EXPECT_EQ(ReadFile(archive), before);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], QStringLiteral("L'entrée « nope.txt » est introuvable dans l'archive."));
    EXPECT_EQ(rows().size(), 3u); // listed again from the disk
}

TEST_F(EntryCommandsTest, RemovingNothingStillRelists) {
    start(q(makeArchive()));
    EXPECT_TRUE(commands().remove({}));
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_EQ(states(), "1101110");
}

} // namespace
