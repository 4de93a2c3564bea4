#include "radiometer/MeasurementText.h"

#include "radiometer/InputColumns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

/// A block may differ from τ by this share before it is said.
constexpr double kSaidShare = 0.01;

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

std::string MeasurementText(const IntegrationSettings& settings, const StreamDescription& stream,
                            std::string_view tauName) {
    if (stream.What == StreamDescription::Kind::Readings) {
        return "readings averaged over blocks of " + Fixed(settings.TauS, 3) + " s";
    }
    if (!settings.Spectrum) {
        return "total power: the mean |x|^2 of the whole sampled band, B " +
               Fixed(stream.What == StreamDescription::Kind::ComplexSamples ? stream.RateHz
                                                                            : stream.RateHz / 2,
                     0) +
               " Hz";
    }
    const SpectrumSettings& sp = *settings.Spectrum;
    std::string text =
        "spectral: an averaged spectrum of " + std::to_string(sp.Bins) + " bins (" +
        Fixed(stream.RateHz / sp.Bins, 2) + " Hz each), " +
        (sp.Band ? "the band " + PowerLogBand(*sp.Band) + " Hz"
                 : "the band without " + Fixed(100 * sp.EdgeShare, 0) + " % at each edge and 0 Hz");
    if (!(stream.RateHz > 0)) {
        return text;
    }
    const double frameS = sp.Bins / stream.RateHz;
    const double blockS = std::max(1.0, std::round(settings.TauS / frameS)) * frameS;
    if (std::fabs(blockS - settings.TauS) > kSaidShare * settings.TauS) {
        text += "; a block is " + Fixed(blockS, 3) + " s, a whole number of " +
                std::to_string(sp.Bins) + "-sample frames, not the " + Fixed(settings.TauS, 3) +
                " s of " + std::string(tauName);
    }
    return text;
}

} // namespace vantrel
