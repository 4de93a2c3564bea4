#include "sunmoon/SunMoonEngine.h"

#include <bit>

namespace vantrel::sunmoon {

bool SameRequest(const Request& a, const Request& b) {
    return a.Utc == b.Utc && a.BodyCode == b.BodyCode &&
           std::bit_cast<std::uint64_t>(a.HeightM) == std::bit_cast<std::uint64_t>(b.HeightM) &&
           std::bit_cast<std::uint64_t>(a.LatitudeDeg) ==
               std::bit_cast<std::uint64_t>(b.LatitudeDeg) &&
           std::bit_cast<std::uint64_t>(a.LongitudeDeg) ==
               std::bit_cast<std::uint64_t>(b.LongitudeDeg);
}

std::optional<TopocentricPlace> SunMoonEngine::Compute(const Request& request) {
    if (!haveLast_ || !SameRequest(request, lastRequest_)) {
        lastPlace_ = ComputeAfresh(request);
        lastRequest_ = request;
        haveLast_ = true;
    }
    return lastPlace_;
}

std::optional<TopocentricPlace> SunMoonEngine::ComputeAfresh(const Request& request) {
    if (request.BodyCode != static_cast<int>(Body::Moon) &&
        request.BodyCode != static_cast<int>(Body::Sun)) {
        return std::nullopt;
    }

    const StationKey stationKey{std::bit_cast<std::uint64_t>(request.HeightM),
                                std::bit_cast<std::uint64_t>(request.LatitudeDeg),
                                std::bit_cast<std::uint64_t>(request.LongitudeDeg)};
    if (!haveStation_ || !(stationKey == stationKey_)) {
        haveObserver_ = false;
        haveStation_ = false;
        const std::optional<Station> station =
            StationFromGeodetic(request.HeightM, request.LatitudeDeg, request.LongitudeDeg);
        if (!station) {
            return std::nullopt;
        }
        station_ = *station;
        stationKey_ = stationKey;
        haveStation_ = true;
    }

    if (!haveInstant_ || !(request.Utc == instantKey_)) {
        haveObserver_ = false;
        haveInstant_ = false;
        const std::optional<TimeScales> time = TimeScalesFromUtc(request.Utc);
        if (!time) {
            return std::nullopt;
        }
        time_ = *time;
        slow_ = ephemeris_.At(time_.TtDaysSinceJ2000);
        instantKey_ = request.Utc;
        haveInstant_ = true;
    }

    if (!haveObserver_) {
        observer_ = ObserverAt(time_, station_, slow_);
        haveObserver_ = true;
    }
    return ApparentPlace(static_cast<Body>(request.BodyCode), observer_, station_, slow_);
}

} // namespace vantrel::sunmoon
