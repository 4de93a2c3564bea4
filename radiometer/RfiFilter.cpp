#include "radiometer/RfiFilter.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

/// The consistency factor of the median absolute deviation for Gaussian
/// scatter: 1/Φ⁻¹(3/4) (Rousseeuw & Croux 1993).
constexpr double kMadToSigma = 1.482602218505602;
constexpr std::size_t kFewestValues = 5;

double Median(std::vector<double>& scratch) {
    const std::size_t n = scratch.size();
    const auto middle = scratch.begin() + static_cast<std::ptrdiff_t>(n / 2);
    std::nth_element(scratch.begin(), middle, scratch.end());
    double m = *middle;
    if (n % 2 == 0) {
        m = (m + *std::max_element(scratch.begin(), middle)) / 2;
    }
    return m;
}

} // namespace

std::size_t MarkFarAboveMedian(std::span<const double> values, double thresholdMad,
                               std::vector<char>& dropped) {
    dropped.assign(values.size(), 0);
    if (values.size() < kFewestValues) {
        return 0;
    }
    std::vector<double> scratch(values.begin(), values.end());
    const double median = Median(scratch);
    for (std::size_t i = 0; i < values.size(); ++i) {
        scratch[i] = std::fabs(values[i] - median);
    }
    const double sigma = kMadToSigma * Median(scratch);
    if (!(sigma > 0)) {
        return 0;
    }
    std::size_t count = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] - median > thresholdMad * sigma) {
            dropped[i] = 1;
            ++count;
        }
    }
    return count;
}

std::size_t MarkSpurBins(std::span<const double> power, std::size_t neighbourhood,
                         double thresholdMad, std::vector<char>& dropped) {
    const std::size_t n = power.size();
    const std::size_t half = std::max<std::size_t>(1, neighbourhood / 2);
    std::vector<double> excess(n);
    std::vector<double> window;
    window.reserve(2 * half + 1);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t lo = i > half ? i - half : 0;
        const std::size_t hi = std::min(n, i + half + 1);
        window.assign(power.begin() + static_cast<std::ptrdiff_t>(lo),
                      power.begin() + static_cast<std::ptrdiff_t>(hi));
        const double local = Median(window);
        excess[i] = local > 0 ? power[i] / local - 1 : 0.0;
    }
    return MarkFarAboveMedian(excess, thresholdMad, dropped);
}

} // namespace vantrel
