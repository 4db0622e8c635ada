// A self-extracting program opened as an archive: its archive is decoded into a private folder
// made for it (mkdtemp, 0700) in the program's cache folder (OpenedCopies), read there, and
// removed with its owner, never written beside the program. The program is never run.
#pragma once

#include "SfxDecode.h"

#include <QString>

#include <memory>

namespace OpenedProgram {

// Panel 1 while such a program is open.
inline const QString kReadOnly = QStringLiteral("Programme auto-extractible : lecture seule");

// Nothing with `reason` empty when `path` is no self-extracting program; nothing with the French
// reason when it is one that cannot be read (cut short, damaged) or the folder cannot be made;
// else its decoded archive.
std::unique_ptr<sfx::DecodedArchive> Decode(const QString &path, QString &reason);

// The decoded archive's path, as the window's paths go.
QString PathOf(const sfx::DecodedArchive &decoded);

// Whether a file is such a program: from its first bytes alone (cheap), or from its header.
bool MayBeProgram(const QString &path);
bool IsProgram(const QString &path);

} // namespace OpenedProgram
