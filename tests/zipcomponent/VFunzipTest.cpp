// The reader against archives made by Info-ZIP zip, 7-Zip and by hand.
#include "VFunzip.h"
#include "ArchiveReader.h"
#include "VFzip.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sys/stat.h>

using namespace zipcomponent;
using namespace ziptest;

namespace {

struct Row {
    std::int64_t total, packed, factor;
    int month, day, year, hour, minute;
    std::string file, path, method;
    int crypt;
};

// A reader whose events are recorded.
struct Recorder {
    VFunzip unzip;
    std::vector<Row> rows;
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
    std::vector<std::string> messages;

    Recorder() {
        unzip.FileInfo = [this](std::int64_t total, std::int64_t packed, std::int64_t factor,
                                int month, int day, int year, int hour, int minute,
                                const std::string &file, const std::string &path,
                                const std::string &method, std::uint32_t, int crypt) {
            rows.push_back(
                {total, packed, factor, month, day, year, hour, minute, file, path, method, crypt});
        };
        unzip.Progress = [this](std::int64_t w, std::int64_t o, const std::string &) {
            progress.emplace_back(w, o);
        };
        unzip.DisplayMessage = [this](const std::string &m) { messages.push_back(m); };
    }
};

std::time_t LocalDate(int year, int month, int day, int hour, int minute) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

class VFunzipTest : public TempDirTest {
protected:
    // src/ holds a.txt, docs/a.txt (same name, other folder), docs/big.bin (3 MiB) and Élève.txt.
    std::string makeInfoZipArchive() {
        WriteFile(path("src/a.txt"), std::string(1000, 'a'), LocalDate(2023, 4, 5, 6, 7));
        WriteFile(path("src/docs/a.txt"), "second a", LocalDate(2020, 12, 31, 23, 58));
        std::string big(3 << 20, '\0');
        for (std::size_t i = 0; i < big.size(); ++i)
            big[i] = static_cast<char>((i * 7919) >> 5);
        WriteFile(path("src/docs/big.bin"), big);
        WriteFile(path("src/Élève.txt"), "accent");
        EXPECT_EQ(
            Shell("cd " + Quote(path("src")) + " && zip -qr ../info.zip a.txt docs Élève.txt"), 0);
        return path("info.zip");
    }
};

TEST_F(VFunzipTest, ListsEveryFileEntryOfAnInfoZipArchive) {
    Recorder r;
    r.unzip.ArchivePath = makeInfoZipArchive();
    r.unzip.ListEntries();
    ASSERT_EQ(r.rows.size(), 4u); // the folder entry docs/ is not a row
    const Row &a = r.rows[0];
    EXPECT_EQ(a.file, "a.txt");
    EXPECT_EQ(a.path, "");
    EXPECT_EQ(a.total, 1000);
    // 1000 bytes: each packed byte costs a tenth of a percent.
    EXPECT_EQ(a.factor, 100 - (a.packed + 5) / 10);
    EXPECT_GT(a.factor, 90);
    EXPECT_EQ(a.method, "Deflated");
    EXPECT_EQ(std::tie(a.day, a.month, a.year, a.hour, a.minute),
              std::make_tuple(5, 4, 2023, 6, 7));
    EXPECT_EQ(r.rows[1].file, "a.txt");
    EXPECT_EQ(r.rows[1].path, "docs");
    EXPECT_EQ(std::tie(r.rows[1].day, r.rows[1].month, r.rows[1].year),
              std::make_tuple(31, 12, 2020));
    EXPECT_EQ(r.rows[3].file, "Élève.txt");
    EXPECT_EQ(r.rows[3].crypt, 0);
}

TEST_F(VFunzipTest, SavingIsRoundedAndZeroForEmptyEntries) {
    EXPECT_EQ(VFunzip::SavingPercent(0, 0), 0);
    EXPECT_EQ(VFunzip::SavingPercent(1000, 250), 75);
    EXPECT_EQ(VFunzip::SavingPercent(3, 5), -67);
    EXPECT_EQ(VFunzip::SavingPercent(1, 1000), -99900); // far below what 16 bits hold
}

TEST_F(VFunzipTest, MissingArchiveListsNothingAndRaisesNothing) {
    Recorder r;
    r.unzip.ArchivePath = path("nothing-here.zip");
    EXPECT_NO_THROW(r.unzip.ListEntries());
    EXPECT_TRUE(r.rows.empty());
}

TEST_F(VFunzipTest, DamagedArchivesFailWithAFrenchReasonAndTheReaderStaysUsable) {
    const std::string good = makeInfoZipArchive();
    const std::string bytes = ReadFile(good);
    WriteFile(path("truncated.zip"), bytes.substr(0, bytes.size() / 2));
    WriteFile(path("garbage.zip"), std::string(5000, 'G'));
    WriteFile(path("empty.zip"), "");
    for (const char *name : {"truncated.zip", "garbage.zip", "empty.zip"}) {
        Recorder r;
        r.unzip.ArchivePath = path(name);
        EXPECT_THROW(r.unzip.ListEntries(), ZipError) << name;
        ASSERT_FALSE(r.messages.empty()) << name;
        EXPECT_NE(r.messages.back().find("archive"), std::string::npos) << r.messages.back();
        EXPECT_TRUE(r.rows.empty());
        r.unzip.ArchivePath = good;
        r.unzip.ListEntries();
        EXPECT_EQ(r.rows.size(), 4u);
    }
}

TEST_F(VFunzipTest, ExtractAllKeepsFoldersContentAndDates) {
    Recorder r;
    r.unzip.ArchivePath = makeInfoZipArchive();
    r.unzip.DestinationFolder = path("out/new/folder");
    r.unzip.ExtractAll();
    for (const char *f : {"a.txt", "docs/a.txt", "docs/big.bin", "Élève.txt"})
        EXPECT_EQ(ReadFile(path(std::string("out/new/folder/") + f)),
                  ReadFile(path(std::string("src/") + f)))
            << f;
    EXPECT_EQ(MTime(path("out/new/folder/a.txt")), LocalDate(2023, 4, 5, 6, 7));
    // No temporary file is left behind.
    for (const auto &e : fs::recursive_directory_iterator(path("out")))
        EXPECT_EQ(e.path().filename().string().rfind(".mivo-", 0), std::string::npos);
}

TEST_F(VFunzipTest, ExtractEntryTellsSameNamedEntriesApart) {
    Recorder r;
    r.unzip.ArchivePath = makeInfoZipArchive();
    r.unzip.DestinationFolder = path("out");
    r.unzip.ExtractEntry("docs/a.txt");
    EXPECT_EQ(ReadFile(path("out/docs/a.txt")), "second a");
    EXPECT_FALSE(fs::exists(path("out/a.txt")));
    EXPECT_THROW(r.unzip.ExtractEntry("docs/missing.txt"), ZipError);
}

TEST_F(VFunzipTest, ProgressStartsAtZeroGrowsEveryMebibyteAndEndsAtTheSize) {
    Recorder r;
    r.unzip.ArchivePath = makeInfoZipArchive();
    r.unzip.DestinationFolder = path("out");
    r.unzip.ExtractEntry("docs/big.bin");
    const std::int64_t size = 3 << 20;
    ASSERT_GE(r.progress.size(), 4u);
    EXPECT_EQ(r.progress.front(), std::make_pair(std::int64_t{0}, size));
    EXPECT_EQ(r.progress.back(), std::make_pair(size, size));
    for (std::size_t i = 1; i < r.progress.size(); ++i) {
        EXPECT_GT(r.progress[i].first, r.progress[i - 1].first);
        EXPECT_LE(r.progress[i].first - r.progress[i - 1].first, (1 << 20) + (1 << 18));
        EXPECT_EQ(r.progress[i].second, size);
    }
}

struct OverwriteRow {
    const char *name;
    short always, skipOlder, confirm;
    bool existingIsNewer;
    bool answer; // to the confirmation question
    bool replaced;
    bool asked;
};

void PrintTo(const OverwriteRow &row, std::ostream *os) {
    *os << row.name;
}

class OverwriteRules : public TempDirTest, public ::testing::WithParamInterface<OverwriteRow> {};

TEST_P(OverwriteRules, DecideWhetherAnExistingFileIsReplaced) {
    const OverwriteRow &row = GetParam();
    const std::time_t entryTime = LocalDate(2022, 6, 1, 12, 0);
    WriteFile(path("src/f.txt"), "from the archive", entryTime);
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -q ../a.zip f.txt"), 0);
    WriteFile(path("out/f.txt"), "already here",
              entryTime + (row.existingIsNewer ? 86400 : -86400));

    Recorder r;
    bool asked = false;
    r.unzip.ConfirmReplace = [&](const std::string &target) {
        asked = true;
        EXPECT_EQ(target, path("out/f.txt"));
        return row.answer;
    };
    r.unzip.ArchivePath = path("a.zip");
    r.unzip.DestinationFolder = path("out");
    r.unzip.AlwaysOverwrite = row.always;
    r.unzip.SkipOlderFiles = row.skipOlder;
    r.unzip.ConfirmOverwrite = row.confirm;
    r.unzip.ExtractAll();
    EXPECT_EQ(ReadFile(path("out/f.txt")), row.replaced ? "from the archive" : "already here");
    EXPECT_EQ(asked, row.asked);
    if (!row.replaced) {
        EXPECT_FALSE(r.messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, OverwriteRules,
    ::testing::Values(OverwriteRow{"AlwaysReplacesEvenNewer", 1, 1, 1, true, false, true, false},
                      OverwriteRow{"SkipOlderKeepsNewer", 0, 1, 1, true, true, false, false},
                      OverwriteRow{"SkipOlderReplacesOlder", 0, 1, 0, false, false, true, false},
                      OverwriteRow{"ConfirmYes", 0, 0, 1, false, true, true, true},
                      OverwriteRow{"ConfirmNo", 0, 0, 1, false, false, false, true},
                      OverwriteRow{"NothingSetKeeps", 0, 0, 0, false, true, false, false}),
    [](const auto &info) { return info.param.name; });

TEST_F(VFunzipTest, HostileEntriesNeverWriteOutsideTheDestination) {
    MakeRawArchive(path("evil.zip"), {{"../escaped.txt", "x"},
                                      {"/abs.txt", "absolute"},
                                      {"sub/../../escaped2.txt", "x"},
                                      {"link", "/tmp", true},
                                      {"link/through.txt", "x"},
                                      {"C:\\win.txt", "drive"},
                                      {"fine.txt", "fine"}});
    Recorder r;
    r.unzip.ArchivePath = path("evil.zip");
    r.unzip.DestinationFolder = path("out");
    EXPECT_THROW(r.unzip.ExtractAll(), ZipError);
    EXPECT_EQ(ReadFile(path("out/fine.txt")), "fine");
    EXPECT_EQ(ReadFile(path("out/abs.txt")), "absolute");
    EXPECT_EQ(ReadFile(path("out/win.txt")), "drive");
    EXPECT_FALSE(fs::exists(path("escaped.txt")));
    EXPECT_FALSE(fs::exists(path("escaped2.txt")));
    EXPECT_FALSE(fs::is_symlink(path("out/link")));
    EXPECT_FALSE(fs::exists("/tmp/through.txt"));
}

TEST_F(VFunzipTest, NeverWritesThroughALinkAlreadyInTheDestination) {
    MakeRawArchive(path("a.zip"), {{"dir/f.txt", "data"}, {"g.txt", "new"}});
    fs::create_directories(path("elsewhere"));
    fs::create_directories(path("out"));
    fs::create_directory_symlink(path("elsewhere"), path("out/dir"));
    WriteFile(path("elsewhere/g.txt"), "precious");
    fs::create_symlink(path("elsewhere/g.txt"), path("out/g.txt"));
    Recorder r;
    r.unzip.ArchivePath = path("a.zip");
    r.unzip.DestinationFolder = path("out");
    r.unzip.AlwaysOverwrite = 1;
    EXPECT_THROW(r.unzip.ExtractAll(), ZipError);
    EXPECT_FALSE(fs::exists(path("elsewhere/f.txt")));
    // The link named like the entry is replaced by the file, its target untouched.
    EXPECT_EQ(ReadFile(path("elsewhere/g.txt")), "precious");
    EXPECT_FALSE(fs::is_symlink(path("out/g.txt")));
    EXPECT_EQ(ReadFile(path("out/g.txt")), "new");
}

TEST_F(VFunzipTest, DamagedEntryFailsAndLeavesNoPartialFile) {
    const std::string data(100000, 'q');
    MakeRawArchive(path("a.zip"), {{"f.txt", data, false, true}, {"ok.txt", "ok"}});
    std::string bytes = ReadFile(path("a.zip"));
    const std::size_t at = bytes.find(std::string(1000, 'q'));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 50000] = 'X';
    WriteFile(path("a.zip"), bytes);
    Recorder r;
    r.unzip.ArchivePath = path("a.zip");
    r.unzip.DestinationFolder = path("out");
    try {
        r.unzip.ExtractEntry("f.txt");
        FAIL() << "damaged entry extracted";
    } catch (const ZipError &e) {
        EXPECT_NE(e.description().find("endommagées"), std::string::npos) << e.description();
    }
    EXPECT_TRUE(fs::is_empty(path("out")));
    r.unzip.ExtractEntry("ok.txt");
    EXPECT_EQ(ReadFile(path("out/ok.txt")), "ok");
}

TEST_F(VFunzipTest, ReadsCodePage850NamesOfWindowsArchives) {
    MakeRawArchive(path("a.zip"), {{"R\x90SUM\x90/\xB7 lire.txt", "x"}});
    Recorder r;
    r.unzip.ArchivePath = path("a.zip");
    r.unzip.ListEntries();
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0].path, "RÉSUMÉ");
    EXPECT_EQ(r.rows[0].file, "À lire.txt");
    r.unzip.DestinationFolder = path("out");
    r.unzip.ExtractEntry("RÉSUMÉ/À lire.txt");
    EXPECT_TRUE(fs::exists(path("out/RÉSUMÉ/À lire.txt")));
}

