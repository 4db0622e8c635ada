#include "LocalTime.h"

namespace zipcomponent {

std::tm LocalTime(std::time_t t) {
    // Entries of an archive mostly share a few days: within a local day whose two ends have the
    // same UTC offset, the local time is the UTC time shifted by that offset, with no look-up in
    // the zone's rules.
    struct Day {
        std::time_t start = 1, end = 0; // empty
        long offset = 0;
        int isDst = 0;
    };
    thread_local Day day;
    std::tm tm{};
    if (t >= day.start && t < day.end) {
        const std::time_t shifted = t + day.offset;
        gmtime_r(&shifted, &tm);
        tm.tm_isdst = day.isDst;
        tm.tm_gmtoff = day.offset;
        return tm;
    }
    localtime_r(&t, &tm);
    const std::time_t start = t - (tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec);
    const std::time_t end = start + 86400;
    std::tm first{}, last{};
    const std::time_t lastSecond = end - 1;
    localtime_r(&start, &first);
    localtime_r(&lastSecond, &last);
    if (first.tm_gmtoff == tm.tm_gmtoff && last.tm_gmtoff == tm.tm_gmtoff)
        day = Day{start, end, tm.tm_gmtoff, tm.tm_isdst};
    return tm;
}

} // namespace zipcomponent
