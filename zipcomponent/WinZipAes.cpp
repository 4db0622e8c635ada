#include "WinZipAes.h"

#include "LibzipError.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zipcomponent {

namespace {

constexpr std::size_t kVerifierSize = 2;
constexpr std::size_t kMacSize = 10;
constexpr std::size_t kBlock = 16;
// Encrypted bytes taken from the archive at a time. A multiple of the AES block, so that every
// piece but the last starts on a block boundary and the keystream never has to be split.
constexpr std::size_t kPiece = 64 * 1024;
static_assert(kPiece % kBlock == 0);

struct AesStrength {
    int keyLength;
    std::size_t saltLength;
    const EVP_CIPHER *(*cipher)();
};

// Strength 1/2/3 of the extra field, which libzip reports as its AES encryption methods.
bool StrengthOf(zip_uint16_t method, AesStrength &out) {
    switch (method) {
    case ZIP_EM_AES_128:
        out = {16, 8, EVP_aes_128_ecb};
        return true;
    case ZIP_EM_AES_192:
        out = {24, 12, EVP_aes_192_ecb};
        return true;
    case ZIP_EM_AES_256:
        out = {32, 16, EVP_aes_256_ecb};
        return true;
    default:
        return false;
    }
}

struct FileClose {
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};
struct CipherFree {
    void operator()(EVP_CIPHER_CTX *c) const { EVP_CIPHER_CTX_free(c); }
};
struct MacFree {
    void operator()(EVP_MAC_CTX *c) const { EVP_MAC_CTX_free(c); }
};

// OpenSSL failing on valid input: memory, or a library without these algorithms.
ZipError CryptoFailure(const std::string &entryName, const char *function) {
    return ZipError("Le déchiffrement de " + Quoted(entryName) + " a échoué.", function);
}

std::string DamagedText(const std::string &entryName) {
    return "Les données de " + Quoted(entryName) +
           " sont endommagées (code d'authentification AES incorrect).";
}

} // namespace

bool IsAe2Entry(zip_t *archive, zip_uint64_t index) {
    zip_stat_t st;
    zip_stat_init(&st);
    AesStrength strength{};
    if (zip_stat_index(archive, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_ENCRYPTION_METHOD) ||
        !StrengthOf(st.encryption_method, strength))
        return false;
    // libzip keeps the 0x9901 field to itself, so its vendor version shows only through the
    // CRC libzip reports. Version 2 writers store 0 there, which libzip either leaves unrecorded
    // (entries under 20 bytes) or takes for the real CRC and then refuses the data. Both come
    // here. Two cases cannot be told apart and need not be: a version-2 entry with its real CRC
    // (libzip writes those) stays with libzip, which checks that CRC and the code; a version-1
    // entry whose data have CRC 0 comes here, where the code protects it as well.
    return !(st.valid & ZIP_STAT_CRC) || st.crc == 0;
}

struct Ae2Reader::State {
    std::string entryName;
    std::unique_ptr<zip_file_t, FileClose> raw; // salt, verifier, data, code: the entry's bytes
    std::unique_ptr<EVP_CIPHER_CTX, CipherFree> aes; // ECB, to make WinZip's counter keystream
    std::unique_ptr<EVP_MAC_CTX, MacFree> mac;       // HMAC-SHA1 over the encrypted data
    bool deflated = false;
    z_stream inflater{};
    bool inflaterReady = false;
    bool streamEnded = false;             // deflate's end-of-stream block seen
    std::uint64_t dataLeft = 0;           // encrypted data bytes not yet taken from the archive
    std::uint64_t announced = 0;          // uncompressed size the archive announces
    std::uint64_t produced = 0;           // bytes handed out by read()
    std::uint64_t counter = 0;            // WinZip's little-endian block counter, last one used
    std::vector<unsigned char> piece;     // decrypted data, piece[pos, end) not yet used
    std::vector<unsigned char> counters;  // high 8 bytes of every block stay 0
    std::vector<unsigned char> keystream; // AES of counters
    std::size_t pos = 0, end = 0;
    bool atEnd = false;    // read() has returned 0
    bool verified = false; // verify() has succeeded

    ~State() {
        if (inflaterReady) inflateEnd(&inflater);
    }

    void readRaw(unsigned char *out, std::size_t n) {
        // Never more than the entry's raw size: for stored data libzip compares the raw bytes
        // with the entry's (zero) CRC on the read that finds their end.
        const zip_int64_t got = zip_fread(raw.get(), out, n);
        if (got < 0) throw LibzipError(raw.get(), entryName);
        if (static_cast<std::size_t>(got) != n)
            throw ZipError(FrenchZipMessage(ZIP_ER_EOF, entryName), "AES entry cut short");
    }

