#include "radiometer/Periodogram.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numbers>

namespace vantrel {

namespace {

constexpr int kFewestBins = 16;
constexpr int kMostBins = 1 << 20;
constexpr double kMostEdgeShare = 0.45;
/// Lags up to which the window's bin correlation is computed; beyond, ρ²
/// is below 1e-6 for the tapered windows offered, side by side or half a
/// frame apart.
constexpr std::size_t kLongestLag = 32;
constexpr double kNegligibleCorrelation2 = 1e-9;

/// FFTW's planner is not thread-safe; executing a plan is.
std::mutex& PlannerLock() {
    static std::mutex lock;
    return lock;
}

std::vector<float> MakeWindow(WindowFunction kind, int n) {
    std::vector<float> w(static_cast<std::size_t>(n), 1.0F);
    const double step = 2 * std::numbers::pi / n;
    for (int i = 0; i < n; ++i) {
        const double x = step * i;
        switch (kind) {
        case WindowFunction::Rectangular:
            break;
        case WindowFunction::Hann:
            w[static_cast<std::size_t>(i)] = static_cast<float>(0.5 - 0.5 * std::cos(x));
            break;
        case WindowFunction::BlackmanHarris:
            // The 4-term minimum Blackman-Harris window (Harris 1978, table 1).
            w[static_cast<std::size_t>(i)] =
                static_cast<float>(0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) -
                                   0.01168 * std::cos(3 * x));
            break;
        }
    }
    return w;
}

} // namespace

std::string SpectrumSettingsProblem(const SpectrumSettings& s) {
    if (s.Bins < kFewestBins || s.Bins > kMostBins) {
        return "The number of bins must be from 16 to 1048576.";
    }
    if (!(s.EdgeShare >= 0 && s.EdgeShare <= kMostEdgeShare)) {
        return "The share of the band left out at its edges must be from 0 to 0.45.";
    }
    if (s.DcBins < 0 || s.DcBins >= s.Bins / 4) {
        return "The bins left out around 0 Hz must be fewer than a quarter of all bins.";
    }
    if (s.Band &&
        !(std::isfinite(s.Band->Lo) && std::isfinite(s.Band->Hi) && s.Band->Lo < s.Band->Hi)) {
        return "A band needs its lower frequency below its upper one.";
    }
    return {};
}

struct Periodogram::Fft {
    float* timeReal = nullptr;
    fftwf_complex* time = nullptr;
    fftwf_complex* frequency = nullptr;
    fftwf_plan plan = nullptr;

    Fft(int n, bool complex) {
        const std::lock_guard lock(PlannerLock());
        frequency = fftwf_alloc_complex(static_cast<std::size_t>(n));
        if (complex) {
            time = fftwf_alloc_complex(static_cast<std::size_t>(n));
            plan = fftwf_plan_dft_1d(n, time, frequency, FFTW_FORWARD, FFTW_ESTIMATE);
        } else {
            timeReal = fftwf_alloc_real(static_cast<std::size_t>(n));
            plan = fftwf_plan_dft_r2c_1d(n, timeReal, frequency, FFTW_ESTIMATE);
        }
    }
    ~Fft() {
        const std::lock_guard lock(PlannerLock());
        fftwf_destroy_plan(plan);
        fftwf_free(time);
        fftwf_free(timeReal);
        fftwf_free(frequency);
    }
    Fft(const Fft&) = delete;
    Fft& operator=(const Fft&) = delete;
};

