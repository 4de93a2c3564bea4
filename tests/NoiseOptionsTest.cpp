// The command line of vantrel-noise: instants, the decimal year that dates
// Cas A's flux, and the options it reads.

#include "tools/NoiseOptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace vantrel;

TEST(NoiseOptions, DecimalYear) {
    // Independent: days gone by / days in the year (2024 has 366, 2026 365).
    struct Case {
        const char* Name;
        DateTime Utc;
        double Expected;
    } const cases[] = {
        {"2026-01-01 00:00", EncodeDate(2026, 1, 1), 2026.0},
        {"2026-07-02 12:00", EncodeDate(2026, 7, 2) + 0.5, 2026.0 + 182.5 / 365.0},
        {"2024-12-31 00:00", EncodeDate(2024, 12, 31), 2024.0 + 365.0 / 366.0},
        {"1980-01-01 00:00", EncodeDate(1980, 1, 1), 1980.0},
    };
    for (const Case& c : cases) {
        const double got = DecimalYear(c.Utc);
        EXPECT_NEAR(got, c.Expected, 1e-9) << c.Name << ": expected " << c.Expected << ", got "
                                           << got << ", difference " << got - c.Expected;
    }
}

TEST(NoiseOptions, IsoMinute) {
    struct Case {
        const char* Text;
        bool Valid;
        DateTime Expected;
    } const cases[] = {
        {"2026-12-09T19:30", true, EncodeDate(2026, 12, 9) + (19 * 60 + 30) / 1440.0},
        {"2024-02-29T00:00", true, EncodeDate(2024, 2, 29)},
        {"2026-02-29T00:00", false, 0},
        {"2026-12-09T24:00", false, 0},
        {"2026-12-09T12:60", false, 0},
        {"2026-12-09 12:00", false, 0},
        {"2026-12-09T12:00:00", false, 0},
        {"2026-12-09T1a:00", false, 0},
    };
    for (const Case& c : cases) {
        const auto got = ParseIsoMinute(c.Text);
        EXPECT_EQ(got.has_value(), c.Valid) << c.Text;
        if (got && c.Valid) {
            EXPECT_NEAR(*got, c.Expected, 1e-9)
                << c.Text << ": expected " << c.Expected << ", got " << *got;
        }
    }
}

TEST(NoiseOptions, ReadsOrRefuses) {
    struct Case {
        const char* Name;
        std::vector<std::string_view> Args;
        bool Refused;
    } const cases[] = {
        {"dish",
         {"--frequency", "1296", "--dish", "3", "--efficiency", "0.5", "--tsys", "50"},
         false},
        {"gain with =", {"--frequency=144", "--gain=20", "--tsys=200"}, false},
        {"G/T without Tsys",
         {"--frequency", "144", "--gain", "20", "--measured-y", "1", "--source", "Cygnus-A"},
         false},
        {"efficiency 1.2",
         {"--frequency", "1296", "--dish", "3", "--efficiency", "1.2", "--tsys", "50"},
         true},
        {"Y 0 dB",
         {"--frequency", "144", "--gain", "20", "--measured-y", "0", "--source", "Cygnus-A"},
         true},
        {"no model",
         {"--frequency", "144", "--gain", "20", "--measured-y", "1", "--source", "Sagittarius-A"},
         true},
        {"table 0 sfu",
         {"--frequency", "144", "--gain", "20", "--tsys", "200", "--solar-flux-table", "245:0"},
         true},
    };
    for (const Case& c : cases) {
        HomeStation station;
        const ParsedNoise got = ParseNoiseArguments(c.Args, station);
        EXPECT_EQ(!got.Error.empty(), c.Refused) << c.Name << ": got '" << got.Error << "'";
        EXPECT_EQ(got.Error.find('\n'), std::string::npos) << c.Name;
    }
}

} // namespace
