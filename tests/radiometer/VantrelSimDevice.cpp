// The simulated receiver's SoapySDR module: see VantrelSim.h for what it
// takes and what it delivers.

#include "VantrelSim.h"

#include <SoapySDR/Device.hpp>
#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.hpp>
#include <SoapySDR/Registry.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdint>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <numbers>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMinRate = 1e3;
constexpr double kMaxRate = 10e6;
constexpr double kMaxGainDb = 50;
constexpr std::size_t kMtu = 16384;
/// The most samples delivered between two looks at the control file: 1/50 s.
constexpr double kControlShareOfSecond = 0.02;
constexpr auto kControlCheck = std::chrono::milliseconds(10);
constexpr double kInt16FullScale = 32767.0;
constexpr double kLargestNoiseTable = 16777216.0;

double ArgNumber(const SoapySDR::Kwargs& args, const std::string& key, double fallback) {
    const auto it = args.find(key);
    if (it == args.end() || it->second.empty()) {
        return fallback;
    }
    try {
        return std::stod(it->second);
    } catch (const std::exception&) {
        throw std::runtime_error("vantrelsim: " + key + "=" + it->second + " is not a number");
    }
}

/// Power in dB to amplitude; none (−∞) to 0.
double Amplitude(double powerDb) {
    return std::isfinite(powerDb) ? std::pow(10.0, powerDb / 20.0) : 0.0;
}

/// The control file's keys and values; empty when it cannot be read.
std::map<std::string, std::string> ReadControl(const std::string& path) {
    std::map<std::string, std::string> values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return values;
}

bool Present(const SoapySDR::Kwargs& args) {
    const auto it = args.find("control");
    if (it == args.end()) {
        return true;
    }
    const auto values = ReadControl(it->second);
    const auto present = values.find("present");
    return present == values.end() || present->second != "0";
}

class SimDevice final : public SoapySDR::Device {
public:
    explicit SimDevice(const SoapySDR::Kwargs& args)
        : args_(args), serial_(args.count("serial") ? args.at("serial") : "sim0"),
          powerDb_(ArgNumber(args, "power_db", -30)),
          spurDb_(ArgNumber(args, "spur_db", -std::numeric_limits<double>::infinity())),
          spurHz_(ArgNumber(args, "spur_hz", 0)),
          dcDb_(ArgNumber(args, "dc_db", -std::numeric_limits<double>::infinity())),
          stepDb_(ArgNumber(args, "step_db", 0)), stepAtS_(ArgNumber(args, "step_at", 0)),
          realtime_(ArgNumber(args, "realtime", 1) != 0),
          random_(static_cast<std::uint32_t>(ArgNumber(args, "seed", 1))) {
        // For benchmarks: the Gaussian numbers drawn once, then read in a
        // circle, so that making samples costs next to nothing.
        const double table = ArgNumber(args, "noise_table", 0);
        if (!(table >= 0 && table <= kLargestNoiseTable)) {
            throw std::runtime_error("vantrelsim: noise_table must be from 0 to 16777216");
        }
        noiseTable_.resize(static_cast<std::size_t>(table));
        for (double& v : noiseTable_) {
            v = normal_(random_);
        }
        const auto formats = args.find("formats");
        const std::string offered = formats == args.end() ? "CF32,CS16" : formats->second;
        for (const char* f : {SOAPY_SDR_CF32, SOAPY_SDR_CS16}) {
            if (offered.find(f) != std::string::npos) {
                formats_.emplace_back(f);
            }
        }
        if (const auto it = args.find("control"); it != args.end()) {
            controlPath_ = it->second;
        }
        walkDbPerRootS_ = ArgNumber(args, "gain_walk_db", 0);
        walkRandom_.seed(static_cast<std::uint64_t>(ArgNumber(args, "gain_walk_seed", 1)));
        LookAtControl(true);
    }

