// What each program sets for the whole process in main(), before any thread starts. The
// libraries themselves never change process-wide state.
#pragma once

#include <cstdlib>
#include <ctime>
#include <malloc.h>

// With TZ unset, glibc reloads /etc/localtime on every local-time conversion, and entry dates
// are converted once per entry: name the zone once, as the same file, when TZ is unset.
// Each compressed file takes a few hundred KiB of deflate state and gives it back; with glibc's
// default the heap shrinks after each one and grows again for the next, and the fresh pages
// fault in again: adding 1,000 small files paid that 1,000 times. The heap keeps up to 32 MiB of
// freed memory instead; fixing the trim threshold fixes the mmap threshold too, raised so that
// the deflate state is not mapped and unmapped for each file either.
inline void SetUpProcess() {
    if (std::getenv("TZ") == nullptr) setenv("TZ", ":/etc/localtime", 0);
    tzset();
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
}
