#pragma once

#include <complex>
#include <cstdint>
#include <span>

namespace vantrel {

/// The sum of the squared magnitudes of a run of samples (full scale 1) and
/// how many of them are clipped.
struct PowerSum {
    double Sum = 0;            ///< Σ|x|², in (full scale)²
    std::uint64_t Clipped = 0; ///< samples with a component at or beyond the clip level
};

/// Σ(I² + Q²) over complex samples, accumulated in single precision over
/// runs of at most 1024 samples and in double precision across runs
/// (relative error below 1e-6), and the count of samples with |I| or |Q| at
/// or above `clipLevel` (full scale 1; 0.98 counts a 16-bit sample from
/// ±32113 on). The hot path of the whole-band radiometer: SIMD, no
/// allocation.
PowerSum SumComplexPower(std::span<const std::complex<float>> samples, float clipLevel);

/// Σx² over real samples and the count of |x| at or above `clipLevel`, as
/// SumComplexPower.
PowerSum SumRealPower(std::span<const float> samples, float clipLevel);

} // namespace vantrel
