// The desktop launcher of a freedesktop system. Applications, defaults and associations come
// from GIO, which reads the desktop files and mimeapps.list as the file manager does (TryExec,
// OnlyShowIn/NotShowIn, added and removed associations); types come from QMimeDatabase, which
// reads the same shared MIME database. GIO reads the XDG folders' locations once per process.
#pragma once

#include "DesktopLauncher.h"

class XdgLauncher : public DesktopLauncher {
public:
    QString MimeType(const QString &path) override;
    std::optional<DesktopApplication> DefaultApplication(const QString &mimeType) override;
    std::vector<DesktopApplication> Applications(const QString &mimeType) override;
    // The file is handed to GIO as a file, which fills the Exec line's field codes: a path
    // (%f, %F) or a file URI (%u, %U), always one argument.
    bool Launch(const DesktopApplication &application, const QString &path) override;
    // A program picked by hand has no desktop file: it is started directly with the argument
    // list.
    bool StartProgram(const QString &program, const QStringList &arguments) override;
    bool SetDefault(const DesktopApplication &application, const QString &mimeType) override;
};
