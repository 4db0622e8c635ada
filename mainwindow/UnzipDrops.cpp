// Drag and drop on the main window: a ZIP file (or a self-extracting program) dropped alone
// opens; files and folders dropped on the entry list while an archive is open are added to it
// with the add dialog's stored options (never to a self-extracting program, read only);
// rows dragged out of the list become files for the file manager.
#include "EntryListView.h"
#include "Module1.h"
#include "OpenedProgram.h"
#include "Unzip.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

using Module1::Shared;

namespace {

QStringList localFiles(const QMimeData *data) {
    QStringList files;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile()) return {};
        files << url.toLocalFile();
    }
    return files;
}

// A self-extracting program is told from its header, read once the drop is made; while it moves,
// its first bytes are enough.
bool isArchive(const QStringList &files, bool dropped) {
    if (files.size() != 1) return false;
    if (files[0].endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive)) return true;
    return dropped ? OpenedProgram::IsProgram(files[0]) : OpenedProgram::MayBeProgram(files[0]);
}

} // namespace

void Unzip::connectDrags() {
    ListView1->filesToDrag = [this] {
        return commands_.extractForDrag(selectedEntries(), dragFolder_);
    };
}

bool Unzip::dropAdds(const QDropEvent *event) const {
    const QPoint onList = ListView1->viewport()->mapFrom(this, event->position().toPoint());
    return session_.state() != ArchiveState::NoArchive && !session_.readOnly() &&
           ListView1->viewport()->rect().contains(onList);
}

void Unzip::dragEnterEvent(QDragEnterEvent *event) {
    if (!localFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Unzip::dragMoveEvent(QDragMoveEvent *event) {
    const QStringList files = localFiles(event->mimeData());
    if (isArchive(files, false) || (!files.isEmpty() && dropAdds(event)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void Unzip::dropEvent(QDropEvent *event) {
    const QStringList files = localFiles(event->mimeData());
    if (isArchive(files, true)) {
        event->acceptProposedAction();
        return openArchive(files[0]);
    }
    if (files.isEmpty() || !dropAdds(event)) return event->ignore();
    event->acceptProposedAction();
    const auto &s = Shared();
    AddOperation::Request request;
    request.noSubFolders = s.NoSubFoldersOption;
    request.noPathNames = s.NoPathNamesOption;
    request.encrypt = s.EncryptOption;
    request.paths = files;
    addToArchive(request);
}

bool Unzip::addToArchive(const AddOperation::Request &request) {
    AddOperation::Request toCurrent = request;
    toCurrent.archive = Shared().CurrentArchive;
    session_.setMessage(QString());
    AddOperation::Result result;
    runLong(QStringLiteral("Ajout à l'archive..."), [&] {
        AddOperation adding(this, work_);
        result = adding.run(toCurrent);
    });
    if (!result.problems.isEmpty()) commands_.failed(result.problems.join(u'\r'));
    if (Module1::IsFile(Shared().CurrentArchive)) session_.reload();
    return result.committed && result.problems.isEmpty();
}
