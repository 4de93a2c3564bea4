#include "tracking/HamlibRotator.h"

#include <hamlib/rotator.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace vantrel {

namespace {

/// Hamlib's backend registry (filled by rot_init and rot_load_all_backends)
/// and the static buffer behind rigerror2 are shared by the whole process
/// and not locked by Hamlib: every use of them goes through this lock.
std::mutex& HamlibLock() {
    static std::mutex lock;
    return lock;
}

/// Hamlib writes its debug trace to stderr unless told otherwise; with it
/// off, a rotator that is not there costs no console noise.
void SilenceHamlib() {
    static std::once_flag once;
    std::call_once(once, [] { rig_set_debug(RIG_DEBUG_NONE); });
}

/// Hamlib's short text for one of its error codes, e.g. "Communication
/// timed out". rigerror() in Hamlib 4.5 appends its saved debug messages
/// (even with debugging off), so rigerror2 is used, and its first line only.
std::string HamlibText(int code) {
    const std::lock_guard lock(HamlibLock());
    std::string text = rigerror2(code);
    text.erase(std::find(text.begin(), text.end(), '\n'), text.end());
    return text;
}

std::string Degrees(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f°", value);
    return text;
}

class HamlibRotator final : public Rotator {
public:
    explicit HamlibRotator(const RotatorSettings& settings) : settings_(settings) {
        SilenceHamlib();
    }
    ~HamlibRotator() override { Close(); }
    HamlibRotator(const HamlibRotator&) = delete;
    HamlibRotator& operator=(const HamlibRotator&) = delete;

    RotatorError Open() override {
        if (rot_ != nullptr) {
            return {};
        }
        if (settings_.TimeoutMs <= 0) {
            return {-RIG_ECONF, "The rotator's timeout must be at least 1 ms."};
        }
        ROT* rot = nullptr;
        {
            const std::lock_guard lock(HamlibLock());
            rot = rot_init(settings_.Model);
        }
        if (rot == nullptr) {
            return {-RIG_ECONF,
                    "Hamlib knows no rotator model " + std::to_string(settings_.Model) + "."};
        }
        RotatorError error = Configure(rot);
        if (!error.Failed()) {
            // Opening a network rotator, Hamlib sets SIGPIPE to be ignored
            // for the whole process, so writing to a rotctld that has closed
            // the connection comes back as an I/O error instead of ending
            // the program.
            const int code = rot_open(rot);
            if (code != RIG_OK) {
                error = {code, OpenSentence(code)};
            }
        }
        if (error.Failed()) {
            const std::lock_guard lock(HamlibLock());
            rot_cleanup(rot);
            return error;
        }
        rot_ = rot;
        return {};
    }

    void Close() override {
        if (rot_ == nullptr) {
            return;
        }
        rot_close(rot_);
        const std::lock_guard lock(HamlibLock());
        rot_cleanup(rot_);
        rot_ = nullptr;
    }

    RotatorError SetPosition(const RotatorPosition& position) override {
        if (rot_ == nullptr) {
            return NotOpen();
        }
        const int code = rot_set_position(rot_, static_cast<azimuth_t>(position.AzimuthDeg),
                                          static_cast<elevation_t>(position.ElevationDeg));
        if (code == -RIG_EINVAL || code == -RIG_EDOM || code == -RIG_ERJCTED) {
            return {code, Who() + " refuses azimuth " + Degrees(position.AzimuthDeg) +
                              ", elevation " + Degrees(position.ElevationDeg) + " (" +
                              HamlibText(code) + ")."};
        }
        return Outcome(code);
    }

    RotatorError GetPosition(RotatorPosition& position) override {
        if (rot_ == nullptr) {
            return NotOpen();
        }
        azimuth_t az = 0;
        elevation_t el = 0;
        const int code = rot_get_position(rot_, &az, &el);
        if (code == RIG_OK) {
            position = {az, el};
        }
        return Outcome(code);
    }

    RotatorError Stop() override {
        if (rot_ == nullptr) {
            return NotOpen();
        }
        return Outcome(rot_stop(rot_));
    }

    RotatorError Park() override {
        if (rot_ == nullptr) {
            return NotOpen();
        }
        return Outcome(rot_park(rot_));
    }

