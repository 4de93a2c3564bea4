#include "scan/DriftScan.h"

#include "scan/DiskBeam.h"

#include "measure/YFactor.h"
#include "tracking/SkyAngles.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

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
/// A value within this share of a step of a multiple of it is one.
constexpr double kMultipleSlack = 1e-6;
/// The resolution taken for a rotator reporting finer than 0.01°, degrees.
constexpr double kFinestReportDeg = 0.001;

} // namespace

DriftScan::DriftScan(const ScanSettings& settings, ProcedureContext context)
    : Procedure(settings, std::move(context)) {}

std::optional<Procedure::Visit> DriftScan::Next(DateTime utc) {
    if (planned_) {
        return std::nullopt;
    }
    planned_ = true;
    double alongEl = 0;
    const auto motion = [&](DateTime at, double& along) {
        const SkyPlaceDeg a = SourceAt(at - kMotionHalfStepS / kSecondsPerDay);
        const SkyPlaceDeg b = SourceAt(at + kMotionHalfStepS / kSecondsPerDay);
        const double angle =
            AngleBetweenDeg(a.AzimuthDeg, a.ElevationDeg, b.AzimuthDeg, b.ElevationDeg);
        const double dAz = std::remainder(b.AzimuthDeg - a.AzimuthDeg, 360.0) *
                           std::cos(0.5 * (a.ElevationDeg + b.ElevationDeg) * kRadPerDeg);
        along = angle > 0 ? std::clamp(dAz / angle, -1.0, 1.0) : 0.0;
        alongEl =
            angle > 0 ? std::clamp((b.ElevationDeg - a.ElevationDeg) / angle, -1.0, 1.0) : 0.0;
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
    result_.AlongElevation = alongEl;
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
    if (std::isfinite(reading.PointedAzDeg) && std::isfinite(reading.PointedElDeg)) {
        pointed_.push_back({reading.PointedAzDeg, reading.PointedElDeg});
        // The rotator's own values: the sky's with the tracking offsets.
        reportedValues_.push_back(reading.PointedAzDeg + Pointing().AzimuthOffsetDeg);
        reportedValues_.push_back(reading.PointedElDeg + Pointing().ElevationOffsetDeg);
    }
}

namespace {

/// The step a rotator reports its position in, degrees: the coarsest of
/// whole degrees, tenths, hundredths that every value is a multiple of; a
/// thousandth for a rotator reporting finer.
double ReportResolutionDeg(std::span<const double> values) {
    // The coarsest of whole degrees, tenths, hundredths that every value
    // is a multiple of; a thousandth for a rotator reporting finer.
    for (const double step : {1.0, 0.1, 0.01}) {
        const bool all = std::all_of(values.begin(), values.end(), [step](double v) {
            return std::fabs(v / step - std::round(v / step)) < kMultipleSlack;
        });
        if (all && !values.empty()) {
            return step;
        }
    }
    return kFinestReportDeg;
}

} // namespace

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
    //
    // Where the rotator stood: the mean of its reports, against the point
    // it was sent to, along the track (a stand ahead meets the source
    // later); its uncertainty the reports' spread and resolution.
    const double cosEl = std::cos(r.ElevationDeg * kRadPerDeg);
    std::vector<double> along;
    for (const SkyDirection& p : pointed_) {
        along.push_back(std::remainder(p.AzimuthDeg - r.AzimuthDeg, 360.0) * cosEl *
                            r.AlongAzimuth +
                        (p.ElevationDeg - r.ElevationDeg) * r.AlongElevation);
    }
    double spread = 0;
    if (!along.empty()) {
        double sum = 0;
        for (const double a : along) {
            sum += a;
        }
        r.HeldAlongDeg = sum / static_cast<double>(along.size());
        double squares = 0;
        for (const double a : along) {
            squares += (a - r.HeldAlongDeg) * (a - r.HeldAlongDeg);
        }
        spread = along.size() > 1 ? std::sqrt(squares / static_cast<double>(along.size() - 1)) : 0;
    }
    const double q = ReportResolutionDeg(reportedValues_);
    r.HeldSigmaDeg = pointed_.empty() ? ArrivalToleranceDeg(Settings().BeamwidthDeg)
                                      : std::hypot(spread, q / std::sqrt(12.0));
    r.TimeOffsetS = r.Fit->Centre - r.HeldAlongDeg / r.RateDegPerS;
    if (std::fabs(r.AlongAzimuth) >= kLeastAlongAzimuth) {
        r.AzimuthOffsetDeg = -*r.TimeOffsetS * r.RateDegPerS / r.AlongAzimuth;
        r.AzimuthOffsetSigmaDeg = std::hypot(r.Fit->CentreSigma * r.RateDegPerS, r.HeldSigmaDeg) /
                                  std::fabs(r.AlongAzimuth);
    }
}

} // namespace vantrel::scan
