// The temporary files being written right now, so that a program ending on a signal (SIGINT,
// SIGTERM, SIGHUP) can remove them before it goes: every writer registers its temporary file
// from creation until it is renamed into place or removed.
#pragma once

namespace fileio {

// A registration; 0 when every slot is taken (the file is then only removed by its writer).
using TemporarySlot = int;

TemporarySlot RegisterTemporary(const char *absolutePath);
void UnregisterTemporary(TemporarySlot slot);

// Unlinks every registered file. Async-signal-safe: meant for a signal handler.
void RemoveTemporariesNow();

// For a program's main(): SIGINT, SIGTERM and SIGHUP remove the registered files, then end the
// program as the signal would have. A signal the program was started with ignored (nohup)
// stays ignored.
void RemoveTemporariesOnSignals();

} // namespace fileio

// The zip components register their temporaries under their own namespace's names.
namespace zipcomponent {
using fileio::RegisterTemporary;
using fileio::RemoveTemporariesNow;
using fileio::RemoveTemporariesOnSignals;
using fileio::TemporarySlot;
using fileio::UnregisterTemporary;
} // namespace zipcomponent
