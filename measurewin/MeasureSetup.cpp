#include "measurewin/MeasureSetup.h"

#include "measure/InputRanges.h"

#include "measure/NumberText.h"

#include "astro/Catalogue.h"
#include "astro/SourcePosition.h"
#include "measure/DiskFlux.h"
#include "measure/MoonBrightness.h"
#include "measure/RadioStarFlux.h"
#include "measure/SolarFlux.h"
#include "measure/YFactor.h"
#include "planner/LibraryAngleText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace vantrel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
/// The widest beamwidth that may be typed, degrees.
constexpr double kMostHpbwDeg = 180.0;

const char* FieldName(SetupField field) {
    switch (field) {
    case SetupField::Frequency:
        return "The frequency";
    case SetupField::Diameter:
        return "The dish diameter";
    case SetupField::Efficiency:
        return "The efficiency";
    case SetupField::Gain:
        return "The gain";
    case SetupField::Tsys:
        return "The system temperature";
    case SetupField::MoonTemperature:
        return "The Moon's temperature";
    case SetupField::Hpbw:
        return "The beamwidth";
    }
    return "The value";
}

std::string Short(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

} // namespace

ParsedSetupNumber ParseSetupNumber(SetupField field, std::string_view text) {
    if (field == SetupField::Frequency) {
        const ParsedCondition c = ParseCondition(ConditionField::Frequency, text);
        return {c.Value, std::string(c.Problem)};
    }
    // No beamwidth typed: the antenna's own.
    if (field == SetupField::Hpbw && measure::TrimBlanks(text).empty()) {
        return {0, {}};
    }
    const std::optional<double> v = measure::FiniteNumber(measure::TrimBlanks(text));
    const std::string name = FieldName(field);
    if (!v) {
        return {0, name + " must be a positive number."};
    }
    if (field == SetupField::Efficiency) {
        if (auto why = measure::CheckDish(1.0, *v)) {
            return {0, *why};
        }
        return {*v, {}};
    }
    if (auto why = measure::CheckPositive(name, *v)) {
        return {0, *why};
    }
    // The lunar disk's brightness as vantrel-noise holds it.
    if (field == SetupField::MoonTemperature &&
        !measure::InRange(*v, measure::input_range::kMoonK)) {
        return {0, name + " must be " + measure::input_range::kMoonK.Text + "."};
    }
    if (field == SetupField::Hpbw && *v > kMostHpbwDeg) {
        return {0, name + " must be at most 180 degrees (empty: the antenna's own)."};
    }
    return {*v, {}};
}

TypedY ParseTypedY(std::string_view text) {
    TypedY typed;
    std::string_view y = measure::TrimBlanks(text);
    std::string_view sigma;
    for (const std::string_view sign :
         {std::string_view("\u00b1"), std::string_view("+/-"), std::string_view("+-")}) {
        if (const std::size_t at = y.find(sign); at != std::string_view::npos) {
            sigma = measure::TrimBlanks(y.substr(at + sign.size()));
            y = measure::TrimBlanks(y.substr(0, at));
            if (sigma.empty()) {
                typed.Problem = "Give the uncertainty after the \u00b1 as a number of dB, or "
                                "leave the \u00b1 out.";
                return typed;
            }
            break;
        }
    }
    const std::optional<double> v = measure::FiniteNumber(y);
    if (!v) {
        typed.Problem = "The measured Y-factor must be a number of dB (with \u00b1 and its "
                        "uncertainty if known: 3.12 \u00b1 0.05).";
        return typed;
    }
    if (auto why = measure::CheckMeasuredYDb(*v)) {
        typed.Problem = *why;
        return typed;
    }
    if (!sigma.empty()) {
        const std::optional<double> s = measure::FiniteNumber(sigma);
        if (!s || *s < 0 || *s > *v) {
            typed.Problem = "The uncertainty of the measured Y-factor must be a number of dB, "
                            "0 or more and not above the Y.";
            return typed;
        }
        typed.SigmaDb = s;
    }
    typed.YDb = *v;
    return typed;
}

SolarEntry ParseSolarEntry(std::string_view text) {
    SolarEntry entry;
    if (measure::TrimBlanks(text).find(':') == std::string_view::npos) {
        const std::optional<double> v = measure::FiniteNumber(measure::TrimBlanks(text));
        if (!v || *v <= 0 || *v > measure::kLargestSolarFluxSfu) {
            entry.Problem = "The solar flux must be a positive number of sfu, or a table "
                            "MHz:sfu,MHz:sfu,...";
        } else {
            entry.Sfu = v;
        }
        return entry;
    }
    const auto table = measure::ParseSolarTable(text);
    if (!table) {
        entry.Problem = "The solar flux table must read MHz:sfu,MHz:sfu,... with numbers.";
    } else if (auto why = measure::CheckSolarTable(*table)) {
        entry.Problem = *why;
    } else {
        entry.Table = *table;
    }
    return entry;
}

