// What the user-interface thread pays to talk to a rotator through its link
// (Point and Status, called from the 50 ms timer while the worker polls), and
// one exchange with Hamlib's dummy rotator for comparison.

#include "tracking/HamlibRotator.h"
#include "tracking/RotatorLink.h"

#include <benchmark/benchmark.h>

namespace {

using namespace std::chrono_literals;

vantrel::RotatorSettings Dummy() {
    vantrel::RotatorSettings settings;
    settings.Model = 1;
    settings.Device.clear();
    return settings;
}

void BM_LinkStatus(benchmark::State& state) {
    vantrel::RotatorLink link([] { return vantrel::MakeHamlibRotator(Dummy()); }, 10ms);
    for (auto _ : state) {
        benchmark::DoNotOptimize(link.Status());
    }
}
BENCHMARK(BM_LinkStatus);

void BM_LinkPoint(benchmark::State& state) {
    vantrel::RotatorLink link([] { return vantrel::MakeHamlibRotator(Dummy()); }, 10ms);
    double azimuthDeg = 0;
    for (auto _ : state) {
        link.Point({azimuthDeg, 10});
        azimuthDeg = azimuthDeg < 40 ? azimuthDeg + 0.1 : 0;
    }
}
BENCHMARK(BM_LinkPoint);

void BM_DummyGetPosition(benchmark::State& state) {
    const auto rotator = vantrel::MakeHamlibRotator(Dummy());
    if (rotator->Open().Failed()) {
        state.SkipWithError("the dummy rotator does not open");
        return;
    }
    vantrel::RotatorPosition position;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rotator->GetPosition(position));
    }
}
BENCHMARK(BM_DummyGetPosition);

} // namespace

BENCHMARK_MAIN();
