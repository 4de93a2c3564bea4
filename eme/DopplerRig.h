#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel::eme {

/// The rig whose receive frequency follows the Doppler shift: the little the
/// follower needs of it. Errors are one sentence for the user ("The rig at
/// 127.0.0.1:4532 refused the connection: is rigctld running?"), empty on
/// success. An implementation opens the rig when first used and again after
/// a failure, so a rig switched off and on comes back by itself.
class DopplerRig {
public:
    virtual ~DopplerRig() = default;

    /// Tunes the rig's current VFO to `hz` (Hz, whole).
    virtual std::string SetFrequencyHz(std::int64_t hz) = 0;

    /// The frequency of the rig's current VFO, Hz, as the rig reports it.
    struct Reading {
        std::optional<std::int64_t> Hz; ///< empty on failure
        std::string Error;              ///< one sentence on failure
    };
    virtual Reading FrequencyHz() = 0;
};

} // namespace vantrel::eme
