#include "atmosphere/GaseousAttenuation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace vantrel::atmosphere {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDegToRad = std::numbers::pi / 180.0;

/// rp = p / 1013 hPa and rt = 288 K / (273 + t), P.676-10 Annex 2 §1.
constexpr double kReferencePressureHpa = 1013.0;
constexpr double kReferenceTemperatureK = 288.0;
constexpr double kCelsiusOffsetK = 273.0;

/// φ(rp, rt, a, b, c, d) = rp^a · rt^b · exp(c(1 − rp) + d(1 − rt)), the
/// Annex's helper of the dry-air equations, times a leading factor.
struct Phi {
    double Factor, A, B, C, D;
    double operator()(double rp, double rt) const {
        return Factor * std::pow(rp, A) * std::pow(rt, B) * std::exp(C * (1 - rp) + D * (1 - rt));
    }
};

// The Annex's ξ1..ξ7, γ54..γ66 and δ (P.676-10 Annex 2, after (22f)).
constexpr Phi kXi1{1, 0.0717, -1.8132, 0.0156, -1.6515};
constexpr Phi kXi2{1, 0.5146, -4.6368, -0.1921, -5.7416};
constexpr Phi kXi3{1, 0.3414, -6.5851, 0.2130, -8.5854};
constexpr Phi kXi4{1, -0.0112, 0.0092, -0.1033, -0.0009};
constexpr Phi kXi5{1, 0.2705, -2.7192, -0.3016, -4.1033};
constexpr Phi kXi6{1, 0.2445, -5.9191, 0.0422, -8.0719};
constexpr Phi kXi7{1, -0.1833, 6.5589, -0.2402, 6.131};
constexpr Phi kGamma54{2.192, 1.8286, -1.9487, 0.4051, -2.8509};
constexpr Phi kGamma58{12.59, 1.0045, 3.5610, 0.1588, 1.2834};
constexpr Phi kGamma60{15.0, 0.9003, 4.1335, 0.0427, 1.6088};
constexpr Phi kGamma62{14.28, 0.9886, 3.4176, 0.1827, 1.3429};
constexpr Phi kGamma64{6.819, 1.4320, 0.6258, 0.3177, -0.5914};
constexpr Phi kGamma66{1.908, 2.0717, -4.1404, 0.4910, -4.8718};
constexpr Phi kDelta{-0.00306, 3.211, -14.94, 1.583, -16.37};

double DryAirDbPerKm(double f, double rp, double rt) {
    const double f2 = f * f;
    if (f <= 54.0) { // (22a)
        return (7.2 * std::pow(rt, 2.8) / (f2 + 0.34 * rp * rp * std::pow(rt, 1.6)) +
                0.62 * kXi3(rp, rt) /
                    (std::pow(54.0 - f, 1.16 * kXi1(rp, rt)) + 0.83 * kXi2(rp, rt))) *
               f2 * rp * rp * 1e-3;
    }
    if (f <= 60.0) { // (22b)
        return std::exp(std::log(kGamma54(rp, rt)) / 24.0 * (f - 58.0) * (f - 60.0) -
                        std::log(kGamma58(rp, rt)) / 8.0 * (f - 54.0) * (f - 60.0) +
                        std::log(kGamma60(rp, rt)) / 12.0 * (f - 54.0) * (f - 58.0));
    }
    if (f <= 62.0) { // (22c)
        const double g60 = kGamma60(rp, rt);
        return g60 + (kGamma62(rp, rt) - g60) * (f - 60.0) / 2.0;
    }
    if (f <= 66.0) { // (22d)
        return std::exp(std::log(kGamma62(rp, rt)) / 8.0 * (f - 64.0) * (f - 66.0) -
                        std::log(kGamma64(rp, rt)) / 4.0 * (f - 62.0) * (f - 66.0) +
                        std::log(kGamma66(rp, rt)) / 8.0 * (f - 62.0) * (f - 64.0));
    }
    const double line118 = (f - 118.75) * (f - 118.75) + 2.91 * rp * rp * std::pow(rt, 1.6);
    if (f <= 120.0) { // (22e)
        return (3.02e-4 * std::pow(rt, 3.5) + 0.283 * std::pow(rt, 3.8) / line118 +
                0.502 * kXi6(rp, rt) * (1.0 - 0.0163 * kXi7(rp, rt) * (f - 66.0)) /
                    (std::pow(f - 66.0, 1.4346 * kXi4(rp, rt)) + 1.15 * kXi5(rp, rt))) *
               f2 * rp * rp * 1e-3;
    }
    // (22f)
    return (3.02e-4 / (1.0 + 1.9e-5 * std::pow(f, 1.5)) + 0.283 * std::pow(rt, 0.3) / line118) *
               f2 * rp * rp * std::pow(rt, 3.5) * 1e-3 +
           kDelta(rp, rt);
}

/// g(f, fi) = 1 + ((f − fi)/(f + fi))², (23d).
double LineShape(double f, double fi) {
    const double r = (f - fi) / (f + fi);
    return 1.0 + r * r;
}

/// One water vapour line of (23a): strength, temperature exponent, centre
/// (GHz), the factor of η1² in its width (0: none), the frequency of its
/// g(f, fi) (0: none; the 22 GHz line takes it at 22 GHz as the Annex
/// writes it) and whether η2 takes the place of η1 (the 1780 GHz line).
struct WaterLine {
    double Strength, Exponent, CentreGHz, WidthFactor, ShapeGHz;
    bool UsesEta2;
};

