#include "BufferedSource.h"

#include "AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace zipcomponent {

namespace {

constexpr std::size_t kBufferSize = 1 << 20; // writes
constexpr std::size_t kReadAhead = 1 << 18;  // reads, which often jump

// Invariant of the read side: while readLength > 0, readBuffer holds the file's bytes from
// readStart to readStart + readLength, the inner source stands at readStart + readLength, and our
// position is readStart + readPos. With readLength == 0 our position is the inner source's.
struct Buffered {
    zip_source_t *inner = nullptr;
    std::string path;
    zip_error_t error{};
    std::vector<char> readBuffer;
    zip_int64_t readStart = 0;               // where readBuffer[0] sits in the file
    std::size_t readPos = 0, readLength = 0; // unread bytes: readLength - readPos
    // Invariant of the write side: writeBuffer holds the new archive's bytes from writeStart to
    // writeStart + writeLength, not yet written; the file stands at writeStart, and our position
    // is writeStart + writePos (writePos <= writeLength). libzip seeks back after each entry to
    // patch its local header: inside the buffer that is a copy, not two system calls.
    std::vector<char> writeBuffer;
    off_t writeStart = 0;
    std::size_t writeLength = 0, writePos = 0;
    // The new archive: libzip's own temporary file (a predictable name, unknown to the signal
    // handlers, written through a link to the archive) is never used.
    fileio::AtomicFile out;

