#pragma once

#include "scan/GaussianFit.h"
#include "scan/Procedure.h"

#include <optional>
#include <string>
#include <vector>

namespace vantrel::scan {

/// The outcome of a drift scan.
struct DriftScanResult {
    std::vector<ScanPoint> Points;  ///< X: seconds from the predicted passage; Power: linear
    std::optional<GaussianFit> Fit; ///< over time, seconds
    std::string Problem;            ///< why there is no fit, when there is none
    DateTime PredictedUtc = 0;      ///< when the source should pass the beam's centre
    /// The source's speed across the sky at that moment, degrees a second:
    /// 15.04°/h · cos(declination) for a star (the Sun and the Moon a
    /// little slower), from its own places a minute apart.
    double RateDegPerS = 0;
    /// The azimuth share of its direction of motion on the sky (−1..1): 1
    /// moving along the horizon towards larger azimuth, 0 straight up or
    /// down.
    double AlongAzimuth = 0;
    double AlongElevation = 0; ///< the elevation share of it (−1..1): 1 rising straight up
    double DeclinationDeg = 0; ///< the source's declination, degrees
    double ElevationDeg = 0;   ///< where the antenna was held, degrees
    double AzimuthDeg = 0;

    /// The antenna's beamwidth along the track, degrees: the fitted width
    /// in time times RateDegPerS (so corrected for the declination), a
    /// disk's own width taken off; with its one-sigma error.
    std::optional<double> BeamwidthDeg;
    std::optional<double> BeamwidthSigmaDeg;
    /// The width on the source along the track, degrees: BeamwidthDeg
    /// before a disk's own width is taken off (BeamOfDiskScan; the Sun, the
    /// Moon); the same for a point source.
    std::optional<double> WidthOnSourceDeg;
    /// Why the disk could not be taken off; empty otherwise.
    std::string DiskProblem;
    /// When the peak passed, UTC, and how much later than predicted, s.
    std::optional<DateTime> PeakUtc;
    std::optional<double> TimeOffsetS;
    std::optional<double> TimeOffsetSigmaS;
    /// The azimuth offset on the sky, degrees, as a cross-scan gives it
    /// (added to tracking it points the beam at the source), taking the
    /// elevation as right: −TimeOffset · Rate / AlongAzimuth. None where
    /// the source moves mostly in elevation (|AlongAzimuth| < 0.2).
    std::optional<double> AzimuthOffsetDeg;
    /// Its one-sigma error: the fit's time error at the source's rate and
    /// the uncertainty of where the rotator stood along the track (the
    /// spread of its reports and their resolution q, q/√12), added in
    /// quadrature, over |AlongAzimuth|.
    std::optional<double> AzimuthOffsetSigmaDeg;
    /// Where the rotator reported to stand during the drift against where
    /// it was sent, along the source's track, degrees (the passage it
    /// meets is this much / the rate later; taken off the time offset);
    /// and the one-sigma uncertainty of where it stood along the track.
    double HeldAlongDeg = 0;
    double HeldSigmaDeg = 0;
    std::optional<double> PeakYDb;
    bool Partial = false;
    /// The source's disk diameter taken off the widths, degrees; 0 for a point.
    double SourceDiskDeg = 0;
};

/// For an antenna without elevation control or a fixed dish: the antenna
/// is pointed ahead of the source, to where it will stand a lead time plus
/// half the scan later, held there, and every block is recorded while the
/// source drifts through, ±SpanBeams beamwidths of its track. A Gaussian
/// on a straight baseline is fitted over time.
///
/// The lead is 30 s or a tenth of the scan, whichever is longer: time for
/// the rotator to get there and settle before the source comes near.
///
/// The passage is timed against where the rotator reported to stand (the
/// mean of its reports during the drift), not where it was sent: a
/// rotator arrived within its tolerance stands up to a tenth of the beam
/// off it, which would shift the passage and the azimuth offset found.
class DriftScan final : public Procedure {
public:
    DriftScan(const ScanSettings& settings, ProcedureContext context);

    const DriftScanResult& Result() const { return result_; }

    /// The least lead, seconds.
    static constexpr double kLeastLeadS = 30.0;
    /// A source slower than this across the sky is refused, °/s (a drift
    /// would take more than a day for a 1° beam).
    static constexpr double kSlowestRateDegPerS = 1.0 / 86400.0;

private:
    std::optional<Visit> Next(DateTime utc) override;
    void Took(const Visit& visit, const Reading& reading) override;
    void Conclude(bool partial) override;
    int PlannedVisits() const override { return 1; }

    bool planned_ = false;
    DriftScanResult result_;
    /// The rotator's reports during the drift: on the sky, and its own
    /// values (for their resolution).
    std::vector<SkyDirection> pointed_;
    std::vector<double> reportedValues_;
};

} // namespace vantrel::scan
