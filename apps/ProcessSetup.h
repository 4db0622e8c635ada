// What each program sets for the whole process in main(), before any thread starts. The
// libraries themselves never change process-wide state.
#pragma once

#include <cstdlib>
#include <ctime>

// With TZ unset, glibc reloads /etc/localtime on every local-time conversion, and entry dates
// are converted once per entry: name the zone once, as the same file, when TZ is unset.
inline void SetUpProcess() {
    if (std::getenv("TZ") == nullptr) setenv("TZ", ":/etc/localtime", 0);
    tzset();
}
