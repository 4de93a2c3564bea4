#include "apparent/RadioRefraction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace vantrel {

namespace {

/// ITU-R P.453-14: refractivity constants (K/hPa, K²/hPa), the water vapour
/// pressure over water (hPa, °C) and its enhancement factor.
constexpr double kDryTermKPerHpa = 77.6;
constexpr double kWetTermK = 4810.0;
constexpr double kZeroCelsiusK = 273.15;
constexpr double kVapourA = 6.1121;   // hPa
constexpr double kVapourB = 18.678;   // dimensionless
constexpr double kVapourC = 257.14;   // °C
constexpr double kVapourD = 234.5;    // °C
constexpr double kEnhancementA = 7.2; // the factor's terms, ×10⁻⁴
constexpr double kEnhancementB = 0.0320;
constexpr double kEnhancementC = 5.9e-6;
constexpr double kEnhancementScale = 1e-4;
constexpr double kPercent = 100.0;

/// The mean Earth radius and the scale height of the ITU-R P.453 reference
/// atmosphere, metres.
constexpr double kEarthRadiusM = 6371000.0;
constexpr double kScaleHeightM = 7350.0;
/// Refractivity is n − 1 in parts per million.
constexpr double kPerMillion = 1e-6;
/// The integral stops this many scale heights above the ray's start, where
/// the refractivity is e⁻³⁰ ≈ 10⁻¹³ of its value there.
constexpr double kTopScaleHeights = 30.0;
/// d(n·r)/dr below this is (close to) a duct: the ray is not traced.
constexpr double kLeastRadiusGrowth = 0.01;
constexpr double kHeightToleranceM = 1e-7;
constexpr int kNewtonLimit = 60;

constexpr double kPi = 3.14159265358979323846264338327950288;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kHalfPi = kPi / 2.0;

/// The apparent elevations traced (note 2), degrees: from, to, step.
struct Span {
    double FromDeg, ToDeg, StepDeg;
};
constexpr std::array<Span, 3> kTraced = {{{-2.5, 10.0, 0.1}, {10.0, 30.0, 0.5}, {30.0, 90.0, 2.0}}};
constexpr double kResampleStepRad = 0.05 * kDegToRad;

/// Gauss-Legendre nodes (ascending) and weights on [−1, 1], computed once
/// by Newton's method on the Legendre polynomial.
constexpr int kGaussPoints = 32;
struct GaussLegendre {
    std::array<double, kGaussPoints> Node{};
    std::array<double, kGaussPoints> Weight{};
    GaussLegendre() {
        for (int i = 0; i < kGaussPoints; ++i) {
            // Root i (descending cosine: ascending node) of P_n.
            double x = -std::cos(kPi * (i + 0.75) / (kGaussPoints + 0.5));
            double derivative = 1;
            for (int iteration = 0; iteration < 100; ++iteration) {
                double p0 = 1;
                double p1 = x;
                for (int n = 2; n <= kGaussPoints; ++n) {
                    const double p2 = ((2 * n - 1) * x * p1 - (n - 1) * p0) / n;
                    p0 = p1;
                    p1 = p2;
                }
                derivative = kGaussPoints * (x * p1 - p0) / (x * x - 1);
                const double step = p1 / derivative;
                x -= step;
                if (std::fabs(step) < 1e-16) {
                    break;
                }
            }
            Node[i] = x;
            Weight[i] = 2 / ((1 - x * x) * derivative * derivative);
        }
    }
};

const GaussLegendre& Rule() {
    static const GaussLegendre rule;
    return rule;
}

/// Four-point Lagrange interpolation through (x[k], y[k]), k = 0..3, at `x0`.
double Lagrange4(const double* x, const double* y, double x0) {
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
        double term = y[i];
        for (int j = 0; j < 4; ++j) {
            if (j != i) {
                term *= (x0 - x[j]) / (x[i] - x[j]);
            }
        }
        sum += term;
    }
    return sum;
}

} // namespace

