#include "trackwin/RetiredLinks.h"

#include <algorithm>

namespace vantrel {

void RetiredLinks::Retire(std::unique_ptr<RotatorLink> link, bool stopRotator) {
    JoinFinished();
    if (!link) {
        return;
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread t([l = std::move(link), stopRotator, done]() mutable {
        l->Shutdown(stopRotator);
        l.reset();
        done->store(true);
    });
    ending_.push_back({std::move(t), std::move(done)});
}

void RetiredLinks::JoinFinished() {
    const auto finished = std::stable_partition(ending_.begin(), ending_.end(),
                                                [](const Ending& e) { return !e.Done->load(); });
    for (auto it = finished; it != ending_.end(); ++it) {
        it->Thread.join();
    }
    ending_.erase(finished, ending_.end());
}

void RetiredLinks::JoinAll() {
    for (Ending& e : ending_) {
        e.Thread.join();
    }
    ending_.clear();
}

std::size_t RetiredLinks::Pending() const {
    return static_cast<std::size_t>(std::count_if(ending_.begin(), ending_.end(),
                                                  [](const Ending& e) { return !e.Done->load(); }));
}

} // namespace vantrel
