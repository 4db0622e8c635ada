// What each program sets for the whole process in main(), before any thread starts. The
// components themselves never change process-wide state.
#pragma once

namespace zipcomponent {

// With TZ unset, glibc reloads /etc/localtime on every local-time conversion, and entry dates
// are converted once per entry: name the zone once, as the same file, when TZ is unset.
// The heap keeps up to 32 MiB of freed memory rather than returning it to the system at once.
void SetUpProcess();

} // namespace zipcomponent
