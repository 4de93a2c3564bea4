#pragma once

#include <optional>
#include <span>
#include <string>

namespace vantrel::scan {

/// One point of a scan: where (an offset in degrees, or a time in seconds)
/// and what (linear power, any positive scale).
struct ScanPoint {
    double X = 0;     ///< degrees on the sky, or seconds
    double Power = 0; ///< linear power, > 0
    /// One-sigma uncertainty of Power, same unit; 0 or NaN when unknown
    /// (every point then weighs alike and the scatter sets the errors).
    double Sigma = 0;
};

/// A Gaussian beam on a straight baseline:
///   P(x) = B0 + B1 (x − XRef) + A exp(−4 ln 2 (x − X0)² / W²)
/// W is the full width at half maximum (the half-power beamwidth when x is
/// an angle). Errors are one sigma, from the fit's covariance scaled by
/// √(χ²/dof) when that is above 1 (the scatter is larger than the points'
/// own sigmas say), so they are never smaller than the scatter allows.
struct GaussianFit {
    double Amplitude = 0; ///< A, the unit of the powers
    double Centre = 0;    ///< X0, the unit of x
    double Width = 0;     ///< W (FWHM), the unit of x, > 0
    double Base = 0;      ///< B0, the baseline at XRef
    double Slope = 0;     ///< B1, per unit of x
    double XRef = 0;      ///< the middle of the points' x range, where B0 holds
    double AmplitudeSigma = 0;
    double CentreSigma = 0;
    double WidthSigma = 0;
    /// χ² per degree of freedom: with the points' sigmas about 1 for a good
    /// fit; without them the mean squared residual relative to the baseline.
    double ReducedChiSquare = 0;
    int Iterations = 0;

    /// The fitted curve at `x`.
    double At(double x) const;
    /// The baseline at `x`.
    double BaselineAt(double x) const;
    /// Peak over baseline at the centre as a power ratio in dB:
    /// 10 log10((B + A)/B) with B the baseline at X0; NaN when B <= 0.
    double PeakYDb() const;
};

/// The outcome of a fit: the curve, or why there is none (a sentence for
/// the user).
struct GaussianFitResult {
    std::optional<GaussianFit> Fit;
    std::string Problem;
};

/// Fits a Gaussian with a linear baseline to `points` by nonlinear least
/// squares (GSL's gsl_multifit_nlinear, trust region with Levenberg-
/// Marquardt steps and an analytic Jacobian; points weighted by 1/σ² when
/// every one has a sigma).
///
/// Given:
///   points      at least 6, in any order; powers positive and finite
///   widthGuess  the expected FWHM, same unit as x, > 0 (the beamwidth the
///               antenna should have): the start of the search
/// Returned:
///   the fit, or a problem when there is none worth having: too few
///   points, no peak (the amplitude not above five of its sigmas), the
///   centre outside the points' range, a width that is not positive or is
///   more than twice the range, or no convergence.
/// Reference: GSL Reference Manual, "Nonlinear Least-Squares Fitting";
/// the covariance scaling as in its Gaussian-fitting example.
GaussianFitResult FitGaussian(std::span<const ScanPoint> points, double widthGuess);

} // namespace vantrel::scan
