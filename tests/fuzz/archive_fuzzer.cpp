// libFuzzer target: any byte string taken as an archive is listed and extracted into a fresh
// folder; whatever it holds ends in entries or a ZipError, with nothing written beside that
// folder. Each input gets its own work folder, removed afterwards.
#include "VFunzip.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size) {
    std::string pattern = (fs::temp_directory_path() / "mivo-archive-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    const fs::path work = pattern;
    const fs::path archive = work / "input.zip";
    const fs::path destination = work / "out";
    std::ofstream(archive, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));

    zipcomponent::VFunzip unzip;
    unzip.ArchivePath = archive.string();
    unzip.DestinationFolder = destination.string();
    unzip.AlwaysOverwrite = 1;
    std::size_t rows = 0;
    unzip.FileInfo = [&](std::int64_t, std::int64_t, std::int64_t, int, int, int, int, int,
                         const std::string &, const std::string &, const std::string &,
                         std::uint32_t, int) { ++rows; };
    unzip.PasswordQuestion = [](const std::string &) {
        return std::optional<std::string>("secret");
    };
    try {
        unzip.ListEntries();
    } catch (const zipcomponent::ZipError &) {
    }
    try {
        unzip.ExtractAll();
    } catch (const zipcomponent::ZipError &) {
    }
    // Entries land below the destination only: the work folder holds nothing else.
    for (const auto &e : fs::directory_iterator(work))
        if (e.path() != archive && e.path() != destination) std::abort();
    fs::remove_all(work);
    return 0;
}
