// The planning sweep against a straightforward reference: the same table
// written cell by cell in the order the columns are read, every attribute
// through the grid's ordinary setters, every number through the standard
// conversions. The whole grid (texts, colours, alignments, merges, row
// heights) must come out identical, on a fresh grid and over earlier tables.

#include "planner/GridLayout.h"
#include "planner/PlanningSweep.h"

#include "astro/Catalogue.h"
#include "astro/Clock.h"
#include "astro/SiderealTime.h"
#include "astro/SourcePosition.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>

namespace vantrel {
namespace {

/// Seven pixels a character, 13 a line: a "-123.45" wraps in a data column
/// while a "-12.34" does not, so row heights depend on the texts.
class CharCountMeasurer final : public TextMeasurer {
public:
    int WrappedTextHeight(std::string_view text, int widthPx) const override {
        const auto perLine = static_cast<std::size_t>(std::max(1, widthPx / 7));
        return 13 * static_cast<int>((text.size() + perLine - 1) / perLine);
    }
};

/// Angles that move with the instant and cross the horizon, with values on
/// the rounding edges of two decimals (0.125 and 2.675 are exact in binary
/// or just below it; -0.004 rounds to an unsigned zero).
class MovingSunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant& utc, double, double, double, SunMoonBody b) override {
        minute_ = utc.Day * 1440 + utc.Hour * 60 + utc.Minute;
        body_ = b;
    }
    double GetAzimuth() override { return Pick(0); }
    double GetElevation() override { return Pick(1); }
    double GetGHA() override { return Pick(2); }
    double GetDecTopo() override { return Pick(3); }

private:
    double Pick(int reader) const {
        static constexpr double kEdges[] = {0.125, 2.675, -0.004, 359.995, -0.005, 123.455, 1e-9};
        const int k = minute_ + 3 * reader + (body_ == SunMoonBody::Sun ? 1 : 0);
        if (k % 11 == 0) {
            return kEdges[static_cast<std::size_t>(k / 11) % std::size(kEdges)];
        }
        const double phase = k * 0.0137;
        return reader == 1 ? 40 * std::sin(phase) - 5 : 200 * std::sin(phase) + 150;
    }
    int minute_ = 0;
    SunMoonBody body_ = SunMoonBody::Sun;
};

// --- The reference: one cell at a time, as the table is described. ---------

std::string ReferenceClock(const DecodedInstant& t, char prefix) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u%02u", static_cast<unsigned>(t.Hour % 100U),
                  static_cast<unsigned>(t.Minute % 100U));
    return prefix != 0 ? std::string(1, prefix) + text : std::string(text);
}

std::string ReferenceLibraryText(double v, char separator) {
    char digits[400];
    const auto r = std::to_chars(digits, digits + sizeof digits, v, std::chars_format::fixed, 2);
    std::string text(digits, r.ptr);
    if (text == "-0.00") {
        text.erase(0, 1);
    }
    if (separator != '.') {
        text[text.size() - 3] = separator;
    }
    return text;
}

long ReferenceDateKey(const DecodedInstant& d) {
    return (static_cast<long>(d.Year) * 13 + d.Month) * 32 + d.Day;
}

