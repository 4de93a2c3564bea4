#pragma once

#include "controls/GridCells.h"
#include "station/HomeStation.h"

#include <array>

namespace vantrel {

/// Number of columns of both grids: two time columns and nine column pairs.
inline constexpr int kGridColumns = 20;
/// Column of the first pair, and of the Moon and the Sun pairs.
inline constexpr int kFirstPairColumn = 2;
inline constexpr int kMoonColumn = 16;
inline constexpr int kSunColumn = 18;

namespace gridcolour {
inline constexpr Colour kTimeHeader = colour::kWhite;
inline constexpr Colour kBlue = 0x00F0CAA6; ///< R 166, G 202, B 240
inline constexpr Colour kGrey = 0x00E2E2E2; ///< R, G, B 226
inline constexpr Colour kMoon = 0x00F7DFCA; ///< R 202, G 223, B 247
inline constexpr Colour kSun = 0x009EA8FE;  ///< R 254, G 168, B 158
inline constexpr Colour kDayRow = colour::kYellow;
inline constexpr Colour kBelowHorizon = colour::kWhite;
} // namespace gridcolour

/// Background of the nine pairs, header and planning data alike, in column
/// order (columns 2-3 to 18-19).
inline constexpr std::array<Colour, 9> kPairBackground{
    gridcolour::kBlue,     gridcolour::kBlue,     colour::kActiveBorder,
    gridcolour::kGrey,     colour::kActiveBorder, gridcolour::kGrey,
    colour::kActiveBorder, gridcolour::kMoon,     gridcolour::kSun};

/// Writes header rows 0 and 1 of a grid from the station's display mode
/// (0 Az/El, anything else Polar), source option and user source name. Every
/// header cell is written again, so a change of mode or option replaces the
/// texts in place. With a source option other than 0, 1 or 2 the title of
/// columns 6-7 keeps its previous text.
void LayoutHeader(GridCells& grid, const HomeStation& station);

} // namespace vantrel
