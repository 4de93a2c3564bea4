#pragma once

#include "station/HomeStation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vantrel {

/// Every source the program can point at or draw: the seven fixed sources of
/// the real-time display (the option pair counted three times, once for each
/// of its choices), the Moon and the Sun. The order is the display's, left
/// to right.
enum class SkySource : std::uint8_t {
    Aquarius,
    Leo,
    CassiopeiaA,
    CentaurusA,
    UserDefined, ///< the station's user-defined source (possibly a catalogue pick)
    CygnusA,
    TaurusA,
    VirgoA,
    SagittariusA,
    Moon,
    Sun,
};

inline constexpr std::array<SkySource, 11> kAllSkySources{
    SkySource::Aquarius,     SkySource::Leo,     SkySource::CassiopeiaA, SkySource::CentaurusA,
    SkySource::UserDefined,  SkySource::CygnusA, SkySource::TaurusA,     SkySource::VirgoA,
    SkySource::SagittariusA, SkySource::Moon,    SkySource::Sun};

/// Number of column pairs of the real-time display (Aquarius to the Sun).
inline constexpr std::size_t kDisplayedSourceCount = 9;

/// The short name used on command lines and in Vanset.ini: "aquarius",
/// "leo", "cas", "cen", "user", "cyg", "tau", "vir", "sgr", "moon", "sun".
std::string_view SkySourceKey(SkySource source);

/// The source of a short name (exact, lower case); empty for any other text.
std::optional<SkySource> SkySourceFromKey(std::string_view key);

/// The source a user names on a command line: a short name of
/// `SkySourceKey` or a title the grids show ("Cassiopeia-A", "Moon"), in
/// any case, with a blank or "_" where the title has "-" ("cassiopeia a").
/// Empty for any other text. The user-defined source is "user" alone: its
/// title is the station's own.
std::optional<SkySource> SkySourceFromName(std::string_view name);

/// The source the real-time display shows in column pair `pair` (0 Aquarius
/// at columns 2-3 to 8 the Sun at columns 18-19): pair 2 follows the
/// station's source option. Empty beyond pair 8, and for pair 2 when the
/// option is none of 0, 1, 2 (a damaged data file).
std::optional<SkySource> DisplayedSource(std::size_t pair, const HomeStation& station);

/// The column pair (0..8) of the real-time display that shows `source` for
/// this station; empty for Cassiopeia A, Centaurus A or the user-defined
/// source when the station's option shows another of the three.
std::optional<std::size_t> DisplayPairOf(SkySource source, const HomeStation& station);

/// True for the Moon and the Sun, whose places come from the sun/moon library.
inline bool IsSunOrMoon(SkySource source) {
    return source == SkySource::Moon || source == SkySource::Sun;
}

} // namespace vantrel
