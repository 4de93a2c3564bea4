// UT1 − UTC from files in the IERS finals2000A format: the committed
// excerpts of data/ (test values in the real fixed-width format, written by
// data/make_finals_excerpts.py), damaged lines, interpolation, the leap
// second and the edges of the span.

#include "apparent/EarthOrientation.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace vantrel;

std::string ReadText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::shared_ptr<const EarthOrientation> Excerpt(const char* path) {
    const EarthOrientationReading r = LoadEarthOrientation(path);
    EXPECT_TRUE(r.Problem.empty()) << r.Problem;
    EXPECT_TRUE(r.Notice.empty()) << r.Notice;
    return r.Table;
}

struct OffsetCase {
    const char* Name;
    const char* File;
    double UtcMjd;
    double Expected; ///< seconds, from the excerpt's lines
    Ut1Source Source;
};

// Each expected value is read off the excerpt (columns 59-68 or 155-165) and
// interpolated by hand; tolerance 1 ns.
TEST(EarthOrientation, ValuesAtInstants) {
    const OffsetCase cases[] = {
        {"before the first day", FINALS_EXCERPT, 61363.5, 0.0, Ut1Source::None},
        {"first day: Bulletin B over A", FINALS_EXCERPT, 61364.0, 0.0412132, Ut1Source::Observed},
        {"from B to A alone, a quarter day", FINALS_EXCERPT, 61373.25,
         0.0384854 + 0.25 * (0.0381824 - 0.0384854), Ut1Source::Observed},
        {"last observed day itself", FINALS_EXCERPT, 61380.0, 0.0362140, Ut1Source::Observed},
        {"towards the first prediction", FINALS_EXCERPT, 61380.5, 0.5 * (0.0362140 + 0.0358929),
         Ut1Source::Predicted},
        {"last day with a value", FINALS_EXCERPT, 61395.0, 0.0317041, Ut1Source::Predicted},
        // After the last day its value is held for 30 days, then UT1 = UTC
        // (it was UT1 = UTC at once, a jump of 32 ms).
        {"after it, among dated lines: held", FINALS_EXCERPT, 61395.001, 0.0317041,
         Ut1Source::Held},
        {"30 days after: still held", FINALS_EXCERPT, 61425.0, 0.0317041, Ut1Source::Held},
        {"beyond the 30 days", FINALS_EXCERPT, 61425.01, 0.0, Ut1Source::None},
        // UT1 − TAI interpolated: −36.4102 and −36.4107 s; TAI − UTC = 36 s at noon.
        {"noon before a leap second", FINALS_LEAP, 57753.5, -0.41045, Ut1Source::Observed},
        {"the leap second's next day", FINALS_LEAP, 57754.0, 0.5893, Ut1Source::Observed},
        {"after the leap", FINALS_LEAP, 57754.25, 0.5893 + 0.25 * (0.5888 - 0.5893),
         Ut1Source::Observed},
    };
    for (const OffsetCase& c : cases) {
        const auto table = Excerpt(c.File);
        ASSERT_TRUE(table) << c.Name;
        const Ut1Offset got = table->At(c.UtcMjd);
        EXPECT_NEAR(got.Ut1MinusUtcSeconds, c.Expected, 1e-9)
            << c.Name << ": expected " << c.Expected << " got " << got.Ut1MinusUtcSeconds;
        EXPECT_EQ(got.Source, c.Source) << c.Name;
    }

    // Calendar fields: 23:59:60 has the value of the next 0 h, as its UT1 does.
    const auto leap = Excerpt(FINALS_LEAP);
    EXPECT_NEAR(leap->At(DecodedInstant{2016, 12, 31, 12, 0, 0, 0}).Ut1MinusUtcSeconds, -0.41045,
                1e-9);
    EXPECT_NEAR(leap->At(DecodedInstant{2016, 12, 31, 23, 59, 60, 0}).Ut1MinusUtcSeconds, 0.5893,
                1e-9);
    EXPECT_NEAR(leap->At(DecodedInstant{2017, 1, 1, 6, 0, 0, 0}).Ut1MinusUtcSeconds, 0.589175,
                1e-9);
}

