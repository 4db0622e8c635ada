// mivo-sfx: makes a self-extracting program from a ZIP archive, with the builder's own steps.
//   mivo-sfx ARCHIVE.zip [OUTPUT]
// OUTPUT defaults to what the builder window proposes (the archive's path with "exe" in place of
// its extension). The stub, "Mivo-AutoExtractZIP.Dat", is taken from this program's folder.
// Prints the status lines and the summary on standard output; an archive with encrypted entries
// is said on standard error before the build, and on a terminal, standard error shows one
// progress line while the archive is appended.
// Exit status: 0 success, 1 failure (French text on standard error), 2 wrong arguments.
#include "ProgressLine.h"
#include "SfxBuilder.h"
#include "TemporaryFiles.h"

#include <clocale>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

namespace {

int usage() {
    std::cerr << "usage : mivo-sfx ARCHIVE.zip [SORTIE]\n";
    return 2;
}

// The summary's lines end in CR LF, as in the builder's message box; a terminal wants LF.
std::string withLineFeeds(const std::string &text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

} // namespace

int main(int argc, char **argv) {
    fileio::RemoveTemporariesAtEnd();
    // The ratio is shown with the user's decimal separator.
    std::setlocale(LC_ALL, "");

    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--")
        args.erase(args.begin());
    else if (!args.empty() && args[0].size() > 1 && args[0][0] == '-')
        return usage();
    if (args.empty() || args.size() > 2) return usage();
    for (const std::string &arg : args)
        if (arg.empty()) return usage();

    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        std::cerr << "mivo-sfx : dossier du programme introuvable.\n";
        return 1;
    }

    sfx::BuildRequest request;
    request.stubFolder = self.parent_path().string();
    request.archivePath = args[0];
    request.outputPath = args.size() == 2 ? args[1] : sfx::DefaultOutputPath(args[0]);
    request.decimalSeparator = sfx::LocaleDecimalSeparator();

    // Said, not asked: the tool runs in scripts.
    if (sfx::HoldsEncryptedEntries(request.archivePath))
        std::cerr << "mivo-sfx : " << sfx::kEncryptedEntriesWarning << '\n';

    sfx::BuildEvents events;
    ProgressLine line;
    events.status = [&line](const std::string &text) {
        line.clear();
        std::cout << text << '\n';
    };
    events.progress = [&](std::uint64_t value, std::uint64_t maximum) {
        line.show(maximum > 0 ? static_cast<double>(value) / maximum : 0, request.archivePath);
    };

    const sfx::BuildResult result = sfx::BuildSelfExtractor(request, events);
    line.clear();
    if (!result.ok) {
        std::cout.flush();
        std::cerr << "mivo-sfx : " << result.error << '\n';
        return 1;
    }
    if (!result.summary.empty()) std::cout << '\n' << withLineFeeds(result.summary) << '\n';
    return 0;
}
