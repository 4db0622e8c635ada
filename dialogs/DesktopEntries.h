// The desktop's applications, read from their .desktop files in the XDG application folders.
#pragma once

#include "DesktopLauncher.h"

namespace DesktopEntries {

// "$XDG_DATA_HOME/applications" (default ~/.local/share), then each
// "$XDG_DATA_DIRS/applications" (default /usr/local/share:/usr/share), in order of precedence.
QStringList ApplicationFolders();

// The [Desktop Entry] group of one file; nullopt when it is not an application one can start:
// Type other than Application, no Exec, or Hidden=true (the user removed it). `id` is the
// desktop-file ID the file goes by.
std::optional<DesktopApplication> Parse(const QString &file, const QString &id);

// Every application of the folders, each ID once: the file in the first folder wins, even when
// it hides the application. A file in a sub-folder "kde/x.desktop" has the ID "kde-x.desktop".
std::vector<DesktopApplication> All(const QStringList &folders);

// The application with that ID, as All finds it.
std::optional<DesktopApplication> Find(const QStringList &folders, const QString &id);

} // namespace DesktopEntries
