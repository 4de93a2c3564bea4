#pragma once

#include <optional>
#include <utility>

namespace vantrel {

/// How the rotator counts azimuth, degrees.
enum class AzimuthRange {
    From0To360,        ///< 0..360, north at both ends
    FromMinus180To180, ///< −180..180, south at both ends
    From0To450,        ///< 0..450: 0..90 reachable two ways, the nearer one is taken
};

/// The lowest and the highest azimuth of a range, degrees.
std::pair<double, double> AzimuthLimitsDeg(AzimuthRange range);

/// The rotator azimuth, degrees within the range, that points at the sky
/// azimuth `skyAzimuthDeg` (any finite value, taken modulo 360).
///
/// Where the range reaches the direction more than once (0 and 360 in
/// 0..360; −180 and 180 in −180..180; A and A + 360 for A in 0..90 in
/// 0..450), the one nearer `referenceDeg` is taken, so the rotator goes the
/// short way and never round through its stop: a rotator at 420 is sent to
/// 430 for a source at 70, one at 10 to 350 for a source at 350 (710 is out
/// of range). Without a reference, or at equal distance, the lowest.
/// NaN gives NaN.
double RotatorAzimuthDeg(double skyAzimuthDeg, AzimuthRange range,
                         std::optional<double> referenceDeg);

} // namespace vantrel
