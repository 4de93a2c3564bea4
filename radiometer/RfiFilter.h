#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace vantrel {

/// The robust RFI filter: values far above the median are left out of a
/// block, "far" meaning more than `ThresholdMad` robust standard deviations
/// (1.4826 × the median absolute deviation, which equals the standard
/// deviation for Gaussian scatter; Rousseeuw & Croux, JASA 88 (1993) 1273).
/// Only values above are dropped: interference adds power, it never takes
/// it away.
struct RfiFilterSettings {
    bool Enabled = false;
    double ThresholdMad = 6.0; ///< robust standard deviations, 2 to 100
};

/// Marks in `dropped` (resized to the values' count; 1 dropped, 0 kept) the
/// values more than `thresholdMad` robust standard deviations above their
/// median, and returns how many. Fewer than five values, or a median
/// absolute deviation of 0 (values that are nearly all equal, as whole-dB
/// readings can be), drop nothing: there is no scatter to judge by.
std::size_t MarkFarAboveMedian(std::span<const double> values, double thresholdMad,
                               std::vector<char>& dropped);

/// The same for an averaged power spectrum, whose level follows the
/// receiver's passband: every bin is compared with the median of the
/// `neighbourhood` bins around it (odd, at least 3; fewer at the ends), and
/// the relative excess power/median − 1 of all bins is judged as above. A
/// spur stands out of its neighbourhood; a sloping passband does not.
/// `power` holds linear powers in frequency order.
std::size_t MarkSpurBins(std::span<const double> power, std::size_t neighbourhood,
                         double thresholdMad, std::vector<char>& dropped);

} // namespace vantrel
