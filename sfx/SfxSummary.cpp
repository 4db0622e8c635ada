// The builder's default output path and the number forms of its summary.
#include "SfxBuilder.h"

#include <charconv>
#include <clocale>

namespace sfx {

std::string DefaultOutputPath(const std::string &archivePath) {
    // The archive's path with its last three characters replaced by "exe" (photos.zip gives
    // photos.exe, data.gz dataexe). A file name of three characters or fewer would lose its
    // folder's separator and name a file elsewhere: ".exe" is appended to it instead.
    const std::size_t slash = archivePath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t cut = archivePath.size();
    for (int characters = 0; characters < 3; ++characters) {
        if (cut == nameStart) return archivePath + ".exe";
        do // back over one UTF-8 character: its continuation bytes, then its lead byte
            --cut;
        while (cut > nameStart && (static_cast<unsigned char>(archivePath[cut]) & 0xC0) == 0x80);
    }
    if (cut == nameStart) return archivePath + ".exe";
    return archivePath.substr(0, cut) + "exe";
}

std::string FormatPackedTotal(double total) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, total, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

std::string FormatRatio(double total, double outputSize, const std::string &decimalSeparator) {
    // The difference is taken in 64 bits and rounded to 32; the division is done in 32 bits.
    const float difference = static_cast<float>(total - outputSize);
    const float ratio = difference / static_cast<float>(total);
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(ratio) * 100.0,
                      std::chars_format::fixed, 2);
    std::string text(buffer, result.ptr);
    const std::size_t point = text.find('.');
    if (point != std::string::npos) text.replace(point, 1, decimalSeparator);
    return text + "%";
}

std::string SummaryText(const std::string &outputPath, double total, std::uint64_t outputSize,
                        const std::string &decimalSeparator) {
    return "Le fichier (" + outputPath + ") a été crée avec succès !\r\n\r\n" +
           "Taille du fichier zip : " + FormatPackedTotal(total) + " Octets \r\n\r\n" +
           "Taille du fichier Auto-extractible : " + std::to_string(outputSize) +
           " Octets \r\n\r\n" + "Ratio de compression : " +
           FormatRatio(total, static_cast<double>(outputSize), decimalSeparator) + ".";
}

std::string LocaleDecimalSeparator() {
    const std::lconv *conventions = std::localeconv();
    if (conventions == nullptr || conventions->decimal_point == nullptr ||
        *conventions->decimal_point == '\0')
        return ".";
    return conventions->decimal_point;
}

} // namespace sfx
