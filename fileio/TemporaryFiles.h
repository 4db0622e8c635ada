// The temporary files being written right now, so that a program that ends before its writers
// are done removes them: every writer registers its temporary file from creation until it is
// renamed into place or removed, and each program's main() installs the one clean-up that
// removes what is registered when the program ends (a signal, a normal exit, exit() called by a
// library, as Qt does when the display connection is lost).
#pragma once

#include <csignal>

namespace fileio {

// A registration. Any number of files may be registered at once.
using TemporarySlot = int;

// Registers an absolute path (0 for one of PATH_MAX bytes or more, which no file has). Once the
// program has started ending, the file is removed at once instead and 0 is returned.
TemporarySlot RegisterTemporary(const char *absolutePath);
// Forgets a registration; 0 is ignored.
void UnregisterTemporary(TemporarySlot slot);

// Unlinks every registered file. Async-signal-safe.
void RemoveTemporariesNow();

// True once the clean-up of the program's end has started: work still running on another
// thread (exit() does not wait for it) should stop writing.
bool ProgramEnding();

// Brackets the creation of a temporary file and its registration, so that the clean-up never
// runs between the two: the ending signals are blocked in this thread, and a clean-up running
// on another thread waits until the bracket is left.
class TemporaryCreation {
public:
    TemporaryCreation();
    ~TemporaryCreation();
    TemporaryCreation(const TemporaryCreation &) = delete;
    TemporaryCreation &operator=(const TemporaryCreation &) = delete;

private:
    sigset_t saved_; // the thread's signal mask before
};

// For a program's main(), before any thread starts: the registered files are removed when
// SIGINT, SIGTERM or SIGHUP arrives (the program then ends by that signal, as it would have
// without us), on a normal exit (return from main, exit()) and on quick_exit(). A signal the
// program was started with ignored (nohup) stays ignored.
void RemoveTemporariesAtEnd();

} // namespace fileio
