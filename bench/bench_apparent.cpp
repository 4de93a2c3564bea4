// Cost of apparent places of date and radio refraction against today's
// catalogue positions, in the planner's two patterns:
//  - a month at one minute (44 640 rows) for the seven fixed sources, one
//    iteration being the whole month; positions alone, and positions with
//    the sweep's rounding and texts; then the same with the Sun and the Moon
//    from libOrbex_sunmoon (the whole computation of a sweep row);
//  - the real-time tick: one source at a new instant (a second later), and
//    the first tick of a run, which fits an interpolation window;
//  - the radio refraction: tracing its table for new air or a new station
//    height, and one look-up of it.

#include "apparent/ApparentPlaces.h"
#include "apparent/RadioRefraction.h"
#include "astro/SiderealTime.h"
#include "sunmoon/Orbex_sunmoon.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <string>

namespace {

using namespace vantrel;

constexpr std::int64_t kRowsPerMonth = 31 * 24 * 60;

const StationCoordinates kStation{52.37L, 4.89L, 2.0};

/// The planning sweep's seven fixed sources (Cassiopeia A in the option pair).
std::array<CatalogueSource, 7> Sources() {
    const long double deg[7][2] = {{336.99999L, 0.0L},       {149.85834L, 30.746389L},
                                   {350.85L, 58.815L},       {299.8875L, 40.728L},
                                   {83.6325L, 22.0144444L},  {187.7058L, 12.39111L},
                                   {266.416665L, -29.00777L}};
    std::array<CatalogueSource, 7> s{};
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = CatalogueSource::Of(deg[i][0] * kDegToRad, deg[i][1] * kDegToRad);
    }
    return s;
}

ObservingConditions Options(bool on) {
    ObservingConditions c;
    c.Apparent = on;
    c.Refraction = on;
    return c;
}

/// One month of rows; `texts` adds the sweep's rounding and formatting of
/// both shown values (Az/El mode), `sunMoon` the library's Moon and Sun.
void Month(benchmark::State& state, bool optionsOn, bool texts, bool sunMoon) {
    const auto sources = Sources();
    const ObservingConditions conditions = Options(optionsOn);
    const DateTime start = EncodeDate(2026, 12, 1);
    const SineCosine lat = SineCosine::Of(kStation.LatitudeDeg * kDegToRad);
    const long double lon = kStation.LongitudeDeg * kDegToRad;
    for (auto _ : state) {
        ApparentPlaces places; // a fresh run: its window fits are counted
        for (std::int64_t k = 0; k < kRowsPerMonth; ++k) {
            const DecodedInstant utc = DecodeInstant(AddMinutes(start, k));
            if (sunMoon) {
                for (std::uint8_t body = 0; body < 2; ++body) {
                    DataToDLL(utc.Year, utc.Month, utc.Day, utc.Hour, utc.Minute, utc.Second,
                              static_cast<double>(kStation.HeightM),
                              static_cast<double>(kStation.LatitudeDeg),
                              static_cast<double>(kStation.LongitudeDeg), 0, body, 0.0);
                    LibraryPlaceDeg p{GetAzimuth(), GetElevation(), GetGHA(), GetDecTopo()};
                    if (optionsOn) {
                        p = places.SunMoon(p);
                    }
                    benchmark::DoNotOptimize(p);
                }
            }
            if (optionsOn) {
                if (places.Prepare(utc, kStation, conditions) != PrepareStatus::Ok) {
                    state.SkipWithError("refused");
                    return;
                }
                for (const CatalogueSource& s : sources) {
                    const ShownPlace p = places.Place(s);
                    if (texts) {
                        std::string a = DegreeText(RoundedDegrees(p.Azimuth));
                        std::string e = DegreeText(RoundedDegrees(p.Elevation));
                        benchmark::DoNotOptimize(a);
                        benchmark::DoNotOptimize(e);
                    } else {
                        benchmark::DoNotOptimize(p);
                    }
                }
            } else {
                // Today's sweep: the sidereal chain once, SourcePosition per source.
                const long double gst = GreenwichSiderealTimeAt(utc);
                for (const CatalogueSource& s : sources) {
                    const SourcePositionResult p = SourcePosition(gst, s.RaRad, s.Dec, lat, lon);
                    if (texts) {
                        std::string a = DegreeText(RoundedDegrees(p.Azimuth));
                        std::string e = DegreeText(RoundedDegrees(p.Elevation));
                        benchmark::DoNotOptimize(a);
                        benchmark::DoNotOptimize(e);
                    } else {
                        benchmark::DoNotOptimize(p);
                    }
                }
            }
        }
    }
    state.counters["rows"] = static_cast<double>(kRowsPerMonth);
}