void ReferenceSweep(GridCells& grid, const HomeStation& station, const SweepInputs& in) {
    const bool azEl = station.DisplayMode == 0;
    const long double latRad = station.Latitude * kDegToRad;
    const long double lonRad = station.Longitude * kDegToRad;
    int row = kFirstSweepRow;
    int total = kFirstSweepRow + 1;
    long dayRowDate = 0;
    const auto cell = [&](int col, Colour background, const std::string& text) {
        grid.SetAlignment(col, row, kAlignCentre);
        grid.SetCellBackground(col, row, background);
        grid.SetCellText(col, row, text);
    };
    const auto dayRow = [&](DateTime t, const DecodedInstant& utc) {
        grid.MergeCells(0, 2, row, "");
        grid.SetCellBackground(0, row, gridcolour::kDayRow);
        grid.SetAlignment(0, row, kAlignCentre);
        grid.SetCellText(0, row,
                         std::string(WeekdayName(t)) + ' ' + std::to_string(utc.Day) + '/' +
                             std::to_string(utc.Month) + '/' + std::to_string(utc.Year));
        dayRowDate = ReferenceDateKey(utc);
    };
    const auto body = [&](const DecodedInstant& utc, SunMoonBody b, int col, Colour background) {
        SunMoonLibrary& lib = *in.Library;
        lib.DataToDLL(utc, static_cast<double>(station.HeightAsl),
                      static_cast<double>(station.Latitude), static_cast<double>(station.Longitude),
                      b);
        const double first = azEl ? lib.GetAzimuth() : lib.GetGHA();
        const double second = azEl ? lib.GetElevation() : lib.GetDecTopo();
        if (lib.GetElevation() < 0) {
            cell(col, gridcolour::kBelowHorizon, "");
            cell(col + 1, gridcolour::kBelowHorizon, "");
        } else {
            cell(col, background, ReferenceLibraryText(first, in.DecimalSeparator));
            cell(col + 1, background, ReferenceLibraryText(second, in.DecimalSeparator));
        }
    };
    const auto dataRow = [&](DateTime t, const DecodedInstant& utc) {
        grid.SetRowCount(++total);
        ++row;
        cell(0, gridcolour::kBlue, ReferenceClock(utc, 0));
        body(utc, SunMoonBody::Moon, kMoonColumn, gridcolour::kMoon);
        const DecodedInstant l =
            DecodeInstant(StationLocalTime(t, station.UtcOffset, in.Daylight->InForceAt(t)));
        const long ld = ReferenceDateKey(l);
        const long ud = ReferenceDateKey(utc);
        grid.SetCellFontColor(1, row, colour::kBlack);
        cell(1, colour::kButtonFace, ReferenceClock(l, ld > ud ? '+' : ld < ud ? '-' : 0));
        body(utc, SunMoonBody::Sun, kSunColumn, gridcolour::kSun);
        const long double gst = GreenwichSiderealTimeAt(utc);
        for (std::size_t i = 0; i < kFixedSourceCount; ++i) {
            const int c = kFirstPairColumn + 2 * static_cast<int>(i);
            if (c == kFirstPairColumn || c == 14) {
                grid.SetCellFontColor(c, row, colour::kBlack);
            }
            const auto s = FixedSourceAt(CoordinateSet::Planning, i, station);
            if (!s) {
                cell(c, kPairBackground[i], "");
                cell(c + 1, kPairBackground[i], "");
                continue;
            }
            const long double decRad = s->DecDeg * kDegToRad;
            const SourcePositionResult p =
                SourcePosition(gst, s->RaDeg * kDegToRad, decRad, latRad, lonRad);
            if (RoundedDegrees(p.Elevation) < 0) {
                cell(c, gridcolour::kBelowHorizon, "");
                cell(c + 1, gridcolour::kBelowHorizon, "");
            } else {
                cell(c, kPairBackground[i],
                     DegreeText(RoundedDegrees(azEl ? p.Azimuth : p.GreenwichHourAngle)));
                cell(c + 1, kPairBackground[i],
                     DegreeText(RoundedDegrees(azEl ? p.Elevation : decRad)));
            }
        }
    };

    const DateTime start = std::floor(in.StartDate);
    const DateTime limit = std::floor(in.EndDate) + 1;
    DecodedInstant utc = DecodeInstant(start);
    dayRow(start, utc);
    dataRow(start, utc);
    for (std::int64_t k = 1;; ++k) {
        const DateTime t = AddMinutes(start, k * station.CalcInterval);
        if (t >= limit - 0.000001) {
            break;
        }
        utc = DecodeInstant(t);
        if (ReferenceDateKey(utc) != dayRowDate) {
            grid.SetRowCount(++total);
            ++row;
            dayRow(t, utc);
        }
        dataRow(t, utc);
    }
}

// --- Comparison --------------------------------------------------------------

/// Everything a user can see of a grid, one line per cell and per row.
std::string Dump(const GridCells& grid) {
    std::ostringstream out;
    out << "rows " << grid.RowCount() << " fixed " << grid.FixedRows() << " used "
        << grid.MaxUsedRow() << '/' << grid.MaxUsedCol() << '\n';
    for (const GridCell& c : grid.Cells()) {
        out << c.AbsoluteCol << ',' << c.AbsoluteRow << " +" << c.AddCols << '+' << c.AddRows
            << " '" << c.Value << "' bg " << std::hex << grid.EffectiveColor(c) << " fg "
            << grid.EffectiveFontColor(c) << std::dec << " al "
            << static_cast<int>(grid.EffectiveAlignment(c)) << " own " << c.OwnColor << c.OwnFont
            << c.OwnAlignment << '\n';
    }
    for (int r = 0; r < grid.RowCount(); ++r) {
        out << "h" << r << ' ' << grid.RowHeight(r) << '\n';
    }
    return out.str();
}

/// The first differing line of two dumps, for a readable failure.
std::string FirstDifference(const std::string& a, const std::string& b) {
    std::istringstream ia(a);
    std::istringstream ib(b);
    std::string la;
    std::string lb;
    for (int line = 1;; ++line) {
        const bool moreA = static_cast<bool>(std::getline(ia, la));
        const bool moreB = static_cast<bool>(std::getline(ib, lb));
        if (!moreA && !moreB) {
            break;
        }
        if (la != lb) {
            return "line " + std::to_string(line) + ": reference '" + la + "', sweep '" + lb + "'";
        }
        la.clear();
        lb.clear();
    }
    return {};
}

