#include "TemporaryFiles.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace fileio {

namespace {

// Fixed slots, no allocation: a signal handler may read them at any time. A slot is claimed
// (Filling) before its path is written and shown to the handler (Registered) only after.
enum : int { Free, Filling, Registered };
constexpr int kSlots = 64;
struct Slot {
    std::atomic<int> state{Free};
    char path[PATH_MAX];
};
Slot slots[kSlots];

} // namespace

TemporarySlot RegisterTemporary(const char *absolutePath) {
    if (std::strlen(absolutePath) >= PATH_MAX) return 0;
    for (int i = 0; i < kSlots; ++i) {
        int expected = Free;
        if (!slots[i].state.compare_exchange_strong(expected, Filling)) continue;
        std::strcpy(slots[i].path, absolutePath);
        slots[i].state.store(Registered, std::memory_order_release);
        return i + 1;
    }
    return 0;
}

void UnregisterTemporary(TemporarySlot slot) {
    if (slot <= 0 || slot > kSlots) return;
    slots[slot - 1].state.store(Free, std::memory_order_release);
}

void RemoveTemporariesNow() {
    for (Slot &s : slots)
        if (s.state.load(std::memory_order_acquire) == Registered) unlink(s.path);
}

namespace {

void removeAndEnd(int signal) {
    RemoveTemporariesNow();
    // SA_RESETHAND restored the default action: raised again, the signal ends the program as
    // it would have without us (at the latest when this handler returns).
    raise(signal);
}

} // namespace

void RemoveTemporariesOnSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = removeAndEnd;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

} // namespace fileio
