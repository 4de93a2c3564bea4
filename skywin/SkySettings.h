#pragma once

#include "skychart/PolarProjection.h"

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

namespace vantrel {

/// Section of "Vanset.ini" that keeps the sky window's settings.
inline constexpr const char* kSkySection = "Sky";

/// What the sky window keeps between runs.
struct SkySettings {
    /// Place and size of the window (outer left and top, inner width and
    /// height, pixels); empty when never stored or refused, and the window
    /// opens beside the main window at its own size.
    std::optional<QRect> Geometry;
    ChartOrientation Orientation = ChartOrientation::EastLeft;
    /// The horizon profile file; empty for none.
    QString HorizonFile;
    /// The sky's brightness at the observing frequency under the chart.
    bool SkyLayer = false;
};

/// Reads section "Sky" of "Vanset.ini" in `directory` (the current folder
/// when empty): "Left", "Top", "Width", "Height" (whole numbers, made usable
/// on `screens` as the main window's position is; all four or none),
/// "Orientation" (0 east left, 1 east right; anything else 0) and
/// "HorizonFile" and "SkyLayer" (1 on, anything else off).
SkySettings LoadSkySettings(const QString& directory, const QList<QRect>& screens);

/// Writes section "Sky"; false when the file could not be written.
bool SaveSkySettings(const QString& directory, const SkySettings& settings);

} // namespace vantrel
