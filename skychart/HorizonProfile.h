#pragma once

#include "skychart/PolarProjection.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// Accepted values of a horizon profile, degrees, inclusive.
inline constexpr double kHorizonMinAzimuthDeg = 0.0;
inline constexpr double kHorizonMaxAzimuthDeg = 360.0;
inline constexpr double kHorizonMinElevationDeg = -5.0;
inline constexpr double kHorizonMaxElevationDeg = 90.0;
/// Fewest points of a profile.
inline constexpr std::size_t kHorizonMinPoints = 3;
/// Largest horizon file read, bytes: a profile at every 0.01° is 36 000
/// short lines, far below it.
inline constexpr std::size_t kHorizonMaxFileBytes = 1024 * 1024;

/// The skyline of the station: what hills, buildings and trees hide, as
/// elevations over azimuth (degrees), interpolated linearly in azimuth and
/// through north between the last point and the first.
class HorizonProfile {
public:
    /// At least kHorizonMinPoints points in the accepted ranges, in any
    /// order (they are sorted by azimuth, points of equal azimuth keeping
    /// their order: a vertical edge such as a wall).
    explicit HorizonProfile(std::vector<HorizontalDeg> points);

    /// The skyline's elevation at `azimuthDeg` (any value, taken modulo
    /// 360), degrees: linear between the neighbouring points, wrapping from
    /// the last point through 360 = 0 to the first. At an azimuth with a
    /// vertical edge, the higher of its points.
    double ElevationAt(double azimuthDeg) const;

    /// True when a place at this azimuth and elevation (degrees) is behind
    /// the skyline, that is lower than it.
    bool Hides(double azimuthDeg, double elevationDeg) const {
        return elevationDeg < ElevationAt(azimuthDeg);
    }

    /// The points sorted by azimuth.
    const std::vector<HorizontalDeg>& Points() const { return points_; }

    /// The skyline for drawing: one place every `stepDeg` degrees of azimuth
    /// from 0 up to below 360 and every point of the profile, in increasing
    /// azimuth (the chart closes it through north). `stepDeg` is at least
    /// 0.1.
    std::vector<HorizontalDeg> Outline(double stepDeg) const;

private:
    std::vector<HorizontalDeg> points_; // sorted by azimuth
};

/// The outcome of reading a horizon file: the profile, or why it is refused.
struct HorizonParse {
    std::optional<HorizonProfile> Profile;
    /// Names the line of the first problem ("line 7: elevation 95 is outside
    /// -5 to 90"); empty when the profile was read.
    std::string Problem;
};

/// Reads a horizon file: one point a line as "azimuth,elevation" in
/// degrees with a point as the decimal separator (blanks around the values
/// allowed), lines starting with '#' and blank lines passed over, CR LF line
/// ends and a UTF-8 byte order mark accepted. Azimuths 0..360, elevations
/// −5..90, at least three points, in any order. The first problem refuses
/// the whole file.
HorizonParse ParseHorizonProfile(std::string_view text);

} // namespace vantrel
