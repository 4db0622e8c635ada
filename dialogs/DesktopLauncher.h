// Everything the program asks of the desktop to open a file: its type, the type's applications,
// starting them. The real one (XdgLauncher) asks GIO, so that the applications, defaults and
// associations are those the file manager shows; tests install one that records what would have
// been started, so that no test starts a real application.
//
// Nothing goes through a shell: a path with spaces, quotes or ';' reaches the application as one
// file, and a program as one argument.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// An application as the desktop describes it.
struct DesktopApplication {
    QString id;   // the desktop-file ID: "org.gnome.TextEditor.desktop"
    QString name; // the French name (Name[fr]) when the file has one, else its Name
    QString exec; // the command template (Exec=), shown to the user only
    QString icon; // a theme icon's name, or an image file's absolute path; empty for none

    bool operator==(const DesktopApplication &) const = default;
};

class DesktopLauncher {
public:
    virtual ~DesktopLauncher() = default;

    // The MIME type of a file, from its name and content ("text/plain").
    virtual QString MimeType(const QString &path) = 0;
    // The application a double-click uses: the type's default (the user's or the system's
    // choice, else the first application for the type or for one of its parent types);
    // nullopt only when no application at all handles the type (no association).
    virtual std::optional<DesktopApplication> DefaultApplication(const QString &mimeType) = 0;
    // The applications meant for menus that open the type: first those recommended for it
    // (declaring the type, or added to it by the user), then the others (declaring one of its
    // parent types, text/plain for text/csv), each group in the desktop's order of preference.
    // Left out: NoDisplay, not shown on this desktop (OnlyShowIn/NotShowIn), a TryExec program
    // missing, removed from the type by the user.
    virtual std::vector<DesktopApplication> Applications(const QString &mimeType) = 0;
    // Starts `application` on `path` without waiting; false when it could not be started.
    virtual bool Launch(const DesktopApplication &application, const QString &path) = 0;
    // Starts a program with these arguments without waiting; false when it could not start.
    virtual bool StartProgram(const QString &program, const QStringList &arguments) = 0;
    // Makes `application` the default of the type (the user's mimeapps.list); false when the
    // desktop refused.
    virtual bool SetDefault(const DesktopApplication &application, const QString &mimeType) = 0;

    // Opening a file as a double-click does: what the caller must tell apart.
    enum class OpenResult { Opened, NoAssociation, Failed };
    OpenResult OpenWithDefault(const QString &path);
};

// The launcher in use: the desktop's own unless another one was installed.
DesktopLauncher &launcher();
void setLauncher(std::unique_ptr<DesktopLauncher> replacement);
