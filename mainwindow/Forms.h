// The registry of the program's windows: one program-wide instance of each, created on first
// use (its loading code runs then) and destroyed when it closes or the program ends.
#pragma once

#include <QString>

#include <functional>

class ArchiveSession;
class Assoc;
class DosZip2;
class Unzip;
class Zip2;
namespace zipcomponent {
class VFzip;
}

namespace Forms {

// What start-up needs to know; main() fills it, tests set their own before the first window.
struct Startup {
    QString appFolder;   // the program's folder
    QString commandLine; // the arguments as one text
    // Ends the program at once; the default leaves the event loop.
    std::function<void()> endProgram;
};
Startup &startup();

::Unzip &Unzip();
bool UnzipLoaded();

// The no-association dialog, loaded for the shared state's current entry; shown modally by
// the caller.
::Assoc &Assoc();

// The main window's open archive: what a dialog changes in the main window (menus, toolbar,
// panels) goes through it, so no dialog needs the main window's class.
ArchiveSession &Archive();

// The extraction and add dialogs, created hidden and loaded on first touch; the caller shows
// them modally with exec(), which destroys them when they close. An add that rewrote the
// archive updates the main window's commands, when it is there.
::DosZip2 &DosZip2();
::Zip2 &Zip2();

// The main window's archive writer (removal); touching it loads the main window.
zipcomponent::VFzip &VFzip1();

// Destroys every window (the program's end, or between tests).
void UnloadAll();

} // namespace Forms