Periodogram::Periodogram(const SpectrumSettings& settings, double rateHz, bool complex)
    : fft_(std::make_unique<Fft>(settings.Bins, complex)), bins_(settings.Bins), rateHz_(rateHz),
      complex_(complex), window_(MakeWindow(settings.Window, settings.Bins)) {
    const auto n = static_cast<std::size_t>(bins_);
    for (float w : window_) {
        windowPower_ += static_cast<double>(w) * w;
    }
    hop_ = settings.Overlap && settings.Window != WindowFunction::Rectangular ? n / 2 : n;
    // ρ_s(d) = |Σ w_n·w_{n+s}·e^{−2πidn/N}| / Σw², in double precision, for
    // frames side by side (s = 0) and half a frame apart.
    const auto correlations = [&](std::size_t shift) {
        std::vector<double> rho2;
        for (std::size_t d = 0; d <= kLongestLag && d < n; ++d) {
            double re = 0;
            double im = 0;
            for (std::size_t i = 0; i + shift < n; ++i) {
                const double w2 = static_cast<double>(window_[i]) * window_[i + shift];
                const double phase =
                    -2 * std::numbers::pi * static_cast<double>(d * i % n) / static_cast<double>(n);
                re += w2 * std::cos(phase);
                im += w2 * std::sin(phase);
            }
            rho2.push_back((re * re + im * im) / (windowPower_ * windowPower_));
        }
        // The lags beyond the last that matters are left out.
        while (rho2.size() > 1 && rho2.back() < kNegligibleCorrelation2) {
            rho2.pop_back();
        }
        return rho2;
    };
    correlation2_ = correlations(0);
    if (hop_ < n) {
        shifted2_ = correlations(hop_);
    }
    held_.assign(n, {});

    // Displayed bins in frequency order, and which of them the band uses.
    const std::size_t shown = complex ? n : n / 2 + 1;
    const double binHz = rateHz / bins_;
    const double edge = (0.5 - settings.EdgeShare) * rateHz;
    order_.resize(shown);
    used_.assign(shown, 0);
    for (std::size_t j = 0; j < shown; ++j) {
        // Complex: displayed bin j is FFT bin j − N/2, wrapped.
        const long long k = complex ? static_cast<long long>(j) - static_cast<long long>(n / 2)
                                    : static_cast<long long>(j);
        order_[j] = static_cast<std::size_t>(k < 0 ? k + static_cast<long long>(n) : k);
        const double f = static_cast<double>(k) * binHz;
        bool use = std::fabs(f) <= edge && std::llabs(k) > settings.DcBins;
        if (!complex && (k == 0 || 2 * static_cast<std::size_t>(k) == n)) {
            use = false; // DC and Nyquist bins of a real signal are not complex Gaussian
        }
        if (settings.Band) {
            use = use && f >= settings.Band->Lo && f <= settings.Band->Hi;
        }
        used_[j] = use ? 1 : 0;
        usedCount_ += use ? 1 : 0;
    }
    if (usedCount_ == 0) {
        problem_ = settings.Band
                       ? "The band holds no usable bins at this sample rate: it must lie within "
                         "the sampled band, away from its edges and from 0 Hz."
                       : "No bins are left once the band edges and 0 Hz are left out.";
    }
    sum_.assign(n, 0.0);
}

Periodogram::~Periodogram() = default;

void Periodogram::Transform() {
    const auto n = static_cast<std::size_t>(bins_);
    if (complex_) {
        for (std::size_t j = 0; j < n; ++j) {
            fft_->time[j][0] = held_[j].real() * window_[j];
            fft_->time[j][1] = held_[j].imag() * window_[j];
        }
    } else {
        for (std::size_t j = 0; j < n; ++j) {
            fft_->timeReal[j] = held_[j].real() * window_[j];
        }
    }
    fftwf_execute(fft_->plan);
    const std::size_t count = complex_ ? n : n / 2 + 1;
    const fftwf_complex* x = fft_->frequency;
    for (std::size_t k = 0; k < count; ++k) {
        sum_[k] += static_cast<double>(x[k][0]) * x[k][0] + static_cast<double>(x[k][1]) * x[k][1];
    }
    ++frames_;
    // The next frame starts a hop later: what overlaps is kept.
    std::copy(held_.begin() + static_cast<std::ptrdiff_t>(hop_), held_.end(), held_.begin());
    filled_ = n - hop_;
}

void Periodogram::AddComplex(std::span<const std::complex<float>> samples) {
    const auto n = static_cast<std::size_t>(bins_);
    std::size_t i = 0;
    while (i < samples.size()) {
        const std::size_t take = std::min(n - filled_, samples.size() - i);
        std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(i), take,
                    held_.begin() + static_cast<std::ptrdiff_t>(filled_));
        filled_ += take;
        i += take;
        if (filled_ == n) {
            Transform();
        }
    }
}

void Periodogram::AddReal(std::span<const float> samples) {
    const auto n = static_cast<std::size_t>(bins_);
    std::size_t i = 0;
    while (i < samples.size()) {
        const std::size_t take = std::min(n - filled_, samples.size() - i);
        for (std::size_t j = 0; j < take; ++j) {
            held_[filled_ + j] = {samples[i + j], 0.0F};
        }
        filled_ += take;
        i += take;
        if (filled_ == n) {
            Transform();
        }
    }
}

