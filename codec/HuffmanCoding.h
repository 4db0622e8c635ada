// HuffmanCoding: the Huffman coder shared by Mivo-ZIP (encoder) and Mivo-AutoExtractZIP (decoder).
//
// A stream is either the stored form, "HE0" CR followed by the data unchanged, or the coded form:
// "HE2" CR, the table length in decimal and CR, the code table (symbol, code length, packed code
// word, in ascending symbol order), the check byte (XOR of the data), the data length in decimal
// and CR, then the packed code bits. Bits are packed from the least significant bit of each byte.
//
// Pure C++; no state outlives a call, so calls on different threads are independent.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace HuffmanCoding {

// A byte string: every char is one byte, 0 to 255.
using ByteString = std::string;

// Number carried by every decoder failure (0x80040000).
inline constexpr std::int32_t kCodecErrorNumber = -2147221504;
inline constexpr const char *kCodecErrorSource = "HuffmanDecode()";

// Descriptions of the decoder's failures (UTF-8).
namespace Msg {
inline constexpr const char *NotOurs =
    "Ce fichier n'a pas été compressé avec Mivo-ZIP ou fichier invalide !";
inline constexpr const char *BadHeader = "L'entête du fichier est invalide !";
inline constexpr const char *MoreDataPending = "D'autres données en cours...";
inline constexpr const char *TrailingData = "Autres données trouvées dans la chaîne...";
inline constexpr const char *BadData = "Données du fichier invalides !";
// Malformed streams beyond the named cases.
inline constexpr const char *TruncatedTable = "La table des codes du fichier est tronquée !";
inline constexpr const char *TruncatedHeader = "L'entête du fichier est tronqué !";
inline constexpr const char *TableTooLarge = "La table des codes du fichier est invalide !";
inline constexpr const char *InputTooLarge =
    "Les données dépassent 2 147 483 647 octets et ne peuvent pas être codées.";
} // namespace Msg

// The failure record of the codec: number, source and a French description.
class CodecError : public std::runtime_error {
public:
    explicit CodecError(std::string description)
        : std::runtime_error(description), description_(std::move(description)) {}

    std::int32_t number() const { return kCodecErrorNumber; }
    std::string source() const { return kCodecErrorSource; }
    const std::string &description() const { return description_; }

private:
    std::string description_;
};

// Encodes `input`. With `forceCoded` false the stored form is returned whenever the coded form
// would be longer than the input; with true every non-empty input is coded. An empty input is
// always the 4 bytes "HE0" CR. Inputs longer than 2^31 - 1 bytes cannot be described by the
// format's length field and raise CodecError.
ByteString HuffmanEncode(std::string_view input, bool forceCoded);

// Decodes a complete stream, or raises CodecError. Nothing partial is ever returned.
ByteString HuffmanDecode(std::string_view stream);

} // namespace HuffmanCoding
