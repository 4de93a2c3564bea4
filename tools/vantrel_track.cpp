// vantrel-track: points a rotator at a source and follows it, on the command
// line. The tracking core decides; a RotatorLink talks to the rotator on a
// thread of its own, so a rotator that is slow, absent or gone never holds
// up the rhythm of the lines.
//
// Signals: SIGINT and SIGTERM are blocked in every thread and taken with
// sigtimedwait between periods, so there is no handler at all and the
// ending (Stop, close, exit 0) runs as ordinary code on the main thread.

#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "station/StationCheck.h"
#include "tools/EndingSignals.h"
#include "tools/RotatorModelCheck.h"
#include "tools/StationToolStart.h"
#include "tools/TerminalText.h"
#include "tools/ToolStation.h"
#include "tools/ToolUt1.h"
#include "tools/TrackOptions.h"
#include "tracking/HamlibRotator.h"
#include "tracking/RotatorLink.h"
#include "tracking/Tracking.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace vantrel;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr int kBadArguments = 2;
constexpr int kOutputFailed = 1;

/// After a failure the link tries the rotator again after half a second,
/// then after longer pauses up to this: a user starting rotctld after the
/// tool waits no longer than this for it to be found.
constexpr RetryPolicy kRetry = kAttendedRetry;

constexpr std::chrono::milliseconds kLongestPoll{1000};

int Fail(std::string_view message) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    return kBadArguments;
}

/// "az  123.45 el   45.67", or dashes when there is none. Degrees.
std::string PositionText(const std::optional<RotatorPosition>& p) {
    char text[48];
    if (p) {
        std::snprintf(text, sizeof text, "az %7.2f el %6.2f", p->AzimuthDeg, p->ElevationDeg);
    } else {
        std::snprintf(text, sizeof text, "az %7s el %6s", "-", "-");
    }
    return text;
}

/// Whether a Hamlib error code says the controller understood a request and
/// refused it (invalid argument, not implemented, rejected, not available,
/// out of domain): the link has then reopened the rotator, which is still
/// there, and does not send the request again.
bool IsRefusal(int code) {
    return code == -1 || code == -4 || code == -9 || code == -11 || code == -17;
}

/// Says on standard error what changed in the rotator's connection: once
/// per change, not every period.
class ConnectionReport {
public:
    explicit ConnectionReport(const std::string& device) : device_(TerminalSafe(device)) {}