    std::string getDriverKey() const override { return "vantrelsim"; }
    std::string getHardwareKey() const override { return "vantrelsim-" + serial_; }
    size_t getNumChannels(const int direction) const override {
        return direction == SOAPY_SDR_RX ? 1 : 0;
    }

    std::vector<std::string> getStreamFormats(const int, const size_t) const override {
        return formats_;
    }
    std::string getNativeStreamFormat(const int, const size_t, double& fullScale) const override {
        fullScale = formats_.front() == SOAPY_SDR_CS16 ? kInt16FullScale : 1.0;
        return formats_.front();
    }

    SoapySDR::Stream* setupStream(const int direction, const std::string& format,
                                  const std::vector<size_t>& channels,
                                  const SoapySDR::Kwargs&) override {
        if (direction != SOAPY_SDR_RX) {
            throw std::runtime_error("vantrelsim receives only");
        }
        if (std::find(formats_.begin(), formats_.end(), format) == formats_.end()) {
            throw std::runtime_error("vantrelsim: format " + format + " not offered");
        }
        if (channels.size() > 1 || (channels.size() == 1 && channels[0] != 0)) {
            throw std::runtime_error("vantrelsim has one channel");
        }
        if (streamOpen_) {
            throw std::runtime_error("vantrelsim: the stream is already set up");
        }
        streamOpen_ = true;
        cs16_ = format == SOAPY_SDR_CS16;
        return reinterpret_cast<SoapySDR::Stream*>(this);
    }
    void closeStream(SoapySDR::Stream*) override { streamOpen_ = false; }
    size_t getStreamMTU(SoapySDR::Stream*) const override { return kMtu; }

    int activateStream(SoapySDR::Stream*, const int, const long long, const size_t) override {
        active_ = true;
        delivered_ = 0;
        startedAt_ = Clock::now();
        return 0;
    }
    int deactivateStream(SoapySDR::Stream*, const int, const long long) override {
        active_ = false;
        return 0;
    }

