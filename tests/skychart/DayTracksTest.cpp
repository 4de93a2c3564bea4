#include "skychart/DayTracks.h"

#include "sunmoon/SunMoonEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

namespace vantrel {
namespace {

/// The sun/moon computation the program's library is built on, as an
/// object of its own: real places without the shared library.
class EngineSunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant& utc, double heightM, double latitudeDeg,
                   double longitudeDeg, SunMoonBody body) override {
        sunmoon::Request r;
        r.Utc = {utc.Year, utc.Month, utc.Day, utc.Hour, utc.Minute, utc.Second};
        r.HeightM = heightM;
        r.LatitudeDeg = latitudeDeg;
        r.LongitudeDeg = longitudeDeg;
        r.BodyCode = static_cast<int>(body);
        const auto p = engine_.Compute(r);
        constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
        last_ = p.value_or(sunmoon::TopocentricPlace{kNaN, kNaN, kNaN, kNaN, kNaN});
    }
    double GetAzimuth() override { return last_.AzimuthDeg; }
    double GetElevation() override { return last_.ElevationDeg; }
    double GetGHA() override { return last_.GhaDeg; }
    double GetDecTopo() override { return last_.DecDeg; }

private:
    sunmoon::SunMoonEngine engine_;
    sunmoon::TopocentricPlace last_;
};

/// A Sun that rises at 06:06 in the east and sets at 18:06 in the west
/// (elevation 30° − 5° per hour from 12:06, azimuth 15° an hour), and a
/// Moon below the horizon all day.
class RisingSun final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant& utc, double, double, double, SunMoonBody b) override {
        hours_ = utc.Hour + utc.Minute / 60.0;
        body_ = b;
    }
    double GetAzimuth() override { return 15.0 * hours_; }
    double GetElevation() override {
        return body_ == SunMoonBody::Sun ? 30.0 - 5.0 * std::abs(hours_ - 12.1) : -10.0;
    }
    double GetGHA() override { return 0; }
    double GetDecTopo() override { return 0; }

private:
    double hours_ = 0;
    SunMoonBody body_ = SunMoonBody::Moon;
};

HomeStation Station(double latDeg, double lonDeg, int option) {
    HomeStation s;
    s.Latitude = latDeg;
    s.Longitude = lonDeg;
    s.HeightAsl = 120;
    s.SourceOption = option;
    s.UserSourceName = "3C 123";
    s.UserSourceRa = 4.6173L;
    s.UserSourceDec = 29.67L;
    return s;
}

struct TrackCase {
    std::string Name;
    HomeStation Where;
    ObservingConditions Conditions;
};

void PrintTo(const TrackCase& c, std::ostream* os) {
    *os << c.Name;
}

class TracksAgainstPlaces : public ::testing::TestWithParam<TrackCase> {};

