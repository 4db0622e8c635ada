// The folder where entries opened in their applications are written, and kept between
// openings: $XDG_CACHE_HOME/Mivo-ZIP/ouverts/ (~/.cache/Mivo-ZIP/ouverts/ by default). The
// copies may be decrypted data, so the folder is the user's alone (0700), as is each copy
// (0600); a link or another user's folder at its place is refused, never used. Every command
// that needs the folder or a copy's path asks here.
#pragma once

#include <QString>

namespace OpenedCopies {

// The folder, with a trailing separator. Only Prepare() makes it.
QString Folder();

// Makes the folder (0700), and its parents when missing. The folder and its parent Mivo-ZIP,
// when they exist, must be real folders of the user's; they are then closed to others. Empty
// when the folder is ready, else the French reason.
QString Prepare();

// The program's own folder in the user's cache ($XDG_CACHE_HOME/Mivo-ZIP/, with a trailing
// separator), which holds the folder above and the private folders of the archives decoded
// from self-extracting programs. Only PrepareProgramFolder() makes it, with the checks and
// modes of Prepare().
QString ProgramFolder();
QString PrepareProgramFolder();

// Where the entry of that full name is written: below the folder, at the path the extraction
// gives its name; empty for a name it refuses ("..").
QString PathOf(const QString &fullName);

// Makes a copy just written readable and writable by its owner only, whatever mode its entry
// stores. False when that fails.
bool MakePrivate(const QString &copy);

} // namespace OpenedCopies
