#include "scan/ColdSkyReference.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace vantrel::scan {

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;
/// The least cos(elevation) a step on the sky is divided by, as the
/// procedures take it near the zenith.
constexpr double kLeastCosElevation = 0.01;

bool SurveyHolds(SkySource source) {
    return source == SkySource::CassiopeiaA || source == SkySource::CygnusA ||
           source == SkySource::TaurusA || source == SkySource::VirgoA;
}

sky::SkyStation SkyStationOf(const HomeStation& station) {
    return {static_cast<double>(station.Latitude), static_cast<double>(station.Longitude), 0.0};
}

/// The airless place of a body of the library, turned to J2000.
std::optional<SourceSky> BodySky(SkySource body, const HomeStation& station,
                                 const ObservingConditions& conditions, SkyPlaces& places,
                                 DateTime utc) {
    ObservingConditions airless = conditions;
    airless.Refraction = false;
    const SkyPlaceDeg p = places.At(body, station, airless, DecodeInstant(utc));
    if (!p.Valid) {
        return std::nullopt;
    }
    const sky::HorizontalPlace h{p.AzimuthDeg, p.ElevationDeg};
    return SourceSky{sky::SkyDirectionOf(h, SkyStationOf(station), utc), h, false};
}

} // namespace

double AzimuthDifferenceDeg(double aDeg, double bDeg) {
    double d = std::fmod(aDeg - bDeg, 360.0);
    if (d <= -180.0) {
        d += 360.0;
    } else if (d > 180.0) {
        d -= 360.0;
    }
    return d;
}

std::optional<ColdSkyRequest> ColdSkyRequestOf(SkySource source, const HomeStation& station,
                                               const ObservingConditions& conditions,
                                               SunMoonLibrary& library, DateTime utc,
                                               double hpbwDeg, std::string& why) {
    SkyPlaces places(library);
    ColdSkyRequest r;
    r.Station = SkyStationOf(station);
    r.Utc = utc;
    r.HpbwDeg = hpbwDeg;
    std::optional<SourceSky> at;
    if (IsSunOrMoon(source)) {
        at = BodySky(source, station, conditions, places, utc);
    } else if (const auto fixed = SkyPlaces::CataloguePlace(source, station)) {
        const sky::SkyDirection d{static_cast<double>(fixed->RaDeg),
                                  static_cast<double>(fixed->DecDeg)};
        at = SourceSky{d, sky::HorizontalPlaceOf(d, r.Station, utc), SurveyHolds(source)};
    }
    if (!at) {
        why = "the source has no place";
        return std::nullopt;
    }
    if (at->Airless.ElevationDeg < 0) {
        why = "the source is below the horizon";
        return std::nullopt;
    }
    r.Source = *at;
    for (const SkySource body : {SkySource::Sun, SkySource::Moon}) {
        if (body != source) {
            if (const auto b = BodySky(body, station, conditions, places, utc)) {
                r.Avoid.push_back(b->Direction);
            }
        }
    }
    return r;
}

ColdSkyReference FindColdSkyReference(const sky::SkyBrightness& sky,
                                      const ColdSkyRequest& request) {
    ColdSkyReference out;
    out.FrequencyMHz = sky.FrequencyMHz();
    out.HpbwDeg = request.HpbwDeg;
    out.Utc = request.Utc;
    if (!(request.HpbwDeg > 0)) {
        out.Problem = "no beamwidth";
        return out;
    }
    const SourceSky& src = request.Source;
    out.SourceTskyK = sky::BackgroundK(sky, src.Direction, request.HpbwDeg, src.HeldBySurvey);

    const double el = src.Airless.ElevationDeg;
    const sky::SkyStation station = request.Station;
    const DateTime utc = request.Utc;
    const auto directionAt = [station, utc, el](double az) {
        return sky::SkyDirectionOf({az, el}, station, utc);
    };
    if (request.OffBeams > 0) {
        const double c = std::max(std::cos(el * kRadPerDeg), kLeastCosElevation);
        const double step = request.OffBeams * request.HpbwDeg / c;
        const auto side = [&](double az) {
            az = std::fmod(az + 360.0, 360.0);
            if (request.Hidden && request.Hidden(az, el)) {
                return ColdSkyReference::kNaN;
            }
            return sky.BeamAverageK(directionAt(az), request.HpbwDeg);
        };
        out.PlusTskyK = side(src.Airless.AzimuthDeg + step);
        out.MinusTskyK = side(src.Airless.AzimuthDeg - step);
    }

    sky::ColdSkyQuery q;
    q.ElevationDeg = el;
    q.HpbwDeg = request.HpbwDeg;
    q.AvoidHpbw = kColdSkyAvoidHpbw;
    q.Avoid = request.Avoid;
    q.Avoid.push_back(src.Direction);
    q.DirectionAt = directionAt;
    q.Hidden = request.Hidden;
    out.Point = sky::FindColdSky(sky, q);
    if (out.Point) {
        out.AzimuthStepDeg = AzimuthDifferenceDeg(out.Point->AzimuthDeg, src.Airless.AzimuthDeg);
    } else {
        out.Problem = "no cold sky at the source's elevation";
    }
    return out;
}

std::string ColdSkyReferenceText(const ColdSkyReference& r) {
    if (!r.Point) {
        return "none: " + (r.Problem.empty() ? std::string("no cold sky found") : r.Problem);
    }
    char text[160];
    std::snprintf(text, sizeof text,
                  "az %.1f\u00b0, el %.1f\u00b0, Tsky %.0f K (behind the source %.0f K) at %g MHz, "
                  "beam %.1f\u00b0",
                  r.Point->AzimuthDeg, r.Point->ElevationDeg, r.Point->TskyK, r.SourceTskyK,
                  r.FrequencyMHz, r.HpbwDeg);
    return text;
}

} // namespace vantrel::scan
