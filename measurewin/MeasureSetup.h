#pragma once

#include "apparent/ApparentPlaces.h"
#include "apparent/ObservingConditions.h"
#include "astro/DateTime.h"
#include "astro/SunMoon.h"
#include "atmosphere/ClearAir.h"
#include "measure/Antenna.h"
#include "measure/MeasureConstants.h"
#include "measure/SolarFluxChoice.h"
#include "measure/SourceExpectation.h"
#include "station/HomeStation.h"

#include <array>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// How the antenna of the Measure window is described.
enum class AntennaKind : int {
    Dish = 0, ///< a parabolic dish: diameter and aperture efficiency
    Gain = 1, ///< a yagi or an array: its gain in dBi
};

/// What the user enters in the Measure window, besides the program's one
/// observing frequency (`ObservingConditions::FrequencyMHz`).
struct MeasureSetup {
    AntennaKind Antenna = AntennaKind::Dish;
    double DishDiameterM = 3.0;   ///< m, > 0
    double Efficiency = 0.55;     ///< aperture efficiency, (0, 1]
    double GainDbi = 20.0;        ///< dBi, > 0
    double TsysK = 100.0;         ///< system temperature, K, > 0
    std::string SolarFlux = "70"; ///< sfu ("70") or a day's table ("1415:72,2695:95")
    double MoonTemperatureK = measure::kMoonBrightnessDefaultK; ///< K, > 0
    /// True: the Moon's brightness is `MoonTemperatureK` as typed; false:
    /// the disk's brightness at the frequency and the present phase
    /// (`measure::MoonBrightnessK`, Krotikov and Troitsky).
    bool MoonTemperatureTyped = false;
    /// The half-power beamwidth the sky behind the sources is averaged
    /// over, degrees; 0: the antenna's own (70λ/D of a dish, a gain's beam).
    double HpbwDeg = 0;
    /// The source last measured on, as the grids title it ("Moon"); empty
    /// before the first choice.
    std::string Source;
    /// An observatory's solar flux file (measure/SolarFluxFile.h) whose
    /// day's flux the Sun takes instead of `SolarFlux`; empty: none.
    std::string SolarFluxFile;

    bool operator==(const MeasureSetup&) const = default;
};

/// The numbers of the Measure window, for their reasons.
enum class SetupField { Frequency, Diameter, Efficiency, Gain, Tsys, MoonTemperature, Hpbw };

/// A number typed into a field: the value, or why it is refused (a
/// sentence; empty when accepted). Blanks around the number are allowed.
struct ParsedSetupNumber {
    double Value = 0;
    std::string Problem;
};

/// Reads `text` as a value of `field`: every value a positive finite
/// number, the efficiency in (0, 1], the Moon's temperature 50 to 400 K
/// (`measure/InputRanges.h`, as vantrel-noise holds it), the frequency also
/// within the program's range (1 MHz to 1000 GHz, `ParseCondition`).
ParsedSetupNumber ParseSetupNumber(SetupField field, std::string_view text);

/// The measured Y as typed: "3.12", or with its one-sigma uncertainty
/// "3.12 ± 0.05" ("+-" and "+/-" read as ±), both in dB. The Y must be
/// above 0 up to 40 dB (`CheckMeasuredYDb`), σ from 0 up to the Y.
struct TypedY {
    double YDb = 0;
    std::optional<double> SigmaDb; ///< none when none was typed
    std::string Problem;           ///< why the text is refused; empty when accepted
};
TypedY ParseTypedY(std::string_view text);

/// A Y-factor handed to the Measure window by the Receiver window.
struct TakenY {
    double YDb = 0;     ///< dB
    double SigmaDb = 0; ///< one-sigma uncertainty, dB; NaN when unknown
    /// How σ was had ("gain drift over 26 s", "off-on-off, scatter of 24
    /// blocks"): the measurement log's method.
    std::string Method;
    DateTime FirstUtc = 0; ///< UTC start of the first block it rests on
    DateTime LastUtc = 0;  ///< UTC end of the last
};

/// The Sun's flux as typed: one number in sfu or a table "MHZ:SFU,...".
struct SolarEntry {
    std::optional<double> Sfu;
    std::vector<measure::SolarFluxPoint> Table;
    std::string Problem; ///< why the text is refused; empty when accepted
};

/// Reads the solar flux text (sfu, or a table checked by `CheckSolarTable`).
SolarEntry ParseSolarEntry(std::string_view text);

/// The Sun's flux density at `frequencyMHz`; `NoModel` for a refused entry.
measure::FluxEstimate SunFlux(const SolarEntry& entry, double frequencyMHz);

/// The antenna at `frequencyMHz`; nothing when its values are refused.
std::optional<measure::AntennaBeam> BeamOf(const MeasureSetup& setup, double frequencyMHz);

