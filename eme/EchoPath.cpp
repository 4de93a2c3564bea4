#include "eme/EchoPath.h"

#include "eme/EmeConstants.h"

#include <cmath>
#include <numbers>

namespace vantrel::eme {

namespace {

constexpr double kRadToDeg = 180.0 / std::numbers::pi;

/// 10·log10 of the radar cross-section σ = 0.065·π·R², σ in m².
double CrossSectionDbSquareMetres() {
    const double radiusM = kMoonRadiusKm * kMetresPerKilometre;
    return 10.0 * std::log10(kMoonRadarReflectivity * std::numbers::pi * radiusM * radiusM);
}

} // namespace

double EchoDelaySeconds(double distanceKm) {
    return 2.0 * distanceKm * kMetresPerKilometre / kLightMetresPerSecond;
}

double EchoDopplerHz(double frequencyMHz, double rangeRateMps) {
    return -2.0 * frequencyMHz * kHertzPerMegahertz * rangeRateMps / kLightMetresPerSecond;
}

double DxDopplerHz(double frequencyMHz, double homeRangeRateMps, double dxRangeRateMps) {
    return -frequencyMHz * kHertzPerMegahertz * (homeRangeRateMps + dxRangeRateMps) /
           kLightMetresPerSecond;
}

double PathLossDb(double distanceKm, double frequencyMHz) {
    // 10·log10((4π)³) + 40·log10(d) − 10·log10(σ) − 20·log10(λ), metres.
    const double wavelengthM = kLightMetresPerSecond / (frequencyMHz * kHertzPerMegahertz);
    return 30.0 * std::log10(4.0 * std::numbers::pi) +
           40.0 * std::log10(distanceKm * kMetresPerKilometre) - CrossSectionDbSquareMetres() -
           20.0 * std::log10(wavelengthM);
}

double PathLossChangeDb(double distanceKm) {
    return 40.0 * std::log10(distanceKm / kClosePerigeeKm);
}

double MoonSemiDiameterDeg(double distanceKm) {
    return std::asin(kMoonRadiusKm / distanceKm) * kRadToDeg;
}

} // namespace vantrel::eme
