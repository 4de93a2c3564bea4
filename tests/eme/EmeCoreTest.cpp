// The EME core's own rules: the DX station as typed, the list of recent
// ones, the polarisation offset's range, the edges of the common windows
// (with a skyline, refraction and a DX station), instants without a place,
// and the CSV the tool and the window write.

#include "eme/DxSked.h"
#include "eme/DxStation.h"
#include "eme/EmeCalculator.h"
#include "eme/EmeCsv.h"
#include "eme/MoonWindows.h"
#include "eme/ParallacticAngle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vantrel::eme {
namespace {

TEST(DxStation, ReadsWhatOperatorsType) {
    struct Case {
        const char* Text;
        const char* Named; // DxStation::Text(), empty for a refusal
        double Lat, Lon, Height;
        const char* Problem; // part of the refusal
    };
    const Case cases[] = {
        {"JO62qm", "JO62qm", 52.5208333, 13.375, 0, ""},
        {" jo62QM ", "JO62qm", 52.5208333, 13.375, 0, ""},
        {"JO62", "JO62", 52.5, 13.0, 0, ""},
        {"dl0abc JO62qm", "DL0ABC JO62qm", 52.5208333, 13.375, 0, ""},
        {"W5LUA EM13", "W5LUA EM13", 33.5, -97.0, 0, ""},
        {"52.52, 13.405, 40", "52.52,13.405,40", 52.52, 13.405, 40, ""},
        {"VK2XYZ -33.87,151.21", "VK2XYZ -33.87,151.21", -33.87, 151.21, 0, ""},
        {"RR99", "RR99", 89.5, 179.0, 0, ""},
        {"", "", 0, 0, 0, "locator or its latitude,longitude"},
        {"JO6", "", 0, 0, 0, "4 or 6 characters"},
        {"JO62q", "", 0, 0, 0, "4 or 6 characters"},
        {"ZZ00", "", 0, 0, 0, "1st character"},
        {"JO6Aqm", "", 0, 0, 0, "4th character"},
        {"45,10", "45,10", 45, 10, 0, ""}, // latitude and longitude, not 45.10
        {"91,10", "", 0, 0, 0, "latitude"},
        {"91,0", "", 0, 0, 0, "latitude"},
        {"0,181", "", 0, 0, 0, "longitude"},
        {"0,0,200000", "", 0, 0, 0, "height"},
        {"0,0,nan", "", 0, 0, 0, "height"},
        {"1,2,3,4", "", 0, 0, 0, "latitude,longitude"},
        {"W5LUA", "", 0, 0, 0, "4 or 6 characters"},
        {"A B C", "", 0, 0, 0, "one call sign"},
        {"W5LUA;rm EM13", "", 0, 0, 0, "call sign"},
    };
    for (const Case& c : cases) {
        const DxParse p = ParseDxStation(c.Text);
        if (*c.Named == '\0') {
            EXPECT_FALSE(p.Station) << c.Text;
            EXPECT_NE(p.Problem.find(c.Problem), std::string::npos) << c.Text << ": " << p.Problem;
            continue;
        }
        ASSERT_TRUE(p.Station) << c.Text << ": " << p.Problem;
        EXPECT_EQ(p.Station->Text(), c.Named);
        EXPECT_NEAR(p.Station->Site.LatitudeDeg, c.Lat, 1e-6) << c.Text;
        EXPECT_NEAR(p.Station->Site.LongitudeDeg, c.Lon, 1e-6) << c.Text;
        EXPECT_EQ(p.Station->Site.HeightM, c.Height) << c.Text;
        // What the recent list keeps reads back as the same station.
        const DxParse again = ParseDxStation(p.Station->Text());
        ASSERT_TRUE(again.Station);
        EXPECT_EQ(again.Station->Site, p.Station->Site);
    }
}

TEST(DxStation, RecentListPutsTheLastFirstOnceAndKeepsTen) {
    std::vector<std::string> recent;
    for (int i = 0; i < 12; ++i) {
        recent = RememberDx(recent, "JO" + std::to_string(10 + i));
    }
    ASSERT_EQ(recent.size(), kRecentDxCount);
    EXPECT_EQ(recent.front(), "JO21");
    EXPECT_EQ(recent.back(), "JO12");
    recent = RememberDx(recent, "jo15");
    EXPECT_EQ(recent.size(), kRecentDxCount);
    EXPECT_EQ(recent.front(), "jo15");
    EXPECT_EQ(std::count_if(recent.begin(), recent.end(),
                            [](const std::string& s) { return s == "JO15"; }),
              0);
    EXPECT_EQ(RememberDx({"", "JO62", "jo62"}, "").size(), 1U);
}

TEST(Polarisation, OffsetIsTheDifferenceModulo180) {
    struct Case {
        double Home, Dx, Offset;
    };
    const Case cases[] = {{10, 20, -10},   {100, 0, -80},  {90, 0, -90},
                          {-90, 0, -90},   {45, -45, -90}, {179, -179, -2},
                          {-170, 170, 20}, {0, 0, 0},      {135.5, -44.5, 0}};
    for (const Case& c : cases) {
        EXPECT_NEAR(PolarisationOffsetDeg(c.Home, c.Dx), c.Offset, 1e-9) << c.Home << " " << c.Dx;
    }
    // On the meridian 0 south of the zenith, 180 north of it; west of it
    // positive; at a pole the zenith is the pole, and the angle 0.
    EXPECT_NEAR(ParallacticAngleDeg(0, 20, 52), 0, 1e-12);
    EXPECT_NEAR(ParallacticAngleDeg(0, 60, 52), 180, 1e-12);
    EXPECT_GT(ParallacticAngleDeg(30, 10, 52), 0);
    EXPECT_LT(ParallacticAngleDeg(-30, 10, 52), 0);
    EXPECT_NEAR(ParallacticAngleDeg(40, 10, 90), 0, 1e-9);
}

/// The Moon's state one second either side of every edge agrees with the
/// window: up at Start and End − 1, down at Start − 1 and End (unless the
/// search's own bounds cut the window).
void ExpectSharpEdges(EmeCalculator& calc, const WindowSearch& s,
                      const std::vector<MoonWindow>& windows) {
    const auto up = [&](UtcSeconds t) {
        const auto sights = calc.SightsAt(t);
        const bool home = sights.Home.ElevationDeg >= s.HomeMinElevationDeg &&
                          !(s.HomeHorizon &&
                            s.HomeHorizon->Hides(sights.Home.AzimuthDeg, sights.Home.ElevationDeg));
        const bool dx = !calc.HasDx() || sights.Dx.ElevationDeg >= s.DxMinElevationDeg;
        return home && dx;
    };
    UtcSeconds previousEnd = s.Start;
    for (const MoonWindow& w : windows) {
        EXPECT_LE(previousEnd, w.Start);
        EXPECT_LT(w.Start, w.End);
        EXPECT_TRUE(up(w.Start)) << UtcText(w.Start);
        EXPECT_TRUE(up(w.End - 1)) << UtcText(w.End);
        EXPECT_EQ(w.OpenAtStart, w.Start == s.Start);
        EXPECT_EQ(w.OpenAtEnd, w.End == s.End);
        if (!w.OpenAtStart) {
            EXPECT_FALSE(up(w.Start - 1)) << UtcText(w.Start);
        }
        if (!w.OpenAtEnd) {
            EXPECT_FALSE(up(w.End)) << UtcText(w.End);
        }
        EXPECT_GE(w.MaxElevationHomeDeg, s.HomeMinElevationDeg);
        EXPECT_TRUE(std::isfinite(w.MidEchoDopplerHz));
        EXPECT_TRUE(std::isfinite(w.MidPathLossChangeDb));
        EXPECT_EQ(std::isfinite(w.MidDxDopplerHz), calc.HasDx());
        previousEnd = w.End;
    }
}

TEST(MoonWindows, EdgesAreSharpWithSkylineRefractionAndDx) {
    struct Case {
        const char* Name;
        bool Dx;
        bool Skyline;
        bool Refraction;
        std::int64_t StepS;
        double HomeMin;
    };
    const Case cases[] = {
        {"home alone, 10 min", false, false, false, 600, 0},
        {"home and DX, 1 h steps", true, false, false, 3600, 0},
        {"skyline in the east, refraction", false, true, true, 300, 3},
        {"DX, skyline, refraction, 7 min", true, true, true, 420, 0},
    };
    const EmeSite berlin{52.52, 13.405, 40};
    const EmeSite texas{32.9, -97.0, 180};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ObservingConditions conditions;
        conditions.Refraction = c.Refraction;
        EmeCalculator calc(berlin, c.Dx ? std::optional<EmeSite>(texas) : std::nullopt, conditions);
        WindowSearch s;
        // Starts mid-window on purpose (the Moon is up over Berlin then).
        s.Start = UtcSecondsOf(EncodeDateTime(2026, 3, 21, 20, 0, 0));
        s.End = s.Start + 4 * kWholeSecondsPerDay + 1234;
        s.StepS = c.StepS;
        s.HomeMinElevationDeg = c.HomeMin;
        if (c.Skyline) {
            // A ridge of 15° from north-east to south-east.
            s.HomeHorizon.emplace(
                std::vector<HorizontalDeg>{{40, 0}, {45, 15}, {135, 15}, {140, 0}, {300, 0}});
        }
        const WindowSearchResult r = FindMoonWindows(calc, s);
        ASSERT_TRUE(r.Complete);
        ASSERT_GE(r.Windows.size(), 3U);
        ExpectSharpEdges(calc, s, r.Windows);
        if (c.Skyline && !c.Dx) {
            // The Moon rises in the east here: behind the ridge until it
            // clears 15°.
            const auto sights = calc.SightsAt(r.Windows[1].Start);
            EXPECT_GT(sights.Home.AzimuthDeg, 45);
            EXPECT_LT(sights.Home.AzimuthDeg, 135);
            EXPECT_NEAR(sights.Home.ElevationDeg, 15, 0.01);
        }
    }
}

