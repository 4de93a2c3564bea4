#include "astro/OrbexSunMoon.h"

#include "sunmoon/Orbex_sunmoon.h"

#include <limits>

// The distance reader is newer than the five angle entry points: a weak
// reference, so that a library offering only those five still binds.
#pragma weak GetDistance

namespace vantrel {

void OrbexSunMoon::DataToDLL(const DecodedInstant& utc, double heightM, double latitudeDeg,
                             double longitudeDeg, SunMoonBody body) {
    // The flag and the extra argument are reserved; the program always passes 0.
    ::DataToDLL(utc.Year, utc.Month, utc.Day, utc.Hour, utc.Minute, utc.Second, heightM,
                latitudeDeg, longitudeDeg, 0, static_cast<std::uint8_t>(body), 0.0);
}

double OrbexSunMoon::GetAzimuth() {
    return ::GetAzimuth();
}

double OrbexSunMoon::GetElevation() {
    return ::GetElevation();
}

double OrbexSunMoon::GetGHA() {
    return ::GetGHA();
}

double OrbexSunMoon::GetDecTopo() {
    return ::GetDecTopo();
}

double OrbexSunMoon::GetDistanceKm() {
    if (&::GetDistance == nullptr) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return ::GetDistance();
}

} // namespace vantrel
