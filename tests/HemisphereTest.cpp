#include "station/Hemisphere.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel {
namespace {

TEST(Hemisphere, LettersPutZeroNorthAndWest) {
    EXPECT_EQ(LatitudeLetter(0), 'N');
    EXPECT_EQ(LatitudeLetter(-0.0L), 'N');
    EXPECT_EQ(LatitudeLetter(-1e-20L), 'S');
    EXPECT_EQ(LatitudeLetter(45), 'N');
    EXPECT_EQ(LongitudeLetter(0), 'W');
    EXPECT_EQ(LongitudeLetter(1e-20L), 'E');
    EXPECT_EQ(LongitudeLetter(-3), 'W');
}

TEST(Hemisphere, SignedValuesFollowTheLetter) {
    EXPECT_EQ(SignedLatitude(45, 'S'), -45.0L);
    EXPECT_EQ(SignedLatitude(-45, 'N'), 45.0L);
    EXPECT_EQ(SignedLongitude(4.5L, 'W'), -4.5L);
    EXPECT_EQ(SignedLongitude(-4.5L, 'E'), 4.5L);
    EXPECT_FALSE(std::signbit(SignedLatitude(0, 'S')));
    EXPECT_FALSE(std::signbit(SignedLongitude(0, 'W')));
}

TEST(Hemisphere, TogglesSwitchSidesAndLeaveZeroAlone) {
    EXPECT_EQ(ToggleLatitude(33.5L, 'N'), (HemisphereChoice{-33.5L, 'S'}));
    EXPECT_EQ(ToggleLatitude(-33.5L, 'S'), (HemisphereChoice{33.5L, 'N'}));
    EXPECT_EQ(ToggleLongitude(27.5L, 'E'), (HemisphereChoice{-27.5L, 'W'}));
    EXPECT_EQ(ToggleLongitude(-27.5L, 'W'), (HemisphereChoice{27.5L, 'E'}));

    // At zero the letter shows the other side for a moment, but the value
    // stays +0, so the letter derived from it afterwards is the old one.
    const HemisphereChoice lat = ToggleLatitude(0, 'N');
    EXPECT_EQ(lat.Letter, 'S');
    EXPECT_FALSE(std::signbit(lat.ValueDeg));
    EXPECT_EQ(LatitudeLetter(lat.ValueDeg), 'N');
    const HemisphereChoice lon = ToggleLongitude(0, 'W');
    EXPECT_EQ(lon.Letter, 'E');
    EXPECT_EQ(LongitudeLetter(lon.ValueDeg), 'W');

    // No letter shown yet: nothing to toggle.
    EXPECT_EQ(ToggleLatitude(12, 0), (HemisphereChoice{12, 0}));
}

} // namespace
} // namespace vantrel
