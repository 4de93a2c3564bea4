#include "radiometer/SdrInput.h"

#include <SoapySDR/Device.hpp>
#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.hpp>
#include <SoapySDR/Logger.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <vector>

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr long kReadTimeoutUs = 100000;
/// A stream that gives no samples for this long is taken as lost.
constexpr auto kSilentStreamLimit = std::chrono::seconds(3);
constexpr std::size_t kMostSamplesPerRead = 65536;
constexpr double kHzPerMHz = 1e6;

std::string Number(double value, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string RangesText(const SoapySDR::RangeList& ranges, double scale, const char* unit) {
    std::string text;
    for (const SoapySDR::Range& r : ranges) {
        text += (text.empty() ? "" : ", ") + Number(r.minimum() / scale, "%g");
        if (r.maximum() > r.minimum()) {
            text += "-" + Number(r.maximum() / scale, "%g");
        }
    }
    return text.empty() ? "none" : text + " " + unit;
}

/// "a, b, c"; "none" for an empty list.
std::string ListText(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& i : items) {
        text += (text.empty() ? "" : ", ") + i;
    }
    return text.empty() ? "none" : text;
}

bool InRanges(const SoapySDR::RangeList& ranges, double value) {
    // A device that lists no ranges is left to refuse on its own.
    return ranges.empty() || std::any_of(ranges.begin(), ranges.end(), [&](const auto& r) {
               return value >= r.minimum() * (1 - 1e-9) && value <= r.maximum() * (1 + 1e-9);
           });
}

class SdrInput final : public PowerInput {
public:
    explicit SdrInput(SdrSettings settings) : settings_(std::move(settings)) {}
    ~SdrInput() override { Close(); }
    SdrInput(const SdrInput&) = delete;
    SdrInput& operator=(const SdrInput&) = delete;

    InputError Open(StreamDescription& description) override {
        static std::once_flag quiet;
        // SoapySDR's own chatter would otherwise go to standard error.
        std::call_once(quiet, [] { SoapySDR::setLogLevel(SOAPY_SDR_WARNING); });
        const std::string args = settings_.DeviceArgs;
        const std::string shown = args.empty() ? "the first SDR" : "an SDR for '" + args + "'";
        SoapySDR::KwargsList found;
        try {
            found = SoapySDR::Device::enumerate(args);
        } catch (const std::exception& e) {
            return InputError::Retry("Looking for " + shown + " failed: " + e.what() + ".");
        }
        if (found.empty()) {
            return InputError::Retry(
                (args.empty() ? std::string("No SDR found") : "No SDR found for '" + args + "'") +
                ". Is it plugged in, and its SoapySDR module installed (soapysdr-module-all)? "
                "'SoapySDRUtil --find' lists the devices SoapySDR sees.");
        }
        try {
            device_ = SoapySDR::Device::make(args);
        } catch (const std::exception& e) {
            return InputError::Retry(
                (args.empty() ? std::string("The SDR") : "The SDR for '" + args + "'") +
                " cannot be opened: " + e.what() + ". Is another program using it?");
        }
        if (device_ == nullptr) {
            return InputError::Retry(
                (args.empty() ? std::string("The SDR") : "The SDR for '" + args + "'") +
                " cannot be opened.");
        }
        try {
            if (InputError e = Configure(description); e.Failed()) {
                return e;
            }
        } catch (const std::exception& e) {
            return InputError::Retry(std::string("The SDR failed while being set up: ") + e.what() +
                                     ".");
        }
        return {};
    }

    InputError Read(SampleSink& sink) override {
        void* buffers[] = {raw_.data()};
        int flags = 0;
        long long timeNs = 0;
        const int n =
            device_->readStream(stream_, buffers, raw_.size(), flags, timeNs, kReadTimeoutUs);
        if (n > 0) {
            lastSamples_ = Clock::now();
            Deliver(sink, static_cast<std::size_t>(n));
            return {};
        }
        if (n == SOAPY_SDR_TIMEOUT || n == 0) {
            if (Clock::now() - lastSamples_ > kSilentStreamLimit) {
                return InputError::Retry("The SDR has delivered no samples for 3 s: it may have "
                                         "been unplugged. Opening it again.");
            }
            return {};
        }
        if (n == SOAPY_SDR_OVERFLOW) {
            sink.Gap("The SDR's samples overflowed (the computer did not read them in time): the "
                     "block in progress was dropped. A lower sample rate or a less busy computer "
                     "helps.");
            return {};
        }
        return InputError::Retry(std::string("The SDR's stream failed (") + SoapySDR::errToStr(n) +
                                 "): it may have been unplugged. Opening it again.");
    }

