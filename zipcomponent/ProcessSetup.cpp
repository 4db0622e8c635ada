#include "ProcessSetup.h"

#include <cstdlib>
#include <ctime>
#include <malloc.h>

namespace zipcomponent {

void SetUpProcess() {
    if (std::getenv("TZ") == nullptr) setenv("TZ", ":/etc/localtime", 0);
    tzset();
    // Each compressed file takes a few hundred KiB of deflate state and gives it back; with
    // glibc's default the heap shrinks after each one and grows again for the next, and the
    // fresh pages fault in again: adding 1,000 small files paid that 1,000 times.
    // Fixing the trim threshold fixes the mmap threshold too: raised, so that the deflate state
    // is not mapped and unmapped for each file instead.
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
}

} // namespace zipcomponent
