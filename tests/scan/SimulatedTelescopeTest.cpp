// The procedures on a simulated telescope from real parts (CTest label
// `simulated`): a real rotctld with Hamlib's dummy rotator as the mount and
// the radiometer reading a simulated sky through its command input. A
// hidden pointing error of (+0.35°, −0.25°), a beam of 1.8° and the Sun at
// a set flux: the procedures must find the offsets within 0.05°, the
// beamwidths within 3 % and G/T within 0.1 dB of the simulation's own.

#include "SimulatedTelescope.h"
#include "SimReceiver.h"

#include "measure/Antenna.h"
#include "measure/MeasureConstants.h"
#include "measure/Wavelength.h"
#include "measure/YFactor.h"
#include "measurewin/MeasureSetup.h"
#include "radiometer/SdrInput.h"
#include "scan/CrossScan.h"
#include "scan/DriftScan.h"
#include "scan/YFactorSequence.h"
#include "tracking/SkyAngles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <thread>

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using testing::SimClock;
using testing::SimulatedTelescope;
using testing::TelescopeTruth;

constexpr double kRadPerDeg = std::numbers::pi / 180.0;
constexpr double kOffsetToleranceDeg = 0.05;
constexpr double kBeamTolerance = 0.03;
constexpr double kGOverTToleranceDb = 0.1;

/// The telescope the simulation stands for: a dish whose 70 λ/D is 1.8° at
/// 10368 MHz (1.12 m), efficiency 0.55, Tsys 100 K, the Sun at 200 sfu.
struct Dish {
    double FrequencyMHz = 10368;
    double BeamDeg = 1.8;
    double Efficiency = 0.55;
    double TsysK = 100;
    double SolarSfu = 200;

    double DiameterM() const {
        return measure::kDishBeamwidthFactorDeg * measure::WavelengthM(FrequencyMHz) / BeamDeg;
    }
    measure::AntennaBeam Beam() const {
        return *measure::DishBeam(DiameterM(), Efficiency, FrequencyMHz);
    }
    /// G/T of the simulated system, dB/K: 4π Ae / λ² over Tsys.
    double TrueGOverTDbPerK() const { return Beam().GainDbi - measure::RatioToDb(TsysK); }
};

/// What G/T needs of the Sun at `utc`, as the Measure window has it.
scan::GOverTBasis SunBasis(const Dish& dish, const HomeStation& station, DateTime utc) {
    OrbexSunMoon library;
    ApparentPlaces places;
    MeasureSetup setup;
    setup.DishDiameterM = dish.DiameterM();
    setup.Efficiency = dish.Efficiency;
    setup.SolarFlux = std::to_string(dish.SolarSfu);
    ObservingConditions conditions;
    conditions.FrequencyMHz = dish.FrequencyMHz;
    const auto rows = MeasureRows(utc, station, conditions, library, places, setup);
    const MeasureRow& sun = rows.back();
    return {sun.Expected.Flux, sun.Expected.SizeDeg, dish.FrequencyMHz};
}

/// The simulation's truth for the dish: the Sun's antenna temperature on
/// the beam's axis, S Ae / (2 k K) with K for its size.
TelescopeTruth TruthOf(const Dish& dish, const scan::GOverTBasis& sun) {
    TelescopeTruth t;
    t.TsysK = dish.TsysK;
    t.BeamDeg = dish.BeamDeg;
    const double k = measure::BeamCorrection(sun.SourceSizeDeg, dish.BeamDeg);
    t.SourceK = measure::AntennaTemperatureRiseK(sun.Flux.Jy, dish.Beam().EffectiveAreaM2, k);
    return t;
}

/// Tracking options of the tests: the azimuth counted from −180 to 180, as
/// the Sun culminates in the north.
TrackingOptions Pointing() {
    TrackingOptions o;
    o.Range = AzimuthRange::FromMinus180To180;
    return o;
}

