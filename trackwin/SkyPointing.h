#pragma once

#include "tracking/PointingSnapshot.h"
#include "tracking/Rotator.h"
#include "tracking/Tracking.h"

#include <optional>

namespace vantrel {

/// What the sky chart shows: `tracking`, the source, and the target and the
/// reported position (rotator coordinates, either may be missing) on the sky
/// by `SkyOfRotator`: the rotator's offsets taken off and the azimuth in
/// 0..360 whatever range the controller counts in. A position that is not
/// finite gives none.
PointingSnapshot MakePointingSnapshot(bool tracking, const TrackingOptions& options,
                                      const std::optional<RotatorPosition>& target,
                                      const std::optional<RotatorPosition>& reported);

} // namespace vantrel
