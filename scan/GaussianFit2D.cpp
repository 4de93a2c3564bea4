#include "scan/GaussianFit2D.h"

#include "scan/GslHandles.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_vector.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

namespace vantrel::scan {

namespace {

const double kHalfPowerConstant = 4.0 * std::numbers::ln2;
constexpr std::size_t kParameters = 8; // A, X0, Y0, Wx, Wy, B0, Bx, By
constexpr std::size_t kLeastPoints = 9;
constexpr std::size_t kMostIterations = 300;
constexpr double kTolerance = 1e-10;
constexpr double kLeastPeakSigmas = 5.0;
constexpr double kWidestRelativeToRange = 2.0;

struct Data {
    std::vector<double> X; ///< x − XRef
    std::vector<double> Y; ///< y − YRef
    std::vector<double> P; ///< power / scale
};

double Shape(double u, double v, double wx, double wy) {
    return std::exp(-kHalfPowerConstant * (u * u / (wx * wx) + v * v / (wy * wy)));
}

int Residuals(const gsl_vector* p, void* data, gsl_vector* f) {
    const auto& d = *static_cast<const Data*>(data);
    const double a = gsl_vector_get(p, 0);
    const double x0 = gsl_vector_get(p, 1);
    const double y0 = gsl_vector_get(p, 2);
    const double wx = gsl_vector_get(p, 3);
    const double wy = gsl_vector_get(p, 4);
    const double b0 = gsl_vector_get(p, 5);
    const double bx = gsl_vector_get(p, 6);
    const double by = gsl_vector_get(p, 7);
    for (std::size_t i = 0; i < d.X.size(); ++i) {
        const double model =
            b0 + bx * d.X[i] + by * d.Y[i] + a * Shape(d.X[i] - x0, d.Y[i] - y0, wx, wy);
        gsl_vector_set(f, i, model - d.P[i]);
    }
    return GSL_SUCCESS;
}

int Jacobian(const gsl_vector* p, void* data, gsl_matrix* j) {
    const auto& d = *static_cast<const Data*>(data);
    const double a = gsl_vector_get(p, 0);
    const double x0 = gsl_vector_get(p, 1);
    const double y0 = gsl_vector_get(p, 2);
    const double wx = gsl_vector_get(p, 3);
    const double wy = gsl_vector_get(p, 4);
    const double c2 = 2.0 * kHalfPowerConstant;
    for (std::size_t i = 0; i < d.X.size(); ++i) {
        const double u = d.X[i] - x0;
        const double v = d.Y[i] - y0;
        const double g = Shape(u, v, wx, wy);
        gsl_matrix_set(j, i, 0, g);
        gsl_matrix_set(j, i, 1, a * g * c2 * u / (wx * wx));
        gsl_matrix_set(j, i, 2, a * g * c2 * v / (wy * wy));
        gsl_matrix_set(j, i, 3, a * g * c2 * u * u / (wx * wx * wx));
        gsl_matrix_set(j, i, 4, a * g * c2 * v * v / (wy * wy * wy));
        gsl_matrix_set(j, i, 5, 1.0);
        gsl_matrix_set(j, i, 6, d.X[i]);
        gsl_matrix_set(j, i, 7, d.Y[i]);
    }
    return GSL_SUCCESS;
}

} // namespace

double GaussianFit2D::BaselineAt(double x, double y) const {
    return Base + SlopeX * (x - XRef) + SlopeY * (y - YRef);
}

double GaussianFit2D::At(double x, double y) const {
    return BaselineAt(x, y) + Amplitude * Shape(x - CentreX, y - CentreY, WidthX, WidthY);
}

double GaussianFit2D::PeakYDb() const {
    const double base = BaselineAt(CentreX, CentreY);
    if (!(base > 0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return 10.0 * std::log10((base + Amplitude) / base);
}

GaussianFit2DResult FitGaussian2D(std::span<const GridPoint> points, double widthGuess) {
    gsl_set_error_handler_off(); // every failure is read from the status codes
    GaussianFit2DResult out;
    const std::size_t n = points.size();
    if (n < kLeastPoints) {
        out.Problem = "Too few points to fit the beam: " + std::to_string(n) + " taken, at least " +
                      std::to_string(kLeastPoints) + " needed.";
        return out;
    }
    bool weighted = true;
    double xlo = points[0].X, xhi = points[0].X, ylo = points[0].Y, yhi = points[0].Y;
    std::vector<double> powers;
    powers.reserve(n);
    for (const GridPoint& p : points) {
        if (!std::isfinite(p.X) || !std::isfinite(p.Y) || !std::isfinite(p.Power) ||
            !(p.Power > 0)) {
            out.Problem = "A point of the grid has no valid power.";
            return out;
        }
        weighted = weighted && std::isfinite(p.Sigma) && p.Sigma > 0;
        xlo = std::min(xlo, p.X);
        xhi = std::max(xhi, p.X);
        ylo = std::min(ylo, p.Y);
        yhi = std::max(yhi, p.Y);
        powers.push_back(p.Power);
    }
    const double xRange = xhi - xlo;
    const double yRange = yhi - ylo;
    if (!(xRange > 0) || !(yRange > 0) || !(widthGuess > 0)) {
        out.Problem = "The points of the grid do not spread out in both directions.";
        return out;
    }
    std::nth_element(powers.begin(), powers.begin() + static_cast<std::ptrdiff_t>(n / 2),
                     powers.end());
    const double scale = powers[n / 2];
    const double xRef = 0.5 * (xlo + xhi);
    const double yRef = 0.5 * (ylo + yhi);
    Data data;
    std::size_t top = 0;
    double lowest = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < n; ++i) {
        data.X.push_back(points[i].X - xRef);
        data.Y.push_back(points[i].Y - yRef);
        data.P.push_back(points[i].Power / scale);
        if (data.P[i] > data.P[top]) {
            top = i;
        }
        lowest = std::min(lowest, data.P[i]);
    }
    // The start: the baseline at the lowest point, the peak at the highest,
    // the expected width.
    const double w0 =
        std::clamp(widthGuess, std::min(xRange, yRange) / 20.0, std::max(xRange, yRange));
    const double start[kParameters] = {
        data.P[top] - lowest, data.X[top], data.Y[top], w0, w0, lowest, 0.0, 0.0};

    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = Residuals;
    fdf.df = Jacobian;
    fdf.n = n;
    fdf.p = kParameters;
    fdf.params = &data;
    gsl_multifit_nlinear_parameters parameters = gsl_multifit_nlinear_default_parameters();
    const GslNlinear work(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &parameters, n, kParameters));
    const GslVector x(gsl_vector_alloc(kParameters));
    const GslVector weights(gsl_vector_alloc(n));
    const GslMatrix covariance(gsl_matrix_alloc(kParameters, kParameters));
    if (!work || !x || !weights || !covariance) {
        out.Problem = "No memory for the fit.";
        return out;
    }
    for (std::size_t i = 0; i < kParameters; ++i) {
        gsl_vector_set(x.get(), i, start[i]);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const double sigma = weighted ? points[i].Sigma / scale : 1.0;
        gsl_vector_set(weights.get(), i, 1.0 / (sigma * sigma));
    }
    gsl_multifit_nlinear_winit(x.get(), weights.get(), &fdf, work.get());
    int info = 0;
    const int status = gsl_multifit_nlinear_driver(kMostIterations, kTolerance, kTolerance, 0.0,
                                                   nullptr, nullptr, &info, work.get());
    const gsl_vector* best = gsl_multifit_nlinear_position(work.get());
    const gsl_vector* residual = gsl_multifit_nlinear_residual(work.get());
    double chiSquare = 0;
    gsl_blas_ddot(residual, residual, &chiSquare);
    const double reduced = chiSquare / static_cast<double>(n - kParameters);
    gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(work.get()), 0.0, covariance.get());
    const double errorScale = weighted ? std::sqrt(std::max(1.0, reduced)) : std::sqrt(reduced);
    const auto sigmaOf = [&](std::size_t i) {
        return errorScale * std::sqrt(std::max(0.0, gsl_matrix_get(covariance.get(), i, i)));
    };