/// The dummy rotator's azimuth for a place, −180..180.
double RotatorAz(const SkyPlaceDeg& place) {
    return std::remainder(place.AzimuthDeg, 360.0);
}

scan::ScanSettings Fast(scan::ProcedureKind kind, double tauS) {
    scan::ScanSettings s;
    s.Procedure = kind;
    s.Source = SkySource::Sun;
    s.BeamwidthDeg = 1.8;
    s.TauS = tauS;
    s.SettleS = 0.3;
    s.After = scan::AfterEnd::Stop;
    return s;
}

/// A station with the Sun at a given hour angle and elevation now, and the
/// clock of it.
struct SunAbove {
    SimClock Clock{SystemUtcNow(), 1.0};
    HomeStation Station;
    explicit SunAbove(double hourAngleDeg, double elevationDeg, double factor = 1.0)
        : Clock(SystemUtcNow(), factor) {
        OrbexSunMoon library;
        Station = testing::StationWithSunAt(library, Clock.Now(), hourAngleDeg, elevationDeg);
    }
    SkyPlaceDeg Sun() const {
        OrbexSunMoon library;
        SkyPlaces places(library);
        return places.At(SkySource::Sun, Station, {}, DecodeInstant(Clock.Now()));
    }
};

TEST(SimulatedTelescope, CrossScanThenYFactorFindThePointingTheBeamAndGOverT) {
    const Dish dish;
    const SunAbove sky(0.0, 45.0);
    const scan::GOverTBasis basis = SunBasis(dish, sky.Station, sky.Clock.Now());
    const TelescopeTruth truth = TruthOf(dish, basis);
    const SkyPlaceDeg sun = sky.Sun();
    SimulatedTelescope telescope(sky.Station, SkySource::Sun, truth, sky.Clock, 0.3, RotatorAz(sun),
                                 sun.ElevationDeg);

    scan::ScanSettings cross = Fast(scan::ProcedureKind::Cross, 0.3);
    cross.SpanBeams = 2.0;
    cross.Points = 9;
    scan::ProcedureContext context{Pointing(), telescope.Place(), "the Sun"};
    scan::CrossScan scan(cross, context);
    ASSERT_TRUE(telescope.Run(scan, 100s));
    ASSERT_EQ(scan.Ended(), scan::Ending::Completed) << scan.StopReason();
    const scan::CrossScanResult& found = scan.Result();
    ASSERT_TRUE(found.Axes[0].Fit) << found.Axes[0].Problem;
    ASSERT_TRUE(found.Axes[1].Fit) << found.Axes[1].Problem;
    // The offset to add is the error turned round.
    EXPECT_NEAR(*found.OffsetDeg(0), -truth.ErrorAzDeg, kOffsetToleranceDeg);
    EXPECT_NEAR(*found.OffsetDeg(1), -truth.ErrorElDeg, kOffsetToleranceDeg);
    EXPECT_LT(*found.OffsetSigmaDeg(0), kOffsetToleranceDeg);
    for (const auto& axis : found.Axes) {
        EXPECT_NEAR(axis.BeamwidthDeg, truth.BeamDeg, kBeamTolerance * truth.BeamDeg);
    }
    const double expectedPeakDb = measure::RatioToDb(1.0 + truth.SourceK / truth.TsysK);
    EXPECT_NEAR(*found.PeakYDb(), expectedPeakDb, 0.2);

    // The offsets applied to tracking as "Apply to tracking" does, then G/T.
    scan::ProcedureContext applied = context;
    applied.Pointing.AzimuthOffsetDeg +=
        *found.OffsetDeg(0) / std::cos(found.ElevationDeg * kRadPerDeg);
    applied.Pointing.ElevationOffsetDeg += *found.OffsetDeg(1);
    scan::ScanSettings y = Fast(scan::ProcedureKind::YFactor, 0.5);
    y.Pairs = 3;
    y.SettleS = 0.5;
    scan::YFactorSequence sequence(y, applied, basis);
    ASSERT_TRUE(telescope.Run(sequence, 100s));
    ASSERT_EQ(sequence.Ended(), scan::Ending::Completed) << sequence.StopReason();
    const scan::YFactorResult& r = sequence.Result();
    ASSERT_EQ(r.Pairs.size(), 3U);
    EXPECT_EQ(r.Pairs[0].Side, "east"); // the Sun in the north: larger azimuth is east
    EXPECT_EQ(r.Pairs[1].Side, "west");
    ASSERT_TRUE(r.GOverTDbPerK) << r.Note;
    EXPECT_NEAR(*r.GOverTDbPerK, dish.TrueGOverTDbPerK(), kGOverTToleranceDb);
    ASSERT_TRUE(r.GOverTSigmaDb);
    EXPECT_LT(*r.GOverTSigmaDb, kGOverTToleranceDb);
    EXPECT_FALSE(r.Partial);
}

