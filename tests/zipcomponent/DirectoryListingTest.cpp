// Listing from the central directory against listing through libzip: on archives of every
// maker and kind, and on every one-byte damage of small ones, the fast listing gives exactly
// libzip's entries, or declines (and then libzip lists, or fails with its own message).
#include "DirectoryListing.h"
#include "ArchiveReader.h"
#include "VFunzip.h"
#include "VFzip.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>

using namespace zipcomponent;
using namespace ziptest;

namespace {

std::string Describe(const EntryInfo &e) {
    std::ostringstream out;
    out << e.index << " [" << e.name << "] " << e.size << '/' << e.compressedSize << " t" << e.mtime
        << " crc" << e.crc << " m" << e.method << " e" << e.encryption << " f" << e.isFolder << " l"
        << e.isSymlink << " o" << std::oct << e.unixMode;
    return out.str();
}

std::string Describe(const std::vector<EntryInfo> &entries) {
    std::string all;
    for (const EntryInfo &e : entries)
        all += Describe(e) + "\n";
    return all;
}

// libzip's entries, or its error text.
std::string ThroughLibzip(const std::string &path) {
    try {
        return Describe(ArchiveReader(path).entries());
    } catch (const ZipError &e) {
        return "error: " + e.description();
    }
}

std::optional<std::string> FromDirectory(const std::string &path) {
    std::vector<EntryInfo> entries;
    if (!ListCentralDirectory(path, [&](const EntryInfo &e) { entries.push_back(e); }))
        return std::nullopt;
    return Describe(entries);
}

class DirectoryListingTest : public TempDirTest {
protected:
    // Whether the fast listing took the archive; a failure when it differs from libzip.
    bool agrees(const std::string &archive, const std::string &label) {
        const std::optional<std::string> fast = FromDirectory(archive);
        if (!fast) return false;
        EXPECT_EQ(*fast, ThroughLibzip(archive)) << label;
        return true;
    }
};

TEST_F(DirectoryListingTest, ArchivesOfEveryMakerListAsThroughLibzip) {
    WriteFile(path("src/a.txt"), std::string(1000, 'a'), 1680674820);
    WriteFile(path("src/docs/b.txt"), "second", 1609455480);
    WriteFile(path("src/docs/deep/c.bin"), std::string(70000, 'c'));
    WriteFile(path("src/tiny"), "x");
    WriteFile(path("src/Élève.txt"), "accent"); // 7-Zip flags it UTF-8, Info-ZIP does not
    ASSERT_EQ(Shell("ln -s a.txt " + Quote(path("src/link"))), 0);
    const std::string in = "cd " + Quote(path("src")) + " && ";
    ASSERT_EQ(Shell(in + "zip -qry ../info.zip a.txt docs link tiny Élève.txt"), 0);
    ASSERT_EQ(Shell(in + "zip -qrX ../bare.zip a.txt docs"), 0); // no time field: DOS times
    ASSERT_EQ(Shell(in + "zip -qr -fz ../forced64.zip a.txt docs"), 0);
    ASSERT_EQ(Shell(in + "echo 'un commentaire' | zip -qr -z ../comment.zip a.txt"), 0);
    ASSERT_EQ(Shell(in + "7z a -tzip ../seven.zip a.txt docs Élève.txt >/dev/null"), 0);
    ASSERT_EQ(Shell(in + "7z a -tzip -psecret -mem=AES256 ../aes.zip a.txt tiny >/dev/null"), 0);
    ASSERT_EQ(Shell(in + "7z a -tzip -psecret -mem=AES128 ../aes128.zip docs >/dev/null"), 0);
    ASSERT_EQ(Shell(in + "zip -q -P secret ../zipcrypto.zip a.txt tiny"), 0);
    {
        VFzip writer;
        writer.ZipFileName = path("ours.zip");
        writer.AddFile(path("src/a.txt"));
        writer.AddFile(path("src/tiny"));
    }
    MakeRawArchive(path("raw.zip"), {{"caf\x82.txt", "cp850"},
                                     {"dir\\win.txt", "backslash"},
                                     {"folder/", ""},
                                     {"lien", "a.txt", true},
                                     {"stored.bin", std::string(300, 's'), false, true}});
    MakeRawArchive(path("false-utf8.zip"), {{"ok.txt", "ok"},
                                            {"Fran\x87"
                                             "ais.txt",
                                             "cp850"}});
    SetHeaderFlags(path("false-utf8.zip"),
                   "Fran\x87"
                   "ais.txt",
                   0x0800);
    MakeRawArchive(path("strong.zip"), {{"s.txt", "strong"}});
    SetHeaderFlags(path("strong.zip"), "s.txt", 0x0041);
    MakeRawArchive(path("empty.zip"), {});
    {
        std::vector<RawEntry> many;
        for (int i = 0; i < 66000; ++i)
            many.push_back({"f" + std::to_string(i), "", false, true});
        MakeRawArchive(path("zip64.zip"), many);
    }
    std::ofstream(path("prefixed.zip"), std::ios::binary) << "#!/bin/sh\nexit 0\n"
                                                          << ReadFile(path("info.zip"));
    WriteFile(path("cut.zip"), ReadFile(path("info.zip")).substr(0, 700));
    WriteFile(path("text.zip"), "not an archive at all, but long enough to hold an end record");

    // The fast path must take the plain archives: otherwise the window pays libzip's memory.
    for (const char *plain :
         {"info.zip", "bare.zip", "seven.zip", "aes.zip", "aes128.zip", "zipcrypto.zip", "ours.zip",
          "raw.zip", "strong.zip", "comment.zip", "zip64.zip"})
        EXPECT_TRUE(agrees(path(plain), plain)) << plain << " was left to libzip";
    for (const char *other :
         {"forced64.zip", "false-utf8.zip", "empty.zip", "prefixed.zip", "cut.zip", "text.zip"})
        agrees(path(other), other);
    EXPECT_FALSE(FromDirectory(path("false-utf8.zip")));
    EXPECT_FALSE(FromDirectory(path("cut.zip")));
}

TEST_F(DirectoryListingTest, EveryOneByteDamageListsAsThroughLibzipOrIsLeftToIt) {
    // An odd second: the time field and the DOS time (even seconds) tell which one was read.
    WriteFile(path("src/a.txt"), "alpha", 1680674821);
    WriteFile(path("src/d/b.txt"), "beta", 1609455481);
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -qr ../info.zip a.txt d"), 0);
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && 7z a -tzip -psecret -mem=AES256 ../aes.zip " +
                    "a.txt >/dev/null"),
              0);
    int taken = 0, cases = 0;
    for (const char *name : {"info.zip", "aes.zip"}) {
        const std::string original = ReadFile(path(name));
        for (std::size_t at = 0; at < original.size(); ++at)
            for (const unsigned char value : {0x00, 0x01, 0x80, 0xFF}) {
                std::string bytes = original;
                if (static_cast<unsigned char>(bytes[at]) == value) continue;
                bytes[at] = static_cast<char>(value);
                WriteFile(path("damaged.zip"), bytes);
                ++cases;
                if (agrees(path("damaged.zip"), std::string(name) + " byte " + std::to_string(at) +
                                                    " = " + std::to_string(value)))
                    ++taken;
                if (HasFailure()) return;
            }
    }
    // Damage to the data or to fields the listing ignores keeps the fast path.
    EXPECT_GT(taken, cases / 2);
}

TEST_F(DirectoryListingTest, ListedEntriesStayExtractable) {
    WriteFile(path("src/d/b.txt"), "beta");
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -qr ../info.zip d"), 0);
    VFunzip unzip;
    std::vector<std::string> listed;
    unzip.FileInfo = [&](std::int64_t, std::int64_t, std::int64_t, int, int, int, int, int,
                         const std::string &file, const std::string &folder, const std::string &,
                         std::uint32_t, int) { listed.push_back(folder + "|" + file); };
    unzip.ArchivePath = path("info.zip");
    unzip.ListEntries();
    EXPECT_EQ(listed, std::vector<std::string>{"d|b.txt"});
    unzip.DestinationFolder = path("out");
    unzip.ExtractEntry("d/b.txt");
    EXPECT_EQ(ReadFile(path("out/d/b.txt")), "beta");
}

} // namespace
