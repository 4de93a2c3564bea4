// Fuzz target: what a rotator reports, as the tracking core meets it.
//
// Hamlib parses the controller's or rotctld's reply lines itself; what
// reaches our code is the position it made of them, which a faulty
// controller can make anything: NaN, infinities, azimuths of 1e300 or far
// outside the range. The tracking core takes that position to choose the
// short way round, and the sky chart takes it back to the sky.
//
// Input: tracking options (source, azimuth range, limits, offsets), then a
// run of reported positions and instants. Properties, at every step:
//  - a commanded position is finite, its azimuth within the rotator's
//    range and its elevation within the options' limits (offsets applied);
//  - a source below the minimum elevation is never commanded;
//  - a reported position taken back to the sky is finite with an azimuth
//    in 0..360, or, for a position that is not finite, not finite.

#include "fuzz/FuzzCheck.h"
#include "tracking/AzimuthRange.h"
#include "tracking/Tracking.h"

#include <cmath>

namespace {

using namespace vantrel;

/// The Sun and the Moon where the input puts them.
class PlacedBodies final : public SunMoonLibrary {
public:
    double Azimuth = 0, Elevation = 0;
    void DataToDLL(const DecodedInstant&, double, double, double, SunMoonBody) override {}
    double GetAzimuth() override { return Azimuth; }
    double GetElevation() override { return Elevation; }
    double GetGHA() override { return 0; }
    double GetDecTopo() override { return 0; }
};

double Bounded(double v, double limit) {
    return std::isfinite(v) ? std::fmod(v, limit) : 0.0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ByteReader in(data, size);
    TrackingOptions o;
    o.Source = kAllSkySources[in.Take<std::uint8_t>() % kAllSkySources.size()];
    o.Range = static_cast<AzimuthRange>(in.Take<std::uint8_t>() % 3);
    o.ThresholdDeg = std::fabs(Bounded(in.Take<double>(), tracking_range::kMaxThresholdDeg));
    o.MinElevationDeg = Bounded(in.Take<double>(), 90.0);
    o.MaxElevationDeg = Bounded(in.Take<double>(), 90.0);
    o.AzimuthOffsetDeg = Bounded(in.Take<double>(), tracking_range::kMaxAzimuthOffsetDeg);
    o.ElevationOffsetDeg = Bounded(in.Take<double>(), tracking_range::kMaxElevationOffsetDeg);
    o.Below = (in.Take<std::uint8_t>() & 1) != 0 ? WhenBelow::Park : WhenBelow::Hold;
    if (!TrackingOptionsProblem(o).empty()) {
        return 0; // refused options are never tracked with
    }
    HomeStation station;
    station.Latitude = Bounded(in.Take<double>(), 90.0);
    station.Longitude = Bounded(in.Take<double>(), 180.0);

    PlacedBodies bodies;
    Tracker tracker(bodies);
    const auto [lo, hi] = AzimuthLimitsDeg(o.Range);
    DecodedInstant at{2026, 12, 9, 0, 0, 0, 0};
    while (in.Remaining() > 0) {
        const auto minutes = in.Take<std::uint16_t>();
        at.Hour = static_cast<std::uint16_t>((minutes / 60) % 24);
        at.Minute = static_cast<std::uint16_t>(minutes % 60);
        bodies.Azimuth = in.Take<double>();
        bodies.Elevation = in.Take<double>();
        const std::uint8_t flags = in.Take<std::uint8_t>();
        if ((flags & 1) != 0) {
            tracker.SetOffSource(!tracker.OffSource());
        }
        std::optional<RotatorPosition> reported;
        if ((flags & 2) != 0) {
            reported = RotatorPosition{in.Take<double>(), in.Take<double>()};
        }
        const TrackDecision d = tracker.Step(at, station, ObservingConditions{}, o, reported);
        if (d.What == TrackDecision::Action::Point) {
            FUZZ_CHECK(!d.BelowMinimum);
            FUZZ_CHECK(std::isfinite(d.Command.AzimuthDeg) &&
                       std::isfinite(d.Command.ElevationDeg));
            FUZZ_CHECK(d.Command.AzimuthDeg >= lo - 1e-9 && d.Command.AzimuthDeg <= hi + 1e-9);
            FUZZ_CHECK(d.Command.ElevationDeg <= o.MaxElevationDeg + 1e-9);
        }
        if (reported) {
            const SkyDirection sky = SkyOfRotator(*reported, o);
            if (std::isfinite(reported->AzimuthDeg) && std::isfinite(reported->ElevationDeg) &&
                std::fabs(reported->AzimuthDeg) < 1e15) {
                FUZZ_CHECK(std::isfinite(sky.AzimuthDeg) && std::isfinite(sky.ElevationDeg));
                FUZZ_CHECK(sky.AzimuthDeg >= 0.0 && sky.AzimuthDeg < 360.0);
            }
        }
    }
    return 0;
}