TEST(SimulatedTelescope, DriftScanFindsTheBeamAndTheAzimuthError) {
    // A clock ninety times as fast: the Sun drifts through the beam in
    // half a minute. It culminates when it passes, so it moves along the horizon.
    constexpr double kFactor = 90;
    OrbexSunMoon library;
    const DateTime transit = SystemUtcNow();
    const HomeStation station = testing::StationWithSunAt(library, transit, 0.0, 45.0);
    SkyPlaces places(library);
    const auto sunAt = [&](DateTime utc) {
        return places.At(SkySource::Sun, station, {}, DecodeInstant(utc));
    };
    const SkyPlaceDeg a = sunAt(transit - 30 / 86400.0);
    const SkyPlaceDeg b = sunAt(transit + 30 / 86400.0);
    const double rate =
        AngleBetweenDeg(a.AzimuthDeg, a.ElevationDeg, b.AzimuthDeg, b.ElevationDeg) / 60.0;
    scan::ScanSettings drift = Fast(scan::ProcedureKind::Drift, 9.0);
    const double durationS = 2.0 * drift.SpanBeams * drift.BeamwidthDeg / rate;
    const double leadS = std::max(scan::DriftScan::kLeastLeadS, 0.1 * durationS);
    const SimClock clock(transit - (leadS + 0.5 * durationS) / 86400.0, kFactor);
    const SkyPlaceDeg start = sunAt(clock.Now());

    TelescopeTruth truth;
    SimulatedTelescope telescope(station, SkySource::Sun, truth, clock, drift.TauS,
                                 RotatorAz(start), start.ElevationDeg);
    drift.SettleS = 1.0;
    scan::DriftScan scan(drift, {Pointing(), telescope.Place(), "the Sun"});
    ASSERT_TRUE(telescope.Run(scan, 110s));
    ASSERT_EQ(scan.Ended(), scan::Ending::Completed) << scan.StopReason();
    const scan::DriftScanResult& r = scan.Result();
    ASSERT_TRUE(r.Fit) << r.Problem;
    EXPECT_NEAR(r.AlongAzimuth, -1.0, 0.01); // seen from the south: towards smaller azimuth
    EXPECT_NEAR(*r.BeamwidthDeg, truth.BeamDeg, kBeamTolerance * truth.BeamDeg);
    ASSERT_TRUE(r.AzimuthOffsetDeg);
    EXPECT_NEAR(*r.AzimuthOffsetDeg, -truth.ErrorAzDeg, kOffsetToleranceDeg);
    // The peak came as late as the error says, in the simulation's time.
    EXPECT_NEAR(*r.TimeOffsetS, -truth.ErrorAzDeg / rate, kOffsetToleranceDeg / rate);
}

