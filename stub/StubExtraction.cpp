#include "StubExtraction.h"

#include "Descriptor.h"
#include "HuffmanCoding.h"
#include "ReadWrite.h"
#include "SfxLayout.h"
#include "SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

[[noreturn]] void systemFailure(int number) {
    throw StubFailure(false, number, QString::fromStdString(fileio::FrenchErrorText(number)));
}

// Exactly `size` bytes, or StubFailure: no data when the file ends first.
void readExactly(int fd, char *out, std::size_t size) {
    const ssize_t got = fileio::ReadAll(fd, out, size);
    if (got < 0) systemFailure(errno);
    if (static_cast<std::size_t>(got) < size) throw StubFailure(true, 0, QString());
}

// A failure that names the file or folder concerned after the system's own text.
[[noreturn]] void namedFailure(int number, const QString &path) {
    throw StubFailure(false, number,
                      QString::fromStdString(fileio::FrenchErrorText(number)) +
                          QStringLiteral(" : « ") + path + QStringLiteral(" »"));
}

bool sameFile(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

StubExtraction::StubExtraction(QString ownFile, QString destination, std::vector<std::string> names,
                               std::vector<std::uint64_t> lengths, Hooks hooks, Folder folder)
    : ownFile_(std::move(ownFile)), destination_(std::move(destination)), names_(std::move(names)),
      lengths_(std::move(lengths)), hooks_(std::move(hooks)), folder_(folder) {}

QString StubExtraction::ProposedFolder(const QString &ownFile) {
    const QFileInfo file(ownFile);
    const QString base = file.suffix().isEmpty() || file.completeBaseName().isEmpty()
                             ? file.fileName() + QStringLiteral("_files")
                             : file.completeBaseName();
    return QDir(file.absolutePath()).filePath(base) + u'/';
}

QString StubExtraction::unpackFolder() const {
    QString folder = destination_;
    if (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
    return folder;
}

QString StubExtraction::payloadTemporaryPath() const {
    return output_.isOpen() ? QFile::decodeName(output_.temporaryPath().c_str()) : QString();
}

void StubExtraction::prepareFolder() {
    const QByteArray folder = QFile::encodeName(unpackFolder());
    struct stat st {};
    if (folder_ == Folder::Typed) {
        // One level: the parent must exist.
        if (stat(folder.constData(), &st) != 0 && mkdir(folder.constData(), 0777) != 0)
            systemFailure(errno);
        return;
    }
    // Made here unless something is already there, which must then be a real folder.
    if (mkdir(folder.constData(), 0777) == 0) return;
    if (errno != EEXIST) systemFailure(errno);
    if (lstat(folder.constData(), &st) != 0) systemFailure(errno);
    if (S_ISLNK(st.st_mode)) namedFailure(ELOOP, unpackFolder());
    if (!S_ISDIR(st.st_mode)) namedFailure(ENOTDIR, unpackFolder());
}

void StubExtraction::run() {
    try {
        prepareFolder();

        const QByteArray own = QFile::encodeName(ownFile_);
        const fileio::Descriptor in(::open(own.constData(), O_RDONLY | O_CLOEXEC));
        if (!in.isOpen() || fstat(in.get(), &own_) != 0) systemFailure(errno);
        if (hooks_.status) hooks_.status(QStringLiteral("Recherche de la clé..."));
        std::uint64_t start = 0;
        try {
            // The payloads must all fit behind the data marker: a file cut short has no data.
            start = sfx::FindSfxPayloads(own.toStdString(), lengths_);
        } catch (const sfx::SfxLayoutError &e) {
            if (e.kind() == sfx::SfxLayoutError::Kind::System) systemFailure(e.error());
            throw StubFailure(true, 0, QString());
        }
        if (lseek(in.get(), static_cast<off_t>(start), SEEK_SET) < 0) systemFailure(errno);

        for (std::size_t i = 0; i < names_.size(); ++i)
            writePayload(in.get(), i);
    } catch (...) {
        output_.discard();
        throw;
    }
    archiveWritten_ = true;
    if (hooks_.showProgress) hooks_.showProgress(false);
    if (hooks_.status)
        hooks_.status(QStringLiteral("Décompression ") + QString::fromStdString(names_.back()));
}

void StubExtraction::writePayload(int in, std::size_t i) {
    const QString name = QString::fromStdString(names_[i]);
    payloadOutputPath_ =
        destination_ + (destination_.endsWith(u'/') ? QString() : QStringLiteral("/")) + name;
    const std::string target = QFile::encodeName(payloadOutputPath_).toStdString();
    // The program's own file (under its name or another link to it) is never replaced.
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0 && sameFile(existing, own_))
        throw StubFailure(false, ETXTBSY,
                          QStringLiteral("« ") + payloadOutputPath_ +
                              QStringLiteral(" » est ce programme lui-même : il n'est pas "
                                             "remplacé."));
    if (!output_.open(target, fileio::AtomicFile::Links::Refuse)) {
        if (output_.error() == ELOOP) namedFailure(ELOOP, payloadOutputPath_);
        systemFailure(output_.error());
    }

    const std::uint64_t length = lengths_[i];
    if (hooks_.status) hooks_.status(QStringLiteral("Extraction ") + name + QStringLiteral("..."));
    if (hooks_.showProgress) hooks_.showProgress(true);
    HuffmanCoding::ByteString payload;
    payload.reserve(std::min<std::uint64_t>(length, 1u << 30));
    std::uint64_t read = 0;
    for (;;) {
        if (hooks_.progress)
            hooks_.progress(static_cast<std::int64_t>(read), static_cast<std::int64_t>(length));
        const std::uint64_t remaining = length - read;
        if (remaining <= static_cast<std::uint64_t>(kPiece)) break;
        payload.resize(read + kPiece);
        readExactly(in, payload.data() + read, kPiece);
        read += kPiece;
    }
    payload.resize(length);
    readExactly(in, payload.data() + read, length - read);
    if (hooks_.showProgress) hooks_.showProgress(false);

    if (hooks_.status)
        hooks_.status(QStringLiteral("Decompression ") + name + QStringLiteral("..."));
    if (hooks_.repaint) hooks_.repaint();
    try {
        payload = HuffmanCoding::HuffmanDecode(payload);
    } catch (const HuffmanCoding::CodecError &e) {
        throw StubFailure(false, e.number(), QString::fromStdString(e.description()));
    }

    if (hooks_.showProgress) hooks_.showProgress(true);
    if (!output_.write(payload.data(), payload.size())) systemFailure(output_.error());
    if (lstat(output_.temporaryPath().c_str(), &written_) != 0) systemFailure(errno);
    if (!output_.commit()) systemFailure(output_.error());
    if (hooks_.status) hooks_.status(QStringLiteral("Extraction ") + name);
}

void StubExtraction::removeWrittenArchive() {
    if (!archiveWritten_) return;
    archiveWritten_ = false;
    const QByteArray path = QFile::encodeName(payloadOutputPath_);
    struct stat now {};
    if (lstat(path.constData(), &now) == 0 && sameFile(now, written_)) ::unlink(path.constData());
}
