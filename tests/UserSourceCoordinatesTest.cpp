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

} // namespace
} // namespace vantrel
