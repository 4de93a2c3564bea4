#pragma once

#include "scan/ColdSkyReference.h"
#include "scan/ScanSettings.h"

#include <optional>
#include <string>

namespace vantrel::scan {

/// Where the off readings of a sequence are taken, with the skies the
/// background correction takes.
struct OffPointPlan {
    /// From the source, azimuth as a true angle on the sky, degrees (the
    /// step in azimuth times cos(elevation)); the elevation is the source's.
    double AzimuthOffsetDeg = 0;
    double SourceTskyK = 0; ///< the sky behind the source, K
    double OffTskyK = 0;    ///< the sky at the off point, K
    /// T_sky,source − T_sky,off, K: what (Y − 1)·Tsys holds besides the
    /// source.
    double BackgroundDifferenceK = 0;
    /// True for the coldest sky, false for a side (the sequence names it
    /// east or west by the source's place).
    bool Reference = false;
};

/// The off point of `choice` from the sky model's answer `sky` (made with
/// the sequence's OffBeams): the colder of the two sides, or the coldest
/// sky. None for Alternate, and, with `why` set, when the sky model gives
/// no answer for it (both sides hidden, no cold sky on the circle).
std::optional<OffPointPlan> ChooseOffPoint(OffChoice choice, const ColdSkyReference& sky,
                                           double offBeams, double beamwidthDeg,
                                           double sourceElevationDeg, std::string& why);

} // namespace vantrel::scan