    int readStream(SoapySDR::Stream*, void* const* buffs, const size_t numElems, int& flags,
                   long long& timeNs, const long timeoutUs) override {
        flags = 0;
        timeNs = 0;
        LookAtControl(false);
        if (!present_) {
            return SOAPY_SDR_STREAM_ERROR;
        }
        if (!active_ || Clock::now() < stallUntil_) {
            std::this_thread::sleep_for(std::chrono::microseconds(timeoutUs));
            if (active_) {
                // The stream's clock goes on: what it stalled over is gone.
                startedAt_ = Clock::now() - std::chrono::duration_cast<Clock::duration>(
                                                std::chrono::duration<double>(delivered_ / rate_));
            }
            return SOAPY_SDR_TIMEOUT;
        }
        if (overflowsDone_ < overflowsWanted_) {
            ++overflowsDone_;
            // The samples of the lost stretch are gone: skip them.
            delivered_ += static_cast<std::uint64_t>(rate_ * kControlShareOfSecond);
            return SOAPY_SDR_OVERFLOW;
        }
        const auto most = static_cast<std::size_t>(std::max(1.0, rate_ * kControlShareOfSecond));
        std::size_t n = std::min({numElems, kMtu, most});
        if (realtime_) {
            const auto due = [&](std::uint64_t count) {
                return startedAt_ + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(count / rate_));
            };
            const auto limit = Clock::now() + std::chrono::microseconds(timeoutUs);
            if (due(delivered_ + n) > limit) {
                std::this_thread::sleep_until(limit);
                const auto now = Clock::now();
                if (due(delivered_ + 1) > now) {
                    return SOAPY_SDR_TIMEOUT;
                }
                while (n > 1 && due(delivered_ + n) > now) {
                    n /= 2;
                }
            } else {
                std::this_thread::sleep_until(due(delivered_ + n));
            }
        }
        Generate(buffs[0], n);
        return static_cast<int>(n);
    }

    std::vector<std::string> listAntennas(const int, const size_t) const override {
        return {"RX", "RX2"};
    }
    void setAntenna(const int, const size_t, const std::string& name) override {
        if (name != "RX" && name != "RX2") {
            throw std::runtime_error("vantrelsim has no antenna " + name);
        }
        antenna_ = name;
    }
    std::string getAntenna(const int, const size_t) const override { return antenna_; }

    bool hasGainMode(const int, const size_t) const override { return true; }
    void setGainMode(const int, const size_t, const bool automatic) override {
        if (automatic) {
            throw std::runtime_error("vantrelsim has no automatic gain");
        }
    }
    bool getGainMode(const int, const size_t) const override { return false; }
    // Three gain elements as an R820T's are named, their sum the gain.
    std::vector<std::string> listGains(const int, const size_t) const override {
        return {"LNA", "MIX", "VGA"};
    }
    void setGain(const int, const size_t, const double value) override {
        double left = std::clamp(value, 0.0, kMaxGainDb);
        for (std::size_t i = 0; i < kElements.size(); ++i) {
            elementDb_[i] = std::min(left, kElements[i].second);
            left -= elementDb_[i];
        }
        SumGain();
    }
    void setGain(const int, const size_t, const std::string& name, const double value) override {
        const std::size_t i = Element(name);
        elementDb_[i] = std::clamp(value, 0.0, kElements[i].second);
        SumGain();
    }
    double getGain(const int, const size_t) const override { return gainDb_; }
    double getGain(const int, const size_t, const std::string& name) const override {
        return elementDb_[Element(name)];
    }
    SoapySDR::Range getGainRange(const int, const size_t) const override {
        return {0.0, kMaxGainDb, 1.0};
    }
    SoapySDR::Range getGainRange(const int, const size_t, const std::string& name) const override {
        return {0.0, kElements[Element(name)].second, 1.0};
    }

    bool hasFrequencyCorrection(const int, const size_t) const override { return true; }
    void setFrequencyCorrection(const int, const size_t, const double ppm) override { ppm_ = ppm; }
    double getFrequencyCorrection(const int, const size_t) const override { return ppm_; }

    // Settings as rtlsdr's module names two of its own.
    SoapySDR::ArgInfoList getSettingInfo() const override {
        SoapySDR::ArgInfo biasTee;
        biasTee.key = "biastee";
        biasTee.name = "Bias-T";
        biasTee.type = SoapySDR::ArgInfo::BOOL;
        biasTee.value = "false";
        SoapySDR::ArgInfo direct;
        direct.key = "direct_samp";
        direct.name = "Direct sampling";
        direct.type = SoapySDR::ArgInfo::STRING;
        direct.value = "0";
        direct.options = {"0", "1", "2"};
        return {biasTee, direct};
    }
    void writeSetting(const std::string& key, const std::string& value) override {
        if (key != "biastee" && key != "direct_samp") {
            throw std::runtime_error("vantrelsim has no setting " + key);
        }
        settings_[key] = value;
    }
    std::string readSetting(const std::string& key) const override {
        const auto it = settings_.find(key);
        return it != settings_.end() ? it->second : (key == "biastee" ? "false" : "0");
    }

    std::vector<double> listSampleRates(const int, const size_t) const override {
        return {250000, 1024000, 2048000, 2400000};
    }

    void setFrequency(const int, const size_t, const double frequency,
                      const SoapySDR::Kwargs&) override {
        frequencyHz_ = frequency;
    }
    double getFrequency(const int, const size_t) const override { return frequencyHz_; }
    SoapySDR::RangeList getFrequencyRange(const int, const size_t) const override {
        return {SoapySDR::Range(1e6, 6e9)};
    }

    void setSampleRate(const int, const size_t, const double rate) override {
        if (!(rate >= kMinRate && rate <= kMaxRate)) {
            throw std::runtime_error("vantrelsim: rate " + std::to_string(rate) +
                                     " S/s is not supported");
        }
        rate_ = rate;
    }
    double getSampleRate(const int, const size_t) const override { return rate_; }
    SoapySDR::RangeList getSampleRateRange(const int, const size_t) const override {
        return {SoapySDR::Range(kMinRate, kMaxRate)};
    }

