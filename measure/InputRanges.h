#pragma once

// The values a receiving station can have, for the inputs of the noise
// measurement. A number outside them is a typing mistake (a 1e300 m dish, a
// Y-factor of 1000 dB) rather than a station, and would give empty cells or
// a G/T no receiver has; the tools refuse it and say the range.

namespace vantrel::measure {

/// A closed range of one input, with its unit as the user reads it.
struct InputRange {
    double Lo;
    double Hi;
    const char* Text; ///< "0.1 to 110 m"
};

namespace input_range {
/// Dish diameter, m: a small dish or horn aperture of 10 cm up to the
/// largest fully steerable dish (the Green Bank Telescope, 100 × 110 m).
inline constexpr InputRange kDishM{0.1, 110.0, "0.1 to 110 m"};
/// Aperture efficiency, fraction: below 5 % no feed illuminates a dish.
inline constexpr InputRange kEfficiency{0.05, 1.0, "0.05 to 1"};
/// Antenna gain, dBi: above isotropic, up to a 100 m dish at 100 GHz
/// (about 98 dBi).
inline constexpr InputRange kGainDbi{0.0, 100.0, "above 0 up to 100 dBi"};
/// System temperature, K: a cooled receiver (a few K) up to the sky noise
/// of the short waves (some 10^5 K at 10 MHz, ITU-R P.372).
inline constexpr InputRange kTsysK{1.0, 1.0e6, "1 to 1000000 K"};
/// Solar flux density, sfu: the quiet Sun at metre waves (a few sfu) up to
/// the strongest radio bursts recorded (about 10^6 sfu).
inline constexpr InputRange kSolarSfu{1.0, 1.0e6, "1 to 1000000 sfu"};
/// Brightness temperature of the lunar disk, K: the night side at
/// millimetre waves (about 100 K) to the sunlit surface (about 390 K).
inline constexpr InputRange kMoonK{50.0, 400.0, "50 to 400 K"};
/// Measured Y-factor, dB: above 0 (the source must add noise), up to what
/// the Sun gives the largest amateur dishes at microwaves (some 25 dB).
inline constexpr InputRange kMeasuredYDb{0.0, 40.0, "above 0 up to 40 dB"};
} // namespace input_range

/// True when `value` lies in `range`: Lo < value when Lo is 0 (a quantity
/// that must be positive), Lo <= value otherwise, and value <= Hi. False for
/// NaN.
inline bool InRange(double value, const InputRange& range) {
    const bool aboveLo = range.Lo == 0.0 ? value > 0.0 : value >= range.Lo;
    return aboveLo && value <= range.Hi;
}

} // namespace vantrel::measure
