#include "EntryListView.h"

#include <QDrag>
#include <QMimeData>

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
