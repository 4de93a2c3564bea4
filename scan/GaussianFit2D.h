#pragma once

#include <optional>
#include <span>
#include <string>

namespace vantrel::scan {

/// One point of a grid: where on the sky (offsets from the source,
/// degrees: azimuth as a true angle, elevation) and what (linear power).
struct GridPoint {
    double X = 0;     ///< azimuth offset on the sky, degrees
    double Y = 0;     ///< elevation offset, degrees
    double Power = 0; ///< linear power, > 0
    double Sigma = 0; ///< one-sigma uncertainty of Power; 0 or NaN when unknown
};

/// An elliptical Gaussian beam, its axes along azimuth and elevation, on a
/// plane baseline:
///   P(x, y) = B0 + Bx (x − XRef) + By (y − YRef)
///             + A exp(−4 ln 2 [(x − X0)²/Wx² + (y − Y0)²/Wy²])
/// Wx and Wy the full widths at half maximum (the half-power beamwidths in
/// azimuth on the sky and in elevation). Errors one sigma, from the
/// covariance scaled by √(χ²/dof) when that is above 1, as FitGaussian does.
struct GaussianFit2D {
    double Amplitude = 0;
    double CentreX = 0; ///< X0, degrees
    double CentreY = 0; ///< Y0, degrees
    double WidthX = 0;  ///< Wx, degrees, > 0
    double WidthY = 0;  ///< Wy, degrees, > 0
    double Base = 0;    ///< B0 at (XRef, YRef)
    double SlopeX = 0;
    double SlopeY = 0;
    double XRef = 0;
    double YRef = 0;
    double AmplitudeSigma = 0;
    double CentreXSigma = 0;
    double CentreYSigma = 0;
    double WidthXSigma = 0;
    double WidthYSigma = 0;
    double ReducedChiSquare = 0;
    int Iterations = 0;

    double At(double x, double y) const;
    double BaselineAt(double x, double y) const;
    /// Peak over the baseline at the centre, dB; NaN when the baseline is not positive.
    double PeakYDb() const;
};

struct GaussianFit2DResult {
    std::optional<GaussianFit2D> Fit;
    std::string Problem; ///< why there is no fit, a sentence
};

/// Fits the beam above to `points` by nonlinear least squares (GSL's
/// gsl_multifit_nlinear, trust region with Levenberg-Marquardt steps,
/// analytic Jacobian; weights 1/σ² when every point has a sigma).
///
/// Given: at least 9 points spread in both directions, powers positive
/// and finite; `widthGuess` the expected beamwidth, degrees.
/// Returned: the fit, or why there is none: too few points, no peak (the
/// amplitude not five of its sigmas), the centre outside the grid, a width
/// not positive or more than twice the grid, no convergence.
/// Reference: GSL Reference Manual, "Nonlinear Least-Squares Fitting".
GaussianFit2DResult FitGaussian2D(std::span<const GridPoint> points, double widthGuess);

} // namespace vantrel::scan
