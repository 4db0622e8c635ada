// The entry list's view: rows dragged out of it become files for the file manager.
#pragma once

#include <QTreeView>
#include <QUrl>

#include <functional>

class EntryListView : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;

    // The files behind the selected rows, made when a drag starts; empty cancels the drag.
    std::function<QList<QUrl>()> filesToDrag;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};
