// The entry list's view: a click on a header sorts the rows by that column (a second click
// reverses it), Ctrl+F searches the names, a right-click on rows offers their commands,
// Return opens them as a double-click does, and rows dragged out become files for the file
// manager. What the commands do is the window's: it connects to the actions and signals.
#pragma once

#include <QTreeView>
#include <QUrl>

#include <functional>

class EntryListModel;
class QMenu;
class SearchField;

class EntryListView : public QTreeView {
    Q_OBJECT
public:
    explicit EntryListView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    // The files behind the selected rows, made when a drag starts; empty cancels the drag.
    std::function<QList<QUrl>()> filesToDrag;

    // The right-click menu of the rows and its entries, acting on the selected rows.
    QMenu *rowMenu() const { return rowMenu_; }
    QAction *openAction = nullptr, *extractAction = nullptr, *removeAction = nullptr,
            *testAction = nullptr;
    SearchField *searchField() const { return search_; }

    // What a click on header `column` does: that column ascending, or reversed when it is
    // already the sort column.
    void headerClicked(int column);

signals:
    void returnPressed(); // on a selected row

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

public:
    // Typing in the list jumps to the next row whose name starts with what was typed.
    void keyboardSearch(const QString &search) override;

private:
    void showSortOrder(int column, Qt::SortOrder order);

    EntryListModel *entries_ = nullptr;
    QMenu *rowMenu_ = nullptr;
    SearchField *search_ = nullptr;
};
