#pragma once

#include "eme/DopplerRig.h"

#include <memory>
#include <string>

namespace vantrel::eme {

/// Which rig and how to reach it, as the program's S-meter input takes them.
struct HamlibRigAddress {
    int Model = 2;                         ///< Hamlib rig model; 2 is the network rigctld
    std::string Device = "localhost:4532"; ///< serial port, or host:port for model 2
    int SerialSpeed = 0;                   ///< baud; 0 keeps the model's default

    bool operator==(const HamlibRigAddress&) const = default;
};

/// A DopplerRig on Hamlib's rig API (rig_set_freq and rig_get_freq on the
/// current VFO), with Hamlib's own debug output silenced. The rig is opened
/// on first use and closed after any failure, to be opened again on the
/// next call. Not thread-safe: one thread uses it.
///
/// Errors: a model Hamlib does not know; a rig that cannot be opened (a
/// refused connection names rigctld); a rig that refuses or does not answer
/// a command: each one sentence.
/// A sentence when Hamlib knows no rig model `model`, else empty.
std::string UnknownHamlibRigModel(int model);

std::unique_ptr<DopplerRig> MakeHamlibDopplerRig(const HamlibRigAddress& address);

} // namespace vantrel::eme
