// vantrel-noise: what a noise measurement should show. For each source with
// a flux model, its flux density at the observing frequency, the beam
// correction, the rise of antenna temperature and the expected Y-factor for
// the antenna and system temperature given; or, from a Y-factor measured on
// one source, the G/T.

#include "apparent/ApparentPlaces.h"
#include "astro/Catalogue.h"
#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "atmosphere/ClearAir.h"
#include "help/ProcessPaths.h"
#include "measure/Antenna.h"
#include "measure/DiskFlux.h"
#include "measure/InputRanges.h"
#include "measure/MeasureConstants.h"
#include "measure/MoonBrightness.h"
#include "measure/RadioStarFlux.h"
#include "measure/SkyBackground.h"
#include "measure/SolarFlux.h"
#include "measure/SolarFluxChoice.h"
#include "measure/SolarFluxFile.h"
#include "measure/SourceExpectation.h"
#include "measure/YFactor.h"
#include "skymodel/ColdSky.h"
#include "skymodel/HorizontalSky.h"
#include "station/StationCheck.h"
#include "tools/ConsoleMessages.h"
#include "tools/NoiseOptions.h"
#include "tools/StationToolStart.h"
#include "tools/TerminalText.h"
#include "tools/ToolStation.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

using namespace vantrel;
namespace m = vantrel::measure;
namespace sky = vantrel::sky;

constexpr int kBadArguments = 2;
constexpr int kOutputFailed = 1;
constexpr double kDegToRadD = std::numbers::pi / 180.0;

int Fail(std::string_view message) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    return kBadArguments;
}

/// One source's flux density, size and elevation.
struct SourceFlux {
    SkySource Which;
    std::string Name;
    m::FluxEstimate Flux;
    double SizeDeg = 0.0;
    double ElevationDeg = NAN;
    std::string Note;
    /// Where it stands on the sky (J2000) and on the station's horizon
    /// (airless azimuth, degrees), for the sky behind it.
    sky::SkyDirection Direction;
    double AzimuthDeg = NAN;
};

/// The radio stars the survey holds itself: the sky behind them is the ring.
bool InSurvey(SkySource s) {
    return s == SkySource::CassiopeiaA || s == SkySource::CygnusA || s == SkySource::TaurusA ||
           s == SkySource::VirgoA;
}

/// Notes joined with "; ", never a comma, so a CSV row keeps its columns.
std::string Join(std::string a, std::string_view b) {
    if (b.empty()) {
        return a;
    }
    return a.empty() ? std::string(b) : a + "; " + std::string(b);
}

