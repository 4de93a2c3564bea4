#pragma once

#include "measure/FluxEstimate.h"

namespace vantrel::measure {

/// Angular diameter of a sphere of radius `radiusKm` seen from `distanceKm`,
/// degrees: 2 asin(R/d). NaN unless both are positive finite numbers and
/// d > R. Used with `kMoonRadiusKm` at the Moon's topocentric distance and
/// with `kSunRadiusKm` at the Sun's.
double DiskDiameterDeg(double radiusKm, double distanceKm);

/// Flux density of a uniformly bright disk (the Moon) in the
/// Rayleigh-Jeans limit.
///
/// Given:
///   brightnessK   disk brightness temperature, K, > 0 (the Moon about 225 K)
///   radiusKm      the body's radius, km, > 0
///   distanceKm    its distance from the observer, km, > radius
///   frequencyMHz  observing frequency, MHz, > 0
/// Returned:
///   S = 2 k T Ω / λ^2 in Jy, with the semi-diameter s = asin(R/d) and the
///   solid angle Ω = π s^2 (small-angle disk); `NoModel` for inputs out of
///   range.
///
/// Reference: Kraus, Radio Astronomy, 2nd ed. (1986) (S = 2kTΩ/λ²
/// for a source of uniform brightness temperature).
FluxEstimate DiskFlux(double brightnessK, double radiusKm, double distanceKm, double frequencyMHz);

} // namespace vantrel::measure
