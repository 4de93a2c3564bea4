#pragma once

#include "radiometer/BlockIntegrator.h"
#include "radiometer/PowerBlock.h"
#include "radiometer/PowerInput.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

/// How long to wait before opening an input again after a failure: the
/// first pause, growing by `Factor` after every further failure up to
/// `Longest`. The pause starts again from `First` once a block has come.
struct InputRetry {
    std::chrono::milliseconds First{1000};
    std::chrono::milliseconds Longest{30000};
    double Factor = 2.0;
};

/// Something the user should be told, in the order it happened.
struct RunnerEvent {
    enum class Kind {
        Opened, ///< the input is open: Text describes it (device, rate, gain)
        Error,  ///< it failed: Text says why and what to try
        Note,   ///< neither: a gap in the samples, a command's standard error
    };
    Kind What = Kind::Note;
    std::string Text;
};

/// What the runner is doing: a snapshot, copied out under a lock.
struct RunnerStatus {
    enum class State {
        Opening, ///< opening the input
        Running, ///< reading it
        Waiting, ///< after a failure, until the next attempt
        Stopped, ///< for good: stopped by the caller, or a setting was refused
    };
    State What = State::Opening;
    StreamDescription Stream;    ///< of the input last opened
    std::string LastError;       ///< the last failure as a sentence; empty while all is well
    bool Refused = false;        ///< stopped because a setting was refused
    bool EverOpened = false;     ///< the input has been open at least once
    int ConsecutiveFailures = 0; ///< failures since the last block
    std::chrono::milliseconds RetryIn{0}; ///< pause before the next attempt while Waiting
    std::uint64_t Blocks = 0;             ///< blocks finished so far
    /// While Running: seconds of the runner's UTC clock since the input last
    /// gave a sample or a reading (or since it opened); 0 otherwise.
    double SilentS = 0;
    /// SilentS beyond kSilentAfter: max(3τ, 10 s). The input is open but
    /// gives nothing: a meter script that hangs, a stalled device.
    bool Silent = false;
};

/// An input that gives nothing for 3 τ, or 10 s when that is longer, is
/// said to be silent.
inline constexpr double kSilentTaus = 3.0;
inline constexpr double kSilentLeastS = 10.0;

/// A sample source that runs ahead of the runner's clock by more than this
/// (seconds) is read no further until the clock catches up: a file served
/// as a sound card is read at its own pace, its blocks timed as if live.
inline constexpr double kLongestLeadS = 0.25;

/// What Stop does with the block in progress.
enum class LastBlock {
    Drop, ///< left out (a window that stops its input)
    Keep, ///< handed out as it is, flagged Partial (the end of a run of the tool)
};

/// Owns one power input on a worker thread of its own: opens it, reads it
/// into a BlockIntegrator, and hands finished blocks, events and the
/// spectrum to the caller. No member blocks the caller beyond taking a lock
/// to move a few values (Stop excepted): the user-interface thread, or a
/// procedure's state machine on it, polls TakeBlocks on its timer.
///
/// An input that fails to open, or fails while running (a device unplugged,
/// a stream error, a command that ended), is closed and opened again after
/// a growing pause; a setting the input refuses stops the runner, since it
/// would be refused again. Blocks in progress at a failure are dropped,
/// never handed out part-filled (Stop with LastBlock::Keep excepted).
///
/// A polled meter (a command that prints its readings and exits, as curl
/// or a meter script does) is run again after its poll interval, and the
/// block in progress goes on across its runs. A sample source faster than
/// real time is paced by the runner's clock (kLongestLeadS). An input that
/// is open but gives nothing is told in the status (Silent).
class PowerRunner {
public:
    using Factory = std::function<std::unique_ptr<PowerInput>()>;

    /// Starts the worker. `factory` is called on the worker before every
    /// attempt to open; `utcNow` is the clock of the blocks' times; `wake`,
    /// when given, is called on the worker (without a lock held) whenever
    /// there is something new to take: a window posts itself an event
    /// there. The settings must have no problem
    /// (IntegrationSettingsProblem).
    PowerRunner(Factory factory, const IntegrationSettings& settings, InputRetry retry = {},
                BlockIntegrator::UtcSource utcNow = SystemUtcNow, std::function<void()> wake = {});
    /// Stop().
    ~PowerRunner();
    PowerRunner(const PowerRunner&) = delete;
    PowerRunner& operator=(const PowerRunner&) = delete;

    /// Moves out the blocks finished since the last call, oldest first. At
    /// most the last 100000 are kept for a caller that does not take them.
    std::vector<PowerBlock> TakeBlocks();
    /// Moves out the events since the last call (at most the last 1000).
    std::vector<RunnerEvent> TakeEvents();
    /// The averaged spectrum of the last block of the spectrum path, once.
    std::optional<SpectrumSnapshot> TakeSpectrum();
    /// Keeps the spectrum of every block from now on (at most the last
    /// 1000 untaken), for TakeSpectra: a caller that writes each block's
    /// spectrum (vantrel-power --spectrum).
    void KeepEverySpectrum();
    /// The spectra of the blocks finished since the last call, in the
    /// order of the blocks.
    std::vector<SpectrumSnapshot> TakeSpectra();
    RunnerStatus Status() const;

    /// Where the antenna points, asked by the worker as each block ends and
    /// put into the block's Pointing (none while it gives nothing, e.g. no
    /// tracking). It runs on the worker thread, so it must be thread-safe
    /// and quick: RotatorLink::Status() and a source key copied under a
    /// lock are. An empty function stops the asking.
    using PointingSource = std::function<std::optional<BlockPointing>()>;
    void SetPointingSource(PointingSource source);

    /// Blocks the calling thread until there is something new to take or
    /// the state changed, or `timeout` passed: for callers without an
    /// event loop of their own (the command-line tool), never for the
    /// user-interface thread.
    void Wait(std::chrono::milliseconds timeout);

    /// Ends the worker: the input is closed and the thread joined, within
    /// about the input's longest read (100 ms for samples, a rig's timeout)
    /// plus the time a command takes to end (at most a second). Blocks
    /// finished before stay to be taken, and with LastBlock::Keep the block
    /// in progress too. Later calls do nothing.
    void Stop(LastBlock last = LastBlock::Drop);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

} // namespace vantrel