double SurfaceRefractivity(double pressureHpa, double temperatureC,
                           double relativeHumidityPercent) {
    if (!(pressureHpa > 0)) {
        return 0.0;
    }
    const double t = temperatureC;
    const double kelvin = t + kZeroCelsiusK;
    const double enhancement =
        1 +
        kEnhancementScale * (kEnhancementA + pressureHpa * (kEnhancementB + kEnhancementC * t * t));
    const double saturation =
        enhancement * kVapourA * std::exp((kVapourB - t / kVapourD) * t / (t + kVapourC));
    const double vapour = std::min(relativeHumidityPercent / kPercent * saturation, pressureHpa);
    return kDryTermKPerHpa / kelvin * (pressureHpa + kWetTermK * vapour / kelvin);
}

double RadioRefraction::LowestRealRay(double surfaceN, double stationHeightM) {
    constexpr double kFirstTracedRad = -2.5 * kDegToRad;
    if (!(stationHeightM > 0)) {
        return 0.0; // at or below the sphere: the horizontal ray grazes it
    }
    // Bouguer's invariant of the ray that touches the sphere (h = 0, where
    // the refractivity is N₀·e^(h₀/H)) equals the station's: the cosine of
    // its elevation at the station.
    const double nGround = 1 + surfaceN * kPerMillion * std::exp(stationHeightM / kScaleHeightM);
    const double nStation = 1 + surfaceN * kPerMillion;
    const double c = nGround * kEarthRadiusM / (nStation * (kEarthRadiusM + stationHeightM));
    if (!(c < 1)) {
        return 0.0; // the ground bends away more slowly than the ray: a duct
    }
    return std::max(kFirstTracedRad, -std::acos(c));
}

RadioRefraction::RadioRefraction(double surfaceN, double stationHeightM)
    : surfaceN_(surfaceN), stationHeightM_(stationHeightM) {
    if (!(surfaceN > 0)) {
        surfaceN_ = 0;
        return;
    }
    // The station's lowest real ray: the one that grazes the ground (the
    // sphere at height 0) on its way out; rays below it end in the ground.
    lowestRealRayRad_ = LowestRealRay(surfaceN_, stationHeightM_);
    // Traced apparent elevations and their airless elevations, from the
    // lowest real ray up.
    std::vector<double> apparent{lowestRealRayRad_};
    for (const Span& span : kTraced) {
        const int steps = static_cast<int>(std::lround((span.ToDeg - span.FromDeg) / span.StepDeg));
        for (int i = 1; i <= steps; ++i) {
            const double e = (span.FromDeg + i * span.StepDeg) * kDegToRad;
            // A node closer than a tenth of the step above the first is left
            // out: the interpolation needs distinct abscissae.
            if (e > apparent.back() + 0.01 * kDegToRad) {
                apparent.push_back(e);
            }
        }
    }
    std::vector<double> airless;
    std::vector<double> refraction;
    airless.reserve(apparent.size());
    refraction.reserve(apparent.size());
    std::size_t first = 0;
    for (std::size_t i = 0; i < apparent.size(); ++i) {
        const double tau = Bending(apparent[i]);
        if (!std::isfinite(tau)) {
            // Caught below the station: the table starts above this ray.
            airless.clear();
            refraction.clear();
            first = i + 1;
            continue;
        }
        airless.push_back(apparent[i] - tau);
        refraction.push_back(tau);
    }
    if (airless.size() < 4) {
        surfaceN_ = 0; // cannot happen for refractivities the conditions accept
        return;
    }
    lowestApparentRad_ = apparent[first];
    firstAirlessRad_ = airless.front();

    // Resampled at even steps of the airless elevation up to the zenith.
    const auto count =
        static_cast<std::size_t>(std::ceil((kHalfPi - firstAirlessRad_) / kResampleStepRad)) + 1;
    values_.resize(std::max<std::size_t>(count, 4));
    std::size_t segment = 0;
    for (std::size_t j = 0; j < values_.size(); ++j) {
        const double e = firstAirlessRad_ + static_cast<double>(j) * kResampleStepRad;
        while (segment + 2 < airless.size() && airless[segment + 1] <= e) {
            ++segment;
        }
        // Four nodes around e: one before its interval, two after.
        const std::size_t s = std::min(segment > 0 ? segment - 1 : 0, airless.size() - 4);
        values_[j] = Lagrange4(&airless[s], &refraction[s], e);
    }
}

