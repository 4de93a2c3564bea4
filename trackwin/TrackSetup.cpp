#include "trackwin/TrackSetup.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

/// The fastest serial line a controller could use, baud; Hamlib's model
/// numbers stay below 100000 (maker × 100 + model).
constexpr double kMostBaud = 4000000.0;
constexpr double kLastModel = 99999.0;

struct FieldRule {
    const char* What; ///< the field in a sentence
    double Least;
    double Most;
    bool Whole;
};

namespace r = tracking_range;

/// In the order of TrackField; the tracking core's own ranges where it has
/// them.
constexpr std::array<FieldRule, 11> kRules{{
    {"The period must be a number of seconds", r::kMinPeriodS, r::kMaxPeriodS, false},
    {"The threshold must be a number of degrees", r::kMinThresholdDeg, r::kMaxThresholdDeg, false},
    {"The minimum elevation must be a number of degrees", r::kMinElevationDeg, r::kMaxElevationDeg,
     false},
    {"The maximum elevation must be a number of degrees", r::kMinElevationDeg, r::kMaxElevationDeg,
     false},
    {"The azimuth offset must be a number of degrees", -r::kMaxAzimuthOffsetDeg,
     r::kMaxAzimuthOffsetDeg, false},
    {"The elevation offset must be a number of degrees", -r::kMaxElevationOffsetDeg,
     r::kMaxElevationOffsetDeg, false},
    {"The off-source offset must be a number of degrees", -r::kMaxOffSourceAzimuthDeg,
     r::kMaxOffSourceAzimuthDeg, false},
    {"The park azimuth must be a number of degrees", r::kMinParkAzimuthDeg, r::kMaxParkAzimuthDeg,
     false},
    {"The park elevation must be a number of degrees", r::kMinElevationDeg, r::kMaxElevationDeg,
     false},
    {"The serial speed must be a whole number of baud (0 for the model's own)", 0.0, kMostBaud,
     true},
    {"The rotator model must be a Hamlib model number", 1.0, kLastModel, true},
}};

constexpr std::size_t kLongestDevice = 200;

std::string RangeText(double v) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return ec == std::errc() ? std::string(text, end) : std::string();
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())) != 0) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())) != 0) {
        s.remove_suffix(1);
    }
    return s;
}

} // namespace

ParsedTrackNumber ParseTrackField(TrackField field, std::string_view text) {
    const FieldRule& rule = kRules[static_cast<std::size_t>(field)];
    const std::string problem = std::string(rule.What) + " from " + RangeText(rule.Least) + " to " +
                                RangeText(rule.Most) + ".";
    const std::string_view s = Trimmed(text);
    double v = NAN;
    // from_chars takes no leading '+', which users type for offsets.
    const bool plus = s.size() > 1 && s.front() == '+' && s[1] != '-' && s[1] != '+';
    const std::string_view digits = plus ? s.substr(1) : s;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
        !std::isfinite(v) || v < rule.Least || v > rule.Most ||
        (rule.Whole && v != std::floor(v))) {
        return {0.0, problem};
    }
    return {v == 0.0 ? 0.0 : v, {}}; // no negative zero in the fields
}

std::string DeviceProblem(std::string_view device) {
    if (device.empty()) {
        return "Give the rotator's device: a serial port such as /dev/ttyUSB0, or host:port of "
               "a rotctld such as localhost:4533.";
    }
    if (device.size() > kLongestDevice) {
        return "The device name is longer than 200 characters.";
    }
    for (const char c : device) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x21 || u == 0x7F) {
            return "The device name may not hold blanks or control characters.";
        }
    }
    return {};
}

std::string_view AzimuthRangeKey(AzimuthRange range) {
    switch (range) {
    case AzimuthRange::FromMinus180To180:
        return "-180:180";
    case AzimuthRange::From0To450:
        return "0:450";
    case AzimuthRange::From0To360:
        break;
    }
    return "0:360";
}

std::optional<AzimuthRange> AzimuthRangeFromKey(std::string_view key) {
    for (const AzimuthRange r :
         {AzimuthRange::From0To360, AzimuthRange::FromMinus180To180, AzimuthRange::From0To450}) {
        if (AzimuthRangeKey(r) == key) {
            return r;
        }
    }
    return std::nullopt;
}

std::string TrackSetupProblem(const TrackSetup& setup) {
    const TrackingOptions& o = setup.Options;
    const auto check = [](TrackField field, double value) {
        return ParseTrackField(field, RangeText(value)).Problem;
    };
    const std::pair<TrackField, double> numbers[] = {
        {TrackField::PeriodS, o.PeriodS},
        {TrackField::ThresholdDeg, o.ThresholdDeg},
        {TrackField::MinElevationDeg, o.MinElevationDeg},
        {TrackField::MaxElevationDeg, o.MaxElevationDeg},
        {TrackField::AzimuthOffsetDeg, o.AzimuthOffsetDeg},
        {TrackField::ElevationOffsetDeg, o.ElevationOffsetDeg},
        {TrackField::OffSourceDeg, o.OffSourceAzimuthDeg},
        {TrackField::ParkAzimuthDeg, setup.ParkAt.AzimuthDeg},
        {TrackField::ParkElevationDeg, setup.ParkAt.ElevationDeg},
        {TrackField::SerialSpeed, static_cast<double>(setup.Rotator.SerialSpeed)},
        {TrackField::Model, static_cast<double>(setup.Rotator.Model)},
    };
    for (const auto& [field, value] : numbers) {
        if (std::string why = check(field, value); !why.empty()) {
            return why;
        }
    }
    if (o.MinElevationDeg > o.MaxElevationDeg) {
        return "The minimum elevation must not be above the maximum elevation.";
    }
    if (std::string why = DeviceProblem(setup.Rotator.Device); !why.empty()) {
        return why;
    }
    return std::string(TrackingOptionsProblem(o));
}

} // namespace vantrel

namespace vantrel {

namespace {

std::string TwoDecimals(double deg) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f\u00b0", deg);
    return text;
}

} // namespace

std::string ThresholdDescription(const TrackingOptions& o) {
    const std::string inForce = "threshold " + TwoDecimals(ThresholdInForceDeg(o));
    const std::string onTarget = "on target within " + TwoDecimals(OnTargetToleranceInForceDeg(o));
    if (o.BeamwidthDeg <= 0) {
        return inForce + " as typed: the antenna gives no beamwidth; " + onTarget;
    }
    const bool bounded = BeamToleranceDeg(o.BeamwidthDeg) != kOnTargetShareOfBeam * o.BeamwidthDeg;
    const std::string share = bounded ? "0.1 HPBW within 0.02..1\u00b0" : "0.1 HPBW";
    if (o.ThresholdFromBeam) {
        return inForce + " = " + share + " (beam " + TwoDecimals(o.BeamwidthDeg) + "); " + onTarget;
    }
    return inForce + " as typed; " + onTarget + " (" + share + ")";
}

} // namespace vantrel
