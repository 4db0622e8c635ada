// Archives that 7-Zip encrypts with AES (AE-2 entries, CRC 0 by design) extract through the
// reader with the right password; a wrong password or one altered byte is refused and leaves
// nothing behind.
#include "VFunzip.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace ziptest;
using zipcomponent::VFunzip;
using zipcomponent::ZipError;

namespace {

struct SevenZipAes {
    const char *name;
    const char *options; // 7z switches: encryption strength and compression level
};

class AesExtraction : public TempDirTest, public ::testing::WithParamInterface<SevenZipAes> {
protected:
    // 200,003 bytes that neither compress to nothing nor repeat.
    std::string content() const {
        std::string data(200003, '\0');
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>((i * 2654435761u) >> 13);
        return data;
    }
    std::string make() {
        WriteFile(path("src/données.bin"), content());
        EXPECT_EQ(Shell("cd " + Quote(path("src")) + " && 7z a -tzip -psecret " +
                        GetParam().options + " ../aes.zip données.bin >/dev/null"),
                  0);
        return path("aes.zip");
    }
    void prepare(VFunzip &r, const std::string &archive, const char *password) {
        r.ArchivePath = archive;
        r.DestinationFolder = path("out");
        r.PasswordQuestion = [password](const std::string &) {
            return std::optional<std::string>(password);
        };
    }
};

TEST_P(AesExtraction, TheRightPasswordGivesTheExactBytes) {
    VFunzip r;
    prepare(r, make(), "secret");
    r.ExtractAll();
    EXPECT_EQ(ReadFile(path("out/données.bin")), content());
}

// A wrong password is not kept: the next extraction asks again, and the right one then works.
TEST_P(AesExtraction, AWrongPasswordIsRefusedLeavesNothingAndIsAskedAgain) {
    VFunzip r;
    prepare(r, make(), "Secret");
    try {
        r.ExtractAll();
        FAIL() << "extracted with a wrong password";
    } catch (const ZipError &e) {
        EXPECT_NE(e.description().find("données.bin"), std::string::npos) << e.description();
    }
    EXPECT_FALSE(std::filesystem::exists(path("out/données.bin")));
    EXPECT_TRUE(LeftoverTemporaries(path("out")).empty());
    int asked = 0;
    r.PasswordQuestion = [&](const std::string &) {
        ++asked;
        return std::optional<std::string>("secret");
    };
    r.ExtractAll();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ReadFile(path("out/données.bin")), content());
}

// A failed authentication code may be a wrong password that passed the two-byte verifier (one
// in 65,536): that password is not kept either.
TEST_P(AesExtraction, OneAlteredByteIsRefusedLeavesNothingAndThePasswordIsAskedAgain) {
    const std::string archive = make();
    std::string bytes = ReadFile(archive);
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x40);
    WriteFile(archive, bytes);
    VFunzip r;
    prepare(r, archive, "secret");
    int asked = 0;
    r.PasswordQuestion = [&](const std::string &) {
        ++asked;
        return std::optional<std::string>("secret");
    };
    EXPECT_THROW(r.ExtractAll(), ZipError);
    EXPECT_FALSE(std::filesystem::exists(path("out/données.bin")));
    EXPECT_TRUE(LeftoverTemporaries(path("out")).empty());
    EXPECT_THROW(r.ExtractAll(), ZipError);
    EXPECT_EQ(asked, 2);
}

INSTANTIATE_TEST_SUITE_P(SevenZip, AesExtraction,
                         ::testing::Values(SevenZipAes{"Aes256Deflated", "-mem=AES256 -mx5"},
                                           SevenZipAes{"Aes256Stored", "-mem=AES256 -mx0"},
                                           SevenZipAes{"Aes128Deflated", "-mem=AES128 -mx5"}),
                         [](const auto &info) { return info.param.name; });

} // namespace
