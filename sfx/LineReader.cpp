#include "LineReader.h"

#include "SfxLayout.h"
#include "SystemErrorText.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace sfx::detail {

namespace {
constexpr std::size_t kBufferBytes = 64 * 1024;
}

LineReader::LineReader(int fd) : fd_(fd), buffer_(kBufferBytes) {}

bool LineReader::fill() {
    base_ += end_;
    begin_ = end_ = 0;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
        if (got > 0) {
            end_ = static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) return false;
        if (errno != EINTR)
            throw SfxLayoutError(SfxLayoutError::Kind::System, errno,
                                 fileio::FrenchErrorText(errno));
    }
}

bool LineReader::next(std::string &line, std::size_t keep, bool &complete) {
    line.clear();
    complete = true;
    bool started = false;
    for (;;) {
        if (begin_ == end_ && !fill()) return started;
        started = true;
        const char *from = buffer_.data() + begin_;
        const std::size_t available = end_ - begin_;
        const auto *cr = static_cast<const char *>(std::memchr(from, '\r', available));
        const std::size_t length = cr ? static_cast<std::size_t>(cr - from) : available;
        const std::size_t room = keep - line.size();
        if (length > room) complete = false;
        line.append(from, std::min(length, room));
        begin_ += length;
        if (cr) {
            ++begin_;
            // The LF that may follow can lie in the next block; look before returning so that
            // position() is exact right after a marker line.
            if (begin_ == end_) fill();
            if (begin_ < end_ && buffer_[begin_] == '\n') ++begin_;
            return true;
        }
    }
}

} // namespace sfx::detail
