#include "radiometer/RigInput.h"

#include <hamlib/rig.h>

#include <cmath>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

/// Hamlib's short text of an error code ("IO error"), without the debug
/// messages rigerror() appends in Hamlib 4.5, and without its line breaks.
std::string RigErrorText(int code) {
    const char* text = rigerror2(code);
    std::string s = text != nullptr ? text : "error " + std::to_string(code);
    std::erase_if(s, [](char c) { return c == '\n' || c == '\r'; });
    return s;
}

/// Whether Hamlib's record of the failure holds a refused TCP connection.
bool ConnectionRefused(int code) {
    const char* text = rigerror(code);
    const std::string_view s = text != nullptr ? text : "";
    return s.find("Connection refused") != std::string_view::npos;
}

/// The longest one Read waits before it reads the S-meter.
constexpr auto kLongestWait = std::chrono::milliseconds(100);

class RigInput final : public PowerInput {
public:
    explicit RigInput(RigSettings settings) : settings_(std::move(settings)) {}
    ~RigInput() override { Close(); }
    RigInput(const RigInput&) = delete;
    RigInput& operator=(const RigInput&) = delete;

    InputError Open(StreamDescription& description) override {
        static std::once_flag quiet;
        std::call_once(quiet, [] {
            rig_set_debug(RIG_DEBUG_NONE);
            rig_load_all_backends();
        });
        const RigSettings& s = settings_;
        rig_ = rig_init(s.Model);
        if (rig_ == nullptr) {
            return InputError::Refused("Hamlib has no rig model " + std::to_string(s.Model) +
                                       " ('rigctl -l' lists them).");
        }
        if (!s.Device.empty()) {
            rig_set_conf(rig_, rig_token_lookup(rig_, "rig_pathname"), s.Device.c_str());
        }
        if (s.SerialSpeed > 0) {
            rig_set_conf(rig_, rig_token_lookup(rig_, "serial_speed"),
                         std::to_string(s.SerialSpeed).c_str());
        }
        const int r = rig_open(rig_);
        if (r != RIG_OK) {
            if (ConnectionRefused(r)) {
                return InputError::Retry("The rig at " + s.Device +
                                         " refused the connection: is rigctld running?");
            }
            return InputError::Retry("Cannot open the rig (model " + std::to_string(s.Model) +
                                     ", " + s.Device + "): " + RigErrorText(r) +
                                     ". Is it on and connected, and no other program using its "
                                     "port (or is rigctld running)?");
        }
        open_ = true;
        if (rig_has_get_level(rig_, RIG_LEVEL_STRENGTH) == 0) {
            return InputError::Refused("Rig model " + std::to_string(s.Model) +
                                       " cannot report its S-meter (STRENGTH) through Hamlib.");
        }
        next_ = Clock::now();
        description.What = StreamDescription::Kind::Readings;
        description.WholeDbSteps = true;
        description.Unit = "dB";
        description.Device = "model " + std::to_string(s.Model) + " at " + s.Device;
        freq_t frequency = 0;
        if (rig_get_freq(rig_, RIG_VFO_CURR, &frequency) == RIG_OK) {
            description.FrequencyMHz = frequency / 1e6;
        }
        description.Summary = "Rig S-meter, model " + std::to_string(s.Model) + " (" +
                              rig_->caps->mfg_name + " " + rig_->caps->model_name + ") at " +
                              s.Device + ": whole dB relative to S9, for peaking, not for G/T";
        return {};
    }

    InputError Read(SampleSink& sink) override {
        const auto now = Clock::now();
        if (now < next_) {
            std::this_thread::sleep_for(std::min<Clock::duration>(next_ - now, kLongestWait));
            if (Clock::now() < next_) {
                return {};
            }
        }
        next_ += settings_.Poll;
        if (next_ < Clock::now()) {
            next_ = Clock::now() + settings_.Poll; // fell behind: no burst
        }
        value_t value{};
        const int r = rig_get_level(rig_, RIG_VFO_CURR, RIG_LEVEL_STRENGTH, &value);
        if (r != RIG_OK) {
            return InputError::Retry("The rig stopped answering (" + RigErrorText(r) +
                                     "). Opening it again.");
        }
        sink.Reading(std::pow(10.0, value.i / 10.0));
        return {};
    }

    void Close() override {
        if (rig_ == nullptr) {
            return;
        }
        if (open_) {
            rig_close(rig_);
            open_ = false;
        }
        rig_cleanup(rig_);
        rig_ = nullptr;
    }

private:
    RigSettings settings_;
    RIG* rig_ = nullptr;
    bool open_ = false;
    Clock::time_point next_{};
};

} // namespace

std::unique_ptr<PowerInput> MakeRigInput(const RigSettings& settings) {
    return std::make_unique<RigInput>(settings);
}

} // namespace vantrel
