#pragma once

// A telescope in simulated time, for fast tests of the state machines: a
// source moving at a set rate, a mount that moves 6° a second in each axis
// and reports every 0.2 s, and a radiometer whose blocks follow the beam,
// with the radiometer equation's noise from a seeded generator. Incidents
// (the mount dying or refusing, overload, silence) happen at set times.

#include "scan/Procedure.h"
#include "tracking/SkyAngles.h"

#include <chrono>
#include <cmath>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::testing {

struct VirtualSky {
    double AzimuthDeg = 150; ///< the source at t = 0
    double ElevationDeg = 40;
    double AzimuthRateDegPerS = 0.005; ///< its azimuth's rate
    double ElevationRateDegPerS = 0;
    double TsysK = 100;
    double SourceK = 400;
    double BeamDeg = 1.8;
    /// The source a uniform disk of this diameter, degrees (the Sun, the
    /// Moon); 0 a point. Its brightness is summed over a grid of the disk.
    double DiskDeg = 0;
    double ErrorAzDeg = 0.35; ///< the beam beside the reported azimuth, on the sky
    double ErrorElDeg = -0.25;
    double BandwidthHz = 1e5; ///< the radiometer's B
    /// A sky brighter towards larger azimuth: this many kelvin a degree on
    /// the sky from the source along its elevation circle (the background
    /// behind the source is the same Tsys as without it).
    double SkyGradientKPerDeg = 0;
    // Incidents, seconds from the start; negative: never.
    double MountDiesAtS = -1;
    double OverloadAtS = -1;
    double SilentFromS = -1;
    double LowestElevationDeg = 0; ///< the mount refuses positions below this
    /// The mount stops this far beyond each azimuth it is sent to (its own
    /// degrees), and reports where it stands.
    double StandOffAzDeg = 0;
    /// Positions reported in steps of this, degrees (1: a controller
    /// reporting whole degrees); 0 as they are.
    double ReportStepDeg = 0;
};

class VirtualTelescope {
public:
    explicit VirtualTelescope(VirtualSky sky, double tauS = 0.5)
        : sky_(sky), tau_(tauS), random_(7) {
        // The disk as the midpoints of a square grid's cells inside it, each
        // of the same brightness: a sum independent of the program's own
        // integral across the disk.
        if (sky_.DiskDeg > 0) {
            constexpr int kCells = 25;
            const double r = sky_.DiskDeg / 2;
            const double cell = sky_.DiskDeg / kCells;
            for (int i = 0; i < kCells; ++i) {
                for (int j = 0; j < kCells; ++j) {
                    const double u = -r + (i + 0.5) * cell;
                    const double v = -r + (j + 0.5) * cell;
                    if (u * u + v * v <= r * r) {
                        disk_.push_back({u, v});
                    }
                }
            }
        }
    }

    static constexpr DateTime kUtc0 = 46000.5; // 2025-12-09 12:00 UTC

    scan::SourcePlace Place() const {
        return [sky = sky_](DateTime utc) {
            const double t = (utc - kUtc0) * 86400.0;
            SkyPlaceDeg p;
            p.AzimuthDeg = Azimuth0To360(sky.AzimuthDeg + sky.AzimuthRateDegPerS * t);
            p.ElevationDeg = sky.ElevationDeg + sky.ElevationRateDegPerS * t;
            p.DecDeg = 10;
            p.Valid = true;
            return p;
        };
    }

    /// Runs until the procedure ends or `limitS` of simulated time; the
    /// last action is kept. `during` is called at every step.
    template <typename During = void (*)(scan::Procedure&, double)>
    bool Run(
        scan::Procedure& p, const TrackingOptions& options, double limitS,
        During during = [](scan::Procedure&, double) {}) {
        const auto place = Place();
        const double dt = 0.05;
        std::vector<PowerBlock> blocks;
        for (double t = 0; t < limitS; t += dt) {
            Advance(t, dt, place, options, blocks);
            scan::StepInput in;
            in.Utc = kUtc0 + t / 86400.0;
            in.Now = start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(t));
            in.Rotator = status_;
            in.Blocks = blocks;
            const scan::StepAction a = p.Step(in);
            LastBlocks = blocks;
            LastReported = status_.Reported;
            blocks.clear();
            if (a.Point) {
                if (a.Point->ElevationDeg < sky_.LowestElevationDeg) {
                    status_.LastError = "Invalid parameter";
                    status_.LastErrorCode = -1;
                } else {
                    target_ = *a.Point;
                    target_.AzimuthDeg += sky_.StandOffAzDeg;
                }
                Commands.push_back(*a.Point);
            }
            if (a.StopRotator) {
                target_ = position_;
                Stopped = true;
            }
            LastAction = a;
            during(p, t);
            if (p.Finished()) {
                return true;
            }
        }
        return false;
    }

    std::vector<RotatorPosition> Commands;
    /// The blocks of the last step, and the position reported then.
    std::vector<PowerBlock> LastBlocks;
    std::optional<RotatorPosition> LastReported;
    scan::StepAction LastAction;
    bool Stopped = false;
    RotatorPosition Position() const { return position_; }