    GaussianFit2D fit;
    fit.Amplitude = gsl_vector_get(best, 0) * scale;
    fit.CentreX = gsl_vector_get(best, 1) + xRef;
    fit.CentreY = gsl_vector_get(best, 2) + yRef;
    fit.WidthX = std::fabs(gsl_vector_get(best, 3));
    fit.WidthY = std::fabs(gsl_vector_get(best, 4));
    fit.Base = gsl_vector_get(best, 5) * scale;
    fit.SlopeX = gsl_vector_get(best, 6) * scale;
    fit.SlopeY = gsl_vector_get(best, 7) * scale;
    fit.XRef = xRef;
    fit.YRef = yRef;
    fit.AmplitudeSigma = sigmaOf(0) * scale;
    fit.CentreXSigma = sigmaOf(1);
    fit.CentreYSigma = sigmaOf(2);
    fit.WidthXSigma = sigmaOf(3);
    fit.WidthYSigma = sigmaOf(4);
    fit.ReducedChiSquare = reduced;
    fit.Iterations = static_cast<int>(gsl_multifit_nlinear_niter(work.get()));

    const bool finite = std::isfinite(fit.Amplitude) && std::isfinite(fit.CentreX) &&
                        std::isfinite(fit.CentreY) && std::isfinite(fit.WidthX) &&
                        std::isfinite(fit.WidthY) && std::isfinite(fit.CentreXSigma) &&
                        std::isfinite(fit.CentreYSigma);
    const bool peak = finite && fit.Amplitude > kLeastPeakSigmas * fit.AmplitudeSigma;
    if (!peak) {
        out.Problem = "No peak stands out of the grid: the source is not in it, or too weak for "
                      "this integration time.";
        return out;
    }
    if (fit.CentreX < xlo || fit.CentreX > xhi || fit.CentreY < ylo || fit.CentreY > yhi) {
        out.Problem = "The peak lies outside the grid: widen the spacing, or apply the offsets "
                      "found so far and map again.";
        return out;
    }
    if (!(fit.WidthX > 0) || !(fit.WidthY > 0) || fit.WidthX > kWidestRelativeToRange * xRange ||
        fit.WidthY > kWidestRelativeToRange * yRange) {
        out.Problem = "The beam comes out wider than the grid: widen the spacing.";
        return out;
    }
    if (status != GSL_SUCCESS && status != GSL_ENOPROG) {
        out.Problem =
            "The fit of the beam did not converge: " + std::string(gsl_strerror(status)) + ".";
        return out;
    }
    out.Fit = fit;
    return out;
}

} // namespace vantrel::scan
