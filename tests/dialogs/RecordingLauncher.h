// The desktop the dialog tests see, and a launcher that records what it would start.
//
// GIO reads the XDG folders' locations once per process and keeps an index of their desktop
// files, so one set of folders is made before the first test and holds every application the
// tests need (DesktopFolders below): the variables XDG_DATA_HOME, XDG_DATA_DIRS, XDG_CONFIG_HOME
// and XDG_CONFIG_DIRS point into it for the whole test program, never at the user's desktop.
#pragma once

#include "XdgLauncher.h"

#include <QStringList>

#include <vector>

// The desktop of the tests, by type (Name[fr] in parentheses, where the file has one):
//   text/plain  zed.desktop "Zed" (Bloc-notes), viewer.desktop "Visionneuse", both shown; and,
//               left out, handler.desktop (NoDisplay), elsewhere.desktop (OnlyShowIn another
//               desktop), absent.desktop (TryExec missing), gone.desktop (hidden by the user's
//               copy), link.desktop (Type=Link). The system's default: viewer.desktop.
//   text/csv    kde-writer.desktop "Writer" (from the sub-folder kde/).
//   image/png   png.desktop "Images" and viewer.desktop, which the system's mimeapps.list
//               removes; kde-writer.desktop added to the type there.
//   image/jpeg  nothing, though mimeapps.list names a missing missing.desktop as its default.
// Every application runs the same recorder with the file as %f. zed.desktop has a theme icon,
// viewer.desktop an image file.
QString DesktopRoot();
// Where the recorder writes the arguments of its last run, one per line (the file appears whole,
// by a rename).
QString RecordedArgumentsFile();

class RecordingLauncher : public XdgLauncher {
public:
    // Every start, in order: the application's ID or the program, then the file or arguments.
    std::vector<QStringList> started;
    // Every new default asked for: the application's ID, then the type.
    std::vector<QStringList> defaults;
    bool startsFail = false; // every start fails
    bool setDefaultFails = false;

    bool Launch(const DesktopApplication &application, const QString &path) override;
    bool StartProgram(const QString &program, const QStringList &arguments) override;
    bool SetDefault(const DesktopApplication &application, const QString &mimeType) override;
};

// Installs a recording launcher as the program's launcher and returns it.
RecordingLauncher &InstallRecordingLauncher();
