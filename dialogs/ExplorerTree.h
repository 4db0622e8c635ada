// The folder tree of the extraction and add dialogs: the file system from "/", folders only,
// hidden folders left out unless a selected path goes through them. The user's home folder is
// opened and scrolled to at first show while nothing is selected.
//
// A folder is named by its absolute path without a trailing separator ("/" for the root).
// The current folder is the selected one. `OnDirChanged` runs synchronously whenever it
// changes: by a click or the keyboard, by `SelectedFolder`, when the folder (or one above it)
// is removed from disk and the nearest remaining parent takes its place, or when a Ctrl+click
// clears the selection (`CurrentFolder` is then empty).
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>

class QFileSystemModel;
class QModelIndex;
class QTreeView;
class VisibleFolders;

class ExplorerTree : public QWidget {
    Q_OBJECT
public:
    explicit ExplorerTree(QWidget *parent = nullptr);

    // The folder selected in the tree; empty while none is (before the first choice).
    QString CurrentFolder() const { return current_; }

    // Opens the tree down to `path` and makes it the current folder before returning:
    // `CurrentFolder` gives it (cleaned: no trailing separator, no "." or "..") and `OnDirChanged`
    // has run if it changed. Only the listing of its sub-folders may come later. Returns false,
    // and changes nothing, when `path` is not an absolute path to an existing folder.
    [[nodiscard]] bool SelectedFolder(const QString &path);

    // Lists the sub-folders of the current folder as they are on disk when it returns (a folder
    // created there a moment ago can be selected at once). Folders that disappear leave the tree
    // when the file-system watcher reports them.
    void RefreshTree();

    // The background colour, a stored colour value (0x00BBGGRR or a system colour); the text
    // takes the system's window-text colour, or black or white when that would not read.
    void BackColor(std::uint32_t colour);
    std::uint32_t BackColor() const { return backColour_; }

    std::function<void()> OnDirChanged;

    QTreeView *view() const { return view_; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void selectionChanged();
    void foldersRemoved(const QModelIndex &parent, int first, int last);
    void followLater();
    QModelIndex indexOf(const QString &path) const; // view index of a folder, listed at once
    void reveal(const QModelIndex &index);          // expands its parents and scrolls to it

    QFileSystemModel *model_ = nullptr;
    VisibleFolders *visible_ = nullptr;
    QTreeView *view_ = nullptr;
    QString current_;
    // Folders load and sort in the background, which moves rows: the folder shown is scrolled
    // to again after each change of the rows, until the user clicks, scrolls or types in it.
    QString scrollTarget_;
    bool followPending_ = false;
    std::uint32_t backColour_ = 0x80000005; // the system's window background
    bool shown_ = false;
};
