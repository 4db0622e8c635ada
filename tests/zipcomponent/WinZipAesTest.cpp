// The AE-2 reader against WinZip AES archives that 7-Zip and libzip write, read through libzip.
#include "WinZipAes.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <cstring>
#include <fstream>
#include <memory>

using namespace zipcomponent;
using namespace ziptest;

namespace {

struct ZipDiscard {
    void operator()(zip_t *z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ZipDiscard>;

Archive Open(const std::string &path) {
    int error = 0;
    Archive z(zip_open(path.c_str(), ZIP_RDONLY, &error));
    EXPECT_NE(z, nullptr) << "zip_open error " << error;
    return z;
}

zip_uint64_t IndexOf(zip_t *z, const std::string &name) {
    const zip_int64_t i = zip_name_locate(z, name.c_str(), 0);
    EXPECT_GE(i, 0) << name;
    return static_cast<zip_uint64_t>(i);
}

// The whole entry in pieces of `chunk` bytes, then its authentication code checked.
std::string ReadAll(zip_t *z, const std::string &name, const std::string &password,
                    std::size_t chunk) {
    Ae2Reader reader(z, IndexOf(z, name), name, password);
    std::string data, buffer(chunk, '\0');
    while (const std::size_t n = reader.read(buffer.data(), buffer.size()))
        data.append(buffer, 0, n);
    reader.verify();
    return data;
}

// Contents told apart by their bytes: a repeating text, a sequence without period, both.
std::string Noise(std::size_t size, std::uint32_t seed) {
    std::string s(size, '\0');
    for (char &c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return s;
}
// Compressible, so that 7-Zip deflates it, yet without a short period.
std::string Mixed(std::size_t size) {
    std::string s;
    while (s.size() < size)
        s += "Facture 31/12/2020 n° " + std::to_string(s.size()) + "\n" +
             Noise(40, static_cast<std::uint32_t>(s.size()));
    return s.substr(0, size);
}

const std::string kSmall = "Élève 31/12/2020";  // under 20 bytes: libzip records no CRC for it
const std::string kBlocks = Mixed(100003);      // many AES blocks, the last one partial
const std::string kBig = Mixed((3u << 20) + 7); // several pieces of the reader
const std::string kDamaged = " sont endommagées (code d'authentification AES incorrect).";

// Offset and size of an entry's raw bytes (salt onwards), found through its local header.
std::pair<std::size_t, std::size_t> RawData(const std::string &zip, const std::string &name) {
    const std::string bytes = ReadFile(zip);
    auto u16 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]) |
                                        static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    for (std::size_t at = 0; at + 30 <= bytes.size() && bytes.compare(at, 4, "PK\3\4") == 0;) {
        EXPECT_EQ(u16(at + 6) & 8, 0u) << "sizes in a data descriptor";
        const std::size_t data = at + 30 + u16(at + 26) + u16(at + 28);
        if (bytes.compare(at + 30, u16(at + 26), name) == 0) return {data, u32(at + 18)};
        at = data + u32(at + 18);
    }
    ADD_FAILURE() << name << " not found";
    return {0, 0};
}

void FlipByte(const std::string &path, std::size_t offset) {
    std::string bytes = ReadFile(path);
    bytes[offset] = static_cast<char>(bytes[offset] ^ 0x20);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct Variant {
    const char *label;
    const char *options; // for 7z a -tzip
    bool stored;
    std::size_t saltLength;
};
void PrintTo(const Variant &v, std::ostream *os) {
    *os << v.label;
}

class SevenZipAes : public TempDirTest, public ::testing::WithParamInterface<Variant> {
protected:
    std::string archive;

    void SetUp() override {
        TempDirTest::SetUp();
        WriteFile(path("src/small.txt"), kSmall);
        WriteFile(path("src/blocks.bin"), kBlocks);
        WriteFile(path("src/big.bin"), kBig);
        WriteFile(path("src/empty.txt"), "");
        archive = path("aes.zip");
        ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && 7z a -tzip -psecret " +
                        GetParam().options + " " + Quote(archive) +
                        " small.txt blocks.bin big.bin empty.txt"),
                  0);
    }
};

TEST_P(SevenZipAes, GivesTheExactBytesWithTheRightPassword) {
    Archive z = Open(archive);
    const std::pair<const char *, const std::string *> files[] = {
        {"small.txt", &kSmall}, {"blocks.bin", &kBlocks}, {"big.bin", &kBig}};
    for (const auto &[name, content] : files) {
        EXPECT_TRUE(IsAe2Entry(z.get(), IndexOf(z.get(), name))) << name;
        zip_stat_t st;
        ASSERT_EQ(zip_stat(z.get(), name, 0, &st), 0);
        // 7-Zip stores what deflate cannot shrink, such as small.txt.
        if (*content != kSmall) {
            EXPECT_EQ(st.comp_method, GetParam().stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE) << name;
        }
        // Pieces smaller than an AES block, and larger than the reader's own.
        EXPECT_EQ(ReadAll(z.get(), name, "secret", 7), *content) << name;
        EXPECT_EQ(ReadAll(z.get(), name, "secret", 200000), *content) << name;
    }
    EXPECT_TRUE(IsAe2Entry(z.get(), IndexOf(z.get(), "empty.txt")));
    EXPECT_EQ(ReadAll(z.get(), "empty.txt", "secret", 100), "");
    // libzip itself refuses such an entry after its last byte: its CRC field is 0.
    zip_file_t *f = zip_fopen_encrypted(z.get(), "blocks.bin", 0, "secret");
    ASSERT_NE(f, nullptr);
    std::string buffer(4096, '\0');
    zip_int64_t got;
    while ((got = zip_fread(f, buffer.data(), buffer.size())) > 0) {
    }
    EXPECT_LT(got, 0);
    zip_fclose(f);
}

TEST_P(SevenZipAes, RefusesWrongPasswordsBeforeAnyData) {
    Archive z = Open(archive);
    // A wrong password passes the two-byte verifier once in 65536: then the authentication code
    // refuses it. Of these eight tries, at most one may be that case.
    int verifierRefusals = 0;
    for (const char *name : {"small.txt", "blocks.bin", "big.bin", "empty.txt"}) {
        for (const char *password : {"Secret", "secret "}) {
            try {
                ReadAll(z.get(), name, password, 65536);
                ADD_FAILURE() << name << " read with " << password;
            } catch (const WrongPassword &e) {
                EXPECT_EQ(e.description(),
                          std::string("Mot de passe incorrect pour « ") + name + " ».");
                ++verifierRefusals;
            } catch (const ZipError &) {
            }
        }
    }
    EXPECT_GE(verifierRefusals, 7);
}

TEST_P(SevenZipAes, NeverPassesADamagedByte) {
    // One byte changed in the middle of the encrypted data, then one in the code itself.
    for (const char *name : {"blocks.bin", "big.bin"}) {
        const auto [offset, size] = RawData(archive, name);
        const std::size_t dataStart = offset + GetParam().saltLength + 2;
        const std::size_t targets[] = {dataStart + (size - GetParam().saltLength - 12) / 2,
                                       offset + size - 3};
        for (const std::size_t target : targets) {
            const std::string copy = path("damaged.zip");
            fs::copy_file(archive, copy, fs::copy_options::overwrite_existing);
            FlipByte(copy, target);
            Archive z = Open(copy);
            try {
                ReadAll(z.get(), name, "secret", 65536);
                ADD_FAILURE() << name << " damaged at " << target << " passed";
            } catch (const WrongPassword &e) {
                ADD_FAILURE() << e.description();
            } catch (const ZipError &e) {
                // Stored data are decrypted regardless: only the code can find the change.
                // Deflated data may already fail to inflate.
                const std::string byCode =
                    std::string("Les données de « ") + name + " »" + kDamaged;
                if (GetParam().stored || target == offset + size - 3)
                    EXPECT_EQ(e.description(), byCode);
                else
                    EXPECT_TRUE(e.description() == byCode ||
                                e.description() == std::string("Les données compressées de « ") +
                                                       name + " » sont endommagées.")
                        << e.description();
            }
        }
    }
    // The code of an empty entry covers no data, and is still checked.
    const auto [offset, size] = RawData(archive, "empty.txt");
    FlipByte(archive, offset + size - 1);
    Archive z = Open(archive);
    try {
        ReadAll(z.get(), "empty.txt", "secret", 100);
        ADD_FAILURE() << "damaged empty.txt passed";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(), "Les données de « empty.txt »" + kDamaged);
    }
}

