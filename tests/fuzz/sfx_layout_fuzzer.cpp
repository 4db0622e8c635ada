// libFuzzer target: any bytes behind a stub image, read by the listing reader and the payload
// finder, end in a header or a refusal, and agree with a plain model of the layout: the file cut
// into lines in memory, the listing steps run on those lines.
#include "SfxLayout.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kStub("\x7f"
                        "ELF\0\r\n\n-=#FILNAME#=-\rstub",
                        27);

struct Line {
    std::string text;
    std::uint64_t end; // offset after the line's CR (and LF)
};

std::vector<Line> splitLines(const std::string &bytes) {
    std::vector<Line> lines;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::string text;
        while (i < bytes.size() && bytes[i] != '\r')
            text += bytes[i++];
        if (i < bytes.size()) {
            ++i;
            if (i < bytes.size() && bytes[i] == '\n') ++i;
        }
        lines.push_back({text, i});
    }
    return lines;
}

std::optional<std::uint64_t> number(const std::string &text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    unsigned __int128 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > UINT64_MAX) return std::nullopt;
    return static_cast<std::uint64_t>(value);
}

// The listing steps on lines already cut; nullopt for a refusal.
std::optional<sfx::SfxHeader> modelListing(const std::vector<Line> &lines, std::uint64_t size) {
    std::size_t at = 0;
    const auto skipTo = [&](sfx::Marker m) {
        while (at < lines.size())
            if (lines[at++].text == sfx::MarkerText(m)) return true;
        return false;
    };
    sfx::SfxHeader h;
    if (!skipTo(sfx::Marker::Count) || at == lines.size()) return std::nullopt;
    const auto count = number(lines[at++].text);
    if (!count || *count == 0 || *count > size) return std::nullopt;
    h.fileCount = *count;
    if (!skipTo(sfx::Marker::Names)) return std::nullopt;
    for (std::uint64_t i = 0; i < *count; ++i) {
        if (at == lines.size() || !sfx::IsValidPayloadName(lines[at].text)) return std::nullopt;
        h.fileNames.push_back(lines[at++].text);
    }
    if (!skipTo(sfx::Marker::Lengths)) return std::nullopt;
    unsigned __int128 total = 0;
    for (std::uint64_t i = 0; i < *count; ++i) {
        if (at == lines.size()) return std::nullopt;
        const auto length = number(lines[at++].text);
        if (!length) return std::nullopt;
        total += *length;
        if (total > size) return std::nullopt;
        h.payloadLengths.push_back(*length);
    }
    return h;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size) {
    const std::string bytes = kStub + std::string(reinterpret_cast<const char *>(data), size);
    static const int fd = memfd_create("sfx", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
        std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    const std::vector<Line> lines = splitLines(bytes);
    const auto expected = modelListing(lines, bytes.size());
    std::optional<sfx::SfxHeader> listed;
    try {
        listed = sfx::ReadSfxListing(path);
    } catch (const sfx::SfxLayoutError &e) {
        if (e.kind() != sfx::SfxLayoutError::Kind::NotSelfExtracting) std::abort();
    }
    if (expected.has_value() != listed.has_value()) std::abort();
    if (listed &&
        (listed->fileCount != expected->fileCount || listed->fileNames != expected->fileNames ||
         listed->payloadLengths != expected->payloadLengths))
        std::abort();

    // The finder: the end of the first data marker line, with the listed payloads inside the file.
    std::optional<std::uint64_t> start;
    for (const Line &line : lines)
        if (line.text == sfx::MarkerText(sfx::Marker::Data)) {
            start = line.end;
            break;
        }
    const std::vector<std::uint64_t> lengths =
        listed ? listed->payloadLengths : std::vector<std::uint64_t>{};
    unsigned __int128 end = start.value_or(0);
    for (const std::uint64_t length : lengths)
        end += length;
    if (start && end > bytes.size()) start.reset();
    try {
        if (sfx::FindSfxPayloads(path, lengths) != start.value()) std::abort();
    } catch (const sfx::SfxLayoutError &e) {
        if (start || e.kind() != sfx::SfxLayoutError::Kind::NoData) std::abort();
    } catch (const std::bad_optional_access &) {
        std::abort();
    }
    return 0;
}
