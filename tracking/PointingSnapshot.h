#pragma once

#include "apparent/SkySource.h"

#include <optional>

namespace vantrel {

/// A direction on the sky, degrees: azimuth 0 <= A < 360 from north
/// through east, elevation above the horizon.
struct SkyDirection {
    double AzimuthDeg = 0;
    double ElevationDeg = 0;
};

/// What other windows (the sky chart) show of the rotator while it tracks:
/// the source, where the rotator is sent and where it reports to be, both
/// back on the sky (the rotator's offsets and azimuth range taken off).
struct PointingSnapshot {
    bool Tracking = false;
    SkySource Source = SkySource::CassiopeiaA;
    std::optional<SkyDirection> Target;
    std::optional<SkyDirection> Reported;
};

} // namespace vantrel
