#include "eme/HamlibDopplerRig.h"

#include <hamlib/rig.h>

#include <cmath>
#include <mutex>
#include <string_view>

namespace vantrel::eme {

namespace {

/// Hamlib's short name of an error code, on one line ("Communication timed
/// out"); rigerror() would append Hamlib's debug record.
std::string ShortError(int code) {
    const char* text = rigerror2(code);
    std::string out = text != nullptr ? std::string(text) : "error " + std::to_string(code);
    std::string oneLine;
    for (const char c : out) {
        if (c != '\n' && c != '\r') {
            oneLine += c;
        }
    }
    return oneLine;
}

void QuietHamlib() {
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        rig_set_debug(RIG_DEBUG_NONE);
        rig_load_all_backends();
    });
}

std::string NoSuchModel(int model) {
    return "Hamlib has no rig model " + std::to_string(model) + " ('rigctl -l' lists them).";
}

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
                   " Hz: " + ShortError(r) + ".";
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
            reading.Error =
                "The rig (" + Where() + ") did not report its frequency: " + ShortError(r) + ".";
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
        QuietHamlib();
        if (rig_ == nullptr) {
            rig_ = rig_init(address_.Model);
            if (rig_ == nullptr) {
                return NoSuchModel(address_.Model);
            }
            if (!address_.Device.empty()) {
                rig_set_conf(rig_, rig_token_lookup(rig_, "rig_pathname"), address_.Device.c_str());
            }
            if (address_.SerialSpeed > 0) {
                rig_set_conf(rig_, rig_token_lookup(rig_, "serial_speed"),
                             std::to_string(address_.SerialSpeed).c_str());
            }
        }
        const int r = rig_open(rig_);
        if (r != RIG_OK) {
            const char* record = rigerror(r);
            if (record != nullptr &&
                std::string_view(record).find("Connection refused") != std::string_view::npos) {
                return "The rig at " + address_.Device +
                       " refused the connection: is rigctld running?";
            }
            return "Cannot open the rig (" + Where() + "): " + ShortError(r) +
                   ". Is it on and connected, and no other program using its port?";
        }
        open_ = true;
        return {};
    }

    void Close() {
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

    HamlibRigAddress address_;
    RIG* rig_ = nullptr;
    bool open_ = false;
};

} // namespace

std::string UnknownHamlibRigModel(int model) {
    QuietHamlib();
    return rig_get_caps(model) == nullptr ? NoSuchModel(model) : std::string();
}

std::unique_ptr<DopplerRig> MakeHamlibDopplerRig(const HamlibRigAddress& address) {
    return std::make_unique<HamlibDopplerRig>(address);
}

} // namespace vantrel::eme
