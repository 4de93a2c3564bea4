#include "atmosphere/ClearAir.h"

#include "atmosphere/WaterVapour.h"

#include <cmath>
#include <limits>

namespace vantrel::atmosphere {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kZeroCelsiusK = 273.15;
/// T_m = 1.12 T_s − 50 K (Wu 1979).
constexpr double kMeanRadiatingSlope = 1.12;
constexpr double kMeanRadiatingOffsetK = 50.0;
constexpr double kMHzPerGHz = 1000.0;

} // namespace

double MeanRadiatingTemperatureK(double surfaceTemperatureC) {
    return kMeanRadiatingSlope * (surfaceTemperatureC + kZeroCelsiusK) - kMeanRadiatingOffsetK;
}

double SkyEmissionK(double attenuationDb, double meanRadiatingK) {
    return meanRadiatingK * (1.0 - std::pow(10.0, -attenuationDb / 10.0));
}

ClearAir::ClearAir(double frequencyMHz, const StationWeather& w) : frequencyMHz_(frequencyMHz) {
    free_ = !(frequencyMHz >= kAtmosphereFreeBelowMHz) || w.PressureHpa == 0;
    if (free_) {
        return;
    }
    const double f = frequencyMHz / kMHzPerGHz;
    air_ = {w.PressureHpa, w.TemperatureC,
            WaterVapourDensityGPerM3(w.PressureHpa, w.TemperatureC, w.RelativeHumidityPercent)};
    gamma_ = SpecificAttenuationOf(f, air_);
    heights_ = EquivalentHeightsOf(f, air_.PressureHpa);
    meanK_ = MeanRadiatingTemperatureK(w.TemperatureC);
    modelled_ = std::isfinite(gamma_.OxygenDbPerKm) && std::isfinite(gamma_.WaterVapourDbPerKm) &&
                std::isfinite(heights_.OxygenKm) && std::isfinite(meanK_);
}

double ClearAir::ZenithDb() const {
    return At(90.0).AttenuationDb;
}

AirAlong ClearAir::At(double elevationDeg) const {
    if (free_) {
        return {};
    }
    if (!modelled_ || !std::isfinite(elevationDeg)) {
        return {kNaN, kNaN};
    }
    const double a = SlantAttenuationDb(gamma_, heights_, elevationDeg);
    return {a, SkyEmissionK(a, meanK_)};
}

} // namespace vantrel::atmosphere
