#include "skychart/ElevationSeries.h"

#include <algorithm>

namespace vantrel {

std::size_t ElevationSeries::RowAt(DateTime utc) const {
    return static_cast<std::size_t>(std::lower_bound(utc_.begin(), utc_.end(), utc) - utc_.begin());
}

} // namespace vantrel
