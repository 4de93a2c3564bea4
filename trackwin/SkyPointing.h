#pragma once

#include "tracking/PointingSnapshot.h"
#include "tracking/Rotator.h"
#include "tracking/Tracking.h"

#include <optional>

namespace vantrel {

/// Where on the sky a rotator position points: the rotator's azimuth and
/// elevation offsets taken off and the azimuth brought into 0 <= A < 360
/// whatever range the controller counts in (0..360, −180..180, 0..450).
/// Degrees in, degrees out. The off-source offset is not taken off: off
/// source the antenna really looks at that cold sky. Empty for a position
/// that is not finite.
std::optional<SkyDirection> SkyOfRotator(const RotatorPosition& position,
                                         const TrackingOptions& options);

/// What the sky chart shows: `tracking`, the source, and the target and the
/// reported position (rotator coordinates, either may be missing) on the sky
/// by `SkyOfRotator`.
PointingSnapshot MakePointingSnapshot(bool tracking, const TrackingOptions& options,
                                      const std::optional<RotatorPosition>& target,
                                      const std::optional<RotatorPosition>& reported);

} // namespace vantrel
