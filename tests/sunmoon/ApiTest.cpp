// The C interface: bad input, repeated calls and reads, and results that do
// not depend on the calls before them.

#include "sunmoon/Orbex_sunmoon.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

/// In CallFromC.c: DataToDLL from C for the instant and station of a
/// default Call, then the four angle readers and GetDistance into values.
extern "C" void SunMoonCallFromC(std::uint8_t body, double values[5]);

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

/// The arguments of one DataToDLL.
struct Call {
    std::uint16_t Year = 2024, Month = 3, Day = 15, Hour = 18, Minute = 30, Second = 0;
    double Height = 120.0, Latitude = 52.2, Longitude = 5.4;
    std::uint8_t Flag = 0, Body = 0;
    double Extra = 0.0;
};

/// The five readers after one call (the four angles and the distance), and
/// their bit patterns for exact comparison.
struct Angles {
    std::array<double, 5> Values{}; // azimuth, elevation, GHA, declination, distance

    bool AllNaN() const {
        for (double v : Values) {
            if (!std::isnan(v)) {
                return false;
            }
        }
        return true;
    }
    bool AllFinite() const {
        for (double v : Values) {
            if (!std::isfinite(v)) {
                return false;
            }
        }
        return true;
    }
    bool operator==(const Angles& other) const {
        for (std::size_t i = 0; i < Values.size(); ++i) {
            if (std::bit_cast<std::uint64_t>(Values[i]) !=
                std::bit_cast<std::uint64_t>(other.Values[i])) {
                return false;
            }
        }
        return true;
    }
};

std::ostream& operator<<(std::ostream& out, const Angles& a) {
    return out << "az " << a.Values[0] << " el " << a.Values[1] << " gha " << a.Values[2] << " dec "
               << a.Values[3] << " distance " << a.Values[4] << " km";
}

Angles Read() {
    return {{GetAzimuth(), GetElevation(), GetGHA(), GetDecTopo(), GetDistance()}};
}

Angles Compute(const Call& c) {
    DataToDLL(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second, c.Height, c.Latitude, c.Longitude,
              c.Flag, c.Body, c.Extra);
    return Read();
}

struct BadCase {
    const char* Name;
    void (*Spoil)(Call&);
};

const BadCase kBadCases[] = {
    {"month 0", [](Call& c) { c.Month = 0; }},
    {"month 13", [](Call& c) { c.Month = 13; }},
    {"day 0", [](Call& c) { c.Day = 0; }},
    {"day 32", [](Call& c) { c.Day = 32; }},
    {"31 April", [](Call& c) { c.Month = 4, c.Day = 31; }},
    {"29 February of 2023", [](Call& c) { c.Year = 2023, c.Month = 2, c.Day = 29; }},
    {"29 February of 1900", [](Call& c) { c.Year = 1900, c.Month = 2, c.Day = 29; }},
    {"30 February of 2024", [](Call& c) { c.Month = 2, c.Day = 30; }},
    {"hour 24", [](Call& c) { c.Hour = 24; }},
    {"hour 65535", [](Call& c) { c.Hour = 65535; }},
    {"minute 60", [](Call& c) { c.Minute = 60; }},
    {"second 61", [](Call& c) { c.Second = 61; }},
    {"second 60 on a day without leap second",
     [](Call& c) {
         c.Year = 2016, c.Month = 12, c.Day = 30, c.Hour = 23, c.Minute = 59, c.Second = 60;
     }},
    {"second 60 before 23:59 of a leap-second day",
     [](Call& c) {
         c.Year = 2016, c.Month = 12, c.Day = 31, c.Hour = 23, c.Minute = 58, c.Second = 60;
     }},
    {"second 60 at the fractional UTC step of 1972",
     [](Call& c) {
         c.Year = 1971, c.Month = 12, c.Day = 31, c.Hour = 23, c.Minute = 59, c.Second = 60;
     }},
    {"year 0", [](Call& c) { c.Year = 0; }},
    {"year 1899", [](Call& c) { c.Year = 1899; }},
    {"year 2101", [](Call& c) { c.Year = 2101; }},
    {"year 65535", [](Call& c) { c.Year = 65535; }},
    {"latitude 90.000001", [](Call& c) { c.Latitude = 90.000001; }},
    {"latitude -91", [](Call& c) { c.Latitude = -91; }},
    {"latitude NaN", [](Call& c) { c.Latitude = kNaN; }},
    {"latitude infinite", [](Call& c) { c.Latitude = -kInf; }},
    {"longitude NaN", [](Call& c) { c.Longitude = kNaN; }},
    {"longitude infinite", [](Call& c) { c.Longitude = kInf; }},
    {"longitude 361", [](Call& c) { c.Longitude = 361; }},
    {"height NaN", [](Call& c) { c.Height = kNaN; }},
    {"height infinite", [](Call& c) { c.Height = kInf; }},
    {"height -1e9", [](Call& c) { c.Height = -1e9; }},
    {"body 2", [](Call& c) { c.Body = 2; }},
    {"body 255", [](Call& c) { c.Body = 255; }},
};

