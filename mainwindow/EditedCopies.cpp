#include "EditedCopies.h"

#include "ArchiveSession.h"
#include "Module1.h"
#include "VFunzip.h"
#include "VFzip.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>
#include <sys/stat.h>

Q_LOGGING_CATEGORY(lcEdited, "mivo.edited")

using Module1::Shared;

EditedCopies::EditedCopies(zipcomponent::VFunzip &reader,
                           std::function<zipcomponent::VFzip &()> writer, ArchiveSession &archive)
    : reader_(reader), writer_(std::move(writer)), archive_(archive) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &EditedCopies::look);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &EditedCopies::settle);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &EditedCopies::settle);
}

EditedCopies::~EditedCopies() {
    stop();
}

QString EditedCopies::question(const QString &fullName) {
    return QStringLiteral("Le fichier « %1 » a été modifié. Voulez-vous mettre à jour l'archive ?")
        .arg(fullName);
}

bool EditedCopies::Identity::operator==(const Identity &o) const {
    return device == o.device && inode == o.inode && size == o.size &&
           mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
}

std::optional<EditedCopies::Identity> EditedCopies::identityOf(const QString &path) {
    struct stat st {};
    if (lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return Identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

void EditedCopies::watch(const QString &path) {
    if (!watcher_.files().contains(path) && !watcher_.directories().contains(path))
        watcher_.addPath(path);
}

void EditedCopies::opened(const QString &fullName, const QString &copy) {
    if (archive_.readOnly()) return;
    Copy c;
    c.fullName = fullName;
    c.path = copy;
    c.archive = Shared().CurrentArchive;
    std::optional<zipcomponent::EncryptionKind> kind;
    try {
        if (!reader_.EntryEncryption(fullName.toStdString(), kind)) return;
    } catch (const zipcomponent::ZipError &e) {
        qCWarning(lcEdited) << "not watching" << fullName << "--" << e.description().c_str();
        return;
    }
    if (kind) {
        c.encrypted = true;
        c.kind = *kind;
        c.password = reader_.GivenPassword().value_or(std::string());
        if (c.password.empty()) return; // it could not be encrypted again
    }
    const auto seen = identityOf(copy);
    if (!seen) return;
    c.seen = *seen;
    const auto same =
        std::find_if(copies_.begin(), copies_.end(), [&](const Copy &o) { return o.path == copy; });
    if (same != copies_.end())
        *same = std::move(c);
    else
        copies_.push_back(std::move(c));
    watch(QFileInfo(copy).absolutePath());
    watch(copy);
}

void EditedCopies::stop() {
    settle_.stop();
    for (Copy &c : copies_)
        std::fill(c.password.begin(), c.password.end(), '\0');
    copies_.clear();
    const QStringList watched = watcher_.files() + watcher_.directories();
    if (!watched.isEmpty()) watcher_.removePaths(watched);
}

void EditedCopies::settle() {
    if (!copies_.empty()) settle_.start();
}

void EditedCopies::look() {
    if (copies_.empty()) return;
    // Never in the middle of another command, or of this question for an earlier save.
    if (asking_ || (busy && busy())) return settle_.start();
    // A copy renamed over the old one is a new file, which the watcher does not follow.
    for (const Copy &c : copies_)
        if (QFileInfo::exists(c.path)) watch(c.path);
    for (std::size_t i = 0; i < copies_.size(); ++i) {
        const auto now = identityOf(copies_[i].path);
        if (!now || *now == copies_[i].seen) continue;
        copies_[i].seen = *now; // this save is asked about once, whatever the answer
        if (archive_.readOnly() || archive_.state() == ArchiveState::NoArchive ||
            Shared().CurrentArchive != copies_[i].archive)
            return stop();
        Copy copy = copies_[i]; // the list may change while the question shows
        asking_ = true;
        const bool yes = ask && ask(question(copy.fullName));
        asking_ = false;
        if (yes && !copies_.empty()) writeBack(copy); // unless watching stopped meanwhile
        std::fill(copy.password.begin(), copy.password.end(), '\0');
    }
}

void EditedCopies::writeBack(const Copy &copy) {
    zipcomponent::VFzip &writer = writer_();
    // The writer's settings are the add command's: they come back as they were.
    struct Restore {
        zipcomponent::VFzip &writer;
        short encrypt;
        zipcomponent::EncryptionKind method;
        std::function<std::optional<std::string>()> question;
        ~Restore() {
            writer.Encrypt = encrypt;
            writer.EncryptionMethod = method;
            writer.PasswordQuestion = std::move(question);
        }
    } restore{writer, writer.Encrypt, writer.EncryptionMethod, writer.PasswordQuestion};
    writer.ZipFileName = copy.archive.toStdString();
    writer.Encrypt = copy.encrypted ? 1 : 0;
    if (copy.encrypted) writer.EncryptionMethod = copy.kind;
    writer.PasswordQuestion = [&copy]() -> std::optional<std::string> { return copy.password; };
    archive_.setMessage(QString());
    QString failure;
    const auto work = [&] {
        try {
            writer.ReplaceEntry(QFile::encodeName(copy.path).toStdString(),
                                copy.fullName.toStdString());
        } catch (const zipcomponent::Cancelled &) {
            // the user's stop: the archive stays as it was
        } catch (const zipcomponent::ZipError &e) {
            qCWarning(lcEdited) << "writing back" << copy.fullName << "--" << e.detail().c_str();
            failure = QString::fromStdString(e.description());
        }
    };
    if (runLong)
        runLong(work);
    else
        work();
    if (!failure.isEmpty() && failed) failed(failure);
    archive_.reload();
}
