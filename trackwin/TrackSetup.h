#pragma once

#include "tracking/Rotator.h"
#include "tracking/Tracking.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// Everything the Track window is told: where to point (the tracking
/// options) and which rotator to drive. Angles in degrees, times in seconds.
struct TrackSetup {
    TrackingOptions Options;
    RotatorSettings Rotator;
    /// The park position typed, kept while the controller's own park
    /// position is chosen (then `Options.ParkPosition` is empty).
    RotatorPosition ParkAt{0.0, 0.0};

    bool operator==(const TrackSetup&) const = default;
};

/// The fields of the Track window that hold a number.
enum class TrackField {
    PeriodS,            ///< seconds between commands, 0.2..60
    ThresholdDeg,       ///< 0..10
    MinElevationDeg,    ///< -90..90
    MaxElevationDeg,    ///< -90..90
    AzimuthOffsetDeg,   ///< -360..360
    ElevationOffsetDeg, ///< -90..90
    OffSourceDeg,       ///< -180..180
    ParkAzimuthDeg,     ///< -180..450, the widest azimuth range a controller counts
    ParkElevationDeg,   ///< -90..90
    SerialSpeed,        ///< baud, a whole number 0..4000000 (0 the model's own)
    Model,              ///< Hamlib model number, a whole number 1..99999
};

/// A number typed into a field: the value, or why it is refused (a sentence
/// naming the field and its range; empty when accepted). Blanks around the
/// number are allowed; a comma is not a decimal separator.
struct ParsedTrackNumber {
    double Value = 0;
    std::string Problem;
};

/// Reads `text` as a value of `field`, within the field's range above.
ParsedTrackNumber ParseTrackField(TrackField field, std::string_view text);

/// Why a rotator device text is refused (empty, over 200 characters, or
/// holding a control character or a blank, which no serial port or
/// host:port has); empty when accepted.
std::string DeviceProblem(std::string_view device);

/// The key of an azimuth range in "Vanset.ini" and on the command line:
/// "0:360", "-180:180", "0:450".
std::string_view AzimuthRangeKey(AzimuthRange range);
/// The range of a key; empty for any other text.
std::optional<AzimuthRange> AzimuthRangeFromKey(std::string_view key);

/// Why the whole setup is refused, as a sentence (a field out of its range,
/// the device, or the options together, e.g. the minimum elevation above
/// the maximum); empty when accepted.
std::string TrackSetupProblem(const TrackSetup& setup);

/// What the threshold in force is and where it comes from, for the Track
/// window: "threshold 0.18° = 0.1 HPBW (beam 1.80°); on target within
/// 0.18°", "threshold 0.50° as typed; on target within 0.18° (0.1 HPBW)",
/// "threshold 0.50° as typed: the antenna gives no beamwidth". Angles with
/// two decimals.
std::string ThresholdDescription(const TrackingOptions& options);

} // namespace vantrel