// Every computed place of every track is the place SkyPlaces gives for its
// instant, and every place SkyPlaces gives above the horizon is on a track.
TEST_P(TracksAgainstPlaces, EveryStepIsThePlaceOfItsInstant) {
    const TrackCase& c = GetParam();
    EngineSunMoon trackLibrary;
    EngineSunMoon checkLibrary;
    SkyPlaces trackPlaces(trackLibrary);
    SkyPlaces checkPlaces(checkLibrary);
    const DateTime day = EncodeDate(2026, 12, 9);
    const DayTrackKey key = DayTrackKeyFor(day + 0.7, c.Where, c.Conditions);
    ASSERT_EQ(key.DayUtc, day);
    const auto tracks = ComputeDayTracks(trackPlaces, key);

    for (std::size_t pair = 0; pair < kDisplayedSourceCount; ++pair) {
        const DayTrack& track = tracks[pair];
        ASSERT_EQ(track.Source, DisplayedSource(pair, c.Where).value());
        for (int i = 0; i < kDayTrackInstants; ++i) {
            const DecodedInstant utc = DecodeInstant(AddMinutes(day, i * kDayTrackStepMinutes));
            const SkyPlaceDeg want = checkPlaces.At(track.Source, c.Where, c.Conditions, utc);
            ASSERT_TRUE(want.Valid);
            const TrackPlace* got = nullptr;
            for (const auto& piece : track.Pieces) {
                for (const auto& p : piece) {
                    if (p.MinuteOfDay == i * kDayTrackStepMinutes) {
                        got = &p;
                    }
                }
            }
            if (want.ElevationDeg < 0) {
                EXPECT_EQ(got, nullptr) << "below the horizon at step " << i;
                continue;
            }
            ASSERT_NE(got, nullptr) << SkySourceKey(track.Source) << " step " << i;
            EXPECT_EQ(got->AzimuthDeg, want.AzimuthDeg) << SkySourceKey(track.Source) << " " << i;
            EXPECT_EQ(got->ElevationDeg, want.ElevationDeg)
                << SkySourceKey(track.Source) << " " << i;
        }
        // Pieces hold only places on or above the horizon, in time order.
        for (const auto& piece : track.Pieces) {
            ASSERT_FALSE(piece.empty());
            for (std::size_t k = 0; k < piece.size(); ++k) {
                EXPECT_GE(piece[k].ElevationDeg, 0.0);
                if (k > 0) {
                    EXPECT_LT(piece[k - 1].MinuteOfDay, piece[k].MinuteOfDay);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stations, TracksAgainstPlaces,
    ::testing::Values(TrackCase{"DarmstadtClassic", Station(49.87, 8.65, 0), {}},
                      TrackCase{"SydneyCentaurusApparentRefracted", Station(-33.87, 151.21, 1),
                                ObservingConditions{true, true, 1000, 20, 60, 10368, nullptr}},
                      TrackCase{"TromsoUserSource", Station(69.65, 18.96, 2), {}}),
    [](const auto& info) { return info.param.Name; });

TEST(DayTracks, ARisingAndSettingSourceEndsOnTheHorizonBetweenSteps) {
    RisingSun library;
    SkyPlaces places(library);
    const auto tracks = ComputeDayTracks(
        places, DayTrackKeyFor(EncodeDateTime(2026, 6, 21, 13, 0, 0), Station(50, 10, 0), {}));
    const DayTrack& sun = tracks[8];
    ASSERT_EQ(sun.Source, SkySource::Sun);
    ASSERT_EQ(sun.Pieces.size(), 1u);
    const TrackPiece& day = sun.Pieces.front();
    EXPECT_NEAR(day.front().MinuteOfDay, 6.1 * 60, 1e-9);
    EXPECT_NEAR(day.front().AzimuthDeg, 15 * 6.1, 1e-9);
    EXPECT_EQ(day.front().ElevationDeg, 0.0);
    EXPECT_NEAR(day.back().MinuteOfDay, 18.1 * 60, 1e-9);
    EXPECT_NEAR(day.back().AzimuthDeg, 15 * 18.1, 1e-9);
    EXPECT_EQ(day.back().ElevationDeg, 0.0);
    // 06:10 to 18:05 every 5 minutes, and the two places on the horizon.
    EXPECT_EQ(day.size(), 144u + 2u);
    EXPECT_TRUE(tracks[7].Pieces.empty()) << "the Moon stays below all day";
}

TEST(DayTracks, BuiltAFewInstantsAtATimeAsAtOnce) {
    RisingSun library;
    SkyPlaces places(library);
    const DayTrackKey key = DayTrackKeyFor(EncodeDate(2026, 3, 1), Station(-20, 30, 1), {});
    const auto whole = ComputeDayTracks(places, key);
    DayTrackBuilder builder;
    EXPECT_FALSE(builder.Advance(places, 10)) << "nothing to do before Start";
    builder.Start(key);
    int calls = 0;
    while (!builder.Advance(places, 7)) {
        ++calls;
        ASSERT_LT(calls, 100);
    }
    EXPECT_EQ(calls, (kDayTrackInstants + 6) / 7 - 1);
    EXPECT_TRUE(builder.Done());
    for (std::size_t pair = 0; pair < kDisplayedSourceCount; ++pair) {
        const auto& a = whole[pair].Pieces;
        const auto& b = builder.Tracks()[pair].Pieces;
        ASSERT_EQ(a.size(), b.size()) << pair;
        for (std::size_t k = 0; k < a.size(); ++k) {
            ASSERT_EQ(a[k].size(), b[k].size());
            for (std::size_t j = 0; j < a[k].size(); ++j) {
                EXPECT_EQ(a[k][j].AzimuthDeg, b[k][j].AzimuthDeg);
                EXPECT_EQ(a[k][j].ElevationDeg, b[k][j].ElevationDeg);
            }
        }
    }
    // A new key starts afresh.
    builder.Start(DayTrackKeyFor(EncodeDate(2026, 3, 2), Station(-20, 30, 1), {}));
    EXPECT_FALSE(builder.Done());
    for (const auto& t : builder.Tracks()) {
        EXPECT_TRUE(t.Pieces.empty());
    }
}

TEST(DayTracks, ADamagedSourceOptionLeavesItsPairWithoutATrack) {
    RisingSun library;
    SkyPlaces places(library);
    const auto tracks =
        ComputeDayTracks(places, DayTrackKeyFor(EncodeDate(2026, 3, 1), Station(50, 0, 7), {}));
    EXPECT_TRUE(tracks[2].Pieces.empty());
    EXPECT_FALSE(tracks[0].Pieces.empty() && tracks[1].Pieces.empty());
}

TEST(DayTrackKeys, ChangeWithTheDayTheStationAndTheConditionsOnly) {
    const HomeStation s = Station(50, 10, 0);
    const ObservingConditions c;
    const DayTrackKey k = DayTrackKeyFor(EncodeDateTime(2026, 5, 5, 0, 0, 1), s, c);
    EXPECT_EQ(k, DayTrackKeyFor(EncodeDateTime(2026, 5, 5, 23, 59, 59), s, c));
    EXPECT_NE(k, DayTrackKeyFor(EncodeDateTime(2026, 5, 6, 0, 0, 0), s, c));
    HomeStation moved = s;
    moved.Latitude = 50.5;
    EXPECT_NE(k, DayTrackKeyFor(EncodeDateTime(2026, 5, 5, 1, 0, 0), moved, c));
    ObservingConditions refracted = c;
    refracted.Refraction = true;
    EXPECT_NE(k, DayTrackKeyFor(EncodeDateTime(2026, 5, 5, 1, 0, 0), s, refracted));

    EXPECT_TRUE(DayTrackKeyMatches(k, EncodeDateTime(2026, 5, 5, 23, 59, 59), s, c));
    EXPECT_FALSE(DayTrackKeyMatches(k, EncodeDateTime(2026, 5, 6, 0, 0, 0), s, c));
    EXPECT_FALSE(DayTrackKeyMatches(k, EncodeDateTime(2026, 5, 5, 1, 0, 0), moved, c));
    EXPECT_FALSE(DayTrackKeyMatches(k, EncodeDateTime(2026, 5, 5, 1, 0, 0), s, refracted));
}

} // namespace
} // namespace vantrel
