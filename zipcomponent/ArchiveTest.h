// What testing an archive found: how many file entries were read to their end, and which of
// them failed and why. The report's texts are shared by the window and mivo-ziptool.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zipcomponent {

struct TestFailure {
    std::string entry;  // full name, as the entry list addresses it
    std::string reason; // the French text of the failure
};

struct TestReport {
    std::size_t tested = 0; // file entries, failed ones included
    std::vector<TestFailure> failures;

    bool clean() const { return failures.empty(); }
    // "1 fichier vérifié : aucune erreur." or "N fichiers vérifiés : aucune erreur."; else
    // "N fichier(s) en erreur sur M :" then one "« NAME » : REASON" per failing entry.
    std::vector<std::string> lines() const;
};

} // namespace zipcomponent
