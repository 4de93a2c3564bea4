#include "radiometer/HamlibRig.h"

#include <mutex>
#include <string_view>

namespace vantrel {

void QuietHamlibRigs() {
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        rig_set_debug(RIG_DEBUG_NONE);
        rig_load_all_backends();
    });
}

std::string HamlibRigErrorText(int code) {
    const char* text = rigerror2(code);
    std::string s = text != nullptr ? text : "error " + std::to_string(code);
    std::erase_if(s, [](char c) { return c == '\n' || c == '\r'; });
    return s;
}

std::string HamlibRigModelProblem(int model) {
    QuietHamlibRigs();
    return rig_get_caps(model) == nullptr
               ? "Hamlib has no rig model " + std::to_string(model) + " ('rigctl -l' lists them)."
               : std::string();
}

HamlibRigOpening OpenHamlibRig(int model, const std::string& device, int serialSpeed) {
    QuietHamlibRigs();
    HamlibRigOpening opening;
    RIG* rig = rig_init(model);
    if (rig == nullptr) {
        opening.Problem = HamlibRigModelProblem(model);
        if (opening.Problem.empty()) {
            opening.Problem = "Hamlib could not make rig model " + std::to_string(model) + ".";
        }
        opening.UnknownModel = true;
        return opening;
    }
    if (!device.empty()) {
        rig_set_conf(rig, rig_token_lookup(rig, "rig_pathname"), device.c_str());
    }
    if (serialSpeed > 0) {
        rig_set_conf(rig, rig_token_lookup(rig, "serial_speed"),
                     std::to_string(serialSpeed).c_str());
    }
    const int r = rig_open(rig);
    if (r != RIG_OK) {
        // Hamlib's record of the failure (rigerror) names a refused TCP
        // connection, which its short text does not.
        const char* record = rigerror(r);
        if (record != nullptr &&
            std::string_view(record).find("Connection refused") != std::string_view::npos) {
            opening.Problem =
                "The rig at " + device + " refused the connection: is rigctld running?";
        } else {
            opening.Problem = "Cannot open the rig (model " + std::to_string(model) + " at " +
                              device + "): " + HamlibRigErrorText(r) +
                              ". Is it on and connected, and no other program using its port?";
        }
        rig_cleanup(rig);
        return opening;
    }
    opening.Rig = rig;
    return opening;
}

void CloseHamlibRig(RIG*& rig) {
    if (rig == nullptr) {
        return;
    }
    rig_close(rig);
    rig_cleanup(rig);
    rig = nullptr;
}

} // namespace vantrel
