#include "measure/DiskFlux.h"

#include "measure/MeasureConstants.h"
#include "measure/Wavelength.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace vantrel::measure {

namespace {

bool Positive(double v) {
    return std::isfinite(v) && v > 0.0;
}

constexpr double kDegPerRad = 180.0 / std::numbers::pi;

} // namespace

double DiskDiameterDeg(double radiusKm, double distanceKm) {
    if (!Positive(radiusKm) || !Positive(distanceKm) || distanceKm <= radiusKm) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return 2.0 * std::asin(radiusKm / distanceKm) * kDegPerRad;
}

FluxEstimate DiskFlux(double brightnessK, double radiusKm, double distanceKm, double frequencyMHz) {
    if (!Positive(brightnessK) || !Positive(frequencyMHz) || !Positive(radiusKm) ||
        !Positive(distanceKm) || distanceKm <= radiusKm) {
        return {};
    }
    const double s = std::asin(radiusKm / distanceKm);
    const double omegaSr = std::numbers::pi * s * s;
    const double lambdaM = WavelengthM(frequencyMHz);
    const double wPerM2Hz = 2.0 * kBoltzmannJPerK * brightnessK * omegaSr / (lambdaM * lambdaM);
    return {wPerM2Hz / kJanskyWPerM2Hz, FluxBasis::Model};
}

} // namespace vantrel::measure