private:
    void Advance(double t, double dt, const scan::SourcePlace& place,
                 const TrackingOptions& options, std::vector<PowerBlock>& out) {
        const bool dead = sky_.MountDiesAtS >= 0 && t >= sky_.MountDiesAtS;
        const DateTime utc = kUtc0 + t / 86400.0;
        const SkyPlaceDeg src = place(utc);
        // The mount moves, and the power is sampled, in steps of 5 ms.
        constexpr int kSubSteps = 10;
        const double sub = dt / kSubSteps;
        for (int k = 0; k < kSubSteps; ++k) {
            if (!dead) {
                const double step = 6.0 * sub;
                position_.AzimuthDeg +=
                    std::clamp(target_.AzimuthDeg - position_.AzimuthDeg, -step, step);
                position_.ElevationDeg +=
                    std::clamp(target_.ElevationDeg - position_.ElevationDeg, -step, step);
            }
            const SkyDirection beam = SkyOfRotator(position_, options);
            const double c = std::max(std::cos(beam.ElevationDeg * kRad), 0.01);
            const double beamAz = beam.AzimuthDeg + sky_.ErrorAzDeg / c;
            const double beamEl = beam.ElevationDeg + sky_.ErrorElDeg;
            const double theta2 = sky_.BeamDeg * sky_.BeamDeg;
            double response = 0;
            if (disk_.empty()) {
                const double d = AngleBetweenDeg(beamAz, beamEl, src.AzimuthDeg, src.ElevationDeg);
                response = std::exp(-kHalf * d * d / theta2);
            } else {
                // Offsets on the sky of the beam from the disk's centre
                // (small angles), then the beam over every cell.
                const double dx = std::remainder(beamAz - src.AzimuthDeg, 360.0) *
                                  std::cos(src.ElevationDeg * kRad);
                const double dy = beamEl - src.ElevationDeg;
                for (const auto& [u, v] : disk_) {
                    const double ex = dx - u;
                    const double ey = dy - v;
                    response += std::exp(-kHalf * (ex * ex + ey * ey) / theta2);
                }
                response /= static_cast<double>(disk_.size());
            }
            const double along =
                std::remainder(beamAz - src.AzimuthDeg, 360.0) * std::cos(src.ElevationDeg * kRad);
            sum_ += sub * (sky_.TsysK + sky_.SkyGradientKPerDeg * along + sky_.SourceK * response);
        }
        inBlock_ += dt;
        if (!dead) {
            if (t - lastReportS_ >= 0.2) {
                lastReportS_ = t;
                status_.Connected = true;
                status_.Reported = position_;
                if (sky_.ReportStepDeg > 0) {
                    const double q = sky_.ReportStepDeg;
                    status_.Reported->AzimuthDeg = std::round(position_.AzimuthDeg / q) * q;
                    status_.Reported->ElevationDeg = std::round(position_.ElevationDeg / q) * q;
                }
                // The position after this step's move, so stamped.
                status_.ReportedAt =
                    start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                 std::chrono::duration<double>(t + dt));
            }
        } else {
            status_.Connected = false;
            status_.LastError = "Connection refused";
            status_.LastErrorCode = -6;
        }
        if (inBlock_ + 1e-9 >= tau_) {
            const bool silent = sky_.SilentFromS >= 0 && t >= sky_.SilentFromS;
            const double bt = sky_.BandwidthHz * tau_;
            const double mean = sum_ / inBlock_ * (1.0 + normal_(random_) / std::sqrt(bt));
            PowerBlock b;
            b.UtcStart = kUtc0 + (t + dt - inBlock_) / 86400.0;
            b.UtcEnd = kUtc0 + (t + dt) / 86400.0;
            b.PowerDb = 10.0 * std::log10(mean);
            b.SigmaDb = 10.0 * std::log10(1.0 + 1.0 / std::sqrt(bt));
            b.IntegrationS = tau_;
            b.Overload = sky_.OverloadAtS >= 0 && t >= sky_.OverloadAtS;
            if (!silent) {
                out.push_back(b);
            }
            sum_ = 0;
            inBlock_ = 0;
        }
    }

    static constexpr double kRad = std::numbers::pi / 180.0;
    static constexpr double kHalf = 4.0 * std::numbers::ln2;
    VirtualSky sky_;
    double tau_;
    std::mt19937_64 random_;
    std::normal_distribution<double> normal_;
    std::chrono::steady_clock::time_point start_{std::chrono::hours(1)};
    RotatorPosition position_{};
    RotatorPosition target_{};
    RotatorStatus status_;
    double lastReportS_ = -1;
    double sum_ = 0;
    double inBlock_ = 0;
    std::vector<std::pair<double, double>> disk_; ///< cells of the disk, degrees from its centre
};

} // namespace vantrel::testing
