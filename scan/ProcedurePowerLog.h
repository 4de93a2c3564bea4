#pragma once

#include "radiometer/PowerBlock.h"
#include "radiometer/PowerLog.h"
#include "scan/Procedure.h"
#include "tracking/Rotator.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace vantrel::scan {

/// The role a reading has in the power log: "on", "off", "scan" (a point
/// of a cross-scan or a block of a drift scan).
std::string_view PowerLogRole(ReadingKind kind);

/// Turns the blocks a procedure is handed into power log records, so the
/// log has no gap while a procedure holds the radiometer and a scan can be
/// fitted again from it: every block, in the order of its start; a block
/// the procedure took as a reading with its role (PowerLogRole) and its
/// offset from the source on the sky where the rotator reported then
/// (azimuth a true angle: ΔA cos e, degrees), the others (moving,
/// settling) without. Every record carries the rotator's reported position
/// (its own coordinates, as the Receiver window logs it while tracking)
/// and the source's key.
///
/// A procedure moving through an axis says what a block was only once the
/// rotator has reported past it: a block waits until its reading comes,
/// the procedure ends, or kMostWaitS after its end.
class ProcedurePowerLog {
public:
    /// `input`: the input's key ("sdr", "audio", "command", "rig");
    /// `frequencyMHz` the observing frequency (0: unknown); `sourceKey`
    /// SkySourceKey of the source.
    ProcedurePowerLog(std::string input, double frequencyMHz, std::string sourceKey);

    /// The blocks of one step, as handed to the procedure, and where the
    /// rotator reported to be then (empty when not known).
    void Add(std::span<const PowerBlock> blocks, const std::optional<RotatorPosition>& reported);

    /// After the step: the records that are ready, oldest first.
    /// `readings`: the procedure's readings so far; `utcNow` now (UTC);
    /// `ended`: the procedure has ended, every block goes out.
    std::vector<PowerRecord> Take(std::span<const Reading> readings, DateTime utcNow, bool ended);

    /// Blocks waiting for the procedure to say what they were.
    std::size_t Waiting() const { return waiting_.size(); }

    /// Longest wait of a block for its reading, seconds after its end.
    static constexpr double kMostWaitS = 60.0;

private:
    struct Pending {
        PowerBlock Block;
        std::optional<RotatorPosition> Reported;
    };
    PowerRecord RecordOf(const Pending& pending, const Reading* reading) const;

    std::string input_;
    double frequencyMHz_;
    std::string sourceKey_;
    std::deque<Pending> waiting_;
    std::size_t readingsSeen_ = 0;
    /// Readings not yet matched with a block, by the start of their block.
    std::unordered_map<DateTime, Reading> unmatched_;
};

} // namespace vantrel::scan