// libzip refuses a whole archive for one name flagged UTF-8 that is not; that name is read
// as code page 850 like any non-UTF-8 name, and the other entries stay.
TEST_F(VFunzipTest, ANameFalselyFlaggedUtf8IsReadAsCodePage850) {
    MakeRawArchive(path("a.zip"), {{"ok.txt", "ok"}, {"caf\x82\x82.txt", "cafe"}, {"z.txt", "z"}});
    SetHeaderFlags(path("a.zip"), "caf\x82\x82.txt", 0x0800);
    EXPECT_THROW(OpenZip(path("a.zip"), ZIP_RDONLY), ZipError); // what libzip makes of it
    Recorder r;
    r.unzip.ArchivePath = path("a.zip");
    r.unzip.ListEntries();
    std::vector<std::string> files;
    for (const Row &row : r.rows)
        files.push_back(row.file);
    EXPECT_EQ(files, (std::vector<std::string>{"ok.txt", "caféé.txt", "z.txt"}));
    r.unzip.DestinationFolder = path("out");
    r.unzip.ExtractAll();
    EXPECT_EQ(ReadFile(path("out/caféé.txt")), "cafe");
    EXPECT_EQ(ReadFile(path("out/z.txt")), "z");
}

// libzip 1.7.3 leaks when asked to open an entry whose encryption it lacks: such an entry is
// refused before, without a password question (the sanitizer build catches the leak).
TEST_F(VFunzipTest, AnUnknownEncryptionIsRefusedWithoutAPasswordQuestion) {
    MakeRawArchive(path("a.zip"), {{"strong.txt", "data", false, true}, {"ok.txt", "ok"}});
    SetHeaderFlags(path("a.zip"), "strong.txt", 0x0041);
    int asked = 0;
    VFunzip unzip;
    unzip.PasswordQuestion = [&](const std::string &) {
        ++asked;
        return std::optional<std::string>("secret");
    };
    unzip.ArchivePath = path("a.zip");
    unzip.DestinationFolder = path("out");
    try {
        unzip.ExtractAll();
        FAIL() << "an entry under an unknown encryption was extracted";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(), "Le chiffrement de « strong.txt » n'est pas pris en charge.");
    }
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(ReadFile(path("out/ok.txt")), "ok");
    EXPECT_FALSE(fs::exists(path("out/strong.txt")));
}

