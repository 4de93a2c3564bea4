#pragma once

#include "eme/EmeCalculator.h"
#include "eme/MoonWindows.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// What the EME window needs beyond the core for the sked's figures, free of
/// Qt: the settings as typed, the beams in use, and the figures as text.

/// A receiver temperature as typed (kelvin, 1..10000), or nothing.
std::optional<double> ReceiverKOf(std::string_view text);

/// A half-power beamwidth as typed (degrees, 0.05..120), or nothing; an
/// empty text is "derived" (std::nullopt in `derived`).
struct HpbwTyped {
    bool Valid = false;          ///< a number in range, or blank
    std::optional<double> Value; ///< empty: derived from the frequency
};
HpbwTyped HpbwOf(std::string_view text);

/// The Moon's brightness temperature as typed (K, 1..1000), or nothing;
/// an empty text is the model's (std::nullopt in `Value`).
HpbwTyped MoonTemperatureOf(std::string_view text);
inline constexpr double kLowestMoonK = 1.0;
inline constexpr double kHighestMoonK = 1000.0;

/// The beam in use: the typed one, else eme::DefaultHpbwDeg at the frequency.
double HpbwInUseDeg(const std::optional<double>& typed, double frequencyMHz);

/// The figures of one station as the window shows them. Every value that
/// is NaN shows as an em dash.
struct SkedTexts {
    std::string SkyHome, SkyDx;                 ///< "152.3 K"
    std::string DegradationHome, DegradationDx; ///< "-3.21 dB"
    std::string SunMoon;                        ///< "12.4°"
    bool SunWarning = false;                    ///< below 15° at a lower band
    std::string RateHome, RateDx;               ///< "-17.55 Hz/min"
    std::string SpreadHome, SpreadDx;           ///< "3.2 Hz"
    /// The Moon's own noise: "231 K (phase -35°, model): +0.93 K" at home,
    /// "+0.12 K" for the DX station's beam.
    std::string MoonHome, MoonDx;
};
SkedTexts SkedTextsOf(const eme::EmeMoment& m, double frequencyMHz);

/// The EME window's own band as typed (MHz, 1..1 000 000), or nothing; an
/// empty text is the program's observing frequency (std::nullopt in
/// `Value`).
HpbwTyped BandOf(std::string_view text);

/// A day as typed, "YYYY-MM-DD" (UTC, 1900..2100), as its 00:00 UTC in
/// seconds; an empty text is none (the default of the field); `Valid` false
/// for any other text.
struct DayTyped {
    bool Valid = false;
    std::optional<eme::UtcSeconds> Midnight;
};
DayTyped DayOf(std::string_view text);

/// The span the common windows are searched over, UTC seconds: from the
/// start of `from` (else `now`) to the end of `to` (else seven days after
/// the start). `Problem` says why it is refused (the end before the start,
/// more than kEmeMostSearchDays); empty when accepted.
struct SearchSpan {
    eme::UtcSeconds Start = 0;
    eme::UtcSeconds End = 0;
    bool Default = true; ///< no day typed: the next seven days from now
    std::string Problem;
};
inline constexpr int kEmeMostSearchDays = 366;
SearchSpan SearchSpanOf(std::optional<eme::UtcSeconds> from, std::optional<eme::UtcSeconds> to,
                        eme::UtcSeconds now);

/// A common window as the table and the page show it: the edges rounded
/// inwards to the minute (the start up, the end down), so the Moon is up
/// over the whole of the span said; a window too short for that keeps its
/// edges to the second (`ToTheSecond`). UTC seconds.
struct ShownWindow {
    eme::UtcSeconds Start = 0;
    eme::UtcSeconds End = 0;
    bool ToTheSecond = false;
};
ShownWindow InwardMinutes(const eme::MoonWindow& window);

/// The tooltip of DGRD, with the receiver temperature in use.
std::string DegradationTip(double receiverK);

} // namespace vantrel
