#pragma once

#include "sunmoon/Constants.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace vantrel::sunmoon {

/// Position of Chebyshev node j of n on [−1, 1]: cos(π (j + ½) / n), the
/// zeros of T_n. Node 0 is nearest +1.
inline double ChebyshevNode(std::size_t j, std::size_t n) {
    return std::cos(kPi * (static_cast<double>(j) + 0.5) / static_cast<double>(n));
}

/// Several functions of one variable on one interval, each approximated by a
/// Chebyshev series of degree `Nodes` − 1 that interpolates it at the
/// `Nodes` Chebyshev nodes (W. H. Press et al., "Numerical Recipes", 3rd ed.,
/// section 5.8). The error of such an interpolant is within a small factor
/// of the best polynomial approximation of that degree.
template <std::size_t Series, std::size_t Nodes> class ChebyshevSet {
public:
    using Values = std::array<double, Series>;

    /// Fits the series from `samples[j]`, the values of all functions at
    /// ChebyshevNode(j, Nodes).
    void Fit(const std::array<Values, Nodes>& samples) {
        constexpr double kNodes = static_cast<double>(Nodes);
        for (std::size_t k = 0; k < Nodes; ++k) {
            Values sum{};
            for (std::size_t j = 0; j < Nodes; ++j) {
                const double weight = std::cos(kPi * static_cast<double>(k) *
                                               (static_cast<double>(j) + 0.5) / kNodes);
                for (std::size_t s = 0; s < Series; ++s) {
                    sum[s] += weight * samples[j][s];
                }
            }
            const double scale = (k == 0 ? 1.0 : 2.0) / kNodes;
            for (std::size_t s = 0; s < Series; ++s) {
                coefficients_[k][s] = scale * sum[s];
            }
        }
    }

    /// All functions at x, −1 <= x <= 1: Σ c_k T_k(x), T_k by the recurrence
    /// T_{k+1} = 2x T_k − T_{k−1}.
    Values Evaluate(double x) const {
        Values result = coefficients_[0];
        double previous = 1.0;
        double current = x;
        for (std::size_t k = 1; k < Nodes; ++k) {
            for (std::size_t s = 0; s < Series; ++s) {
                result[s] += coefficients_[k][s] * current;
            }
            const double next = 2.0 * x * current - previous;
            previous = current;
            current = next;
        }
        return result;
    }

private:
    std::array<Values, Nodes> coefficients_{};
};

} // namespace vantrel::sunmoon
