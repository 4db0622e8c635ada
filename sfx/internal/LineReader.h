// LineReader: a file read as lines by the layout's rule. A CR ends a line and is not part of
// it; an LF right after that CR is consumed too; a lone LF, NUL and every other byte are
// ordinary characters. A last line without CR still counts.
//
// Lines may be arbitrarily long: the reader scans its buffer with memchr and keeps at most the
// first `keep` bytes of a line, so reading a file costs time linear in its size and memory
// bounded by the buffer and `keep`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sfx::detail {

class LineReader {
public:
    // Reads from `fd`, which stays owned by the caller, from its current position (taken as 0).
    explicit LineReader(int fd);

    // Reads the next line into `line`, keeping at most `keep` bytes of it; `complete` tells
    // whether the whole line was kept. Returns false at the end of the file, when no byte is
    // left. A read failure throws SfxLayoutError (System).
    bool next(std::string &line, std::size_t keep, bool &complete);

    // Offset of the next byte a line would start with.
    std::uint64_t position() const { return base_ + begin_; }

private:
    bool fill();

    int fd_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // next unread byte in buffer_
    std::size_t end_ = 0;    // end of the bytes read into buffer_
    std::uint64_t base_ = 0; // file offset of buffer_[0]
};

} // namespace sfx::detail