TEST(SunMoonBadInput, EveryReaderIsNaNForThatCallOnly) {
    const Call good;
    const Angles before = Compute(good);
    ASSERT_TRUE(before.AllFinite()) << before;
    for (const BadCase& bad : kBadCases) {
        Call c = good;
        bad.Spoil(c);
        EXPECT_TRUE(Compute(c).AllNaN()) << bad.Name << ": " << Read();
        EXPECT_TRUE(Read().AllNaN()) << bad.Name << " on a second read";
        // The state is not left broken: the good call gives its values again.
        EXPECT_EQ(Compute(good), before) << "after " << bad.Name;
    }
}

TEST(SunMoonBadInput, EdgesThatAreValid) {
    const struct {
        const char* Name;
        void (*Set)(Call&);
    } cases[] = {
        {"north pole", [](Call& c) { c.Latitude = 90; }},
        {"south pole", [](Call& c) { c.Latitude = -90; }},
        {"longitude 360", [](Call& c) { c.Longitude = 360; }},
        {"longitude -180", [](Call& c) { c.Longitude = -180; }},
        {"29 February of 2000", [](Call& c) { c.Year = 2000, c.Month = 2, c.Day = 29; }},
        {"first instant",
         [](Call& c) { c.Year = 1900, c.Month = 1, c.Day = 1, c.Hour = 0, c.Minute = 0; }},
        {"last instant",
         [](Call& c) {
             c.Year = 2100, c.Month = 12, c.Day = 31, c.Hour = 23, c.Minute = 59, c.Second = 59;
         }},
        {"leap second of 1972",
         [](Call& c) {
             c.Year = 1972, c.Month = 6, c.Day = 30, c.Hour = 23, c.Minute = 59, c.Second = 60;
         }},
        {"leap second of 2016",
         [](Call& c) {
             c.Year = 2016, c.Month = 12, c.Day = 31, c.Hour = 23, c.Minute = 59, c.Second = 60;
         }},
        {"Dead Sea shore", [](Call& c) { c.Height = -430; }},
        {"flag and extra set", [](Call& c) { c.Flag = 255, c.Extra = kNaN; }},
    };
    for (int body = 0; body <= 1; ++body) {
        for (const auto& edge : cases) {
            Call c;
            c.Body = static_cast<std::uint8_t>(body);
            edge.Set(c);
            const Angles a = Compute(c);
            ASSERT_TRUE(a.AllFinite()) << edge.Name << " body " << body << ": " << a;
            EXPECT_GE(a.Values[0], 0) << edge.Name;
            EXPECT_LT(a.Values[0], 360) << edge.Name;
            EXPECT_LE(std::fabs(a.Values[1]), 90) << edge.Name;
            EXPECT_GE(a.Values[2], 0) << edge.Name;
            EXPECT_LT(a.Values[2], 360) << edge.Name;
            EXPECT_LE(std::fabs(a.Values[3]), 90) << edge.Name;
            // Moon 350 000..410 000 km, Sun 147..153 million km, 1900-2100.
            EXPECT_GT(a.Values[4], body == 0 ? 3.5e5 : 1.47e8) << edge.Name;
            EXPECT_LT(a.Values[4], body == 0 ? 4.1e5 : 1.53e8) << edge.Name;
        }
    }
}

TEST(SunMoonCalls, FlagAndExtraAreIgnored) {
    for (std::uint8_t body = 0; body <= 1; ++body) {
        Call plain;
        plain.Body = body;
        const Angles expected = Compute(plain);
        for (const std::uint8_t flag : {std::uint8_t{1}, std::uint8_t{255}}) {
            for (const double extra : {1.0, -1e300, kNaN, kInf}) {
                Call c = plain;
                c.Flag = flag;
                c.Extra = extra;
                EXPECT_EQ(Compute(c), expected) << "flag " << int(flag) << " extra " << extra;
            }
        }
    }
}

TEST(SunMoonCalls, CallersInCGetTheSameValues) {
    for (std::uint8_t body = 0; body <= 1; ++body) {
        Call c; // the instant and station SunMoonCallFromC uses
        c.Body = body;
        Angles fromC;
        SunMoonCallFromC(body, fromC.Values.data());
        EXPECT_TRUE(fromC.AllFinite()) << fromC;
        EXPECT_EQ(Compute(c), fromC);
    }
}

