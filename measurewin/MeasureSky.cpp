#include "measurewin/MeasureSky.h"

#include "measure/RadioStarFlux.h"
#include "measure/SkyBackground.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace vantrel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
/// The cold-sky reference keeps this many beamwidths from the source, the
/// Sun and the Moon.
constexpr double kAvoidHpbw = 2.0;

} // namespace

double SkyBeamDeg(const MeasureSetup& setup, double frequencyMHz) {
    if (std::isfinite(setup.HpbwDeg) && setup.HpbwDeg > 0) {
        return setup.HpbwDeg;
    }
    const auto beam = BeamOf(setup, frequencyMHz);
    return beam && beam->BeamwidthDeg > 0 ? beam->BeamwidthDeg : kNaN;
}

bool HeldBySurvey(const MeasureRow& row) {
    const auto star = measure::RadioStarFromName(row.Title);
    return star &&
           (*star == measure::RadioStar::CassiopeiaA || *star == measure::RadioStar::CygnusA ||
            *star == measure::RadioStar::TaurusA || *star == measure::RadioStar::VirgoA);
}

std::optional<RowSky> RowSkyOf(const MeasureRow& row, const sky::SkyStation& station,
                               DateTime utc) {
    if (std::isfinite(row.J2000RaDeg) && std::isfinite(row.J2000DecDeg)) {
        const sky::SkyDirection d{row.J2000RaDeg, row.J2000DecDeg};
        return RowSky{d, sky::HorizontalPlaceOf(d, station, utc)};
    }
    if (std::isfinite(row.AirlessAzimuthDeg) && std::isfinite(row.AirlessElevationDeg)) {
        const sky::HorizontalPlace p{row.AirlessAzimuthDeg, row.AirlessElevationDeg};
        return RowSky{sky::SkyDirectionOf(p, station, utc), p};
    }
    return std::nullopt;
}

MeasureSky ComputeMeasureSky(const sky::SkyBrightness& brightness, const MeasureSkyQuery& q) {
    MeasureSky out;
    out.HpbwDeg = q.HpbwDeg;
    out.FrequencyMHz = brightness.FrequencyMHz();
    out.Utc = q.Utc;
    out.Chosen = q.Chosen;
    std::array<std::optional<RowSky>, kMeasureRowCount> places;
    for (std::size_t i = 0; i < q.Rows.size(); ++i) {
        places[i] = RowSkyOf(q.Rows[i], q.Station, q.Utc);
        out.TskyK[i] = places[i] ? sky::BackgroundK(brightness, places[i]->Direction, q.HpbwDeg,
                                                    HeldBySurvey(q.Rows[i]))
                                 : kNaN;
    }
    if (q.Chosen >= places.size() || !places[q.Chosen]) {
        out.ReferenceProblem = "the source has no place";
        return out;
    }
    if (places[q.Chosen]->Airless.ElevationDeg < 0) {
        out.ReferenceProblem = "the source is below the horizon";
        return out;
    }
    sky::ColdSkyQuery cold;
    cold.ElevationDeg = places[q.Chosen]->Airless.ElevationDeg;
    cold.HpbwDeg = q.HpbwDeg;
    cold.AvoidHpbw = kAvoidHpbw;
    cold.Avoid.push_back(places[q.Chosen]->Direction);
    for (std::size_t i = 0; i < q.Rows.size(); ++i) {
        // The Sun and the Moon: the rows placed by the library.
        const bool body = std::isfinite(q.Rows[i].AirlessAzimuthDeg);
        if (body && i != q.Chosen && places[i]) {
            cold.Avoid.push_back(places[i]->Direction);
        }
    }
    const sky::SkyStation station = q.Station;
    const DateTime utc = q.Utc;
    const double el = cold.ElevationDeg;
    cold.DirectionAt = [station, utc, el](double az) {
        return sky::SkyDirectionOf({az, el}, station, utc);
    };
    cold.Hidden = q.Hidden;
    out.Reference = sky::FindColdSky(brightness, cold);
    if (!out.Reference) {
        out.ReferenceProblem = "no cold sky at its elevation";
    }
    return out;
}

std::optional<ReferencedSky> ReferencedSkyOf(const MeasureSky* sky,
                                             const std::array<MeasureRow, kMeasureRowCount>& rows,
                                             std::size_t chosen) {
    if (sky == nullptr || chosen >= rows.size() || sky->Chosen != chosen || !sky->Reference ||
        !std::isfinite(sky->TskyK[chosen]) || !std::isfinite(rows[chosen].AtmosphereK)) {
        return std::nullopt;
    }
    return ReferencedSky{sky->TskyK[chosen], sky->Reference->TskyK, rows[chosen].AtmosphereK};
}

std::string AtmosphereText(const atmosphere::ClearAir& air, const atmosphere::StationWeather& w,
                           const MeasureRow& row) {
    if (air.Free()) {
        return {};
    }
    char text[320];
    if (!air.Modelled()) {
        std::snprintf(text, sizeof text,
                      "Atmosphere: not modelled at %.0f MHz (ITU-R P.676 Annex 2 holds from 1 to "
                      "350 GHz)",
                      air.FrequencyMHz());
        return text;
    }
    std::snprintf(text, sizeof text,
                  "Atmosphere (ITU-R P.676-10): %.3f dB at %s, elevation %.1f°; T_atm %.1f K "
                  "at the source and at the reference; zenith %.3f dB, water vapour %.1f g/m³ "
                  "(%.0f hPa, %.0f °C, %.0f %%)",
                  row.Expected.AtmosphereDb, row.Title.c_str(), row.ElevationDeg, row.AtmosphereK,
                  air.ZenithDb(), air.WaterVapourGPerM3(), w.PressureHpa, w.TemperatureC,
                  w.RelativeHumidityPercent);
    return text;
}

CorrectedGOverT CorrectedGOverTOf(double yDb, double ySigmaDb, const MeasureRow& row,
                                  double frequencyMHz, double sourceTskyK, double referenceTskyK,
                                  double tsysK) {
    CorrectedGOverT c;
    c.BackgroundDifferenceK = sourceTskyK - referenceTskyK;
    const auto at = [&](double y) {
        return measure::BackgroundCorrectedGOverTDbPerK(y, row.Expected, frequencyMHz,
                                                        c.BackgroundDifferenceK, tsysK);
    };
    c.GOverTDbPerK = std::isfinite(c.BackgroundDifferenceK) ? at(yDb) : kNaN;
    c.CorrectionDb =
        c.GOverTDbPerK - measure::MeasuredGOverTDbPerK(yDb, row.Expected, frequencyMHz);
    c.SigmaDb = kNaN;
    if (std::isfinite(c.GOverTDbPerK) && std::isfinite(ySigmaDb) && ySigmaDb >= 0) {
        const double above = at(yDb + ySigmaDb);
        const double below = yDb - ySigmaDb > 0 ? at(yDb - ySigmaDb) : kNaN;
        c.SigmaDb = std::isfinite(below) && std::isfinite(above) ? std::abs(above - below) / 2.0
                                                                 : std::abs(above - c.GOverTDbPerK);
    }
    return c;
}

} // namespace vantrel