    ZipError compressedDamage(const std::string &detail) const {
        return ZipError(FrenchZipMessage(ZIP_ER_COMPRESSED_DATA, entryName), detail);
    }

    // Takes the next piece of encrypted data, authenticates and decrypts it into piece.
    void refill() {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(dataLeft, kPiece));
        readRaw(piece.data(), n);
        dataLeft -= n;
        if (EVP_MAC_update(mac.get(), piece.data(), n) != 1)
            throw CryptoFailure(entryName, "EVP_MAC_update");
        // The counter blocks: WinZip counts from 1 in the low 8 bytes, little-endian (the high
        // 8 stay 0), where OpenSSL's CTR mode would count big-endian; hence ECB over them.
        const std::size_t blocks = (n + kBlock - 1) / kBlock;
        for (std::size_t b = 0; b < blocks; ++b) {
            std::uint64_t c = ++counter;
            if constexpr (std::endian::native == std::endian::big) c = __builtin_bswap64(c);
            std::memcpy(counters.data() + b * kBlock, &c, sizeof c);
        }
        int outLength = 0;
        if (EVP_EncryptUpdate(aes.get(), keystream.data(), &outLength, counters.data(),
                              static_cast<int>(blocks * kBlock)) != 1)
            throw CryptoFailure(entryName, "EVP_EncryptUpdate");
        // Eight bytes at a time; the keystream is a whole number of blocks, so never short.
        for (std::size_t i = 0; i < n; i += 8) {
            std::uint64_t data = 0, key;
            std::memcpy(&data, piece.data() + i, std::min<std::size_t>(8, n - i));
            std::memcpy(&key, keystream.data() + i, 8);
            data ^= key;
            std::memcpy(piece.data() + i, &data, std::min<std::size_t>(8, n - i));
        }
        pos = 0;
        end = n;
    }

    std::size_t readStored(unsigned char *out, std::size_t size) {
        if (pos == end) {
            if (dataLeft == 0) return 0;
            refill();
        }
        const std::size_t n = std::min(size, end - pos);
        std::memcpy(out, piece.data() + pos, n);
        pos += n;
        return n;
    }

    std::size_t readDeflated(unsigned char *out, std::size_t size) {
        if (streamEnded) return 0;
        // At most one piece, so that avail_out (a uInt) never overflows.
        const std::size_t room = std::min(size, kPiece);
        inflater.next_out = out;
        inflater.avail_out = static_cast<uInt>(room);
        while (inflater.avail_out == room) {
            if (pos == end) {
                if (dataLeft == 0)
                    throw compressedDamage("deflate stream ends before its last block");
                refill();
            }
            inflater.next_in = piece.data() + pos;
            inflater.avail_in = static_cast<uInt>(end - pos);
            const int status = inflate(&inflater, Z_NO_FLUSH);
            pos = end - inflater.avail_in;
            if (status == Z_STREAM_END) {
                streamEnded = true;
                break;
            }
            if (status != Z_OK && status != Z_BUF_ERROR)
                throw compressedDamage(inflater.msg ? inflater.msg : "inflate failed");
        }
        const std::size_t n = room - inflater.avail_out;
        if (streamEnded) {
            // Whatever follows the last block is still covered by the authentication code.
            while (dataLeft > 0)
                refill();
        }
        return n;
    }
};

