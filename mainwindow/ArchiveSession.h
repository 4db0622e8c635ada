// The open archive of the main window: which file it is, how the window shows it (title,
// status panels 1 to 3) and which commands it allows. It is the one place that sets
// CurrentArchive, CurrentArchiveTitle, the reader's ArchivePath and the writer's ZipFileName;
// the window shows what it says. Not a widget: tests drive it without a display, and the
// dialogs reach it through the window registry without knowing the main window.
#pragma once

#include "CommandStates.h"
#include "SfxDecode.h"

#include <QString>

#include <functional>
#include <memory>

class EntryListModel;
namespace zipcomponent {
class VFunzip;
}

class ArchiveSession {
public:
    static constexpr const char *kTitle = "Mivo-Zip Version 1.3";

    // `setWriterArchive` hands a path to the archive writer (owned elsewhere).
    ArchiveSession(zipcomponent::VFunzip &reader, EntryListModel &rows,
                   std::function<void(const QString &)> setWriterArchive);

    // Lists the archive and makes it the open one (archive state). An archive that cannot be
    // listed (missing, a folder, damaged) leaves everything as it was, but for panel 1, which
    // gets the reason: false then. A self-extracting program is listed through its decoded
    // archive (OpenedProgram), read only, until another archive opens or this one closes.
    bool open(const QString &path);
    // The same at start-up, which also hands the archive to the writer.
    bool openAtStartUp(const QString &path);
    // A new archive at `path` (new-archive state): an existing file there is removed first;
    // false, with the reason in panel 1 and nothing else changed, when it cannot be.
    bool create(const QString &path);
    // No archive; CurrentArchive and the components keep their paths.
    void close();
    // Lists the open archive again after a change (archive state after adding or removing;
    // the commands of a new archive when the last entries went).
    bool reload();

    // The add dialog's update once files are written to the archive: extraction and adding
    // on, removal off (menus and buttons), the archive's size in panel 2.
    void archiveWritten();

    // Open cancelled or failed: "&Extraire  les fichiers" is enabled whatever the state.
    void openEndedEarly();
    // New cancelled or failed: the decompression options hide for good, extraction is
    // enabled and the self-extractor is not.
    void newEndedEarly();
    // Rows selected in the list or not: the removal command follows, in any state.
    void selectionChanged(bool anySelected);
    // Panel 1: the reader's messages and the reasons of failures. Emptied while a
    // self-extracting program is open, it says so again.
    void setMessage(const QString &text);

    QString title() const { return title_; }
    QString panel(int i) const { return panels_[i - 1]; } // 1 to 3
    ArchiveState state() const { return state_; }
    const CommandStates &commands() const { return commands_; }
    bool decompressionOptionsShown() const { return optionsShown_; }
    // A self-extracting program is open: nothing may change the archive.
    bool readOnly() const { return decoded_ != nullptr; }

    // Called after every change, for the window to show it.
    std::function<void()> changed;
    // Called when the archive is left: another one opens, a new one is made, or it closes.
    std::function<void()> left;

private:
    // Into the rows, or the rows untouched and panel 1 set. The same archive listed again keeps
    // the rows' sort and search.
    bool list(const QString &path, bool sameArchive);
    void showSizeAndCount(const QString &path); // panels 2 and 3 of a listed archive
    void enter(ArchiveState state);
    void notify();

    zipcomponent::VFunzip &reader_;
    EntryListModel &rows_;
    std::function<void(const QString &)> setWriterArchive_;

    QString title_ = QString::fromLatin1(kTitle);
    QString panels_[3];
    ArchiveState state_ = ArchiveState::NoArchive;
    CommandStates commands_ = StatesOf(ArchiveState::NoArchive);
    bool optionsShown_ = true;
    std::unique_ptr<sfx::DecodedArchive> decoded_; // the open program's archive, read there
};
