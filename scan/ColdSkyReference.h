#pragma once

#include "apparent/ObservingConditions.h"
#include "apparent/SkyPlaces.h"
#include "apparent/SkySource.h"
#include "astro/DateTime.h"
#include "skymodel/ColdSky.h"
#include "skymodel/HorizontalSky.h"
#include "skymodel/SkyBrightness.h"
#include "station/HomeStation.h"

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::scan {

/// Where a source stands for the sky model at one instant.
struct SourceSky {
    sky::SkyDirection Direction;  ///< J2000, degrees
    sky::HorizontalPlace Airless; ///< airless azimuth and elevation, degrees
    /// A radio star the 408 MHz survey holds itself (Cassiopeia A, Cygnus
    /// A, Taurus A, Virgo A): the sky behind it is the ring around it.
    bool HeldBySurvey = false;
};

/// What the search for the cold-sky reference of a source needs: made on
/// the caller's thread (SkyPlaces is not thread-safe), searched on another.
struct ColdSkyRequest {
    SourceSky Source;
    /// The Sun and the Moon (J2000, degrees) when they are not the source:
    /// the reference keeps kColdSkyAvoidHpbw beamwidths from them.
    std::vector<sky::SkyDirection> Avoid;
    sky::SkyStation Station;
    DateTime Utc = 0;    ///< UTC of the places
    double HpbwDeg = 0;  ///< the antenna's half-power beamwidth, degrees, > 0
    double OffBeams = 0; ///< a Y-factor's sides: ± this many beamwidths on the sky; 0 none
    /// True when the station's skyline hides (azimuth, elevation), degrees;
    /// empty: no skyline.
    std::function<bool(double, double)> Hidden;
};

/// The reference keeps this many beamwidths from the source, the Sun and
/// the Moon, as the Measure window's reference does.
inline constexpr double kColdSkyAvoidHpbw = 2.0;

/// The request for `source` at `utc`: its J2000 direction (the catalogue's
/// for a fixed source; the library's airless place turned to J2000 for the
/// Sun and the Moon), its airless place, and the Sun and the Moon to keep
/// off. None, with `why` set, when the source has no place or stands below
/// the horizon.
std::optional<ColdSkyRequest> ColdSkyRequestOf(SkySource source, const HomeStation& station,
                                               const ObservingConditions& conditions,
                                               SunMoonLibrary& library, DateTime utc,
                                               double hpbwDeg, std::string& why);

/// The cold-sky reference of a source and the skies a Y-factor compares.
struct ColdSkyReference {
    static constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    double FrequencyMHz = 0;   ///< the sky's frequency, MHz
    double HpbwDeg = 0;        ///< the beam, degrees
    DateTime Utc = 0;          ///< the instant, UTC
    double SourceTskyK = kNaN; ///< the sky behind the source (sky::BackgroundK), K
    /// The coldest sky on the source's airless elevation circle
    /// (sky::FindColdSky), kColdSkyAvoidHpbw beamwidths from the source,
    /// the Sun and the Moon, above the skyline; none with `Problem` saying
    /// why.
    std::optional<sky::ColdSkyPoint> Point;
    /// Its azimuth less the source's, degrees in (−180, 180]: the step that
    /// keeps the same offset from the source as both move.
    double AzimuthStepDeg = kNaN;
    /// The two sides of a Y-factor sequence (the source's azimuth ± OffBeams
    /// beamwidths on the sky, at its elevation): the beam averages there, K;
    /// NaN without OffBeams or where the skyline hides the side.
    double PlusTskyK = kNaN;  ///< towards larger azimuth
    double MinusTskyK = kNaN; ///< towards smaller azimuth
    std::string Problem;
};

/// Searches the request (tens of milliseconds with a narrow beam, up to a
/// second for a wide one: off the user-interface thread).
ColdSkyReference FindColdSkyReference(const sky::SkyBrightness& sky, const ColdSkyRequest& request);

/// The reference as the windows say it: "az 123.4°, el 45.6°, Tsky 180 K
/// (behind the source 450 K) at 144 MHz, beam 12.3°"; "none: why" without
/// a point. Angles to 0.1°, temperatures to 1 K.
std::string ColdSkyReferenceText(const ColdSkyReference& reference);

/// The azimuth `a` − `b`, degrees brought into (−180, 180].
double AzimuthDifferenceDeg(double aDeg, double bDeg);

} // namespace vantrel::scan
