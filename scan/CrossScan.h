#pragma once

#include "scan/GaussianFit.h"
#include "scan/Procedure.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::scan {

/// One axis of a cross-scan: its points and the beam fitted to them.
struct AxisScan {
    std::vector<ScanPoint> Points; ///< X: offset on the sky, degrees; Power: linear
    std::optional<GaussianFit> Fit;
    std::string Problem; ///< why there is no fit, when there is none
    /// The antenna's beamwidth, degrees: the width on the source with a
    /// disk's own width taken off (BeamOfDiskScan; the Sun, the Moon), the
    /// width on the source itself for a point source.
    double BeamwidthDeg = 0;
    double BeamwidthSigmaDeg = 0; ///< its one-sigma error, degrees
    /// The width the scan shows on the source, degrees: the fit's, with the
    /// smearing of a continuous scan taken off (each block spans a stretch
    /// of the axis).
    double WidthOnSourceDeg = 0;
    /// Why the disk could not be taken off (the width not above the
    /// disk's); empty otherwise. BeamwidthDeg is then the width on the source.
    std::string DiskProblem;
    /// Moving through: the stretches the blocks covered, summed, degrees,
    /// and their number.
    double SmearSum = 0;
    int Smears = 0;
};

/// The outcome of a cross-scan. Offsets are where the source's peak was
/// found relative to where tracking points (the source's place with the
/// tracking offsets in force): added to the tracking offsets, they point
/// the beam at the source. Azimuth offsets are true angles on the sky;
/// the rotator's azimuth offset changes by the offset / cos(elevation).
struct CrossScanResult {
    std::array<AxisScan, 2> Axes; ///< 0 azimuth, 1 elevation
    /// The source's elevation at the middle of the azimuth scan, degrees:
    /// what turns the azimuth offset into degrees of the rotator's azimuth.
    double ElevationDeg = 0;
    bool Partial = false;
    /// The source's disk diameter taken off the widths, degrees; 0 for a point.
    double SourceDiskDeg = 0;

    /// The offset on one axis and its one-sigma error, degrees; none
    /// without a fit.
    std::optional<double> OffsetDeg(int axis) const;
    std::optional<double> OffsetSigmaDeg(int axis) const;
    /// The peak's Y in dB: of the elevation scan (made through the
    /// azimuth peak), else of the azimuth scan; none without a fit.
    std::optional<double> PeakYDb() const;
};

/// A scan in azimuth and one in elevation through the source: ±SpanBeams
/// beamwidths in Points points each, the azimuth steps true angles on the
/// sky (divided by cos(elevation) for the rotator), or with Continuous
/// the rotator sent through each axis at its own pace while every block
/// is a point at the position it reported then (the block's smear, the
/// stretch it covered, taken off the beamwidth: FWHM² − 8 ln 2 Δ²/12). The azimuth scan comes
/// first; the elevation scan then runs through the azimuth peak found (through the source's place
/// when there is none). A Gaussian on a straight baseline is fitted to each axis (FitGaussian) in
/// linear power.
class CrossScan final : public Procedure {
public:
    CrossScan(const ScanSettings& settings, ProcedureContext context);

    const CrossScanResult& Result() const { return result_; }

private:
    std::optional<Visit> Next(DateTime utc) override;
    void Took(const Visit& visit, const Reading& reading) override;
    void Conclude(bool partial) override;
    int PlannedVisits() const override;
    double LowestElevationOffsetDeg() const override;

    /// Fits an axis from its points.
    void FitAxis(int axis);
    double SpanDeg() const { return Settings().SpanBeams * Settings().BeamwidthDeg; }

    int axis_ = 0;
    int next_ = 0; ///< the next point (or stage of a continuous axis) of the axis
    double elevationScanAzDeg_ = 0;
    double elevationSum_ = 0;
    int elevationCount_ = 0;
    CrossScanResult result_;
};

} // namespace vantrel::scan
