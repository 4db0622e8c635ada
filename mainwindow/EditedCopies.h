// The copies of entries opened in their applications, watched while their archive stays open:
// when an application saves one, the user is asked whether the archive should take it back,
// and "Oui" puts the copy's bytes in that entry at the same name, in one rewrite, encrypted
// again the same way with the password the entry was read with. That password lives here
// only, in memory, until watching stops (another archive, New, closing, the program's end).
// Editors often save by writing a new file and renaming it over the old one: the copies'
// folders are watched as well as the files, the events of one save are gathered by a short
// timer, and only a file whose identity, size or time differs from what was last seen counts
// as a save (so that our own extraction never does). Not a widget: tests drive it without a
// display.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ArchiveSession;
namespace zipcomponent {
class VFunzip;
class VFzip;
enum class EncryptionKind;
} // namespace zipcomponent

class EditedCopies : public QObject {
    Q_OBJECT
public:
    EditedCopies(zipcomponent::VFunzip &reader, std::function<zipcomponent::VFzip &()> writer,
                 ArchiveSession &archive);
    ~EditedCopies() override;

    // The entry of that full name was just written at `copy` from the open archive: its saves
    // are watched from now on. Nothing is watched for an archive that cannot change (a
    // self-extracting program), nor for an encryption the writer cannot make again.
    void opened(const QString &fullName, const QString &copy);
    // Forgets every copy and every password; nothing is asked any more.
    void stop();
    bool watching() const { return !copies_.empty(); }

    // How long the events of one save are gathered before the copies are looked at.
    static constexpr int kSettleMs = 400;

    // The question, Yes/No with No by default: true for Yes.
    std::function<bool(const QString &text)> ask;
    // The reason a write-back failed, in French.
    std::function<void(const QString &text)> failed;
    // Runs the rewrite (the window shows it and lets it be stopped); it runs directly when empty.
    std::function<void(const std::function<void()> &work)> runLong;
    // True while the program is in the middle of something else (a command working, a dialog
    // open): the question waits until it ends.
    std::function<bool()> busy;

    // The question for the entry of that full name.
    static QString question(const QString &fullName);

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec mtime{};
        bool operator==(const Identity &o) const;
    };
    struct Copy {
        QString fullName, path, archive;
        Identity seen;
        bool encrypted = false;
        zipcomponent::EncryptionKind kind{};
        std::string password;
    };

    static std::optional<Identity> identityOf(const QString &path);
    void settle();
    void look();
    void writeBack(const Copy &copy);
    void watch(const QString &path);

    zipcomponent::VFunzip &reader_;
    std::function<zipcomponent::VFzip &()> writer_;
    ArchiveSession &archive_;
    std::vector<Copy> copies_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    bool asking_ = false;
};