void BM_MonthFixedToday(benchmark::State& s) {
    Month(s, false, false, false);
}
void BM_MonthFixedApparentRefracted(benchmark::State& s) {
    Month(s, true, false, false);
}
void BM_MonthFixedTextsToday(benchmark::State& s) {
    Month(s, false, true, false);
}
void BM_MonthFixedTextsApparentRefracted(benchmark::State& s) {
    Month(s, true, true, false);
}
void BM_MonthAllNineToday(benchmark::State& s) {
    Month(s, false, true, true);
}
void BM_MonthAllNineApparentRefracted(benchmark::State& s) {
    Month(s, true, true, true);
}
BENCHMARK(BM_MonthFixedToday)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthFixedApparentRefracted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthFixedTextsToday)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthFixedTextsApparentRefracted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthAllNineToday)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthAllNineApparentRefracted)->Unit(benchmark::kMillisecond);

// The real-time tick: one fixed source at a new instant, a second after the
// last (the display recomputes a source every 450 ms, and the library drops
// milliseconds), with apparent places and refraction.
void BM_TickOneSource(benchmark::State& state) {
    const auto sources = Sources();
    const ObservingConditions conditions = Options(true);
    ApparentPlaces places;
    std::int64_t second = 0;
    const DateTime start = EncodeDate(2026, 12, 9);
    for (auto _ : state) {
        const DecodedInstant utc = DecodeInstant(start + static_cast<double>(second) / 86400.0);
        places.Prepare(utc, kStation, conditions);
        benchmark::DoNotOptimize(places.Place(sources[static_cast<std::size_t>(second % 7)]));
        second = (second + 1) % 86400; // stays within one or two windows
    }
}
BENCHMARK(BM_TickOneSource)->Unit(benchmark::kMicrosecond);

/// CPU time of this thread, microseconds: on a shared machine the wall time
/// of a single tick is mostly other processes' time slices.
double ThreadCpuMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) * 1e-3;
}

// The worst tick (thread CPU time) of a real-time run that crosses a window edge (TT a
// multiple of four days from J2000.0: 2026-12-10 11:58:50.8 UTC), a fixed
// source every 450 ms, from 80 minutes before the edge to 10 after. The
// next window is fitted ahead, a node per tick, so no tick fits a whole one.
void BM_TickWorstAcrossAnEdge(benchmark::State& state) {
    const auto sources = Sources();
    const ObservingConditions conditions = Options(true);
    const DateTime edge = EncodeDateTime(2026, 12, 10, 11, 58, 51, 0);
    constexpr double kTickDays = 0.45 / 86400.0;
    constexpr int kTicks = 90 * 60 * 20 / 9; // 90 minutes of 450 ms ticks
    double worstUs = 0;
    for (auto _ : state) {
        ApparentPlaces places;
        places.Prepare(DecodeInstant(edge - 80.0 / 1440), kStation, conditions); // first fit
        for (int k = 0; k < kTicks; ++k) {
            const DateTime now = edge - 80.0 / 1440 + k * kTickDays;
            const double t0 = ThreadCpuMicroseconds();
            places.Prepare(DecodeInstant(now), kStation, conditions);
            benchmark::DoNotOptimize(places.Place(sources[static_cast<std::size_t>(k % 7)]));
            worstUs = std::max(worstUs, ThreadCpuMicroseconds() - t0);
        }
        if (places.WindowsFittedAhead() != 1) {
            state.SkipWithError("the edge was not crossed with a window fitted ahead");
        }
    }
    state.counters["worst_tick_us"] = worstUs;
}
BENCHMARK(BM_TickWorstAcrossAnEdge)->Unit(benchmark::kMillisecond);

// The first tick of a run, or of a jump to another date: the window fit
// (twelve full ERFA evaluations) dominates.
void BM_TickFittingAWindow(benchmark::State& state) {
    const auto sources = Sources();
    const ObservingConditions conditions = Options(true);
    for (auto _ : state) {
        ApparentPlaces places;
        places.Prepare({2026, 12, 9, 18, 0, 0, 0}, kStation, conditions);
        benchmark::DoNotOptimize(places.Place(sources[2]));
    }
}
BENCHMARK(BM_TickFittingAWindow)->Unit(benchmark::kMicrosecond);

void BM_RefractionTableTraced(benchmark::State& state) {
    double n = 306.0;
    for (auto _ : state) {
        const RadioRefraction table(n, 80.0);
        benchmark::DoNotOptimize(table.AtAirless(0.0));
        n += 1e-9; // new air each time
    }
}
BENCHMARK(BM_RefractionTableTraced)->Unit(benchmark::kMicrosecond);

void BM_RefractionLookUp(benchmark::State& state) {
    const RadioRefraction table(306.0, 80.0);
    double elevation = -0.05;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.AtAirless(elevation));
        elevation = elevation > 1.5 ? -0.05 : elevation + 0.001;
    }
}
BENCHMARK(BM_RefractionLookUp)->Unit(benchmark::kNanosecond);

} // namespace

BENCHMARK_MAIN();
