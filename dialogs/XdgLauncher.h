// The desktop launcher of a freedesktop system: QMimeDatabase for types, the .desktop files of
// the XDG application folders, `xdg-mime` for defaults and `gio launch` to start an application
// (the same .desktop file the decision was made on). Programs run through two seams, which a
// test overrides to record the argument lists instead of running anything.
#pragma once

#include "DesktopEntries.h"
#include "DesktopLauncher.h"

class XdgLauncher : public DesktopLauncher {
public:
    explicit XdgLauncher(QStringList applicationFolders = DesktopEntries::ApplicationFolders());

    QString MimeType(const QString &path) override;
    std::optional<DesktopApplication> DefaultApplication(const QString &mimeType) override;
    std::vector<DesktopApplication> Applications(const QString &mimeType) override;
    bool Launch(const DesktopApplication &application, const QString &path) override;
    bool StartProgram(const QString &program, const QStringList &arguments) override;
    bool SetDefault(const DesktopApplication &application, const QString &mimeType) override;

protected:
    // Runs a program to its end; its standard output, or nullopt when it could not start, took
    // too long or exited with a failure.
    virtual std::optional<QString> Run(const QString &program, const QStringList &arguments);
    // Starts a program without waiting; false when it could not start.
    virtual bool StartDetached(const QString &program, const QStringList &arguments);

private:
    QStringList folders_;
};
