#include "Settings.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

using Module1::SharedState;

namespace {

class SettingsTest : public ziptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        Module1::Shared() = SharedState{};
        Module1::Shared().AppFolder = QString::fromStdString(root.string());
    }
    std::string cfg() const { return path("Mivo-Zip.cfg"); }
    std::string colours() const { return path("MIVOZIPCouleurs.cfg"); }
};

TEST_F(SettingsTest, OptionsFileBytesRoundTripWithCommasAndAccents) {
    SharedState s;
    s.ConfirmOverwriteOption = 1;
    s.NoPathNamesOption = 1;
    s.LastAddFolder = QStringLiteral("/home/zoé/a, b");
    s.ExtractFolder = QStringLiteral("/tmp/x \"y\"");
    ASSERT_TRUE(Settings::SaveOptions(s));
    EXPECT_EQ(ziptest::ReadFile(cfg()),
              "1,0,0,0,1,0\r\n\"/home/zoé/a, b\"\r\n\"/tmp/x \"\"y\"\"\"\r\n");
    SharedState back;
    ASSERT_TRUE(Settings::LoadOptions(back));
    EXPECT_EQ(back.ConfirmOverwriteOption, 1);
    EXPECT_EQ(back.NoPathNamesOption, 1);
    EXPECT_EQ(back.SkipOlderOption, 0);
    EXPECT_EQ(back.LastAddFolder, s.LastAddFolder);
    EXPECT_EQ(back.ExtractFolder, s.ExtractFolder);
}

TEST_F(SettingsTest, ColoursFileHasLeadingBlanksAndTheSystemTextColour) {
    SharedState s;
    Settings::LoadColours(s); // no file: the defaults
    EXPECT_EQ(s.FolderListBackColor, 0xFFFFFFu);
    EXPECT_EQ(s.FileListTextColor, 0x80000008u);
    ASSERT_TRUE(Settings::SaveColours(s));
    EXPECT_EQ(ziptest::ReadFile(colours()), " 16777215  16777215 -2147483640 \r\n");
    SharedState back;
    Settings::LoadColours(back);
    EXPECT_EQ(back.FileListTextColor, 0x80000008u);
}

struct DamagedRow {
    const char *name;
    const char *options;
    short first, second, sixth;
    const char *addFolder;
};

void PrintTo(const DamagedRow &row, std::ostream *os) {
    *os << row.name;
}

class DamagedOptions : public SettingsTest, public ::testing::WithParamInterface<DamagedRow> {};

TEST_P(DamagedOptions, AreReadAsFarAsPossible) {
    ziptest::WriteFile(cfg(), GetParam().options);
    SharedState s;
    s.EncryptOption = 7;
    ASSERT_TRUE(Settings::LoadOptions(s));
    EXPECT_EQ(s.ConfirmOverwriteOption, GetParam().first);
    EXPECT_EQ(s.SkipOlderOption, GetParam().second);
    EXPECT_EQ(s.EncryptOption, GetParam().sixth);
    EXPECT_EQ(s.LastAddFolder, QString::fromUtf8(GetParam().addFolder));
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedOptions,
    ::testing::Values(DamagedRow{"Empty", "", 0, 0, 0, ""},
                      DamagedRow{"TooFewNumbers", "1,1\r\n", 1, 1, 0, ""},
                      DamagedRow{"TextForANumber", "1,abc,0,0,0,1\r\n\"/x\"\r\n", 1, 0, 1, "/x"},
                      DamagedRow{"UnixLineEnds", "0,1,0,0,0,1\n\"/a\"\n\"/b\"\n", 0, 1, 1, "/a"},
                      DamagedRow{"UnclosedQuote", "1,0,0,0,0,0\r\n\"/never closed", 1, 0, 0,
                                 "/never closed"},
                      DamagedRow{"Binary", "\x01\x02\xff\xfe", 0, 0, 0, ""}),
    [](const auto &info) { return info.param.name; });

TEST_F(SettingsTest, DamagedColoursKeepTheDefaultsForWhatCannotBeRead) {
    // The numbers after an unreadable one keep their defaults too.
    ziptest::WriteFile(colours(), " 255 zzz 65280");
    SharedState s;
    Settings::LoadColours(s);
    EXPECT_EQ(s.FolderListBackColor, 255u);
    EXPECT_EQ(s.FileListBackColor, 0xFFFFFFu);
    EXPECT_EQ(s.FileListTextColor, 0x80000008u);
}

TEST_F(SettingsTest, InstalledOrReadOnlyProgramFolderMovesTheFilesToTheUserConfiguration) {
    // The test main points XDG_CONFIG_HOME at a private folder.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_FALSE(config.isEmpty());
    // A folder that cannot be written; /usr/bin, which root can write (the tests run as root in
    // CI) but where an installed copy must never leave its settings; the same through a link.
    for (const char *folder : {"/nonexistent-mivo-folder", "/usr/bin", "/bin", "/usr/local/bin/"}) {
        SCOPED_TRACE(folder);
        Module1::Shared().AppFolder = QString::fromLatin1(folder);
        EXPECT_EQ(Settings::OptionsPath(), config + QStringLiteral("/Mivo-ZIP/Mivo-Zip.cfg"));
        EXPECT_EQ(Settings::ColoursPath(),
                  config + QStringLiteral("/Mivo-ZIP/MIVOZIPCouleurs.cfg"));
    }
    // A copy in a folder of the user's (a build tree) keeps its settings beside it.
    Module1::Shared().AppFolder = QString::fromStdString(root.string());
    EXPECT_EQ(Settings::OptionsPath(), QString::fromStdString(path("Mivo-Zip.cfg")));
}

} // namespace
