#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// The unit of a power meter's readings.
enum class ReadingUnit {
    Dbm,       ///< dBm: averaged as mW, given in dBm
    Db,        ///< dB relative to anything the instrument chooses: given in dB
    Watt,      ///< linear W: given in dBm
    Milliwatt, ///< linear mW: given in dBm
};

/// "dbm", "db", "w" or "mw", any case; nothing for anything else.
std::optional<ReadingUnit> ParseReadingUnit(std::string_view text);

/// What blocks of these readings are given in: "dBm" or "dB".
std::string_view ReadingUnitDb(ReadingUnit unit);

/// What one output line of a command held.
struct LineReading {
    /// mW (dBm, W, mW) or a ratio (dB); finite, positive but for a linear
    /// reading (W, mW) at or below a meter's zero.
    std::optional<double> Linear;
    std::string Problem; ///< why the line holds no reading; empty for a blank line or a comment
};

/// Reads one line of a power meter's output: fields separated by blanks,
/// tabs, commas, semicolons or line breaks; field `column` (from 1) is the reading, a
/// number of the C locale ("-45.3", "1.2e-6"). Blank lines and lines
/// starting with '#' hold no reading and no problem. A reading in dB(m)
/// from −1000 to +1000 becomes 10^(x/10); one in W or mW is kept as it is,
/// 0 or below too (a meter near its zero: the average stays linear). A
/// number with a decimal comma ("-61,5", a token of its own) is refused
/// with a hint, never read as −61 and 5.
/// Problems are sentences quoting at most 40 bytes of the field, as read
/// (the caller makes them safe for a terminal).
LineReading ParseReadingLine(std::string_view line, ReadingUnit unit, int column);

} // namespace vantrel