Ae2Reader::Ae2Reader(zip_t *archive, zip_uint64_t index, const std::string &entryName,
                     const std::string &password)
    : state_(std::make_unique<State>()) {
    State &s = *state_;
    s.entryName = entryName;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, index, 0, &st) != 0) throw LibzipError(archive, entryName);
    constexpr zip_uint64_t kNeeded =
        ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    if ((st.valid & kNeeded) != kNeeded)
        throw ZipError(FrenchZipMessage(ZIP_ER_INCONS, entryName), "incomplete entry record");
    AesStrength strength{};
    if (!StrengthOf(st.encryption_method, strength))
        throw ZipError(FrenchZipMessage(ZIP_ER_ENCRNOTSUPP, entryName),
                       "encryption method " + std::to_string(st.encryption_method));
    // libzip reports the real method, the one in the 0x9901 field.
    if (st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE)
        throw ZipError("La méthode de compression de " + Quoted(entryName) +
                           " n'est pas prise en charge.",
                       "compression method " + std::to_string(st.comp_method));
    s.deflated = st.comp_method == ZIP_CM_DEFLATE;
    s.announced = st.size;
    const std::uint64_t overhead = strength.saltLength + kVerifierSize + kMacSize;
    if (st.comp_size < overhead)
        throw s.compressedDamage("AES entry shorter than its salt, verifier and code");
    s.dataLeft = st.comp_size - overhead;
    if (!s.deflated && s.dataLeft != s.announced)
        throw s.compressedDamage("stored AES entry of " + std::to_string(s.dataLeft) +
                                 " bytes announces " + std::to_string(s.announced));

    s.raw.reset(zip_fopen_index(archive, index, ZIP_FL_ENCRYPTED));
    if (!s.raw) throw LibzipError(archive, entryName);
    std::array<unsigned char, 16 + kVerifierSize> header{};
    s.readRaw(header.data(), strength.saltLength + kVerifierSize);

    // AES key, HMAC key, then the password verifier.
    std::array<unsigned char, 2 * 32 + kVerifierSize> keys{};
    const int keysLength = 2 * strength.keyLength + static_cast<int>(kVerifierSize);
    const bool derived =
        PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), header.data(),
                               static_cast<int>(strength.saltLength), 1000, keysLength,
                               keys.data()) == 1;
    const unsigned char *aesKey = keys.data();
    const unsigned char *macKey = keys.data() + strength.keyLength;
    const unsigned char *verifier = keys.data() + 2 * strength.keyLength;
    const bool matches =
        derived && std::memcmp(verifier, header.data() + strength.saltLength, kVerifierSize) == 0;

    bool ready = matches;
    if (ready) {
        s.aes.reset(EVP_CIPHER_CTX_new());
        ready = s.aes &&
                EVP_EncryptInit_ex(s.aes.get(), strength.cipher(), nullptr, aesKey, nullptr) == 1;
        if (ready) EVP_CIPHER_CTX_set_padding(s.aes.get(), 0);
    }
    if (ready) {
        EVP_MAC *hmac = EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr);
        if (hmac) s.mac.reset(EVP_MAC_CTX_new(hmac));
        EVP_MAC_free(hmac);
        char digest[] = OSSL_DIGEST_NAME_SHA1;
        const OSSL_PARAM params[] = {
            OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
            OSSL_PARAM_construct_end()};
        ready = s.mac && EVP_MAC_init(s.mac.get(), macKey,
                                      static_cast<std::size_t>(strength.keyLength), params) == 1;
    }
    OPENSSL_cleanse(keys.data(), keys.size());
    if (!derived || (matches && !ready))
        throw CryptoFailure(entryName, "PBKDF2, AES or HMAC setup");
    if (!matches)
        throw WrongPassword("Mot de passe incorrect pour " + Quoted(entryName) + ".",
                            "AES password verifier mismatch");

    if (s.deflated) {
        if (inflateInit2(&s.inflater, -15) != Z_OK)
            throw ZipError(FrenchZipMessage(ZIP_ER_MEMORY, entryName), "inflateInit2");
        s.inflaterReady = true;
    }
    const std::size_t pieceSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(s.dataLeft, kPiece));
    s.piece.resize(pieceSize);
    s.counters.assign((pieceSize + kBlock - 1) / kBlock * kBlock, 0);
    s.keystream.resize(s.counters.size());
}

Ae2Reader::~Ae2Reader() = default;

std::size_t Ae2Reader::read(char *out, std::size_t size) {
    State &s = *state_;
    if (s.atEnd || size == 0) return 0;
    auto *bytes = reinterpret_cast<unsigned char *>(out);
    const std::size_t n = s.deflated ? s.readDeflated(bytes, size) : s.readStored(bytes, size);
    s.produced += n;
    if (s.produced > s.announced)
        throw s.compressedDamage("more data than the announced " + std::to_string(s.announced));
    if (n == 0) {
        if (s.produced != s.announced)
            throw s.compressedDamage("size " + std::to_string(s.produced) + " instead of " +
                                     std::to_string(s.announced));
        s.atEnd = true;
    }
    return n;
}

void Ae2Reader::verify() {
    State &s = *state_;
    if (s.verified) return;
    if (!s.atEnd)
        throw ZipError("La lecture de " + Quoted(s.entryName) +
                           " n'est pas allée jusqu'au bout : ses données ne sont pas vérifiées.",
                       "verify() before the end of the data");
    std::array<unsigned char, kMacSize> stored{};
    s.readRaw(stored.data(), stored.size());
    std::array<unsigned char, EVP_MAX_MD_SIZE> computed{};
    std::size_t length = 0;
    if (EVP_MAC_final(s.mac.get(), computed.data(), &length, computed.size()) != 1 ||
        length < kMacSize)
        throw CryptoFailure(s.entryName, "EVP_MAC_final");
    if (CRYPTO_memcmp(computed.data(), stored.data(), kMacSize) != 0)
        throw ZipError(DamagedText(s.entryName), "HMAC-SHA1 mismatch");
    s.verified = true;
}

} // namespace zipcomponent
