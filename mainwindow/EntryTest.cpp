// Testing the open archive: the reader reads every entry, the report becomes the box's text.
#include "EntryCommands.h"

#include "VFunzip.h"

#include <QLoggingCategory>

#include <algorithm>

Q_DECLARE_LOGGING_CATEGORY(lcCommands)

namespace {
constexpr std::size_t kShownLines = 21; // the count line and twenty entries
} // namespace

std::optional<EntryCommands::TestOutcome> EntryCommands::test() {
    if (!canExtract()) {
        report(kNoArchive, {});
        return std::nullopt;
    }
    try {
        const zipcomponent::TestReport result = reader_.TestAll();
        TestOutcome outcome;
        outcome.clean = result.clean();
        // A box must fit on the screen: past the first failing entries, their count.
        const std::vector<std::string> lines = result.lines();
        const std::size_t shown = std::min(lines.size(), kShownLines);
        for (std::size_t i = 0; i < shown; ++i) {
            if (i > 0) outcome.text += u'\r';
            outcome.text += QString::fromStdString(lines[i]);
        }
        if (shown < lines.size())
            outcome.text += QStringLiteral("\r… et %1 autre(s).").arg(lines.size() - shown);
        return outcome;
    } catch (const zipcomponent::Cancelled &) {
        return std::nullopt; // the user's stop: nothing to report
    } catch (const zipcomponent::ZipError &e) {
        report(QString::fromStdString(e.description()), e.detail());
        return std::nullopt;
    }
}