TEST_F(VFunzipTest, ReadsSevenZipArchives) {
    WriteFile(path("src/x/y.txt"), std::string(5000, 'y'));
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && 7z a -tzip ../s.zip x"), 0);
    Recorder r;
    r.unzip.ArchivePath = path("s.zip");
    r.unzip.ListEntries();
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0].path, "x");
    r.unzip.DestinationFolder = path("out");
    r.unzip.ExtractAll();
    EXPECT_EQ(ReadFile(path("out/x/y.txt")), std::string(5000, 'y'));
}

// The description of the one failure of extracting `name` from `archive`.
std::string ExtractionFailure(const std::string &archive, const std::string &name,
                              const std::string &destination) {
    VFunzip unzip;
    unzip.ArchivePath = archive;
    unzip.DestinationFolder = destination;
    try {
        unzip.ExtractEntry(name);
    } catch (const ZipError &e) {
        return e.description();
    }
    return "<extracted>";
}

TEST_F(VFunzipTest, EntryFailuresNameTheEntryNotTheArchive) {
    MakeRawArchive(path("a.zip"),
                   {{"large.txt", std::string(100, 'L'), false, true}, {"a.txt", "aaaa"}});
    const std::string bytes = ReadFile(path("a.zip"));
    // large.txt announces 200 bytes and holds 100.
    std::string wrongSize = bytes;
    const std::string sizes("\x64\0\0\0\x64\0\0\0", 8);
    // The sizes pair, in the local header and in the central directory (the dates around them
    // change with the clock, so only the pair itself is looked for).
    int pairs = 0;
    for (std::size_t at; (at = wrongSize.find(sizes)) != std::string::npos; ++pairs)
        wrongSize[at + 4] = '\xC8';
    ASSERT_EQ(pairs, 2);
    WriteFile(path("size.zip"), wrongSize);
    EXPECT_EQ(ExtractionFailure(path("size.zip"), "large.txt", path("out")),
              "L'entrée « large.txt » est endommagée (taille inattendue).");
    // The local header of a.txt announces an extra field running past the end.
    std::string badHeader = bytes;
    const std::size_t local = badHeader.find("PK\x03\x04", 4);
    ASSERT_NE(local, std::string::npos);
    badHeader[local + 28] = '\xFF';
    badHeader[local + 29] = '\xFF';
    WriteFile(path("header.zip"), badHeader);
    EXPECT_EQ(ExtractionFailure(path("header.zip"), "a.txt", path("out")),
              "L'entrée « a.txt » est endommagée.");
    EXPECT_FALSE(fs::exists(path("out/a.txt")));
}

