#pragma once

#include "tracking/RotatorLink.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace vantrel {

/// Rotator links that are no longer wanted (the user chose another rotator)
/// but may take up to their rotator's timeout to end: each is shut down and
/// destroyed on a thread of its own, so the user-interface thread never
/// waits for a controller. `JoinAll` (and the destructor) wait for them.
class RetiredLinks {
public:
    RetiredLinks() = default;
    ~RetiredLinks() { JoinAll(); }
    RetiredLinks(const RetiredLinks&) = delete;
    RetiredLinks& operator=(const RetiredLinks&) = delete;

    /// Ends `link` in the background, sending Stop first when `stopRotator`.
    void Retire(std::unique_ptr<RotatorLink> link, bool stopRotator);
    /// Waits until every retired link has ended.
    void JoinAll();
    /// Links still ending.
    std::size_t Pending() const;

private:
    struct Ending {
        std::thread Thread;
        std::shared_ptr<std::atomic<bool>> Done;
    };
    void JoinFinished();
    std::vector<Ending> ending_;
};

} // namespace vantrel