    void Close() override {
        if (device_ == nullptr) {
            return;
        }
        try {
            if (stream_ != nullptr) {
                device_->deactivateStream(stream_);
                device_->closeStream(stream_);
            }
        } catch (const std::exception&) {
            // A device that is gone cannot be closed tidily; unmake it all the same.
        }
        stream_ = nullptr;
        try {
            SoapySDR::Device::unmake(device_);
        } catch (const std::exception&) {
        }
        device_ = nullptr;
    }

private:
    /// The settings, gain elements and sample rates the device offers.
    std::string Offers() const {
        constexpr int rx = SOAPY_SDR_RX;
        std::vector<std::string> settings;
        for (const SoapySDR::ArgInfo& a : device_->getSettingInfo()) {
            std::string text = a.key;
            if (!a.name.empty() && a.name != a.key) {
                text += " (" + a.name + ")";
            }
            if (!a.options.empty()) {
                text += ": " + ListText(a.options);
            } else if (a.type == SoapySDR::ArgInfo::BOOL) {
                text += ": true, false";
            }
            settings.push_back(text);
        }
        std::vector<std::string> gains;
        for (const std::string& g : device_->listGains(rx, 0)) {
            const SoapySDR::Range r = device_->getGainRange(rx, 0, g);
            gains.push_back(g + " " + Number(r.minimum(), "%g") + "-" + Number(r.maximum(), "%g") +
                            " dB");
        }
        std::vector<std::string> rates;
        for (const double r : device_->listSampleRates(rx, 0)) {
            rates.push_back(Number(r, "%.0f"));
        }
        std::string text = "The SDR offers the settings " + ListText(settings) +
                           "; the gain elements " + ListText(gains);
        if (!rates.empty()) {
            text += "; the sample rates " + ListText(rates) + " S/s";
        }
        return text + ".";
    }