TEST(DxSked, EachStationsWindowsWithTheirQualityInTheOrderAsked) {
    const std::vector<DxStation> dx = {*ParseDxStation("W5LUA EM13qc").Station,
                                       *ParseDxStation("VK2XYZ QF56od").Station};
    DxSkedSearch search;
    search.Home = {52.52, 13.405, 40};
    search.Conditions.FrequencyMHz = 1296;
    search.Span.Start = UtcSecondsOf(EncodeDateTime(2026, 12, 14, 0, 0, 0));
    search.Span.End = search.Span.Start + 4 * kWholeSecondsPerDay;
    search.Span.DxMinElevationDeg = 5;
    bool complete = false;
    std::vector<DxSkedWindow> rows = FindDxSkeds(dx, search, {}, complete);
    ASSERT_TRUE(complete);
    std::size_t expected = 0;
    for (const DxStation& d : dx) {
        EmeCalculator calc(search.Home, d.Site, search.Conditions);
        const auto own = FindMoonWindows(calc, search.Span).Windows;
        std::size_t seen = 0;
        for (const DxSkedWindow& r : rows) {
            if (r.Dx == d.Text()) {
                ASSERT_LT(seen, own.size());
                EXPECT_EQ(r.Window.Start, own[seen].Start);
                EXPECT_EQ(r.Window.End, own[seen].End);
                // The lower of the two at its best: within both maxima, above
                // both minima.
                EXPECT_LE(r.CommonElevationDeg,
                          std::min(r.Window.MaxElevationHomeDeg, r.Window.MaxElevationDxDeg) +
                              1e-9);
                EXPECT_GE(r.CommonElevationDeg, 5.0);
                EXPECT_TRUE(std::isnan(r.DegradationDb)); // no sky map given
                ++seen;
            }
        }
        EXPECT_EQ(seen, own.size()) << d.Text();
        expected += own.size();
    }
    ASSERT_EQ(rows.size(), expected);
    ASSERT_GE(rows.size(), 4U);
    SortDxSkeds(rows, DxSkedOrder::Length);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_GE(rows[i - 1].Window.DurationS(), rows[i].Window.DurationS());
    }
    SortDxSkeds(rows, DxSkedOrder::CommonElevation);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_GE(rows[i - 1].CommonElevationDeg, rows[i].CommonElevationDeg);
    }
    SortDxSkeds(rows, DxSkedOrder::Start);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_LE(rows[i - 1].Window.Start, rows[i].Window.Start);
    }
    const std::string csv = DxSkedsCsv(rows, "DL0ABC 52.52,13.405", 1296, 0, 5);
    EXPECT_TRUE(csv.starts_with("# station DL0ABC 52.52,13.405 frequency_mhz 1296.000 "
                                "min_el_home_deg 0.0 min_el_dx_deg 5.0\n"
                                "dx,start_utc,end_utc,duration_min,common_el_deg,"
                                "max_el_home_deg,max_el_dx_deg,dgrd_db\n"))
        << csv;
    EXPECT_EQ(static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')), rows.size() + 2);
    EXPECT_NE(csv.find("\nW5LUA EM13qc,2026-12-1"), std::string::npos);
}

