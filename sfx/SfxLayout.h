// SfxLayout: the file layout of a self-extracting program, shared by the builder (writer) and the
// stub (readers).
//
// A self-extracting program is the stub image, then a text header of CR LF lines:
//   (empty line) / count marker / N / names marker / N names / lengths marker / N lengths /
//   data marker
// then the N encoded payloads back to back. Nothing points at the header: readers find it by
// reading the file as lines from byte 0 and looking for the marker lines.
//
// The stub links this library and reads its own file with it, so no marker text may ever be
// stored in a program image as single-byte text: the markers live here as 16-bit strings and are
// turned into bytes at run time only (see MarkerText).
//
// Pure C++, no Qt. Names are UTF-8.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sfx {

enum class Marker { Count, Names, Lengths, Data };

// The marker's single-byte text, assembled at run time from its 16-bit form.
std::string MarkerText(Marker marker);

// What a reader keeps of a header.
struct SfxHeader {
    std::uint64_t fileCount = 0;
    std::vector<std::string> fileNames; // bare file names, in payload order
    std::vector<std::uint64_t> payloadLengths;
    // First byte after the data marker line; set only by FindSfxPayloads.
    std::uint64_t payloadStart = 0;
};

// Longest name a header may hold: the longest file name Linux file systems accept.
inline constexpr std::size_t kMaxNameBytes = 255;

// A payload name is written into the destination folder under that name, so it must be a bare
// file name: valid UTF-8 of 1 to 255 bytes, no '/' or '\\', not "." or "..", no control
// character (CR, LF and NUL included), and not one of the marker texts (it would be taken for
// the marker by the search).
bool IsValidPayloadName(std::string_view name);

// The header bytes, from the opening CR LF to the data marker line's CR LF included.
// Names must pass IsValidPayloadName and there must be as many lengths as names (at least one);
// otherwise std::invalid_argument.
std::string SfxHeaderBytes(const std::vector<std::string> &names,
                           const std::vector<std::uint64_t> &lengths);

// A reader's failure. `kind` tells which message the stub shows:
//  - NotSelfExtracting: no header, or a header that cannot be trusted (a count or length that is
//    not plain decimal digits or exceeds the file, a refused name, fewer lines than announced);
//  - NoData: the end of the file was reached while looking for the data marker or inside a
//    payload;
//  - System: the file could not be opened or read; `error` holds errno and what() its French
//    description (fileio::FrenchErrorText).
class SfxLayoutError : public std::runtime_error {
public:
    enum class Kind { NotSelfExtracting, NoData, System };

    SfxLayoutError(Kind kind, int error, const std::string &what)
        : std::runtime_error(what), kind_(kind), error_(error) {}

    Kind kind() const { return kind_; }
    int error() const { return error_; }

private:
    Kind kind_;
    int error_;
};

// French texts of the readers' failures (UTF-8).
namespace Msg {
inline constexpr const char *NotSelfExtracting =
    "Ce n'est pas un fichier Auto-Extractible valide !";
inline constexpr const char *NoData = "Pas de données trouvées dans ce fichier !";
} // namespace Msg

// The listing reader: reads the file at `path` as lines from byte 0 up to the last length line
// and returns the count, names and lengths (payloadStart stays 0). Each length, and their sum,
// must fit in the file. Streams the file: memory does not grow with the size of the stub image
// or of any line. Throws SfxLayoutError (NotSelfExtracting, or System when the file cannot be
// opened or read).
SfxHeader ReadSfxListing(const std::string &path);

// The payload finder: reads the file as lines from byte 0 up to the first data marker line and
// returns the offset of the byte after it. When `lengths` is given, the payloads must fit
// between that offset and the end of the file. Throws SfxLayoutError (NoData, or System).
std::uint64_t FindSfxPayloads(const std::string &path,
                              const std::vector<std::uint64_t> &lengths = {});

} // namespace sfx
