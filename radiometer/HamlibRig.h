#pragma once

#include <hamlib/rig.h>

#include <string>

namespace vantrel {

/// Hamlib's rig API made quiet (its debug output, which would bury our one
/// sentence on standard error, switched off) and its backends loaded, once
/// for the process.
void QuietHamlibRigs();

/// Hamlib's short text of an error code ("Communication timed out"), on one
/// line: rigerror() would append Hamlib's whole debug record.
std::string HamlibRigErrorText(int code);

/// "Hamlib has no rig model N ('rigctl -l' lists them)." for a model
/// Hamlib does not know; empty for one it knows.
std::string HamlibRigModelProblem(int model);

/// A rig opened through Hamlib, or why not.
struct HamlibRigOpening {
    RIG* Rig = nullptr;        ///< open; the caller closes it with CloseHamlibRig
    std::string Problem;       ///< one sentence when there is no rig; empty otherwise
    bool UnknownModel = false; ///< Hamlib knows no such model: trying again will not help
};

/// Opens rig model `model` at `device` (a serial port, or host:port for
/// the network model 2; empty: the model's default) at `serialSpeed` baud
/// (0: the model's default). The sentences: "Hamlib has no rig model N
/// ('rigctl -l' lists them).", "The rig at DEV refused the connection: is
/// rigctld running?", "Cannot open the rig (model N at DEV): TEXT. Is it on
/// and connected, and no other program using its port?".
HamlibRigOpening OpenHamlibRig(int model, const std::string& device, int serialSpeed);

/// Closes and frees `rig` (null: nothing), and sets it null.
void CloseHamlibRig(RIG*& rig);

} // namespace vantrel