constexpr WaterLine kWaterLines[] = {
    {3.98, 2.23, 22.235, 9.42, 22.0, false},   {11.96, 0.7, 183.31, 11.14, 0, false},
    {0.081, 6.44, 321.226, 6.29, 0, false},    {3.66, 1.6, 325.153, 9.22, 0, false},
    {25.37, 1.09, 380.0, 0, 0, false},         {17.4, 1.46, 448.0, 0, 0, false},
    {844.6, 0.17, 557.0, 0, 557.0, false},     {290.0, 0.41, 752.0, 0, 752.0, false},
    {8.3328e4, 0.99, 1780.0, 0, 1780.0, true},
};

double WaterVapourDbPerKm(double f, double rp, double rt, double rho) {
    const double eta1 = 0.955 * rp * std::pow(rt, 0.68) + 0.006 * rho;                   // (23b)
    const double eta2 = 0.735 * rp * std::pow(rt, 0.5) + 0.0353 * std::pow(rt, 4) * rho; // (23c)
    double sum = 0;
    for (const WaterLine& l : kWaterLines) {
        const double d = f - l.CentreGHz;
        double term = l.Strength * (l.UsesEta2 ? eta2 : eta1) * std::exp(l.Exponent * (1.0 - rt)) /
                      (d * d + l.WidthFactor * eta1 * eta1);
        if (l.ShapeGHz > 0) {
            term *= LineShape(f, l.ShapeGHz);
        }
        sum += term;
    }
    return sum * f * f * std::pow(rt, 2.5) * rho * 1e-4; // (23a)
}

bool InRange(double f) {
    return f >= kGaseousLowestGHz && f <= kGaseousHighestGHz;
}

/// F(x) of (29).
double CurvedEarth(double x) {
    return 1.0 / (0.661 * x + 0.339 * std::sqrt(x * x + 5.51));
}

} // namespace

SpecificAttenuation SpecificAttenuationOf(double frequencyGHz, const SurfaceAir& air) {
    if (!InRange(frequencyGHz) || !(air.PressureHpa > 0) || !std::isfinite(air.TemperatureC) ||
        !(air.WaterVapourGPerM3 >= 0)) {
        return {kNaN, kNaN};
    }
    const double rp = air.PressureHpa / kReferencePressureHpa;
    const double rt = kReferenceTemperatureK / (kCelsiusOffsetK + air.TemperatureC);
    return {std::max(DryAirDbPerKm(frequencyGHz, rp, rt), 0.0),
            WaterVapourDbPerKm(frequencyGHz, rp, rt, air.WaterVapourGPerM3)};
}

EquivalentHeights EquivalentHeightsOf(double frequencyGHz, double pressureHpa) {
    if (!InRange(frequencyGHz) || !(pressureHpa > 0)) {
        return {kNaN, kNaN};
    }
    const double f = frequencyGHz;
    const double rp = pressureHpa / kReferencePressureHpa;
    // (25)
    const double t1 = 4.64 / (1.0 + 0.066 * std::pow(rp, -2.3)) *
                      std::exp(-std::pow((f - 59.7) / (2.87 + 12.4 * std::exp(-7.9 * rp)), 2));
    const double t2 =
        0.14 * std::exp(2.12 * rp) / ((f - 118.75) * (f - 118.75) + 0.031 * std::exp(2.2 * rp));
    const double t3 = 0.0114 / (1.0 + 0.14 * std::pow(rp, -2.6)) * f *
                      (-0.0247 + 0.0001 * f + 1.61e-6 * f * f) /
                      (1.0 - 0.0169 * f + 4.1e-5 * f * f + 3.2e-7 * f * f * f);
    double ho = 6.1 / (1.0 + 0.17 * std::pow(rp, -1.1)) * (1.0 + t1 + t2 + t3);
    if (f < 70.0) {
        ho = std::min(ho, 10.7 * std::pow(rp, 0.3));
    }
    // (26)
    const double sw = 1.013 / (1.0 + std::exp(-8.6 * (rp - 0.57)));
    const auto line = [&](double a, double centre, double b) {
        return a * sw / ((f - centre) * (f - centre) + b * sw);
    };
    const double hw = 1.66 * (1.0 + line(1.39, 22.235, 2.56) + line(3.37, 183.31, 4.69) +
                              line(1.58, 325.1, 2.89));
    return {ho, hw};
}

double SlantAttenuationDb(const SpecificAttenuation& g, const EquivalentHeights& h,
                          double elevationDeg) {
    if (!std::isfinite(elevationDeg)) {
        return kNaN;
    }
    const double el = std::clamp(elevationDeg, 0.0, 90.0) * kDegToRad;
    const double zenith = g.OxygenDbPerKm * h.OxygenKm + g.WaterVapourDbPerKm * h.WaterVapourKm;
    if (elevationDeg >= kCosecantFromDeg) {
        return zenith / std::sin(el); // (28)
    }
    const double re = kEffectiveEarthRadiusKm;
    const double t = std::tan(el);
    return std::sqrt(re) / std::cos(el) * // (29)
           (g.OxygenDbPerKm * std::sqrt(h.OxygenKm) * CurvedEarth(t * std::sqrt(re / h.OxygenKm)) +
            g.WaterVapourDbPerKm * std::sqrt(h.WaterVapourKm) *
                CurvedEarth(t * std::sqrt(re / h.WaterVapourKm)));
}

} // namespace vantrel::atmosphere
