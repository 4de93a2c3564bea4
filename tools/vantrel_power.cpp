// vantrel-power: measures the receiver's noise power on the command line,
// with the radiometer core: a PowerRunner owns the input on a thread of its
// own, and this thread prints the blocks it hands over.
//
// Signals: SIGINT and SIGTERM are blocked in every thread and taken with
// sigtimedwait between looks at the runner, so there is no handler at all
// and the ending (stop the input, print what is finished, exit 0) runs as
// ordinary code on the main thread.

#include "radiometer/InputColumns.h"
#include "radiometer/MeasurementText.h"
#include "radiometer/PowerLog.h"
#include "radiometer/PowerRunner.h"
#include "radiometer/SigmfRecording.h"
#include "tools/EndingSignals.h"
#include "tools/PowerInputFactory.h"
#include "tools/PowerOptions.h"
#include "tools/TerminalText.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace vantrel;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr int kBadArguments = 2;
constexpr int kOutputFailed = 1;

/// After a failure the input is opened again after half a second, then
/// after longer pauses up to this.
constexpr InputRetry kRetry{500ms, 5000ms, 2.0};
/// How often the main thread looks at the runner and the signals.
constexpr auto kLook = 50ms;

constexpr std::string_view kHeader =
    "utc_start,utc_end,power_db,sigma_db,samples,clipped,scatter_db,rfi_dropped,overload,whole_db";

void Say(const std::string& text) {
    std::fprintf(stderr, "vantrel-power: %s\n", TerminalSafe(text).c_str());
    std::fflush(stderr);
}

std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) {
        return {};
    }
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string BlockLine(const PowerBlock& b) {
    return PowerLogTime(b.UtcStart) + "," + PowerLogTime(b.UtcEnd) + "," + Fixed(b.PowerDb, 3) +
           "," + Fixed(b.SigmaDb, 4) + "," + std::to_string(b.Samples) + "," +
           std::to_string(b.Clipped) + "," + Fixed(b.ScatterDb, 4) + "," +
           Fixed(b.RfiDroppedShare, 4) + "," + (b.Overload ? "1" : "0") + "," +
           (b.WholeDbSteps ? "1" : "0");
}

/// Appends each block's averaged spectrum to a CSV file: a header of bin
/// frequencies (Hz) at the start of the run and whenever the bins change,
/// then one row of dB per block.
class SpectrumWriter {
public:
    explicit SpectrumWriter(std::string path) : path_(std::move(path)) {}

    /// False (said once) when the file cannot be written.
    bool Write(const PowerBlock& block, const SpectrumSnapshot& s) {
        if (path_.empty()) {
            return true;
        }
        std::FILE* out = std::fopen(path_.c_str(), "a");
        if (out == nullptr) {
            if (!failed_) {
                Say("the spectra cannot be written to " + path_ + ": " + std::strerror(errno));
            }
            failed_ = true;
            return false;
        }
        failed_ = false;
        std::string text;
        const auto bins = std::make_tuple(s.FirstBinHz, s.BinHz, s.PowerDb.size());
        if (bins != header_) {
            header_ = bins;
            text = "utc_start,utc_end";
            for (std::size_t i = 0; i < s.PowerDb.size(); ++i) {
                text += "," + Fixed(s.FirstBinHz + static_cast<double>(i) * s.BinHz, 3);
            }
            text += "\n";
        }
        text += PowerLogTime(block.UtcStart) + "," + PowerLogTime(block.UtcEnd);
        for (const float db : s.PowerDb) {
            text += "," + Fixed(db, 3);
        }
        text += "\n";
        const bool written = std::fputs(text.c_str(), out) >= 0;
        return std::fclose(out) == 0 && written;
    }

private:
    std::string path_;
    std::tuple<double, double, std::size_t> header_{0, 0, 0};
    bool failed_ = false;
};

