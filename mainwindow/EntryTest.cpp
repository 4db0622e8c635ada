// Testing the open archive: the reader reads every entry, the report becomes the box's text.
#include "EntryCommands.h"

#include "VFunzip.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCommands)

std::optional<EntryCommands::TestOutcome> EntryCommands::test() {
    if (!canExtract()) {
        report(kNoArchive, {});
        return std::nullopt;
    }
    try {
        const zipcomponent::TestReport result = reader_.TestAll();
        TestOutcome outcome;
        outcome.clean = result.clean();
        for (const std::string &line : result.lines()) {
            if (!outcome.text.isEmpty()) outcome.text += u'\r';
            outcome.text += QString::fromStdString(line);
        }
        return outcome;
    } catch (const zipcomponent::Cancelled &) {
        return std::nullopt; // the user's stop: nothing to report
    } catch (const zipcomponent::ZipError &e) {
        report(QString::fromStdString(e.description()), e.detail());
        return std::nullopt;
    }
}
