#pragma once

#include "astro/DateTime.h"
#include "measurewin/MeasureSetup.h"
#include "skymodel/ColdSky.h"
#include "skymodel/HorizontalSky.h"
#include "skymodel/SkyBrightness.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace vantrel {

/// The half-power beamwidth the sky is averaged over, degrees: the one
/// typed (`MeasureSetup::HpbwDeg` > 0) or else the antenna's (70λ/D of a
/// dish, the beam of a gain); NaN when neither can be had.
double SkyBeamDeg(const MeasureSetup& setup, double frequencyMHz);

/// True for the radio stars the 408 MHz survey holds itself (Cassiopeia A,
/// Cygnus A, Taurus A, Virgo A): the sky behind them is the ring around
/// them, as vantrel-noise takes it.
bool HeldBySurvey(const MeasureRow& row);

/// The J2000 direction of a row (the catalogue's for a fixed source, the
/// airless place turned to J2000 for the Sun and the Moon) and the airless
/// place of it; none when the row has no place.
struct RowSky {
    sky::SkyDirection Direction;
    sky::HorizontalPlace Airless;
};
std::optional<RowSky> RowSkyOf(const MeasureRow& row, const sky::SkyStation& station, DateTime utc);

/// What the window asks of the sky at one instant.
struct MeasureSkyQuery {
    std::array<MeasureRow, kMeasureRowCount> Rows;
    DateTime Utc = 0;        ///< UTC of the rows
    sky::SkyStation Station; ///< the home station
    double HpbwDeg = 0;      ///< the beam, degrees (SkyBeamDeg), > 0
    std::size_t Chosen = 0;  ///< the row measured on, 0..8
    /// True when the station's skyline hides (azimuth, elevation), degrees;
    /// empty: no skyline.
    std::function<bool(double, double)> Hidden;
};

/// The sky behind every source and the cold-sky reference for the chosen
/// one, as vantrel-noise computes them.
struct MeasureSky {
    std::array<double, kMeasureRowCount> TskyK{}; ///< the background of each row, K; NaN: no place
    double HpbwDeg = 0;                           ///< the beam they are for, degrees
    double FrequencyMHz = 0;                      ///< the frequency they are for, MHz
    DateTime Utc = 0;                             ///< the instant they are for, UTC
    std::size_t Chosen = 0;                       ///< the row the reference is for
    /// The coldest sky on the chosen source's (airless) elevation circle,
    /// kAvoidHpbw beamwidths from the source, the Sun and the Moon, above
    /// the skyline; none with `ReferenceProblem` saying why.
    std::optional<sky::ColdSkyPoint> Reference;
    std::string ReferenceProblem;
};

/// Computes `MeasureSky` (tens to hundreds of milliseconds with a narrow
/// beam: run it off the user-interface thread). The sky behind a row is
/// `sky::BackgroundK` at its J2000 place; the reference `sky::FindColdSky`
/// on the circle of the chosen row's airless elevation, avoiding it, the
/// Sun and the Moon by 2 HPBW.
MeasureSky ComputeMeasureSky(const sky::SkyBrightness& brightness, const MeasureSkyQuery& query);

/// The skies the chosen source's Y is measured against, each with its air:
/// the source's sky behind it and the clear air's emission at its
/// elevation (`MeasureRow::AtmosphereK`), the reference's sky and the same
/// air (the reference is taken at the source's elevation: the air cancels
/// in the difference, the Tsys both see holds it).
struct ReferencedSky {
    double SourceSkyK = 0;    ///< T_sky behind the source, K
    double ReferenceSkyK = 0; ///< T_sky at the reference, K
    double AirK = 0;          ///< T_atm at the source's elevation, K (0 below 1 GHz)
    /// (T_sky,source + T_atm,source) − (T_sky,reference + T_atm,reference), K.
    double DifferenceK() const { return (SourceSkyK + AirK) - (ReferenceSkyK + AirK); }
};

/// The referenced sky of row `chosen` (0..8) of `rows`; none when `sky` is
/// null, is for another row, has no reference or no sky behind the row.
std::optional<ReferencedSky> ReferencedSkyOf(const MeasureSky* sky,
                                             const std::array<MeasureRow, kMeasureRowCount>& rows,
                                             std::size_t chosen);

/// The line the window shows of the air above 1 GHz: "Atmosphere (ITU-R
/// P.676-10): 0.102 dB at Moon, elevation 30.1°; T_atm 6.2 K at the source
/// and at the reference; zenith 0.051 dB, water vapour 4.7 g/m³ (1013 hPa,
/// 10 °C, 50 %)". Empty below 1 GHz.
std::string AtmosphereText(const atmosphere::ClearAir& air, const atmosphere::StationWeather& w,
                           const MeasureRow& row);

/// G/T from a Y measured against a reference of another sky.
struct CorrectedGOverT {
    double GOverTDbPerK = 0; ///< corrected, dB/K; NaN when none
    /// Corrected minus uncorrected G/T, dB (positive when the source's sky
    /// is the brighter one); NaN when no correction could be had.
    double CorrectionDb = 0;
    double SigmaDb = 0;               ///< σ from the Y's σ alone, dB; NaN when unknown
    double BackgroundDifferenceK = 0; ///< T_sky,source − T_sky,reference, K
};

/// `measure::BackgroundCorrectedGOverTDbPerK` for the row with the user's
/// Tsys (K, > 0), and its σ from the Y's σ (dB, NaN when none) by the
/// spread between Y − σ and Y + σ as `MeasuredGOverTSigmaDb` takes it.
CorrectedGOverT CorrectedGOverTOf(double yDb, double ySigmaDb, const MeasureRow& row,
                                  double frequencyMHz, double sourceTskyK, double referenceTskyK,
                                  double tsysK);

} // namespace vantrel
