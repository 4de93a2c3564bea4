#pragma once

#include "radiometer/PowerBlock.h"

#include <mutex>
#include <optional>

namespace vantrel {

/// Where the antenna points, handed from the thread that knows it (the
/// user-interface thread, which owns the tracking) to the runner's worker,
/// which stamps each block with it: the one writes a copy in, the other
/// reads a copy out, under a lock held only for the copy.
class PointingSlot {
public:
    /// Puts `pointing` in; none while nothing tracks.
    void Set(std::optional<BlockPointing> pointing) {
        const std::lock_guard lock(mutex_);
        pointing_ = std::move(pointing);
    }
    /// A copy of what was put in last.
    std::optional<BlockPointing> Get() const {
        const std::lock_guard lock(mutex_);
        return pointing_;
    }

private:
    mutable std::mutex mutex_;
    std::optional<BlockPointing> pointing_;
};

} // namespace vantrel
