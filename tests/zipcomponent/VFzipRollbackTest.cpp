// A file whose entry cannot be fully set up is not added, and the archive keeps what it held.
// A real way there: an entry's extra fields may not pass 65,535 bytes in either header, so an
// entry that already carries a field near that size leaves no room for the Unix time field of
// the file that replaces it.
#include "VFunzip.h"
#include "VFzip.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <set>
#include <zip.h>

using namespace zipcomponent;
using namespace ziptest;

namespace {

constexpr zip_uint16_t kBulkyId = 0xCAFE;
// With its 4-byte header the field takes 65,531 bytes: the 9 of a Unix time field no longer fit.
constexpr zip_uint16_t kBulkySize = 65527;

// An archive of a.txt (carrying the bulky field in both headers) and c.txt.
void MakeArchiveWithBulkyField(const std::string &path) {
    static const std::string a = "old a, kept", c = "c, untouched";
    const std::string bulk(kBulkySize, 'x');
    int error = 0;
    zip_t *z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    const zip_int64_t index =
        zip_file_add(z, "a.txt", zip_source_buffer(z, a.data(), a.size(), 0), 0);
    ASSERT_GE(index, 0) << zip_strerror(z);
    ASSERT_EQ(zip_file_extra_field_set(z, static_cast<zip_uint64_t>(index), kBulkyId,
                                       ZIP_EXTRA_FIELD_NEW,
                                       reinterpret_cast<const zip_uint8_t *>(bulk.data()),
                                       kBulkySize, ZIP_FL_LOCAL | ZIP_FL_CENTRAL),
              0)
        << zip_strerror(z);
    ASSERT_GE(zip_file_add(z, "c.txt", zip_source_buffer(z, c.data(), c.size(), 0), 0), 0);
    ASSERT_EQ(zip_close(z), 0);
}

class EntryRollback : public TempDirTest {};

TEST_F(EntryRollback, AReplacementWithNoRoomForItsTimeFieldLeavesTheOldEntry) {
    MakeArchiveWithBulkyField(path("a.zip"));
    WriteFile(path("new/a.txt"), "new a, refused");
    WriteFile(path("new/b.txt"), "b, added beside");
    VFzip zip;
    zip.ZipFileName = path("a.zip");
    zip.NoPathNames = 1;
    zip.BeginBatch();
    try {
        zip.AddFile(path("new/a.txt"));
        FAIL() << "the file was added";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(), "Le fichier « " + path("new/a.txt") +
                                       " » ne peut pas être ajouté à l'archive « " + path("a.zip") +
                                       " ».");
    }
    zip.AddFile(path("new/b.txt"));
    zip.CommitBatch();

    std::set<std::string> names;
    VFunzip unzip;
    unzip.ArchivePath = path("a.zip");
    unzip.FileInfo = [&](std::int64_t, std::int64_t, std::int64_t, int, int, int, int, int,
                         const std::string &file, const std::string &, const std::string &,
                         std::uint32_t, int) { names.insert(file); };
    unzip.ListEntries();
    EXPECT_EQ(names, (std::set<std::string>{"a.txt", "b.txt", "c.txt"}));
    unzip.DestinationFolder = path("out");
    unzip.ExtractAll();
    EXPECT_EQ(ReadFile(path("out/a.txt")), "old a, kept");
    EXPECT_EQ(ReadFile(path("out/b.txt")), "b, added beside");
    EXPECT_EQ(ReadFile(path("out/c.txt")), "c, untouched");

    // The old entry as it was, its own field included, not a half-set copy of it.
    int error = 0;
    zip_t *z = zip_open(path("a.zip").c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(z, nullptr);
    const zip_int64_t a = zip_name_locate(z, "a.txt", 0);
    ASSERT_GE(a, 0);
    zip_uint16_t length = 0;
    EXPECT_NE(zip_file_extra_field_get_by_id(z, static_cast<zip_uint64_t>(a), kBulkyId, 0, &length,
                                             ZIP_FL_CENTRAL),
              nullptr);
    EXPECT_EQ(length, kBulkySize);
    zip_close(z);

    EXPECT_EQ(Shell("unzip -tq " + Quote(path("a.zip"))), 0) << "unzip -t";
    EXPECT_EQ(Shell("7z t " + Quote(path("a.zip"))), 0) << "7z t";
}

// A new entry starts with no extra fields and its methods are checked before it is made, so its
// own rollback (the entry deleted again) has no such real trigger: libzip refuses its setters
// only when memory runs out.

} // namespace
