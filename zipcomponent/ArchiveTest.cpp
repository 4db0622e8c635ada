// Testing an archive: every entry read through the extraction's own checks, nothing written.
#include "ArchiveTest.h"

#include "ArchiveReader.h"
#include "VFunzip.h"
#include "WinZipAes.h"

namespace zipcomponent {

std::vector<std::string> TestReport::lines() const {
    if (failures.empty())
        return {tested <= 1 ? std::to_string(tested) + " fichier vérifié : aucune erreur."
                            : std::to_string(tested) + " fichiers vérifiés : aucune erreur."};
    std::vector<std::string> out{std::to_string(failures.size()) + " fichier(s) en erreur sur " +
                                 std::to_string(tested) + " :"};
    for (const TestFailure &f : failures)
        out.push_back(Quoted(f.entry) + " : " + f.reason);
    return out;
}

TestReport VFunzip::TestAll() {
    ArchiveReader &r = reader();
    TestReport report;
    ExtractHooks hooks;
    hooks.progress = [&](std::uint64_t written, std::uint64_t size) {
        if (Progress)
            Progress(static_cast<std::int64_t>(written), static_cast<std::int64_t>(size),
                     ArchivePath);
    };
    hooks.cancelled = CancelRequested;
    // What the password question gave in the current attempt, and whether the user has
    // declined to give one.
    bool asked = false, declined = false;
    std::optional<std::string> given;
    hooks.password = [&](const std::string &name) -> std::optional<std::string> {
        asked = true;
        given.reset();
        if (!declined && PasswordQuestion) given = PasswordQuestion(name);
        if (given && given->empty()) given.reset();
        if (!given) declined = true;
        return given;
    };

    for (const EntryInfo &e : r.entries()) {
        if (e.isFolder) continue;
        ++report.tested;
        message("Vérification de " + e.name);
        std::optional<std::string> refused;
        for (;;) {
            asked = false;
            try {
                r.checkEntry(e, hooks);
            } catch (const Cancelled &) {
                throw;
            } catch (const WrongPassword &wrong) {
                // The password of the entries before this one, or a mistyped one: the user is
                // asked again, unless the refused one comes back.
                if (!asked || given != refused) {
                    if (asked) refused = given;
                    continue;
                }
                report.failures.push_back({e.name, wrong.description()});
            } catch (const ZipError &error) {
                report.failures.push_back(
                    {e.name, asked && !given ? "Aucun mot de passe donné : " + Quoted(e.name) +
                                                   " n'est pas vérifié."
                                             : error.description()});
            }
            break;
        }
    }
    return report;
}

} // namespace zipcomponent