/// The sources with a flux model at this instant and station; the Sun from
/// `fileFlux` when an observatory's file was given.
std::vector<SourceFlux> Sources(const NoiseOptions& o, DateTime utc, const HomeStation& station,
                                const m::SolarFluxChoice* fileFlux) {
    const sky::SkyStation site{static_cast<double>(station.Latitude),
                               static_cast<double>(station.Longitude),
                               static_cast<double>(station.HeightAsl)};
    const double f = o.Observing.Conditions.FrequencyMHz;
    const double year = DecimalYear(utc);
    const DecodedInstant at = DecodeInstant(utc);
    std::vector<SourceFlux> out;

    // Elevation and topocentric distance from the Sun and Moon library; a
    // library without a distance reader (NaN) leaves the mean distance,
    // said in the note.
    OrbexSunMoon library;
    struct BodyPlace {
        double ElevationDeg;
        double DistanceKm;
        std::string Note;
        double AzimuthDeg;
        double GhaDeg;
        double DecDeg;
    };
    const auto place = [&](SunMoonBody body, double meanKm, const char* meanText) {
        library.DataToDLL(at, static_cast<double>(station.HeightAsl),
                          static_cast<double>(station.Latitude),
                          static_cast<double>(station.Longitude), body);
        const double km = library.GetDistanceKm();
        const double az = library.GetAzimuth();
        const double gha = library.GetGHA();
        const double dec = library.GetDecTopo();
        if (std::isfinite(km) && km > 0) {
            return BodyPlace{library.GetElevation(), km, std::string(), az, gha, dec};
        }
        return BodyPlace{
            library.GetElevation(), meanKm, std::string("mean distance ") + meanText, az, gha, dec};
    };
    m::FluxEstimate sun;
    std::string sunNote;
    if (fileFlux != nullptr) {
        sun = fileFlux->Flux;
        sunNote = fileFlux->Note; // says "extrapolated" itself
    } else if (o.SolarSfu) {
        sun = m::SolarFluxFromSfu(*o.SolarSfu);
    } else if (!o.SolarTable.empty()) {
        sun = m::SolarFluxFromTable(o.SolarTable, f);
    }
    if (fileFlux == nullptr) {
        sunNote = m::BasisNote(sun.Basis);
    }
    if (sun.HasValue()) {
        const BodyPlace p = place(SunMoonBody::Sun, m::kAstronomicalUnitKm, "1 au");
        out.push_back({SkySource::Sun, std::string(kSunTitle), sun,
                       m::DiskDiameterDeg(m::kSunRadiusKm, p.DistanceKm), p.ElevationDeg,
                       Join(sunNote, p.Note),
                       sky::SkyDirectionOf({p.AzimuthDeg, p.ElevationDeg}, site, utc),
                       p.AzimuthDeg});
    }
    const BodyPlace moonPlace = place(SunMoonBody::Moon, m::kMoonMeanDistanceKm, "384400 km");
    // The Moon by its phase (right ascension = sidereal time − hour angle:
    // the sidereal time drops out of the difference), unless given.
    std::string moonNote;
    double moonK = o.MoonBrightnessK;
    if (!o.MoonTemperatureGiven) {
        const BodyPlace sunPlace = place(SunMoonBody::Sun, m::kAstronomicalUnitKm, "1 au");
        const double phase =
            m::MoonPhaseDeg(-moonPlace.GhaDeg, moonPlace.DecDeg, -sunPlace.GhaDeg, sunPlace.DecDeg);
        moonK = m::MoonBrightnessK(f, phase);
        char text[64];
        std::snprintf(text, sizeof text, "%.0f K at phase %+.0f deg", moonK, phase);
        moonNote = text;
    }
    const m::FluxEstimate moon = m::DiskFlux(moonK, m::kMoonRadiusKm, moonPlace.DistanceKm, f);
    out.push_back({SkySource::Moon, std::string(kMoonTitle), moon,
                   m::DiskDiameterDeg(m::kMoonRadiusKm, moonPlace.DistanceKm),
                   moonPlace.ElevationDeg,
                   Join(Join(m::BasisNote(moon.Basis), moonPlace.Note), moonNote),
                   sky::SkyDirectionOf({moonPlace.AzimuthDeg, moonPlace.ElevationDeg}, site, utc),
                   moonPlace.AzimuthDeg});

    // Fixed sources at their catalogue places (geometric elevation), Cas A
    // whatever the station's noise source option.
    HomeStation withCasA = station;
    withCasA.SourceOption = static_cast<int>(NoiseSourceOption::CassiopeiaA);
    ApparentPlaces places;
    const bool placed =
        places.Prepare(
            at, {station.Latitude, station.Longitude, static_cast<double>(station.HeightAsl)},
            ObservingConditions{}) == PrepareStatus::Ok;
    for (const SkySource which :
         {SkySource::CassiopeiaA, SkySource::CygnusA, SkySource::TaurusA, SkySource::VirgoA}) {
        const m::RadioStar star = *RadioStarOf(which);
        SourceFlux s{which,
                     std::string(m::RadioStarName(star)),
                     m::RadioStarFlux(star, f, year),
                     m::RadioStarDiameterDeg(star).value_or(0.0),
                     NAN,
                     "",
                     {},
                     NAN};
        s.Note = m::BasisNote(s.Flux.Basis);
        for (std::size_t i = 0; placed && i < kFixedSourceCount; ++i) {
            const auto fixed = FixedSourceAt(CoordinateSet::RealTime, i, withCasA);
            if (fixed && fixed->Title == s.Name) {
                const ShownPlace p = places.Place(
                    CatalogueSource::Of(static_cast<double>(fixed->RaDeg) * kDegToRadD,
                                        static_cast<double>(fixed->DecDeg) * kDegToRadD));
                s.ElevationDeg = static_cast<double>(p.Elevation) / kDegToRadD;
                s.Direction = {static_cast<double>(fixed->RaDeg),
                               static_cast<double>(fixed->DecDeg)};
                s.AzimuthDeg = sky::HorizontalPlaceOf(s.Direction, site, utc).AzimuthDeg;
            }
        }
        out.push_back(s);
    }
    // Expected values for a source the dish cannot see are marked, not
    // left to look like a measurement plan.
    for (SourceFlux& s : out) {
        if (s.ElevationDeg < 0) {
            s.Note = Join(s.Note, "below the horizon");
        }
    }
    return out;
}

