// vantrel-now: the present positions of the nine sources for the station,
// as the real-time display shows them. Its arguments: where the station is
// (--data, --data-home) and the observing options (--apparent, --refraction
// P,T,RH, --frequency MHZ).

#include "apparent/ApparentPlaces.h"
#include "apparent/ConditionsSummary.h"
#include "astro/Catalogue.h"
#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "astro/SiderealTime.h"
#include "astro/SourcePosition.h"
#include "planner/LibraryAngleText.h"
#include "station/StationCheck.h"
#include "tools/ConsoleMessages.h"
#include "tools/NowOptions.h"
#include "tools/TerminalText.h"
#include "tools/ToolStation.h"
#include "tools/ToolUt1.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace vantrel;

constexpr int kRefused = 2;
constexpr int kOutputFailed = 1;
/// Width of the source column, characters.
constexpr std::size_t kTitleColumns = 16;

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

/// The text of the page, gathered so that one write (and its failure) ends it.
class Page {
public:
    [[gnu::format(printf, 2, 3)]] void Add(const char* format, ...) {
        char line[512];
        va_list values;
        va_start(values, format);
        const int n = std::vsnprintf(line, sizeof line, format, values);
        va_end(values);
        text_.append(line, n < 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof line - 1));
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

void AddRow(Page& page, std::string_view title, const std::string& az, const std::string& el,
            const std::string& gha, const std::string& dec, bool below) {
    // Padded by characters: a UTF-8 name takes one column per character.
    const std::string name(Utf8Prefix(title, kTitleColumns));
    const std::size_t shown = std::count_if(name.begin(), name.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U;
    });
    page.Add("%s%*s %7s %7s %7s %7s%s\n", name.c_str(), static_cast<int>(kTitleColumns - shown), "",
             az.c_str(), el.c_str(), gha.c_str(), dec.c_str(), below ? "  below horizon" : "");
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    ParsedNow parsed = ParseNowArguments(args);
    if (!parsed.Error.empty()) {
        return Refuse(parsed.Error);
    }
    if (parsed.Help) {
        std::fputs(std::string(NowUsage()).c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : kOutputFailed;
    }
    const ObservingConditions& conditions = parsed.Observing.Conditions;
    const ToolFiles where = ToolFiles::OfEnvironment(parsed.Files);
    if (const std::string problem = where.Problem(); !problem.empty()) {
        return Refuse(TerminalSafe(problem));
    }
    ConsoleMessages messages;
    HomeStation station;
    const ToolStation read = ReadToolStation(where, messages, station);
    if (const auto problems = CheckStation(station); !problems.empty()) {
        return Refuse(ProblemsLine(problems));
    }
    const ToolUt1Outcome ut1 = AttachToolUt1(parsed.Observing, where, "vantrel-now");
    if (!ut1.Refusal.empty()) {
        std::fprintf(stderr, "%s\n", ut1.Refusal.c_str());
        return kRefused;
    }
    if (const std::string notice = read.Notice("vantrel-now"); !notice.empty()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    if (!ut1.Notice.empty()) {
        std::fprintf(stderr, "%s\n", ut1.Notice.c_str());
    }

    SystemLocalClock systemClock;
    UtcClock clock(systemClock);
    const DateTime utc = clock.UtcNow();
    const DateTime local = StationLocalTime(utc, station.UtcOffset, clock.DaylightInForce());
    const long double gst = GreenwichSiderealTimeAt(DecodeInstant(utc));

    // The texts come from the data file, already escaped as the reader
    // hands them over.
    Page page;
    page.Add("Station %s %s  latitude %.4Lf  longitude %.4Lf  height %.1Lf m\n",
             station.CallSign.c_str(), station.Location.c_str(), station.Latitude,
             station.Longitude, station.HeightAsl);
    page.Add("UTC %s   station local %s   GST %.5Lf h\n\n", InstantText(utc).c_str(),
             InstantText(local).c_str(), gst);
    constexpr double kMjdOfDateTimeZero = 15018.0; // MJD of 30 December 1899
    if (const std::string summary =
            ConditionsSummary(conditions, utc + kMjdOfDateTimeZero, utc + kMjdOfDateTimeZero);
        !summary.empty()) {
        page.Add("Positions: %s\n", summary.c_str());
    }
    page.Add("%-16s %7s %7s %7s %7s\n", "Source", "Az", "El", "GHA", "Dec");

    const DecodedInstant at = DecodeInstant(utc);
    ApparentPlaces places;
    if (places.Prepare(
            at, {station.Latitude, station.Longitude, static_cast<double>(station.HeightAsl)},
            conditions) != PrepareStatus::Ok) {
        return Refuse("the positions cannot be computed for this station and instant");
    }
    for (std::size_t i = 0; i < kFixedSourceCount; ++i) {
        const auto source = FixedSourceAt(CoordinateSet::RealTime, i, station);
        if (!source) {
            AddRow(page, "(no source)", "", "", "", "", false);
            continue;
        }
        const ShownPlace p = places.Place(
            CatalogueSource::Of(source->RaDeg * kDegToRad, source->DecDeg * kDegToRad));
        AddRow(page, source->Title, DegreeText(RoundedDegrees(p.Azimuth)),
               DegreeText(RoundedDegrees(p.Elevation)),
               DegreeText(RoundedDegrees(p.GreenwichHourAngle)),
               DegreeText(RoundedDegrees(p.Declination)), BelowHorizon(p.Elevation));
    }

    // The Sun and the Moon as the library gives them (topocentric, apparent,
    // airless), refracted on top when asked.
    OrbexSunMoon library;
    for (const SunMoonBody body : {SunMoonBody::Moon, SunMoonBody::Sun}) {
        library.DataToDLL(at, static_cast<double>(station.HeightAsl),
                          static_cast<double>(station.Latitude),
                          static_cast<double>(station.Longitude), body);
        const LibraryPlaceDeg p = places.SunMoon(
            {library.GetAzimuth(), library.GetElevation(), library.GetGHA(), library.GetDecTopo()});
        AddRow(page, body == SunMoonBody::Moon ? kMoonTitle : kSunTitle,
               LibraryAngleText(p.AzimuthDeg, '.'), LibraryAngleText(p.ElevationDeg, '.'),
               LibraryAngleText(p.GhaDeg, '.'), LibraryAngleText(p.DecDeg, '.'),
               p.ElevationDeg < 0);
    }
    // A full disk or a closed pipe is an error a script must see.
    const std::string& text = page.Text();
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        std::perror("vantrel-now: writing the positions");
        return kOutputFailed;
    }
    return 0;
}