/// Prints the blocks and appends them to the power log; false when
/// standard output cannot be written.
class BlockPrinter {
public:
    BlockPrinter(std::string input, std::optional<double> frequencyMHz, std::string logPath,
                 std::optional<SpectrumSettings> spectrum)
        : input_(std::move(input)), frequencyMHz_(frequencyMHz), logPath_(std::move(logPath)),
          spectrum_(std::move(spectrum)) {}

    /// The header goes out with the first block (or at the end, when none
    /// came): a command that turns out not to run prints nothing on
    /// standard output, like any input that cannot be opened.
    bool Header() {
        if (!headerDone_) {
            headerDone_ = true;
            return std::printf("%.*s\n", static_cast<int>(kHeader.size()), kHeader.data()) >= 0 &&
                   std::fflush(stdout) == 0;
        }
        return true;
    }

    bool Print(const std::vector<PowerBlock>& blocks, const StreamDescription& stream) {
        const double frequency = frequencyMHz_.value_or(stream.FrequencyMHz);
        if (!blocks.empty() && !Header()) {
            return false;
        }
        for (const PowerBlock& b : blocks) {
            const std::string line = BlockLine(b) + "\n";
            if (std::fputs(line.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
                return false;
            }
            PowerRecord record = PowerRecordOf(b, input_, frequency, PowerMark::None);
            FillInputColumns(record, stream, spectrum_);
            record.Partial = b.Partial;
            if (b.Partial) {
                Say("the last block is partial: " + Fixed(b.IntegrationS, 3) + " s, " +
                    std::to_string(b.Samples) +
                    (stream.What == StreamDescription::Kind::Readings ? " reading(s)"
                                                                      : " samples") +
                    "; flagged partial in the log, its sigma from what it holds");
            }
            const auto failed = AppendPowerRecord(logPath_, record);
            if (failed && !logFailed_) {
                Say(*failed + " (the blocks are still printed)");
            }
            logFailed_ = failed.has_value();
        }
        return true;
    }

private:
    std::string input_;
    std::optional<double> frequencyMHz_;
    std::string logPath_;
    std::optional<SpectrumSettings> spectrum_;
    bool logFailed_ = false;
    bool headerDone_ = false;
};

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const ParsedPower parsed = ParsePowerArguments(args);
    if (!parsed.Error.empty()) {
        std::fprintf(stderr, "%s\n", parsed.Error.c_str());
        return kBadArguments;
    }
    const PowerCommandLine& o = parsed.Options;
    if (o.Help) {
        std::fputs(std::string(PowerUsage()).c_str(), stdout);
        return 0;
    }
    for (const std::string& note : parsed.Notes) {
        Say(note);
    }
    // The log goes where every tool puts a file it makes.
    const ToolFiles where = ToolFiles::OfEnvironment(o.Files);
    if (const std::string problem = where.Problem(); !problem.empty()) {
        Say(problem);
        return kBadArguments;
    }
    const std::string logPath = where.PathForNew(kPowerLogName);

    // A reader that goes away (a pipe into head) ends the tool through a
    // failed write, not through SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t ending = BlockEndingSignals(); // before any thread starts

    const auto started = SteadyClock::now();
    const auto end = o.DurationS ? started + std::chrono::duration_cast<SteadyClock::duration>(
                                                 std::chrono::duration<double>(*o.DurationS))
                                 : SteadyClock::time_point::max();
    // With --record the SDR's samples go to a SigMF recording as well.
    std::shared_ptr<SigmfRecording> recording;
    PowerRunner::Factory factory = PowerInputFactory(o);
    if (!o.RecordBase.empty()) {
        SigmfSettings rec;
        rec.Base = o.RecordBase;
        rec.LimitBytes = static_cast<std::uint64_t>(o.RecordLimitMb * 1e6);
        rec.Description = "vantrel-power: the receiver's samples";
        rec.Recorder = "Vantrel";
        if (const auto noRoom = SigmfRecording::CheckRoom(rec)) {
            Say(*noRoom);
            return kBadArguments;
        }
        recording = std::make_shared<SigmfRecording>(rec);
        factory = [inner = factory, recording] { return RecordingInput(inner(), recording); };
    }
    PowerRunner runner(factory, o.Integration, kRetry);
    if (!o.SpectrumPath.empty()) {
        runner.KeepEverySpectrum();
    }

