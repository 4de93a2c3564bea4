#include "skychart/MinMaxDecimation.h"

namespace vantrel {

void MinMaxDecimate(std::span<const float> values, std::size_t buckets,
                    std::vector<std::uint32_t>& out) {
    out.clear();
    const std::size_t n = values.size();
    if (n <= 2 * buckets || buckets == 0) {
        out.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            out.push_back(static_cast<std::uint32_t>(i));
        }
        return;
    }
    out.reserve(2 * buckets + 2);
    out.push_back(0);
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t begin = b * n / buckets;
        const std::size_t end = (b + 1) * n / buckets;
        std::size_t low = begin;
        std::size_t high = begin;
        for (std::size_t i = begin + 1; i < end; ++i) {
            if (values[i] < values[low]) {
                low = i;
            }
            if (values[i] > values[high]) {
                high = i;
            }
        }
        const std::size_t first = low < high ? low : high;
        const std::size_t second = low < high ? high : low;
        if (first != out.back()) {
            out.push_back(static_cast<std::uint32_t>(first));
        }
        if (second != out.back()) {
            out.push_back(static_cast<std::uint32_t>(second));
        }
    }
    if (out.back() != n - 1) {
        out.push_back(static_cast<std::uint32_t>(n - 1));
    }
}

} // namespace vantrel
