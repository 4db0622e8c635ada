#include "LocalTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

namespace {

// The cached local day must give what localtime_r gives, across a change of summer time.
TEST(EntryLocalTime, MatchesTheSystemAcrossSummerTimeChanges) {
    const char *saved = std::getenv("TZ");
    const std::string previous = saved ? saved : "";
    setenv("TZ", "Europe/Paris", 1);
    tzset();
    // Every 17 minutes from 29 March to 2 April 2024, and around the end of October.
    for (std::time_t start : {std::time_t{1711670400}, std::time_t{1729900800}}) {
        for (std::time_t t = start; t < start + 5 * 86400; t += 17 * 60) {
            std::tm expected{};
            localtime_r(&t, &expected);
            const std::tm got = zipcomponent::LocalTime(t);
            ASSERT_EQ(std::tie(got.tm_year, got.tm_mon, got.tm_mday, got.tm_hour, got.tm_min),
                      std::tie(expected.tm_year, expected.tm_mon, expected.tm_mday,
                               expected.tm_hour, expected.tm_min))
                << t;
        }
    }
    if (saved)
        setenv("TZ", previous.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

} // namespace