    std::chrono::milliseconds Timeout() const override {
        return std::chrono::milliseconds{std::max(settings_.TimeoutMs, 1)};
    }

private:
    /// Sets the device, serial speed, timeout and retries on an initialised
    /// handle.
    RotatorError Configure(ROT* rot) const {
        const auto set = [&](const char* name, const std::string& value) -> RotatorError {
            const int code = rot_set_conf(rot, rot_token_lookup(rot, name), value.c_str());
            if (code != RIG_OK) {
                return {code, "Hamlib does not take the rotator's " + std::string(name) + " \"" +
                                  value + "\" (" + HamlibText(code) + ")."};
            }
            return {};
        };
        RotatorError error;
        // A model without a port (the dummy) has no use for a device; Hamlib
        // would still take "127.0.0.1:4533" as a network address and fail
        // to open it, which a device left from another model must not do.
        if (!settings_.Device.empty() && rot->caps->port_type != RIG_PORT_NONE) {
            error = set("rot_pathname", settings_.Device);
        }
        if (!error.Failed() && settings_.SerialSpeed > 0) {
            error = set("serial_speed", std::to_string(settings_.SerialSpeed));
        }
        if (!error.Failed()) {
            error = set("timeout", std::to_string(settings_.TimeoutMs));
        }
        // Hamlib repeats a timed-out exchange `retry` times, which would
        // multiply the timeout; the link retries on its own terms instead.
        if (!error.Failed()) {
            error = set("retry", "0");
        }
        return error;
    }

    /// "The rotator at localhost:4533", "The rotator on /dev/ttyUSB0",
    /// "The Hamlib rotator model 1".
    std::string Who() const {
        if (settings_.Device.empty() || settings_.Model == 1) {
            return "The Hamlib rotator model " + std::to_string(settings_.Model);
        }
        if (settings_.Model == 2) {
            return "The rotator at " + settings_.Device;
        }
        return "The rotator on " + settings_.Device;
    }

    std::string OpenSentence(int code) const {
        if (code == -RIG_ETIMEOUT) {
            return Who() + " does not answer (timeout).";
        }
        if (code == -RIG_EIO) {
            return Who() + " cannot be reached (" + HamlibText(code) + ").";
        }
        return Who() + " cannot be opened (" + HamlibText(code) + ").";
    }

    RotatorError Outcome(int code) const {
        switch (code) {
        case RIG_OK:
            return {};
        case -RIG_ETIMEOUT:
            return {code, Who() + " does not answer (timeout)."};
        case -RIG_EIO:
            return {code,
                    "The connection to " + LowerWho() + " failed (" + HamlibText(code) + ")."};
        case -RIG_EPROTO:
            return {code, Who() + " answers in a way Hamlib does not understand (" +
                              HamlibText(code) + ")."};
        case -RIG_ENAVAIL:
        case -RIG_ENIMPL:
            return {code, Who() + " cannot do this (" + HamlibText(code) + ")."};
        default:
            return {code, Who() + " reports a failure (" + HamlibText(code) + ")."};
        }
    }

    std::string LowerWho() const {
        std::string who = Who();
        who[0] = 't';
        return who;
    }

    RotatorError NotOpen() const { return {-RIG_EINVAL, Who() + " is not open."}; }

    RotatorSettings settings_;
    ROT* rot_ = nullptr;
};

int CollectModel(const rot_caps* caps, void* data) {
    auto* models = static_cast<std::vector<RotatorModel>*>(data);
    models->push_back({static_cast<int>(caps->rot_model), caps->mfg_name ? caps->mfg_name : "",
                       caps->model_name ? caps->model_name : ""});
    return 1; // go on
}

} // namespace

std::unique_ptr<Rotator> MakeHamlibRotator(const RotatorSettings& settings) {
    return std::make_unique<HamlibRotator>(settings);
}

std::vector<RotatorModel> HamlibRotatorModels() {
    SilenceHamlib();
    std::vector<RotatorModel> models;
    {
        const std::lock_guard lock(HamlibLock());
        rot_load_all_backends();
        rot_list_foreach(CollectModel, &models);
    }
    std::sort(models.begin(), models.end(),
              [](const RotatorModel& a, const RotatorModel& b) { return a.Model < b.Model; });
    return models;
}

} // namespace vantrel