    // Copies the inner source's error into ours; returns -1 for the callback.
    zip_int64_t failed() {
        const zip_error_t *e = zip_source_error(inner);
        zip_error_set(&error, zip_error_code_zip(e), zip_error_code_system(e));
        return -1;
    }
    // Sets our error from a failed step of the new archive; returns -1 for the callback.
    zip_int64_t writeFailed(int code) {
        zip_error_set(&error, code, errno);
        return -1;
    }
    // Writes the buffer out; the file then stands at our position.
    bool flush() {
        if (writeLength == 0) return true;
        if (!out.write(writeBuffer.data(), writeLength)) return false;
        if (writePos != writeLength &&
            !out.seek(writeStart + static_cast<off_t>(writePos), SEEK_SET))
            return false;
        writeStart += static_cast<off_t>(writePos);
        writeLength = writePos = 0;
        return true;
    }
    void resetWrite() { writeStart = 0, writeLength = writePos = 0; }
    void dropReadBuffer() { readPos = readLength = 0; }
};

zip_int64_t callback(void *userdata, void *data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto *b = static_cast<Buffered *>(userdata);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        b->dropReadBuffer();
        return zip_source_open(b->inner) == 0 ? 0 : b->failed();
    case ZIP_SOURCE_READ: {
        char *out = static_cast<char *>(data);
        zip_uint64_t done = 0;
        while (done < len) {
            if (b->readPos == b->readLength) {
                // Spent: the inner position moves on, so the buffer no longer describes it.
                b->dropReadBuffer();
                if (len - done >= kReadAhead) { // large reads go straight through
                    const zip_int64_t n = zip_source_read(b->inner, out + done, len - done);
                    if (n < 0) return b->failed();
                    done += static_cast<zip_uint64_t>(n);
                    break;
                }
                const zip_int64_t start = zip_source_tell(b->inner);
                if (start < 0) return b->failed();
                const zip_int64_t n = zip_source_read(b->inner, b->readBuffer.data(), kReadAhead);
                if (n < 0) return b->failed();
                if (n == 0) break;
                b->readStart = start;
                b->readPos = 0;
                b->readLength = static_cast<std::size_t>(n);
            }
            const std::size_t take = std::min<std::size_t>(b->readLength - b->readPos, len - done);
            std::memcpy(out + done, b->readBuffer.data() + b->readPos, take);
            b->readPos += take;
            done += take;
        }
        return static_cast<zip_int64_t>(done);
    }
    case ZIP_SOURCE_CLOSE:
        b->dropReadBuffer();
        return zip_source_close(b->inner) == 0 ? 0 : b->failed();
    case ZIP_SOURCE_SEEK: {
        auto *args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, len, &b->error);
        if (!args) return -1;
        // libzip seeks to every entry it copies, mostly a little ahead: a target inside the
        // buffer costs nothing.
        if (b->readLength > 0 && args->whence != SEEK_END) {
            const zip_int64_t here = b->readStart + static_cast<zip_int64_t>(b->readPos);
            const zip_int64_t target =
                args->whence == SEEK_SET ? args->offset : here + args->offset;
            if (target >= b->readStart &&
                target <= b->readStart + static_cast<zip_int64_t>(b->readLength)) {
                b->readPos = static_cast<std::size_t>(target - b->readStart);
                return 0;
            }
            // A refused seek moves nothing: the buffer stays until the inner source has moved.
            if (zip_source_seek(b->inner, target, SEEK_SET) != 0) return b->failed();
            b->dropReadBuffer();
            return 0;
        }
        if (zip_source_seek(b->inner, args->offset, args->whence) != 0) return b->failed();
        b->dropReadBuffer();
        return 0;
    }
    case ZIP_SOURCE_TELL: {
        if (b->readLength > 0) return b->readStart + static_cast<zip_int64_t>(b->readPos);
        const zip_int64_t at = zip_source_tell(b->inner);
        return at < 0 ? b->failed() : at;
    }
    case ZIP_SOURCE_STAT: {
        if (len < sizeof(zip_stat_t)) {
            zip_error_set(&b->error, ZIP_ER_INVAL, 0);
            return -1;
        }
        if (zip_source_stat(b->inner, static_cast<zip_stat_t *>(data)) != 0) return b->failed();
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&b->error, data, len);
    case ZIP_SOURCE_FREE:
        zip_source_free(b->inner);
        zip_error_fini(&b->error);
        delete b;
        return 0;
    case ZIP_SOURCE_BEGIN_WRITE:
        b->resetWrite();
        return b->out.open(b->path) ? 0 : b->writeFailed(ZIP_ER_TMPOPEN);
    case ZIP_SOURCE_WRITE: {
        const char *in = static_cast<const char *>(data);
        if ((len >= kBufferSize || b->writePos + len > kBufferSize) && !b->flush())
            return b->writeFailed(ZIP_ER_WRITE);
        if (len >= kBufferSize) {
            if (!b->out.write(in, len)) return b->writeFailed(ZIP_ER_WRITE);
            b->writeStart += static_cast<off_t>(len);
            return static_cast<zip_int64_t>(len);
        }
        std::memcpy(b->writeBuffer.data() + b->writePos, in, len);
        b->writePos += len;
        b->writeLength = std::max(b->writeLength, b->writePos);
        return static_cast<zip_int64_t>(len);
    }
    case ZIP_SOURCE_SEEK_WRITE: {
        auto *args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, len, &b->error);
        if (!args) return -1;
        const off_t here = b->writeStart + static_cast<off_t>(b->writePos);
        const off_t target = args->whence == SEEK_SET   ? args->offset
                             : args->whence == SEEK_CUR ? here + args->offset
                                                        : -1;
        if (target >= b->writeStart &&
            target <= b->writeStart + static_cast<off_t>(b->writeLength)) {
            b->writePos = static_cast<std::size_t>(target - b->writeStart);
            return 0;
        }
        // The buffer goes out before the seek: its failure is a write's (a full disk).
        if (!b->flush()) return b->writeFailed(ZIP_ER_WRITE);
        if (!b->out.seek(args->whence == SEEK_END ? args->offset : target,
                         args->whence == SEEK_END ? SEEK_END : SEEK_SET))
            return b->writeFailed(ZIP_ER_SEEK);
        const off_t at = b->out.tell();
        if (at < 0) return b->writeFailed(ZIP_ER_SEEK);
        b->writeStart = at;
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return static_cast<zip_int64_t>(b->writeStart) + static_cast<zip_int64_t>(b->writePos);
    case ZIP_SOURCE_COMMIT_WRITE:
        if (!b->flush() || !b->out.commit()) return b->writeFailed(ZIP_ER_WRITE);
        return 0;
    case ZIP_SOURCE_ROLLBACK_WRITE:
        b->resetWrite();
        b->out.discard();
        return 0;
    case ZIP_SOURCE_REMOVE: {
        // libzip removes an archive whose last entry went. The user keeps the file instead, as
        // the 22-byte end record of an archive without entries, replaced like any other rewrite:
        // a failure leaves the archive as it was.
        static const char emptyArchive[22] = {'P', 'K', 5, 6};
        if (!fileio::WriteFileAtomically(b->path, {emptyArchive, sizeof emptyArchive})) {
            zip_error_set(&b->error, ZIP_ER_WRITE, errno);
            return -1;
        }
        return 0;
    }
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_WRITABLE | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_REMOVE);
    default:
        zip_error_set(&b->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

zip_source_t *CreateBufferedFileSource(const std::string &path, zip_error_t *error) {
    zip_source_t *inner = zip_source_file_create(path.c_str(), 0, -1, error);
    if (!inner) return nullptr;
    auto b = std::make_unique<Buffered>();
    b->inner = inner;
    b->path = path;
    zip_error_init(&b->error);
    b->readBuffer.resize(kReadAhead);
    b->writeBuffer.resize(kBufferSize);
    zip_source_t *outer = zip_source_function_create(callback, b.get(), error);
    if (!outer) {
        zip_source_free(inner);
        zip_error_fini(&b->error);
        return nullptr;
    }
    b.release();
    return outer;
}

} // namespace zipcomponent
