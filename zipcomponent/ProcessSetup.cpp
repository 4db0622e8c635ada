#include "ProcessSetup.h"

#include <cstdlib>
#include <ctime>

namespace zipcomponent {

void SetUpProcess() {
    if (std::getenv("TZ") == nullptr) setenv("TZ", ":/etc/localtime", 0);
    tzset();
}

} // namespace zipcomponent
