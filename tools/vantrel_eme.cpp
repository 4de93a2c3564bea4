// vantrel-eme: the Moon for Earth-Moon-Earth contacts on the command line:
// the values at an instant or over days, or the common Moon windows of the
// home station and a DX station, as CSV; or, with --follow, the rig tuned to
// the sked frequency plus the Doppler shift until interrupted.

#include "astro/Clock.h"
#include "eme/DopplerFollower.h"
#include "eme/EmeBeam.h"
#include "eme/EmeCalculator.h"
#include "eme/EmeCsv.h"
#include "eme/HamlibDopplerRig.h"
#include "eme/MoonPerigee.h"
#include "eme/MoonWindows.h"
#include "help/ProcessPaths.h"
#include "planner/PlanningSweep.h"
#include "skymodel/SkyBrightness.h"
#include "station/StationCheck.h"
#include "tools/ConsoleMessages.h"
#include "tools/EmeOptions.h"
#include "tools/EndingSignals.h"
#include "tools/StationToolStart.h"
#include "tools/TerminalText.h"
#include "tools/ToolStation.h"
#include "tools/ToolUt1.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace vantrel;

constexpr int kBadArguments = 2;
constexpr int kOutputFailed = 1;
constexpr std::int64_t kSecondsPerMinute = 60;

int Fail(std::string_view message) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    return kBadArguments;
}

/// "2026-12-24T08:30:00Z 356740.123 km".
std::string Extreme(eme::UtcSeconds utc, double km) {
    char text[32];
    std::snprintf(text, sizeof text, " %.0f km", km);
    return eme::UtcText(utc) + text;
}

bool Write(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
}

/// The program's UTC now, seconds of eme::UtcSeconds with a fraction.
double UtcNowS() {
    static SystemLocalClock system;
    static UtcClock clock(system);
    return clock.UtcNow() * static_cast<double>(eme::kWholeSecondsPerDay);
}