double Periodogram::CorrelatedSum(const std::vector<char>& keep,
                                  const std::vector<double>& rho2) const {
    // Σ_{k,l kept} ρ²(k−l), over displayed (frequency-ordered) bins.
    double correlated = 0;
    const std::size_t shown = keep.size();
    for (std::size_t j = 0; j < shown; ++j) {
        if (keep[j] == 0) {
            continue;
        }
        correlated += rho2[0];
        for (std::size_t d = 1; d < rho2.size() && j + d < shown; ++d) {
            if (keep[j + d] != 0) {
                correlated += 2 * rho2[d];
            }
        }
    }
    return correlated;
}

std::optional<BandPower> Periodogram::Finish(const RfiFilterSettings& rfi,
                                             SpectrumSnapshot* snapshot) {
    if (frames_ == 0 || usedCount_ == 0) {
        return std::nullopt;
    }
    const auto n = static_cast<std::size_t>(bins_);
    const std::size_t shown = order_.size();
    // Mean power per bin, normalised so that the bins sum to mean |x|²;
    // the positive frequencies of real samples carry their negative twins.
    const double scale = (complex_ ? 1.0 : 2.0) /
                         (static_cast<double>(frames_) * static_cast<double>(n) * windowPower_);
    std::vector<double> band;
    band.reserve(usedCount_);
    for (std::size_t j = 0; j < shown; ++j) {
        if (used_[j] != 0) {
            band.push_back(sum_[order_[j]] * scale);
        }
    }
    std::vector<char> dropped(band.size(), 0);
    std::size_t droppedCount = 0;
    if (rfi.Enabled) {
        constexpr std::size_t kNeighbourhood = 31;
        droppedCount = MarkSpurBins(band, kNeighbourhood, rfi.ThresholdMad, dropped);
    }
    double keptPower = 0;
    std::vector<char> keep(shown, 0);
    for (std::size_t j = 0, b = 0; j < shown; ++j) {
        if (used_[j] != 0) {
            if (dropped[b] == 0) {
                keep[j] = 1;
                keptPower += band[b];
            }
            ++b;
        }
    }
    BandPower result;
    const std::size_t keptCount = band.size() - droppedCount;
    // Dropped bins count at the mean of the kept ones, so that the band's
    // power stays comparable from block to block whatever was dropped.
    result.Power = keptCount > 0 ? keptPower * static_cast<double>(band.size()) /
                                       static_cast<double>(keptCount)
                                 : 0.0;
    const double kept = static_cast<double>(keptCount);
    const double frames = static_cast<double>(frames_);
    const double same = CorrelatedSum(keep, correlation2_);
    const double shifted = shifted2_.empty() ? 0.0 : CorrelatedSum(keep, shifted2_);
    if (same > 0) {
        result.NoiseBandwidthHz = rateHz_ / bins_ * kept * kept / same;
        result.IndependentSamples =
            frames * kept * frames * kept / (frames * same + 2 * (frames - 1) * shifted);
    }
    result.DroppedShare = static_cast<double>(droppedCount) / static_cast<double>(band.size());
    result.Frames = frames_;

    if (snapshot != nullptr) {
        const double binHz = rateHz_ / bins_;
        snapshot->BinHz = binHz;
        const std::size_t below = n / 2; // bins below 0 Hz of complex samples
        snapshot->FirstBinHz = complex_ ? -static_cast<double>(below) * binHz : 0.0;
        snapshot->PowerDb.resize(shown);
        snapshot->Use.resize(shown);
        for (std::size_t j = 0, b = 0; j < shown; ++j) {
            const double p = sum_[order_[j]] * scale;
            snapshot->PowerDb[j] = p > 0 ? static_cast<float>(10 * std::log10(p)) : -300.0F;
            snapshot->Use[j] = used_[j] == 0 ? 0 : (dropped[b++] != 0 ? 2 : 1);
        }
    }
    std::fill(sum_.begin(), sum_.end(), 0.0);
    frames_ = 0;
    return result;
}

void Periodogram::Reset() {
    std::fill(sum_.begin(), sum_.end(), 0.0);
    frames_ = 0;
    filled_ = 0;
}

} // namespace vantrel
