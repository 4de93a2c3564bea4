#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

/// The one station record the whole program shares. Both windows change its
/// fields in place; every computation reads a field when it needs it, and
/// only "Save Home Data" writes it to the data file. Default-constructed it
/// is the zero-filled record used when no data file can be read.
///
/// The reals are `long double` (the x87 80-bit extended type on x86-64).
struct HomeStation {
    long double Latitude = 0;      ///< degrees, north positive
    long double Longitude = 0;     ///< degrees, east positive
    long double HeightAsl = 0;     ///< metres above sea level
    long double UtcOffset = 0;     ///< hours; local time = UTC + UtcOffset
    long double UserSourceRa = 0;  ///< user-defined source right ascension, hours
    long double UserSourceDec = 0; ///< user-defined source declination, degrees
    std::string Location;          ///< at most 15 8-bit characters
    std::string UserSourceName;    ///< at most 15 8-bit characters
    std::string CallSign;          ///< at most 8 8-bit characters
    std::int32_t CalcInterval = 0; ///< planning sweep step, minutes
    std::int32_t HintOption = 0;   ///< 0 "8 seconds", 1 "4 seconds", 2 "2 seconds", 3 "Disable"
    std::int32_t SourceOption = 0; ///< 0 Cassiopeia A, 1 Centaurus A, 2 user-defined source
    std::uint8_t DisplayMode = 0;  ///< 0 azimuth/elevation, 1 GHA/declination

    bool operator==(const HomeStation&) const = default;
};

/// Capacities of the text fields, in characters (bytes).
inline constexpr std::size_t kLocationCapacity = 15;
inline constexpr std::size_t kUserSourceNameCapacity = 15;
inline constexpr std::size_t kCallSignCapacity = 8;

} // namespace vantrel
