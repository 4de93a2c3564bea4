#pragma once

namespace vantrel {

/// An azimuth brought into 0 <= A < 360, degrees. Any finite input; NaN
/// stays NaN.
double Azimuth0To360(double azimuthDeg);

/// The angle on the sky between two directions given by azimuth and
/// elevation, degrees, 0..180. Azimuths may lie outside 0..360 (a rotator's
/// 370 is the sky's 10).
///
/// Computed with the haversine form of the spherical law of cosines, which
/// keeps its precision for small angles (where arccos of the cosine formula
/// loses it): hav d = hav Δe + cos e1 cos e2 hav ΔA.
/// Reference: R. W. Sinnott, "Virtues of the Haversine", Sky and Telescope
/// 68 (2), 159 (1984).
double AngleBetweenDeg(double azimuth1Deg, double elevation1Deg, double azimuth2Deg,
                       double elevation2Deg);

} // namespace vantrel