    InputError Configure(StreamDescription& description) {
        constexpr int rx = SOAPY_SDR_RX;
        const SdrSettings& s = settings_;
        if (device_->getNumChannels(rx) < 1) {
            return InputError::Refused("The device for '" + s.DeviceArgs +
                                       "' has no receiving channel.");
        }
        const SoapySDR::RangeList rates = device_->getSampleRateRange(rx, 0);
        if (!InRanges(rates, s.RateHz)) {
            return InputError::Refused("The SDR does not offer the sample rate " +
                                       Number(s.RateHz, "%g") +
                                       " S/s. It offers: " + RangesText(rates, 1, "S/s") + ".");
        }
        try {
            device_->setSampleRate(rx, 0, s.RateHz);
        } catch (const std::exception& e) {
            return InputError::Refused("The SDR refuses the sample rate " + Number(s.RateHz, "%g") +
                                       " S/s: " + e.what() + ".");
        }
        if (s.FrequencyMHz) {
            const double hz = *s.FrequencyMHz * kHzPerMHz;
            const SoapySDR::RangeList tunable = device_->getFrequencyRange(rx, 0);
            if (!InRanges(tunable, hz)) {
                return InputError::Refused(
                    "The SDR cannot tune to " + Number(*s.FrequencyMHz, "%.6f") +
                    " MHz. It tunes: " + RangesText(tunable, kHzPerMHz, "MHz") + ".");
            }
            try {
                device_->setFrequency(rx, 0, hz);
            } catch (const std::exception& e) {
                return InputError::Refused("The SDR refuses the frequency " +
                                           Number(*s.FrequencyMHz, "%.6f") + " MHz: " + e.what() +
                                           ".");
            }
        }
        if (device_->hasGainMode(rx, 0)) {
            try {
                device_->setGainMode(rx, 0, false);
            } catch (const std::exception& e) {
                return InputError::Refused(
                    std::string("The SDR's automatic gain cannot be turned off: ") + e.what() +
                    ". A noise measurement needs a steady gain.");
            }
        }
        if (s.GainDb) {
            const SoapySDR::Range gains = device_->getGainRange(rx, 0);
            if (*s.GainDb < gains.minimum() - 1e-9 || *s.GainDb > gains.maximum() + 1e-9) {
                return InputError::Refused("The gain " + Number(*s.GainDb, "%g") +
                                           " dB is outside the SDR's range " +
                                           Number(gains.minimum(), "%g") + " to " +
                                           Number(gains.maximum(), "%g") + " dB.");
            }
            try {
                device_->setGain(rx, 0, *s.GainDb);
            } catch (const std::exception& e) {
                return InputError::Refused("The SDR refuses the gain " + Number(*s.GainDb, "%g") +
                                           " dB: " + e.what() + ".");
            }
        }
        for (const auto& [name, db] : s.GainElements) {
            const std::vector<std::string> names = device_->listGains(rx, 0);
            if (std::find(names.begin(), names.end(), name) == names.end()) {
                return InputError::Refused("The SDR has no gain element '" + name +
                                           "'. It has: " + ListText(names) + ".");
            }
            const SoapySDR::Range range = device_->getGainRange(rx, 0, name);
            if (db < range.minimum() - 1e-9 || db > range.maximum() + 1e-9) {
                return InputError::Refused("The gain " + Number(db, "%g") + " dB of " + name +
                                           " is outside its range " +
                                           Number(range.minimum(), "%g") + " to " +
                                           Number(range.maximum(), "%g") + " dB.");
            }
            try {
                device_->setGain(rx, 0, name, db);
            } catch (const std::exception& e) {
                return InputError::Refused("The SDR refuses the gain " + Number(db, "%g") +
                                           " dB of " + name + ": " + e.what() + ".");
            }
        }
        if (s.PpmCorrection) {
            if (!device_->hasFrequencyCorrection(rx, 0)) {
                return InputError::Refused("The SDR has no frequency correction (ppm).");
            }
            try {
                device_->setFrequencyCorrection(rx, 0, *s.PpmCorrection);
            } catch (const std::exception& e) {
                return InputError::Refused("The SDR refuses the frequency correction " +
                                           Number(*s.PpmCorrection, "%g") + " ppm: " + e.what() +
                                           ".");
            }
        }
        for (const auto& [key, value] : s.Settings) {
            const SoapySDR::ArgInfoList infos = device_->getSettingInfo();
            const auto info =
                std::find_if(infos.begin(), infos.end(),
                             [&](const SoapySDR::ArgInfo& a) { return a.key == key; });
            if (info == infos.end()) {
                std::vector<std::string> keys;
                for (const SoapySDR::ArgInfo& a : infos) {
                    keys.push_back(a.key + (a.name.empty() || a.name == a.key
                                                ? std::string()
                                                : " (" + a.name + ")"));
                }
                return InputError::Refused("The SDR has no setting '" + key +
                                           "'. It has: " + ListText(keys) + ".");
            }
            if (!info->options.empty() && std::find(info->options.begin(), info->options.end(),
                                                    value) == info->options.end()) {
                return InputError::Refused("The SDR's setting " + key + " takes " +
                                           ListText(info->options) + ", not '" + value + "'.");
            }
            if (info->type == SoapySDR::ArgInfo::BOOL && value != "true" && value != "false") {
                return InputError::Refused("The SDR's setting " + key +
                                           " takes true or false, not '" + value + "'.");
            }
            try {
                device_->writeSetting(key, value);
            } catch (const std::exception& e) {
                return InputError::Refused("The SDR refuses " + key + "=" + value + ": " +
                                           e.what() + ".");
            }
        }
        if (!s.Antenna.empty()) {
            const std::vector<std::string> ports = device_->listAntennas(rx, 0);
            if (std::find(ports.begin(), ports.end(), s.Antenna) == ports.end()) {
                std::string list;
                for (const std::string& p : ports) {
                    list += (list.empty() ? "" : ", ") + p;
                }
                return InputError::Refused("The SDR has no antenna port '" + s.Antenna +
                                           "'. It has: " + (list.empty() ? "none" : list) + ".");
            }
            device_->setAntenna(rx, 0, s.Antenna);
        }

        // CF32 where offered; else the integers, scaled here.
        const std::vector<std::string> formats = device_->getStreamFormats(rx, 0);
        double nativeScale = 0;
        const std::string native = device_->getNativeStreamFormat(rx, 0, nativeScale);
        format_.clear();
        for (const char* f : {SOAPY_SDR_CF32, SOAPY_SDR_CS16, SOAPY_SDR_CS8}) {
            if (std::find(formats.begin(), formats.end(), f) != formats.end()) {
                format_ = f;
                break;
            }
        }
        if (format_.empty()) {
            return InputError::Refused("The SDR offers none of the sample formats CF32, CS16 "
                                       "and CS8.");
        }
        if (format_ == SOAPY_SDR_CS16) {
            fullScale_ = native == format_ && nativeScale > 0 ? nativeScale : 32768.0;
        } else if (format_ == SOAPY_SDR_CS8) {
            fullScale_ = native == format_ && nativeScale > 0 ? nativeScale : 128.0;
        } else {
            fullScale_ = 1.0;
        }
        stream_ = device_->setupStream(rx, format_, {0});
        raw_.assign(kMostSamplesPerRead, {});
        if (format_ != SOAPY_SDR_CF32) {
            samples_.assign(kMostSamplesPerRead, {});
            integers16_.assign(2 * kMostSamplesPerRead, 0);
            integers8_.assign(2 * kMostSamplesPerRead, 0);
        }
        if (const int r = device_->activateStream(stream_); r != 0) {
            return InputError::Retry(std::string("The SDR's stream cannot be started (") +
                                     SoapySDR::errToStr(r) + ").");
        }
        lastSamples_ = Clock::now();

        description.What = StreamDescription::Kind::ComplexSamples;
        description.RateHz = device_->getSampleRate(rx, 0);
        description.FrequencyMHz = device_->getFrequency(rx, 0) / kHzPerMHz;
        description.Unit = "dBFS";
        description.Device = settings_.DeviceArgs;
        description.GainDb = device_->getGain(rx, 0);
        std::string summary = "SDR " + device_->getHardwareKey() + ", " +
                              Number(description.FrequencyMHz, "%.6f") + " MHz, " +
                              Number(description.RateHz / kHzPerMHz, "%.6g") + " MS/s, gain " +
                              Number(device_->getGain(rx, 0), "%.1f") + " dB (AGC off)";
        try {
            description.Offers = Offers();
        } catch (const std::exception&) {
            description.Offers.clear(); // a module that cannot say: nothing offered
        }
        const std::vector<std::string> elements = device_->listGains(rx, 0);
        if (elements.size() > 1) {
            std::string parts;
            for (const std::string& e : elements) {
                parts += (parts.empty() ? "" : " ") + e + " " +
                         Number(device_->getGain(rx, 0, e), "%.1f");
            }
            summary += " (" + parts + ")";
        }
        if (settings_.PpmCorrection) {
            summary += ", " + Number(device_->getFrequencyCorrection(rx, 0), "%g") + " ppm";
        }
        for (const auto& setting : settings_.Settings) {
            summary += ", " + setting.first + "=" + device_->readSetting(setting.first);
        }
        const std::string antenna = device_->getAntenna(rx, 0);
        if (!antenna.empty()) {
            summary += ", antenna " + antenna;
        }
        description.Summary = summary + ", " + format_;
        return {};
    }

