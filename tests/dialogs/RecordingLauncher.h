// The desktop launcher with its programs recorded instead of run: the real type look-up and
// .desktop parsing (on folders the test makes), the real argument lists, no process started.
#pragma once

#include "XdgLauncher.h"

#include <QStringList>

#include <optional>
#include <vector>

class RecordingLauncher : public XdgLauncher {
public:
    using XdgLauncher::XdgLauncher;

    // Every program run or started, in order: the program, then each argument.
    std::vector<QStringList> ran, started;
    // What `xdg-mime query default` prints; nullopt: it fails.
    std::optional<QString> queryDefault = QString();
    bool startsFail = false; // every detached start fails
    bool setDefaultFails = false;

protected:
    std::optional<QString> Run(const QString &program, const QStringList &arguments) override;
    bool StartDetached(const QString &program, const QStringList &arguments) override;
};

// Installs a launcher reading `applicationFolders` as the program's launcher and returns it.
RecordingLauncher &InstallRecordingLauncher(const QStringList &applicationFolders);

// Writes a .desktop file for an application; returns its path.
QString WriteDesktopFile(const QString &folder, const QString &fileName, const QString &text);
