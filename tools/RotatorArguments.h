#pragma once

#include "tracking/Rotator.h"
#include "tracking/Tracking.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The rotator's options of the tools that move one (vantrel-track,
// vantrel-scan), one rule each. Each returns why the value is refused, one
// line without the tool's name quoting the value as typed (the caller makes
// it safe for a terminal), or nothing; refused, it changes nothing.

/// --rotator MODEL: a Hamlib rotator model number, 1 to 100000.
std::optional<std::string> ApplyRotatorModel(std::string_view value, RotatorSettings& rotator);

/// --speed BAUD: the serial speed, 1 to 4000000 baud.
std::optional<std::string> ApplySerialSpeed(std::string_view value, RotatorSettings& rotator);

/// --az-range R: how the rotator counts azimuth, "0:360", "-180:180" or
/// "0:450" (degrees).
std::optional<std::string> ApplyAzimuthRange(std::string_view value, TrackingOptions& tracking);

/// --offset AZ,EL: added to the sky's azimuth (-360 to 360) and elevation
/// (-90 to 90), degrees, each compared as the double tracking holds.
std::optional<std::string> ApplyPointingOffset(std::string_view value, TrackingOptions& tracking);

} // namespace vantrel
