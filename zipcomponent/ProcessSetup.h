// What each program sets for the whole process in main(), before any thread starts. The
// components themselves never change process-wide state.
#pragma once

namespace zipcomponent {

// With TZ unset, glibc reloads /etc/localtime on every local-time conversion, and entry dates
// are converted once per entry: name the zone once, as the same file, when TZ is unset.
void SetUpProcess();

} // namespace zipcomponent
