#include "RichsoftVBZip.h"
#include "ZipTestUtil.h"

#include <ctime>

#include <gtest/gtest.h>

using namespace zipcomponent;
using namespace ziptest;

namespace {

class RichsoftVBZipTest : public TempDirTest {};

TEST_F(RichsoftVBZipTest, ListsEntriesByPositionWithTheirDateText) {
    // 31 December 2020, 23:58:46 local: a day that is not its month, an even second (DOS time).
    std::tm when{};
    when.tm_year = 120;
    when.tm_mon = 11;
    when.tm_mday = 31;
    when.tm_hour = 23;
    when.tm_min = 58;
    when.tm_sec = 46;
    when.tm_isdst = -1;
    WriteFile(path("src/a.txt"), std::string(1000, 'a'), std::mktime(&when));
    WriteFile(path("src/d/a.txt"), "other a");
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -qr ../s.zip a.txt d"), 0);
    RichsoftVBZip vb;
    int updates = 0;
    vb.OnArchiveUpdate = [&] { ++updates; };
    vb.ArchiveFile(path("s.zip"));
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(vb.ArchiveFile(), path("s.zip"));
    ASSERT_EQ(vb.EntryCount(), 2); // the folder entry d/ is left out
    const auto first = vb.EntryAt(1);
    EXPECT_EQ(first.FullName, "a.txt");
    EXPECT_EQ(first.UnpackedSize, 1000);
    EXPECT_LT(first.PackedSize, 100);
    EXPECT_EQ(first.DateTime, "31/12/2020 23:58:46");
    EXPECT_EQ(vb.EntryAt(2).FullName, "d/a.txt");
    EXPECT_EQ(vb.EntryFileOf("d/a.txt"), "a.txt");
    EXPECT_EQ(vb.EntryFolderOf("d/a.txt"), "d");
    EXPECT_THROW(vb.EntryAt(3), ZipError);
}

TEST_F(RichsoftVBZipTest, ExtractSelectedKeepsFoldersSoSameNamesNeverCollide) {
    MakeRawArchive(path("s.zip"), {{"a.txt", "top"},
                                   {"d/a.txt", "inner"},
                                   {"b.txt", "bee"},
                                   {"../up/a.txt", "escape"},
                                   {"../../a.txt", "escape"}});
    RichsoftVBZip vb;
    vb.ArchiveFile(path("s.zip"));
    try {
        vb.ExtractSelected(path("out"), {"a.txt"}, false, false, 0);
        FAIL() << "the climbing entries were extracted";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(),
                  "2 fichiers n'ont pas pu être extraits : « ../up/a.txt », « ../../a.txt ». "
                  "« ../up/a.txt » sortirait du dossier de destination : l'entrée n'est pas "
                  "extraite.");
    }
    EXPECT_EQ(ReadFile(path("out/a.txt")), "top");
    EXPECT_EQ(ReadFile(path("out/d/a.txt")), "inner");
    EXPECT_FALSE(fs::exists(path("out/b.txt")));
    EXPECT_FALSE(fs::exists(path("up")));
}

TEST_F(RichsoftVBZipTest, DamagedArchiveFailsToOpen) {
    WriteFile(path("bad.zip"), "PK\x03\x04 not really");
    RichsoftVBZip vb;
    EXPECT_THROW(vb.ArchiveFile(path("bad.zip")), ZipError);
}

// The right password on damaged data: the entry fails once, without asking again and again.
TEST_F(RichsoftVBZipTest, DamagedDataUnderTheRightPasswordFailsWithoutAskingAgain) {
    std::string data(60000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteFile(path("src/d.bin"), data);
    ASSERT_EQ(Shell("cd " + Quote(path("src")) +
                    " && 7z a -tzip -psecret -mem=AES256 -mx0 ../s.zip d.bin >/dev/null"),
              0);
    std::string bytes = ReadFile(path("s.zip"));
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x40);
    WriteFile(path("s.zip"), bytes);
    RichsoftVBZip vb;
    vb.ArchiveFile(path("s.zip"));
    std::vector<std::string> refusals;
    vb.PasswordQuestion = [&](const std::string &, const std::string &refused) {
        refusals.push_back(refused);
        return std::optional<std::string>("secret");
    };
    try {
        vb.ExtractSelected(path("out"), {"d.bin"}, false, false, 0);
        FAIL() << "damaged data extracted";
    } catch (const Cancelled &) {
        FAIL() << "taken for a declined password";
    } catch (const ZipError &) {
    }
    EXPECT_EQ(refusals, std::vector<std::string>{""});
    EXPECT_TRUE(fs::is_empty(path("out")));
}

} // namespace
