#include "StubExtraction.h"

#include "HuffmanCoding.h"
#include "SfxLayout.h"
#include "SystemErrorText.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void systemFailure(int number) {
    throw StubFailure(false, number, QString::fromStdString(fileio::FrenchErrorText(number)));
}

// Closes on every path.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// Exactly `size` bytes, or StubFailure: no data when the file ends first.
void readExactly(int fd, char *out, std::size_t size) {
    while (size > 0) {
        const ssize_t got = ::read(fd, out, size);
        if (got < 0) {
            if (errno == EINTR) continue;
            systemFailure(errno);
        }
        if (got == 0) throw StubFailure(true, 0, QString());
        out += got;
        size -= static_cast<std::size_t>(got);
    }
}

void writeAll(int fd, const char *data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            systemFailure(errno);
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
}

} // namespace

StubExtraction::StubExtraction(QString ownFile, QString destination, std::vector<std::string> names,
                               std::vector<std::uint64_t> lengths, Hooks hooks)
    : ownFile_(std::move(ownFile)), destination_(std::move(destination)), names_(std::move(names)),
      lengths_(std::move(lengths)), hooks_(std::move(hooks)) {}

QString StubExtraction::unpackFolder() const {
    QString folder = destination_;
    if (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
    return folder;
}

void StubExtraction::run() {
    // One level: the parent must exist.
    struct stat st {};
    const QByteArray folder = QFile::encodeName(destination_);
    if (stat(folder.constData(), &st) != 0 && mkdir(folder.constData(), 0777) != 0)
        systemFailure(errno);

    Fd in;
    const QByteArray own = QFile::encodeName(ownFile_);
    in.fd = ::open(own.constData(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0) systemFailure(errno);
    if (hooks_.status) hooks_.status(QStringLiteral("Recherche de la clé..."));
    std::uint64_t start = 0;
    try {
        // The payloads must all fit behind the data marker: a file cut short has no data.
        start = sfx::FindSfxPayloads(own.toStdString(), lengths_);
    } catch (const sfx::SfxLayoutError &e) {
        if (e.kind() == sfx::SfxLayoutError::Kind::System) systemFailure(e.error());
        throw StubFailure(true, 0, QString());
    }
    if (lseek(in.fd, static_cast<off_t>(start), SEEK_SET) < 0) systemFailure(errno);

    for (std::size_t i = 0; i < names_.size(); ++i)
        writePayload(in.fd, i);
    if (hooks_.showProgress) hooks_.showProgress(false);
    if (hooks_.status)
        hooks_.status(QStringLiteral("Décompression ") + QString::fromStdString(names_.back()));
}

void StubExtraction::writePayload(int in, std::size_t i) {
    const QString name = QString::fromStdString(names_[i]);
    payloadOutputPath_ =
        destination_ + (destination_.endsWith(u'/') ? QString() : QStringLiteral("/")) + name;
    // Truncated: a shorter archive never keeps stale bytes behind it. A link there is refused.
    Fd out;
    out.fd = ::open(QFile::encodeName(payloadOutputPath_).constData(),
                    O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (out.fd < 0) systemFailure(errno);

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
    writeAll(out.fd, payload.data(), payload.size());
    const int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0) systemFailure(errno);
    if (hooks_.status) hooks_.status(QStringLiteral("Extraction ") + name);
}
