#include "simulator/SimulatedTelescope.h"

#include "measure/SourceExpectation.h"
#include "scanwin/ScanSetup.h"
#include "tracking/SkyAngles.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

namespace vantrel {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr double kRad = std::numbers::pi / 180.0;
const double kHalfPower = 4.0 * std::numbers::ln2;
/// Readings are k·T·B in mW for B = 1 MHz.
constexpr double kMilliwattPerKelvin = 1.380649e-23 * 1e6 * 1e3;
/// The sources' places are taken again this often, days (1 s: a source
/// moves 0.004° in it at most).
constexpr double kPlaceEvery = 1.0 / 86400.0;

class SimRotator final : public Rotator {
public:
    explicit SimRotator(SimulatedTelescope& t) : t_(t) {}
    RotatorError Open() override { return {}; }
    void Close() override {}
    RotatorError SetPosition(const RotatorPosition& p) override {
        t_.Command(p);
        return {};
    }
    RotatorError GetPosition(RotatorPosition& p) override {
        p = t_.MountNow();
        return {};
    }
    RotatorError Stop() override {
        t_.StopMount();
        return {};
    }
    RotatorError Park() override {
        t_.Command({0, 0});
        return {};
    }
    std::chrono::milliseconds Timeout() const override { return std::chrono::milliseconds{100}; }

private:
    SimulatedTelescope& t_;
};

class SimReceiver final : public PowerInput {
public:
    explicit SimReceiver(SimulatedTelescope& t) : t_(t), random_(t.Truth().Seed) {}
    InputError Open(StreamDescription& d) override {
        d.What = StreamDescription::Kind::Readings;
        d.Unit = "dBm";
        d.Summary = "simulated telescope (no hardware)";
        d.Device = "simulated";
        next_ = SteadyClock::now();
        last_ = next_;
        return {};
    }
    InputError Read(SampleSink& sink) override {
        const SimulatedTruth& truth = t_.Truth();
        const auto period = std::chrono::duration_cast<SteadyClock::duration>(
            std::chrono::duration<double>(1.0 / truth.ReadingRateHz));
        const auto until = SteadyClock::now() + std::chrono::milliseconds(100);
        while (SteadyClock::now() < until) {
            std::this_thread::sleep_until(std::min(next_, until));
            const auto now = SteadyClock::now();
            while (next_ <= now) {
                const double dt = std::chrono::duration<double>(next_ - last_).count();
                last_ = next_;
                if (truth.GainDriftDbPerSqrtS > 0 && dt > 0) {
                    gainDb_ += truth.GainDriftDbPerSqrtS * std::sqrt(dt) * normal_(random_);
                }
                const double tK =
                    t_.TemperatureK(clock_.UtcNow(), t_.MountNow()) * std::pow(10.0, gainDb_ / 10);
                const double noisy = tK * (1.0 + normal_(random_) / std::sqrt(truth.BandwidthTime));
                sink.Reading(noisy * kMilliwattPerKelvin);
                next_ += period;
            }
        }
        return {};
    }
    void Close() override {}

private:
    SimulatedTelescope& t_;
    std::mt19937_64 random_;
    std::normal_distribution<double> normal_;
    SystemLocalClock system_;
    UtcClock clock_{system_};
    SteadyClock::time_point next_{};
    SteadyClock::time_point last_{};
    double gainDb_ = 0;
};

double Toward(double from, double to, double step) {
    return std::abs(to - from) <= step ? to : from + std::copysign(step, to - from);
}

} // namespace

SimulatedTelescope::SimulatedTelescope(HomeStation station, const ObservingConditions& conditions,
                                       const MeasureSetup& antenna, SimulatedTruth truth)
    : station_(std::move(station)), conditions_(conditions), truth_(truth), places_(library_),
      movedAt_(SteadyClock::now()) {
    SystemLocalClock system;
    UtcClock clock(system);
    const DateTime now = clock.UtcNow();
    const auto beam = BeamOf(antenna, conditions_.FrequencyMHz);
    beamDeg_ = beam ? beam->BeamwidthDeg : 1.0;
    for (const SkySource s : kAllSkySources) {
        if (s == SkySource::UserDefined) {
            continue;
        }
        const scan::GOverTBasis basis =
            GOverTBasisOf(s, now, station_, conditions_, library_, antenna);
        if (!basis.Flux.HasValue() || !beam) {
            continue;
        }
        const measure::SourceExpectation row =
            measure::ExpectOnSource(basis.Flux, basis.SourceSizeDeg, *beam, truth_.TsysK);
        if (std::isfinite(row.DeltaTK) && row.DeltaTK > 0) {
            sources_.push_back({s, row.DeltaTK, {}});
        }
    }
}

SimulatedTelescope::~SimulatedTelescope() = default;

std::unique_ptr<Rotator> SimulatedTelescope::MakeRotator() {
    return std::make_unique<SimRotator>(*this);
}

std::unique_ptr<PowerInput> SimulatedTelescope::MakeReceiver() {
    return std::make_unique<SimReceiver>(*this);
}

void SimulatedTelescope::Advance(SteadyClock::time_point now) {
    const double dt = std::chrono::duration<double>(now - movedAt_).count();
    movedAt_ = now;
    const double step = truth_.SlewDegPerS * std::max(0.0, dt);
    position_.AzimuthDeg = Toward(position_.AzimuthDeg, target_.AzimuthDeg, step);
    position_.ElevationDeg = Toward(position_.ElevationDeg, target_.ElevationDeg, step);
}

RotatorPosition SimulatedTelescope::MountNow() {
    const std::lock_guard lock(mutex_);
    Advance(SteadyClock::now());
    return position_;
}

void SimulatedTelescope::Command(const RotatorPosition& target) {
    const std::lock_guard lock(mutex_);
    Advance(SteadyClock::now());
    target_ = target;
}

void SimulatedTelescope::StopMount() {
    const std::lock_guard lock(mutex_);
    Advance(SteadyClock::now());
    target_ = position_;
}

void SimulatedTelescope::PlaceSources(DateTime utc) {
    if (placedAt_ >= 0 && std::abs(utc - placedAt_) < kPlaceEvery) {
        return;
    }
    placedAt_ = utc;
    for (Source& s : sources_) {
        s.Place = places_.At(s.Which, station_, conditions_, DecodeInstant(utc));
    }
}

double SimulatedTelescope::TemperatureK(DateTime utc, const RotatorPosition& reported) {
    const std::lock_guard lock(mutex_);
    PlaceSources(utc);
    const double c = std::max(std::cos(reported.ElevationDeg * kRad), 0.01);
    const double az = reported.AzimuthDeg + truth_.PointingErrorAzDeg / c;
    const double el = reported.ElevationDeg + truth_.PointingErrorElDeg;
    double t = truth_.TsysK;
    for (const Source& s : sources_) {
        const double d = AngleBetweenDeg(az, el, s.Place.AzimuthDeg, s.Place.ElevationDeg);
        if (d < 4 * beamDeg_ && s.Place.ElevationDeg > -1) {
            t += s.DeltaTK * std::exp(-kHalfPower * d * d / (beamDeg_ * beamDeg_));
        }
    }
    return t;
}

} // namespace vantrel