TEST_F(VFunzipTest, AnArchiveCutShortIsDamagedNotForeign) {
    MakeRawArchive(path("a.zip"), {{"a.txt", "aaaa"}});
    const std::string bytes = ReadFile(path("a.zip"));
    WriteFile(path("cut.zip"), bytes.substr(0, bytes.size() - 5));
    WriteFile(path("text.zip"), "PK is not enough to make an archive");
    Recorder r;
    r.unzip.ArchivePath = path("cut.zip");
    EXPECT_THROW(r.unzip.ListEntries(), ZipError);
    r.unzip.ArchivePath = path("text.zip");
    EXPECT_THROW(r.unzip.ListEntries(), ZipError);
    const std::vector<std::string> expected{
        "L'archive « " + path("cut.zip") + " » est endommagée ou incomplète.",
        "« " + path("text.zip") + " » n'est pas une archive ZIP."};
    EXPECT_EQ(r.messages, expected);
}

struct DuplicateRow {
    const char *name;
    short always, skipOlder, confirm;
    bool answer;         // to the confirmation question
    const char *content; // of x after extracting both copies
    const char *message; // the last message, before the target's path
};

void PrintTo(const DuplicateRow &row, std::ostream *os) {
    *os << row.name;
}

class DuplicateEntries : public TempDirTest, public ::testing::WithParamInterface<DuplicateRow> {};

