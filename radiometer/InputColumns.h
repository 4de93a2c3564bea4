#pragma once

#include "radiometer/Periodogram.h"
#include "radiometer/PowerInput.h"
#include "radiometer/PowerLog.h"

#include <optional>
#include <string>

namespace vantrel {

/// The band measured as the power log's band_hz column writes it: "LO:HI",
/// Hz, each to 0.1 Hz without trailing zeros ("300:2700", "-1000:1000.5").
std::string PowerLogBand(const BandHz& band);

/// Fills in what a record's reading depends on, from the stream the input
/// opened and the spectrum path used: the SDR's gain (dB), the sample rate
/// (samples a second; none for readings), the band measured (empty: the
/// whole usable band, or no spectrum) and the device. B and τ come with
/// the block (PowerRecordOf).
void FillInputColumns(PowerRecord& record, const StreamDescription& stream,
                      const std::optional<SpectrumSettings>& spectrum);

} // namespace vantrel
