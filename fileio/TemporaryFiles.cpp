#include "TemporaryFiles.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace fileio {

namespace {

// The registry is read by a signal handler at any moment, so it never moves or frees what the
// handler may look at: slots come in chunks that are chained once and kept for the program's
// life. A slot is claimed (Filling), its generation bumped, its path written, and only then shown
// (Registered). The handler copies a Registered path and uses the copy only when the slot kept
// its state and generation meanwhile, so a path rewritten under it by a new registration on
// another thread is never unlinked half old, half new.
enum : int { Free, Filling, Registered };
constexpr int kSlotsPerChunk = 64;

struct Chunk {
    // States and generations apart from the paths: a new chunk touches one page, a path's page
    // is touched when a slot is first used.
    std::atomic<int> state[kSlotsPerChunk] = {};
    std::atomic<unsigned> generation[kSlotsPerChunk] = {};
    std::atomic<Chunk *> next{nullptr};
    char path[kSlotsPerChunk][PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<Chunk *>::is_always_lock_free,
              "a signal handler may only use lock-free atomics");

Chunk first;
// Set once the program has started ending: a file registered later is removed at once.
std::atomic<bool> ending{false};
// Threads between creating a temporary file and registering it.
std::atomic<int> creating{0};

const sigset_t &endingSignals() {
    static const sigset_t set = [] {
        sigset_t s;
        sigemptyset(&s);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&s, signal);
        return s;
    }();
    return set;
}

Chunk *chunkAt(int index) {
    Chunk *chunk = &first;
    for (; index > 0 && chunk != nullptr; --index)
        chunk = chunk->next.load(std::memory_order_acquire);
    return chunk;
}

void removeSlot(Chunk &chunk, int i) {
    if (chunk.state[i].load() != Registered) return;
    const unsigned generation = chunk.generation[i].load();
    char copy[PATH_MAX];
    for (std::size_t k = 0; k < sizeof copy; ++k) {
        copy[k] = std::atomic_ref<char>(chunk.path[i][k]).load(std::memory_order_relaxed);
        if (copy[k] == '\0') break;
    }
    copy[PATH_MAX - 1] = '\0';
    std::atomic_thread_fence(std::memory_order_acquire);
    if (chunk.generation[i].load() == generation && chunk.state[i].load() == Registered)
        unlink(copy);
}

// What every way of ending does: no new registration survives, the files being created are
// waited for (two seconds at most: the handler must not hang the program), then every
// registered file goes.
void removeAtEnd() {
    ending.store(true);
    const struct timespec millisecond = {0, 1000000};
    for (int waited = 0; creating.load() > 0 && waited < 2000; ++waited)
        nanosleep(&millisecond, nullptr);
    RemoveTemporariesNow();
}

void removeAndEnd(int signal) {
    const int savedErrno = errno;
    removeAtEnd();
    // SA_RESETHAND restored the default action: raised again, the signal is delivered once this
    // handler returns and ends the program as it would have without us.
    raise(signal);
    errno = savedErrno;
}

} // namespace

TemporarySlot RegisterTemporary(const char *absolutePath) {
    const std::size_t length = std::strlen(absolutePath);
    if (length >= PATH_MAX) return 0;
    int index = 0;
    for (Chunk *chunk = &first;; ++index) {
        for (int i = 0; i < kSlotsPerChunk; ++i) {
            int expected = Free;
            if (!chunk->state[i].compare_exchange_strong(expected, Filling)) continue;
            chunk->generation[i].fetch_add(1);
            for (std::size_t k = 0; k <= length; ++k)
                std::atomic_ref<char>(chunk->path[i][k])
                    .store(absolutePath[k], std::memory_order_relaxed);
            chunk->state[i].store(Registered);
            // Either the clean-up's scan saw this slot, or this sees that it has run.
            if (ending.load()) {
                unlink(absolutePath);
                chunk->state[i].store(Free);
                return 0;
            }
            return index * kSlotsPerChunk + i + 1;
        }
        Chunk *next = chunk->next.load(std::memory_order_acquire);
        if (next == nullptr) {
            auto *fresh = new Chunk;
            if (chunk->next.compare_exchange_strong(next, fresh))
                next = fresh;
            else
                delete fresh; // another thread chained one first: `next` is that one
        }
        chunk = next;
    }
}

void UnregisterTemporary(TemporarySlot slot) {
    if (slot <= 0) return;
    Chunk *chunk = chunkAt((slot - 1) / kSlotsPerChunk);
    if (chunk != nullptr) chunk->state[(slot - 1) % kSlotsPerChunk].store(Free);
}

void RemoveTemporariesNow() {
    for (Chunk *chunk = &first; chunk != nullptr;
         chunk = chunk->next.load(std::memory_order_acquire))
        for (int i = 0; i < kSlotsPerChunk; ++i)
            removeSlot(*chunk, i);
}

bool ProgramEnding() {
    return ending.load();
}

TemporaryCreation::TemporaryCreation() {
    pthread_sigmask(SIG_BLOCK, &endingSignals(), &saved_);
    creating.fetch_add(1);
}

TemporaryCreation::~TemporaryCreation() {
    creating.fetch_sub(1);
    pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

void RemoveTemporariesAtEnd() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    std::atexit(removeAtEnd);
    std::at_quick_exit(removeAtEnd);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = removeAndEnd;
        action.sa_flags = SA_RESETHAND;
        // The other ending signals wait: one clean-up at a time.
        action.sa_mask = endingSignals();
        sigaction(signal, &action, nullptr);
    }
}

} // namespace fileio