/// --follow: one line per correction on standard output, the rig's
/// sentences on standard error; SIGINT or SIGTERM end it with the rig
/// back at the sked frequency. 0, or 1 when the rig could not be returned
/// there or the output failed.
int Follow(const EmeCommandLine& o, const sigset_t& ending,
           std::shared_ptr<eme::EmeCalculator> calculator) {
    eme::DopplerFollowSettings settings;
    settings.SkedHz = std::llround(o.Observing.Conditions.FrequencyMHz * 1e6);
    settings.Follow = *o.Doppler;
    settings.UpdateS = o.UpdateS;
    settings.Period = o.Period;
    settings.DeadBandHz = o.DeadBandHz;
    const std::unique_ptr<eme::DopplerRig> rig =
        eme::MakeHamlibDopplerRig({*o.RigModel, o.RigDevice, 0});
    eme::DopplerFollower follower(settings, *rig,
                                  eme::CalculatorDoppler(std::move(calculator), settings.Follow));
    std::fprintf(stderr,
                 "vantrel-eme: following the %s at %lld Hz every %g s, dead band %.1f Hz%s; "
                 "Ctrl-C ends and returns the rig to %lld Hz\n",
                 settings.Follow == eme::DopplerToFollow::OwnEcho ? "own echo"
                                                                  : "DX station's signal",
                 static_cast<long long>(settings.SkedHz), settings.UpdateS, settings.DeadBand(),
                 settings.Period.LengthS > 0
                     ? (", receiving in the " +
                        std::string(settings.Period.TransmitFirst ? "second" : "first") +
                        " half of each " + std::to_string(settings.Period.LengthS) + " s cycle")
                           .c_str()
                     : "",
                 static_cast<long long>(settings.SkedHz));
    bool written = Write("utc,doppler_hz,set_hz,read_back_hz\n") && std::fflush(stdout) == 0;
    std::string lastProblem;
    while (written) {
        const double now = UtcNowS();
        if (const auto step = follower.Step(now)) {
            if (step->What == eme::DopplerStep::Outcome::Set) {
                char line[128];
                std::snprintf(line, sizeof line, "%s,%.1f,%lld,",
                              eme::UtcText(static_cast<eme::UtcSeconds>(std::floor(now))).c_str(),
                              step->DopplerHz, static_cast<long long>(step->TargetHz));
                std::string text = line;
                if (step->ReadBackHz) {
                    text += std::to_string(*step->ReadBackHz);
                }
                written = Write(text + "\n") && std::fflush(stdout) == 0;
            }
            // A rig that stays away is said once, not at every update.
            if (step->Error != lastProblem && !step->Error.empty()) {
                std::fprintf(stderr, "vantrel-eme: %s\n", step->Error.c_str());
            }
            lastProblem = step->Error;
        }
        const auto wait = std::chrono::duration<double>(follower.NextDueS() - UtcNowS());
        if (EndingSignalWithin(ending,
                               std::chrono::duration_cast<std::chrono::nanoseconds>(wait))) {
            break;
        }
    }
    const std::string back = follower.ReturnToSked();
    if (!back.empty()) {
        std::fprintf(stderr, "vantrel-eme: %s The rig is not back at %lld Hz.\n", back.c_str(),
                     static_cast<long long>(settings.SkedHz));
        return kOutputFailed;
    }
    std::fprintf(stderr, "vantrel-eme: the rig is back at the sked frequency, %lld Hz\n",
                 static_cast<long long>(settings.SkedHz));
    if (!written) {
        std::perror("vantrel-eme: writing the corrections");
        return kOutputFailed;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    StationToolStart<ParsedEme> started =
        StartStationTool<ParsedEme>(args, "vantrel-eme", EmeUsage(), ParseEmeArguments);
    if (started.Exit) {
        return *started.Exit;
    }
    const ToolFiles& where = *started.Where;
    HomeStation& station = started.Station;
    const ToolStation& read = started.Read;
    ParsedEme& parsed = started.Arguments;
    const EmeCommandLine& o = parsed.Options;
    // UT1 − UTC turns the Earth for the Moon's hour angle and Doppler,
    // whether or not apparent places are asked for.
    const ToolUt1Outcome ut1 =
        AttachToolUt1(parsed.Options.Observing, where, "vantrel-eme", /*withoutApparent=*/true);
    if (!ut1.Refusal.empty()) {
        return Fail(ut1.Refusal);
    }
    if (!ut1.Notice.empty()) {
        std::fprintf(stderr, "%s\n", ut1.Notice.c_str());
    }
    eme::Ut1MinusUtc ut1MinusUtc;
    if (const std::shared_ptr<const EarthOrientation> series = o.Observing.Conditions.Ut1) {
        ut1MinusUtc = [series](DateTime utc) {
            return series->Ut1MinusUtcSeconds(EarthOrientation::UtcMjd(utc));
        };
    }
    if (const auto problems = CheckStation(station); !problems.empty()) {
        return Fail("vantrel-eme: " + ProblemsLine(problems));
    }
    const bool stepped = o.Windows || o.HasRange();
    if (stepped && station.CalcInterval < 1) {
        return Fail(std::string("vantrel-eme: ") + std::string(kIntervalTooSmall) +
                    " (the data file holds none; give --interval)");
    }

    // The ending signals are blocked before any thread (Hamlib's) starts.
    sigset_t ending{};
    if (o.Follow) {
        ending = BlockEndingSignals();
        if (const std::string unknown = eme::UnknownHamlibRigModel(*o.RigModel); !unknown.empty()) {
            return Fail("vantrel-eme: " + unknown);
        }
    }
    const eme::EmeSite home{static_cast<double>(station.Latitude),
                            static_cast<double>(station.Longitude),
                            static_cast<double>(station.HeightAsl)};
    std::optional<eme::EmeSite> dx;
    if (o.Dx) {
        dx = o.Dx->Site;
    }
    if (o.Follow) {
        if (const std::string notice = read.Notice("vantrel-eme"); !notice.empty()) {
            std::fprintf(stderr, "%s\n", notice.c_str());
        }
        return Follow(
            o, ending,
            std::make_shared<eme::EmeCalculator>(home, dx, o.Observing.Conditions, ut1MinusUtc));
    }
    eme::EmeCalculator calculator(home, dx, o.Observing.Conditions, ut1MinusUtc);

    SystemLocalClock systemClock;
    UtcClock clock(systemClock);
    const eme::UtcSeconds now = eme::UtcSecondsOf(o.Time ? *o.Time : clock.UtcNow());
    const std::int64_t stepS = static_cast<std::int64_t>(station.CalcInterval) * kSecondsPerMinute;
    // The range: whole days from --start 00:00 to the end of --end.
    eme::UtcSeconds first = now;
    eme::UtcSeconds end = now + 1;
    if (o.HasRange()) {
        const DateTime startDay = o.Start ? *o.Start : std::floor(clock.UtcNow());
        const DateTime endDay = o.End ? *o.End : startDay;
        if (endDay < startDay) {
            return Fail("vantrel-eme: --end is before today's date, the start without --start");
        }
        first = eme::UtcSecondsOf(startDay);
        end = eme::UtcSecondsOf(endDay) + eme::kWholeSecondsPerDay;
    } else if (o.Windows) {
        end = now + eme::kWindowDaysAhead * eme::kWholeSecondsPerDay;
    }

    if (o.Windows && end - first > eme::kMostWindowSearchDays * eme::kWholeSecondsPerDay) {
        return Fail("vantrel-eme: a window search covers at most 10 years (3653 days); choose "
                    "a shorter range");
    }
    if (!o.Windows && stepped && (end - first + stepS - 1) / stepS > kEmeMostRows) {
        return Fail("vantrel-eme: more than 1000000 rows; choose fewer days or a longer "
                    "--interval");
    }
    // Said once every refusal is past, so that a refusal stays one line.
    if (const std::string notice = read.Notice("vantrel-eme"); !notice.empty()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }

    const eme::PerigeeApogee extremes = eme::NextPerigeeApogee(now);
    if (o.Perigee) {
        if (!extremes.Valid) {
            return Fail("vantrel-eme: the next perigee and apogee lie beyond 2100");
        }
        const std::string text =
            "event,utc,distance_km\nperigee," + eme::UtcText(extremes.PerigeeUtc) + "," +
            std::to_string(static_cast<long long>(std::lround(extremes.PerigeeKm))) + "\napogee," +
            eme::UtcText(extremes.ApogeeUtc) + "," +
            std::to_string(static_cast<long long>(std::lround(extremes.ApogeeKm))) + "\n";
        if (!Write(text) || std::fflush(stdout) != 0) {
            std::perror("vantrel-eme: writing the values");
            return kOutputFailed;
        }
        return 0;
    }

    // The sky behind the Moon, from the survey beside the program.
    std::optional<sky::SkySurvey> survey;
    std::optional<sky::SkyBrightness> brightness;
    if (!o.Windows) {
        const std::string folder = sky::FindSkySurveyFolder(ExecutableDirectory());
        sky::SkySurveyLoad load = sky::LoadSkySurveyFrom(folder);
        if (load.Survey) {
            survey = std::move(*load.Survey);
            brightness.emplace(*survey, o.Observing.Conditions.FrequencyMHz);
            const double f = o.Observing.Conditions.FrequencyMHz;
            calculator.SetSkyBehindMoon(&*brightness,
                                        o.HomeHpbwDeg.value_or(eme::DefaultHpbwDeg(f)),
                                        o.DxHpbwDeg.value_or(eme::DefaultHpbwDeg(f)), o.ReceiverK);
        } else {
            std::fprintf(stderr, "vantrel-eme: no sky temperature behind the Moon nor DGRD (%s)\n",
                         load.Problem.c_str());
        }
    }
    if (!o.Windows && extremes.Valid) {
        std::fprintf(stderr, "vantrel-eme: next perigee %s, next apogee %s\n",
                     Extreme(extremes.PerigeeUtc, extremes.PerigeeKm).c_str(),
                     Extreme(extremes.ApogeeUtc, extremes.ApogeeKm).c_str());
    }

    bool written = true;
    if (o.Windows) {
        eme::WindowSearch search;
        search.Start = first;
        search.End = end;
        search.StepS = stepS;
        search.HomeMinElevationDeg = o.HomeMinElevationDeg;
        search.DxMinElevationDeg = o.DxMinElevationDeg;
        const eme::WindowSearchResult found = eme::FindMoonWindows(calculator, search);
        written = Write(eme::WindowsCsv(found.Windows, false));
    } else {
        written = Write(eme::MomentCsvHeader(dx.has_value()));
        long long belowHome = 0;
        long long belowDx = 0;
        for (eme::UtcSeconds t = first; written && t < end; t += stepped ? stepS : end - t) {
            const eme::EmeMoment m = calculator.At(t);
            belowHome += m.Home.BelowRadioHorizon ? 1 : 0;
            belowDx += m.Dx.BelowRadioHorizon ? 1 : 0;
            written = Write(eme::MomentCsvRow(m, dx.has_value()));
        }
        // The elevations of those rows are airless: no ray reaches the Moon.
        for (const auto& [count, where] :
             {std::pair{belowHome, "home"}, std::pair{belowDx, "DX"}}) {
            if (count > 0) {
                std::fprintf(stderr,
                             "vantrel-eme: the Moon is below the radio horizon at %s in %lld "
                             "row%s: its elevation there is the airless one\n",
                             where, count, count == 1 ? "" : "s");
            }
        }
    }
    if (!written || std::fflush(stdout) != 0) {
        std::perror("vantrel-eme: writing the values");
        return kOutputFailed;
    }
    return 0;
}
