#include "measure/YFactor.h"

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

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

double BeamCorrection(double sourceDiameterDeg, double beamwidthDeg) {
    if (!std::isfinite(sourceDiameterDeg) || sourceDiameterDeg < 0.0 || !Positive(beamwidthDeg)) {
        return kNaN;
    }
    const double r = sourceDiameterDeg / beamwidthDeg;
    return 1.0 + kBeamCorrectionCoefficient * r * r;
}

double AntennaTemperatureRiseK(double fluxJy, double effectiveAreaM2, double beamCorrection) {
    return fluxJy * kJanskyWPerM2Hz * effectiveAreaM2 / (2.0 * kBoltzmannJPerK * beamCorrection);
}

double ExpectedY(double temperatureRiseK, double systemTemperatureK) {
    return 1.0 + temperatureRiseK / systemTemperatureK;
}

double RatioToDb(double ratio) {
    return 10.0 * std::log10(ratio);
}

double DbToRatio(double db) {
    return std::pow(10.0, db / 10.0);
}

double SystemTemperatureFromNoiseFigureK(double noiseFigureDb, double skyK) {
    return kNoiseFigureReferenceK * (DbToRatio(noiseFigureDb) - 1.0) + skyK;
}

double GOverTDbPerK(double measuredY, double fluxJy, double frequencyMHz, double beamCorrection) {
    const double lambdaM = WavelengthM(frequencyMHz);
    const double gOverT = 8.0 * std::numbers::pi * kBoltzmannJPerK * beamCorrection *
                          (measuredY - 1.0) / (fluxJy * kJanskyWPerM2Hz * lambdaM * lambdaM);
    return RatioToDb(gOverT);
}

double SystemTemperatureFromGOverTK(double gainDbi, double gOverTDbPerK) {
    return DbToRatio(gainDbi - gOverTDbPerK);
}

std::optional<std::string> CheckPositive(std::string_view what, double value) {
    if (!Positive(value)) {
        return std::string(what) + " must be a positive number.";
    }
    return std::nullopt;
}

std::optional<std::string> CheckMeasuredYDb(double yDb) {
    if (!std::isfinite(yDb)) {
        return "The measured Y-factor must be a number of dB.";
    }
    if (yDb <= 0.0) {
        return "A measured Y-factor of 0 dB or less has no G/T: the source added no noise.";
    }
    return std::nullopt;
}

} // namespace vantrel::measure
