// The library's C entry points over one process-wide SunMoonEngine.

#include "sunmoon/Orbex_sunmoon.h"

#include "sunmoon/SunMoonEngine.h"

#include <limits>

namespace {

using vantrel::sunmoon::Request;
using vantrel::sunmoon::SunMoonEngine;
using vantrel::sunmoon::TopocentricPlace;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

/// The library's state: the engine and its caches, and the angles and the
/// distance of the last DataToDLL (NaN before the first and after a bad one).
struct LibraryState {
    SunMoonEngine Engine;
    TopocentricPlace Last{kNaN, kNaN, kNaN, kNaN, kNaN};
};

LibraryState& State() {
    static LibraryState state;
    return state;
}

} // namespace

extern "C" {

void DataToDLL(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute,
               uint16_t second, double height, double latitude, double longitude, uint8_t /*flag*/,
               uint8_t body, double /*extra*/) {
    Request request;
    request.Utc = {year, month, day, hour, minute, second};
    request.HeightM = height;
    request.LatitudeDeg = latitude;
    request.LongitudeDeg = longitude;
    request.BodyCode = body;
    LibraryState& state = State();
    state.Last =
        state.Engine.Compute(request).value_or(TopocentricPlace{kNaN, kNaN, kNaN, kNaN, kNaN});
}

double GetAzimuth(void) {
    return State().Last.AzimuthDeg;
}

double GetElevation(void) {
    return State().Last.ElevationDeg;
}

double GetGHA(void) {
    return State().Last.GhaDeg;
}

double GetDecTopo(void) {
    return State().Last.DecDeg;
}

double GetDistance(void) {
    return State().Last.DistanceKm;
}

} // extern "C"
