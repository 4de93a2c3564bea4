#include "scan/CrossScan.h"

#include "scan/DiskBeam.h"

#include "measure/YFactor.h"

#include <cmath>
#include <numbers>

namespace vantrel::scan {

namespace {

/// The variance of a uniform smear of width Δ is Δ²/12, and a Gaussian's
/// FWHM² is 8 ln 2 times its variance: FWHM_seen² = FWHM² + 8 ln 2 Δ²/12.
const double kSmearFactor = 8.0 * std::numbers::ln2 / 12.0;

double Linear(double db) {
    return measure::DbToRatio(db);
}

} // namespace

std::optional<double> CrossScanResult::OffsetDeg(int axis) const {
    const auto& fit = Axes[static_cast<std::size_t>(axis)].Fit;
    return fit ? std::optional<double>(fit->Centre) : std::nullopt;
}

std::optional<double> CrossScanResult::OffsetSigmaDeg(int axis) const {
    const auto& fit = Axes[static_cast<std::size_t>(axis)].Fit;
    return fit ? std::optional<double>(fit->CentreSigma) : std::nullopt;
}

std::optional<double> CrossScanResult::PeakYDb() const {
    for (const int axis : {1, 0}) {
        if (const auto& fit = Axes[static_cast<std::size_t>(axis)].Fit) {
            return fit->PeakYDb();
        }
    }
    return std::nullopt;
}

CrossScan::CrossScan(const ScanSettings& settings, ProcedureContext context)
    : Procedure(settings, std::move(context)) {}

int CrossScan::PlannedVisits() const {
    return Settings().Continuous ? 4 : 2 * Settings().Points;
}

double CrossScan::LowestElevationOffsetDeg() const {
    return -SpanDeg();
}

std::optional<Procedure::Visit> CrossScan::Next(DateTime utc) {
    (void)utc;
    const ScanSettings& s = Settings();
    while (axis_ < 2) {
        const int stages = s.Continuous ? 2 : s.Points;
        if (next_ < stages) {
            break;
        }
        FitAxis(axis_);
        if (axis_ == 0 && result_.Axes[0].Fit) {
            elevationScanAzDeg_ = result_.Axes[0].Fit->Centre;
        }
        ++axis_;
        next_ = 0;
    }
    if (axis_ >= 2) {
        return std::nullopt;
    }
    const double span = SpanDeg();
    const char* axisName = axis_ == 0 ? "azimuth" : "elevation";
    // The elevation scan climbs: a rotator sags less going up.
    const auto offsetAt = [&](double along) {
        return axis_ == 0 ? std::pair{along, 0.0} : std::pair{elevationScanAzDeg_, along};
    };
    Visit v;
    v.Kind = ReadingKind::Scan;
    v.Axis = axis_;
    v.What = Visit::Target::Offset;
    if (s.Continuous) {
        const auto [az0, el0] = offsetAt(-span);
        v.AzDeg = az0;
        v.ElDeg = el0;
        if (next_ == 0) {
            v.Blocks = 0; // to the start of the axis, settled
            v.Label = std::string(axisName) + " scan, to the start";
        } else {
            const auto [az1, el1] = offsetAt(span);
            v.What = Visit::Target::Sweep;
            v.ToAzDeg = az1;
            v.ToElDeg = el1;
            v.Label = std::string(axisName) + " scan";
        }
        ++next_;
        return v;
    }
    const double along = -span + 2.0 * span * next_ / (s.Points - 1);
    const auto [az, el] = offsetAt(along);
    v.AzDeg = az;
    v.ElDeg = el;
    v.Index = next_;
    v.Label = std::string(axisName) + " point " + std::to_string(next_ + 1) + " of " +
              std::to_string(s.Points);
    ++next_;
    return v;
}

void CrossScan::Took(const Visit& visit, const Reading& reading) {
    ScanPoint p;
    p.X = reading.X;
    p.Power = Linear(reading.PowerDb);
    p.Sigma = std::isfinite(reading.SigmaDb) ? p.Power * (Linear(reading.SigmaDb) - 1.0) : 0.0;
    AxisScan& axis = result_.Axes[static_cast<std::size_t>(visit.Axis)];
    axis.Points.push_back(p);
    if (reading.XSpan > 0) {
        axis.SmearSum += reading.XSpan;
        ++axis.Smears;
    }
    if (visit.Axis == 0) {
        elevationSum_ += reading.SourceElevationDeg;
        ++elevationCount_;
    }
}

void CrossScan::FitAxis(int axis) {
    AxisScan& a = result_.Axes[static_cast<std::size_t>(axis)];
    if (a.Fit || !a.Problem.empty()) {
        return;
    }
    GaussianFitResult fitted = FitGaussian(a.Points, Settings().BeamwidthDeg);
    a.Fit = fitted.Fit;
    a.Problem = fitted.Problem;
    if (a.Fit) {
        a.WidthOnSourceDeg = a.Fit->Width;
        if (a.Smears > 0) {
            const double smear = a.SmearSum / a.Smears;
            const double squared = a.Fit->Width * a.Fit->Width - kSmearFactor * smear * smear;
            a.WidthOnSourceDeg = squared > 0 ? std::sqrt(squared) : a.Fit->Width;
        }
        a.BeamwidthDeg = a.WidthOnSourceDeg;
        a.BeamwidthSigmaDeg = a.Fit->WidthSigma;
        if (SourceDisk() > 0) {
            if (const auto beam = BeamOfDiskScan(a.WidthOnSourceDeg, a.Fit->WidthSigma,
                                                 SourceDisk(), a.Points, &*a.Fit)) {
                a.BeamwidthDeg = beam->BeamDeg;
                a.BeamwidthSigmaDeg = beam->BeamSigmaDeg;
            } else {
                a.DiskProblem = DiskWidthProblem(a.WidthOnSourceDeg, SourceDisk());
            }
        }
    }
}

void CrossScan::Conclude(bool partial) {
    result_.Partial = partial;
    result_.SourceDiskDeg = SourceDisk();
    result_.ElevationDeg =
        elevationCount_ > 0 ? elevationSum_ / elevationCount_ : SourceNow().ElevationDeg;
    for (const int axis : {0, 1}) {
        AxisScan& a = result_.Axes[static_cast<std::size_t>(axis)];
        if (!a.Points.empty()) {
            FitAxis(axis);
        } else if (a.Problem.empty()) {
            a.Problem = "Not scanned.";
        }
    }
}

} // namespace vantrel::scan
