#include "trackwin/SkyPointing.h"

#include <cmath>

namespace vantrel {

namespace {
constexpr double kFullTurnDeg = 360.0;
}

std::optional<SkyDirection> SkyOfRotator(const RotatorPosition& position,
                                         const TrackingOptions& options) {
    double az = position.AzimuthDeg - options.AzimuthOffsetDeg;
    const double el = position.ElevationDeg - options.ElevationOffsetDeg;
    if (!std::isfinite(az) || !std::isfinite(el)) {
        return std::nullopt;
    }
    az = std::fmod(az, kFullTurnDeg);
    if (az < 0.0) {
        az += kFullTurnDeg;
    }
    if (az >= kFullTurnDeg) {
        az = 0.0; // -1e-17 + 360 rounds up to 360
    }
    return SkyDirection{az, el};
}

PointingSnapshot MakePointingSnapshot(bool tracking, const TrackingOptions& options,
                                      const std::optional<RotatorPosition>& target,
                                      const std::optional<RotatorPosition>& reported) {
    PointingSnapshot s;
    s.Tracking = tracking;
    s.Source = options.Source;
    if (target) {
        s.Target = SkyOfRotator(*target, options);
    }
    if (reported) {
        s.Reported = SkyOfRotator(*reported, options);
    }
    return s;
}

} // namespace vantrel
