#include "station/DegreesMinutesSeconds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vantrel {
namespace {

struct SplitCase {
    const char* name;
    long double value;
    DegreesMinutesSeconds expected;
};

// Expected parts worked out by hand from value × 60 and × 3600.
const SplitCase kSplitCases[] = {
    {"seconds carry through minutes into degrees", 10.99999L, {11, 0, 0}},
    {"59.4 seconds round to 59, no carry", 27.0165L, {27, 0, 59}},
    {"half a degree", 33.5L, {33, 30, 0}},
    {"negative value splits its magnitude", -33.5L, {33, 30, 0}},
    {"locator centre south", 26.229166666666666667L, {26, 13, 45}},
    {"seconds at 59.6 carry into the minutes", 12.0L + 59.0L / 60 + 59.6L / 3600, {13, 0, 0}},
    {"seconds just under a half stay", 5.0L + 29.4L / 3600, {5, 0, 29}},
    {"a millionth below 180", 179.999999L, {180, 0, 0}},
    {"declination of 43.01 degrees", -43.01L, {43, 0, 36}},
    {"right ascension of 12.5 hours", 12.5L, {12, 30, 0}},
    {"zero", 0.0L, {0, 0, 0}},
    {"negative zero", -0.0L, {0, 0, 0}},
};

TEST(Split, NamedCases) {
    for (const SplitCase& c : kSplitCases) {
        EXPECT_EQ(Split(c.value), c.expected)
            << c.name << ": value " << static_cast<double>(c.value) << " gave "
            << Split(c.value).Whole << " " << Split(c.value).Minutes << " "
            << Split(c.value).Seconds;
    }
}

TEST(Split, NeverShowsSixtyMinutesOrSeconds) {
    // Values a hair below every whole minute, where the seconds round up.
    for (int d : {0, 1, 10, 89, 179}) {
        for (int m = 0; m < 60; ++m) {
            const long double v = d + (m + 1) / 60.0L - 1e-7L;
            const DegreesMinutesSeconds p = Split(v);
            EXPECT_LT(p.Minutes, 60) << "value " << static_cast<double>(v);
            EXPECT_LT(p.Seconds, 60) << "value " << static_cast<double>(v);
            EXPECT_NEAR(static_cast<double>(Join(p)), static_cast<double>(v), 0.5 / 3600)
                << "value " << static_cast<double>(v);
        }
    }
}

TEST(Split, EveryWholeSecondSurvivesJoinAndSplit) {
    for (int d : {0, 1, 26, 51, 89, 90, 179, 359}) {
        for (int m = 0; m < 60; ++m) {
            for (int s = 0; s < 60; ++s) {
                const DegreesMinutesSeconds parts{d, m, s};
                ASSERT_EQ(Split(Join(parts)), parts) << d << " " << m << " " << s;
                ASSERT_EQ(Split(-Join(parts)), parts) << "negative " << d << " " << m << " " << s;
            }
        }
    }
}

TEST(Split, ValuesBeyondThe32BitRangeSaturate) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(Split(1e30L), (DegreesMinutesSeconds{kMax, 0, 0}));
    EXPECT_EQ(Split(-1e300L), (DegreesMinutesSeconds{kMax, 0, 0}));
    EXPECT_EQ(Split(std::numeric_limits<long double>::infinity()),
              (DegreesMinutesSeconds{kMax, 0, 0}));
    EXPECT_EQ(Split(std::numeric_limits<long double>::quiet_NaN()), (DegreesMinutesSeconds{}));
    // Just below the limit the whole part carries up to it and no further.
    EXPECT_EQ(Split(static_cast<long double>(kMax) - 1e-9L), (DegreesMinutesSeconds{kMax, 0, 0}));
}

TEST(Join, PartsCountByTheirMagnitude) {
    EXPECT_EQ(Join({12, 30, 0}), 12.5L);
    EXPECT_EQ(Join({-5, 30, 0}), 5.5L);
    EXPECT_EQ(Join({5, -30, 0}), 5.5L);
    EXPECT_EQ(Join({0, 0, -36}), 0.01L);
    EXPECT_FALSE(std::signbit(Join({0, 0, 0})));
    EXPECT_NEAR(static_cast<double>(Join({26, 14, 0})), 26.233333333333333, 1e-15);
}

} // namespace
} // namespace vantrel
