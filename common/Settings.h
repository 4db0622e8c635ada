// The two settings files: "Mivo-Zip.cfg" (options and last folders, written at Quit) and
// "MIVOZIPCouleurs.cfg" (list colours, written at each colour choice). Both are UTF-8 text with
// CR LF line ends, kept in the program's folder, or in the user's configuration folder when the
// program is installed in a system folder (/usr, /opt) or its folder cannot be written.
#pragma once

#include "Module1.h"

#include <QByteArray>
#include <QString>

namespace Settings {

inline constexpr std::uint32_t kDefaultFolderListBackColor = 0xFFFFFF;
inline constexpr std::uint32_t kDefaultFileListBackColor = 0xFFFFFF;
inline constexpr std::uint32_t kDefaultFileListTextColor = 0x80000008;

QString Folder(); // with a trailing separator
QString OptionsPath();
QString ColoursPath();

// Reads what the files hold; a missing file leaves the defaults, a damaged one is read as far as
// it goes with defaults for the rest. No message either way. LoadOptions returns whether the
// options file was there.
bool LoadOptions(Module1::SharedState &state);
void LoadColours(Module1::SharedState &state);

// The files' exact bytes, and writing them whole (a new file renamed into place).
QByteArray OptionsBytes(const Module1::SharedState &state);
QByteArray ColoursBytes(const Module1::SharedState &state);
bool SaveOptions(const Module1::SharedState &state);
bool SaveColours(const Module1::SharedState &state);

} // namespace Settings