// The second of two entries of one name meets the first one's file as it would any file.
TEST_P(DuplicateEntries, TheSecondCopyFollowsTheOverwriteRules) {
    const DuplicateRow &row = GetParam();
    WriteFile(path("src/copy-A.txt"), "first copy", LocalDate(2021, 3, 4, 10, 0));
    WriteFile(path("src/copy-B.txt"), "second copy", LocalDate(2020, 12, 31, 23, 58));
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -qX ../d.zip copy-A.txt copy-B.txt"), 0);
    ASSERT_EQ(PatchBytes(path("d.zip"), "copy-B.txt", "copy-A.txt"), 2);
    Recorder r;
    int asked = 0;
    r.unzip.ConfirmReplace = [&](const std::string &) {
        ++asked;
        return row.answer;
    };
    r.unzip.ArchivePath = path("d.zip");
    r.unzip.DestinationFolder = path("out");
    r.unzip.AlwaysOverwrite = row.always;
    r.unzip.SkipOlderFiles = row.skipOlder;
    r.unzip.ConfirmOverwrite = row.confirm;
    r.unzip.ExtractAll();
    EXPECT_EQ(ReadFile(path("out/copy-A.txt")), row.content);
    EXPECT_EQ(asked, row.confirm == 1 && row.always == 0 && row.skipOlder == 0 ? 1 : 0);
    ASSERT_FALSE(r.messages.empty());
    EXPECT_EQ(r.messages.back(),
              *row.message ? row.message + path("out/copy-A.txt") : "Extraction de copy-A.txt");
}

