#pragma once

#include <cstdint>
#include <optional>

namespace vantrel {

/// Which way east lies on the sky chart; north is always at the top.
enum class ChartOrientation : std::uint8_t {
    /// East to the left, as the sky is seen lying on one's back with the head
    /// to the south: the usual way of star charts and all-sky cameras.
    EastLeft = 0,
    /// East to the right, as on a map seen from above.
    EastRight = 1,
};

/// A place on the horizontal sky, degrees: azimuth from north through east,
/// elevation above the (mathematical) horizon.
struct HorizontalDeg {
    double AzimuthDeg = 0;   ///< 0 <= A < 360
    double ElevationDeg = 0; ///< −90..90
};

/// A point of the chart's unit disk: the zenith at (0, 0), the horizon on the
/// circle of radius 1, X to the right and Y upwards (north at (0, 1)).
/// Dimensionless; the window scales it to pixels.
struct DiskPoint {
    double X = 0;
    double Y = 0;
};

/// The sky chart's polar projection: the zenithal equidistant projection, in
/// which the distance from the centre grows linearly with the zenith distance
/// (r = (90° − elevation) / 90°), so the elevation rings are evenly spaced and
/// a source's height reads straight off the chart.
///
/// Given: `azimuthDeg` degrees, any value (taken modulo 360); `elevationDeg`
/// degrees, −90..90 (below 0 lands outside the unit disk, r up to 2).
/// Returned: the point on the chart, exact to double rounding.
/// Reference: J. P. Snyder, Map Projections: A Working Manual, USGS
/// Professional Paper 1395 (1987), chapter 25 (azimuthal equidistant), polar
/// aspect.
DiskPoint ProjectSky(double azimuthDeg, double elevationDeg, ChartOrientation orientation);

/// The sky place under a chart point, the inverse of ProjectSky (for the
/// mouse readout). Empty outside the horizon circle (r > 1) and for a point
/// that is not finite. At the centre the azimuth is 0.
std::optional<HorizontalDeg> UnprojectSky(DiskPoint point, ChartOrientation orientation);

} // namespace vantrel
