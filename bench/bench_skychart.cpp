// Cost of the sky window's work, with the real sun/moon library:
//  - a whole day of tracks (289 instants, nine sources), and the slice of it
//    one 250 ms refresh computes (kTrackInstantsPerRefresh instants);
//  - the nine present places of one refresh;
//  - one paint of the chart with tracks and a skyline into a 700 × 700 image:
//    all of it (/0, a picture or a print) and a repaint on the screen over
//    the kept background (/1).

#include "astro/OrbexSunMoon.h"
#include "skychart/DayTracks.h"
#include "skywin/SkyChartWidget.h"
#include "skywin/SkyWindow.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

using namespace vantrel;

HomeStation Station() {
    HomeStation s;
    s.Latitude = 49.87L;
    s.Longitude = 8.65L;
    s.HeightAsl = 150;
    return s;
}

void BM_WholeDayOfTracks(benchmark::State& state) {
    OrbexSunMoon library;
    SkyPlaces places(library);
    ObservingConditions conditions;
    conditions.Apparent = state.range(0) != 0;
    conditions.Refraction = state.range(0) != 0;
    int day = 0;
    for (auto _ : state) {
        // A new day each time, as at midnight: nothing cached from before.
        const auto tracks = ComputeDayTracks(
            places, DayTrackKeyFor(EncodeDate(2026, 1, 1) + day++, Station(), conditions));
        benchmark::DoNotOptimize(tracks.data());
    }
}
BENCHMARK(BM_WholeDayOfTracks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_TrackSliceOfOneRefresh(benchmark::State& state) {
    OrbexSunMoon library;
    SkyPlaces places(library);
    const ObservingConditions conditions;
    DayTrackBuilder builder;
    int day = 0;
    for (auto _ : state) {
        state.PauseTiming();
        builder.Start(DayTrackKeyFor(EncodeDate(2026, 1, 1) + day++, Station(), conditions));
        state.ResumeTiming();
        builder.Advance(places, kTrackInstantsPerRefresh);
    }
}
BENCHMARK(BM_TrackSliceOfOneRefresh)->Unit(benchmark::kMillisecond);

void BM_PresentPlacesOfOneRefresh(benchmark::State& state) {
    OrbexSunMoon library;
    SkyPlaces places(library);
    const ObservingConditions conditions;
    const HomeStation station = Station();
    DateTime utc = EncodeDateTime(2026, 12, 9, 20, 0, 0);
    for (auto _ : state) {
        utc += 0.25 / 86400; // a quarter of a second later
        const DecodedInstant at = DecodeInstant(utc);
        for (std::size_t pair = 0; pair < kDisplayedSourceCount; ++pair) {
            benchmark::DoNotOptimize(
                places.At(*DisplayedSource(pair, station), station, conditions, at));
        }
    }
}
BENCHMARK(BM_PresentPlacesOfOneRefresh)->Unit(benchmark::kMicrosecond);

void BM_PaintChart(benchmark::State& state) {
    OrbexSunMoon library;
    SkyPlaces places(library);
    const HomeStation station = Station();
    const ObservingConditions conditions;
    SkyChartWidget chart;
    chart.SetTracks(
        ComputeDayTracks(places, DayTrackKeyFor(EncodeDate(2026, 12, 9), station, conditions)));
    const HorizonProfile skyline({{0, 6}, {30, 12}, {100, 8}, {210, 22}, {230, 22}, {240, 5}});
    chart.SetHorizon(&skyline);
    std::array<ChartSource, kDisplayedSourceCount> sources{};
    const DecodedInstant at = DecodeInstant(EncodeDateTime(2026, 12, 9, 11, 15, 0));
    for (std::size_t pair = 0; pair < kDisplayedSourceCount; ++pair) {
        const SkySource s = *DisplayedSource(pair, station);
        const SkyPlaceDeg p = places.At(s, station, conditions, at);
        sources[pair] = {true,
                         s,
                         QStringLiteral("Source"),
                         QColor(200, 220, 240),
                         p.Valid,
                         p.AzimuthDeg,
                         p.ElevationDeg,
                         false,
                         QColor(31, 119, 180)};
    }
    chart.SetSources(sources);
    QImage image(700, 700, QImage::Format_ARGB32_Premultiplied);
    if (state.range(0) == 0) { // all of it, as for a picture or a print
        for (auto _ : state) {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            chart.Paint(painter, QRectF(0, 0, 700, 700));
        }
    } else { // a repaint on the screen: the kept background and the sources
        chart.resize(700, 700);
        for (auto _ : state) {
            chart.render(&image);
        }
    }
}
BENCHMARK(BM_PaintChart)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
