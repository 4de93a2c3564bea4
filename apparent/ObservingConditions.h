#pragma once

#include "apparent/EarthOrientation.h"

#include <memory>
#include <string_view>
#include <vector>

namespace vantrel {

/// What the grids compute for the fixed sources, and whether elevations are
/// refracted. Both options off (the default) is the classic table: catalogue
/// coordinates as stored, geometric elevations.
struct ObservingConditions {
    /// Carry every fixed source from its ICRS (J2000) catalogue place to its
    /// topocentric apparent place of date.
    bool Apparent = false;
    /// Show refracted (observed) elevations, and observed hour angle and
    /// declination, for every source, the Sun and the Moon included.
    bool Refraction = false;
    /// Air at the station, used only with `Refraction` on.
    double PressureHpa = 1013.25;        ///< hPa, 0..1200 (0: no atmosphere)
    double TemperatureC = 10.0;          ///< degrees Celsius, −80..60
    double RelativeHumidityPercent = 50; ///< percent, 0..100
    double FrequencyMHz = 1420.0;        ///< observing frequency, MHz, 1..1 000 000
    /// UT1 − UTC from the IERS, used with `Apparent` on; null: UT1 = UTC.
    /// Not a setting: the series found in the data folder (or given to a
    /// tool with --iers FILE), shared read-only by every computation.
    std::shared_ptr<const EarthOrientation> Ut1;

    bool operator==(const ObservingConditions&) const = default;
};

/// Whether the conditions change the Sun's and the Moon's places from the
/// library (ApparentPlaces::SunMoon): refraction, or apparent places with an
/// IERS series (the Earth turned by UT1 − UTC). Otherwise they are shown as
/// the library gives them.
inline bool MovesSunAndMoon(const ObservingConditions& c) {
    return c.Refraction || (c.Apparent && c.Ut1 != nullptr);
}

/// The four numbers of the conditions, for validation messages.
enum class ConditionField { Pressure, Temperature, RelativeHumidity, Frequency };

/// Accepted ranges, inclusive; units as in the field names.
inline constexpr double kMinPressureHpa = 0.0;
inline constexpr double kMaxPressureHpa = 1200.0;
inline constexpr double kMinTemperatureC = -80.0;
inline constexpr double kMaxTemperatureC = 60.0;
inline constexpr double kMinRelativeHumidityPercent = 0.0;
inline constexpr double kMaxRelativeHumidityPercent = 100.0;
inline constexpr double kMinFrequencyMHz = 1.0;       // 1 MHz
inline constexpr double kMaxFrequencyMHz = 1000000.0; // 1000 GHz

/// Why a value of a field is refused, as a sentence for a message box or a
/// tool's error line ("Pressure must be from 0 to 1200 hPa."); empty when the
/// value is accepted. NaN and infinities are refused ("Pressure must be a
/// number.").
std::string_view ConditionProblem(ConditionField field, double value);

/// A number typed into a field: decimal text with a point, blanks around it
/// allowed ("1013.25", " -5 ", "1e3").
struct ParsedCondition {
    double Value = 0;         ///< the number, when `Problem` is empty
    std::string_view Problem; ///< why the text is refused; empty when accepted
};

/// Reads `text` as a value of `field` and checks its range. Text that is not
/// one whole number gives the field's "must be a number" reason.
ParsedCondition ParseCondition(ConditionField field, std::string_view text);

/// One refused field of a set of conditions.
struct ConditionFieldProblem {
    ConditionField Field;
    std::string_view Problem;
};

/// Every refused field of `conditions`, in the order pressure, temperature,
/// humidity, frequency; empty when all four are accepted. The four numbers
/// are checked whether or not `Refraction` is on, so a stored setting is
/// sound when the option is switched on later.
std::vector<ConditionFieldProblem> ValidateConditions(const ObservingConditions& conditions);

/// Refraction constants A and B of the model ΔZ = A tan Z + B tan³ Z
/// (Z the unrefracted zenith distance), radians.
struct RefractionConstants {
    double ARad = 0;
    double BRad = 0;
};

/// The refraction constants of ERFA's model for accepted conditions, from
/// eraRefco (the model the ray-traced RadioRefraction replaced; kept as the
/// reference it is compared with above 15°):
/// pressure in hPa, temperature in °C, relative humidity as the fraction
/// percent / 100, and the wavelength c / frequency in micrometres. Every
/// accepted frequency has a wavelength above 100 µm, where eraRefco uses its
/// radio formula (refractivity after Rueger 2002, water vapour pressure after
/// Gill 1982). Zero constants when `Refraction` is off.
/// Reference: ERFA/SOFA documentation of eraRefco; Explanatory Supplement to
/// the Astronomical Almanac (3rd ed., 2013), section 7.2.
RefractionConstants RefractionConstantsFor(const ObservingConditions& conditions);

/// Observing wavelength in micrometres for a frequency in MHz: c / f.
double WavelengthMicrometres(double frequencyMHz);

} // namespace vantrel
