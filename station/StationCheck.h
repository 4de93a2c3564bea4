#pragma once

#include "station/HomeStation.h"

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// The values a station record may hold for the computation to mean
/// anything. The data file keeps whatever it read (a damaged or foreign file
/// can hold 1e30, NaN or a UTC offset of 30 h); these limits let the windows
/// and the tools say so instead of showing numbers computed from it.
///
/// Every range is closed (both ends allowed). A NaN or an infinity is out of
/// every range.
struct StationRange {
    long double Lo;
    long double Hi;
};

namespace station_range {
/// Latitude, degrees north positive.
inline constexpr StationRange kLatitudeDeg{-90, 90};
/// Longitude, degrees east positive.
inline constexpr StationRange kLongitudeDeg{-180, 180};
/// Height above sea level, metres: what the Sun and Moon library accepts
/// (below it, every angle of the Sun and the Moon is NaN).
inline constexpr StationRange kHeightM{-11000, 100000};
/// UTC offset, hours (local time = UTC + offset): the widest offset a
/// station's local time can sensibly take without the date running away.
inline constexpr StationRange kUtcOffsetHours{-23.5L, 23.5L};
/// User-defined source right ascension, hours.
inline constexpr StationRange kRightAscensionHours{0, 24};
/// User-defined source declination, degrees.
inline constexpr StationRange kDeclinationDeg{-90, 90};
/// Noise source option: 0 Cassiopeia A, 1 Centaurus A, 2 user-defined.
inline constexpr StationRange kSourceOption{0, 2};
} // namespace station_range

/// One field of a station record outside its range.
struct StationProblem {
    std::string Field; ///< the field's name as the user knows it: "latitude"
    std::string Value; ///< the value as stored: "1e+30", "NaN", "-inf", "30"
    std::string Range; ///< the allowed range with its unit: "-90 to 90 degrees"

    bool operator==(const StationProblem&) const = default;
};

/// The fields of `station` outside their ranges, in record order: latitude,
/// longitude, height, UTC offset, user source right ascension, user source
/// declination, noise source option. Empty for a sound station.
///
/// Not checked: the texts (any bytes are shown as they are), the hint option
/// and the display mode (an unknown value behaves as a known one), and the
/// calculation interval: an interval below 1 minute is also what a missing
/// data file leaves, and the planning sweep refuses it with its own message
/// when a table is asked for.
std::vector<StationProblem> CheckStation(const HomeStation& station);

/// Whether every field `CheckStation` checks is within its range: the same
/// judgement as `CheckStation(station).empty()`, without allocating, for a
/// check at every tick of the real-time display.
bool StationInRange(const HomeStation& station);

/// One problem as a phrase without line breaks:
/// "latitude 1e+30 is out of range (-90 to 90 degrees)".
std::string DescribeProblem(const StationProblem& problem);

/// All problems as one line for standard error, without a line break:
/// "the station data is out of range: latitude NaN is out of range (-90 to
/// 90 degrees); UTC offset 30 is out of range (-23.5 to 23.5 hours)".
/// Empty when there are none.
std::string ProblemsLine(const std::vector<StationProblem>& problems);

/// Title of the message box that reports the problems.
inline constexpr std::string_view kStationProblemTitle = "Warning";

/// All problems as the text of one message box: a first line saying the
/// home station data is out of range, one line per problem, and what to do.
/// Empty when there are none.
std::string ProblemsMessage(const std::vector<StationProblem>& problems);

/// The words of `ProblemsMessage` as one paragraph, the problems separated
/// by "; ", for a window that shows them in place of the numbers rather
/// than in a box. Empty when there are none.
std::string ProblemsParagraph(const std::vector<StationProblem>& problems);

} // namespace vantrel
