// vantrel-sky: the sky's brightness temperature behind a direction or a
// source at the observing frequency, from the 408 MHz survey, and the
// coldest reference on the source's elevation circle.

#include "apparent/SkyPlaces.h"
#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "csvlog/CsvText.h"
#include "help/ProcessPaths.h"
#include "skychart/HorizonProfile.h"
#include "skymodel/ColdSky.h"
#include "skymodel/HorizontalSky.h"
#include "skymodel/SkyBrightness.h"
#include "station/StationCheck.h"
#include "tools/SkyOptions.h"
#include "tools/StationToolStart.h"
#include "tools/TerminalText.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace vantrel;
namespace sky = vantrel::sky;

constexpr int kBadArguments = 2;
constexpr int kOutputFailed = 1;

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return kBadArguments;
}

/// The radio stars the survey holds itself: their background is the ring.
bool InSurvey(SkySource s) {
    return s == SkySource::CassiopeiaA || s == SkySource::CygnusA || s == SkySource::TaurusA ||
           s == SkySource::VirgoA;
}

struct Row {
    std::string What;
    sky::SkyDirection Direction;
    sky::HorizontalPlace Place;
    double TskyK = 0;
    std::string Name;
    std::string Note;
};

std::string Line(const Row& r, double frequencyMHz, double hpbwDeg) {
    char text[256];
    std::snprintf(text, sizeof text, "%s,%.5f,%.4f,%.2f,%.2f,%.6g,%.4g,%.1f,", r.What.c_str(),
                  r.Direction.RaDeg / 15.0, r.Direction.DecDeg, r.Place.AzimuthDeg,
                  r.Place.ElevationDeg, frequencyMHz, hpbwDeg, r.TskyK);
    return text + CsvQuoted(r.Name) + "," + CsvQuoted(r.Note) + "\n";
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    StationToolStart<ParsedSky> started =
        StartStationTool<ParsedSky>(args, "vantrel-sky", SkyUsage(), ParseSkyArguments);
    if (started.Exit) {
        return *started.Exit;
    }
    const HomeStation& station = started.Station;
    const SkyCommandLine& o = started.Arguments.Options;
    if (const auto problems = CheckStation(station); !problems.empty()) {
        return Fail("vantrel-sky: " + ProblemsLine(problems));
    }
    std::optional<HorizonProfile> horizon;
    if (!o.HorizonFile.empty()) {
        std::ifstream in(o.HorizonFile, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!in) {
            return Fail("vantrel-sky: cannot read the horizon profile " +
                        TerminalSafe(o.HorizonFile));
        }
        HorizonParse parsed = ParseHorizonProfile(text.str());
        if (!parsed.Profile) {
            return Fail("vantrel-sky: " + TerminalSafe(o.HorizonFile) + ": " + parsed.Problem);
        }
        horizon = std::move(parsed.Profile);
    }
    const std::string folder =
        o.SkyMapFolder.empty() ? sky::FindSkySurveyFolder(ExecutableDirectory()) : o.SkyMapFolder;
    const sky::SkySurveyLoad load = sky::LoadSkySurveyFrom(folder);
    if (!load.Survey) {
        return Fail("vantrel-sky: " + TerminalSafe(load.Problem));
    }
    if (const std::string notice = started.Read.Notice("vantrel-sky"); !notice.empty()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }

    const double f = o.Observing.Conditions.FrequencyMHz;
    const double hpbw = *o.HpbwDeg;
    const sky::SkyBrightness brightness(*load.Survey, f);
    SystemLocalClock systemClock;
    UtcClock clock(systemClock);
    const DateTime utc = o.Time ? *o.Time : clock.UtcNow();
    const sky::SkyStation site{static_cast<double>(station.Latitude),
                               static_cast<double>(station.Longitude),
                               static_cast<double>(station.HeightAsl)};

    std::string out = "what,ra_h,dec_deg,az_deg,el_deg,frequency_mhz,hpbw_deg,tsky_k,name,note\n";
    if (o.RaHours) {
        Row r{"point", {*o.RaHours * 15.0, *o.DecDeg}, {}, 0, "", ""};
        r.Place = sky::HorizontalPlaceOf(r.Direction, site, utc);
        r.Note = r.Place.ElevationDeg < 0 ? "below the horizon" : "";
        r.TskyK = brightness.BeamAverageK(r.Direction, hpbw);
        out += Line(r, f, hpbw);
    } else {
        // The Sun and the Moon from the program's own library (airless),
        // the fixed sources at their catalogue places.
        OrbexSunMoon library;
        SkyPlaces places(library);
        const DecodedInstant at = DecodeInstant(utc);
        const auto directionOf = [&](SkySource s, sky::HorizontalPlace& place) {
            if (const auto fixed = SkyPlaces::CataloguePlace(s, station)) {
                const sky::SkyDirection d{static_cast<double>(fixed->RaDeg),
                                          static_cast<double>(fixed->DecDeg)};
                place = sky::HorizontalPlaceOf(d, site, utc);
                return d;
            }
            const SkyPlaceDeg p = places.At(s, station, ObservingConditions{}, at);
            place = {p.AzimuthDeg, p.ElevationDeg};
            return sky::SkyDirectionOf(place, site, utc);
        };
        Row r{"source", {}, {}, 0, std::string(SkyPlaces::Title(*o.Source, station)), ""};
        r.Direction = directionOf(*o.Source, r.Place);
        r.TskyK = sky::BackgroundK(brightness, r.Direction, hpbw, InSurvey(*o.Source));
        r.Note = InSurvey(*o.Source) ? "the ring from 1.5 to 3 beamwidths round it" : "";
        if (r.Place.ElevationDeg < 0) {
            r.Note += r.Note.empty() ? "below the horizon" : "; below the horizon";
        }
        out += Line(r, f, hpbw);
        if (o.ColdSky) {
            sky::HorizontalPlace unused;
            sky::ColdSkyQuery q;
            q.ElevationDeg = r.Place.ElevationDeg;
            q.HpbwDeg = hpbw;
            q.Avoid = {r.Direction, directionOf(SkySource::Sun, unused),
                       directionOf(SkySource::Moon, unused)};
            q.DirectionAt = [&](double az) {
                return sky::SkyDirectionOf({az, q.ElevationDeg}, site, utc);
            };
            if (horizon) {
                q.Hidden = [&](double az, double el) { return horizon->Hides(az, el); };
            }
            const auto cold = sky::FindColdSky(brightness, q);
            if (!cold) {
                std::fprintf(stderr,
                             "vantrel-sky: no reference: every point of the source's elevation "
                             "circle lies within 2 beamwidths (%.3g deg) of the source, the Sun "
                             "or the Moon, or behind the skyline\n",
                             2 * hpbw);
            } else {
                out += Line({"reference",
                             cold->Direction,
                             {cold->AzimuthDeg, cold->ElevationDeg},
                             cold->TskyK,
                             "coldest sky",
                             "at the source's elevation"},
                            f, hpbw);
            }
        }
    }
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        std::perror("vantrel-sky: cannot write the output");
        return kOutputFailed;
    }
    return 0;
}
