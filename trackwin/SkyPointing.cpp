#include "trackwin/SkyPointing.h"

#include <cmath>

namespace vantrel {

namespace {

std::optional<SkyDirection> OnSky(const std::optional<RotatorPosition>& p,
                                  const TrackingOptions& options) {
    if (!p) {
        return std::nullopt;
    }
    const SkyDirection d = SkyOfRotator(*p, options);
    if (!std::isfinite(d.AzimuthDeg) || !std::isfinite(d.ElevationDeg)) {
        return std::nullopt; // a controller's garbage is not drawn
    }
    return d;
}

} // namespace

PointingSnapshot MakePointingSnapshot(bool tracking, const TrackingOptions& options,
                                      const std::optional<RotatorPosition>& target,
                                      const std::optional<RotatorPosition>& reported) {
    PointingSnapshot s;
    s.Tracking = tracking;
    s.Source = options.Source;
    s.Target = OnSky(target, options);
    s.Reported = OnSky(reported, options);
    return s;
}

} // namespace vantrel
