#pragma once

#include "apparent/ObservingConditions.h"
#include "apparent/SkyPlaces.h"
#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "measurewin/MeasureSetup.h"
#include "radiometer/PowerInput.h"
#include "station/HomeStation.h"
#include "tracking/Rotator.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

namespace vantrel {

/// What the simulated telescope hides and the user may set: what a
/// measurement must find.
struct SimulatedTruth {
    double TsysK = 120; ///< system temperature on cold sky, K
    /// Where the beam points beside where the rotator reports, degrees on
    /// the sky (azimuth as a true angle): what a cross-scan must find.
    double PointingErrorAzDeg = 0.3;
    double PointingErrorElDeg = -0.2;
    /// The receiver's gain wanders as a random walk of this many dB per
    /// √second (0: steady).
    double GainDriftDbPerSqrtS = 0.0;
    double SlewDegPerS = 5.0;    ///< each axis of the rotator moves this fast
    double ReadingRateHz = 50;   ///< readings a second
    double BandwidthTime = 2000; ///< B·τ of one reading: its noise is 1/√(Bτ)
    unsigned Seed = 1;
};

/// A telescope without hardware, for trying the program and for its tests:
/// a rotator that moves at SlewDegPerS on each axis from where it stands
/// (starting at azimuth 0°, elevation 0°, as Hamlib's dummy does), and a receiver whose readings
/// are the system temperature seen through the beam where it truly points
/// (the reported position plus the hidden pointing error):
///
///   T = Tsys·g(t) + Σ ΔT_s · exp(−4 ln 2 · d_s² / θ²)
///
/// over the sources with a flux model at the observing frequency (the Sun,
/// the Moon, Cas A, Cyg A, Tau A, Vir A, ...: ΔT_s the antenna temperature
/// the Measure window expects on axis for the antenna, its beam correction
/// included), d_s the angle on the sky from the source (its place as the
/// program computes it), θ the antenna's beamwidth, g(t) the gain's random
/// walk; each reading with the radiometer equation's noise T/√(Bτ). The
/// readings are powers k·T·(1 MHz) in mW, so the receiver shows dBm.
///
/// The rotator and the receiver are made here and share the mount; each
/// is used from its own thread (the link's, the radiometer's).
class SimulatedTelescope {
public:
    SimulatedTelescope(HomeStation station, const ObservingConditions& conditions,
                       const MeasureSetup& antenna, SimulatedTruth truth);
    ~SimulatedTelescope();
    SimulatedTelescope(const SimulatedTelescope&) = delete;
    SimulatedTelescope& operator=(const SimulatedTelescope&) = delete;

    std::unique_ptr<Rotator> MakeRotator();
    std::unique_ptr<PowerInput> MakeReceiver();

    /// Where the mount stands now (its own coordinates), degrees.
    RotatorPosition MountNow();
    /// The system temperature the receiver sees at `utc` with the mount
    /// reporting `reported`, K, noise-free (for tests).
    double TemperatureK(DateTime utc, const RotatorPosition& reported);
    const SimulatedTruth& Truth() const { return truth_; }
    /// The antenna's beamwidth at the observing frequency, degrees.
    double BeamDeg() const { return beamDeg_; }

    /// The mount's side: where to go, stop, park.
    void Command(const RotatorPosition& target);
    void StopMount();

private:
    struct Source {
        SkySource Which;
        double DeltaTK = 0;
        SkyPlaceDeg Place;
    };
    void Advance(std::chrono::steady_clock::time_point now);
    void PlaceSources(DateTime utc);

    HomeStation station_;
    ObservingConditions conditions_;
    SimulatedTruth truth_;
    double beamDeg_ = 1;
    OrbexSunMoon library_;
    SkyPlaces places_;
    std::mutex mutex_;
    RotatorPosition position_{0, 0};
    RotatorPosition target_{0, 0};
    std::chrono::steady_clock::time_point movedAt_;
    std::vector<Source> sources_;
    DateTime placedAt_ = -1;
};

} // namespace vantrel
