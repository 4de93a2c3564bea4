#include "measure/Antenna.h"

#include "measure/MeasureConstants.h"
#include "measure/Wavelength.h"

#include <cmath>
#include <numbers>

namespace vantrel::measure {

namespace {

bool Positive(double v) {
    return std::isfinite(v) && v > 0.0;
}

double ToDb(double ratio) {
    return 10.0 * std::log10(ratio);
}

} // namespace

std::optional<std::string> CheckDish(double diameterM, double efficiency) {
    if (!Positive(diameterM)) {
        return "The dish diameter must be a positive number of metres.";
    }
    if (!Positive(efficiency) || efficiency > 1.0) {
        return "The aperture efficiency must be above 0 and at most 1.";
    }
    return std::nullopt;
}

std::optional<std::string> CheckGain(double gainDbi) {
    if (!Positive(gainDbi)) {
        return "The antenna gain must be a positive number of dBi.";
    }
    return std::nullopt;
}

std::optional<AntennaBeam> DishBeam(double diameterM, double efficiency, double frequencyMHz) {
    if (CheckDish(diameterM, efficiency) || !Positive(frequencyMHz)) {
        return std::nullopt;
    }
    const double lambdaM = WavelengthM(frequencyMHz);
    AntennaBeam beam;
    beam.EffectiveAreaM2 = efficiency * std::numbers::pi * diameterM * diameterM / 4.0;
    beam.BeamwidthDeg = kDishBeamwidthFactorDeg * lambdaM / diameterM;
    beam.GainDbi = ToDb(4.0 * std::numbers::pi * beam.EffectiveAreaM2 / (lambdaM * lambdaM));
    return beam;
}

std::optional<AntennaBeam> GainBeam(double gainDbi, double frequencyMHz) {
    if (CheckGain(gainDbi) || !Positive(frequencyMHz)) {
        return std::nullopt;
    }
    const double lambdaM = WavelengthM(frequencyMHz);
    const double g = std::pow(10.0, gainDbi / 10.0);
    AntennaBeam beam;
    beam.EffectiveAreaM2 = g * lambdaM * lambdaM / (4.0 * std::numbers::pi);
    beam.BeamwidthDeg = std::sqrt(kSquareDegreesPerSphere / g);
    beam.GainDbi = gainDbi;
    return beam;
}

} // namespace vantrel::measure
