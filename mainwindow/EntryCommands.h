// The commands on the open archive's entries, outside the window so that they run and are
// tested without a display: extraction into a folder and removal (opening an entry joins them
// with its dialog). Adding is AddOperation's, below the windows. Each reports its failure once, in
// French, through `failed`; the technical detail goes to the log. A user's cancel is not a failure.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class ArchiveSession;
class DragFolder;
namespace zipcomponent {
class VFunzip;
class VFzip;
} // namespace zipcomponent

class EntryCommands {
public:
    struct Extraction {
        short confirmOverwrite = 0, skipOlderFiles = 0, alwaysOverwrite = 0; // the check boxes
        QString folder;           // ExtractFolder; empty extracts nothing
        bool all = true;          // "Extraire tous les fichiers", else the selected rows
        QStringList selectedRows; // full names, top to bottom
    };

    EntryCommands(zipcomponent::VFunzip &reader, std::function<zipcomponent::VFzip &()> writer,
                  ArchiveSession &archive);

    // Whether an archive is shown to extract from (Open cancelled enables extraction with none).
    bool canExtract() const;
    static const QString kNoArchive; // what is said otherwise

    // The reader takes the overwrite options in every case; then, with a folder, every entry
    // or the selected ones are written there. The others go on after a failing one; one
    // failure report at the end. False when nothing was attempted or something failed.
    bool extract(const Extraction &request);

    // Reads every entry of the archive to its end, checking it, writing nothing (EntryTest.cpp).
    // The report's lines joined by CR (twenty failing entries at most, then how many more),
    // and whether every entry passed; nullopt when the user stopped it, or when the archive
    // cannot be read (said through `failed`).
    struct TestOutcome {
        QString text;
        bool clean = true;
    };
    std::optional<TestOutcome> test();

    // Removes the entries of these full names in one rewrite of the archive, then lists the
    // archive again from the disk, failure or not (a failed rewrite leaves it as it was).
    bool remove(const QStringList &fullNames);

    // Opens the entries in the desktop's applications, as a double-click does: each is written
    // into the opened copies' folder (OpenedCopies, under its folder inside the archive, kept
    // there, 0600) and handed to its type's default application; `noAssociation` runs when the
    // type has none. A copy already there is replaced only if `ask` says yes; otherwise that
    // copy is what opens. The first failure stops the opening with "Erreur lors de
    // l'ouverture du fichier !" (and the reason when the folder itself is refused).
    void open(const QStringList &fullNames);

    // Rows dragged out of the list: the entries written into the drag folder (what an earlier
    // drag left there is replaced), as file addresses for the file manager to copy; empty on
    // failure.
    QList<QUrl> extractForDrag(const QStringList &fullNames, DragFolder &folder);

    std::function<void(const QString &text)> failed;
    std::function<bool(const QString &title, const QString &text)> ask; // Yes/No, No by default
    std::function<void()> noAssociation;
    // An entry just written into the opened copies' folder, and its copy's path.
    std::function<void(const QString &fullName, const QString &copy)> copied;

private:
    void report(const QString &text, const std::string &detail);

    zipcomponent::VFunzip &reader_;
    std::function<zipcomponent::VFzip &()> writer_;
    ArchiveSession &archive_;
};