TEST(MoonWindows, StopsWhenToldAndRefusesAnEmptySearch) {
    EmeCalculator calc({52.52, 13.405, 40}, std::nullopt, ObservingConditions{});
    WindowSearch s;
    s.Start = UtcSecondsOf(EncodeDate(2026, 1, 1));
    s.End = s.Start + 30 * kWholeSecondsPerDay;
    s.StepS = 60;
    int calls = 0;
    const WindowSearchResult stopped = FindMoonWindows(calc, s, [&](double fraction) {
        EXPECT_GE(fraction, 0.0);
        EXPECT_LE(fraction, 1.0);
        return ++calls < 3;
    });
    EXPECT_FALSE(stopped.Complete);
    EXPECT_EQ(calls, 3);
    s.End = s.Start;
    EXPECT_TRUE(FindMoonWindows(calc, s).Windows.empty());
    s.End = s.Start + 100;
    s.StepS = 0;
    EXPECT_TRUE(FindMoonWindows(calc, s).Windows.empty());
}

TEST(MoonWindows, NoPlaceMeansNoWindowAndNoValues) {
    // The last days with places: the windows stop at 2101-01-01.
    EmeCalculator calc({0, 0, 0}, EmeSite{10, 10, 0}, ObservingConditions{});
    WindowSearch s;
    s.Start = UtcSecondsOf(EncodeDate(2100, 12, 29));
    s.End = UtcSecondsOf(EncodeDate(2101, 1, 3));
    s.StepS = 900;
    const WindowSearchResult r = FindMoonWindows(calc, s);
    ASSERT_FALSE(r.Windows.empty());
    EXPECT_LE(r.Windows.back().End, UtcSecondsOf(EncodeDate(2101, 1, 1)));
    const EmeMoment beyond = calc.At(UtcSecondsOf(EncodeDate(2101, 1, 2)));
    EXPECT_FALSE(beyond.Valid);
    EXPECT_TRUE(std::isnan(beyond.EchoDopplerHz));
    EXPECT_EQ(MomentCsvRow(beyond, true), "2101-01-02T00:00:00Z,,,,,,,,,,,,,,,,,,,,\n");
    // A DX station out of range leaves no value either.
    EmeCalculator badDx({0, 0, 0}, EmeSite{95, 0, 0}, ObservingConditions{});
    EXPECT_FALSE(badDx.At(UtcSecondsOf(EncodeDate(2026, 1, 1))).Valid);
}

