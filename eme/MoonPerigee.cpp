#include "eme/MoonPerigee.h"

#include "sunmoon/Constants.h"
#include "sunmoon/SlowEphemeris.h"
#include "sunmoon/TimeScales.h"

#include <cmath>
#include <optional>

namespace vantrel::eme {

namespace {

constexpr UtcSeconds kScanStepS = 3600;
constexpr UtcSeconds kScanSpanS = 30 * kWholeSecondsPerDay;

class Distances {
public:
    GeocentricMoon At(UtcSeconds utc) {
        GeocentricMoon g;
        const DecodedInstant d = DecodeInstant(DateTimeOf(utc));
        const std::optional<sunmoon::TimeScales> time =
            sunmoon::TimeScalesFromUtc({d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second});
        if (!time) {
            return g;
        }
        const sunmoon::SlowQuantities q = ephemeris_.At(time->TtDaysSinceJ2000);
        const double* r = q.MoonGeoPositionAu;
        const double* v = q.MoonGeoVelocityAuPerDay;
        const double length = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
        g.DistanceKm = length * sunmoon::kAuKilometres;
        g.RangeRateMps = (r[0] * v[0] + r[1] * v[1] + r[2] * v[2]) / length * sunmoon::kAuMetres /
                         sunmoon::kSecondsPerDay;
        return g;
    }

private:
    sunmoon::SlowEphemeris ephemeris_;
};

/// The second in (lo, hi] where the rate, of sign `loSign` at lo, changes sign.
UtcSeconds Bisect(Distances& d, UtcSeconds lo, UtcSeconds hi, bool loNegative) {
    while (hi - lo > 1) {
        const UtcSeconds mid = lo + (hi - lo) / 2;
        if ((d.At(mid).RangeRateMps < 0) == loNegative) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    // The nearer of the two seconds to the rate's zero.
    return std::fabs(d.At(lo).RangeRateMps) < std::fabs(d.At(hi).RangeRateMps) ? lo : hi;
}

} // namespace

GeocentricMoon GeocentricMoonAt(UtcSeconds utc) {
    Distances d;
    return d.At(utc);
}

PerigeeApogee NextPerigeeApogee(UtcSeconds utc) {
    PerigeeApogee p;
    Distances d;
    GeocentricMoon last = d.At(utc);
    if (!std::isfinite(last.RangeRateMps)) {
        return p;
    }
    bool havePerigee = false;
    bool haveApogee = false;
    for (UtcSeconds t = utc + kScanStepS; t <= utc + kScanSpanS && !(havePerigee && haveApogee);
         t += kScanStepS) {
        const GeocentricMoon now = d.At(t);
        if (!std::isfinite(now.RangeRateMps)) {
            return p;
        }
        const bool wasNegative = last.RangeRateMps < 0;
        if (wasNegative != (now.RangeRateMps < 0)) {
            const UtcSeconds at = Bisect(d, t - kScanStepS, t, wasNegative);
            if (wasNegative && !havePerigee) {
                p.PerigeeUtc = at;
                p.PerigeeKm = d.At(at).DistanceKm;
                havePerigee = true;
            } else if (!wasNegative && !haveApogee) {
                p.ApogeeUtc = at;
                p.ApogeeKm = d.At(at).DistanceKm;
                haveApogee = true;
            }
        }
        last = now;
    }
    p.Valid = havePerigee && haveApogee;
    return p;
}

} // namespace vantrel::eme
