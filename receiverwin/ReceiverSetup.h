#pragma once

#include "radiometer/AudioInput.h"
#include "radiometer/BlockIntegrator.h"
#include "radiometer/CommandInput.h"
#include "radiometer/PowerRunner.h"
#include "radiometer/RigInput.h"
#include "radiometer/SdrInput.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel {

/// The power inputs of the Receiver window.
enum class ReceiverInput { Sdr, Audio, Command, Rig };

/// "sdr", "audio", "command", "rig": the name in "Vanset.ini" and in the
/// power log's input column.
std::string_view ReceiverInputKey(ReceiverInput input);
/// The input of a key; empty for any other text.
std::optional<ReceiverInput> ReceiverInputFromKey(std::string_view key);

/// "dbm", "db", "w", "mw": a power meter's unit as ParseReadingUnit reads it.
std::string_view ReadingUnitKey(ReadingUnit unit);

/// Bins of the averaged spectrum unless the user chooses otherwise.
inline constexpr int kDefaultReceiverBins = 4096;

/// Everything the Receiver window is told: which input, its settings, and
/// how blocks are integrated. The SDR and the sound card are always
/// measured through the averaged spectrum (the DC spike and the band edges
/// left out, the spectrum shown); the whole band when no band is given.
struct ReceiverSetup {
    ReceiverInput Input = ReceiverInput::Sdr;
    /// The SDR; its FrequencyMHz empty: tuned to the observing frequency.
    SdrSettings Sdr;
    AudioSettings Audio;
    CommandSettings Command;
    RigSettings Rig;
    double TauS = 1.0;               ///< integration time, seconds, 0.1 to 600
    int Bins = kDefaultReceiverBins; ///< FFT length, 16 to 1048576
    /// The band measured of the SDR, Hz from the centre; none: the whole
    /// usable band.
    std::optional<BandHz> SdrBand;
    /// The band measured of the sound card, Hz: an SSB receiver's passband.
    std::optional<BandHz> AudioBand = BandHz{300, 2700};
    bool RfiFilter = false; ///< the robust RFI filter (bins far above their neighbours dropped)

    bool operator==(const ReceiverSetup&) const = default;
};

/// The fields of the Receiver window that hold a number.
enum class ReceiverField {
    SdrFrequencyMHz, ///< 0.000001 to 1000000; empty: the observing frequency
    SdrRateHz,       ///< 1000 to 1e9 samples a second
    SdrGainDb,       ///< -200 to 200; empty: the device's own
    AudioRateHz,     ///< a whole number 1000 to 768000
    AudioChannel,    ///< a whole number 1 to 64
    Column,          ///< a whole number 1 to 1000
    RigModel,        ///< a whole number 1 to 99999
    TauS,            ///< 0.1 to 600
    Bins,            ///< a whole number 16 to 1048576
    PollS,           ///< 0 to 3600; empty: 0, a polled meter run again at once
    SdrPpm,          ///< -1000 to 1000; empty: the device's own correction
};

/// A number typed into a field: the value (none for an empty field where
/// empty means a default), or why it is refused (a sentence naming the
/// field and its range; empty when accepted). Blanks around the number are
/// allowed; a comma is not a decimal separator.
struct ParsedReceiverNumber {
    std::optional<double> Value;
    std::string Problem;
};

/// Reads `text` as a value of `field`, within the field's range above.
ParsedReceiverNumber ParseReceiverNumber(ReceiverField field, std::string_view text);

/// A band typed as "LO:HI" in Hz ("300:2700", "-900000:900000"): the band,
/// none for an empty text (the whole usable band), or why it is refused.
struct ParsedBand {
    std::optional<BandHz> Band;
    std::string Problem;
};
ParsedBand ParseBandText(std::string_view text);
/// "LO:HI" of a band, numbers as short as they read back exactly; "" for none.
std::string BandText(const std::optional<BandHz>& band);

/// An SDR's settings typed as "KEY=VALUE" pairs separated by commas or
/// blanks ("biastee=true, direct_samp=2"), in their order; empty text: none.
/// The keys and values are the device's own (checked when it opens).
struct ParsedSdrSettings {
    std::vector<std::pair<std::string, std::string>> Settings;
    std::string Problem; ///< why the text is refused; empty when accepted
};
ParsedSdrSettings ParseSdrSettingsText(std::string_view text);
/// The text of settings as ParseSdrSettingsText reads it back.
std::string SdrSettingsText(const std::vector<std::pair<std::string, std::string>>& settings);

/// Gain elements typed as "NAME=DB" pairs ("LNA=20, MIX=5"), dB from -200
/// to 200; empty text: none.
struct ParsedGainElements {
    std::vector<std::pair<std::string, double>> Elements;
    std::string Problem;
};
ParsedGainElements ParseGainElementsText(std::string_view text);
std::string GainElementsText(const std::vector<std::pair<std::string, double>>& elements);

/// The integration settings of the setup: τ, the spectrum path for the SDR
/// and the sound card (Hann window, the band of the input), the RFI filter.
IntegrationSettings IntegrationOf(const ReceiverSetup& setup);

/// The frequency the SDR is tuned to, MHz: its own when given, else the
/// observing frequency `observingMHz`.
double SdrCentreMHz(const ReceiverSetup& setup, double observingMHz);

/// Why the setup cannot be started, as a sentence; empty when it can: a
/// text the chosen input needs that is empty or holds a line break, and
/// the integration settings (IntegrationSettingsProblem).
std::string ReceiverSetupProblem(const ReceiverSetup& setup);

/// Makes the input of the setup (called by the runner before each attempt
/// to open it), the SDR tuned to SdrCentreMHz.
PowerRunner::Factory InputFactoryOf(const ReceiverSetup& setup, double observingMHz);

/// The frequency a block is logged at, MHz: the frequency on the sky. An
/// SDR that follows the observing frequency is logged at what it is tuned
/// to (`tunedMHz`; `observingMHz` while unknown), so a block taken before
/// it was tuned anew keeps its own; an SDR on a centre of its own (a
/// converter's IF) and the other inputs at the observing frequency.
double LoggedFrequencyMHz(const ReceiverSetup& setup, double observingMHz,
                          std::optional<double> tunedMHz);

/// What the window says about the SDR's centre frequency and the observing
/// frequency (MHz) when they differ; empty when they agree or the input is
/// not an SDR. `tunedMHz`: what the running SDR is tuned to (none while it
/// does not run). They agree within a kilohertz (a synthesiser's step).
std::string FrequencyNote(const ReceiverSetup& setup, double observingMHz,
                          std::optional<double> tunedMHz);

} // namespace vantrel
