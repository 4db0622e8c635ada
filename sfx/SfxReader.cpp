// The two readers of the layout: the listing reader and the payload finder.
#include "SfxLayout.h"

#include "Descriptor.h"
#include "LineReader.h"
#include "SystemErrorText.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace sfx {

namespace {

using Kind = SfxLayoutError::Kind;

// The longest marker is 17 bytes: keeping 18 tells a marker from a longer line.
constexpr std::size_t kMarkerKeep = 18;
// 20 digits hold every 64-bit value: a longer line is refused, leading zeros or not.
constexpr std::size_t kNumberKeep = 20;

[[noreturn]] void fail(Kind kind) {
    throw SfxLayoutError(kind, 0, kind == Kind::NoData ? Msg::NoData : Msg::NotSelfExtracting);
}

[[noreturn]] void failSystem(int error) {
    throw SfxLayoutError(Kind::System, error, fileio::FrenchErrorText(error));
}

class OpenFile {
public:
    explicit OpenFile(const std::string &path)
        : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
        if (!fd_.isOpen()) failSystem(errno);
        struct stat st {};
        if (::fstat(fd_.get(), &st) != 0) failSystem(errno);
        size_ = static_cast<std::uint64_t>(st.st_size);
    }

    int fd() const { return fd_.get(); }
    std::uint64_t size() const { return size_; }

private:
    fileio::Descriptor fd_;
    std::uint64_t size_ = 0;
};

// Reads lines until one equals the marker; `missing` is the failure when the file ends first.
void skipTo(detail::LineReader &reader, Marker marker, Kind missing) {
    const std::string text = MarkerText(marker);
    std::string line;
    bool complete = true;
    while (reader.next(line, kMarkerKeep, complete))
        if (complete && line == text) return;
    fail(missing);
}

// A plain decimal number of at most `limit`; anything else makes the header untrustworthy.
std::uint64_t readNumber(detail::LineReader &reader, std::uint64_t limit) {
    std::string line;
    bool complete = true;
    if (!reader.next(line, kNumberKeep, complete) || !complete || line.empty())
        fail(Kind::NotSelfExtracting);
    std::uint64_t value = 0;
    for (const char c : line) {
        if (c < '0' || c > '9') fail(Kind::NotSelfExtracting);
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (digit > limit || value > (limit - digit) / 10) fail(Kind::NotSelfExtracting);
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

SfxHeader ReadSfxListing(const std::string &path) {
    OpenFile file(path);
    detail::LineReader reader(file.fd());
    SfxHeader header;

    skipTo(reader, Marker::Count, Kind::NotSelfExtracting);
    // Every name line holds at least two bytes, so a count beyond the file's size is a lie.
    header.fileCount = readNumber(reader, file.size());
    if (header.fileCount == 0) fail(Kind::NotSelfExtracting);

    skipTo(reader, Marker::Names, Kind::NotSelfExtracting);
    std::string line;
    bool complete = true;
    for (std::uint64_t i = 0; i < header.fileCount; ++i) {
        if (!reader.next(line, kMaxNameBytes + 1, complete) || !complete ||
            !IsValidPayloadName(line))
            fail(Kind::NotSelfExtracting);
        header.fileNames.push_back(line);
    }

    // A valid name is never a marker text, so the lengths marker is always still to come here.
    skipTo(reader, Marker::Lengths, Kind::NotSelfExtracting);
    std::uint64_t total = 0;
    for (std::uint64_t i = 0; i < header.fileCount; ++i) {
        const std::uint64_t length = readNumber(reader, file.size());
        if (length > file.size() - total) fail(Kind::NotSelfExtracting);
        total += length;
        header.payloadLengths.push_back(length);
    }
    return header;
}

std::uint64_t FindSfxPayloads(const std::string &path, const std::vector<std::uint64_t> &lengths) {
    OpenFile file(path);
    detail::LineReader reader(file.fd());
    skipTo(reader, Marker::Data, Kind::NoData);
    const std::uint64_t start = reader.position();
    std::uint64_t room = file.size() - start;
    for (const std::uint64_t length : lengths) {
        if (length > room) fail(Kind::NoData);
        room -= length;
    }
    return start;
}

} // namespace sfx