double RadioRefraction::AtAirless(double airlessElevationRad) const {
    if (values_.empty()) {
        return 0.0;
    }
    const double x = (airlessElevationRad - firstAirlessRad_) / kResampleStepRad;
    if (std::isnan(x)) {
        return x;
    }
    if (x < 0) {
        return 0.0; // below the radio horizon: no ray reaches it (note 3)
    }
    if (x == 0) {
        return values_.front();
    }
    const auto last = static_cast<double>(values_.size() - 1);
    const double clamped = std::min(x, last);
    const auto s = static_cast<std::size_t>(
        std::clamp(std::floor(clamped) - 1.0, 0.0, static_cast<double>(values_.size() - 4)));
    const double t = clamped - static_cast<double>(s);
    const double* v = &values_[s];
    const double t1 = t - 1;
    const double t2 = t - 2;
    const double t3 = t - 3;
    return (-v[0] * t1 * t2 * t3 + 3 * v[1] * t * t2 * t3 - 3 * v[2] * t * t1 * t3 +
            v[3] * t * t1 * t2) /
           6.0;
}

double RadioRefraction::HeightWhere(double target, double guessM) const {
    const double nu = surfaceN_ * kPerMillion;
    double h = guessM;
    for (int i = 0; i < kNewtonLimit; ++i) {
        const double e = nu * std::exp(-(h - stationHeightM_) / kScaleHeightM);
        const double r = kEarthRadiusM + h;
        const double f = (1 + e) * r;
        const double growth = 1 + e - r * e / kScaleHeightM;
        if (!(growth > kLeastRadiusGrowth)) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        const double step = (f - target) / growth;
        h -= step;
        if (std::fabs(step) < kHeightToleranceM) {
            break;
        }
    }
    return h;
}

double RadioRefraction::Integral(double k, double hStartM, double qFrom, double qTo) const {
    const double nu = surfaceN_ * kPerMillion;
    if (qTo < 0) {
        const double top = hStartM + kTopScaleHeights * kScaleHeightM;
        const double fTop =
            (1 + nu * std::exp(-(top - stationHeightM_) / kScaleHeightM)) * (kEarthRadiusM + top);
        qTo = std::sqrt(std::max(0.0, fTop - k));
    }
    const GaussLegendre& rule = Rule();
    const double half = 0.5 * (qTo - qFrom);
    const double middle = 0.5 * (qTo + qFrom);
    double sum = 0;
    double h = hStartM;
    for (int i = 0; i < kGaussPoints; ++i) {
        const double q = middle + half * rule.Node[i];
        const double f = k + q * q;
        h = HeightWhere(f, h);
        if (!std::isfinite(h)) {
            return h;
        }
        const double e = nu * std::exp(-(h - stationHeightM_) / kScaleHeightM);
        const double n = 1 + e;
        const double r = kEarthRadiusM + h;
        const double minusDnDr = e / kScaleHeightM;
        const double growth = n - r * minusDnDr; // d(n·r)/dr
        sum += rule.Weight[i] * (minusDnDr / n) * 2 * k / (std::sqrt(f + k) * growth);
    }
    return sum * half;
}

double RadioRefraction::Bending(double apparentElevationRad) const {
    if (!(surfaceN_ > 0)) {
        return 0.0;
    }
    const double n0 = 1 + surfaceN_ * kPerMillion;
    const double f0 = n0 * (kEarthRadiusM + stationHeightM_);
    const double e0 = std::fabs(apparentElevationRad);
    const double k = f0 * std::cos(e0);
    // √(f0 − k) without the cancellation: f0 − k = 2·f0·sin²(e0/2).
    const double q0 = std::sqrt(2 * f0) * std::sin(e0 / 2);
    if (apparentElevationRad >= 0) {
        return Integral(k, stationHeightM_, q0, -1.0);
    }
    // Below the horizon: down to the lowest point, where n·r = k, and up again.
    const double lowest = HeightWhere(k, stationHeightM_);
    if (!std::isfinite(lowest)) {
        return lowest;
    }
    return Integral(k, lowest, 0.0, -1.0) + Integral(k, lowest, 0.0, q0);
}

} // namespace vantrel