    void Deliver(SampleSink& sink, std::size_t n) {
        if (format_ == SOAPY_SDR_CF32) {
            sink.Complex({raw_.data(), n});
            return;
        }
        // The integers were written over the buffer's bytes: copied out as
        // such, then scaled to full scale 1.
        const auto scale = static_cast<float>(1.0 / fullScale_);
        if (format_ == SOAPY_SDR_CS16) {
            std::memcpy(integers16_.data(), raw_.data(), n * 2 * sizeof(std::int16_t));
            for (std::size_t i = 0; i < n; ++i) {
                samples_[i] = {static_cast<float>(integers16_[2 * i]) * scale,
                               static_cast<float>(integers16_[2 * i + 1]) * scale};
            }
        } else {
            std::memcpy(integers8_.data(), raw_.data(), n * 2 * sizeof(std::int8_t));
            for (std::size_t i = 0; i < n; ++i) {
                samples_[i] = {static_cast<float>(integers8_[2 * i]) * scale,
                               static_cast<float>(integers8_[2 * i + 1]) * scale};
            }
        }
        sink.Complex({samples_.data(), n});
    }

    SdrSettings settings_;
    SoapySDR::Device* device_ = nullptr;
    SoapySDR::Stream* stream_ = nullptr;
    std::string format_;
    double fullScale_ = 1.0;
    /// What readStream writes: CF32 samples, or the integers of CS16/CS8 in
    /// its first bytes (CF32 is the largest of the three).
    std::vector<std::complex<float>> raw_;
    std::vector<std::complex<float>> samples_;
    std::vector<std::int16_t> integers16_;
    std::vector<std::int8_t> integers8_;
    Clock::time_point lastSamples_{};
};

} // namespace

std::unique_ptr<PowerInput> MakeSdrInput(const SdrSettings& settings) {
    return std::make_unique<SdrInput>(settings);
}

std::vector<FoundSdr> FindSdrs() {
    std::vector<FoundSdr> found;
    try {
        for (const SoapySDR::Kwargs& k : SoapySDR::Device::enumerate()) {
            FoundSdr sdr;
            // driver and serial name a device; the rest describes it.
            for (const char* key : {"driver", "serial"}) {
                if (const auto it = k.find(key); it != k.end()) {
                    sdr.Args += (sdr.Args.empty() ? "" : ",") + it->first + "=" + it->second;
                }
            }
            const auto label = k.find("label");
            sdr.Label = label != k.end() ? label->second : sdr.Args;
            found.push_back(std::move(sdr));
        }
    } catch (const std::exception&) {
        found.clear();
    }
    return found;
}

} // namespace vantrel