    // The first opening decides: an input that cannot be opened ends the
    // tool with status 2, after it has said why.
    for (;;) {
        const RunnerStatus status = runner.Status();
        if (status.EverOpened) {
            break;
        }
        if (status.ConsecutiveFailures > 0 || status.What == RunnerStatus::State::Stopped) {
            runner.Stop();
            Say(status.LastError.empty() ? "the input cannot be opened" : status.LastError);
            return kBadArguments;
        }
        if (EndingSignalWithin(ending, kLook) || SteadyClock::now() >= end) {
            runner.Stop();
            return 0;
        }
    }

    BlockPrinter printer(std::string(PowerInputName(o.Input)), o.FrequencyMHz, logPath,
                         o.Integration.Spectrum);
    SpectrumWriter spectra(o.SpectrumPath);
    // Each block of the spectrum path comes with its spectrum, in order.
    std::deque<SpectrumSnapshot> pendingSpectra;
    const auto writeSpectra = [&](const std::vector<PowerBlock>& blocks) {
        if (o.SpectrumPath.empty()) {
            return;
        }
        for (SpectrumSnapshot& s : runner.TakeSpectra()) {
            pendingSpectra.push_back(std::move(s));
        }
        for (const PowerBlock& b : blocks) {
            if (pendingSpectra.empty()) {
                break;
            }
            spectra.Write(b, pendingSpectra.front());
            pendingSpectra.pop_front();
        }
    };
    int exitStatus = 0;
    bool opened = false;
    bool silentSaid = false;
    for (;;) {
        const RunnerStatus status = runner.Status();
        if (status.Silent != silentSaid) {
            silentSaid = status.Silent;
            Say(status.Silent ? "no reading for " + Fixed(status.SilentS, 0) +
                                    " s: the input is open but gives nothing (a hung meter "
                                    "script, a stalled device)"
                              : "readings come again");
        }
        for (const RunnerEvent& e : runner.TakeEvents()) {
            switch (e.What) {
            case RunnerEvent::Kind::Opened:
                // The first time with what a block measures.
                Say((opened ? "input open again: " + e.Text
                            : "input open: " + e.Text + "; " +
                                  MeasurementText(o.Integration, status.Stream, "--tau")));
                opened = true;
                break;
            case RunnerEvent::Kind::Error:
                Say(e.Text + (status.Refused ? "" : " Trying again."));
                break;
            case RunnerEvent::Kind::Note:
                Say(e.Text);
                break;
            }
        }
        const std::vector<PowerBlock> blocks = runner.TakeBlocks();
        if (!printer.Print(blocks, status.Stream)) {
            std::perror("vantrel-power: writing the blocks");
            exitStatus = kOutputFailed;
            break;
        }
        writeSpectra(blocks);
        if (status.Refused) {
            exitStatus = kBadArguments;
            break;
        }
        const auto now = SteadyClock::now();
        if (now >= end) {
            break;
        }
        const auto wait = std::min<SteadyClock::duration>(kLook, end - now);
        if (EndingSignalWithin(ending, wait)) {
            break;
        }
    }
    // The block in progress is measured too: printed and logged as partial.
    runner.Stop(exitStatus == 0 ? LastBlock::Keep : LastBlock::Drop);
    const std::vector<PowerBlock> last = runner.TakeBlocks();
    if (exitStatus != kOutputFailed &&
        (!printer.Print(last, runner.Status().Stream) || (exitStatus == 0 && !printer.Header()))) {
        std::perror("vantrel-power: writing the blocks");
        exitStatus = kOutputFailed;
    }
    writeSpectra(last);
    if (recording) {
        if (const auto problem = recording->Finish()) {
            Say(*problem);
        }
        Say("recorded " + std::to_string(recording->SamplesWritten()) + " samples in " +
            o.RecordBase + ".sigmf-data" + (recording->Cut() ? " (cut at the size limit)" : ""));
    }
    return exitStatus;
}
