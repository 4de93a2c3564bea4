#include "radiometer/InputColumns.h"

#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

std::string Hz(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string s = text;
    if (s.ends_with(".0")) {
        s.resize(s.size() - 2);
    }
    return s == "-0" ? "0" : s;
}

} // namespace

std::string PowerLogBand(const BandHz& band) {
    return Hz(band.Lo) + ":" + Hz(band.Hi);
}

void FillInputColumns(PowerRecord& record, const StreamDescription& stream,
                      const std::optional<SpectrumSettings>& spectrum) {
    record.GainDb = stream.GainDb;
    if (stream.What != StreamDescription::Kind::Readings && stream.RateHz > 0 &&
        std::isfinite(stream.RateHz)) {
        record.RateSps = std::round(stream.RateHz);
    }
    record.BandHz = spectrum && spectrum->Band && stream.What != StreamDescription::Kind::Readings
                        ? PowerLogBand(*spectrum->Band)
                        : std::string();
    record.Device = stream.Device;
}

} // namespace vantrel
