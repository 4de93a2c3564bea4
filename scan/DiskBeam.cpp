#include "scan/DiskBeam.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_integration.h>
#include <gsl/gsl_roots.h>
#include <gsl/gsl_sf_erf.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

namespace vantrel::scan {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
/// FWHM = σ √(8 ln 2) for a Gaussian.
const double kFwhmPerSigma = std::sqrt(8.0 * std::numbers::ln2);
constexpr double kQuadratureRelError = 1e-10;
constexpr std::size_t kQuadratureIntervals = 200;
/// Root searches end within this share of the beam (or width).
constexpr double kRootRelError = 1e-10;
constexpr int kMostIterations = 200;
/// The inverse searches beams from this share of the disk up to the width:
/// W is least, about 0.94 θd, near θb = 0.46 θd and rises from there,
/// passing θd at θb = 0.72 θd.
constexpr double kLowestBeamPerDisk = 0.5;
/// Step of the numerical slope dW/dθb, share of θb.
constexpr double kSlopeStep = 1e-4;
/// FitGaussian's least number of points.
constexpr std::size_t kLeastFitPoints = 6;
/// The beam matching the fit is sought within this share of the FWHM's.
constexpr double kFitBracket = 0.2;
/// The fit converges to about 1e-8 of the width: the root and the slope
/// through it are sought no finer.
constexpr double kFitRootRelError = 1e-6;
constexpr double kFitSlopeStep = 1e-3;

struct Profile {
    double RadiusDeg;
    double SigmaDeg;
    double XDeg;
};

/// The integrand of P(x) after u = R sin t.
double Integrand(double t, void* params) {
    const auto& p = *static_cast<const Profile*>(params);
    const double u = p.RadiusDeg * std::sin(t);
    const double halfChord = p.RadiusDeg * std::cos(t);
    const double d = p.XDeg - u;
    return std::exp(-d * d / (2.0 * p.SigmaDeg * p.SigmaDeg)) *
           gsl_sf_erf(halfChord / (std::numbers::sqrt2 * p.SigmaDeg)) * halfChord;
}

struct WorkspaceFree {
    void operator()(gsl_integration_workspace* w) const { gsl_integration_workspace_free(w); }
};
struct SolverFree {
    void operator()(gsl_root_fsolver* s) const { gsl_root_fsolver_free(s); }
};

/// P(x), unnormalised; NaN when the quadrature fails.
double ProfileAt(double xDeg, double radiusDeg, double sigmaDeg) {
    std::unique_ptr<gsl_integration_workspace, WorkspaceFree> work(
        gsl_integration_workspace_alloc(kQuadratureIntervals));
    Profile p{radiusDeg, sigmaDeg, xDeg};
    gsl_function f{&Integrand, &p};
    double value = 0;
    double error = 0;
    const int status = gsl_integration_qag(&f, -std::numbers::pi / 2, std::numbers::pi / 2, 0.0,
                                           kQuadratureRelError, kQuadratureIntervals,
                                           GSL_INTEG_GAUSS31, work.get(), &value, &error);
    return status == GSL_SUCCESS ? value : kNaN;
}

/// A root of `fn` in [lo, hi] by Brent's method; NaN when there is none.
template <typename Fn> double Root(Fn fn, double lo, double hi, double tolerance) {
    gsl_function f{[](double x, void* self) { return (*static_cast<Fn*>(self))(x); }, &fn};
    const double flo = fn(lo);
    const double fhi = fn(hi);
    if (!std::isfinite(flo) || !std::isfinite(fhi) || flo * fhi > 0) {
        return kNaN;
    }
    if (flo == 0) {
        return lo;
    }
    if (fhi == 0) {
        return hi;
    }
    std::unique_ptr<gsl_root_fsolver, SolverFree> solver(
        gsl_root_fsolver_alloc(gsl_root_fsolver_brent));
    if (gsl_root_fsolver_set(solver.get(), &f, lo, hi) != GSL_SUCCESS) {
        return kNaN;
    }
    for (int i = 0; i < kMostIterations; ++i) {
        if (gsl_root_fsolver_iterate(solver.get()) != GSL_SUCCESS) {
            return kNaN;
        }
        const double a = gsl_root_fsolver_x_lower(solver.get());
        const double b = gsl_root_fsolver_x_upper(solver.get());
        if (gsl_root_test_interval(a, b, tolerance, 0.0) == GSL_SUCCESS) {
            return gsl_root_fsolver_root(solver.get());
        }
    }
    return kNaN;
}

/// GSL's error handler aborts by default: every failure here is a status.
struct QuietGsl {
    QuietGsl() : previous(gsl_set_error_handler_off()) {}
    ~QuietGsl() { gsl_set_error_handler(previous); }
    gsl_error_handler_t* previous;
};

} // namespace

