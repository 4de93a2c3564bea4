#include "eme/EmeCalculator.h"

#include "eme/EchoPath.h"
#include "eme/MoonNoise.h"
#include "eme/MoonRotation.h"
#include "eme/ParallacticAngle.h"
#include "eme/SkyDegradation.h"
#include "measure/MoonBrightness.h"
#include "sunmoon/Constants.h"

#include <cmath>
#include <numbers>

namespace vantrel::eme {

namespace {

/// Metres per second in one au per day.
constexpr double kMpsPerAuPerDay = sunmoon::kAuMetres / sunmoon::kSecondsPerDay;

sunmoon::UtcFields FieldsOf(const DecodedInstant& d) {
    return {d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second};
}

constexpr double kDegPerRad = 180.0 / std::numbers::pi;
/// Half the span of the Doppler rates' difference, seconds.
constexpr UtcSeconds kRateHalfSpanS = 30;
constexpr double kSecondsPerMinute = 60.0;

double Length(const double a[3]) {
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

/// The angle between two vectors, degrees, 0..180 (atan2 of the cross and
/// the dot product: exact at small and large angles alike).
double AngleDeg(const double a[3], const double b[3]) {
    const double cross[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                             a[0] * b[1] - a[1] * b[0]};
    const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    return std::atan2(Length(cross), dot) * kDegPerRad;
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
        s.BelowRadioHorizon =
            site.Refraction.Refraction().BelowRadioHorizon(place.ElevationDeg / kDegPerRad);
    }
    s.J2000RaDeg = std::atan2(r[1], r[0]) * kDegPerRad;
    if (s.J2000RaDeg < 0) {
        s.J2000RaDeg += 360.0;
    }
    s.J2000DecDeg = std::asin(r[2] / lengthAu) * kDegPerRad;
    // The Sun from the station: the Earth's heliocentric place reversed.
    double sun[3];
    for (int i = 0; i < 3; ++i) {
        sun[i] = -slow_.EarthHelioPositionAu[i] - observer.PositionAu[i];
    }
    s.SunMoonDeg = AngleDeg(sun, r);
    const double sunLength = std::sqrt(sun[0] * sun[0] + sun[1] * sun[1] + sun[2] * sun[2]);
    s.PhaseDeg =
        measure::MoonPhaseDeg(s.J2000RaDeg, s.J2000DecDeg, std::atan2(sun[1], sun[0]) * kDegPerRad,
                              std::asin(sun[2] / sunLength) * kDegPerRad);
    double rKm[3];
    double vKmPerS[3];
    for (int i = 0; i < 3; ++i) {
        rKm[i] = r[i] * sunmoon::kAuKilometres;
        vKmPerS[i] = v[i] * sunmoon::kAuKilometres / sunmoon::kSecondsPerDay;
    }
    s.ApparentRotationRadPerS = ApparentRotationRadPerS(rKm, vKmPerS, time_.TtDaysSinceJ2000);
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

void EmeCalculator::SetSkyBehindMoon(const sky::SkyBrightness* sky, double homeHpbwDeg,
                                     double dxHpbwDeg, double receiverK) {
    if (sky != sky_) {
        homeSky_ = {};
        dxSky_ = {};
    }
    sky_ = sky;
    homeHpbwDeg_ = homeHpbwDeg;
    dxHpbwDeg_ = dxHpbwDeg;
    receiverK_ = receiverK;
}

double EmeCalculator::SkyBehind(const MoonSight& sight, double hpbwDeg, SkyTaken& taken) const {
    const sky::SkyDirection at{sight.J2000RaDeg, sight.J2000DecDeg};
    if (!taken.Valid || taken.HpbwDeg != hpbwDeg ||
        sky::SeparationDeg(taken.At, at) > kSkyReuseHpbw * hpbwDeg) {
        taken.Valid = true;
        taken.At = at;
        taken.HpbwDeg = hpbwDeg;
        taken.K = sky_->BeamAverageK(at, hpbwDeg);
    }
    return taken.K;
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
    m.SunMoonDeg = m.Home.SunMoonDeg;
    m.EchoSpreadHz = EchoSpreadHz(m.Home.ApparentRotationRadPerS, f);
    if (sky_ != nullptr) {
        m.SkyHomeK = SkyBehind(m.Home, homeHpbwDeg_, homeSky_);
        m.DegradationDb = DegradationDb(m.SkyHomeK, receiverK_, f, m.Home.DistanceKm);
    }
    m.MoonPhaseDeg = m.Home.PhaseDeg;
    m.MoonBrightnessFixed = moonFixedK_.has_value();
    m.MoonBrightnessK = moonFixedK_ ? *moonFixedK_ : measure::MoonBrightnessK(f, m.MoonPhaseDeg);
    m.MoonNoiseHomeK = MoonNoiseK(m.MoonBrightnessK, 2.0 * m.SemiDiameterDeg, homeHpbwDeg_);
    if (m.HasDx) {
        m.MoonNoiseDxK =
            MoonNoiseK(m.MoonBrightnessK, 2.0 * MoonSemiDiameterDeg(m.Dx.DistanceKm), dxHpbwDeg_);
        m.DxDopplerHz = DxDopplerHz(f, m.Home.RangeRateMps, m.Dx.RangeRateMps);
        m.PolarisationOffsetDeg =
            PolarisationOffsetDeg(m.Home.ParallacticAngleDeg, m.Dx.ParallacticAngleDeg);
        m.DxSpreadHz = EchoSpreadHz(m.Dx.ApparentRotationRadPerS, f);
        if (sky_ != nullptr) {
            m.SkyDxK = SkyBehind(m.Dx, dxHpbwDeg_, dxSky_);
            m.DxDegradationDb = DegradationDb(m.SkyDxK, receiverK_, f, m.Dx.DistanceKm);
        }
    }
    // The rates, from the shifts half a minute either side.
    const Sights before = SightsAt(utc - kRateHalfSpanS);
    const Sights after = SightsAt(utc + kRateHalfSpanS);
    const double perMinute = kSecondsPerMinute / (2.0 * static_cast<double>(kRateHalfSpanS));
    if (before.Home.Valid && after.Home.Valid) {
        m.EchoDopplerRateHzPerMin = (EchoDopplerHz(f, after.Home.RangeRateMps) -
                                     EchoDopplerHz(f, before.Home.RangeRateMps)) *
                                    perMinute;
        if (m.HasDx && before.Dx.Valid && after.Dx.Valid) {
            m.DxDopplerRateHzPerMin =
                (DxDopplerHz(f, after.Home.RangeRateMps, after.Dx.RangeRateMps) -
                 DxDopplerHz(f, before.Home.RangeRateMps, before.Dx.RangeRateMps)) *
                perMinute;
        }
    }
    m.Valid = true;
    return m;
}

} // namespace vantrel::eme
