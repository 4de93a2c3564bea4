#pragma once

#include "apparent/SkySource.h"

#include <array>
#include <cstdint>

namespace vantrel {

/// A colour as 8-bit sRGB channels.
struct SourceRgb {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
};

/// The colour of each source on the charts, in the grids' column order
/// (pair 0 Aquarius .. 8 the Sun): the curves of the elevation chart and the
/// day tracks of the sky chart take it from here, so a source looks the same
/// on both. The Moon a slate blue and the Sun an orange, as the eye expects
/// them; the others from the "tab10" palette of matplotlib (Hunter 2007,
/// Computing in Science & Engineering 9, 90), told apart by most readers with
/// a colour-vision deficiency.
inline constexpr std::array<SourceRgb, kDisplayedSourceCount> kSourceColours{{{31, 119, 180},
                                                                              {44, 160, 44},
                                                                              {148, 103, 189},
                                                                              {214, 39, 40},
                                                                              {140, 86, 75},
                                                                              {227, 119, 194},
                                                                              {23, 190, 207},
                                                                              {70, 90, 140},
                                                                              {255, 140, 0}}};

} // namespace vantrel
