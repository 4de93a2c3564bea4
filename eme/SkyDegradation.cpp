#include "eme/SkyDegradation.h"

#include "eme/EchoPath.h"

#include <cmath>
#include <limits>

namespace vantrel::eme {

namespace {
constexpr double kSurveyMHz = 408.0;
}

double ColdestSkyK(double frequencyMHz) {
    if (!(frequencyMHz > 0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return kColdestSky408K * std::pow(frequencyMHz / kSurveyMHz, -kColdestSkyIndex);
}

double DegradationDb(double skyK, double receiverK, double frequencyMHz, double distanceKm) {
    const double coldest = ColdestSkyK(frequencyMHz);
    if (!std::isfinite(skyK) || !std::isfinite(receiverK) || !std::isfinite(coldest) ||
        !std::isfinite(distanceKm) || skyK < 0 || receiverK < 0 || !(distanceKm > 0) ||
        !(coldest + receiverK > 0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return -10.0 * std::log10((skyK + receiverK) / (coldest + receiverK)) -
           PathLossChangeDb(distanceKm);
}

bool SunNoiseWarning(double sunMoonDeg, double frequencyMHz) {
    return sunMoonDeg < kSunNoiseAngleDeg && frequencyMHz < kSunNoiseBelowMHz;
}

} // namespace vantrel::eme