measure::FluxEstimate SunFlux(const SolarEntry& entry, double frequencyMHz) {
    if (!entry.Problem.empty()) {
        return {};
    }
    return entry.Sfu ? measure::SolarFluxFromSfu(*entry.Sfu)
                     : measure::SolarFluxFromTable(entry.Table, frequencyMHz);
}

std::optional<measure::AntennaBeam> BeamOf(const MeasureSetup& s, double frequencyMHz) {
    return s.Antenna == AntennaKind::Gain
               ? measure::GainBeam(s.GainDbi, frequencyMHz)
               : measure::DishBeam(s.DishDiameterM, s.Efficiency, frequencyMHz);
}

std::string AntennaText(const MeasureSetup& s) {
    if (s.Antenna == AntennaKind::Gain) {
        return "gain " + Short(s.GainDbi) + " dBi";
    }
    return "dish " + Short(s.DishDiameterM) + " m, efficiency " + Short(s.Efficiency);
}

double DecimalYearOf(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    const DateTime start = EncodeDate(d.Year, 1, 1);
    const DateTime next = EncodeDate(d.Year + 1, 1, 1);
    return d.Year + (utc - start) / (next - start);
}

atmosphere::StationWeather WeatherOf(const ObservingConditions& c) {
    return {c.PressureHpa, c.TemperatureC, c.RelativeHumidityPercent};
}

