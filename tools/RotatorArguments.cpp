#include "tools/RotatorArguments.h"

#include "tools/ArgumentNumbers.h"

namespace vantrel {

namespace {

/// Hamlib's model numbers are below 100 per backend times 1000 backends.
constexpr long long kHighestModel = 100000;
/// The fastest serial line a rotator controller would use, baud.
constexpr long long kHighestBaud = 4000000;

} // namespace

std::optional<std::string> ApplyRotatorModel(std::string_view value, RotatorSettings& rotator) {
    const auto model = ParseWholeArgument(value);
    if (!model || *model < 1 || *model > kHighestModel) {
        return "--rotator: '" + std::string(value) + "' is not a Hamlib rotator model number";
    }
    rotator.Model = static_cast<int>(*model);
    return std::nullopt;
}

std::optional<std::string> ApplySerialSpeed(std::string_view value, RotatorSettings& rotator) {
    const auto baud = ParseWholeArgument(value);
    if (!baud || *baud < 1 || *baud > kHighestBaud) {
        return "--speed: '" + std::string(value) + "' is not a serial speed in baud";
    }
    rotator.SerialSpeed = static_cast<int>(*baud);
    return std::nullopt;
}

std::optional<std::string> ApplyAzimuthRange(std::string_view value, TrackingOptions& tracking) {
    if (value == "0:360") {
        tracking.Range = AzimuthRange::From0To360;
    } else if (value == "-180:180") {
        tracking.Range = AzimuthRange::FromMinus180To180;
    } else if (value == "0:450") {
        tracking.Range = AzimuthRange::From0To450;
    } else {
        return "--az-range: '" + std::string(value) + "' is none of 0:360, -180:180, 0:450";
    }
    return std::nullopt;
}

std::optional<std::string> ApplyPointingOffset(std::string_view value, TrackingOptions& tracking) {
    namespace tr = tracking_range;
    const auto comma = value.find(',');
    const std::optional<double> az =
        comma == std::string_view::npos
            ? std::nullopt
            : ParseDoubleArgument(value.substr(0, comma), -tr::kMaxAzimuthOffsetDeg,
                                  tr::kMaxAzimuthOffsetDeg);
    const std::optional<double> el =
        comma == std::string_view::npos
            ? std::nullopt
            : ParseDoubleArgument(value.substr(comma + 1), -tr::kMaxElevationOffsetDeg,
                                  tr::kMaxElevationOffsetDeg);
    if (!az || !el) {
        return "--offset: '" + std::string(value) +
               "' is not AZ,EL (degrees, azimuth -360 to 360, elevation -90 to 90)";
    }
    tracking.AzimuthOffsetDeg = *az;
    tracking.ElevationOffsetDeg = *el;
    return std::nullopt;
}

} // namespace vantrel
