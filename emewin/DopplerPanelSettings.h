#pragma once

#include "eme/DopplerFollower.h"
#include "eme/HamlibDopplerRig.h"

#include <QString>

#include <optional>

namespace vantrel {

/// What the EME window's Doppler following keeps between runs, in its own
/// keys of "Vanset.ini" section "EME" (written only when following is
/// started, so the file of a user who never follows stays as it was).
struct EmeDopplerSettings {
    eme::HamlibRigAddress Rig; ///< "DopplerRigModel", "DopplerRigDevice"
    eme::DopplerToFollow Follow = eme::DopplerToFollow::OwnEcho; ///< "DopplerFollow": own|dx
    /// "DopplerSkedMHz": the sked frequency, MHz; empty: the program's
    /// observing frequency.
    std::optional<double> SkedMHz;
    double UpdateS = eme::kDefaultDopplerUpdateS; ///< "DopplerUpdateS", 1..3600
    eme::DopplerPeriod Period; ///< "DopplerPeriodS" (0: none, else 4..3600), "DopplerTxFirst"
    std::optional<double> DeadBandHz; ///< "DopplerDeadBandHz", 0..1000; empty: the default
};

/// Reads the Doppler keys of section "EME"; a value out of its range or
/// not a number is left out (the default stands for it).
EmeDopplerSettings LoadEmeDopplerSettings(const QString& directory);

/// Writes the Doppler keys; false when the file could not be written.
bool SaveEmeDopplerSettings(const QString& directory, const EmeDopplerSettings& settings);

} // namespace vantrel
