#include "SimulatedTelescope.h"

#include "radiometer/CommandInput.h"
#include "tracking/HamlibRotator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace vantrel::testing {

namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::duration<double>;

constexpr double kSecondsPerDay = 86400.0;

double EpochNow() {
    return Seconds(std::chrono::system_clock::now().time_since_epoch()).count();
}

/// One exchange with rotctld on a connection of its own; the reply's
/// first `lines` lines.
std::optional<std::string> Ask(int port, const std::string& command, int lines) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
        ::send(fd, command.data(), command.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(command.size())) {
        char buffer[256];
        while (std::count(reply.begin(), reply.end(), '\n') < lines) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (std::count(reply.begin(), reply.end(), '\n') < lines) {
        return std::nullopt;
    }
    return reply;
}

} // namespace

SimClock::SimClock(DateTime utc0, double factor)
    : utc0_(utc0), epoch0_(EpochNow()), factor_(factor) {}

DateTime SimClock::Now() const {
    return utc0_ + factor_ * (EpochNow() - epoch0_) / kSecondsPerDay;
}

std::string SimClock::Argument() const {
    char text[96];
    std::snprintf(text, sizeof text, "%.10f,%.6f,%.6f", utc0_, epoch0_, factor_);
    return text;
}

HomeStation StationWithSunAt(SunMoonLibrary& library, DateTime utc, double hourAngleDeg,
                             double elevationDeg) {
    SkyPlaces places(library);
    const ObservingConditions conditions;
    HomeStation station;
    const SkyPlaceDeg sun = places.At(SkySource::Sun, station, conditions, DecodeInstant(utc));
    // The local hour angle is the Greenwich one plus the east longitude.
    station.Longitude = std::remainder(hourAngleDeg - sun.GhaDeg, 360.0);
    // Elevation falls as the latitude moves south of the declination:
    // bisection between the pole and the declination.
    const auto elevationAt = [&](double latitude) {
        station.Latitude = latitude;
        return places.At(SkySource::Sun, station, conditions, DecodeInstant(utc)).ElevationDeg;
    };
    double lo = -89.0;
    double hi = sun.DecDeg;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (lo + hi);
        (elevationAt(mid) > elevationDeg ? hi : lo) = mid;
    }
    station.Latitude = 0.5 * (lo + hi);
    return station;
}

std::string SimTelescopeProgram() {
    return VANTREL_SIM_TELESCOPE_PATH;
}

std::string SimTelescopeCommand(int port, const HomeStation& station, SkySource source,
                                const TelescopeTruth& t, const SimClock* clock) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "exec %s --rotctld %d --lat %.6Lf --lon %.6Lf --source %s --tsys %g "
                  "--source-k %g --hpbw %g --error %g,%g --rate %g --bt %g --seed %u",
                  SimTelescopeProgram().c_str(), port, station.Latitude, station.Longitude,
                  std::string(SkySourceKey(source)).c_str(), t.TsysK, t.SourceK, t.BeamDeg,
                  t.ErrorAzDeg, t.ErrorElDeg, t.RateHz, t.BandwidthTime, t.Seed);
    std::string command = text;
    if (clock != nullptr) {
        command += " --clock " + clock->Argument();
    }
    return command;
}

SimulatedTelescope::SimulatedTelescope(const HomeStation& station, SkySource source,
                                       const TelescopeTruth& truth, const SimClock& clock,
                                       double tauS, double startAz, double startEl,
                                       PowerRunner::Factory input)
    : station_(station), source_(source), clock_(clock), mount_(std::make_unique<RotctldServer>(1)),
      places_(std::make_unique<SkyPlaces>(library_)) {
    const int port = mount_->Port();
    char command[64];
    std::snprintf(command, sizeof command, "P %.2f %.2f\n", startAz, startEl);
    if (!Ask(port, command, 1)) {
        throw std::runtime_error("rotctld does not take a position");
    }
    // The dummy moves a few degrees a second.
    const auto until = std::chrono::steady_clock::now() + 60s;
    for (;;) {
        const auto at = MountPosition();
        if (at && std::fabs(at->AzimuthDeg - startAz) < 0.02 &&
            std::fabs(at->ElevationDeg - startEl) < 0.02) {
            break;
        }
        if (std::chrono::steady_clock::now() > until) {
            throw std::runtime_error("the dummy rotator does not arrive");
        }
        std::this_thread::sleep_for(100ms);
    }

    RotatorSettings settings;
    settings.Model = 2;
    settings.Device = mount_->Address();
    settings.TimeoutMs = 1000;
    link_ = std::make_unique<RotatorLink>([settings] { return MakeHamlibRotator(settings); }, 200ms,
                                          kAttendedRetry);

    CommandSettings meter;
    meter.Command = SimTelescopeCommand(port, station, source, truth, &clock_);
    meter.Unit = ReadingUnit::Milliwatt;
    IntegrationSettings integration;
    integration.TauS = tauS;
    const SimClock ownClock = clock_;
    if (!input) {
        input = [meter] { return MakeCommandInput(meter); };
    }
    runner_ = std::make_unique<PowerRunner>(std::move(input), integration, InputRetry{},
                                            [ownClock] { return ownClock.Now(); });
}

SimulatedTelescope::~SimulatedTelescope() {
    runner_->Stop();
    link_->Shutdown(false);
}

scan::SourcePlace SimulatedTelescope::Place() {
    return [this](DateTime utc) {
        return places_->At(source_, station_, ObservingConditions{}, DecodeInstant(utc));
    };
}

bool SimulatedTelescope::Run(scan::Procedure& procedure, std::chrono::seconds limit,
                             const std::function<void(scan::Procedure&, double)>& during) {
    const auto start = std::chrono::steady_clock::now();
    while (!procedure.Finished()) {
        const auto now = std::chrono::steady_clock::now();
        const double elapsed = Seconds(now - start).count();
        if (now - start > limit) {
            return false;
        }
        const std::vector<PowerBlock> blocks = runner_->TakeBlocks();
        const RunnerStatus radiometer = runner_->Status();
        const std::string stopped =
            radiometer.What == RunnerStatus::State::Stopped ? radiometer.LastError : std::string();
        scan::StepInput in;
        in.Utc = clock_.Now();
        in.Now = now;
        in.Rotator = link_->Status();
        in.Blocks = blocks;
        in.RadiometerStopped = stopped;
        const scan::StepAction action = procedure.Step(in);
        if (action.Point) {
            link_->Point(*action.Point);
        }
        if (action.StopRotator) {
            link_->Stop();
        }
        if (during) {
            during(procedure, elapsed);
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

void SimulatedTelescope::KillMount() {
    ::kill(mount_->Pid(), SIGKILL);
}

std::optional<RotatorPosition> SimulatedTelescope::MountPosition() const {
    const auto reply = Ask(mount_->Port(), "p\n", 2);
    RotatorPosition p;
    if (!reply || std::sscanf(reply->c_str(), "%lf\n%lf", &p.AzimuthDeg, &p.ElevationDeg) != 2) {
        return std::nullopt;
    }
    return p;
}

} // namespace vantrel::testing
