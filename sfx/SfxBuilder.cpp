// The build steps of a self-extracting program.
#include "SfxBuilder.h"

#include "Descriptor.h"
#include "HuffmanCoding.h"
#include "PendingFile.h"
#include "ReadWrite.h"
#include "SfxLayout.h"
#include "SystemErrorText.h"
#include "TemporaryFiles.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace sfx {

namespace {

struct BuildFailure {
    std::string message;
};
struct BuildCancelled {};

[[noreturn]] void fail(const std::string &what, const std::string &path, int error) {
    throw BuildFailure{what + " " + fileio::Quoted(path) + " : " + fileio::FrenchErrorText(error) +
                       "."};
}

[[noreturn]] void failNotRegular(const std::string &what, const std::string &path) {
    throw BuildFailure{what + " " + fileio::Quoted(path) + " : ce n'est pas un fichier ordinaire."};
}

std::string fileNameOf(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool sameFile(const std::string &a, const std::string &b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The temporary file "<archive>_": the one fixed temporary name. It is created exclusively, so
// that nothing already there (a file of the user's, a link, a hard link to another file) is
// ever opened; only the file this build created is ever removed.
class EncodedTemp {
public:
    explicit EncodedTemp(std::string path) : path_(std::move(path)) {}
    ~EncodedTemp() { remove(); }

    void create() {
        {
            const fileio::TemporaryCreation creation;
            // 0600: the archive's bytes may be private; this copy is nobody else's business.
            fd_.reset(
                ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (fd_.get() >= 0) slot_ = fileio::RegisterTemporary(absolute(path_).c_str());
        }
        if (fd_.get() < 0 && errno == EEXIST)
            throw BuildFailure{"Le fichier " + fileio::Quoted(path_) +
                               " existe déjà : supprimez-le ou renommez-le, puis recommencez."};
        if (fd_.get() < 0) fail("Écriture impossible du fichier temporaire", path_, errno);
        struct stat st {};
        ::fstat(fd_.get(), &st);
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
    int fd() const { return fd_.get(); }
    const std::string &path() const { return path_; }

    void remove() {
        if (fd_.get() < 0) return;
        fd_.reset();
        // The name may have been taken over meanwhile (by the output itself, say): leave it then.
        struct stat st {};
        if (::lstat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_)
            ::unlink(path_.c_str());
        fileio::UnregisterTemporary(slot_);
        slot_ = 0;
    }

private:
    // The clean-up may run in any current folder.
    static std::string absolute(const std::string &path) {
        if (!path.empty() && path.front() == '/') return path;
        char cwd[PATH_MAX];
        return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : path;
    }

    std::string path_;
    fileio::Descriptor fd_;
    fileio::TemporarySlot slot_ = 0;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

class Builder {
public:
    Builder(const BuildRequest &request, const BuildEvents &events)
        : request_(request), events_(events), temp_(request.archivePath + "_") {}

    BuildResult run();

private:
    void status(const std::string &text) const {
        if (events_.status) events_.status(text);
    }
    // The program may be ending under a build that runs on a thread of its own.
    void stopIfAsked() const {
        if (fileio::ProgramEnding() || (events_.cancelRequested && events_.cancelRequested()))
            throw BuildCancelled{};
    }
    std::string readArchive();
    void encodeToTemp(std::string archive);
    void writeOutput(detail::PendingFile &output, const std::string &header);

    const BuildRequest &request_;
    const BuildEvents &events_;
    EncodedTemp temp_;
    std::uint64_t archiveSize_ = 0;
    std::uint64_t encodedSize_ = 0;
};

// Opens the archive, creates the temporary file once the archive is known to be packable, and
// reads the archive whole.
std::string Builder::readArchive() {
    const std::string &path = request_.archivePath;
    // O_NONBLOCK: a FIFO in the archive's place is refused below instead of waited on.
    fileio::Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        fail("Lecture impossible de l'archive", path, errno);
    if (!S_ISREG(st.st_mode)) failNotRegular("Lecture impossible de l'archive", path);
    if (static_cast<std::uint64_t>(st.st_size) > kMaxArchiveBytes) {
        const std::string why = "L'archive " + fileio::Quoted(path) +
                                " dépasse 2 147 483 647 octets : elle ne peut pas être placée "
                                "dans un fichier Auto-Extractible.";
        status(why);
        throw BuildFailure{why};
    }
    temp_.create();
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    const ssize_t got = fileio::ReadAll(fd.get(), bytes.data(), bytes.size());
    if (got < 0) fail("Lecture impossible de l'archive", path, errno);
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

void Builder::encodeToTemp(std::string archive) {
    archiveSize_ = archive.size();
    std::string encoded = HuffmanCoding::HuffmanEncode(archive, false);
    std::string().swap(archive);
    status(request_.archivePath + " a été compressé avec succès.");
    stopIfAsked();
    if (!fileio::WriteAll(temp_.fd(), encoded.data(), encoded.size()))
        fail("Écriture impossible du fichier temporaire", temp_.path(), errno);
    encodedSize_ = encoded.size();
}

void Builder::writeOutput(detail::PendingFile &output, const std::string &header) {
    std::string stubPath = request_.stubFolder;
    if (!stubPath.empty() && stubPath.back() != '/') stubPath += '/';
    stubPath += kStubFileName;
    if (sameFile(stubPath, request_.outputPath))
        throw BuildFailure{"Le fichier Auto-Extractible ne peut pas remplacer le programme " +
                           fileio::Quoted(stubPath) + "."};
    fileio::Descriptor stub(::open(stubPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (stub.get() < 0 || ::fstat(stub.get(), &st) != 0)
        fail("Lecture impossible du programme d'extraction", stubPath, errno);
    if (!S_ISREG(st.st_mode))
        failNotRegular("Lecture impossible du programme d'extraction", stubPath);

    std::vector<char> buffer(64 * 1024);
    try {
        for (;;) {
            const ssize_t got = fileio::ReadAll(stub.get(), buffer.data(), buffer.size());
            if (got < 0) fail("Lecture impossible du programme d'extraction", stubPath, errno);
            output.write(buffer.data(), static_cast<std::size_t>(got));
            if (static_cast<std::size_t>(got) < buffer.size()) break;
        }
        output.write(header.data(), header.size());

        if (::lseek(temp_.fd(), 0, SEEK_SET) != 0)
            fail("Lecture impossible du fichier temporaire", temp_.path(), errno);
        if (events_.progressShown) events_.progressShown(true);
        status("Ajout de " + request_.archivePath + "...");
        const auto piece = [&](std::uint64_t size) {
            const ssize_t got = fileio::ReadAll(temp_.fd(), buffer.data(), size);
            if (got != static_cast<ssize_t>(size))
                fail("Lecture impossible du fichier temporaire", temp_.path(),
                     got < 0 ? errno : EIO);
            output.write(buffer.data(), size);
        };
        std::uint64_t copied = 0;
        for (;;) {
            const std::uint64_t remaining = encodedSize_ - copied;
            if (events_.progress) events_.progress(copied, encodedSize_);
            stopIfAsked();
            if (remaining <= kPieceBytes) {
                piece(remaining);
                break;
            }
            piece(kPieceBytes);
            copied += kPieceBytes;
        }
        if (events_.progressShown) events_.progressShown(false);
    } catch (const std::system_error &e) {
        fail("Écriture impossible du fichier", request_.outputPath, e.code().value());
    }
}

BuildResult Builder::run() {
    const std::string &archivePath = request_.archivePath;
    const std::string name = fileNameOf(archivePath);
    if (request_.outputPath.empty()) throw BuildFailure{kNoOutputName};
    if (!IsValidPayloadName(name))
        throw BuildFailure{"Le nom " + fileio::Quoted(name) +
                           " ne peut pas être enregistré dans un fichier Auto-Extractible."};
    if (sameFile(archivePath, request_.outputPath))
        throw BuildFailure{"Le fichier Auto-Extractible ne peut pas remplacer l'archive " +
                           fileio::Quoted(archivePath) + "."};

    status("Compression de " + archivePath);
    encodeToTemp(readArchive());
    const std::string header = SfxHeaderBytes({name}, {encodedSize_});
    const double total = static_cast<double>(archiveSize_);

    stopIfAsked();
    std::unique_ptr<detail::PendingFile> output;
    try {
        output = std::make_unique<detail::PendingFile>(request_.outputPath);
    } catch (const std::system_error &e) {
        fail("Écriture impossible du fichier", request_.outputPath, e.code().value());
    }
    writeOutput(*output, header);
    stopIfAsked();
    try {
        output->commit();
    } catch (const std::system_error &e) {
        fail("Écriture impossible du fichier", request_.outputPath, e.code().value());
    }

    BuildResult result;
    result.ok = true;
    result.outputSize = output->size();
    status(request_.outputPath + " a été crée avec succès !");
    temp_.remove();
    if (total != 0)
        result.summary =
            SummaryText(request_.outputPath, total, result.outputSize, request_.decimalSeparator);
    return result;
}

} // namespace

BuildResult BuildSelfExtractor(const BuildRequest &request, const BuildEvents &events) {
    BuildResult result;
    try {
        return Builder(request, events).run();
    } catch (const BuildFailure &failure) {
        result.error = failure.message;
    } catch (const BuildCancelled &) {
        result.cancelled = true;
    } catch (const HuffmanCoding::CodecError &e) {
        result.error = e.description();
    } catch (const std::bad_alloc &) {
        result.error = "Mémoire insuffisante pour créer le fichier Auto-Extractible.";
    }
    return result;
}

} // namespace sfx