TEST_P(SevenZipAes, VerifyBeforeTheLastByteIsRefused) {
    Archive z = Open(archive);
    Ae2Reader reader(z.get(), IndexOf(z.get(), "big.bin"), "big.bin", "secret");
    char buffer[100];
    ASSERT_EQ(reader.read(buffer, sizeof buffer), sizeof buffer);
    EXPECT_EQ(std::string(buffer, sizeof buffer), kBig.substr(0, sizeof buffer));
    try {
        reader.verify();
        ADD_FAILURE() << "verify() passed after 100 bytes";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(), "La lecture de « big.bin » n'est pas allée jusqu'au bout : "
                                   "ses données ne sont pas vérifiées.");
    }
}

INSTANTIATE_TEST_SUITE_P(Ae2, SevenZipAes,
                         ::testing::Values(Variant{"Aes256Deflated", "-mem=AES256", false, 16},
                                           Variant{"Aes256Stored", "-mem=AES256 -mx0", true, 16},
                                           Variant{"Aes192Deflated", "-mem=AES192", false, 12},
                                           Variant{"Aes128Deflated", "-mem=AES128", false, 8},
                                           Variant{"Aes128Stored", "-mem=AES128 -mx0", true, 8}),
                         [](const auto &info) { return std::string(info.param.label); });

