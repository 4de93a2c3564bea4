#pragma once

#include "astro/SunMoon.h"

namespace vantrel {

/// The sun/moon library `libOrbex_sunmoon.so`, bound when the program starts
/// (it is linked dynamically; any library offering the same five angle
/// functions can take its place: GetDistance is bound weakly, and without it
/// GetDistanceKm is NaN). The library keeps one process-wide state, so all
/// instances share it; the program has one user-interface thread.
class OrbexSunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant& utc, double heightM, double latitudeDeg,
                   double longitudeDeg, SunMoonBody body) override;
    double GetAzimuth() override;
    double GetElevation() override;
    double GetGHA() override;
    double GetDecTopo() override;
    double GetDistanceKm() override;
};

} // namespace vantrel