struct IdentityCase {
    const char* name;
    std::function<void(HomeStation&, SweepInputs&)> configure;
};

class SweepIdentity : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(SweepIdentity, GridMatchesTheReferenceCellByCell) {
    CharCountMeasurer measurer;
    MovingSunMoon library;
    FixedDaylight noDaylight(false);
    HomeStation station;
    station.Latitude = 52.2L;
    station.Longitude = -1.5L;
    station.HeightAsl = 80;
    station.CalcInterval = 7;
    SweepInputs in;
    in.StartDate = EncodeDate(2026, 2, 27);
    in.EndDate = EncodeDate(2026, 3, 2);
    in.Library = &library;
    in.Daylight = &noDaylight;
    GetParam().configure(station, in);

    // A fresh grid, then the same grids over a longer table of the other
    // display mode and over a shorter one, as repeated Calculate clicks do.
    GridCells expected(GridSettings{}, &measurer);
    GridCells got(GridSettings{}, &measurer);
    HomeStation earlier = station;
    SweepInputs earlierIn = in;
    for (int pass = 0; pass < 3; ++pass) {
        if (pass > 0) {
            earlier.DisplayMode = station.DisplayMode == 0 ? 1 : 0;
            earlier.CalcInterval = pass == 1 ? 3 : 1440;
            earlierIn.EndDate = in.EndDate + (pass == 1 ? 2 : -2);
            for (GridCells* g : {&expected, &got}) {
                LayoutHeader(*g, earlier);
                ASSERT_EQ(RunPlanningSweep(*g, earlier, earlierIn), SweepResult::Done);
            }
        }
        LayoutHeader(expected, station);
        LayoutHeader(got, station);
        expected.BeginUpdate();
        ReferenceSweep(expected, station, in);
        expected.EndUpdate();
        ASSERT_EQ(RunPlanningSweep(got, station, in), SweepResult::Done);
        const std::string a = Dump(expected);
        const std::string b = Dump(got);
        ASSERT_EQ(a, b) << "pass " << pass << ", " << FirstDifference(a, b);
    }
}

/// Summer time from 1 March 01:00 UTC, halfway through the sweep.
class SpringForward final : public DaylightRules {
public:
    bool InForceAt(DateTime utc) const override {
        return utc >= EncodeDateTime(2026, 3, 1, 1, 0, 0);
    }
};
const SpringForward kSpringForward;

INSTANTIATE_TEST_SUITE_P(
    Configurations, SweepIdentity,
    ::testing::Values(IdentityCase{"AzElCassiopeia", [](HomeStation&, SweepInputs&) {}},
                      IdentityCase{"PolarCentaurus",
                                   [](HomeStation& s, SweepInputs&) {
                                       s.DisplayMode = 1;
                                       s.SourceOption = 1;
                                   }},
                      IdentityCase{"UserSourceSouthernStation",
                                   [](HomeStation& s, SweepInputs&) {
                                       s.SourceOption = 2;
                                       s.UserSourceRa = 5.5L;
                                       s.UserSourceDec = -69.75L;
                                       s.Latitude = -33.9L;
                                       s.Longitude = 151.2L;
                                       s.UtcOffset = 10;
                                   }},
                      IdentityCase{"DaylightRulesAndCommaSeparator",
                                   [](HomeStation& s, SweepInputs& in) {
                                       s.UtcOffset = -5;
                                       in.Daylight = &kSpringForward;
                                       in.DecimalSeparator = ',';
                                   }},
                      IdentityCase{"DamagedSourceOptionAtThePole",
                                   [](HomeStation& s, SweepInputs&) {
                                       s.SourceOption = 7;
                                       s.Latitude = 90;
                                   }},
                      IdentityCase{"OneMinuteOverMidnight",
                                   [](HomeStation& s, SweepInputs& in) {
                                       s.CalcInterval = 1;
                                       in.EndDate = in.StartDate + 1;
                                   }},
                      IdentityCase{"EveryStepANewDay",
                                   [](HomeStation& s, SweepInputs& in) {
                                       s.CalcInterval = 1440;
                                       in.EndDate = in.StartDate + 40;
                                   }},
                      IdentityCase{
                          "EndBeforeStart",
                          [](HomeStation&, SweepInputs& in) { in.EndDate = in.StartDate - 3; }}),
    [](const ::testing::TestParamInfo<IdentityCase>& info) { return info.param.name; });

} // namespace
} // namespace vantrel
