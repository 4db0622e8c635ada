#include "TemporaryFiles.h"

#include <atomic>
#include <climits>
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

} // namespace fileio
