#include "sunmoon/TopocentricPlace.h"

#include "sunmoon/Constants.h"

#include <erfa.h>
#include <erfam.h>

#include <cmath>

namespace vantrel::sunmoon {

namespace {

constexpr double kRightAngleDeg = 90.0;
constexpr double kFullTurnDeg = 360.0;

/// r = m · v for a 3×3 matrix; m ᵀ · v when `transpose`.
void Rotate(const double (&m)[3][3], const double (&v)[3], double (&r)[3], bool transpose) {
    for (int i = 0; i < 3; ++i) {
        r[i] = transpose ? m[0][i] * v[0] + m[1][i] * v[1] + m[2][i] * v[2]
                         : m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
    }
}

double Norm(const double (&v)[3]) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

} // namespace

double WrapDegrees360(double angleDeg) {
    double a = std::fmod(angleDeg, kFullTurnDeg);
    if (a < 0) {
        a += kFullTurnDeg;
    }
    return a >= kFullTurnDeg ? 0.0 : a;
}

std::optional<Station> StationFromGeodetic(double heightM, double latitudeDeg,
                                           double longitudeDeg) {
    // Written so that NaN fails every test.
    if (!(std::fabs(latitudeDeg) <= kRightAngleDeg) ||
        !(std::fabs(longitudeDeg) <= kLongitudeLimitDeg) ||
        !(heightM >= kLowestHeightM && heightM <= kHighestHeightM)) {
        return std::nullopt;
    }
    const double lat = latitudeDeg * kDegToRad;
    const double lon = longitudeDeg * kDegToRad;
    Station s;
    if (eraGd2gc(ERFA_WGS84, lon, lat, heightM, s.PositionM) != 0) {
        return std::nullopt;
    }
    s.SinLat = std::sin(lat);
    s.CosLat = std::cos(lat);
    s.SinLon = std::sin(lon);
    s.CosLon = std::cos(lon);
    return s;
}

Observer ObserverAt(const TimeScales& time, const Station& station, const SlowQuantities& slow) {
    Observer o;
    o.GastRad = eraAnp(eraEra00(time.Ut1Jd1, time.Ut1Jd2) - slow.EquationOfOriginsRad);
    o.SinGast = std::sin(o.GastRad);
    o.CosGast = std::cos(o.GastRad);

    // Earth-fixed to true equator and equinox of date: a rotation by −GAST
    // about the pole; the velocity is ω × r.
    const double* r = station.PositionM;
    const double auPerMetre = 1.0 / kAuMetres;
    const double trueOfDateAu[3] = {(o.CosGast * r[0] - o.SinGast * r[1]) * auPerMetre,
                                    (o.SinGast * r[0] + o.CosGast * r[1]) * auPerMetre,
                                    r[2] * auPerMetre};
    const double omegaPerDay = kEarthRotationRadPerSecond * kSecondsPerDay;
    const double trueOfDateVelocity[3] = {-omegaPerDay * trueOfDateAu[1],
                                          omegaPerDay * trueOfDateAu[0], 0.0};
    Rotate(slow.Npb, trueOfDateAu, o.PositionAu, true);
    Rotate(slow.Npb, trueOfDateVelocity, o.VelocityAuPerDay, true);

    double v2 = 0;
    for (int i = 0; i < 3; ++i) {
        o.BaryVelocityC[i] =
            (slow.EarthBaryVelocityAuPerDay[i] + o.VelocityAuPerDay[i]) / kLightAuPerDay;
        v2 += o.BaryVelocityC[i] * o.BaryVelocityC[i];
    }
    o.InverseLorentz = std::sqrt(1.0 - v2);
    return o;
}

TopocentricPlace ApparentPlace(Body body, const Observer& observer, const Station& station,
                               const SlowQuantities& slow) {
    // Body relative to the observer now, and the body's barycentric velocity.
    double p[3];
    double bodyVelocity[3];
    for (int i = 0; i < 3; ++i) {
        if (body == Body::Moon) {
            p[i] = slow.MoonGeoPositionAu[i] - observer.PositionAu[i];
            bodyVelocity[i] = slow.MoonGeoVelocityAuPerDay[i] + slow.EarthBaryVelocityAuPerDay[i];
        } else {
            p[i] = -slow.EarthHelioPositionAu[i] - observer.PositionAu[i];
            bodyVelocity[i] =
                slow.EarthBaryVelocityAuPerDay[i] - slow.EarthHelioVelocityAuPerDay[i];
        }
    }
    // Light time: the body where it was when the light left it.
    const double lightTimeDays = Norm(p) / kLightAuPerDay;
    for (int i = 0; i < 3; ++i) {
        p[i] -= lightTimeDays * bodyVelocity[i];
    }
    const double distance = Norm(p);
    double natural[3] = {p[0] / distance, p[1] / distance, p[2] / distance};

    // Aberration; the Sun-observer distance enters only eraAb's tiny
    // gravitational term.
    double sunToObserver[3];
    for (int i = 0; i < 3; ++i) {
        sunToObserver[i] = slow.EarthHelioPositionAu[i] + observer.PositionAu[i];
    }
    double velocity[3] = {observer.BaryVelocityC[0], observer.BaryVelocityC[1],
                          observer.BaryVelocityC[2]};
    double apparent[3];
    eraAb(natural, velocity, Norm(sunToObserver), observer.InverseLorentz, apparent);

    // True equator and equinox of date, then Earth-fixed (rotation by GAST).
    double ofDate[3];
    Rotate(slow.Npb, apparent, ofDate, false);
    const double x = observer.CosGast * ofDate[0] + observer.SinGast * ofDate[1];
    const double y = -observer.SinGast * ofDate[0] + observer.CosGast * ofDate[1];
    const double z = ofDate[2];

    // Local horizon: east, north and up of the geodetic normal.
    const double east = -station.SinLon * x + station.CosLon * y;
    const double towardsPole = station.CosLon * x + station.SinLon * y;
    const double north = -station.SinLat * towardsPole + station.CosLat * z;
    const double up = station.CosLat * towardsPole + station.SinLat * z;

    // Components of a unit vector: no overflow in the squares.
    TopocentricPlace place;
    place.GhaDeg = WrapDegrees360(-std::atan2(y, x) * kRadToDeg);
    place.DecDeg = std::atan2(z, std::sqrt(x * x + y * y)) * kRadToDeg;
    place.AzimuthDeg = WrapDegrees360(std::atan2(east, north) * kRadToDeg);
    place.ElevationDeg = std::atan2(up, std::sqrt(east * east + north * north)) * kRadToDeg;
    place.DistanceKm = distance * kAuKilometres;
    return place;
}

} // namespace vantrel::sunmoon
