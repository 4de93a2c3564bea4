#pragma once

#include "radiometer/Periodogram.h"

#include <cstddef>
#include <vector>

namespace vantrel {

/// What the spectrum chart draws of a block's averaged spectrum: at most a
/// given number of points (a chart a thousand pixels wide gains nothing
/// from 65536 bins), the bands of bins measured, and the bins the RFI
/// filter dropped.
struct PeriodogramTrace {
    std::vector<double> Hz; ///< centre of each point, Hz (as BandHz: from the centre, or audio)
    std::vector<double> Db; ///< mean power of the bins it stands for, dB of full scale
    /// Runs of neighbouring bins that are measured (dropped ones included),
    /// from the lower edge of the first to the upper edge of the last, Hz.
    std::vector<BandHz> Used;
    /// Bins the RFI filter dropped: frequency, Hz, and power, dB.
    std::vector<double> DroppedHz;
    std::vector<double> DroppedDb;
    double LowDb = 0;  ///< lowest of Db (and DroppedDb)
    double HighDb = 0; ///< highest of them
};

/// The trace of `spectrum` in at most `mostPoints` points (at least 1):
/// neighbouring bins in groups of ⌈bins / mostPoints⌉, each point their
/// mean linear power in dB, so that the noise level drawn is the level
/// measured. At most `mostPoints` dropped bins are listed (the first ones).
PeriodogramTrace TraceOf(const SpectrumSnapshot& spectrum, std::size_t mostPoints);

/// Decimals for the labels of a frequency axis in MHz that spans `spanMHz`
/// in `ticks` marks: enough that neighbouring marks read differently (a
/// 250 kHz band at 1296 MHz: 1295.8750, 1295.9375 ...), 0 to 9.
int FrequencyAxisDecimals(double spanMHz, int ticks);

} // namespace vantrel
