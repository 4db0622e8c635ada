#include "EntryNames.h"

#include "Utf8.h"

#include <cerrno>
#include <iconv.h>
#include <vector>

namespace zipcomponent {

namespace {

std::string decodeCp850(std::string_view raw) {
    // One converter per thread; iconv keeps state between calls only for stateful encodings.
    thread_local iconv_t cd = iconv_open("UTF-8", "CP850");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::string ascii(raw);
        for (char &c : ascii)
            if (static_cast<unsigned char>(c) >= 0x80) c = '_';
        return ascii;
    }
    std::string in(raw);
    std::vector<char> out(in.size() * 4 + 4);
    char *inPtr = in.data();
    char *outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            if (errno != EILSEQ && errno != EINVAL) break;
            *outPtr++ = '_'; // every byte maps in CP850; kept for safety
            --outLeft;
            ++inPtr;
            --inLeft;
        }
    }
    return std::string(out.data(), outPtr);
}

} // namespace

std::string DecodeEntryName(std::string_view raw) {
    std::string name = fileio::IsValidUtf8(raw) ? std::string(raw) : decodeCp850(raw);
    for (char &c : name)
        if (c == '\\') c = '/';
    return name;
}

std::string EntryFileOf(std::string_view fullName) {
    const std::size_t slash = fullName.rfind('/');
    return std::string(slash == std::string_view::npos ? fullName : fullName.substr(slash + 1));
}

std::string EntryFolderOf(std::string_view fullName) {
    const std::size_t slash = fullName.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(fullName.substr(0, slash));
}

std::string JoinEntryName(std::string_view folder, std::string_view file) {
    if (folder.empty()) return std::string(file);
    std::string full(folder);
    full += '/';
    full += file;
    return full;
}

std::optional<std::string> SafeRelativePath(std::string_view name) {
    std::string out;
    bool first = true;
    std::size_t pos = 0;
    while (pos <= name.size()) {
        std::size_t end = name.find_first_of("/\\", pos);
        if (end == std::string_view::npos) end = name.size();
        const std::string_view part = name.substr(pos, end - pos);
        pos = end + 1;
        const bool driveLetter =
            first && part.size() == 2 && part[1] == ':' &&
            ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
        first = false;
        if (part.empty() || part == "." || driveLetter) continue;
        if (part == "..") return std::nullopt;
        if (!out.empty()) out += '/';
        out += part;
    }
    if (out.empty()) return std::nullopt;
    return out;
}

} // namespace zipcomponent
