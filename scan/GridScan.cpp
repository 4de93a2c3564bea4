#include "scan/GridScan.h"

#include "measure/YFactor.h"

#include <cmath>
#include <numbers>

namespace vantrel::scan {

GridScan::GridScan(const ScanSettings& settings, GridLayout layout, ProcedureContext context)
    : Procedure(settings, std::move(context)), layout_(layout) {}

double GridScan::HalfSideDeg() const {
    return 0.5 * (layout_.Size - 1) * layout_.SpacingBeams * Settings().BeamwidthDeg;
}

double GridScan::LowestElevationOffsetDeg() const {
    return -HalfSideDeg();
}

std::optional<Procedure::Visit> GridScan::Next(DateTime utc) {
    (void)utc;
    const int n = layout_.Size;
    if (next_ >= n * n) {
        return std::nullopt;
    }
    const int row = next_ / n;
    const int along = next_ % n;
    const int column = row % 2 == 0 ? along : n - 1 - along;
    const double step = layout_.SpacingBeams * Settings().BeamwidthDeg;
    Visit v;
    v.Kind = ReadingKind::Scan;
    v.What = Visit::Target::Offset;
    v.AzDeg = -HalfSideDeg() + step * column;
    v.ElDeg = -HalfSideDeg() + step * row;
    v.Index = next_;
    v.Label = "grid point " + std::to_string(next_ + 1) + " of " + std::to_string(n * n);
    ++next_;
    return v;
}

void GridScan::Took(const Visit& visit, const Reading& reading) {
    GridPoint p;
    p.X = visit.AzDeg;
    p.Y = visit.ElDeg;
    // Where the rotator reported to point, when it did and is near the point
    // asked for (a controller reporting in whole degrees is not).
    if (std::isfinite(reading.PointedAzDeg) && std::isfinite(reading.PointedElDeg)) {
        double dAz = reading.PointedAzDeg - reading.SourceAzDeg;
        dAz -= 360.0 * std::round(dAz / 360.0);
        const double x = dAz * std::cos(reading.SourceElevationDeg * std::numbers::pi / 180.0);
        const double y = reading.PointedElDeg - reading.SourceElevationDeg;
        const double tolerance = 0.5 * layout_.SpacingBeams * Settings().BeamwidthDeg;
        if (std::hypot(x - p.X, y - p.Y) <= tolerance) {
            p.X = x;
            p.Y = y;
        }
    }
    p.Power = measure::DbToRatio(reading.PowerDb);
    p.Sigma = std::isfinite(reading.SigmaDb) ? p.Power * (measure::DbToRatio(reading.SigmaDb) - 1.0)
                                             : 0.0;
    result_.Points.push_back(p);
    elevationSum_ += reading.SourceElevationDeg;
}

void GridScan::Conclude(bool partial) {
    result_.Partial = partial;
    result_.ElevationDeg = result_.Points.empty()
                               ? SourceNow().ElevationDeg
                               : elevationSum_ / static_cast<double>(result_.Points.size());
    if (result_.Points.empty()) {
        result_.Problem = "Not mapped.";
        return;
    }
    GaussianFit2DResult fitted = FitGaussian2D(result_.Points, Settings().BeamwidthDeg);
    result_.Fit = fitted.Fit;
    result_.Problem = fitted.Problem;
}

} // namespace vantrel::scan
