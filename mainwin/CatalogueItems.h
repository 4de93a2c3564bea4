#pragma once

#include <array>
#include <string_view>

namespace vantrel {

/// The texts of the three "More Sources" lists, in list order. The numbers in
/// them are for reading only; choosing an item stores the entry of the same
/// index of the catalogue, whose values are the ones computed with.
inline constexpr std::array<std::string_view, 7> kSupernovaRemnantItems{
    "3C10       00:22.6    +63:52      44",
    "3C144     05:34.32  +21:59    875    Taurus A",
    "3C157     06:14.3    +22:00    190",
    "W41        18:31.6    -08:57       75",
    "3C392     18:53.6    +01:15     171   W44",
    "W78        20:48.2    +29:30       90   Cygnus loop",
    "3C461     23:23.24  +58:49   2480   Cassiopeia A",
};
inline constexpr std::array<std::string_view, 7> kRadioGalaxyItems{
    "3C123     04:33.9   +29:34       47",
    "3C218    09:18.05   -12.06        43      D Galaxy",
    "M87       12:30.49   +12:23     198     Virgo A",
    "3C295   14:09.6     +52:26       23      D Galaxy",
    "3C348   16:48.7     +05:05       45      Hercules A",
    "3C353   17:17.9     -00:56        57      D Galaxy",
    "3C405   19:59.33  +40:44     1495    Cygnus A",
};
inline constexpr std::array<std::string_view, 9> kNebulaItems{
    "W3          02:22.7   +61.51    170    IC1795",
    "3C145     05:32.8   -05:27     520    Orion A",
    "3C147     05:38.4   -01:54       95    Orion B",
    "W28        17:58.2   -23:22     360    M20",
    "W29        18:01.0   -24:22     260",
    "W33        18:10.4   -18:00     190",
    "W37        18:16.3   -13:45     260    M16",
    "W38        18:17.8   -16:09   1060    M17",
    "3C400     19:20.8   +14:08    710    W51",
};

} // namespace vantrel
