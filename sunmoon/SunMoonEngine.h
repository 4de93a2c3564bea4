#pragma once

#include "sunmoon/SlowEphemeris.h"
#include "sunmoon/TimeScales.h"
#include "sunmoon/TopocentricPlace.h"

#include <cstdint>
#include <optional>

namespace vantrel::sunmoon {

/// One request: a UTC instant, a station and a body, as DataToDLL takes them.
struct Request {
    UtcFields Utc;
    double HeightM = 0;      ///< metres above the WGS84 ellipsoid
    double LatitudeDeg = 0;  ///< geodetic, north positive
    double LongitudeDeg = 0; ///< east positive
    int BodyCode = 0;        ///< 0 Moon, 1 Sun
};

/// True when two requests are the same bit for bit (so NaN equals NaN, and
/// 0.0 differs from −0.0).
bool SameRequest(const Request& a, const Request& b);

/// Computes topocentric places and keeps what consecutive requests share:
/// the interpolation window of the slow quantities, the time scales and
/// slow quantities of the last instant, the last station, and the observer
/// of the last instant and station (the planning sweep asks for the Moon and
/// then the Sun at the same instant and station), and the last request with
/// its answer (the real-time display asks twice). Every cached value is the
/// one a fresh computation gives, so a result depends only on its request,
/// never on the requests before it.
class SunMoonEngine {
public:
    /// The place for a request, or nothing when the request is not valid
    /// (see TimeScalesFromUtc, StationFromGeodetic; body other than 0 or 1).
    std::optional<TopocentricPlace> Compute(const Request& request);

    /// The interpolation windows fitted so far.
    std::int64_t FittedWindows() const { return ephemeris_.FittedWindows(); }

private:
    struct StationKey {
        std::uint64_t Height = 0, Latitude = 0, Longitude = 0; // bit patterns

        bool operator==(const StationKey&) const = default;
    };

    std::optional<TopocentricPlace> ComputeAfresh(const Request& request);

    SlowEphemeris ephemeris_;

    bool haveLast_ = false;
    Request lastRequest_;
    std::optional<TopocentricPlace> lastPlace_;

    bool haveInstant_ = false;
    UtcFields instantKey_;
    TimeScales time_;
    SlowQuantities slow_;

    bool haveStation_ = false;
    StationKey stationKey_;
    Station station_;

    bool haveObserver_ = false;
    Observer observer_;
};

} // namespace vantrel::sunmoon
