#include "ExplorerTree.h"

#include "Colours.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr std::uint32_t kWindowText = 0x80000008u;

// "/a/.b/c" goes through the hidden folder ".b". Paths here are clean: no "." or "..".
bool throughHidden(const QString &path) {
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    return std::any_of(parts.begin(), parts.end(),
                       [](const QString &part) { return part.startsWith(u'.'); });
}

} // namespace

// Leaves hidden folders out of the tree, except those on the way to a folder that was selected
// by path: the file-system model lists them all, so that such a path can always be shown.
class VisibleFolders : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void pin(const QString &path) {
        if (!throughHidden(path) || pinned_.contains(path)) return;
        pinned_ << path;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override {
        const auto *files = static_cast<const QFileSystemModel *>(sourceModel());
        const QModelIndex index = files->index(row, 0, parent);
        if (!files->fileName(index).startsWith(u'.')) return true;
        const QString path = files->filePath(index);
        return std::any_of(pinned_.begin(), pinned_.end(), [&](const QString &p) {
            return p == path || p.startsWith(path + u'/');
        });
    }

private:
    QStringList pinned_;
};

ExplorerTree::ExplorerTree(QWidget *parent) : QWidget(parent) {
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    model_->setReadOnly(true);
    model_->setRootPath(QStringLiteral("/"));
    visible_ = new VisibleFolders(this);
    visible_->setSourceModel(model_);

    view_ = new QTreeView(this);
    view_->setObjectName(QStringLiteral("TreeView"));
    setFocusProxy(view_); // the dialogs give the tree the focus, the keys go to the view
    // Connected before the view's own handler, which would move the selection to a sibling.
    connect(visible_, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &parent, int first, int last) {
                foldersRemoved(parent, first, last);
            });
    view_->setModel(visible_);
    view_->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column)
        view_->hideColumn(column);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setUniformRowHeights(true);
    view_->setAnimated(false);
    view_->viewport()->installEventFilter(this);
    view_->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);

    // The selection, not Qt's current index: a view that gets the focus makes its first row
    // current without selecting it, and that is no choice of the user's.
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { selectionChanged(); });
    // Rows arrive, and are sorted, in the background after a folder is opened by path: the
    // folder's row moves down as its parents' other folders are listed and sorted before it,
    // and the sort comes after the folder's own "loaded" report. Every such change scrolls it
    // back to the middle, until the user moves about in the tree.
    connect(visible_, &QAbstractItemModel::layoutChanged, this, &ExplorerTree::followLater);
    connect(visible_, &QAbstractItemModel::rowsInserted, this, &ExplorerTree::followLater);
    connect(model_, &QFileSystemModel::directoryLoaded, this, &ExplorerTree::followLater);
    connect(view_->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this] { scrollTarget_.clear(); });
    view_->expand(indexOf(QStringLiteral("/")));
}

QModelIndex ExplorerTree::indexOf(const QString &path) const {
    // QFileSystemModel::index(path) builds the nodes of an existing path at once.
    return visible_->mapFromSource(model_->index(path));
}

bool ExplorerTree::SelectedFolder(const QString &path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path)) return false;
    const QString clean = QDir::cleanPath(path);
    if (!QFileInfo(clean).isDir()) return false;
    visible_->pin(clean);
    const QModelIndex index = indexOf(clean);
    if (!index.isValid()) return false;
    scrollTarget_ = clean;
    reveal(index);
    // Raises OnDirChanged through selectionChanged when the folder is a new one.
    view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    return true;
}

void ExplorerTree::RefreshTree() {
    if (current_.isEmpty()) return;
    const QDir folder(current_);
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        model_->index(folder.filePath(name));
}

void ExplorerTree::BackColor(std::uint32_t colour) {
    backColour_ = colour;
    view_->setPalette(
        Colours::ListPalette(view_->palette(), colour, kWindowText, QGuiApplication::palette()));
}

void ExplorerTree::reveal(const QModelIndex &index) {
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
        view_->expand(p);
    view_->expand(index);
    view_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void ExplorerTree::selectionChanged() {
    QString path;
    for (const QModelIndex &index : view_->selectionModel()->selectedIndexes())
        if (index.column() == 0) path = model_->filePath(visible_->mapToSource(index));
    if (path == current_) return;
    current_ = path;
    if (OnDirChanged) OnDirChanged();
}

void ExplorerTree::foldersRemoved(const QModelIndex &parent, int first, int last) {
    if (current_.isEmpty() || !parent.isValid()) return;
    for (int row = first; row <= last; ++row) {
        const QString path =
            model_->filePath(visible_->mapToSource(visible_->index(row, 0, parent)));
        if (current_ == path || current_.startsWith(path + u'/')) {
            view_->selectionModel()->setCurrentIndex(parent, QItemSelectionModel::ClearAndSelect);
            return;
        }
    }
}

// Queued, once for a burst of changes: the view lays its rows out again first.
void ExplorerTree::followLater() {
    if (scrollTarget_.isEmpty() || followPending_) return;
    followPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            followPending_ = false;
            if (scrollTarget_.isEmpty()) return;
            const QModelIndex index = indexOf(scrollTarget_);
            if (index.isValid()) view_->scrollTo(index, QAbstractItemView::PositionAtCenter);
        },
        Qt::QueuedConnection);
}

void ExplorerTree::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Nothing chosen yet: the user's home folder is opened, in view, but not selected.
    const QString target = current_.isEmpty() ? QDir::homePath() : current_;
    const QModelIndex index = indexOf(target);
    if (!index.isValid()) return;
    scrollTarget_ = target;
    reveal(index);
}

bool ExplorerTree::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        scrollTarget_.clear(); // the user moves about: stop following the loading
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
