#include "scan/DriftScan.h"

#include "scan/DiskBeam.h"

#include "measure/YFactor.h"
#include "tracking/SkyAngles.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel::scan {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kRadPerDeg = std::numbers::pi / 180.0;
/// The source's motion is taken from its places this far either side, s.
constexpr double kMotionHalfStepS = 30.0;
/// The lead as a share of the scan's duration.
constexpr double kLeadShare = 0.1;
/// Below this azimuth share of the motion the azimuth error is not given.
constexpr double kLeastAlongAzimuth = 0.2;

} // namespace

DriftScan::DriftScan(const ScanSettings& settings, ProcedureContext context)
    : Procedure(settings, std::move(context)) {}

std::optional<Procedure::Visit> DriftScan::Next(DateTime utc) {
    if (planned_) {
        return std::nullopt;
    }
    planned_ = true;
    const auto motion = [&](DateTime at, double& along) {
        const SkyPlaceDeg a = SourceAt(at - kMotionHalfStepS / kSecondsPerDay);
        const SkyPlaceDeg b = SourceAt(at + kMotionHalfStepS / kSecondsPerDay);
        const double angle =
            AngleBetweenDeg(a.AzimuthDeg, a.ElevationDeg, b.AzimuthDeg, b.ElevationDeg);
        const double dAz = std::remainder(b.AzimuthDeg - a.AzimuthDeg, 360.0) *
                           std::cos(0.5 * (a.ElevationDeg + b.ElevationDeg) * kRadPerDeg);
        along = angle > 0 ? std::clamp(dAz / angle, -1.0, 1.0) : 0.0;
        return angle / (2.0 * kMotionHalfStepS);
    };
    double along = 0;
    const double rate = motion(utc, along);
    if (!(rate >= kSlowestRateDegPerS)) {
        Abort(Title() + " hardly moves across the sky here: a drift scan cannot be made.");
        return std::nullopt;
    }
    const double durationS = 2.0 * Settings().SpanBeams * Settings().BeamwidthDeg / rate;
    const double leadS = std::max(kLeastLeadS, kLeadShare * durationS);
    const DateTime middle = utc + (leadS + 0.5 * durationS) / kSecondsPerDay;
    const SkyPlaceDeg ahead = SourceAt(middle);

    result_.PredictedUtc = middle;
    result_.RateDegPerS = motion(middle, result_.AlongAzimuth);
    result_.DeclinationDeg = ahead.DecDeg;
    result_.ElevationDeg = ahead.ElevationDeg;
    result_.AzimuthDeg = ahead.AzimuthDeg;

    Visit v;
    v.What = Visit::Target::Fixed;
    v.AzDeg = ahead.AzimuthDeg;
    v.ElDeg = ahead.ElevationDeg;
    v.ReadUntil = middle + 0.5 * durationS / kSecondsPerDay;
    v.TimeZero = middle;
    v.Kind = ReadingKind::Drift;
    v.Label = "drift scan, held ahead of " + Title();
    return v;
}

void DriftScan::Took(const Visit& visit, const Reading& reading) {
    (void)visit;
    ScanPoint p;
    p.X = reading.X;
    p.Power = measure::DbToRatio(reading.PowerDb);
    p.Sigma = std::isfinite(reading.SigmaDb) ? p.Power * (measure::DbToRatio(reading.SigmaDb) - 1.0)
                                             : 0.0;
    result_.Points.push_back(p);
}

void DriftScan::Conclude(bool partial) {
    DriftScanResult& r = result_;
    r.Partial = partial;
    r.SourceDiskDeg = SourceDisk();
    if (r.Points.empty()) {
        r.Problem = "Nothing was recorded.";
        return;
    }
    if (!(r.RateDegPerS > 0)) {
        r.Problem = "The source's motion is not known.";
        return;
    }
    GaussianFitResult fitted = FitGaussian(r.Points, Settings().BeamwidthDeg / r.RateDegPerS);
    r.Fit = fitted.Fit;
    r.Problem = fitted.Problem;
    if (!r.Fit) {
        return;
    }
    r.WidthOnSourceDeg = r.Fit->Width * r.RateDegPerS;
    r.BeamwidthDeg = r.WidthOnSourceDeg;
    r.BeamwidthSigmaDeg = r.Fit->WidthSigma * r.RateDegPerS;
    if (SourceDisk() > 0) {
        if (const auto beam = BeamOfDiskScan(*r.WidthOnSourceDeg, *r.BeamwidthSigmaDeg,
                                             SourceDisk(), r.Points, &*r.Fit, r.RateDegPerS)) {
            r.BeamwidthDeg = beam->BeamDeg;
            r.BeamwidthSigmaDeg = beam->BeamSigmaDeg;
        } else {
            r.DiskProblem = DiskWidthProblem(*r.WidthOnSourceDeg, SourceDisk());
        }
    }
    r.TimeOffsetS = r.Fit->Centre;
    r.TimeOffsetSigmaS = r.Fit->CentreSigma;
    r.PeakUtc = r.PredictedUtc + r.Fit->Centre / kSecondsPerDay;
    r.PeakYDb = r.Fit->PeakYDb();
    // A beam pointing e beside where it was sent meets the source
    // (e · u)/v later, u the source's direction of motion: with the
    // elevation right, e_az = Δt v / u_az, and the offset to add is −e_az.
    if (std::fabs(r.AlongAzimuth) >= kLeastAlongAzimuth) {
        r.AzimuthOffsetDeg = -r.Fit->Centre * r.RateDegPerS / r.AlongAzimuth;
        r.AzimuthOffsetSigmaDeg = r.Fit->CentreSigma * r.RateDegPerS / std::fabs(r.AlongAzimuth);
    }
}

} // namespace vantrel::scan
