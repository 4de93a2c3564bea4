#pragma once

#include <complex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// What an input delivers once it is open.
struct StreamDescription {
    enum class Kind {
        ComplexSamples, ///< IQ samples, full scale 1 (an SDR)
        RealSamples,    ///< real samples, full scale 1 (a sound card channel)
        Readings,       ///< power readings, one at a time (a command, an S-meter)
    };
    Kind What = Kind::ComplexSamples;
    double RateHz = 0;         ///< samples a second of the stream's own clock; 0 for readings
    double FrequencyMHz = 0;   ///< centre frequency the receiver is tuned to, MHz; 0 when unknown
    bool WholeDbSteps = false; ///< readings come in whole dB (an S-meter)
    std::string Unit;          ///< what PowerDb is relative to: "dBFS", "dBm" or "dB"
    std::string Summary;       ///< one line for the user: device, rate, gain, antenna
    /// The device as the power log names it: SoapySDR arguments, the ALSA
    /// PCM, the command, the rig's model and port.
    std::string Device;
    std::optional<double> GainDb; ///< the SDR's overall gain as set, dB; none: not an SDR
    /// A polled meter (a command that prints its readings and exits): the
    /// seconds from its end to its next run.
    double PollS = 0;
    /// What the device offers beyond what was asked, as a sentence for the
    /// user: an SDR's settings, gain elements and sample rates by the
    /// names its module gives; empty when it says nothing.
    std::string Offers;
};

/// Why an input stopped or could not start, as a sentence for the user that
/// says what to try. `Retry`: a device that is absent, busy or lost, a
/// command that ended; the runner opens the input again after a pause.
/// `Refused`: a setting the device refuses (rate, gain, antenna), a command
/// that cannot be run; opening again would fail the same way, so the runner
/// stops. `Polled`: a polled meter (a command that printed its readings and
/// exited): the runner runs it again after StreamDescription::PollS,
/// keeping the block in progress; no failure.
struct InputError {
    enum class Kind { None, Retry, Refused, Polled };
    Kind What = Kind::None;
    std::string Text;
    bool Failed() const { return What != Kind::None; }
    static InputError Retry(std::string text) { return {Kind::Retry, std::move(text)}; }
    static InputError Refused(std::string text) { return {Kind::Refused, std::move(text)}; }
    static InputError Polled(std::string text) { return {Kind::Polled, std::move(text)}; }
};

/// Where an input puts what it reads: the block integrator. Samples are
/// scaled to full scale 1 (a 16-bit sample s is s/32768).
class SampleSink {
public:
    virtual ~SampleSink() = default;
    virtual void Complex(std::span<const std::complex<float>> samples) = 0;
    virtual void Real(std::span<const float> samples) = 0;
    /// One reading that has just arrived: linear power in the unit of the
    /// stream (mW for dBm, a ratio for dB), finite; a linear meter near its
    /// zero may give 0 or less, which is averaged as it is. The sink times
    /// it by its own UTC clock.
    virtual void Reading(double linearPower) = 0;
    /// Samples were lost (an overflow): the block in progress is dropped and
    /// the sample clock starts again at the next sample. `why` is a sentence.
    virtual void Gap(std::string_view why) = 0;
    /// A line for the user that is not an error: a command's standard
    /// error, a line that held no reading.
    virtual void Note(std::string_view text) = 0;
};

/// One source of power readings: an SDR, a sound card, a command, a rig's
/// S-meter. Every call blocks (briefly) and is made from one thread at a
/// time, the runner's worker, never the user-interface thread.
class PowerInput {
public:
    virtual ~PowerInput() = default;
    /// Opens the device (or starts the command) and describes its stream.
    virtual InputError Open(StreamDescription& description) = 0;
    /// Waits at most about 100 ms for data and hands what came to `sink`.
    /// An error closes nothing: the runner calls Close next.
    virtual InputError Read(SampleSink& sink) = 0;
    /// Closes the device (ends the command). Safe to call when not open.
    virtual void Close() = 0;
};

} // namespace vantrel