using WinZipAesTest = TempDirTest;

TEST_F(WinZipAesTest, ReadsWhatLibzipEncryptsAndTellsWhichEntriesLibzipCannotCheck) {
    const std::string zip = path("libzip.zip");
    int error = 0;
    zip_t *w = zip_open(zip.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(w, nullptr);
    for (const auto &[name, content] :
         {std::pair{"blocks.bin", &kBlocks}, {"small.txt", &kSmall}}) {
        zip_source_t *source = zip_source_buffer(w, content->data(), content->size(), 0);
        const zip_int64_t index = zip_file_add(w, name, source, 0);
        ASSERT_GE(index, 0);
        ASSERT_EQ(
            zip_file_set_encryption(w, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256, "secret"),
            0);
    }
    ASSERT_EQ(zip_close(w), 0);
    EXPECT_EQ(Shell("7z t -psecret " + Quote(zip)), 0);

    // libzip writes vendor version 2 for both, with the real CRC on entries of 20 bytes and
    // more, which libzip then checks itself; a small entry's CRC is 0.
    Archive z = Open(zip);
    EXPECT_FALSE(IsAe2Entry(z.get(), IndexOf(z.get(), "blocks.bin")));
    EXPECT_TRUE(IsAe2Entry(z.get(), IndexOf(z.get(), "small.txt")));
    EXPECT_EQ(ReadAll(z.get(), "blocks.bin", "secret", 4096), kBlocks);
    EXPECT_EQ(ReadAll(z.get(), "small.txt", "secret", 4096), kSmall);
}

TEST_F(WinZipAesTest, PlainTraditionalAndBzip2EntriesAreNotReadHere) {
    WriteFile(path("src/blocks.bin"), kBlocks); // compressible: 7-Zip would store noise
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -q ../plain.zip blocks.bin" +
                    " && zip -q -P secret ../zipcrypto.zip blocks.bin" +
                    " && 7z a -tzip -psecret -mem=AES256 -mm=BZip2 ../bzip2.zip blocks.bin"),
              0);
    for (const char *name : {"plain.zip", "zipcrypto.zip"}) {
        Archive z = Open(path(name));
        EXPECT_FALSE(IsAe2Entry(z.get(), 0)) << name;
    }
    Archive zipCrypto = Open(path("zipcrypto.zip"));
    try {
        Ae2Reader reader(zipCrypto.get(), 0, "blocks.bin", "secret");
        ADD_FAILURE() << "traditional encryption taken for AES";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(), "Le chiffrement de « blocks.bin » n'est pas pris en charge.");
    }
    Archive bzip2 = Open(path("bzip2.zip"));
    EXPECT_TRUE(IsAe2Entry(bzip2.get(), 0));
    try {
        Ae2Reader reader(bzip2.get(), 0, "blocks.bin", "secret");
        ADD_FAILURE() << "bzip2 data taken for deflate";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(),
                  "La méthode de compression de « blocks.bin » n'est pas prise en charge.");
    }
}

} // namespace
