// vantrel-now: the present positions of the nine sources for the station in
// ./Vantrel.dat, as the real-time display shows them. It takes no arguments.

#include "astro/Catalogue.h"
#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "astro/SiderealTime.h"
#include "astro/SourcePosition.h"
#include "planner/LibraryAngleText.h"
#include "station/DataFile.h"
#include "station/StationCheck.h"
#include "tools/ConsoleMessages.h"
#include "tools/TerminalText.h"

#include <cstdio>
#include <string>

namespace {

using namespace vantrel;

constexpr int kRefused = 2;

int Refuse(const std::string& message) {
    std::fprintf(stderr, "vantrel-now: %s\n", message.c_str());
    return kRefused;
}

std::string InstantText(DateTime t) {
    const DecodedInstant d = DecodeInstant(t);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second);
    return text;
}

void PrintRow(std::string_view title, const std::string& az, const std::string& el,
              const std::string& gha, const std::string& dec, bool below) {
    std::printf("%-16.*s %7s %7s %7s %7s%s\n", static_cast<int>(title.size()), title.data(),
                az.c_str(), el.c_str(), gha.c_str(), dec.c_str(), below ? "  below horizon" : "");
}

} // namespace

int main(int argc, char** argv) {
    // An argument would suggest a station or an instant other than the ones
    // the positions are computed for: refused rather than ignored.
    if (argc > 1) {
        return Refuse("unexpected argument '" + TerminalSafe(argv[1]) + "' (it takes none)");
    }
    ConsoleMessages messages;
    HomeStation station;
    DataFile file(messages);
    file.Read(station);
    if (const auto problems = CheckStation(station); !problems.empty()) {
        return Refuse(ProblemsLine(problems));
    }

    SystemLocalClock systemClock;
    UtcClock clock(systemClock);
    const DateTime utc = clock.UtcNow();
    const DateTime local = StationLocalTime(utc, station.UtcOffset, clock.DaylightInForce());
    const long double gst = GreenwichSiderealTimeAt(DecodeInstant(utc));

    // The texts come from the data file: shown escaped, like any foreign text.
    std::printf("Station %s %s  latitude %.4Lf  longitude %.4Lf  height %.1Lf m\n",
                TerminalSafe(station.CallSign).c_str(), TerminalSafe(station.Location).c_str(),
                station.Latitude, station.Longitude, station.HeightAsl);
    std::printf("UTC %s   station local %s   GST %.5Lf h\n\n", InstantText(utc).c_str(),
                InstantText(local).c_str(), gst);
    std::printf("%-16s %7s %7s %7s %7s\n", "Source", "Az", "El", "GHA", "Dec");

    const long double lat = station.Latitude * kDegToRad;
    const long double lon = station.Longitude * kDegToRad;
    for (std::size_t i = 0; i < kFixedSourceCount; ++i) {
        const auto source = FixedSourceAt(CoordinateSet::RealTime, i, station);
        if (!source) {
            PrintRow("(no source)", "", "", "", "", false);
            continue;
        }
        const SourcePositionResult p =
            SourcePosition(gst, source->RaDeg * kDegToRad, source->DecDeg * kDegToRad, lat, lon);
        PrintRow(source->Title, DegreeText(RoundedDegrees(p.Azimuth)),
                 DegreeText(RoundedDegrees(p.Elevation)),
                 DegreeText(RoundedDegrees(p.GreenwichHourAngle)),
                 DegreeText(RoundedDegrees(source->DecDeg * kDegToRad)), BelowHorizon(p.Elevation));
    }

    // The Sun and the Moon as the library gives them: topocentric, apparent,
    // no refraction.
    OrbexSunMoon library;
    const DecodedInstant at = DecodeInstant(utc);
    for (const SunMoonBody body : {SunMoonBody::Moon, SunMoonBody::Sun}) {
        library.DataToDLL(at, static_cast<double>(station.HeightAsl),
                          static_cast<double>(station.Latitude),
                          static_cast<double>(station.Longitude), body);
        PrintRow(body == SunMoonBody::Moon ? kMoonTitle : kSunTitle,
                 LibraryAngleText(library.GetAzimuth(), '.'),
                 LibraryAngleText(library.GetElevation(), '.'),
                 LibraryAngleText(library.GetGHA(), '.'),
                 LibraryAngleText(library.GetDecTopo(), '.'), library.GetElevation() < 0);
    }
    return 0;
}