std::string Row(NoiseFormat format, const std::vector<std::string>& cells,
                const std::vector<int>& widths) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (format == NoiseFormat::Csv) {
            line += (i ? "," : "") + cells[i];
        } else {
            // Padded to its width, never cut: a long note stays whole.
            std::string cell = cells[i];
            if (cell.size() < static_cast<std::size_t>(widths[i])) {
                cell.append(static_cast<std::size_t>(widths[i]) - cell.size(), ' ');
            }
            line += cell + (i + 1 < cells.size() ? " " : "");
        }
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line + "\n";
}

/// The sky behind each source and behind its reference, K (NaN when
/// unknown), for the beam `hpbwDeg`.
struct SkyColumns {
    double SourceK = NAN;
    double ReferenceK = NAN;
    double ReferenceElevationDeg = NAN; ///< where the reference is, degrees
    std::string Note;
};

SkyColumns SkyOf(const SourceFlux& s, const std::vector<SourceFlux>& all,
                 const sky::SkyBrightness* brightness, const NoiseOptions& o,
                 const sky::SkyStation& site, DateTime utc, double hpbwDeg) {
    SkyColumns c;
    if (brightness == nullptr || !std::isfinite(s.AzimuthDeg)) {
        return c;
    }
    c.SourceK = sky::BackgroundK(*brightness, s.Direction, hpbwDeg, InSurvey(s.Which));
    if (o.Reference) {
        c.ReferenceK = brightness->BeamAverageK(
            sky::SkyDirectionOf({o.Reference->first, o.Reference->second}, site, utc), hpbwDeg);
        c.ReferenceElevationDeg = o.Reference->second;
    } else if (o.ColdSky) {
        sky::ColdSkyQuery q;
        q.ElevationDeg = s.ElevationDeg;
        q.HpbwDeg = hpbwDeg;
        q.Avoid.push_back(s.Direction);
        for (const SourceFlux& other : all) {
            if (other.Which == SkySource::Sun || other.Which == SkySource::Moon) {
                q.Avoid.push_back(other.Direction);
            }
        }
        q.DirectionAt = [&](double az) {
            return sky::SkyDirectionOf({az, q.ElevationDeg}, site, utc);
        };
        if (const auto cold = sky::FindColdSky(*brightness, q)) {
            c.ReferenceK = cold->TskyK;
            c.ReferenceElevationDeg = s.ElevationDeg;
            char text[96];
            std::snprintf(text, sizeof text, "coldest sky at azimuth %.1f", cold->AzimuthDeg);
            c.Note = text;
        } else {
            c.Note = "no cold sky at its elevation";
        }
    }
    return c;
}

