#pragma once

// A simulated telescope from real parts, for tests of the procedures: a
// real rotctld with Hamlib's dummy rotator on loopback as the mount, driven
// through a RotatorLink and Hamlib's network rotator as the program drives
// one; and the radiometer's command input running vantrel-sim-telescope,
// whose readings follow the sky as the rotator reports it points plus a
// hidden pointing error (see SimTelescope.cpp), integrated by a real
// PowerRunner.

#include "RotctldServer.h"

#include "apparent/SkyPlaces.h"
#include "astro/OrbexSunMoon.h"
#include "radiometer/PowerRunner.h"
#include "scan/Procedure.h"
#include "station/HomeStation.h"
#include "tracking/RotatorLink.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::testing {

/// What the simulation knows and the procedures must find.
struct TelescopeTruth {
    double TsysK = 100;          ///< system temperature off source, K
    double SourceK = 500;        ///< the source's antenna temperature on the beam's axis, K
    double BeamDeg = 1.8;        ///< half-power beamwidth, degrees
    double ErrorAzDeg = 0.35;    ///< where the beam points beside the reported azimuth, on the sky
    double ErrorElDeg = -0.25;   ///< and beside the reported elevation, degrees
    double RateHz = 50;          ///< readings a second
    double BandwidthTime = 2000; ///< B·τ of one reading: its noise is 1/√(Bτ)
    unsigned Seed = 1;
};

/// A clock for the sky, the radiometer and the procedure alike: UTC0 at
/// the real moment it was made, running Factor times as fast.
class SimClock {
public:
    SimClock(DateTime utc0, double factor);
    DateTime Now() const;
    /// "UTC0,EPOCH0,FACTOR" for vantrel-sim-telescope --clock.
    std::string Argument() const;

private:
    DateTime utc0_;
    double epoch0_;
    double factor_;
};

/// A station from which the Sun stands at `elevationDeg` at `utc`, at
/// `hourAngleDeg` from the meridian (0: culminating, positive: west,
/// setting), and south of the Sun's declination: the Sun culminates in the
/// north, near azimuth 0, where Hamlib's dummy rotator (which starts at
/// azimuth 0, elevation 0 and moves 6° a second) gets to quickly. The
/// procedures then count azimuth from −180 to 180. Degrees. The elevation
/// must be one the Sun reaches from south of its declination: above its
/// distance from the equator (about 23.4° at the solstices) is always so.
HomeStation StationWithSunAt(SunMoonLibrary& library, DateTime utc, double hourAngleDeg,
                             double elevationDeg);

/// The path of vantrel-sim-telescope (built with the tests).
std::string SimTelescopeProgram();

/// The command line of vantrel-sim-telescope for a mount on `port`.
std::string SimTelescopeCommand(int port, const HomeStation& station, SkySource source,
                                const TelescopeTruth& truth, const SimClock* clock);

class SimulatedTelescope {
public:
    /// Starts rotctld, sends the dummy to `startAz`, `startEl` and waits
    /// until it stands there, then starts the link and the radiometer
    /// (blocks of `tauS` seconds). Throws when a part does not start.
    /// `input`, when given, replaces the simulated sky as the radiometer's
    /// input (a simulated SDR that saturates).
    SimulatedTelescope(const HomeStation& station, SkySource source, const TelescopeTruth& truth,
                       const SimClock& clock, double tauS, double startAz, double startEl,
                       PowerRunner::Factory input = {});
    ~SimulatedTelescope();

    /// The source's place for a procedure, on the test's thread.
    scan::SourcePlace Place();

    /// Runs `procedure` until it ends or `limit` passes, stepping every
    /// 50 ms as the window does; `during` is called after each step with
    /// the seconds since the start. True when it ended.
    bool Run(scan::Procedure& procedure, std::chrono::seconds limit,
             const std::function<void(scan::Procedure&, double)>& during = {});

    /// Ends rotctld at once (SIGKILL): a controller that dies.
    void KillMount();
    /// Where rotctld says the rotator points now (a connection of its own);
    /// none when it does not answer.
    std::optional<RotatorPosition> MountPosition() const;
    RotatorLink& Link() { return *link_; }
    PowerRunner& Radiometer() { return *runner_; }
    const SimClock& Clock() const { return clock_; }

private:
    HomeStation station_;
    SkySource source_;
    SimClock clock_;
    std::unique_ptr<RotctldServer> mount_;
    OrbexSunMoon library_;
    std::unique_ptr<SkyPlaces> places_;
    std::unique_ptr<RotatorLink> link_;
    std::unique_ptr<PowerRunner> runner_;
};

} // namespace vantrel::testing
