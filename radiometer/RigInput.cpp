#include "radiometer/RigInput.h"

#include "radiometer/HamlibRig.h"

#include <hamlib/rig.h>

#include <cmath>
#include <string>
#include <thread>

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

/// The longest one Read waits before it reads the S-meter.
constexpr auto kLongestWait = std::chrono::milliseconds(100);

class RigInput final : public PowerInput {
public:
    explicit RigInput(RigSettings settings) : settings_(std::move(settings)) {}
    ~RigInput() override { Close(); }
    RigInput(const RigInput&) = delete;
    RigInput& operator=(const RigInput&) = delete;

    InputError Open(StreamDescription& description) override {
        const RigSettings& s = settings_;
        HamlibRigOpening opening = OpenHamlibRig(s.Model, s.Device, s.SerialSpeed);
        if (opening.Rig == nullptr) {
            return opening.UnknownModel ? InputError::Refused(opening.Problem)
                                        : InputError::Retry(opening.Problem);
        }
        rig_ = opening.Rig;
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
            return InputError::Retry("The rig stopped answering (" + HamlibRigErrorText(r) +
                                     "). Opening it again.");
        }
        sink.Reading(std::pow(10.0, value.i / 10.0));
        return {};
    }

    void Close() override {
        CloseHamlibRig(rig_);
        open_ = false;
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
