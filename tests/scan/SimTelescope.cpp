// vantrel-sim-telescope: the sky and the receiver of a simulated telescope,
// run by the tests as the power meter of the radiometer's command input.
//
// It asks a rotctld where the rotator points ("p"), adds a hidden pointing
// error to that, and prints the system's noise temperature for that
// direction, one reading a line:
//
//   T = Tsys + Tsource · exp(−4 ln 2 · d² / θ²)
//
// with d the angle on the sky between the source's place (the program's
// own, SkyPlaces for the station, the same places the procedures use) and
// where the beam truly points, θ the beam's half-power width; each reading
// carries the radiometer equation's noise, T · (1 + n / √(Bτ)) for a
// standard normal n and the readings' B·τ. The readings are kelvin; the
// radiometer reads them as mW (a scale factor cancels in every ratio).
//
// The beam truly points at the reported azimuth plus the azimuth error
// divided by cos(elevation) (the error is a true angle on the sky) and the
// reported elevation plus the elevation error. A rotctld that stops
// answering leaves the last position in force, and the readings go on.
//
// --clock UTC0,EPOCH0,FACTOR runs the sky on a clock of its own: UTC0 (days
// since 1899-12-30) at the Unix time EPOCH0 (seconds), running FACTOR times
// as fast as the real one; a test gives the radiometer and the procedure
// the same clock.

#include "apparent/SkyPlaces.h"
#include "astro/OrbexSunMoon.h"
#include "tracking/SkyAngles.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>

namespace {

using namespace vantrel;

struct Options {
    int Port = 0;
    HomeStation Station;
    SkySource Source = SkySource::Sun;
    double TsysK = 100;
    double SourceK = 500;
    double BeamDeg = 1.8;
    double ErrorAzDeg = 0;
    double ErrorElDeg = 0;
    double RateHz = 40;
    double BandwidthTime = 2000; ///< B·τ of one reading
    unsigned Seed = 1;
    bool OwnClock = false;
    double Utc0 = 0;
    double Epoch0 = 0;
    double Factor = 1;
};

bool Pair(const char* text, double& a, double& b) {
    char* end = nullptr;
    a = std::strtod(text, &end);
    if (end == text || *end != ',') {
        return false;
    }
    const char* second = end + 1;
    b = std::strtod(second, &end);
    return end != second && *end == '\0';
}

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view flag = argv[i];
        const char* v = argv[i + 1];
        if (flag == "--rotctld") {
            o.Port = std::atoi(v);
        } else if (flag == "--lat") {
            o.Station.Latitude = std::strtold(v, nullptr);
        } else if (flag == "--lon") {
            o.Station.Longitude = std::strtold(v, nullptr);
        } else if (flag == "--source") {
            const auto s = SkySourceFromKey(v);
            if (!s) {
                return false;
            }
            o.Source = *s;
        } else if (flag == "--tsys") {
            o.TsysK = std::strtod(v, nullptr);
        } else if (flag == "--source-k") {
            o.SourceK = std::strtod(v, nullptr);
        } else if (flag == "--hpbw") {
            o.BeamDeg = std::strtod(v, nullptr);
        } else if (flag == "--error") {
            if (!Pair(v, o.ErrorAzDeg, o.ErrorElDeg)) {
                return false;
            }
        } else if (flag == "--rate") {
            o.RateHz = std::strtod(v, nullptr);
        } else if (flag == "--bt") {
            o.BandwidthTime = std::strtod(v, nullptr);
        } else if (flag == "--seed") {
            o.Seed = static_cast<unsigned>(std::strtoul(v, nullptr, 10));
        } else if (flag == "--clock") {
            double rest = 0;
            char* end = nullptr;
            o.Utc0 = std::strtod(v, &end);
            if (*end != ',' || !Pair(end + 1, o.Epoch0, rest)) {
                return false;
            }
            o.Factor = rest;
            o.OwnClock = true;
        } else {
            return false;
        }
    }
    return o.Port > 0 && o.BeamDeg > 0 && o.RateHz > 0 && o.BandwidthTime > 0;
}

/// A client of rotctld that asks for the position; it connects again after
/// a failure.
class PositionReader {
public:
    explicit PositionReader(int port) : port_(port) {}
    ~PositionReader() { Close(); }

    std::optional<std::pair<double, double>> Read() {
        if (fd_ < 0 && !Connect()) {
            return std::nullopt;
        }
        if (::send(fd_, "p\n", 2, MSG_NOSIGNAL) != 2) {
            Close();
            return std::nullopt;
        }
        std::string lines;
        char buffer[256];
        while (std::count(lines.begin(), lines.end(), '\n') < 2) {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                Close();
                return std::nullopt;
            }
            lines.append(buffer, static_cast<std::size_t>(n));
        }
        double az = 0;
        double el = 0;
        if (std::sscanf(lines.c_str(), "%lf\n%lf", &az, &el) != 2) {
            Close();
            return std::nullopt;
        }
        return std::pair{az, el};
    }

private:
    bool Connect() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            return false;
        }
        timeval limit{0, 200000};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        const int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port_));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
            Close();
            return false;
        }
        return true;
    }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    int port_;
    int fd_ = -1;
};

double UtcNow(const Options& o) {
    const double epoch =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    if (o.OwnClock) {
        return o.Utc0 + o.Factor * (epoch - o.Epoch0) / 86400.0;
    }
    // Days since 1899-12-30: the Unix epoch is day 25569.
    return 25569.0 + epoch / 86400.0;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, o)) {
        std::fputs("usage: vantrel-sim-telescope --rotctld PORT --lat DEG --lon DEG --source KEY "
                   "--tsys K --source-k K --hpbw DEG [--error AZ,EL] [--rate HZ] [--bt N] "
                   "[--seed N] [--clock UTC0,EPOCH0,FACTOR]\n",
                   stderr);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    OrbexSunMoon library;
    SkyPlaces places(library);
    const ObservingConditions conditions;
    PositionReader rotator(o.Port);
    std::mt19937_64 random(o.Seed);
    std::normal_distribution<double> normal;
    const double noise = 1.0 / std::sqrt(o.BandwidthTime);
    constexpr double kRadPerDeg = std::numbers::pi / 180.0;
    const double halfPower = 4.0 * std::numbers::ln2;

    std::optional<std::pair<double, double>> at;
    bool lost = false;
    const auto period = std::chrono::duration<double>(1.0 / o.RateHz);
    auto next = std::chrono::steady_clock::now();
    for (;;) {
        if (const auto read = rotator.Read()) {
            at = read;
            lost = false;
        } else if (!lost) {
            std::fputs("vantrel-sim-telescope: rotctld does not answer; the last position holds\n",
                       stderr);
            std::fflush(stderr);
            lost = true;
        }
        double t = o.TsysK;
        if (at) {
            const SkyPlaceDeg source =
                places.At(o.Source, o.Station, conditions, DecodeInstant(UtcNow(o)));
            const double c = std::max(std::cos(at->second * kRadPerDeg), 0.01);
            const double beamAz = at->first + o.ErrorAzDeg / c;
            const double beamEl = at->second + o.ErrorElDeg;
            if (source.Valid) {
                const double d =
                    AngleBetweenDeg(beamAz, beamEl, source.AzimuthDeg, source.ElevationDeg);
                t += o.SourceK * std::exp(-halfPower * d * d / (o.BeamDeg * o.BeamDeg));
            }
        }
        t *= 1.0 + noise * normal(random);
        if (std::printf("%.6f\n", t) < 0 || std::fflush(stdout) != 0) {
            return 0; // the reader has gone
        }
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
        std::this_thread::sleep_until(next);
    }
}