TEST(EarthOrientation, DescriptionOverIntervals) {
    const auto table = Excerpt(FINALS_EXCERPT);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->Name(), "finals2000A.test");
    EXPECT_EQ(table->Days().size(), 32U);
    const struct {
        double First, Last;
        const char* Expected;
    } cases[] = {
        {61365, 61380, "UT1 from IERS finals2000A"},
        {61365, 61380.5, "UT1 from IERS finals2000A, predicted"},
        {61390, 61400,
         "UT1 from IERS finals2000A, predicted; its last value held after 2026-12-21"},
        {61390, 61500,
         "UT1 from IERS finals2000A, predicted; its last value held after 2026-12-21; UT1 = UTC "
         "after 2027-01-20"},
        {61360, 61366, "UT1 from IERS finals2000A; UT1 = UTC before 2026-11-20"},
        {61300, 61310, "finals2000A.test begins 2026-11-20: UT1 = UTC for these dates"},
        {61396, 61397, "UT1 from IERS finals2000A; its last value held after 2026-12-21"},
        {61430, 61431, "finals2000A.test ends 2026-12-21: UT1 = UTC for these dates"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(table->Description(c.First, c.Last), c.Expected) << c.First << ".." << c.Last;
    }
    EXPECT_EQ(Ut1Description(nullptr, 61365, 61366), "UT1 = UTC");
}

// Every kind of damage in one file with CR LF line ends: each damaged line
// is skipped and counted, the days around it are kept, and the damaged days
// are bridged by interpolation.
TEST(EarthOrientation, DamagedLinesSkippedAndCounted) {
    std::vector<std::string> lines = Lines(ReadText(FINALS_EXCERPT));
    ASSERT_EQ(lines.size(), 35U);
    lines[2].replace(7, 8, "6136x.00");         // 61366: MJD not a number
    lines[4][57] = ' ';                         // 61368: value without flag I or P
    lines[11].replace(58, 10, "0.03785x0");     // 61375: value not a number
    lines[12].resize(64);                       // 61376: value cut short
    lines[19].replace(58, 10, " 5.0000000");    // 61383: beyond 1 s
    lines[21].replace(58, 10, "       nan");    // 61385: not finite
    lines.insert(lines.begin() + 14, lines[1]); // 61365 again after 61377: out of order
    lines.insert(lines.begin() + 24, std::string("\x01\xff\x7f junk \x80", 10));
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }

    const EarthOrientationReading r = ReadEarthOrientation(text, "finals2000A.daily");
    ASSERT_TRUE(r.Table) << r.Problem;
    EXPECT_EQ(r.Table->SkippedLines(), 8U);
    EXPECT_EQ(r.Notice, "finals2000A.daily: 8 damaged lines skipped.");
    EXPECT_EQ(r.Table->Days().size(), 26U);
    EXPECT_NEAR(r.Table->Ut1MinusUtcSeconds(61366.0), 0.5 * (0.0409230 + 0.0403377), 1e-9);
    EXPECT_NEAR(r.Table->Ut1MinusUtcSeconds(61374.0), 0.0381824, 1e-9);
    EXPECT_NEAR(r.Table->Ut1MinusUtcSeconds(61375.0), 0.0381824 + (0.0371958 - 0.0381824) / 3,
                1e-9);
}

TEST(EarthOrientation, NothingToUseIsOneProblem) {
    const std::vector<std::string> lines = Lines(ReadText(FINALS_EXCERPT));
    const struct {
        const char* Name;
        std::string Text;
        const char* Problem;
    } cases[] = {
        {"empty", "", "f holds no UT1-UTC value."},
        {"blank lines", "\n  \r\n\n", "f holds no UT1-UTC value."},
        {"dated lines only", lines[32] + "\n" + lines[33] + "\n", "f holds no UT1-UTC value."},
        {"damage only", "garbage\n" + lines[0].substr(0, 60) + "\n",
         "f holds no UT1-UTC value (2 damaged lines skipped)."},
    };
    for (const auto& c : cases) {
        const EarthOrientationReading r = ReadEarthOrientation(c.Text, "f");
        EXPECT_FALSE(r.Table) << c.Name;
        EXPECT_EQ(r.Problem, c.Problem) << c.Name;
    }
    const EarthOrientationReading missing = LoadEarthOrientation("/nonexistent/finals2000A.all");
    EXPECT_FALSE(missing.Table);
    EXPECT_EQ(missing.Problem, "/nonexistent/finals2000A.all cannot be read.");
}

} // namespace
