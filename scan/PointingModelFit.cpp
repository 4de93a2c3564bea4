#include "scan/PointingModelFit.h"

#include "scan/GslHandles.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>
#include <gsl/gsl_multifit.h>
#include <gsl/gsl_vector.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace vantrel::scan {

namespace {

constexpr double kRad = std::numbers::pi / 180.0;
constexpr std::size_t kTerms = 6; // IA, CA, AN, AW, IE, TF
constexpr std::size_t kLeastMeasurements = 4;
constexpr double kLeastAzimuthSpreadDeg = 60.0;
constexpr double kLeastElevationSpreadDeg = 15.0;

/// The rows of the design matrix for one measurement: DX and DY.
std::array<std::array<double, kTerms>, 2> Rows(double azDeg, double elDeg) {
    const double a = azDeg * kRad;
    const double e = elDeg * kRad;
    return {{{std::cos(e), 1.0, std::sin(a) * std::sin(e), -std::cos(a) * std::sin(e), 0.0, 0.0},
             {0.0, 0.0, std::cos(a), std::sin(a), 1.0, std::cos(e)}}};
}

/// The widest gap between neighbouring azimuths, taken the other way round,
/// is what the azimuths do not cover: 360° less it is their spread.
double AzimuthSpreadDeg(std::span<const PointingMeasurement> m) {
    std::vector<double> az;
    for (const PointingMeasurement& p : m) {
        az.push_back(std::fmod(std::fmod(p.AzimuthDeg, 360.0) + 360.0, 360.0));
    }
    std::sort(az.begin(), az.end());
    double widestGap = 360.0 - (az.back() - az.front());
    for (std::size_t i = 1; i < az.size(); ++i) {
        widestGap = std::max(widestGap, az[i] - az[i - 1]);
    }
    return 360.0 - widestGap;
}

} // namespace

PointingModelFitResult FitPointingModel(std::span<const PointingMeasurement> measurements) {
    gsl_set_error_handler_off();
    PointingModelFitResult out;
    const std::size_t n = measurements.size();
    if (n < kLeastMeasurements) {
        out.Problem = "A pointing model needs at least " + std::to_string(kLeastMeasurements) +
                      " scans; " + std::to_string(n) + " found the source.";
        return out;
    }
    double elLo = 90;
    double elHi = -90;
    for (const PointingMeasurement& m : measurements) {
        if (!(m.DxSigmaDeg > 0) || !(m.DySigmaDeg > 0) || !std::isfinite(m.DxDeg) ||
            !std::isfinite(m.DyDeg)) {
            out.Problem = "A scan of " + m.Source + " has no offsets with errors.";
            return out;
        }
        elLo = std::min(elLo, m.ElevationDeg);
        elHi = std::max(elHi, m.ElevationDeg);
    }
    if (AzimuthSpreadDeg(measurements) < kLeastAzimuthSpreadDeg ||
        elHi - elLo < kLeastElevationSpreadDeg) {
        out.Problem = "The scans do not spread far enough over the sky (at least 60° of azimuth "
                      "and 15° of elevation) to tell the terms apart: add sources elsewhere.";
        return out;
    }
    const std::size_t rows = 2 * n;
    const GslMatrix x(gsl_matrix_alloc(rows, kTerms));
    const GslVector y(gsl_vector_alloc(rows));
    const GslVector w(gsl_vector_alloc(rows));
    const GslVector c(gsl_vector_alloc(kTerms));
    const GslMatrix cov(gsl_matrix_alloc(kTerms, kTerms));
    const GslLinear work(gsl_multifit_linear_alloc(rows, kTerms));
    for (std::size_t i = 0; i < n; ++i) {
        const PointingMeasurement& m = measurements[i];
        const auto r = Rows(m.AzimuthDeg, m.ElevationDeg);
        for (std::size_t k = 0; k < kTerms; ++k) {
            gsl_matrix_set(x.get(), 2 * i, k, r[0][k]);
            gsl_matrix_set(x.get(), 2 * i + 1, k, r[1][k]);
        }
        gsl_vector_set(y.get(), 2 * i, m.DxDeg);
        gsl_vector_set(y.get(), 2 * i + 1, m.DyDeg);
        gsl_vector_set(w.get(), 2 * i, 1.0 / (m.DxSigmaDeg * m.DxSigmaDeg));
        gsl_vector_set(w.get(), 2 * i + 1, 1.0 / (m.DySigmaDeg * m.DySigmaDeg));
    }
    double chiSquare = 0;
    if (gsl_multifit_wlinear(x.get(), w.get(), y.get(), c.get(), cov.get(), &chiSquare,
                             work.get()) != GSL_SUCCESS) {
        out.Problem = "The pointing model cannot be fitted to these scans.";
        return out;
    }
    const double dof = static_cast<double>(rows - kTerms);
    out.ReducedChiSquare = dof > 0 ? chiSquare / dof : 0;
    const double scale = std::sqrt(std::max(1.0, out.ReducedChiSquare));
    PointingModel model;
    double* terms[kTerms] = {&model.IaDeg, &model.CaDeg, &model.AnDeg,
                             &model.AwDeg, &model.IeDeg, &model.TfDeg};
    for (std::size_t k = 0; k < kTerms; ++k) {
        *terms[k] = gsl_vector_get(c.get(), k);
        out.SigmaDeg[k] = scale * std::sqrt(std::max(0.0, gsl_matrix_get(cov.get(), k, k)));
    }
    double sumSq = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const PointingMeasurement& m = measurements[i];
        const auto r = Rows(m.AzimuthDeg, m.ElevationDeg);
        double fx = 0;
        double fy = 0;
        for (std::size_t k = 0; k < kTerms; ++k) {
            fx += r[0][k] * *terms[k];
            fy += r[1][k] * *terms[k];
        }
        out.Residuals.push_back({m.DxDeg - fx, m.DyDeg - fy});
        sumSq += (m.DxDeg - fx) * (m.DxDeg - fx) + (m.DyDeg - fy) * (m.DyDeg - fy);
    }
    out.RmsDeg = std::sqrt(sumSq / static_cast<double>(rows));
    model.Name = "pointing model of " + std::to_string(n) + " scans";
    out.Model = model;
    return out;
}

} // namespace vantrel::scan
