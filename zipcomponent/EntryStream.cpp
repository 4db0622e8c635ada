#include "EntryStream.h"

#include "LibzipError.h"
#include "WinZipAes.h"

namespace zipcomponent {

namespace {

// libzip's own reading: inflate, traditional decryption, and the CRC checked at the close.
class LibzipStream final : public EntryStream {
public:
    LibzipStream(zip_file_t *file, const std::string &entryName, std::uint64_t size, bool encrypted)
        : file_(file), entryName_(entryName), announced_(size), encrypted_(encrypted) {}
    ~LibzipStream() override {
        if (file_) zip_fclose(file_);
    }
    LibzipStream(const LibzipStream &) = delete;
    LibzipStream &operator=(const LibzipStream &) = delete;

    std::size_t read(char *out, std::size_t size) override {
        const zip_int64_t got = zip_fread(file_, out, size);
        if (got < 0)
            throw damaged(FrenchZipMessage(zip_error_code_zip(zip_file_get_error(file_)),
                                           entryName_, Subject::Entry),
                          zip_file_strerror(file_));
        produced_ += static_cast<std::uint64_t>(got);
        if (produced_ > announced_) throw damaged(wrongSize(), "more data than announced");
        return static_cast<std::size_t>(got);
    }

    void verify() override {
        // The close result carries libzip's late CRC verdict.
        const int closed = zip_fclose(file_);
        file_ = nullptr;
        if (closed != 0)
            throw damaged(FrenchZipMessage(ZIP_ER_CRC, entryName_, Subject::Entry), "zip_fclose");
        if (produced_ != announced_) throw damaged(wrongSize(), "size mismatch");
    }

private:
    std::string wrongSize() const {
        return "L'entrée " + Quoted(entryName_) + " est endommagée (taille inattendue).";
    }
    // A wrong password passes the one-byte check of traditional encryption once in 256 times,
    // and then yields damaged data.
    ZipError damaged(std::string text, std::string detail) const {
        if (encrypted_)
            return ZipError("Mot de passe incorrect ou données endommagées pour " +
                                Quoted(entryName_) + ".",
                            std::move(detail));
        return ZipError(std::move(text), std::move(detail));
    }

    zip_file_t *file_;
    std::string entryName_;
    std::uint64_t announced_;
    std::uint64_t produced_ = 0;
    bool encrypted_;
};

} // namespace

std::unique_ptr<EntryStream> OpenEntryStream(zip_t *archive, zip_uint64_t index,
                                             const std::string &entryName, std::uint64_t size,
                                             bool ae2, const std::string *password) {
    if (ae2) return std::make_unique<Ae2Reader>(archive, index, entryName, *password);
    zip_file_t *file = password ? zip_fopen_index_encrypted(archive, index, 0, password->c_str())
                                : zip_fopen_index(archive, index, 0);
    if (!file) {
        const bool refused = zip_error_code_zip(zip_get_error(archive)) == ZIP_ER_WRONGPASSWD;
        const ZipError failure = LibzipError(archive, entryName, Subject::Entry);
        if (refused) throw WrongPassword(failure.description(), failure.detail());
        throw failure;
    }
    return std::make_unique<LibzipStream>(file, entryName, size, password != nullptr);
}

} // namespace zipcomponent
