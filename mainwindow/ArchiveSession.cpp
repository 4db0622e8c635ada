#include "ArchiveSession.h"

#include "EntryListModel.h"
#include "Module1.h"
#include "OpenedProgram.h"
#include "VFunzip.h"
#include "ZipError.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcArchive, "mivo.archive")

using Module1::Shared;

namespace {

QString titled(const QString &path) {
    return QString::fromLatin1(ArchiveSession::kTitle) + QStringLiteral(" : ") + path;
}

// Panel 2 of an archive on disk: "name :  1234 Octets ".
QString sizeText(const QString &path) {
    return Shared().CurrentArchiveTitle + QStringLiteral(" : ") +
           Module1::StatusNumberText(QFileInfo(path).size()) + QStringLiteral(" Octets ");
}

} // namespace

ArchiveSession::ArchiveSession(zipcomponent::VFunzip &reader, EntryListModel &rows,
                               std::function<void(const QString &)> setWriterArchive)
    : reader_(reader), rows_(rows), setWriterArchive_(std::move(setWriterArchive)) {}

void ArchiveSession::notify() {
    if (changed) changed();
}

void ArchiveSession::enter(ArchiveState state) {
    state_ = state;
    commands_ = StatesOf(state);
}

void ArchiveSession::setMessage(const QString &text) {
    panels_[0] = text.isEmpty() && readOnly() ? OpenedProgram::kReadOnly : text;
    notify();
}

bool ArchiveSession::list(const QString &path, bool sameArchive) {
    const std::string previous = reader_.ArchivePath;
    reader_.ArchivePath = path.toStdString();
    rows_.beginFill();
    QString reason;
    try {
        reader_.ListEntries();
        // The reader lists a missing file as empty, which is no archive to show.
        if (!QFileInfo(path).isFile())
            reason = QStringLiteral("L'archive « %1 » est introuvable.").arg(path);
    } catch (const zipcomponent::ZipError &e) {
        reason = QString::fromStdString(e.description());
        qCWarning(lcArchive) << "listing" << path << "failed:" << e.detail().c_str();
    }
    rows_.endFill(reason.isEmpty(), sameArchive);
    if (reason.isEmpty()) return true;
    reader_.ArchivePath = previous;
    panels_[0] = reason;
    notify();
    return false;
}

void ArchiveSession::showSizeAndCount(const QString &path) {
    panels_[1] = sizeText(path);
    panels_[2] = Module1::StatusNumberText(rows_.entryCount()) + QStringLiteral(" Fichiers ");
}

bool ArchiveSession::open(const QString &path) {
    QString reason;
    std::unique_ptr<sfx::DecodedArchive> decoded = OpenedProgram::Decode(path, reason);
    if (!reason.isEmpty()) {
        panels_[0] = reason;
        notify();
        return false;
    }
    if (!list(decoded ? OpenedProgram::PathOf(*decoded) : path, false)) return false;
    if (left) left();
    decoded_ = std::move(decoded); // the previous program's archive goes
    auto &s = Shared();
    s.CurrentArchive = path;
    s.CurrentArchiveTitle = QFileInfo(path).fileName();
    enter(readOnly() ? ArchiveState::SelfExtracting : ArchiveState::Archive);
    title_ = titled(path);
    panels_[0] = readOnly() ? OpenedProgram::kReadOnly : QString();
    showSizeAndCount(path);
    notify();
    return true;
}

bool ArchiveSession::openAtStartUp(const QString &path) {
    if (!open(path)) return false;
    if (!readOnly()) setWriterArchive_(path);
    return true;
}

bool ArchiveSession::create(const QString &path) {
    if (Module1::IsFile(path) && !QFile::remove(path)) {
        panels_[0] = QStringLiteral("Impossible de remplacer « %1 ».").arg(path);
        notify();
        return false;
    }
    if (left) left();
    decoded_.reset();
    auto &s = Shared();
    s.CurrentArchive = path;
    s.CurrentArchiveTitle = QFileInfo(path).fileName();
    setWriterArchive_(path);
    reader_.ArchivePath = path.toStdString();
    title_ = titled(path);
    panels_[1] = s.CurrentArchiveTitle + QStringLiteral(" : ");
    panels_[2] = QStringLiteral("0 Fichiers ");
    panels_[0].clear();
    enter(ArchiveState::NewArchive);
    rows_.clear();
    notify();
    return true;
}

void ArchiveSession::close() {
    if (left) left();
    rows_.clear();
    decoded_.reset();
    title_ = titled(QString());
    for (QString &p : panels_)
        p.clear();
    enter(ArchiveState::NoArchive);
    notify();
}

bool ArchiveSession::reload() {
    const QString path = Shared().CurrentArchive;
    if (readOnly() || !Module1::IsFile(path)) return false;
    if (!list(path, true)) return false;
    enter(rows_.entryCount() > 0 ? ArchiveState::ArchiveAfterChange : ArchiveState::NewArchive);
    panels_[0].clear();
    showSizeAndCount(path);
    notify();
    return true;
}

void ArchiveSession::archiveWritten() {
    const QString path = Shared().CurrentArchive;
    commands_.extract = commands_.add = commands_.button3 = commands_.button4 = true;
    commands_.remove = commands_.button5 = false;
    panels_[1] = sizeText(path);
    notify();
}

void ArchiveSession::openEndedEarly() {
    commands_.extract = true;
    notify();
}

void ArchiveSession::newEndedEarly() {
    optionsShown_ = false;
    commands_.extract = true;
    commands_.autoExtract = false;
    notify();
}

void ArchiveSession::selectionChanged(bool anySelected) {
    commands_.remove = commands_.button5 = anySelected && !readOnly();
    notify();
}