std::string Fixed(double v, int decimals) {
    if (!std::isfinite(v)) {
        return "";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    StationToolStart<ParsedNoise> started =
        StartStationTool<ParsedNoise>(args, "vantrel-noise", NoiseUsage(), ParseNoiseArguments);
    if (started.Exit) {
        return *started.Exit;
    }
    HomeStation& station = started.Station;
    const ToolStation& read = started.Read;
    const ParsedNoise& parsed = started.Arguments;
    const NoiseOptions& o = parsed.Options;
    if (const auto problems = CheckStation(station); !problems.empty()) {
        return Fail("vantrel-noise: " + ProblemsLine(problems));
    }

    SystemLocalClock systemClock;
    UtcClock clock(systemClock);
    const DateTime utc = o.Utc ? *o.Utc : clock.UtcNow();
    const double f = o.Observing.Conditions.FrequencyMHz;
    // The day's solar flux from an observatory's file: the station nearest
    // the measurement with both frequencies around the observing one. Read
    // before the station's notice, so that a refusal is the one line.
    std::optional<m::SolarFluxChoice> fileFlux;
    if (!o.SolarFluxFile.empty()) {
        const DecodedInstant d = DecodeInstant(utc);
        const double minutes =
            m::UtcMinutesOf(d.Year, d.Month, d.Day, d.Hour * 60.0 + d.Minute + d.Second / 60.0);
        const m::SolarFluxFileRead file = m::ReadSolarFluxFile(o.SolarFluxFile);
        fileFlux = m::ChooseSolarFlux(file, f, minutes);
        if (fileFlux->Refused) {
            return Fail("vantrel-noise: --solar-flux-file '" + TerminalSafe(o.SolarFluxFile) +
                        "': " + TerminalSafe(*fileFlux->Refused));
        }
        // Held to what --solar-flux takes: a flux no Sun gives is damage.
        if (!m::InRange(fileFlux->Sfu, m::input_range::kSolarSfu)) {
            char text[160];
            std::snprintf(text, sizeof text, "%.1f sfu at %.0f MHz is not a solar flux, %s",
                          fileFlux->Sfu, f, m::input_range::kSolarSfu.Text);
            return Fail("vantrel-noise: --solar-flux-file '" + TerminalSafe(o.SolarFluxFile) +
                        "': " + text);
        }
        if (!file.Note.empty()) {
            std::fprintf(stderr, "vantrel-noise: %s: %s\n", TerminalSafe(o.SolarFluxFile).c_str(),
                         TerminalSafe(file.Note).c_str());
        }
    }

    if (const std::string notice = read.Notice("vantrel-noise"); !notice.empty()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    const std::optional<m::AntennaBeam> beam =
        o.GainDbi ? m::GainBeam(*o.GainDbi, f) : m::DishBeam(*o.DishM, *o.Efficiency, f);
    if (!beam) {
        return Fail("vantrel-noise: the antenna cannot be used at this frequency");
    }

    // The sky model: needed for a reference, else the sky columns stay
    // empty when its maps are missing.
    const std::string folder =
        o.SkyMapFolder.empty() ? sky::FindSkySurveyFolder(ExecutableDirectory()) : o.SkyMapFolder;
    const sky::SkySurveyLoad survey = sky::LoadSkySurveyFrom(folder);
    std::optional<sky::SkyBrightness> brightness;
    if (survey.Survey) {
        brightness.emplace(*survey.Survey, f);
    } else if (o.Reference || o.ColdSky) {
        return Fail("vantrel-noise: " + TerminalSafe(survey.Problem));
    } else {
        std::fprintf(stderr, "vantrel-noise: %s The sky columns are left empty.\n",
                     TerminalSafe(survey.Problem).c_str());
    }
    const double hpbw = o.HpbwDeg ? *o.HpbwDeg : beam->BeamwidthDeg;
    const sky::SkyStation site{static_cast<double>(station.Latitude),
                               static_cast<double>(station.Longitude),
                               static_cast<double>(station.HeightAsl)};
    const bool referenced = o.Reference || o.ColdSky;
    // The clear air of the station's weather (--refraction P,T,RH, else
    // 1013.25 hPa, 10 °C, 50 %) above 1 GHz: its columns only there, so a
    // table below 1 GHz stays as it always was.
    const auto& c0 = o.Observing.Conditions;
    const atmosphere::ClearAir air(f,
                                   {c0.PressureHpa, c0.TemperatureC, c0.RelativeHumidityPercent});
    const bool airColumns = f >= atmosphere::kAtmosphereFreeBelowMHz;
    const auto withAir = [&](std::vector<std::string> cells, double atDb, double sourceK,
                             double referenceK) {
        if (airColumns) {
            cells.push_back(Fixed(atDb, 4));
            cells.push_back(Fixed(sourceK, 2));
            cells.push_back(Fixed(referenceK, 2));
        }
        return cells;
    };
    const auto Header = [&](std::vector<std::string> names) {
        if (airColumns) {
            names.insert(names.end(), {"atm_db", "tatm_k", "reference_tatm_k"});
        }
        return names;
    };

    std::string text;
    const std::vector<SourceFlux> sources =
        Sources(o, utc, station, fileFlux ? &*fileFlux : nullptr);
    if (o.MeasuredYDb) {
        const std::vector<int> widths{13, 13, 11, 15, 17, 9, 30, 8, 8, 17, 7, 7, 0};
        text += Row(
            o.Format,
            Header({"source", "measured_y_db", "flux_jy", "beam_correction", "g_over_t_db_per_k",
                    "tsys_k", "note", "hpbw_deg", "tsky_k", "reference_tsky_k"}),
            widths);
        for (const SourceFlux& s : sources) {
            if (s.Which != *o.Source) {
                continue;
            }
            // Tsys plays no part in G/T: it may be absent here.
            const atmosphere::AirAlong path = air.At(s.ElevationDeg);
            const m::SourceExpectation row = m::ExpectOnSource(
                s.Flux, s.SizeDeg, *beam, o.TsysK.value_or(NAN), path.AttenuationDb);
            const double k = row.BeamCorrection;
            const SkyColumns c =
                SkyOf(s, sources, brightness ? &*brightness : nullptr, o, site, utc, hpbw);
            const double referenceAirK = air.At(c.ReferenceElevationDeg).EmissionK;
            std::string note = Join(s.Note, c.Note);
            double gt = m::MeasuredGOverTDbPerK(*o.MeasuredYDb, row, f);
            if (referenced) {
                gt = m::BackgroundCorrectedGOverTDbPerK(
                    *o.MeasuredYDb, row, f,
                    (c.SourceK + path.EmissionK) - (c.ReferenceK + referenceAirK), *o.TsysK);
                if (!std::isfinite(gt) && std::isfinite(c.ReferenceK)) {
                    note = Join(note, "the sky's difference is all of the measured Y");
                }
            }
            // The stations' scatter as the flux's uncertainty: G/T goes as 1/S.
            if (s.Which == SkySource::Sun && fileFlux && std::isfinite(fileFlux->ScatterPercent) &&
                std::isfinite(gt)) {
                char text[64];
                std::snprintf(text, sizeof text, "G/T +-%.2f dB from the flux scatter",
                              10.0 * std::log10(1.0 + fileFlux->ScatterPercent / 100.0));
                note = Join(note, text);
            }
            const double tsys = m::SystemTemperatureFromGOverTK(beam->GainDbi, gt);
            text +=
                Row(o.Format,
                    withAir({s.Name, Fixed(*o.MeasuredYDb, 3), Fixed(s.Flux.Jy, 1), Fixed(k, 4),
                             Fixed(gt, 2), Fixed(tsys, 1), note, Fixed(hpbw, 3),
                             Fixed(c.SourceK, 1), Fixed(c.ReferenceK, 1)},
                            path.AttenuationDb, path.EmissionK, referenced ? referenceAirK : NAN),
                    widths);
        }
    } else {
        const std::vector<int> widths{12, 11, 8, 15, 10, 7, 13, 30, 8, 8, 17, 7, 7, 0};
        text += Row(o.Format,
                    Header({"source", "flux_jy", "size_deg", "beam_correction", "delta_t_k", "y_db",
                            "elevation_deg", "note", "hpbw_deg", "tsky_k", "reference_tsky_k"}),
                    widths);
        for (const SourceFlux& s : sources) {
            const atmosphere::AirAlong path = air.At(s.ElevationDeg);
            const m::SourceExpectation row =
                m::ExpectOnSource(s.Flux, s.SizeDeg, *beam, *o.TsysK, path.AttenuationDb);
            const double k = row.BeamCorrection;
            const double dt = row.DeltaTK;
            const SkyColumns c =
                SkyOf(s, sources, brightness ? &*brightness : nullptr, o, site, utc, hpbw);
            const double referenceAirK = air.At(c.ReferenceElevationDeg).EmissionK;
            const double y =
                referenced ? m::ExpectedYWithBackgroundDb(
                                 row, (c.SourceK + path.EmissionK) - (c.ReferenceK + referenceAirK),
                                 *o.TsysK)
                           : row.YDb;
            text += Row(
                o.Format,
                withAir({s.Name, Fixed(s.Flux.Jy, 1), Fixed(s.SizeDeg, 4), Fixed(k, 4),
                         Fixed(dt, 4), Fixed(y, 4), Fixed(s.ElevationDeg, 2), Join(s.Note, c.Note),
                         Fixed(hpbw, 3), Fixed(c.SourceK, 1), Fixed(c.ReferenceK, 1)},
                        path.AttenuationDb, path.EmissionK, referenced ? referenceAirK : NAN),
                widths);
        }
    }
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        std::perror("vantrel-noise: writing the table");
        return kOutputFailed;
    }
    return 0;
}
