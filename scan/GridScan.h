#pragma once

#include "scan/GaussianFit2D.h"
#include "scan/Procedure.h"

#include <optional>
#include <string>
#include <vector>

namespace vantrel::scan {

/// How a grid is laid out.
struct GridLayout {
    int Size = 5;              ///< points per side, 3..15
    double SpacingBeams = 0.5; ///< between neighbours, beamwidths, 0.1..2
};

/// The outcome of a grid: the beam fitted to its points. Offsets as a
/// cross-scan's (CrossScanResult): where the peak lies relative to where
/// tracking points, azimuth a true angle on the sky.
struct GridScanResult {
    std::vector<GridPoint> Points;
    std::optional<GaussianFit2D> Fit;
    std::string Problem;
    /// The source's mean elevation during the grid, degrees: what turns
    /// the azimuth offset into degrees of the rotator's azimuth.
    double ElevationDeg = 0;
    bool Partial = false;
};

/// An N × N grid around the source at a spacing of B beamwidths, the rows
/// in elevation from the lowest up, each row crossed the other way from
/// the one before (the rotator never comes back across the grid). Every
/// point is an offset from the source's place at the moment of the reading
/// (the Procedure follows it), azimuth steps true angles on the sky. A 2-D
/// Gaussian with a plane baseline is fitted (FitGaussian2D).
class GridScan final : public Procedure {
public:
    GridScan(const ScanSettings& settings, GridLayout layout, ProcedureContext context);

    const GridScanResult& Result() const { return result_; }
    const GridLayout& Layout() const { return layout_; }

private:
    std::optional<Visit> Next(DateTime utc) override;
    void Took(const Visit& visit, const Reading& reading) override;
    void Conclude(bool partial) override;
    int PlannedVisits() const override { return layout_.Size * layout_.Size; }
    double LowestElevationOffsetDeg() const override;

    double HalfSideDeg() const;

    GridLayout layout_;
    int next_ = 0;
    double elevationSum_ = 0;
    GridScanResult result_;
};

} // namespace vantrel::scan
