#include "FileSource.h"

#include "SystemErrorText.h"

#include "AtomicFile.h"
#include "ReadWrite.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zipcomponent {

namespace {

// O_NONBLOCK: a FIFO swapped in after the check opens at once instead of waiting for a writer.
constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

std::string frenchReason(int error) {
    // EINVAL is what the check of an added file says of anything but a regular file.
    return error == EINVAL ? "ce n'est pas un fichier ordinaire" : fileio::FrenchErrorText(error);
}

ZipError unreadable(const std::string &path, int error) {
    return ZipError("Lecture impossible de " + Quoted(path) + " (" + frenchReason(error) +
                        ") : le fichier n'est pas ajouté.",
                    std::strerror(error));
}

struct FileReader {
    CheckedFile file;
    FileFailure *failure = nullptr;
    int fd = -1;
    bool atEnd = false; // libzip asks again after the end: the answer is known
    zip_error_t error{};

    zip_int64_t failed(int code, int system) {
        zip_error_set(&error, code, system);
        failure->path = file.path;
        failure->error = system;
        return -1;
    }
};

zip_int64_t callback(void *userdata, void *data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto *r = static_cast<FileReader *>(userdata);
    switch (cmd) {
    case ZIP_SOURCE_OPEN: {
        r->atEnd = false;
        r->fd = ::open(r->file.path.c_str(), kOpenFlags);
        if (r->fd < 0) return r->failed(ZIP_ER_OPEN, errno);
        struct stat st {};
        if (fstat(r->fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            const int error = S_ISREG(st.st_mode) ? errno : EINVAL;
            close(r->fd);
            r->fd = -1;
            return r->failed(ZIP_ER_OPEN, error);
        }
        return 0;
    }
    case ZIP_SOURCE_READ: {
        if (r->atEnd) return 0;
        const ssize_t done = fileio::ReadAll(r->fd, data, len);
        if (done < 0) return r->failed(ZIP_ER_READ, errno);
        r->atEnd = static_cast<zip_uint64_t>(done) < len;
        return done;
    }
    case ZIP_SOURCE_CLOSE:
        if (r->fd >= 0) close(r->fd);
        r->fd = -1;
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &r->error);
        if (!st) return -1;
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        st->size = static_cast<zip_uint64_t>(r->file.st.st_size);
        st->mtime = r->file.st.st_mtime;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
        auto *attributes = ZIP_SOURCE_GET_ARGS(zip_file_attributes_t, data, len, &r->error);
        if (!attributes) return -1;
        // The Unix mode, as libzip's own file source records it: extraction restores it.
        attributes->valid |=
            ZIP_FILE_ATTRIBUTES_HOST_SYSTEM | ZIP_FILE_ATTRIBUTES_EXTERNAL_FILE_ATTRIBUTES;
        attributes->host_system = ZIP_OPSYS_UNIX;
        attributes->external_file_attributes = (r->file.st.st_mode & 0xffffu) << 16;
        return sizeof(zip_file_attributes_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&r->error, data, len);
    case ZIP_SOURCE_FREE:
        if (r->fd >= 0) close(r->fd);
        zip_error_fini(&r->error);
        delete r;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_GET_FILE_ATTRIBUTES, -1);
    default:
        zip_error_set(&r->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

CheckedFile CheckFile(const std::string &path) {
    const auto statFailed = [&path] {
        if (errno == ENOENT)
            return ZipError("Le fichier " + Quoted(path) + " est introuvable.",
                            std::strerror(errno));
        return unreadable(path, errno);
    };
    CheckedFile file;
    file.path = path;
    if (lstat(path.c_str(), &file.st) != 0) throw statFailed();
    if (S_ISLNK(file.st.st_mode)) {
        if (!fileio::ResolveLinks(path, file.path)) throw unreadable(path, errno);
        if (stat(file.path.c_str(), &file.st) != 0) throw statFailed();
    }
    // A device or a FIFO is never opened: opening one may block or act on the device.
    if (!S_ISREG(file.st.st_mode))
        throw ZipError(Quoted(path) + " n'est pas un fichier ordinaire : il n'est pas ajouté.");
    const int fd = ::open(file.path.c_str(), kOpenFlags);
    if (fd < 0) throw unreadable(path, errno);
    char byte;
    const bool readable =
        fstat(fd, &file.st) == 0 && S_ISREG(file.st.st_mode) && pread(fd, &byte, 1, 0) >= 0;
    const int error = S_ISREG(file.st.st_mode) ? errno : EINVAL;
    close(fd);
    if (!readable) throw unreadable(path, error);
    return file;
}

SourceHandle CreateFileSource(const CheckedFile &file, FileFailure *failure) {
    auto reader = std::make_unique<FileReader>();
    reader->file = file;
    reader->failure = failure;
    zip_error_init(&reader->error);
    zip_error_t error;
    zip_error_init(&error);
    SourceHandle source(zip_source_function_create(callback, reader.get(), &error));
    zip_error_fini(&error);
    if (!source) {
        zip_error_fini(&reader->error);
        throw ZipError("Mémoire insuffisante pour ajouter " + Quoted(file.path) + ".");
    }
    reader.release(); // freed by ZIP_SOURCE_FREE
    return source;
}

} // namespace zipcomponent
