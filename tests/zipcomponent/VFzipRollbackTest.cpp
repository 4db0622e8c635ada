// An entry whose compression, encryption or time field cannot be set is never written half set
// (unencrypted, say) while the user is told it was not added. Once the methods are checked
// beforehand, libzip's setters fail only when memory runs out: these tests make one of them fail
// on purpose. The functions below stand in front of libzip's own, which they call otherwise.
#include "VFunzip.h"
#include "VFzip.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <set>
#include <zip.h>

using namespace zipcomponent;
using namespace ziptest;

namespace {

enum class Step { None, MethodCheck, Compression, Encryption, TimeField };
Step failing = Step::None;

template <typename Function> Function *Libzip(const char *name) {
    return reinterpret_cast<Function *>(dlsym(RTLD_NEXT, name));
}

int Refuse(zip_t *archive) {
    zip_error_set(zip_get_error(archive), ZIP_ER_MEMORY, 0);
    return -1;
}

} // namespace

extern "C" {

int zip_encryption_method_supported(zip_uint16_t method, int encode) {
    if (failing == Step::MethodCheck && method != ZIP_EM_NONE) return 0;
    static auto *real = Libzip<int(zip_uint16_t, int)>("zip_encryption_method_supported");
    return real(method, encode);
}

int zip_set_file_compression(zip_t *archive, zip_uint64_t index, zip_int32_t method,
                             zip_uint32_t flags) {
    if (failing == Step::Compression) return Refuse(archive);
    static auto *real =
        Libzip<int(zip_t *, zip_uint64_t, zip_int32_t, zip_uint32_t)>("zip_set_file_compression");
    return real(archive, index, method, flags);
}

int zip_file_set_encryption(zip_t *archive, zip_uint64_t index, zip_uint16_t method,
                            const char *password) {
    if (failing == Step::Encryption) return Refuse(archive);
    static auto *real =
        Libzip<int(zip_t *, zip_uint64_t, zip_uint16_t, const char *)>("zip_file_set_encryption");
    return real(archive, index, method, password);
}

int zip_file_extra_field_set(zip_t *archive, zip_uint64_t index, zip_uint16_t id,
                             zip_uint16_t fieldIndex, const zip_uint8_t *data, zip_uint16_t length,
                             zip_flags_t flags) {
    if (failing == Step::TimeField) return Refuse(archive);
    static auto *real =
        Libzip<int(zip_t *, zip_uint64_t, zip_uint16_t, zip_uint16_t, const zip_uint8_t *,
                   zip_uint16_t, zip_flags_t)>("zip_file_extra_field_set");
    return real(archive, index, id, fieldIndex, data, length, flags);
}

} // extern "C"

namespace {

struct RollbackRow {
    const char *name;
    Step step;
    bool replacing; // secret.txt already in the archive, unencrypted
};

void PrintTo(const RollbackRow &row, std::ostream *os) {
    *os << row.name;
}

class EntryRollback : public TempDirTest, public ::testing::WithParamInterface<RollbackRow> {
protected:
    void TearDown() override {
        failing = Step::None;
        TempDirTest::TearDown();
    }
};

TEST_P(EntryRollback, LeavesTheArchiveAsIfTheFileWasNeverGiven) {
    const RollbackRow &row = GetParam();
    WriteFile(path("other.txt"), "other");
    WriteFile(path("secret.txt"), "new secret");
    if (row.replacing) {
        WriteFile(path("old/secret.txt"), "old secret");
        ASSERT_EQ(Shell("cd " + Quote(path("old")) + " && zip -q ../a.zip secret.txt"), 0);
    }
    VFzip zip;
    zip.ZipFileName = path("a.zip");
    zip.NoPathNames = 1;
    zip.Encrypt = 1;
    zip.PasswordQuestion = [] { return std::optional<std::string>("secret"); };
    zip.BeginBatch();
    zip.AddFile(path("other.txt"));
    failing = row.step;
    try {
        zip.AddFile(path("secret.txt"));
        FAIL() << "the file was added";
    } catch (const ZipError &e) {
        const std::string secret = "« " + path("secret.txt") + " »";
        EXPECT_EQ(e.description(), row.step == Step::MethodCheck
                                       ? "Le chiffrement AES-256 n'est pas disponible : " + secret +
                                             " n'est pas ajouté."
                                       : "Le fichier " + secret +
                                             " ne peut pas être ajouté à l'archive « " +
                                             path("a.zip") + " ».");
    }
    failing = Step::None;
    zip.CommitBatch();

    std::set<std::string> names;
    VFunzip unzip;
    unzip.ArchivePath = path("a.zip");
    unzip.FileInfo = [&](std::int64_t, std::int64_t, std::int64_t, int, int, int, int, int,
                         const std::string &file, const std::string &, const std::string &,
                         std::uint32_t, int) { names.insert(file); };
    unzip.ListEntries();
    const std::set<std::string> expected = row.replacing
                                               ? std::set<std::string>{"other.txt", "secret.txt"}
                                               : std::set<std::string>{"other.txt"};
    EXPECT_EQ(names, expected);
    unzip.DestinationFolder = path("out");
    unzip.PasswordQuestion = [](const std::string &) {
        return std::optional<std::string>("secret");
    };
    unzip.ExtractAll();
    EXPECT_EQ(ReadFile(path("out/other.txt")), "other");
    if (row.replacing) {
        // The entry on disk, as it was: unencrypted, with its own content.
        const std::string print =
            "unzip -p " + Quote(path("a.zip")) + " secret.txt > " + Quote(path("plain.txt"));
        EXPECT_EQ(std::system(print.c_str()), 0);
        EXPECT_EQ(ReadFile(path("plain.txt")), "old secret");
    }
    EXPECT_EQ(Shell("7z t -psecret " + Quote(path("a.zip"))), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, EntryRollback,
    ::testing::Values(RollbackRow{"AnUnavailableEncryptionIsRefusedBeforehand", Step::MethodCheck,
                                  false},
                      RollbackRow{"FailedCompressionOfANewEntry", Step::Compression, false},
                      RollbackRow{"FailedEncryptionOfANewEntry", Step::Encryption, false},
                      RollbackRow{"FailedTimeFieldOfANewEntry", Step::TimeField, false},
                      RollbackRow{"FailedEncryptionOfAReplacedEntry", Step::Encryption, true}),
    [](const auto &info) { return info.param.name; });

} // namespace
