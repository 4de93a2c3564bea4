#pragma once

#include "skychart/PolarProjection.h"
#include "skymodel/SkyOverHorizon.h"

#include <vector>

namespace vantrel {

/// The sky's brightness over the chart's unit disk: `Size` × `Size` cells
/// covering the square from (−1, 1) at the top left to (1, −1) at the bottom
/// right, row by row from the top, each the survey's brightness at the sky
/// place under the cell's centre (NaN outside the horizon circle); with the
/// range of the colour scale: the 0.5th and the 99.5th percentile of the
/// values inside (the hottest pixels, those of the radio stars, lie above).
/// The shares of the cells below the colour scale's ends.
inline constexpr double kSkyScaleLowShare = 0.005;
inline constexpr double kSkyScaleHighShare = 0.995;

struct SkyDiskLayer {
    int Size = 0;
    std::vector<float> Kelvin;
    double LowK = 0;  ///< K
    double HighK = 0; ///< K
};

/// The layer of `sky` for a chart of orientation `orientation`, `size`
/// cells a side (1 to 4096). About 10 ns a cell.
SkyDiskLayer MakeSkyDiskLayer(const sky::SkyOverHorizon& sky, int size,
                              ChartOrientation orientation);

} // namespace vantrel
