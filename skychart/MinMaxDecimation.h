#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vantrel {

/// The rows of a curve worth drawing when it has far more rows than the
/// chart has pixels across: the rows are cut into `buckets` runs of (nearly)
/// equal length, and of each run the row of the smallest and the row of the
/// largest value are kept, in row order, plus the first and the last row.
/// A curve drawn through them has the same outline at one pixel per run as
/// the whole curve: no peak, rise or set is lost. With no more than
/// 2 × `buckets` rows every row is kept.
///
/// `values` one value per row; `out` receives increasing row indices (its
/// memory is reused). Costs one pass over the values.
void MinMaxDecimate(std::span<const float> values, std::size_t buckets,
                    std::vector<std::uint32_t>& out);

} // namespace vantrel
