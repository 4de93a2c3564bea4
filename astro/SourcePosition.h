#pragma once

#include <string>

namespace vantrel {

/// π, π/2 and 2π in extended precision.
inline constexpr long double kPi = 3.141592653589793238462643383279502884L;
inline constexpr long double kHalfPi = kPi / 2;
inline constexpr long double kTwoPi = 2 * kPi;
/// Radians per degree.
inline constexpr long double kDegToRad = kPi / 180;

/// Where a fixed source stands at one instant for one station; radians.
struct SourcePositionResult {
    long double GreenwichHourAngle = 0; ///< 0 <= H < 2π
    long double LocalHourAngle = 0;     ///< H + longitude, not reduced
    long double Elevation = 0;          ///< −π/2..π/2, above the horizon positive
    long double Azimuth = 0;            ///< 0 < A <= 2π, from north through east
};

/// Sine and cosine of one angle, for angles that stay fixed over many
/// positions (a source's declination, the station's latitude).
struct SineCosine {
    long double Sin = 0;
    long double Cos = 1;
    static SineCosine Of(long double angleRad);
};

/// The sine of an angle in radians, bit for bit the `Sin` of
/// `SineCosine::Of`, at the cost of one kernel instead of two.
long double SineOf(long double angleRad);

/// The angle of the point (x, y) in radians, −π < angle <= π, using only the
/// arctangent of a ratio of at most 1. When both arguments are exactly 0, y is
/// taken as 1e-5, so the result is π/2.
long double QuadrantAngle(long double y, long double x);

/// Hour angle, elevation and azimuth of a fixed source.
///
/// Given: `gstHours` Greenwich sidereal time (hours); `raRad`, `decRad` the
/// source's right ascension and declination; `latRad`, `lonRad` the station's
/// latitude (north positive) and longitude (east positive); all radians.
/// Coordinates are used as given: no precession, nutation, aberration or
/// refraction, and the station height plays no part. An azimuth of exactly 0
/// is returned as 2π (a source due north shows 360.00). At the zenith, where
/// rounding can make 1 − sin²e negative, cos e is taken as 0.
SourcePositionResult SourcePosition(long double gstHours, long double raRad, long double decRad,
                                    long double latRad, long double lonRad);

/// The same with the sine and cosine of declination and latitude computed
/// beforehand, as the sweep and the real-time display hold them; the result
/// is identical.
SourcePositionResult SourcePosition(long double gstHours, long double raRad, SineCosine dec,
                                    SineCosine lat, long double lonRad);

/// Degrees to the nearest hundredth, half away from zero, from an angle in
/// radians: 0.0049° gives 0, −0.006° gives −0.01, −43.01° gives −43.01.
/// A value that rounds to zero is +0, never −0.
long double RoundedDegrees(long double angleRad);

/// A value in degrees with exactly two decimals and a point as separator,
/// whatever the locale, right-aligned in a field of 5 characters (a longer
/// text is not cut): " 5.20", "45.00", "-5.20", "360.00". Zero, and any value
/// whose text would be "-0.00", is written " 0.00".
std::string DegreeText(long double degrees);

/// True when a source counts as below the horizon: its rounded elevation is
/// less than 0 degrees.
inline bool BelowHorizon(long double elevationRad) {
    return RoundedDegrees(elevationRad) < 0;
}

} // namespace vantrel
