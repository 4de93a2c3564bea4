#include "scan/GaussianFit.h"

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

/// 4 ln 2: a Gaussian exp(−c u²/W²) is half its peak at u = ±W/2.
const double kHalfPowerConstant = 4.0 * std::numbers::ln2;

constexpr std::size_t kParameters = 5; // A, X0, W, B0, B1
constexpr std::size_t kLeastPoints = kParameters + 1;
constexpr std::size_t kMostIterations = 200;
/// Relative step and gradient below which the search has converged.
constexpr double kStepTolerance = 1e-10;
constexpr double kGradientTolerance = 1e-10;
/// A peak counts when its amplitude is this many of its sigmas.
constexpr double kLeastPeakSigmas = 5.0;
/// The width may not exceed this many times the points' range.
constexpr double kWidestRelativeToRange = 2.0;

struct Data {
    std::vector<double> X; ///< x − XRef
    std::vector<double> Y; ///< power / scale
};

int Residuals(const gsl_vector* p, void* data, gsl_vector* f) {
    const auto& d = *static_cast<const Data*>(data);
    const double a = gsl_vector_get(p, 0);
    const double x0 = gsl_vector_get(p, 1);
    const double w = gsl_vector_get(p, 2);
    const double b0 = gsl_vector_get(p, 3);
    const double b1 = gsl_vector_get(p, 4);
    for (std::size_t i = 0; i < d.X.size(); ++i) {
        const double u = d.X[i] - x0;
        const double model = b0 + b1 * d.X[i] + a * std::exp(-kHalfPowerConstant * u * u / (w * w));
        gsl_vector_set(f, i, model - d.Y[i]);
    }
    return GSL_SUCCESS;
}

int Jacobian(const gsl_vector* p, void* data, gsl_matrix* j) {
    const auto& d = *static_cast<const Data*>(data);
    const double a = gsl_vector_get(p, 0);
    const double x0 = gsl_vector_get(p, 1);
    const double w = gsl_vector_get(p, 2);
    for (std::size_t i = 0; i < d.X.size(); ++i) {
        const double u = d.X[i] - x0;
        const double g = std::exp(-kHalfPowerConstant * u * u / (w * w));
        gsl_matrix_set(j, i, 0, g);
        gsl_matrix_set(j, i, 1, a * g * 2.0 * kHalfPowerConstant * u / (w * w));
        gsl_matrix_set(j, i, 2, a * g * 2.0 * kHalfPowerConstant * u * u / (w * w * w));
        gsl_matrix_set(j, i, 3, 1.0);
        gsl_matrix_set(j, i, 4, d.X[i]);
    }
    return GSL_SUCCESS;
}

/// GSL reports through its error handler, which by default aborts the
/// program: every failure is read from the status codes here instead.
void QuietGsl() {
    static const bool once = [] {
        gsl_set_error_handler_off();
        return true;
    }();
    (void)once;
}

double Median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace

double GaussianFit::BaselineAt(double x) const {
    return Base + Slope * (x - XRef);
}

double GaussianFit::At(double x) const {
    const double u = x - Centre;
    return BaselineAt(x) + Amplitude * std::exp(-kHalfPowerConstant * u * u / (Width * Width));
}