private:
    static constexpr std::array<std::pair<const char*, double>, 3> kElements{
        {{"LNA", 30.0}, {"MIX", 10.0}, {"VGA", 10.0}}};

    std::size_t Element(const std::string& name) const {
        for (std::size_t i = 0; i < kElements.size(); ++i) {
            if (name == kElements[i].first) {
                return i;
            }
        }
        throw std::runtime_error("vantrelsim has no gain element " + name);
    }
    void SumGain() { gainDb_ = elementDb_[0] + elementDb_[1] + elementDb_[2]; }

    void LookAtControl(bool force) {
        if (controlPath_.empty()) {
            return;
        }
        const auto now = Clock::now();
        if (!force && now - lastLook_ < kControlCheck) {
            return;
        }
        lastLook_ = now;
        struct stat st {};
        if (::stat(controlPath_.c_str(), &st) != 0) {
            return;
        }
        const auto stamp = std::make_pair(st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
                                          static_cast<long long>(st.st_size));
        if (!force && stamp == controlStamp_) {
            return;
        }
        controlStamp_ = stamp;
        const auto values = ReadControl(controlPath_);
        const auto number = [&](const char* key, double& into) {
            if (const auto it = values.find(key); it != values.end()) {
                try {
                    into = std::stod(it->second);
                } catch (const std::exception&) {
                }
            }
        };
        number("power_db", powerDb_);
        number("spur_db", spurDb_);
        number("spur_hz", spurHz_);
        number("dc_db", dcDb_);
        number("gain_walk_db", walkDbPerRootS_);
        // A stall: no samples for that many seconds from when a new value is
        // first read, by any device made on this control file (one opened
        // again during the stall stalls with it, not anew).
        if (const auto it = values.find("stall_s"); it != values.end()) {
            static std::mutex lock;
            static std::map<std::string, std::pair<std::string, Clock::time_point>> stalls;
            const std::lock_guard guard(lock);
            auto& [seen, until] = stalls[controlPath_];
            if (it->second != seen) {
                seen = it->second;
                double seconds = 0;
                number("stall_s", seconds);
                until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(std::max(0.0, seconds)));
            }
            stallUntil_ = until;
        }
        double overflows = static_cast<double>(overflowsWanted_);
        number("overflows", overflows);
        overflowsWanted_ = static_cast<std::uint64_t>(std::max(0.0, overflows));
        const auto present = values.find("present");
        present_ = present == values.end() || present->second != "0";
    }

    /// A standard Gaussian number: drawn, or the next of the table.
    double Normal() {
        if (noiseTable_.empty()) {
            return normal_(random_);
        }
        const double v = noiseTable_[tableAt_];
        tableAt_ = tableAt_ + 1 == noiseTable_.size() ? 0 : tableAt_ + 1;
        return v;
    }

    void Generate(void* buffer, std::size_t n) {
        if (!noiseTable_.empty()) {
            // Each read from somewhere else in the table: blocks longer
            // than the table are not copies of each other.
            tableAt_ = static_cast<std::size_t>(random_() % noiseTable_.size());
        }
        const std::uint64_t stepAt = static_cast<std::uint64_t>(stepAtS_ * rate_);
        std::complex<float>* cf = cs16_ ? nullptr : static_cast<std::complex<float>*>(buffer);
        auto* cs = cs16_ ? static_cast<std::int16_t*>(buffer) : nullptr;
        const double tau = 2 * std::numbers::pi;
        // The gain's random walk, a step for each block of samples: its
        // variance grows by D² for every second of stream time.
        if (walkDbPerRootS_ > 0) {
            walkDb_ += walkDbPerRootS_ * std::sqrt(static_cast<double>(n) / rate_) *
                       walkNormal_(walkRandom_);
        }
        // The scale before and after the step, worked out once a block.
        const double scales[2] = {Amplitude(gainDb_ + walkDb_),
                                  Amplitude(gainDb_ + walkDb_ + stepDb_)};
        const double noiseAmplitude = Amplitude(powerDb_);
        const double dcAmplitude = Amplitude(dcDb_);
        const double spurAmplitude = Amplitude(spurDb_);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t k = delivered_ + i;
            const double scale = scales[(stepDb_ != 0 && k >= stepAt) ? 1 : 0];
            const double noise = noiseAmplitude * scale / std::numbers::sqrt2;
            double re = noise * Normal();
            double im = noise * Normal();
            const double dc = dcAmplitude * scale;
            re += dc;
            const double spur = spurAmplitude * scale;
            if (spur > 0) {
                spurPhase_ = std::fmod(spurPhase_ + tau * spurHz_ / rate_, tau);
                re += spur * std::cos(spurPhase_);
                im += spur * std::sin(spurPhase_);
            }
            re = std::clamp(re, -1.0, 1.0);
            im = std::clamp(im, -1.0, 1.0);
            if (cf != nullptr) {
                cf[i] = {static_cast<float>(re), static_cast<float>(im)};
            } else {
                cs[2 * i] = static_cast<std::int16_t>(std::lround(re * kInt16FullScale));
                cs[2 * i + 1] = static_cast<std::int16_t>(std::lround(im * kInt16FullScale));
            }
        }
        delivered_ += n;
    }

    SoapySDR::Kwargs args_;
    std::string serial_;
    std::vector<std::string> formats_;
    std::string controlPath_;
    std::pair<long long, long long> controlStamp_{-1, -1};
    Clock::time_point lastLook_{};
    double powerDb_;
    double spurDb_;
    double spurHz_;
    double dcDb_;
    double stepDb_;
    double stepAtS_;
    bool realtime_;
    bool present_ = true;
    std::uint64_t overflowsWanted_ = 0;
    std::uint64_t overflowsDone_ = 0;
    std::mt19937_64 random_;
    std::normal_distribution<double> normal_;
    std::vector<double> noiseTable_;
    std::size_t tableAt_ = 0;
    /// The gain's random walk: its coefficient, dB/√s, where it stands, dB,
    /// and its own generator, so the noise stays that of the seed.
    double walkDbPerRootS_ = 0;
    double walkDb_ = 0;
    std::mt19937_64 walkRandom_;
    std::normal_distribution<double> walkNormal_;
    double spurPhase_ = 0;
    double gainDb_ = 0;
    std::array<double, 3> elementDb_{};
    double ppm_ = 0;
    std::map<std::string, std::string> settings_;
    Clock::time_point stallUntil_{};
    double frequencyHz_ = 100e6;
    double rate_ = 1e6;
    std::string antenna_ = "RX";
    bool streamOpen_ = false;
    bool cs16_ = false;
    bool active_ = false;
    std::uint64_t delivered_ = 0;
    Clock::time_point startedAt_{};
};

SoapySDR::KwargsList FindSim(const SoapySDR::Kwargs& args) {
    if (args.count("driver") != 0 && args.at("driver") != "vantrelsim") {
        return {};
    }
    // Enumeration without arguments (SoapySDRUtil --find) lists one device;
    // with a control file saying "present=0" it lists none.
    if (!Present(args)) {
        return {};
    }
    SoapySDR::Kwargs found = args;
    found["driver"] = "vantrelsim";
    if (found.count("serial") == 0) {
        found["serial"] = "sim0";
    }
    found["label"] = "Vantrel simulated receiver " + found["serial"];
    return {found};
}

SoapySDR::Device* MakeSim(const SoapySDR::Kwargs& args) {
    if (!Present(args)) {
        throw std::runtime_error("vantrelsim: no device (unplugged)");
    }
    return new SimDevice(args);
}

const SoapySDR::Registry kRegistry("vantrelsim", &FindSim, &MakeSim, SOAPY_SDR_ABI_VERSION);

} // namespace
