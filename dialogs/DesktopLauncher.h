// Everything the program asks of the desktop to open a file: its type, the type's applications,
// starting them. The real one (XdgLauncher) runs the freedesktop tools; tests install one that
// records what would have been run, so that no test starts a real application.
//
// Programs always get their arguments as a list, never through a shell: a path with spaces,
// quotes or ';' is one argument.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// An application as its .desktop file describes it.
struct DesktopApplication {
    QString id;   // the desktop-file ID, as xdg-mime names it: "org.gnome.TextEditor.desktop"
    QString file; // the .desktop file's full path, as gio launch takes it
    QString name; // the French name when the file has one
    QString exec; // the command template (Exec=), shown to the user only
    QStringList mimeTypes;
    bool noDisplay = false; // a handler not meant for menus; may still be a type's default

    bool operator==(const DesktopApplication &) const = default;
};

class DesktopLauncher {
public:
    virtual ~DesktopLauncher() = default;

    // The MIME type of a file, from its name and content ("text/plain").
    virtual QString MimeType(const QString &path) = 0;
    // The type's default application; nullopt when the desktop names none, or names one whose
    // .desktop file cannot be found (no association).
    virtual std::optional<DesktopApplication> DefaultApplication(const QString &mimeType) = 0;
    // The applications meant for menus that declare the type, by name, then those that declare
    // one of its parent types (text/plain for text/csv), by name.
    virtual std::vector<DesktopApplication> Applications(const QString &mimeType) = 0;
    // Starts `application` on `path` without waiting; false when it could not be started.
    virtual bool Launch(const DesktopApplication &application, const QString &path) = 0;
    // Starts a program with these arguments without waiting; false when it could not start.
    virtual bool StartProgram(const QString &program, const QStringList &arguments) = 0;
    // Makes `application` the default of the type; false when the desktop refused.
    virtual bool SetDefault(const DesktopApplication &application, const QString &mimeType) = 0;

    // Opening a file as a double-click does: what the caller must tell apart.
    enum class OpenResult { Opened, NoAssociation, Failed };
    OpenResult OpenWithDefault(const QString &path);
};

// The launcher in use: the desktop's tools unless another one was installed.
DesktopLauncher &launcher();
void setLauncher(std::unique_ptr<DesktopLauncher> replacement);
