#pragma once

#include "skymodel/SkySurvey.h"

#include <vector>

namespace vantrel::sky {

/// A direction on the sky, J2000 (ICRS) axes, degrees.
struct SkyDirection {
    double RaDeg = 0;  ///< right ascension, any value (taken modulo 360)
    double DecDeg = 0; ///< declination, −90 to 90
};

/// One pixel's brightness at `frequencyMHz` from its 408 MHz temperature
/// and spectral index:
///     T_f = T_cmb + (T408 − T_cmb)·(f / 408 MHz)^−β,
/// β the map's index, kDefaultSpectralIndex where it holds none (0).
/// Synchrotron scaling: the model of the sky below a few GHz; it knows
/// nothing of the thermal emission of H II regions or the atmosphere.
double ScaledPixelK(double temperature408K, double spectralIndex, double frequencyMHz);

/// The sky of the survey scaled to one frequency: every pixel's T_f, and
/// the averages an antenna sees. Made once per frequency (about 10 ms);
/// the averages then read it without allocating. Thread-safe for reading.
class SkyBrightness {
public:
    /// `survey` must outlive this. `frequencyMHz` > 0.
    SkyBrightness(const SkySurvey& survey, double frequencyMHz);

    double FrequencyMHz() const { return frequencyMHz_; }
    const SkySurvey& Survey() const { return survey_; }

    /// The scaled pixel (i, j), K.
    double PixelK(int i, int j) const {
        return pixels_[static_cast<std::size_t>(j) * static_cast<std::size_t>(survey_.Width) +
                       static_cast<std::size_t>(i)];
    }

    /// The brightness seen through a circular Gaussian beam of half-power
    /// width `hpbwDeg` pointed at `direction`, K: the pixels out to
    /// kBeamExtentHpbw·HPBW, each weighted by exp(−4 ln 2·d²/HPBW²) and by
    /// its solid angle (∝ cos δ). A beam narrower than the pixels falls back
    /// on the nearest pixel. The map's own resolution (0.85°) is in it: a
    /// narrower beam still sees the sky smoothed to 0.85°.
    double BeamAverageK(SkyDirection direction, double hpbwDeg) const;

    /// The mean brightness of the ring from `innerDeg` to `outerDeg` around
    /// `direction` (pixels weighted by solid angle), K: the background
    /// behind a source the map holds itself. NaN when no pixel lies in it.
    double RingAverageK(SkyDirection direction, double innerDeg, double outerDeg) const;

private:
    /// Calls `visit(i, j, cosD, cosDec)` for every pixel within `radiusDeg`
    /// of `direction`, cosD the cosine of its distance, cosDec that of its
    /// declination (its solid angle's weight).
    template <typename Visit>
    void ForEachInCap(SkyDirection direction, double radiusDeg, Visit&& visit) const;

    const SkySurvey& survey_;
    double frequencyMHz_;
    std::vector<float> pixels_;
    std::vector<double> sinDec_;
    std::vector<double> cosDec_;
    std::vector<double> raRad_;
};

/// The background behind a source for an antenna of half-power width
/// `hpbwDeg`: for a strong radio source that the survey holds itself
/// (`inMap`: Cassiopeia A, Cygnus A, Taurus A, Virgo A) the ring from
/// kRingInnerHpbw to kRingOuterHpbw beamwidths around it — the widths taken
/// at least at the survey's resolution, below which the source's own
/// smoothed image still fills the ring — and otherwise the beam average at
/// its place. K.
double BackgroundK(const SkyBrightness& sky, SkyDirection direction, double hpbwDeg, bool inMap);

/// The angle between two directions, degrees (0 to 180), by the haversine
/// form, exact for small and large separations alike.
double SeparationDeg(SkyDirection a, SkyDirection b);

} // namespace vantrel::sky