std::array<MeasureRow, kMeasureRowCount>
MeasureRows(DateTime utc, const HomeStation& station, const ObservingConditions& conditions,
            SunMoonLibrary& library, ApparentPlaces& places, const MeasureSetup& setup,
            const measure::SolarFluxChoice* fileFlux) {
    namespace m = measure;
    const double f = conditions.FrequencyMHz;
    const double year = DecimalYearOf(utc);
    const DecodedInstant at = DecodeInstant(utc);
    const std::optional<m::AntennaBeam> beam = BeamOf(setup, f);
    const bool tsysOk = !m::CheckPositive("Tsys", setup.TsysK);
    const atmosphere::ClearAir air(f, WeatherOf(conditions));
    // The row's expectation through the air at its elevation (set before).
    const auto expect = [&](MeasureRow& row, const m::FluxEstimate& flux, double sizeDeg) {
        const atmosphere::AirAlong path = air.At(row.ElevationDeg);
        row.AtmosphereK = path.EmissionK;
        if (!beam || !tsysOk) {
            row.Expected =
                m::SourceExpectation{flux, sizeDeg, kNaN, kNaN, kNaN, path.AttenuationDb};
            return;
        }
        row.Expected = m::ExpectOnSource(flux, sizeDeg, *beam, setup.TsysK, path.AttenuationDb);
    };
    const auto joined = [](std::string a, const std::string& b) {
        return b.empty() ? a : (a.empty() ? b : a + "; " + b);
    };

    std::array<MeasureRow, kMeasureRowCount> rows;
    const bool prepared =
        places.Prepare(
            at, {station.Latitude, station.Longitude, static_cast<double>(station.HeightAsl)},
            conditions) == PrepareStatus::Ok;
    for (std::size_t i = 0; i < kFixedSourceCount; ++i) {
        MeasureRow& row = rows[i];
        const auto source = FixedSourceAt(CoordinateSet::RealTime, i, station);
        if (!source) {
            row.Title = "?";
            expect(row, {}, 0.0);
            row.Note = m::BasisNote(m::FluxBasis::NoModel);
            continue;
        }
        row.Title = std::string(source->Title);
        const ShownPlace p = prepared ? places.Place(CatalogueSource::Of(
                                            source->RaDeg * kDegToRad, source->DecDeg * kDegToRad))
                                      : ShownPlace{kNaN, kNaN, kNaN, kNaN};
        row.AzimuthDeg = static_cast<double>(p.Azimuth / kDegToRad);
        row.ElevationDeg = static_cast<double>(p.Elevation / kDegToRad);
        row.ElevationText = DegreeText(RoundedDegrees(p.Elevation));
        row.BelowHorizon = RoundedDegrees(p.Elevation) < 0;
        // A user source is known by its own name, never by a catalogue's.
        const bool user = i == kNoiseSourcePair &&
                          station.SourceOption == static_cast<int>(NoiseSourceOption::UserDefined);
        const std::optional<m::RadioStar> star =
            user ? std::nullopt : m::RadioStarFromName(source->Title);
        const m::FluxEstimate flux = star ? m::RadioStarFlux(*star, f, year) : m::FluxEstimate{};
        const double size = star ? m::RadioStarDiameterDeg(*star).value_or(0.0) : 0.0;
        expect(row, flux, size);
        row.Note = m::BasisNote(flux.Basis);
        row.J2000RaDeg = static_cast<double>(source->RaDeg);
        row.J2000DecDeg = static_cast<double>(source->DecDeg);
    }

    const auto body = [&](MeasureRow& row, SunMoonBody which, std::string_view title,
                          double radiusKm, double meanKm, const char* meanNote,
                          const auto& fluxAt) {
        row.Title = std::string(title);
        library.DataToDLL(at, static_cast<double>(station.HeightAsl),
                          static_cast<double>(station.Latitude),
                          static_cast<double>(station.Longitude), which);
        LibraryPlaceDeg place{library.GetAzimuth(), library.GetElevation(), library.GetGHA(),
                              library.GetDecTopo()};
        double km = library.GetDistanceKm();
        std::string distanceNote;
        if (!(std::isfinite(km) && km > 0)) {
            km = meanKm;
            distanceNote = meanNote;
        }
        row.AirlessAzimuthDeg = place.AzimuthDeg;
        row.AirlessElevationDeg = place.ElevationDeg;
        if (MovesSunAndMoon(conditions) && prepared) {
            place = places.SunMoon(place);
        }
        row.AzimuthDeg = place.AzimuthDeg;
        row.ElevationDeg = place.ElevationDeg;
        row.ElevationText = LibraryAngleText(place.ElevationDeg, '.');
        row.BelowHorizon = place.ElevationDeg < 0;
        const m::FluxEstimate flux = fluxAt(km);
        expect(row, flux, m::DiskDiameterDeg(radiusKm, km));
        row.Note = joined(m::BasisNote(flux.Basis), distanceNote);
    };
    const SolarEntry solar = ParseSolarEntry(setup.SolarFlux);
    // The Moon by its phase, as vantrel-noise takes it: right ascension =
    // sidereal time − hour angle, the sidereal time dropping out of the
    // difference.
    double moonK = setup.MoonTemperatureK;
    std::string phaseNote;
    if (!setup.MoonTemperatureTyped) {
        const auto hourAngleAndDec = [&](SunMoonBody which) {
            library.DataToDLL(at, static_cast<double>(station.HeightAsl),
                              static_cast<double>(station.Latitude),
                              static_cast<double>(station.Longitude), which);
            return std::pair{library.GetGHA(), library.GetDecTopo()};
        };
        const auto [moonGha, moonDec] = hourAngleAndDec(SunMoonBody::Moon);
        const auto [sunGha, sunDec] = hourAngleAndDec(SunMoonBody::Sun);
        const double phase = m::MoonPhaseDeg(-moonGha, moonDec, -sunGha, sunDec);
        if (std::isfinite(phase)) {
            moonK = m::MoonBrightnessK(f, phase);
            char text[64];
            std::snprintf(text, sizeof text, "%.0f K at phase %+.0f\u00b0", moonK, phase);
            phaseNote = text;
        } else {
            phaseNote = "no phase: the temperature typed";
        }
    }
    body(rows[kFixedSourceCount], SunMoonBody::Moon, kMoonTitle, m::kMoonRadiusKm,
         m::kMoonMeanDistanceKm, "mean distance 384400 km",
         [&](double km) { return m::DiskFlux(moonK, m::kMoonRadiusKm, km, f); });
    rows[kFixedSourceCount].Note = joined(rows[kFixedSourceCount].Note, phaseNote);
    const bool fromFile = fileFlux != nullptr && !fileFlux->Refused;
    body(rows[kFixedSourceCount + 1], SunMoonBody::Sun, kSunTitle, m::kSunRadiusKm,
         m::kAstronomicalUnitKm, "mean distance 1 au",
         [&](double) { return fromFile ? fileFlux->Flux : SunFlux(solar, f); });
    if (fromFile) {
        // The file's note says the station, its time, the two frequencies
        // and "extrapolated" itself.
        MeasureRow& sun = rows[kFixedSourceCount + 1];
        const std::string distance =
            sun.Note.find("mean distance") != std::string::npos ? "mean distance 1 au" : "";
        sun.Note = joined(fileFlux->Note, distance);
    }
    return rows;
}

double MeasuredGOverTSigmaDb(double yDb, double sigmaDb, const measure::SourceExpectation& row,
                             double frequencyMHz) {
    const double at = measure::MeasuredGOverTDbPerK(yDb, row, frequencyMHz);
    if (!std::isfinite(sigmaDb) || sigmaDb < 0 || !std::isfinite(at)) {
        return NAN;
    }
    const double above = measure::MeasuredGOverTDbPerK(yDb + sigmaDb, row, frequencyMHz);
    const double below =
        yDb - sigmaDb > 0 ? measure::MeasuredGOverTDbPerK(yDb - sigmaDb, row, frequencyMHz) : NAN;
    return std::isfinite(below) ? std::abs(above - below) / 2.0 : std::abs(above - at);
}

} // namespace vantrel
