#pragma once

#include "astro/SunMoon.h"

namespace vantrel::test {

/// A sun/moon library whose Sun and Moon stand where the test puts them, so
/// the tracker can be driven to any azimuth and elevation. Degrees.
class PlacedSunMoon final : public SunMoonLibrary {
public:
    double AzimuthDeg = 0;
    double ElevationDeg = 45;

    void DataToDLL(const DecodedInstant&, double, double, double, SunMoonBody) override {}
    double GetAzimuth() override { return AzimuthDeg; }
    double GetElevation() override { return ElevationDeg; }
    double GetGHA() override { return 0; }
    double GetDecTopo() override { return 0; }
};

} // namespace vantrel::test
