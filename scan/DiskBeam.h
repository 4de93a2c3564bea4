#pragma once

#include "scan/GaussianFit.h"

#include <optional>
#include <span>
#include <string>

namespace vantrel::scan {

/// The width a scan through the centre of a uniform disk shows when the
/// antenna's beam is a circular Gaussian: the full width at half maximum
/// of the disk convolved with the beam, cut through the disk's centre.
///
/// Given:
///   beamDeg  the beam's half-power beamwidth θb, degrees, > 0
///   diskDeg  the disk's diameter θd, degrees, >= 0 (0: a point source)
/// Returned:
///   the FWHM of the convolution, degrees: θb for a point, about
///   √(θb² + ln 2 · θd²/2) while the disk is small against the beam (the
///   second moments add; 0.03 % more at θd = 0.3 θb), θd as the beam
///   shrinks to nothing. Between, a beam smaller than the disk shows it
///   narrower than it is (the half-power point moves inside the limb):
///   least, 0.94 θd, at θb = 0.46 θd, and θd again at θb = 0.72 θd. NaN
///   for values outside the ranges. Beams below about θd/100 are beyond
///   the quadrature.
///
/// Notes:
/// 1. The response at an offset x along the cut is
///      P(x) = ∫∫_disk exp(−4 ln 2 ((x − u)² + v²)/θb²) du dv
///           ∝ ∫_{−R}^{R} exp(−(x − u)²/(2σ²)) erf(√(R² − u²)/(√2 σ)) du
///    with R = θd/2 and σ = θb/√(8 ln 2): the integral across the cut done
///    in closed form, the one along it numerically by adaptive 31-point
///    Gauss-Kronrod quadrature (GSL's gsl_integration_qag, relative error
///    1e-10) after u = R sin t (which takes the root's infinite slope at
///    ±R out of the integrand).
/// 2. The half-maximum point is found by Brent's method (GSL) to 1e-10 of
///    the beam.
/// 3. A flat (small-angle) sky: θd and θb well below a radian.
/// Reference: J. W. M. Baars, "The measurement of large antennas with
/// cosmic radio sources", IEEE Trans. Antennas Propag. AP-21 (1973)
/// 461-474, section on source-size corrections (a uniform disk through a
/// Gaussian beam).
double DiskScanWidthDeg(double beamDeg, double diskDeg);

/// The beam that makes a fitted width on a uniform disk: the inverse of
/// DiskScanWidthDeg in θb, solved by Brent's method.
///
/// Given:
///   widthDeg  the width fitted to a scan through the disk's centre,
///             degrees, > 0
///   diskDeg   the disk's diameter, degrees, >= 0
/// Returned:
///   θb, degrees (widthDeg itself for diskDeg 0), at least 0.72 θd; none
///   when the width is not more than the disk's own (two beams, or none,
///   give so narrow a scan: a beam below the disk's size, a mistaken disk
///   size or a poor fit) or a value is out of range.
std::optional<double> BeamOfDiskScanDeg(double widthDeg, double diskDeg);

/// The width FitGaussian gives a noise-free scan of a uniform disk through
/// a Gaussian beam taken as a real scan was: at its points' x, on the
/// baseline and with the amplitude fitted to it, each point with the
/// real point's relative sigma. The convolution is not a Gaussian (flatter
/// on top, steeper in the wings), so the fit, which weighs the wings more
/// where the sigmas grow with the power, gives less than its FWHM (about
/// 1 % for a 0.675° beam on a 0.54° disk over ±3 beams).
///
/// Given:
///   beamDeg, diskDeg  as DiskScanWidthDeg
///   points            the scan (x in its own unit), at least 6
///   fit               the fit made to them
///   degPerX           degrees on the sky per unit of x (1 for offsets,
///                     the source's rate for a drift in seconds)
/// Returned:
///   the model's fitted width, degrees; NaN when there is no fit.
double FittedDiskWidthDeg(double beamDeg, double diskDeg, std::span<const ScanPoint> points,
                          const GaussianFit& fit, double degPerX);

/// A beam taken out of a width fitted on a disk, and its error.
struct DiskBeam {
    double BeamDeg = 0;      ///< the antenna's half-power beamwidth, degrees
    double BeamSigmaDeg = 0; ///< its one-sigma error, degrees
};

/// The beam whose scan on the disk, fitted as the scan was, has the width
/// fitted: with the scan's points and fit, W is FittedDiskWidthDeg, else
/// DiskScanWidthDeg; solved by Brent's method near the FWHM solution. The
/// fitted width's one-sigma error is carried through: σb = σw / (dW/dθb),
/// the slope taken numerically at the solution. Degrees; none as
/// BeamOfDiskScanDeg.
std::optional<DiskBeam> BeamOfDiskScan(double widthDeg, double widthSigmaDeg, double diskDeg,
                                       std::span<const ScanPoint> points = {},
                                       const GaussianFit* fit = nullptr, double degPerX = 1.0);

/// Why no beam is taken out of a width on a disk, as a sentence: "The
/// width on the source, 0.500°, is not above the disk's 0.540°: the beam
/// cannot be told from it; the width is shown as fitted."
std::string DiskWidthProblem(double widthDeg, double diskDeg);

} // namespace vantrel::scan
