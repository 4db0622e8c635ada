#include "SfxDecode.h"

#include "HuffmanCoding.h"
#include "SystemErrorText.h"
#include "TemporaryFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sfx {

namespace {

std::string quoted(const std::string &path) {
    return "« " + path + " »";
}

[[noreturn]] void unreadable(const std::string &program, const std::string &reason) {
    throw SfxDecodeError("Le programme auto-extractible " + quoted(program) +
                         " ne peut pas être lu : " + reason);
}

// Closes on every path.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// Exactly `size` bytes; 0 when they were read, -1 at the end of the file, else errno.
int readExactly(int fd, char *out, std::size_t size) {
    while (size > 0) {
        const ssize_t got = ::read(fd, out, size);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) return -1;
        out += got;
        size -= static_cast<std::size_t>(got);
    }
    return 0;
}

bool writeAll(int fd, const char *data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// Every payload read and decoded in header order, as the stub does; the last one, the archive,
// is returned.
HuffmanCoding::ByteString decodePayloads(const std::string &program, const SfxHeader &header) {
    std::uint64_t start = 0;
    try {
        // The payloads must all fit behind the data marker: a program cut short has no data.
        start = FindSfxPayloads(program, header.payloadLengths);
    } catch (const SfxLayoutError &e) {
        unreadable(program, e.what());
    }
    Fd in;
    in.fd = ::open(program.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0 || ::lseek(in.fd, static_cast<off_t>(start), SEEK_SET) < 0)
        unreadable(program, fileio::FrenchErrorText(errno));

    HuffmanCoding::ByteString decoded;
    for (const std::uint64_t length : header.payloadLengths) {
        HuffmanCoding::ByteString payload(length, '\0');
        const int read = readExactly(in.fd, payload.data(), payload.size());
        if (read < 0) unreadable(program, Msg::NoData);
        if (read > 0) unreadable(program, fileio::FrenchErrorText(read));
        try {
            decoded = HuffmanCoding::HuffmanDecode(payload);
        } catch (const HuffmanCoding::CodecError &e) {
            unreadable(program, e.description());
        }
    }
    return decoded;
}

} // namespace

bool LooksLikeProgram(const std::string &path) {
    Fd file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    char magic[4] = {};
    return readExactly(file.fd, magic, sizeof magic) == 0 && std::memcmp(magic,
                                                                         "\x7f"
                                                                         "ELF",
                                                                         4) == 0;
}

std::optional<SfxHeader> ProgramHeader(const std::string &path) {
    if (!LooksLikeProgram(path)) return std::nullopt;
    try {
        return ReadSfxListing(path);
    } catch (const SfxLayoutError &) {
        return std::nullopt;
    }
}

DecodedArchive::DecodedArchive(const std::string &program, const SfxHeader &header,
                               const std::string &parent, const std::string &prefix) {
    if (header.fileNames.empty() || header.fileNames.size() != header.payloadLengths.size())
        unreadable(program, Msg::NotSelfExtracting);
    const HuffmanCoding::ByteString archive = decodePayloads(program, header);

    std::string folder = parent + (parent.ends_with('/') ? "" : "/") + prefix + "XXXXXX";
    if (!::mkdtemp(folder.data()))
        throw SfxDecodeError("Impossible de créer un dossier privé dans " + quoted(parent) + " : " +
                             fileio::FrenchErrorText(errno));
    folder_ = folder;
    // The stored name is a bare file name (the listing reader refuses any other).
    path_ = folder_ + '/' + header.fileNames.back();
    // The folder is new and the user's alone: nothing else can be at that name.
    slot_ = fileio::RegisterTemporary(path_.c_str());
    Fd out;
    out.fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out.fd < 0 || !writeAll(out.fd, archive.data(), archive.size()) ||
        ::fstat(out.fd, &written_) != 0) {
        const int error = errno;
        const bool created = out.fd >= 0;
        if (created) ::unlink(path_.c_str());
        fileio::UnregisterTemporary(slot_);
        ::rmdir(folder_.c_str());
        throw SfxDecodeError("Impossible d'écrire " + quoted(path_) + " : " +
                             fileio::FrenchErrorText(error));
    }
}

DecodedArchive::~DecodedArchive() {
    struct stat now {};
    if (::lstat(path_.c_str(), &now) == 0 && now.st_dev == written_.st_dev &&
        now.st_ino == written_.st_ino)
        ::unlink(path_.c_str());
    fileio::UnregisterTemporary(slot_);
    ::rmdir(folder_.c_str());
}

std::unique_ptr<DecodedArchive>
DecodeIfProgram(const std::string &program, const std::string &parent, const std::string &prefix) {
    const std::optional<SfxHeader> header = ProgramHeader(program);
    if (!header) return nullptr;
    return std::make_unique<DecodedArchive>(program, *header, parent, prefix);
}

} // namespace sfx
