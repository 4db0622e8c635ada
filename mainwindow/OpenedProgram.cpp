#include "OpenedProgram.h"

#include "OpenedCopies.h"

#include <QFile>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcProgram, "mivo.archive.program")

namespace OpenedProgram {

std::unique_ptr<sfx::DecodedArchive> Decode(const QString &path, QString &reason) {
    reason.clear();
    const std::string program = QFile::encodeName(path).toStdString();
    const std::optional<sfx::SfxHeader> header = sfx::ProgramHeader(program);
    if (!header) return nullptr;
    reason = OpenedCopies::PrepareProgramFolder();
    if (!reason.isEmpty()) return nullptr;
    try {
        return std::make_unique<sfx::DecodedArchive>(
            program, *header, QFile::encodeName(OpenedCopies::ProgramFolder()).toStdString(),
            "programme-");
    } catch (const sfx::SfxDecodeError &e) {
        reason = QString::fromStdString(e.what());
        qCWarning(lcProgram) << "decoding" << path << "failed:" << e.what();
        return nullptr;
    }
}

QString PathOf(const sfx::DecodedArchive &decoded) {
    return QFile::decodeName(decoded.path().c_str());
}

bool MayBeProgram(const QString &path) {
    return sfx::LooksLikeProgram(QFile::encodeName(path).toStdString());
}

bool IsProgram(const QString &path) {
    return sfx::ProgramHeader(QFile::encodeName(path).toStdString()).has_value();
}

} // namespace OpenedProgram
