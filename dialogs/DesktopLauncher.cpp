#include "DesktopLauncher.h"

#include "XdgLauncher.h"

DesktopLauncher::OpenResult DesktopLauncher::OpenWithDefault(const QString &path) {
    const auto application = DefaultApplication(MimeType(path));
    if (!application) return OpenResult::NoAssociation;
    return Launch(*application, path) ? OpenResult::Opened : OpenResult::Failed;
}

namespace {
std::unique_ptr<DesktopLauncher> &current() {
    static std::unique_ptr<DesktopLauncher> instance;
    return instance;
}
} // namespace

DesktopLauncher &launcher() {
    if (!current()) current() = std::make_unique<XdgLauncher>();
    return *current();
}

void setLauncher(std::unique_ptr<DesktopLauncher> replacement) {
    current() = std::move(replacement);
}