double DiskScanWidthDeg(double beamDeg, double diskDeg) {
    if (!(std::isfinite(beamDeg) && beamDeg > 0 && std::isfinite(diskDeg) && diskDeg >= 0)) {
        return kNaN;
    }
    if (diskDeg == 0) {
        return beamDeg;
    }
    const QuietGsl quiet;
    const double radius = diskDeg / 2;
    const double sigma = beamDeg / kFwhmPerSigma;
    const double half = 0.5 * ProfileAt(0, radius, sigma);
    const double x = Root([&](double at) { return ProfileAt(at, radius, sigma) - half; }, 0.0,
                          radius + 2.0 * beamDeg, kRootRelError * beamDeg);
    return 2.0 * x;
}

std::optional<double> BeamOfDiskScanDeg(double widthDeg, double diskDeg) {
    if (!(std::isfinite(widthDeg) && widthDeg > 0 && std::isfinite(diskDeg) && diskDeg >= 0)) {
        return std::nullopt;
    }
    if (diskDeg == 0) {
        return widthDeg;
    }
    if (widthDeg <= diskDeg) {
        return std::nullopt;
    }
    // Above the disk's own width W rises with θb from a beam of half the
    // disk (where it is below the disk's) on: the root there is the one.
    const double beam = Root([&](double b) { return DiskScanWidthDeg(b, diskDeg) - widthDeg; },
                             kLowestBeamPerDisk * diskDeg, widthDeg, kRootRelError * widthDeg);
    if (!std::isfinite(beam)) {
        return std::nullopt;
    }
    return beam;
}

double FittedDiskWidthDeg(double beamDeg, double diskDeg, std::span<const ScanPoint> points,
                          const GaussianFit& fit, double degPerX) {
    if (!(std::isfinite(beamDeg) && beamDeg > 0 && std::isfinite(diskDeg) && diskDeg >= 0 &&
          degPerX > 0)) {
        return kNaN;
    }
    const QuietGsl quiet;
    const double radius = diskDeg / 2;
    const double sigma = beamDeg / kFwhmPerSigma;
    const auto at = [&](double x) {
        return diskDeg == 0 ? std::exp(-x * x / (2.0 * sigma * sigma))
                            : ProfileAt(x, radius, sigma);
    };
    const double peak = at(0);
    std::vector<ScanPoint> model;
    model.reserve(points.size());
    for (const ScanPoint& p : points) {
        const double power =
            fit.BaselineAt(p.X) + fit.Amplitude * at((p.X - fit.Centre) * degPerX) / peak;
        const double relative = p.Power > 0 && p.Sigma > 0 ? p.Sigma / p.Power : 0.0;
        model.push_back({p.X, power, relative * power});
    }
    const GaussianFitResult fitted =
        FitGaussian(model, DiskScanWidthDeg(beamDeg, diskDeg) / degPerX);
    return fitted.Fit ? fitted.Fit->Width * degPerX : kNaN;
}

std::optional<DiskBeam> BeamOfDiskScan(double widthDeg, double widthSigmaDeg, double diskDeg,
                                       std::span<const ScanPoint> points, const GaussianFit* fit,
                                       double degPerX) {
    const std::optional<double> fwhmBeam = BeamOfDiskScanDeg(widthDeg, diskDeg);
    if (!fwhmBeam) {
        return std::nullopt;
    }
    if (diskDeg == 0) {
        return DiskBeam{*fwhmBeam, widthSigmaDeg};
    }
    const bool asFitted = fit != nullptr && points.size() >= kLeastFitPoints;
    const auto width = [&](double beam) {
        return asFitted ? FittedDiskWidthDeg(beam, diskDeg, points, *fit, degPerX)
                        : DiskScanWidthDeg(beam, diskDeg);
    };
    double beam = *fwhmBeam;
    if (asFitted) {
        // The fit's width lies within a few per cent of the FWHM.
        const double solved =
            Root([&](double b) { return width(b) - widthDeg; }, (1 - kFitBracket) * beam,
                 (1 + kFitBracket) * beam, kFitRootRelError * widthDeg);
        if (!std::isfinite(solved)) {
            return std::nullopt;
        }
        beam = solved;
    }
    DiskBeam out{beam, widthSigmaDeg};
    const double h = (asFitted ? kFitSlopeStep : kSlopeStep) * beam;
    const double slope = (width(beam + h) - width(beam - h)) / (2.0 * h);
    out.BeamSigmaDeg = slope > 0 ? widthSigmaDeg / slope : kNaN;
    return out;
}

std::string DiskWidthProblem(double widthDeg, double diskDeg) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "The width on the source, %.3f°, is not above the disk's %.3f°: the "
                  "beam cannot be told from it; the width is shown as fitted.",
                  widthDeg, diskDeg);
    return text;
}

} // namespace vantrel::scan
