#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace vantrel {

/// Section of "Vanset.ini" that keeps the EME window's settings.
inline constexpr const char* kEmeSection = "EME";

/// Default minimum elevation of the Moon at each station, degrees.
inline constexpr double kEmeDefaultMinElevationDeg = 0.0;

/// Default receiver temperature of DGRD, K (eme::kDefaultReceiverK).
inline constexpr double kEmeDefaultReceiverK = 80.0;

/// What the EME window keeps between runs.
struct EmeSettings {
    /// Place and size of the window; empty when never stored or refused.
    std::optional<QRect> Geometry;
    /// The DX station as last used ("DL0ABC JO62qm"); empty for none.
    std::string Dx;
    /// Recent DX stations, the last used first, at most eme::kRecentDxCount.
    std::vector<std::string> Recent;
    /// Lowest elevation of the Moon for a common window, degrees, −5..90.
    double HomeMinElevationDeg = kEmeDefaultMinElevationDeg;
    double DxMinElevationDeg = kEmeDefaultMinElevationDeg;
    /// Receiver temperature of DGRD, K, 1..10000.
    double ReceiverK = kEmeDefaultReceiverK;
    /// Half-power beamwidths of home's and the DX station's antennas,
    /// degrees, 0.05..120; empty: derived from the frequency
    /// (eme::DefaultHpbwDeg).
    std::optional<double> HomeHpbwDeg;
    std::optional<double> DxHpbwDeg;
    /// The Moon's brightness temperature of its own noise, K, 1..1000;
    /// empty: the model by frequency and phase (measure/MoonBrightness).
    std::optional<double> MoonTemperatureK;
    /// The window's own band, MHz; empty: the program's observing
    /// frequency.
    std::optional<double> FrequencyMHz;
};

/// Reads section "EME" of "Vanset.ini" in `directory` (the current folder
/// when empty): "Left", "Top", "Width", "Height" (made usable on `screens`;
/// all four or none), "Dx", "Recent1" to "Recent10", "HomeMinElevationDeg"
/// and "DxMinElevationDeg", "ReceiverK", "HomeHpbwDeg" and "DxHpbwDeg" (the
/// last two absent or empty for a beam derived from the frequency), "MoonTemperatureK" (absent or
/// empty for the model), "FrequencyMHz" (absent or empty: the observing frequency). A DX station or
/// a recent one that is not one (eme::ParseDxStation refuses it), or a minimum elevation that is
/// not a number of −5..90, a receiver temperature or a beamwidth out of its range, is left out: the
/// default stands for it.
EmeSettings LoadEmeSettings(const QString& directory, const QList<QRect>& screens);

/// Writes section "EME" (the recent list whole, old entries beyond it
/// removed); false when the file could not be written.
bool SaveEmeSettings(const QString& directory, const EmeSettings& settings);

} // namespace vantrel