// The real-time display: two identical calls, then reads repeated.
TEST(SunMoonCalls, RepeatedCallsAndReadsGiveIdenticalValues) {
    for (std::uint8_t body = 0; body <= 1; ++body) {
        Call c;
        c.Body = body;
        const Angles first = Compute(c);
        const Angles second = Compute(c);
        EXPECT_EQ(first, second);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(Read(), first) << "read " << i;
            EXPECT_EQ(GetElevation(), first.Values[1]);
        }
    }
}

// Reading the distance, or not, changes none of the angles: a sweep read
// with the four angle readers alone gives the same bits as one that also
// reads the distance, before and after each angle.
TEST(SunMoonCalls, ReadingTheDistanceChangesNoAngle) {
    Call c;
    c.Month = 2;
    c.Day = 27;
    for (int row = 0; row < 500; ++row) {
        c.Body = static_cast<std::uint8_t>(row % 2);
        c.Hour = static_cast<std::uint16_t>((row * 7) % 24);
        c.Minute = static_cast<std::uint16_t>((row * 13) % 60);
        c.Day = static_cast<std::uint16_t>(1 + row % 28);
        DataToDLL(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second, c.Height, c.Latitude,
                  c.Longitude, c.Flag, c.Body, c.Extra);
        const double plain[4] = {GetAzimuth(), GetElevation(), GetGHA(), GetDecTopo()};
        DataToDLL(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second, c.Height, c.Latitude,
                  c.Longitude, c.Flag, c.Body, c.Extra);
        const double d0 = GetDistance();
        const double az = GetAzimuth();
        const double d1 = GetDistance();
        const double el = GetElevation();
        const double gha = GetGHA();
        const double d2 = GetDistance();
        const double dec = GetDecTopo();
        const double mixed[4] = {az, el, gha, dec};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(mixed[i]),
                      std::bit_cast<std::uint64_t>(plain[i]))
                << "row " << row << " reader " << i << ": " << plain[i] << " then " << mixed[i];
        }
        EXPECT_EQ(std::bit_cast<std::uint64_t>(d0), std::bit_cast<std::uint64_t>(d1));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(d0), std::bit_cast<std::uint64_t>(d2));
        EXPECT_TRUE(std::isfinite(d0)) << "row " << row;
    }
}

/// A minute-by-minute sweep as the planner runs it (Moon, then Sun, at each
/// instant) over 40 hours across a month end; every 97th row is kept.
std::vector<std::pair<Call, Angles>> Sweep(Call start) {
    std::vector<std::pair<Call, Angles>> kept;
    Call c = start;
    for (int row = 0; row < 40 * 60; ++row) {
        for (std::uint8_t body = 0; body <= 1; ++body) {
            c.Body = body;
            const Angles a = Compute(c);
            if (row % 97 == 0 || row == 40 * 60 - 1) {
                kept.emplace_back(c, a);
            }
        }
        if (++c.Minute == 60) {
            c.Minute = 0;
            if (++c.Hour == 24) {
                c.Hour = 0;
                if (++c.Day > 31) {
                    c.Day = 1;
                    ++c.Month;
                }
            }
        }
    }
    return kept;
}

TEST(SunMoonCalls, ResultsDoNotDependOnTheCallsBefore) {
    Call start;
    start.Month = 1;
    start.Day = 31;
    start.Hour = 3;
    start.Minute = 17;
    const std::vector<std::pair<Call, Angles>> kept = Sweep(start);
    ASSERT_GT(kept.size(), 40u);

    Call far;
    far.Year = 1953;
    far.Latitude = -33.9;
    far.Longitude = 18.4;
    far.Height = 10;
    Call otherStation;
    for (const auto& [call, expected] : kept) {
        // Alone after a jump of decades and of station.
        Compute(far);
        EXPECT_EQ(Compute(call), expected) << "after a jump: " << call.Day << " " << call.Hour
                                           << ":" << call.Minute << " body " << int(call.Body);
        // The same instant just computed for another station, then this one.
        otherStation = call;
        otherStation.Latitude = -call.Latitude;
        otherStation.Longitude = call.Longitude + 100;
        Compute(otherStation);
        EXPECT_EQ(Compute(call), expected) << "after another station";
        // The other body at the same instant first, the sweep's order reversed.
        Call other = call;
        other.Body = static_cast<std::uint8_t>(1 - call.Body);
        Compute(other);
        EXPECT_EQ(Compute(call), expected) << "after the other body";
    }
    // Backwards through the kept rows.
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
        EXPECT_EQ(Compute(it->first), it->second) << "backwards";
    }
}

} // namespace
