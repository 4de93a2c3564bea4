// The radiometer's hot paths: whole-band power of complex float samples
// (the aim: 500 million samples a second on one core; memory bandwidth
// bounds it near a billion) and the spectrum path at 4096 bins (the aim:
// 50 million samples a second, a HackRF's 20 MS/s with room to spare).
// Items are complex samples.

#include "radiometer/BlockIntegrator.h"
#include "radiometer/SamplePower.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using namespace vantrel;

std::vector<std::complex<float>> Noise(std::size_t n) {
    std::mt19937 random(1);
    std::normal_distribution<float> normal(0.0F, 0.1F);
    std::vector<std::complex<float>> z(n);
    for (auto& v : z) {
        v = {normal(random), normal(random)};
    }
    return z;
}

/// The kernel alone: 65536 samples (512 KiB, in cache) or 16 Mi samples
/// (128 MiB, from memory) per call.
void BM_WholeBandKernel(benchmark::State& state) {
    const auto z = Noise(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(SumComplexPower(z, 0.98F));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WholeBandKernel)->Arg(1 << 16)->Arg(1 << 24);

/// The integrator on the whole band, as an SDR's reads reach it: chunks of
/// 65536 samples, blocks of 2.4 M (2.4 MS/s, τ = 1 s).
void BM_WholeBandIntegrator(benchmark::State& state) {
    const auto z = Noise(1 << 16);
    StreamDescription stream;
    stream.RateHz = 2.4e6;
    BlockIntegrator integrator(IntegrationSettings{}, stream, [] { return 46000.0; });
    for (auto _ : state) {
        integrator.Complex(z);
        benchmark::DoNotOptimize(integrator.TakeBlocks());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(z.size()));
}
BENCHMARK(BM_WholeBandIntegrator);

/// The spectrum path: 4096 bins, Hann window, a band of 80 % of 20 MS/s.
void BM_SpectrumPath(benchmark::State& state) {
    const auto z = Noise(1 << 16);
    StreamDescription stream;
    stream.RateHz = 20e6;
    IntegrationSettings settings;
    settings.Spectrum = SpectrumSettings{};
    settings.Spectrum->Bins = static_cast<int>(state.range(0));
    BlockIntegrator integrator(settings, stream, [] { return 46000.0; });
    for (auto _ : state) {
        integrator.Complex(z);
        benchmark::DoNotOptimize(integrator.TakeBlocks());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(z.size()));
}
BENCHMARK(BM_SpectrumPath)->Arg(4096);

} // namespace

BENCHMARK_MAIN();
