// Cost of one tracking step (the source's place, the rotator's coordinates,
// the threshold), as the tracking window and vantrel-track take it once a
// period: a fixed source with the classic positions, the same with apparent
// places and refraction, and the Moon from the sun/moon library. Each
// iteration is one step a second after the previous one.

#include "astro/OrbexSunMoon.h"
#include "tracking/Tracking.h"

#include <benchmark/benchmark.h>

namespace {

using namespace vantrel;

HomeStation Station() {
    HomeStation s;
    s.Latitude = 52.37L;
    s.Longitude = 4.89L;
    s.HeightAsl = 2;
    return s;
}

void Steps(benchmark::State& state, SkySource source, bool apparent) {
    OrbexSunMoon library;
    Tracker tracker(library);
    const HomeStation station = Station();
    ObservingConditions conditions;
    conditions.Apparent = apparent;
    conditions.Refraction = apparent;
    TrackingOptions options;
    options.Source = source;
    options.Range = AzimuthRange::From0To450;
    DateTime utc = EncodeDateTime(2026, 12, 9, 18, 0, 0);
    constexpr double kSecondDays = 1.0 / 86400.0;
    RotatorPosition reported{100, 30};
    for (auto _ : state) {
        utc += kSecondDays;
        const TrackDecision d =
            tracker.Step(DecodeInstant(utc), station, conditions, options, reported);
        benchmark::DoNotOptimize(d);
    }
}

void BM_StepFixedClassic(benchmark::State& state) {
    Steps(state, SkySource::CassiopeiaA, false);
}
void BM_StepFixedApparentRefracted(benchmark::State& state) {
    Steps(state, SkySource::CassiopeiaA, true);
}
void BM_StepMoon(benchmark::State& state) {
    Steps(state, SkySource::Moon, false);
}

BENCHMARK(BM_StepFixedClassic);
BENCHMARK(BM_StepFixedApparentRefracted);
BENCHMARK(BM_StepMoon);

} // namespace

BENCHMARK_MAIN();
