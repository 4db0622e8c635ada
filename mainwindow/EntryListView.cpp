#include "EntryListView.h"

#include "EntryListModel.h"
#include "SearchField.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

EntryListView::EntryListView(QWidget *parent) : QTreeView(parent) {
    rowMenu_ = new QMenu(this);
    rowMenu_->setObjectName(QStringLiteral("ListView1_Menu"));
    auto item = [this](const char *name, const QString &caption) {
        QAction *a = rowMenu_->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    openAction = item("ListView1_Ouvrir", QStringLiteral("Ouvrir"));
    extractAction = item("ListView1_Extraire", QStringLiteral("Extraire..."));
    removeAction = item("ListView1_Supprimer", QStringLiteral("Supprimer"));
    testAction = item("ListView1_Tester", QStringLiteral("Tester"));

    search_ = new SearchField(this);
    auto *find = new QAction(this);
    find->setObjectName(QStringLiteral("ListView1_Find"));
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, search_, &SearchField::open);
    addAction(find);

    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    connect(header(), &QHeaderView::sectionClicked, this, &EntryListView::headerClicked);
}

void EntryListView::setModel(QAbstractItemModel *model) {
    QTreeView::setModel(model);
    entries_ = qobject_cast<EntryListModel *>(model);
    if (!entries_) return;
    connect(entries_, &EntryListModel::sortChanged, this, &EntryListView::showSortOrder);
    connect(search_, &QLineEdit::textChanged, entries_, &EntryListModel::setFilter);
    connect(entries_, &EntryListModel::filterChanged, this, [this](const QString &text) {
        if (text.isEmpty() && search_->isVisible() && !search_->text().isEmpty())
            search_->dismiss();
    });
}

void EntryListView::headerClicked(int column) {
    if (!entries_) return;
    const bool again = entries_->sortColumn() == column;
    const Qt::SortOrder order = again && entries_->sortOrder() == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    entries_->sort(column, order);
}

void EntryListView::showSortOrder(int column, Qt::SortOrder order) {
    // The header flips its own indicator on a click: the model's order is what it shows.
    header()->setSortIndicatorShown(column >= 0);
    if (column >= 0) header()->setSortIndicator(column, order);
}

void EntryListView::startDrag(Qt::DropActions) {
    if (!filesToDrag) return;
    const QList<QUrl> urls = filesToDrag();
    if (urls.isEmpty()) return;
    auto *data = new QMimeData;
    data->setUrls(urls);
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}

void EntryListView::keyPressEvent(QKeyEvent *event) {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && event->modifiers() == Qt::NoModifier && selectionModel() &&
        selectionModel()->hasSelection()) {
        event->accept();
        emit returnPressed();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void EntryListView::contextMenuEvent(QContextMenuEvent *event) {
    const QModelIndex at = indexAt(event->pos()); // the scroll area passes viewport positions
    if (!at.isValid()) return;
    // A right-click on a row outside the selection selects that row alone, as file managers do.
    if (!selectionModel()->isRowSelected(at.row(), at.parent()))
        selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
    rowMenu_->exec(event->globalPos());
}

void EntryListView::resizeEvent(QResizeEvent *event) {
    QTreeView::resizeEvent(event);
    search_->place();
}

void EntryListView::keyboardSearch(const QString &search) {
    // Names are in the first column, whichever cell of the row was clicked.
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.column() != 0)
        selectionModel()->setCurrentIndex(current.siblingAtColumn(0),
                                          QItemSelectionModel::NoUpdate);
    QTreeView::keyboardSearch(search);
}