    /// True when the rotator has just come (back) after being away, so the
    /// tracker should command it afresh.
    bool Update(const RotatorStatus& status) {
        bool cameBack = false;
        if (status.Connected && !connected_) {
            if (!refused_) {
                std::fprintf(stderr, "vantrel-track: rotator %s connected\n", device_.c_str());
                cameBack = true;
            }
            error_.clear();
            refused_ = false;
        } else if (!status.Connected && !status.LastError.empty() &&
                   (connected_ || status.LastError != error_)) {
            refused_ = IsRefusal(status.LastErrorCode);
            std::fprintf(stderr, "vantrel-track: rotator %s: %s%s\n", device_.c_str(),
                         TerminalSafe(status.LastError).c_str(), refused_ ? "" : "; trying again");
            error_ = status.LastError;
        }
        if (status.Connected || !status.LastError.empty()) {
            connected_ = status.Connected;
        }
        std::fflush(stderr);
        return cameBack;
    }

private:
    std::string device_;
    bool connected_ = false;
    bool refused_ = false;
    std::string error_;
};

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    StationToolStart<ParsedTrack> started =
        StartStationTool<ParsedTrack>(args, "vantrel-track", TrackUsage(), ParseTrackArguments);
    if (started.Exit) {
        return *started.Exit;
    }
    const ToolFiles& where = *started.Where;
    HomeStation& station = started.Station;
    const ToolStation& read = started.Read;
    ParsedTrack& parsed = started.Arguments;
    const TrackCommandLine& o = parsed.Options;
    // Never a rotator moved for a station nobody gave.
    if (const auto problem = HardwareStationProblem(read, o.Position, station)) {
        return Fail("vantrel-track: " + TerminalSafe(*problem));
    }
    if (const auto unknown = UnknownRotatorModel(o.Rotator.Model)) {
        return Fail("vantrel-track: " + *unknown);
    }
    const ToolUt1Outcome ut1 = AttachToolUt1(parsed.Options.Observing, where, "vantrel-track");
    if (!ut1.Refusal.empty()) {
        return Fail(ut1.Refusal);
    }
    if (const std::string notice = read.Notice("vantrel-track"); !notice.empty()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    if (!ut1.Notice.empty()) {
        std::fprintf(stderr, "%s\n", ut1.Notice.c_str());
    }

    // A reader that goes away (a pipe into head) ends the tool through a
    // failed write, not through SIGPIPE; a rotctld that goes away is the
    // link's to report.
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t ending = BlockEndingSignals(); // before any thread starts

    OrbexSunMoon library;
    Tracker tracker(library);
    const auto period = std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double>(o.Tracking.PeriodS));
    const RotatorSettings settings = o.Rotator;
    // The position is read every period, and at least once a second so that
    // the lines show a long period's move as it happens.
    const auto poll =
        std::min(std::chrono::duration_cast<std::chrono::milliseconds>(period), kLongestPoll);
    RotatorLink link([settings] { return MakeHamlibRotator(settings); }, poll, kRetry);

    const std::string title = TerminalSafe(SkyPlaces::Title(o.Tracking.Source, station));
    // Hamlib's dummy (model 1) has no port: the device, which defaults to
    // the network rotator's localhost:4533, means nothing to it.
    ConnectionReport connection(o.Rotator.Model == 1 ? std::string("model 1 (dummy, no hardware)")
                                                     : o.Rotator.Device);
    SystemLocalClock systemClock;
    UtcClock clock(systemClock);

    int status = 0;
    SteadyClock::time_point next = SteadyClock::now();
    for (;;) {
        const RotatorStatus rotator = link.Status();
        if (connection.Update(rotator)) {
            tracker.Reset(); // it may have been moved meanwhile: command at once
        }
        const std::optional<RotatorPosition> reported =
            rotator.Connected ? rotator.Reported : std::nullopt;
        const DecodedInstant utc = DecodeInstant(clock.UtcNow());
        const TrackDecision d =
            tracker.Step(utc, station, o.Observing.Conditions, o.Tracking, reported);
        if (d.What == TrackDecision::Action::Point) {
            link.Point(d.Command);
        } else if (d.What == TrackDecision::Action::Park) {
            link.Park(o.Tracking.ParkPosition);
        }

        const int written = std::printf(
            "%04u-%02u-%02u %02u:%02u:%02u.%01u  %-16s  target %s  reported %s  %.*s\n", utc.Year,
            utc.Month, utc.Day, utc.Hour, utc.Minute, utc.Second, utc.Millisecond / 100,
            title.c_str(), PositionText(d.Target).c_str(), PositionText(reported).c_str(),
            static_cast<int>(d.State.size()), d.State.data());
        if (written < 0 || std::fflush(stdout) != 0) {
            std::perror("vantrel-track: writing the positions");
            status = kOutputFailed;
            break;
        }

        next += period;
        const auto now = SteadyClock::now();
        if (next < now) {
            next = now; // fell behind (a suspended machine): no burst to catch up
        }
        if (EndingSignalBefore(ending, next)) {
            break;
        }
    }

    const bool wasConnected = link.Status().Connected;
    link.Shutdown(true);
    const RotatorStatus last = link.Status();
    if (wasConnected && !last.LastError.empty()) {
        std::fprintf(stderr, "vantrel-track: stopping the rotator: %s\n",
                     TerminalSafe(last.LastError).c_str());
    }
    return status;
}
