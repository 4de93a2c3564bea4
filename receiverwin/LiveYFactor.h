#pragma once

#include "radiometer/PowerBlock.h"
#include "radiometer/YUncertainty.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace vantrel {

/// The blocks a run of the live Y rests on: at most this many, the latest.
inline constexpr std::size_t kLiveYBlocks = 10;
/// A step of the off-on-off sequence needs this many blocks at least.
inline constexpr std::size_t kLeastStepBlocks = 3;
/// A block this many times the run's own step (the RMS of its blocks'
/// differences, or √2 of its σ) away from the block before, and at least
/// kLeastJumpDb, is a change of level (the antenna moved on or off the
/// source): the run starts anew with it.
inline constexpr double kJumpSteps = 6.0;
inline constexpr double kLeastJumpDb = 0.3;

/// The Receiver window's Y-factor, without Qt: the blocks of the running
/// input come in one by one; "Reference" takes the blocks since the last
/// restart (the latest kLiveYBlocks) as the cold-sky level, and the live Y
/// is then the latest blocks since the reference against it, with the σ
/// and method of `OnOffY`. The run of blocks (and its scatter) starts anew
/// at Reference, at a change of input (`Restart`) and at a change of level
/// (kJumpSteps): the blocks taken while the antenna moved are left out, and
/// so is the first block after the change when the next one shows it was
/// taken part-way through the move.
///
/// The off-on-off sequence takes a reference before and after the on run
/// and the drift out linearly between them (`OffOnOffY`): `StartSequence`,
/// then `NextStep` three times (off taken, on taken, off taken), each step
/// resting on the blocks since the step began (the latest kLiveYBlocks, at
/// least kLeastStepBlocks). Its Y stays until Reference or a new sequence.
///
/// Each block may carry how far the antenna was from the source when it
/// was taken, in half-power beamwidths: the blocks on the source are said
/// to be off it when any was more than kOffSourceBeams away.
class LiveYFactor {
public:
    /// A block and how far from the source it was taken, beamwidths.
    struct Held {
        PowerBlock Block;
        std::optional<double> OffsetBeams;
    };
    /// Where the sequence stands.
    enum class Step { None, FirstOff, On, SecondOff, Done };

    /// A new block of the running input; `offsetBeams`: the rotator's
    /// reported position from the source, in half-power beamwidths (none
    /// when not tracking or the beamwidth is unknown).
    void Add(const PowerBlock& block, std::optional<double> offsetBeams = std::nullopt);
    /// The input or its settings changed: the blocks so far no longer
    /// compare with those to come; the reference and the sequence end.
    void Restart();

    /// Takes the blocks since the last restart as the reference (ends a
    /// sequence); false when there are none.
    bool TakeReference();
    bool HasReference() const { return !reference_.empty(); }
    std::span<const PowerBlock> ReferenceBlocks() const { return reference_; }
    /// The reference's blocks as one: from the first one's start to the
    /// last one's end, at their mean linear power (dB) with the
    /// radiometer's σ of that mean; none without a reference.
    std::optional<PowerBlock> ReferenceLevel() const;
    /// The blocks since the last restart, reference or step, the latest
    /// kLiveYBlocks.
    std::vector<PowerBlock> Present() const;

    /// Starts the off-on-off sequence (the held reference is kept for the
    /// live Y meanwhile).
    void StartSequence();
    /// Ends the step under way with its blocks; false (and nothing done)
    /// when it has fewer than kLeastStepBlocks.
    bool NextStep();
    void CancelSequence();
    Step SequenceStep() const { return step_; }
    /// What to do now, as a prompt: "Point off the source (cold sky) ...";
    /// empty outside a sequence.
    std::string Prompt() const;

    /// The Y shown: the sequence's once it is done; while its on step runs,
    /// the present blocks against its first off; none in its off steps;
    /// outside a sequence the live one of the present blocks against the
    /// reference, none without a reference.
    std::optional<YEstimate> Y() const;
    /// The blocks the Y shown rests on, in time order.
    std::vector<PowerBlock> UsedBlocks() const;
    /// The largest offset from the source of the blocks on it, beamwidths;
    /// none when no block of them knows it.
    std::optional<double> LargestOnOffsetBeams() const;

private:
    std::vector<PowerBlock> Blocks(const std::deque<Held>& run) const;

    std::deque<Held> present_;
    bool restarted_ = false; ///< the run began at a change of level
    std::vector<PowerBlock> reference_;
    Step step_ = Step::None;
    std::vector<PowerBlock> before_;
    std::vector<PowerBlock> on_;
    std::vector<std::optional<double>> onOffsets_;
    std::vector<PowerBlock> after_;
};

/// The on blocks of a Y were taken this far from the source at most,
/// half-power beamwidths: 0.1 HPBW loses 3 % of a point source's power.
inline constexpr double kOffSourceBeams = 0.1;

/// How far the rotator's reported position (`pointing`) was from the
/// source's place (`place`: azimuth and elevation, degrees), in half-power
/// beamwidths of `beamwidthDeg` (degrees): the angle on the sky
/// (`AngleBetweenDeg`) over the beamwidth. None when a value is missing or
/// the beamwidth is not positive.
std::optional<double> OffsetBeamsOf(const BlockPointing& pointing,
                                    std::optional<double> beamwidthDeg,
                                    std::optional<std::pair<double, double>> place);

} // namespace vantrel
