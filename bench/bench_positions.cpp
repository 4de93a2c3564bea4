// Cost of one fixed-source position as the grids need it: the position
// itself and the two rounded, formatted values of one display mode.

#include "astro/SiderealTime.h"
#include "astro/SourcePosition.h"

#include <benchmark/benchmark.h>

namespace {

using namespace vantrel;

void BM_SourcePositionWithText(benchmark::State& state) {
    long double gst = 6.68862L;
    const long double ra = 350.85L * kDegToRad;
    const long double dec = 58.815L * kDegToRad;
    const long double lat = 52.2L * kDegToRad;
    const long double lon = -1.5L * kDegToRad;
    for (auto _ : state) {
        const SourcePositionResult p = SourcePosition(gst, ra, dec, lat, lon);
        std::string az = DegreeText(RoundedDegrees(p.Azimuth));
        std::string el = DegreeText(RoundedDegrees(p.Elevation));
        benchmark::DoNotOptimize(az);
        benchmark::DoNotOptimize(el);
        gst = FloorFrac((gst + 0.0167L) / 24) * 24; // a minute on, as the sweep steps
    }
}
BENCHMARK(BM_SourcePositionWithText);

// As the sweep calls it: declination and latitude trigonometry held per run.
void BM_SourcePositionCachedTrig(benchmark::State& state) {
    long double gst = 6.68862L;
    const long double ra = 350.85L * kDegToRad;
    const SineCosine dec = SineCosine::Of(58.815L * kDegToRad);
    const SineCosine lat = SineCosine::Of(52.2L * kDegToRad);
    const long double lon = -1.5L * kDegToRad;
    for (auto _ : state) {
        const SourcePositionResult p = SourcePosition(gst, ra, dec, lat, lon);
        std::string az = DegreeText(RoundedDegrees(p.Azimuth));
        std::string el = DegreeText(RoundedDegrees(p.Elevation));
        benchmark::DoNotOptimize(az);
        benchmark::DoNotOptimize(el);
        gst = FloorFrac((gst + 0.0167L) / 24) * 24;
    }
}
BENCHMARK(BM_SourcePositionCachedTrig);

void BM_SiderealChain(benchmark::State& state) {
    DateTime t = EncodeDate(2026, 12, 9);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GreenwichSiderealTimeAt(DecodeInstant(t)));
        t = AddMinutes(t, 1);
    }
}
BENCHMARK(BM_SiderealChain);

} // namespace
