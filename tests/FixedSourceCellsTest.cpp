#include "planner/FixedSourceCells.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel {
namespace {

/// The cells of step k as the reader would compute them alone.
FixedSourceCells Alone(const FixedSourceCellMaker& maker, const SweepSteps& steps, std::int64_t k) {
    DateTime t = 0;
    steps.At(k, t);
    FixedSourceCells cells;
    maker.Fill(DecodeInstant(t), cells);
    return cells;
}

bool Same(const FixedSourceCells& a, const FixedSourceCells& b) {
    for (std::size_t i = 0; i < kFixedSourceCellCount; ++i) {
        const bool bothNan = std::isnan(a.Degrees[i]) && std::isnan(b.Degrees[i]);
        if (a.Text[i] != b.Text[i] || a.Background[i] != b.Background[i] ||
            (!bothNan && a.Degrees[i] != b.Degrees[i])) {
            return false;
        }
    }
    return true;
}

struct AheadCase {
    const char* name;
    int intervalMinutes;
    int days;
    int sourceOption; // 7: a damaged data file, columns 6-7 empty
};

class FixedSourceCellsAheadTest : public ::testing::TestWithParam<AheadCase> {};

// However far the worker runs ahead, and through many turns of its ring,
// each step reads back as computed on the spot.
TEST_P(FixedSourceCellsAheadTest, EveryStepAsComputedAlone) {
    HomeStation station;
    station.Latitude = -33.9L;
    station.Longitude = 151.2L;
    station.SourceOption = GetParam().sourceOption;
    const FixedSourceCellMaker maker(station);
    const DateTime start = EncodeDate(2026, 3, 1);
    const SweepSteps steps{start, start + GetParam().days, GetParam().intervalMinutes};
    std::int64_t count = 0;
    for (DateTime t = 0; steps.At(count, t);) {
        ++count;
    }
    FixedSourceCellsAhead ahead(maker, steps);
    for (std::int64_t k = 0; k < count; ++k) {
        ASSERT_TRUE(Same(ahead.Next(), Alone(maker, steps, k))) << "step " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, FixedSourceCellsAheadTest,
                         ::testing::Values(AheadCase{"OneStep", 1440, 0, 0},
                                           AheadCase{"ShorterThanTheRing", 5, 1, 1},
                                           AheadCase{"ManyTurnsOfTheRing", 1, 3, 0},
                                           AheadCase{"DamagedSourceOption", 3, 2, 7}),
                         [](const auto& info) { return info.param.name; });

// A reader that stops early (a failed grid write) must not leave the worker
// waiting for slots that are never freed.
TEST(FixedSourceCellsAhead, StoppingEarlyEndsTheWorker) {
    HomeStation station;
    const FixedSourceCellMaker maker(station);
    const DateTime start = EncodeDate(2026, 3, 1);
    const SweepSteps steps{start, start + 30, 1};
    for (int read : {0, 1, 600}) {
        FixedSourceCellsAhead ahead(maker, steps);
        for (int k = 0; k < read; ++k) {
            ASSERT_TRUE(Same(ahead.Next(), Alone(maker, steps, k))) << k;
        }
    } // the destructor returns
}

TEST(SweepSteps, StepsBeforeTheLimitAndAlwaysTheFirst) {
    const DateTime start = EncodeDate(2026, 3, 1);
    DateTime t = 0;
    const SweepSteps day{start, start + 1, 7};
    EXPECT_TRUE(day.At(205, t)); // 23:55
    EXPECT_FALSE(day.At(206, t));
    const SweepSteps none{start, start - 3, 5};
    EXPECT_TRUE(none.At(0, t));
    EXPECT_EQ(t, start);
    EXPECT_FALSE(none.At(1, t));
}

} // namespace
} // namespace vantrel