INSTANTIATE_TEST_SUITE_P(
    Options, DuplicateEntries,
    ::testing::Values(DuplicateRow{"NothingSetKeepsTheFirst", 0, 0, 0, false, "first copy",
                                   "Fichier existant conservé : "},
                      DuplicateRow{"AlwaysTakesTheSecond", 1, 0, 0, false, "second copy", ""},
                      DuplicateRow{"SkipOlderKeepsTheNewerFirst", 0, 1, 0, false, "first copy",
                                   "Fichier plus récent conservé : "},
                      DuplicateRow{"ConfirmYesTakesTheSecond", 0, 0, 1, true, "second copy", ""},
                      DuplicateRow{"ConfirmNoKeepsTheFirst", 0, 0, 1, false, "first copy",
                                   "Fichier conservé : "}),
    [](const auto &info) { return info.param.name; });

// Sets byte `at` of the WinZip AES field (0x9901) of the entry `name`, in its local header and
// in the central directory: libzip 1.7.3 refuses a whole archive for one field it does not know.
void PatchAesField(const std::string &archive, const std::string &name, std::size_t at,
                   char value) {
    std::string bytes = ReadFile(archive);
    const auto le16 = [&](std::size_t i) {
        return static_cast<std::size_t>(static_cast<unsigned char>(bytes[i]) |
                                        static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    int patched = 0;
    for (const auto &[signature, header, lengths] :
         {std::tuple{std::string("PK\x03\x04"), 30u, 26u}, {std::string("PK\x01\x02"), 46u, 28u}})
        for (std::size_t h = bytes.find(signature); h != std::string::npos;
             h = bytes.find(signature, h + 4)) {
            const std::size_t nameLength = le16(h + lengths), extra = h + header + nameLength;
            if (bytes.compare(h + header, nameLength, name) != 0) continue;
            for (std::size_t f = extra; f + 4 <= extra + le16(h + lengths + 2);
                 f += 4 + le16(f + 2))
                if (le16(f) == 0x9901) {
                    bytes[f + 4 + at] = value;
                    ++patched;
                }
        }
    ASSERT_EQ(patched, 2) << name;
    WriteFile(archive, bytes);
}

struct UnknownAesRow {
    const char *name;
    bool sevenZip;  // else our writer
    std::size_t at; // in the field: version 0-1, vendor 2-3, strength 4
    char value;
};

void PrintTo(const UnknownAesRow &row, std::ostream *os) {
    *os << row.name;
}

class UnknownAes : public TempDirTest, public ::testing::WithParamInterface<UnknownAesRow> {};

// One AES entry of an unknown kind is refused by name; the others are listed and extracted.
TEST_P(UnknownAes, OnlyThatEntryIsRefused) {
    const UnknownAesRow &row = GetParam();
    for (const char *file : {"one.txt", "two.txt", "three.txt"})
        WriteFile(path(std::string("src/") + file), std::string("content of ") + file);
    if (row.sevenZip) {
        ASSERT_EQ(Shell("cd " + Quote(path("src")) +
                        " && 7z a -tzip -psecret -mem=AES256 ../aes.zip one.txt two.txt three.txt"),
                  0);
    } else {
        VFzip zip;
        zip.ZipFileName = path("aes.zip");
        zip.NoPathNames = 1;
        zip.Encrypt = 1;
        zip.PasswordQuestion = [] { return std::optional<std::string>("secret"); };
        for (const char *file : {"one.txt", "two.txt", "three.txt"})
            zip.AddFile(path(std::string("src/") + file));
    }
    PatchAesField(path("aes.zip"), "two.txt", row.at, row.value);

    Recorder r;
    std::vector<std::string> asked;
    r.unzip.PasswordQuestion = [&](const std::string &entry) {
        asked.push_back(entry);
        return std::optional<std::string>("secret");
    };
    r.unzip.ArchivePath = path("aes.zip");
    r.unzip.ListEntries();
    std::set<std::pair<std::string, int>> listed; // 7z stores them in its own order
    for (const Row &row : r.rows)
        listed.emplace(row.file, row.crypt);
    EXPECT_EQ(listed, (std::set<std::pair<std::string, int>>{
                          {"one.txt", 1}, {"two.txt", 1}, {"three.txt", 1}}));
    r.unzip.DestinationFolder = path("out");
    try {
        r.unzip.ExtractAll();
        FAIL() << "the unknown AES entry was extracted";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(), "Le chiffrement de « two.txt » n'est pas pris en charge.");
    }
    EXPECT_EQ(ReadFile(path("out/one.txt")), "content of one.txt");
    EXPECT_EQ(ReadFile(path("out/three.txt")), "content of three.txt");
    EXPECT_FALSE(fs::exists(path("out/two.txt")));
    EXPECT_EQ(asked, std::vector<std::string>{"one.txt"}); // once, and never for two.txt
}

INSTANTIATE_TEST_SUITE_P(Fields, UnknownAes,
                         ::testing::Values(UnknownAesRow{"SevenZipStrength9", true, 4, 9},
                                           UnknownAesRow{"OursStrength0", false, 4, 0},
                                           UnknownAesRow{"SevenZipVersion3", true, 0, 3},
                                           UnknownAesRow{"VendorOtherThanAE", true, 2, 'X'}),
                         [](const auto &info) { return info.param.name; });

struct SummaryRow {
    int failures;
    const char *others; // after the names
};

class FailureSummary : public TempDirTest, public ::testing::WithParamInterface<SummaryRow> {};

// Extract-all goes on after each failing entry and ends with one text naming them, ten at most.
TEST_P(FailureSummary, NamesTheFirstTenFailingEntries) {
    const SummaryRow &row = GetParam();
    std::vector<RawEntry> entries{{"ok.txt", "ok"}};
    std::string names;
    for (int i = 1; i <= row.failures; ++i) {
        const std::string name =
            std::string("../f") + (i < 10 ? "0" : "") + std::to_string(i) + ".txt";
        entries.push_back({name, "out of bounds"});
        if (i <= 10) names += std::string(i == 1 ? " : " : ", ") + "« " + name + " »";
    }
    MakeRawArchive(path("a.zip"), entries);
    VFunzip unzip;
    unzip.ArchivePath = path("a.zip");
    unzip.DestinationFolder = path("out");
    try {
        unzip.ExtractAll();
        FAIL() << "no failure reported";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(),
                  std::to_string(row.failures) + " fichiers n'ont pas pu être extraits" + names +
                      row.others +
                      ". « ../f01.txt » sortirait du dossier de destination : l'entrée n'est pas "
                      "extraite.");
    }
    EXPECT_EQ(ReadFile(path("out/ok.txt")), "ok");
}

INSTANTIATE_TEST_SUITE_P(Counts, FailureSummary,
                         ::testing::Values(SummaryRow{2, ""}, SummaryRow{10, ""},
                                           SummaryRow{11, " et 1 autre"},
                                           SummaryRow{12, " et 2 autres"}),
                         [](const auto &info) { return std::to_string(info.param.failures); });

} // namespace