/// Each way a procedure must stop part-way on the real parts: with a
/// sentence saying why, what it took kept and marked, the rotator stopped.
TEST(SimulatedTelescope, StopsPartWayWithAReason) {
    struct Case {
        const char* Name;
        scan::ProcedureKind Kind;
        double ClockFactor;
        bool Saturate; ///< the simulated SDR at full scale as the radiometer
        /// Called at every step: aborts, kills the mount.
        std::function<void(scan::Procedure&, SimulatedTelescope&)> During;
        const char* Reason;
    };
    const auto afterReadings = [](std::size_t n, auto what) {
        return [n, what](scan::Procedure& p, SimulatedTelescope& t) mutable {
            if (p.Readings().size() >= n) {
                what(p, t);
            }
        };
    };
    const Case cases[] = {
        {"abort", scan::ProcedureKind::Cross, 1, false,
         afterReadings(3, [](scan::Procedure& p, SimulatedTelescope&) { p.Abort(); }),
         "Aborted by the user."},
        {"the rotator is killed", scan::ProcedureKind::YFactor, 1, false,
         afterReadings(2,
                       [killed = false](scan::Procedure&, SimulatedTelescope& t) mutable {
                           if (!killed) {
                               t.KillMount();
                               killed = true;
                           }
                       }),
         "The rotator stopped answering"},
        // Sixty times as fast, the Sun sinks below the minimum in seconds.
        {"the Sun sets",
         scan::ProcedureKind::YFactor,
         60,
         false,
         {},
         "the Sun sank below the minimum elevation"},
        {"overload", scan::ProcedureKind::YFactor, 1, true, {}, "The radiometer is overloaded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const SunAbove sky(20.0, 30.0, c.ClockFactor);
        const SkyPlaceDeg sun = sky.Sun();
        std::unique_ptr<testing::SimReceiver> receiver;
        PowerRunner::Factory input;
        if (c.Saturate) {
            receiver = std::make_unique<testing::SimReceiver>();
            SdrSettings sdr;
            sdr.DeviceArgs = receiver->Args("power_db=3");
            sdr.RateHz = 100e3;
            input = [sdr] { return MakeSdrInput(sdr); };
        }
        SimulatedTelescope telescope(sky.Station, SkySource::Sun, TelescopeTruth{}, sky.Clock, 0.3,
                                     RotatorAz(sun), sun.ElevationDeg, input);
        TrackingOptions pointing = Pointing();
        if (c.ClockFactor > 1) {
            // Where the Sun will stand five real seconds from now.
            OrbexSunMoon library;
            SkyPlaces places(library);
            const DateTime later = sky.Clock.Now() + 5.0 * c.ClockFactor / 86400.0;
            pointing.MinElevationDeg =
                places.At(SkySource::Sun, sky.Station, {}, DecodeInstant(later)).ElevationDeg;
            ASSERT_LT(pointing.MinElevationDeg, sun.ElevationDeg - 0.05);
        }
        scan::ProcedureContext context{pointing, telescope.Place(), "the Sun"};
        std::unique_ptr<scan::Procedure> p;
        if (c.Kind == scan::ProcedureKind::Cross) {
            p = std::make_unique<scan::CrossScan>(Fast(c.Kind, 0.3), context);
        } else {
            p = std::make_unique<scan::YFactorSequence>(Fast(c.Kind, 0.3), context, std::nullopt);
        }
        ASSERT_TRUE(telescope.Run(*p, 60s, [&](scan::Procedure& q, double) {
            if (c.During) {
                c.During(q, telescope);
            }
        }));
        EXPECT_EQ(p->Ended(), scan::Ending::Stopped);
        EXPECT_NE(p->StopReason().find(c.Reason), std::string::npos) << p->StopReason();
        if (auto* y = dynamic_cast<scan::YFactorSequence*>(p.get())) {
            EXPECT_TRUE(y->Result().Partial);
        } else {
            EXPECT_TRUE(dynamic_cast<scan::CrossScan&>(*p).Result().Partial);
        }
        // Stopped where it stands: a rotator still there stays still.
        if (const auto first = telescope.MountPosition()) {
            std::this_thread::sleep_for(600ms);
            const auto second = telescope.MountPosition();
            ASSERT_TRUE(second);
            EXPECT_EQ(*first, *second);
        }
    }
}

} // namespace
} // namespace vantrel
