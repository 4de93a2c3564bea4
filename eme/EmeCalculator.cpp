#include "eme/EmeCalculator.h"

#include "eme/EchoPath.h"
#include "eme/ParallacticAngle.h"
#include "sunmoon/Constants.h"

#include <cmath>

namespace vantrel::eme {

namespace {

/// Metres per second in one au per day.
constexpr double kMpsPerAuPerDay = sunmoon::kAuMetres / sunmoon::kSecondsPerDay;

sunmoon::UtcFields FieldsOf(const DecodedInstant& d) {
    return {d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second};
}

} // namespace

UtcSeconds UtcSecondsOf(DateTime utc) {
    return static_cast<UtcSeconds>(std::llround(utc * static_cast<double>(kWholeSecondsPerDay)));
}

EmeCalculator::EmeCalculator(const EmeSite& home, const std::optional<EmeSite>& dx,
                             const ObservingConditions& conditions, Ut1MinusUtc ut1)
    : conditions_(conditions), refractionOnly_(conditions), ut1_(std::move(ut1)) {
    refractionOnly_.Apparent = false;
    const auto place = [](Site& site, const EmeSite& where) {
        site.Where = where;
        site.Station =
            sunmoon::StationFromGeodetic(where.HeightM, where.LatitudeDeg, where.LongitudeDeg);
    };
    place(home_, home);
    if (dx) {
        place(dx_.emplace(), *dx);
    }
}

bool EmeCalculator::PrepareInstant(UtcSeconds utc) {
    if (haveInstant_ && utc == instant_) {
        return instantValid_;
    }
    haveInstant_ = true;
    instant_ = utc;
    instantValid_ = false;
    const DateTime at = DateTimeOf(utc);
    decoded_ = DecodeInstant(at);
    const std::optional<sunmoon::TimeScales> time = sunmoon::TimeScalesFromUtc(FieldsOf(decoded_));
    if (!time) {
        return false;
    }
    time_ = *time;
    if (ut1_) {
        // UT1 − UTC turns the Earth a little further; TT keeps following UTC.
        const double dut = ut1_(at);
        if (std::isfinite(dut)) {
            time_.Ut1Jd2 += dut / sunmoon::kSecondsPerDay;
        }
    }
    slow_ = ephemeris_.At(time_.TtDaysSinceJ2000);
    instantValid_ = true;
    return true;
}

MoonSight EmeCalculator::SightFrom(Site& site) {
    MoonSight s;
    if (!instantValid_ || !site.Station) {
        return s;
    }
    const sunmoon::Station& station = *site.Station;
    const sunmoon::Observer observer = sunmoon::ObserverAt(time_, station, slow_);
    const sunmoon::TopocentricPlace place =
        sunmoon::ApparentPlace(sunmoon::Body::Moon, observer, station, slow_);

    // Geometric, at one instant, in the geocentric frame: r = Moon − station.
    double r[3];
    double v[3];
    for (int i = 0; i < 3; ++i) {
        r[i] = slow_.MoonGeoPositionAu[i] - observer.PositionAu[i];
        v[i] = slow_.MoonGeoVelocityAuPerDay[i] - observer.VelocityAuPerDay[i];
    }
    const double lengthAu = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    s.DistanceKm = lengthAu * sunmoon::kAuKilometres;
    s.RangeRateMps = (r[0] * v[0] + r[1] * v[1] + r[2] * v[2]) / lengthAu * kMpsPerAuPerDay;

    s.AzimuthDeg = place.AzimuthDeg;
    s.AirlessElevationDeg = place.ElevationDeg;
    s.GhaDeg = place.GhaDeg;
    s.DeclinationDeg = place.DecDeg;
    s.ElevationDeg = place.ElevationDeg;
    if (conditions_.Refraction) {
        const StationCoordinates coordinates{site.Where.LatitudeDeg, site.Where.LongitudeDeg,
                                             site.Where.HeightM};
        if (site.Refraction.Prepare(decoded_, coordinates, refractionOnly_) != PrepareStatus::Ok) {
            return MoonSight{};
        }
        const LibraryPlaceDeg airless{place.AzimuthDeg, place.ElevationDeg, place.GhaDeg,
                                      place.DecDeg};
        s.ElevationDeg = site.Refraction.SunMoon(airless).ElevationDeg;
    }
    s.ParallacticAngleDeg = ParallacticAngleDeg(place.GhaDeg + site.Where.LongitudeDeg,
                                                place.DecDeg, site.Where.LatitudeDeg);
    s.Valid = std::isfinite(s.AzimuthDeg) && std::isfinite(s.ElevationDeg) &&
              std::isfinite(s.DistanceKm) && std::isfinite(s.RangeRateMps);
    return s;
}

EmeCalculator::Sights EmeCalculator::SightsAt(UtcSeconds utc) {
    Sights sights;
    PrepareInstant(utc);
    sights.Home = SightFrom(home_);
    if (dx_) {
        sights.Dx = SightFrom(*dx_);
    }
    return sights;
}

EmeMoment EmeCalculator::At(UtcSeconds utc) {
    EmeMoment m;
    m.Utc = utc;
    const Sights sights = SightsAt(utc);
    m.Home = sights.Home;
    m.Dx = sights.Dx;
    m.HasDx = dx_.has_value();
    if (!m.Home.Valid || (m.HasDx && !m.Dx.Valid)) {
        return m;
    }
    const double f = conditions_.FrequencyMHz;
    m.EchoDelayS = EchoDelaySeconds(m.Home.DistanceKm);
    m.EchoDopplerHz = EchoDopplerHz(f, m.Home.RangeRateMps);
    m.PathLossDb = PathLossDb(m.Home.DistanceKm, f);
    m.PathLossChangeDb = PathLossChangeDb(m.Home.DistanceKm);
    m.SemiDiameterDeg = MoonSemiDiameterDeg(m.Home.DistanceKm);
    m.DeclinationDeg = m.Home.DeclinationDeg;
    if (m.HasDx) {
        m.DxDopplerHz = DxDopplerHz(f, m.Home.RangeRateMps, m.Dx.RangeRateMps);
        m.PolarisationOffsetDeg =
            PolarisationOffsetDeg(m.Home.ParallacticAngleDeg, m.Dx.ParallacticAngleDeg);
    }
    m.Valid = true;
    return m;
}

} // namespace vantrel::eme
