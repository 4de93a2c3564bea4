#include "eme/HamlibDopplerRig.h"

#include "radiometer/HamlibRig.h"

#include <hamlib/rig.h>

#include <cmath>

namespace vantrel::eme {

namespace {

class HamlibDopplerRig final : public DopplerRig {
public:
    explicit HamlibDopplerRig(HamlibRigAddress address) : address_(std::move(address)) {}
    ~HamlibDopplerRig() override { Close(); }
    HamlibDopplerRig(const HamlibDopplerRig&) = delete;
    HamlibDopplerRig& operator=(const HamlibDopplerRig&) = delete;

    std::string SetFrequencyHz(std::int64_t hz) override {
        if (std::string problem = Open(); !problem.empty()) {
            return problem;
        }
        const int r = rig_set_freq(rig_, RIG_VFO_CURR, static_cast<freq_t>(hz));
        if (r != RIG_OK) {
            Close();
            return "The rig (" + Where() + ") did not take " + std::to_string(hz) +
                   " Hz: " + HamlibRigErrorText(r) + ".";
        }
        return {};
    }

    Reading FrequencyHz() override {
        Reading reading;
        reading.Error = Open();
        if (!reading.Error.empty()) {
            return reading;
        }
        freq_t hz = 0;
        const int r = rig_get_freq(rig_, RIG_VFO_CURR, &hz);
        if (r != RIG_OK) {
            Close();
            reading.Error = "The rig (" + Where() +
                            ") did not report its frequency: " + HamlibRigErrorText(r) + ".";
            return reading;
        }
        reading.Hz = std::llround(hz);
        return reading;
    }

private:
    std::string Where() const {
        return "model " + std::to_string(address_.Model) + " at " + address_.Device;
    }

    std::string Open() {
        if (open_) {
            return {};
        }
        HamlibRigOpening opening =
            OpenHamlibRig(address_.Model, address_.Device, address_.SerialSpeed);
        if (opening.Rig == nullptr) {
            return opening.Problem;
        }
        rig_ = opening.Rig;
        open_ = true;
        return {};
    }

    void Close() {
        CloseHamlibRig(rig_);
        open_ = false;
    }

    HamlibRigAddress address_;
    RIG* rig_ = nullptr;
    bool open_ = false;
};

} // namespace

std::string UnknownHamlibRigModel(int model) {
    return HamlibRigModelProblem(model);
}

std::unique_ptr<DopplerRig> MakeHamlibDopplerRig(const HamlibRigAddress& address) {
    return std::make_unique<HamlibDopplerRig>(address);
}

} // namespace vantrel::eme
