#include "station/UserSourceCoordinates.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel {
namespace {

TEST(UserSourceCoordinates, RightAscensionFromHoursMinutesSeconds) {
    EXPECT_EQ(JoinRightAscension({12, 30, 0}), 12.5L);
    EXPECT_EQ(JoinRightAscension({2, -30, 0}), 2.5L);
    EXPECT_NEAR(static_cast<double>(JoinRightAscension({23, 59, 59})), 23.999722222222222, 1e-15);
}

TEST(UserSourceCoordinates, DeclinationKeepsTheSignShown) {
    EXPECT_EQ(JoinDeclination({30, 0, 0}, '+'), 30.0L);
    EXPECT_EQ(JoinDeclination({30, 0, 0}, '-'), -30.0L);
    EXPECT_NEAR(static_cast<double>(JoinDeclination({43, 0, 36}, '-')), -43.01, 1e-15);
    EXPECT_EQ(JoinDeclination({-30, 0, 0}, '+'), 30.0L);
    EXPECT_FALSE(std::signbit(JoinDeclination({0, 0, 0}, '-')));
}

TEST(UserSourceCoordinates, SignFollowsTheDeclination) {
    EXPECT_EQ(DeclinationSign(-43.01L), '-');
    EXPECT_EQ(DeclinationSign(0), '+');
    EXPECT_EQ(DeclinationSign(-0.0L), '+');
    EXPECT_EQ(DeclinationSign(12), '+');
}

TEST(UserSourceCoordinates, SignToggle) {
    EXPECT_EQ(ToggleDeclinationSign(30, '+'), (SignedDeclination{-30, '-'}));
    EXPECT_EQ(ToggleDeclinationSign(-30, '-'), (SignedDeclination{30, '+'}));
    // At zero neither the value nor the sign shown changes.
    EXPECT_EQ(ToggleDeclinationSign(0, '+'), (SignedDeclination{0, '+'}));
    EXPECT_EQ(ToggleDeclinationSign(0, '-'), (SignedDeclination{0, '-'}));
}

TEST(UserSourceCoordinates, RightAscensionIsAnAngleModulo24Hours) {
    struct Case {
        const char* name;
        long double hours;
        long double wrapped;
        DegreesMinutesSeconds parts;
    };
    const Case cases[] = {
        {"zero", 0, 0, {0, 0, 0}},
        {"minus zero", -0.0L, 0, {0, 0, 0}},
        {"within the day", 18.5L, 18.5L, {18, 30, 0}},
        {"a full day", 24, 0, {0, 0, 0}},
        {"two days", 48, 0, {0, 0, 0}},
        {"beyond a day", 25.25L, 1.25L, {1, 15, 0}},
        {"negative", -2.5L, 21.5L, {21, 30, 0}},
        {"a whole negative day", -24, 0, {0, 0, 0}},
        {"seconds carry up to 24 h", 23.99999L, 23.99999L, {0, 0, 0}},
        {"59.9 seconds carry",
         23 + 59 / 60.0L + 59.9L / 3600,
         23 + 59 / 60.0L + 59.9L / 3600,
         {0, 0, 0}},
        {"last whole second",
         23 + 59 / 60.0L + 59 / 3600.0L,
         23 + 59 / 60.0L + 59 / 3600.0L,
         {23, 59, 59}},
        {"a hair below zero", -1e-5L, 24 - 1e-5L, {0, 0, 0}},
        {"far below zero rounds to 24", -1e-30L, 0, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const long double w = WrapRightAscension(c.hours);
        EXPECT_NEAR(static_cast<double>(w), static_cast<double>(c.wrapped), 1e-15);
        EXPECT_GE(w, 0.0L);
        EXPECT_LT(w, 24.0L);
        EXPECT_FALSE(std::signbit(w));
        EXPECT_EQ(SplitRightAscension(c.hours), c.parts);
    }
}

TEST(UserSourceCoordinates, RightAscensionThatIsNoNumberStaysSo) {
    EXPECT_TRUE(std::isnan(WrapRightAscension(std::nanl(""))));
    EXPECT_EQ(WrapRightAscension(HUGE_VALL), HUGE_VALL);
    EXPECT_EQ(SplitRightAscension(std::nanl("")), (DegreesMinutesSeconds{0, 0, 0}));
}

} // namespace
} // namespace vantrel
