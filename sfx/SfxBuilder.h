// SfxBuilder: the steps that turn a ZIP archive into a self-extracting program, for the builder
// window and for mivo-sfx. The caller supplies the paths and is told what happens through
// callbacks; nothing here shows anything.
//
// The program written is the stub file copied whole, the layout's header naming the archive,
// then the archive encoded with HuffmanEncode. The encoded stream goes through the temporary
// file "<archive>_" and is appended from it in pieces of 5000 bytes, each piece reported as
// progress. That name is created exclusively: a file, a link or a hard link already there makes
// the build fail and is left as it was. The output appears whole or not at all, mode 0777 less
// the umask. While they exist, the temporary file and the output being written are registered
// with fileio's TemporaryFiles, so that a program ending meanwhile removes them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sfx {

// The stub's file name in the folder the caller gives.
inline constexpr const char *kStubFileName = "Mivo-AutoExtractZIP.Dat";
// Size of the pieces the encoded stream is appended in.
inline constexpr std::uint64_t kPieceBytes = 5000;
// The codec's lengths are 32-bit signed: larger archives are refused before anything is written.
inline constexpr std::uint64_t kMaxArchiveBytes = 2147483647;

// Said before a build when the archive holds encrypted entries (a question in the window, a
// line on standard error in mivo-sfx).
inline constexpr const char *kEncryptedEntriesWarning =
    "Cette archive contient des fichiers chiffrés : il faudra leur mot de passe pour les "
    "extraire.";
// Refusal of an empty output path, before anything starts.
inline constexpr const char *kNoOutputName = "Indiquez le nom du fichier à créer.";

// Whether the ZIP archive at that path holds an encrypted file entry. A file that cannot be read
// as a ZIP archive holds none (the build packs any file).
bool HoldsEncryptedEntries(const std::string &archivePath);

// The output the builder proposes: the archive's path with its last three characters replaced
// by "exe" ("/a/photos.zip" gives "/a/photos.exe", "/a/data.gz" "/a/dataexe"); a file name of
// three characters or fewer gets ".exe" appended instead.
std::string DefaultOutputPath(const std::string &archivePath);

struct BuildRequest {
    std::string stubFolder;  // holds kStubFileName
    std::string archivePath; // the archive to pack; its file name is stored in the header
    std::string outputPath;  // the program to write, replaced if it exists
    // Decimal separator of the user's locale, for the ratio of the summary.
    std::string decimalSeparator = ".";
};

// Called synchronously, in the order of the steps. Any of them may be empty.
struct BuildEvents {
    std::function<void(const std::string &text)> status;
    // The maximum is the encoded stream's size; the value is the bytes appended so far, given
    // before each piece and once before the last one (0 alone for a stream of 5000 bytes or less).
    std::function<void(std::uint64_t value, std::uint64_t maximum)> progress;
    // The progress is shown while the encoded stream is appended, and hidden after.
    std::function<void(bool shown)> progressShown;
    // Asked before each step that writes and before each piece: true stops the build, which
    // removes everything it wrote. It is called on the thread that runs the build. The build
    // also stops once the program has started ending (fileio::ProgramEnding).
    std::function<bool()> cancelRequested;
};

struct BuildResult {
    bool ok = false;
    // Stopped through cancelRequested: nothing written is left, and there is no error text.
    bool cancelled = false;
    // When the build failed: what failed, in French. The temporary file and the partial output
    // are gone; the status stays at the last step reached.
    std::string error;
    // When the build succeeded and the archive was not empty: the summary, lines joined by CR LF.
    std::string summary;
    std::uint64_t outputSize = 0;
};

BuildResult BuildSelfExtractor(const BuildRequest &request, const BuildEvents &events);

// Number forms of the summary.
// The packed-size total in the shortest form that reads back as the same double, never in
// exponent notation: plain digits for a whole number of bytes.
std::string FormatPackedTotal(double total);
// (total - outputSize) / total computed in 32-bit floating point, as a percentage with two
// decimals, `decimalSeparator` and "%": "-60.00%". `total` must not be 0.
std::string FormatRatio(double total, double outputSize, const std::string &decimalSeparator);
// The whole summary text.
std::string SummaryText(const std::string &outputPath, double total, std::uint64_t outputSize,
                        const std::string &decimalSeparator);
// The decimal separator of the C library's current LC_NUMERIC locale (localeconv()): "," once a
// French locale is set with setlocale, "." under the C locale. A Qt caller passes
// QLocale().decimalPoint() instead.
std::string LocaleDecimalSeparator();

} // namespace sfx
