#include "receiverwin/LiveYFactor.h"

#include "tracking/SkyAngles.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

/// The step a run's blocks make from one to the next, dB: the RMS of their
/// differences, and never less than √2 of a block's σ.
double RunStepDb(const std::deque<LiveYFactor::Held>& run, const PowerBlock& next) {
    double sum = 0;
    for (std::size_t i = 1; i < run.size(); ++i) {
        const double d = run[i].Block.PowerDb - run[i - 1].Block.PowerDb;
        sum += d * d;
    }
    const double rms = run.size() >= 2 ? std::sqrt(sum / static_cast<double>(run.size() - 1)) : 0;
    const double white = std::isfinite(next.SigmaDb) ? std::sqrt(2.0) * next.SigmaDb : 0.0;
    return std::max(rms, white);
}

} // namespace

void LiveYFactor::Add(const PowerBlock& block, std::optional<double> offsetBeams) {
    if (!present_.empty()) {
        const double jump = std::abs(block.PowerDb - present_.back().Block.PowerDb);
        const double step = RunStepDb(present_, block);
        // Without a step to judge by (one reading of unknown σ) nothing is
        // a jump: a meter's jitter would restart the run at every block.
        if (step > 0 && jump > std::max(kLeastJumpDb, kJumpSteps * step)) {
            present_.clear(); // the antenna moved: a new level
            restarted_ = true;
        } else if (restarted_ && present_.size() == 1) {
            // The first block of a new level was taken part-way through
            // the move when the second is far from it.
            if (jump > kJumpSteps * step && step > 0) {
                present_.clear();
            }
            restarted_ = false;
        }
    }
    present_.push_back({block, offsetBeams});
    // A step of the sequence may wait long for its press: only the latest
    // count, but the step keeps its own.
    while (present_.size() > kLiveYBlocks) {
        present_.pop_front();
    }
}

void LiveYFactor::Restart() {
    present_.clear();
    restarted_ = false;
    reference_.clear();
    CancelSequence();
    before_.clear();
    on_.clear();
    onOffsets_.clear();
    after_.clear();
}

std::vector<PowerBlock> LiveYFactor::Blocks(const std::deque<Held>& run) const {
    std::vector<PowerBlock> out;
    out.reserve(run.size());
    for (const Held& h : run) {
        out.push_back(h.Block);
    }
    return out;
}

std::vector<PowerBlock> LiveYFactor::Present() const {
    return Blocks(present_);
}

bool LiveYFactor::TakeReference() {
    if (present_.empty()) {
        return false;
    }
    reference_ = Blocks(present_);
    present_.clear();
    restarted_ = true; // the antenna is about to move
    CancelSequence();
    return true;
}

std::optional<PowerBlock> LiveYFactor::ReferenceLevel() const {
    if (reference_.empty()) {
        return std::nullopt;
    }
    PowerBlock held = reference_.back();
    held.UtcStart = reference_.front().UtcStart;
    double linear = 0;
    for (const PowerBlock& b : reference_) {
        linear += std::pow(10.0, b.PowerDb / 10.0);
    }
    held.PowerDb = 10.0 * std::log10(linear / static_cast<double>(reference_.size()));
    double sigmaSq = 0;
    for (const PowerBlock& b : reference_) {
        sigmaSq += b.SigmaDb * b.SigmaDb; // NaN stays NaN: a reading's σ unknown
    }
    held.SigmaDb = std::sqrt(sigmaSq) / static_cast<double>(reference_.size());
    return held;
}

void LiveYFactor::StartSequence() {
    step_ = Step::FirstOff;
    present_.clear();
    restarted_ = true;
    before_.clear();
    on_.clear();
    onOffsets_.clear();
    after_.clear();
}

bool LiveYFactor::NextStep() {
    if (step_ == Step::None || step_ == Step::Done || present_.size() < kLeastStepBlocks) {
        return false;
    }
    switch (step_) {
    case Step::FirstOff:
        before_ = Blocks(present_);
        step_ = Step::On;
        break;
    case Step::On:
        on_ = Blocks(present_);
        onOffsets_.clear();
        for (const Held& h : present_) {
            onOffsets_.push_back(h.OffsetBeams);
        }
        step_ = Step::SecondOff;
        break;
    case Step::SecondOff:
        after_ = Blocks(present_);
        step_ = Step::Done;
        break;
    default:
        break;
    }
    present_.clear();
    restarted_ = true;
    return true;
}

void LiveYFactor::CancelSequence() {
    if (step_ != Step::None) {
        step_ = Step::None;
        before_.clear();
        on_.clear();
        onOffsets_.clear();
        after_.clear();
    }
}

std::string LiveYFactor::Prompt() const {
    const std::string least = std::to_string(kLeastStepBlocks);
    const std::string have = std::to_string(present_.size());
    switch (step_) {
    case Step::None:
        return {};
    case Step::FirstOff:
        return "1 of 3: point off the source (cold sky at its elevation), wait for at least " +
               least + " steady blocks (" + have + " so far), then press Off taken.";
    case Step::On:
        return "2 of 3: point at the source, wait for at least " + least +
               " steady blocks on it (" + have + " so far), then press On taken.";
    case Step::SecondOff:
        return "3 of 3: point off the source again, as before, wait for at least " + least +
               " steady blocks (" + have + " so far), then press Off taken.";
    case Step::Done:
        return "Off-on-off done: Use this Y, or Off-on-off to measure again.";
    }
    return {};
}

std::optional<YEstimate> LiveYFactor::Y() const {
    if (step_ == Step::Done) {
        return OffOnOffY(before_, on_, after_);
    }
    // Within the sequence: on the source against its first off; off the
    // source there is nothing to show.
    if (step_ == Step::On) {
        return OnOffY(before_, Blocks(present_));
    }
    if (step_ != Step::None || reference_.empty()) {
        return std::nullopt;
    }
    const std::vector<PowerBlock> on = Blocks(present_);
    return OnOffY(reference_, on);
}

std::vector<PowerBlock> LiveYFactor::UsedBlocks() const {
    std::vector<PowerBlock> out;
    if (step_ == Step::Done) {
        out = before_;
        out.insert(out.end(), on_.begin(), on_.end());
        out.insert(out.end(), after_.begin(), after_.end());
    } else if (!reference_.empty()) {
        out = reference_;
        for (const Held& h : present_) {
            out.push_back(h.Block);
        }
    }
    return out;
}

std::optional<double> LiveYFactor::LargestOnOffsetBeams() const {
    std::optional<double> largest;
    const auto take = [&largest](std::optional<double> o) {
        if (o && std::isfinite(*o)) {
            largest = std::max(largest.value_or(0.0), *o);
        }
    };
    if (step_ == Step::Done) {
        for (const auto& o : onOffsets_) {
            take(o);
        }
    } else if (!reference_.empty()) {
        for (const Held& h : present_) {
            take(h.OffsetBeams);
        }
    }
    return largest;
}

std::optional<double> OffsetBeamsOf(const BlockPointing& pointing,
                                    std::optional<double> beamwidthDeg,
                                    std::optional<std::pair<double, double>> place) {
    if (pointing.Source.empty() || !beamwidthDeg || !(*beamwidthDeg > 0) || !place) {
        return std::nullopt;
    }
    return AngleBetweenDeg(pointing.AzimuthDeg, pointing.ElevationDeg, place->first,
                           place->second) /
           *beamwidthDeg;
}

} // namespace vantrel