TEST(EmeCsv, HeadersAndRows) {
    // The sked's figures follow the columns of old, which keep their order.
    EXPECT_EQ(MomentCsvHeader(false), "utc,moon_az_deg,moon_el_deg,distance_km,echo_delay_s,"
                                      "echo_doppler_hz,path_loss_db,path_loss_change_db,"
                                      "tsky_home_k,dgrd_db,sun_moon_deg,"
                                      "echo_doppler_rate_hz_per_min,echo_spread_hz\n");
    EXPECT_EQ(MomentCsvHeader(true),
              "utc,moon_az_deg,moon_el_deg,distance_km,echo_delay_s,echo_doppler_hz,"
              "path_loss_db,path_loss_change_db,dx_moon_az_deg,dx_moon_el_deg,dx_doppler_hz,"
              "polarisation_offset_deg,tsky_home_k,tsky_dx_k,dgrd_db,dgrd_dx_db,sun_moon_deg,"
              "echo_doppler_rate_hz_per_min,dx_doppler_rate_hz_per_min,echo_spread_hz,"
              "dx_spread_hz\n");
    EmeMoment m;
    m.Utc = UtcSecondsOf(EncodeDateTime(2026, 3, 21, 5, 6, 7));
    m.Home.AzimuthDeg = 180;
    m.SkyHomeK = 12.34;
    m.DegradationDb = -0.004;
    m.SunMoonDeg = 90.126;
    m.EchoDopplerRateHzPerMin = -17.556;
    m.EchoSpreadHz = 3.0;
    EXPECT_EQ(MomentCsvRow(m, false),
              "2026-03-21T05:06:07Z,180.000,,,,,,,12.3,0.00,90.13,-17.56,3.00\n");
    MoonWindow w;
    w.Start = UtcSecondsOf(EncodeDateTime(2026, 3, 21, 5, 6, 7));
    w.End = w.Start + std::int64_t{10830}; // 3 h 0 min 30 s
    w.MaxElevationHomeDeg = 41.234;
    w.MidEchoDopplerHz = -0.04;
    w.MidPathLossChangeDb = 1.5;
    const MoonWindow list[] = {w};
    EXPECT_EQ(WindowsCsv(list, false),
              "start_utc,end_utc,duration_min,max_el_home_deg,max_el_dx_deg\n"
              "2026-03-21T05:06:07Z,2026-03-21T08:06:37Z,180.5,41.23,\n");
    EXPECT_EQ(WindowsCsv(list, true),
              "start_utc,end_utc,duration_min,max_el_home_deg,max_el_dx_deg,"
              "mid_echo_doppler_hz,mid_dx_doppler_hz,mid_path_loss_change_db\n"
              "2026-03-21T05:06:07Z,2026-03-21T08:06:37Z,180.5,41.23,,0.0,,1.500\n");
}

} // namespace
} // namespace vantrel::eme
