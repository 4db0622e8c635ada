// The layout's texts and its writer.
#include "SfxLayout.h"

#include "Utf8.h"

namespace sfx {

namespace {

// Kept as 16-bit strings: a zero byte follows every ASCII character in the image, so no line of
// the program's own file can equal a marker.
constexpr std::u16string_view kMarkers[] = {
    u"-=#NOOFFILES#=-",
    u"-=#FILNAME#=-",
    u"-=#LOFS#=-",
    u"-=#SELFEXTRACT#=-",
};

} // namespace

std::string MarkerText(Marker marker) {
    const std::u16string_view wide = kMarkers[static_cast<int>(marker)];
    // Read through volatile so that the compiler cannot fold the conversion into a single-byte
    // copy of the text stored in the image.
    const volatile char16_t *p = wide.data();
    std::string text(wide.size(), '\0');
    for (std::size_t i = 0; i < wide.size(); ++i)
        text[i] = static_cast<char>(p[i]);
    return text;
}

bool IsValidPayloadName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameBytes || name == "." || name == "..") return false;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
    }
    for (int m = 0; m < 4; ++m)
        if (name == MarkerText(static_cast<Marker>(m))) return false;
    return fileio::IsValidUtf8(name);
}

std::string SfxHeaderBytes(const std::vector<std::string> &names,
                           const std::vector<std::uint64_t> &lengths) {
    if (names.empty() || names.size() != lengths.size())
        throw std::invalid_argument("one length per name, at least one name");
    for (const std::string &name : names)
        if (!IsValidPayloadName(name)) throw std::invalid_argument("not a bare file name");

    const std::string crlf = "\r\n";
    std::string header = crlf + MarkerText(Marker::Count) + crlf;
    header += std::to_string(names.size()) + crlf;
    header += MarkerText(Marker::Names) + crlf;
    for (const std::string &name : names)
        header += name + crlf;
    header += MarkerText(Marker::Lengths) + crlf;
    for (const std::uint64_t length : lengths)
        header += std::to_string(length) + crlf;
    header += MarkerText(Marker::Data) + crlf;
    return header;
}

} // namespace sfx
