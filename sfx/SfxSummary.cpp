// The builder's default output path and the number forms of its summary.
#include "SfxBuilder.h"

#include <charconv>
#include <clocale>

namespace sfx {

std::string DefaultOutputPath(const std::string &archivePath) {
    const std::size_t slash = archivePath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = archivePath.rfind('.');
    // A dot that starts the name (".zip") marks a hidden file, not an extension.
    if (dot == std::string::npos || dot <= nameStart) return archivePath + ".exe";
    return archivePath.substr(0, dot + 1) + "exe";
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