double GaussianFit::PeakYDb() const {
    const double base = BaselineAt(Centre);
    if (!(base > 0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return 10.0 * std::log10((base + Amplitude) / base);
}

GaussianFitResult FitGaussian(std::span<const ScanPoint> points, double widthGuess) {
    QuietGsl();
    GaussianFitResult out;
    if (points.size() < kLeastPoints) {
        out.Problem = "Too few points to fit the beam: " + std::to_string(points.size()) +
                      " taken, at least " + std::to_string(kLeastPoints) + " needed.";
        return out;
    }
    std::vector<ScanPoint> sorted(points.begin(), points.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const ScanPoint& a, const ScanPoint& b) { return a.X < b.X; });
    bool weighted = true;
    for (const ScanPoint& p : sorted) {
        if (!std::isfinite(p.X) || !std::isfinite(p.Power) || !(p.Power > 0)) {
            out.Problem = "A point of the scan has no valid power.";
            return out;
        }
        weighted = weighted && std::isfinite(p.Sigma) && p.Sigma > 0;
    }
    const double lo = sorted.front().X;
    const double hi = sorted.back().X;
    const double range = hi - lo;
    if (!(range > 0) || !(widthGuess > 0)) {
        out.Problem = "The points of the scan do not spread out.";
        return out;
    }

    // Powers scaled to about 1 and x about 0: the search then works on
    // numbers of one size whatever the receiver's unit.
    const std::size_t n = sorted.size();
    std::vector<double> powers(n);
    for (std::size_t i = 0; i < n; ++i) {
        powers[i] = sorted[i].Power;
    }
    const double scale = Median(powers);
    const double xRef = 0.5 * (lo + hi);
    Data data;
    data.X.resize(n);
    data.Y.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        data.X[i] = sorted[i].X - xRef;
        data.Y[i] = sorted[i].Power / scale;
    }

    // The start: a baseline through the two points at either end, the peak
    // at the highest point above it, the expected width.
    const double leftY = 0.5 * (data.Y[0] + data.Y[1]);
    const double rightY = 0.5 * (data.Y[n - 1] + data.Y[n - 2]);
    const double leftX = 0.5 * (data.X[0] + data.X[1]);
    const double rightX = 0.5 * (data.X[n - 1] + data.X[n - 2]);
    const double slope0 = (rightY - leftY) / (rightX - leftX);
    const double base0 = leftY - slope0 * leftX;
    std::size_t top = 0;
    for (std::size_t i = 1; i < n; ++i) {
        if (data.Y[i] - slope0 * data.X[i] > data.Y[top] - slope0 * data.X[top]) {
            top = i;
        }
    }
    const double start[kParameters] = {data.Y[top] - (base0 + slope0 * data.X[top]), data.X[top],
                                       std::clamp(widthGuess, range / 20.0, range), base0, slope0};

    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = Residuals;
    fdf.df = Jacobian;
    fdf.fvv = nullptr;
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
        const double sigma = weighted ? sorted[i].Sigma / scale : 1.0;
        gsl_vector_set(weights.get(), i, 1.0 / (sigma * sigma));
    }
    gsl_multifit_nlinear_winit(x.get(), weights.get(), &fdf, work.get());
    int info = 0;
    const int status =
        gsl_multifit_nlinear_driver(kMostIterations, kStepTolerance, kGradientTolerance, 0.0,
                                    nullptr, nullptr, &info, work.get());
    const gsl_vector* best = gsl_multifit_nlinear_position(work.get());
    const gsl_vector* residual = gsl_multifit_nlinear_residual(work.get());
    double chiSquare = 0;
    gsl_blas_ddot(residual, residual, &chiSquare);
    const double dof = static_cast<double>(n - kParameters);
    const double reduced = chiSquare / dof;
    gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(work.get()), 0.0, covariance.get());
    const double errorScale = weighted ? std::sqrt(std::max(1.0, reduced)) : std::sqrt(reduced);
    const auto sigmaOf = [&](std::size_t i) {
        return errorScale * std::sqrt(std::max(0.0, gsl_matrix_get(covariance.get(), i, i)));
    };

    GaussianFit fit;
    fit.Amplitude = gsl_vector_get(best, 0) * scale;
    fit.Centre = gsl_vector_get(best, 1) + xRef;
    fit.Width = std::fabs(gsl_vector_get(best, 2));
    fit.Base = gsl_vector_get(best, 3) * scale;
    fit.Slope = gsl_vector_get(best, 4) * scale;
    fit.XRef = xRef;
    fit.AmplitudeSigma = sigmaOf(0) * scale;
    fit.CentreSigma = sigmaOf(1);
    fit.WidthSigma = sigmaOf(2);
    fit.ReducedChiSquare = reduced;
    fit.Iterations = static_cast<int>(gsl_multifit_nlinear_niter(work.get()));

    const bool finite = std::isfinite(fit.Amplitude) && std::isfinite(fit.Centre) &&
                        std::isfinite(fit.Width) && std::isfinite(fit.Base) &&
                        std::isfinite(fit.CentreSigma) && std::isfinite(fit.WidthSigma);
    const bool peak = finite && fit.Amplitude > kLeastPeakSigmas * fit.AmplitudeSigma;
    if (peak && (fit.Centre < lo || fit.Centre > hi)) {
        out.Problem = "The peak lies outside the scan: widen the span, or apply the offsets "
                      "found so far and scan again.";
        return out;
    }
    if (!peak) {
        out.Problem = "No peak stands out of the scan: the source is not in it, or too weak "
                      "for this integration time.";
        return out;
    }
    if (!(fit.Width > 0) || fit.Width > kWidestRelativeToRange * range) {
        out.Problem = "The beam comes out wider than the scan: widen the span.";
        return out;
    }
    // No further progress possible is a minimum too, as long as the result
    // is sound; the other failures are said after what they tell of the
    // data (a peak outside the scan makes the search wander).
    if (status != GSL_SUCCESS && status != GSL_ENOPROG) {
        out.Problem =
            "The fit of the beam did not converge: " + std::string(gsl_strerror(status)) + ".";
        return out;
    }
    out.Fit = fit;
    return out;
}

} // namespace vantrel::scan
