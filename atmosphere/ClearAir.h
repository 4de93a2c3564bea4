#pragma once

#include "atmosphere/GaseousAttenuation.h"

namespace vantrel::atmosphere {

/// Below this frequency the gases' absorption is left out, MHz: at 1 GHz
/// the zenith attenuation is about 0.03 dB, far below what a noise
/// measurement resolves (and P.676's Annex 2 starts there).
inline constexpr double kAtmosphereFreeBelowMHz = 1000.0;

/// The fraction of the slant attenuation and of the air's emission taken
/// as their one-sigma uncertainty: an assumption, for the Annex's
/// approximation (some per cent against Annex 1), the humidity typed for
/// a whole evening and the clear sky it supposes (no cloud, no rain).
inline constexpr double kAtmosphereModelFraction = 0.20;

/// The station's weather, as the settings keep it for refraction.
struct StationWeather {
    double PressureHpa = 1013.25;        ///< hPa, ≥ 0 (0: no atmosphere)
    double TemperatureC = 10.0;          ///< °C
    double RelativeHumidityPercent = 50; ///< percent, 0..100
};

/// The mean radiating temperature of the clear atmosphere, K:
///     T_m = 1.12 · T_s − 50 K,  T_s = t + 273.15 K
/// (Wu 1979, IEEE Trans. Antennas Propag. AP-27, 233; the estimate
/// Ippolito, "Radiowave Propagation in Satellite Communications", 1986,
/// §7 gives for sky noise from the surface temperature). 267 K at 10 °C.
double MeanRadiatingTemperatureK(double surfaceTemperatureC);

/// The sky noise of an absorbing layer, K: T = T_m · (1 − 10^(−A/10))
/// (ITU-R P.618-13 §3, with `attenuationDb` A ≥ 0 dB and T_m K).
double SkyEmissionK(double attenuationDb, double meanRadiatingK);

/// What the air does along one path out of the atmosphere.
struct AirAlong {
    double AttenuationDb = 0; ///< the gases' attenuation, dB ≥ 0
    double EmissionK = 0;     ///< the air's own emission, K ≥ 0
};

/// The clear air above the station at one frequency.
class ClearAir {
public:
    /// `frequencyMHz`: the observing frequency, MHz. Below 1 GHz, or with
    /// a pressure of 0, the air does nothing (`Free`); above 350 GHz the
    /// method does not hold (`Modelled` false, NaN along every path).
    ClearAir(double frequencyMHz, const StationWeather& weather);

    /// True below kAtmosphereFreeBelowMHz or without air: every path 0 dB, 0 K.
    bool Free() const { return free_; }
    /// False above 350 GHz and for weather that is not finite.
    bool Modelled() const { return modelled_; }
    double FrequencyMHz() const { return frequencyMHz_; }
    /// The water vapour density the weather gives, g/m³.
    double WaterVapourGPerM3() const { return air_.WaterVapourGPerM3; }
    double MeanRadiatingK() const { return meanK_; }
    /// Zenith attenuation, dB (equation (27)).
    double ZenithDb() const;
    /// The attenuation and emission along the path at `elevationDeg`
    /// (degrees; below 0 as at 0, see `SlantAttenuationDb`).
    AirAlong At(double elevationDeg) const;

private:
    double frequencyMHz_ = 0;
    bool free_ = true;
    bool modelled_ = true;
    SurfaceAir air_;
    SpecificAttenuation gamma_;
    EquivalentHeights heights_;
    double meanK_ = 0;
};

} // namespace vantrel::atmosphere
