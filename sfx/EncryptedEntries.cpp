// Whether an archive holds encrypted entries, read through the main program's zip reader.
#include "SfxBuilder.h"

#include "VFunzip.h"

namespace sfx {

bool HoldsEncryptedEntries(const std::string &archivePath) {
    zipcomponent::VFunzip reader;
    reader.ArchivePath = archivePath;
    bool encrypted = false;
    reader.FileInfo = [&](std::int64_t, std::int64_t, std::int64_t, int, int, int, int, int,
                          const std::string &, const std::string &, const std::string &,
                          std::uint32_t, int crypt) { encrypted = encrypted || crypt != 0; };
    try {
        reader.ListEntries();
    } catch (const zipcomponent::ZipError &) {
        return false; // not a ZIP archive the reader knows: the build says nothing of entries
    }
    return encrypted;
}

} // namespace sfx