/// The antenna as the log keeps it: "dish 3 m, efficiency 0.55" or
/// "gain 20 dBi".
std::string AntennaText(const MeasureSetup& setup);

/// One-sigma uncertainty of the G/T that a measured Y-factor gives, dB/K,
/// from the Y's own one-sigma uncertainty: half the spread of
/// `measure::MeasuredGOverTDbPerK` between Y − σ and Y + σ (first-order
/// propagation, without assuming the slope), or the spread between Y and
/// Y + σ when Y − σ is not above 0 dB.
///
/// Given:
///   yDb           measured Y-factor, dB (above 0)
///   sigmaDb       its one-sigma uncertainty, dB (≥ 0)
///   row           the source's expected flux, size and beam correction
///   frequencyMHz  the observing frequency, MHz
/// Returned: NaN when σ is not finite or no G/T can be had at Y.
double MeasuredGOverTSigmaDb(double yDb, double sigmaDb, const measure::SourceExpectation& row,
                             double frequencyMHz);

/// The instant as a decimal year (2026.0 at 2026-01-01 00:00 UTC), for the
/// fading of Cassiopeia A.
double DecimalYearOf(DateTime utc);

/// Number of rows of the Measure window's table: the grids' nine sources.
inline constexpr std::size_t kMeasureRowCount = 9;

/// One source of the Measure window at one instant.
struct MeasureRow {
    std::string Title;                   ///< as the grids title it ("Cygnus-A", "Moon")
    double AzimuthDeg = 0;               ///< from north through east, 0..360 degrees
    double ElevationDeg = 0;             ///< as the real-time display computes it, degrees
    std::string ElevationText;           ///< as the real-time display shows it ("12.34")
    bool BelowHorizon = false;           ///< as the real-time display greys it
    measure::SourceExpectation Expected; ///< flux, size, K, ΔT, Y
    std::string Note; ///< "", "extrapolated", "table end", "no model", "mean distance"
    /// The J2000 place of a fixed source (its catalogue's), degrees; NaN for
    /// the Sun and the Moon, which have `Airless…` instead.
    double J2000RaDeg = std::numeric_limits<double>::quiet_NaN();
    double J2000DecDeg = std::numeric_limits<double>::quiet_NaN();
    /// The Sun's and the Moon's airless (unrefracted) place from the
    /// library, degrees; NaN for the fixed sources.
    double AirlessAzimuthDeg = std::numeric_limits<double>::quiet_NaN();
    double AirlessElevationDeg = std::numeric_limits<double>::quiet_NaN();
    /// The clear air's emission along the path at its elevation, K (0 below
    /// 1 GHz; `Expected.AtmosphereDb` is its attenuation there).
    double AtmosphereK = 0;
};

/// The station's weather of the conditions (pressure, temperature,
/// humidity, as the settings window keeps them for refraction).
atmosphere::StationWeather WeatherOf(const ObservingConditions& conditions);

/// The nine sources at `utc`, in the grids' order and titles (Aquarius, Leo,
/// the option source, Cygnus A, Taurus A, Virgo A, Sagittarius A, the Moon,
/// the Sun).
///
/// Given:
///   utc         the instant, UTC
///   station     the home station (its noise source option picks row 3)
///   conditions  the program's observing conditions (apparent places,
///               refraction, the frequency)
///   library     the Sun and Moon library (elevation, distance)
///   places      the apparent-places engine the caller keeps
///   setup       the antenna, Tsys, solar flux and Moon temperature (or
///               the Moon by its phase: its row's note says "212 K at phase
///               +35°", the phase from the library's Sun and Moon)
///   fileFlux    the day's flux chosen from a solar flux file for this
///               frequency and instant, or null: the Sun then takes it
///               (its note the choice's), else the typed flux
/// Above 1 GHz every row's flux reaches the antenna through the clear air
/// of the conditions' weather (atmosphere/ClearAir.h) at the row's
/// elevation: its ΔT and Y are of the attenuated flux, and `AtmosphereK`
/// is the air's emission there (NaN, with no Y, for a row without an
/// elevation).
/// Returned:
///   elevations computed as the real-time display computes them (the fixed
///   sources through `ApparentPlaces`, the Sun and Moon from the library,
///   refracted when the conditions ask for it); flux densities from
///   measure/ with the Sun's and the Moon's sizes from their topocentric
///   distances (their mean distances, noted, when the library gives none);
///   K, ΔT and Y NaN when the antenna or Tsys is refused or the source has
///   no flux model.
std::array<MeasureRow, kMeasureRowCount>
MeasureRows(DateTime utc, const HomeStation& station, const ObservingConditions& conditions,
            SunMoonLibrary& library, ApparentPlaces& places, const MeasureSetup& setup,
            const measure::SolarFluxChoice* fileFlux = nullptr);

} // namespace vantrel
