#include "skymodel/SkyBrightness.h"

#include "skymodel/SkyConstants.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel::sky {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;

/// The rows of pixels whose declination lies within `radiusDeg` of
/// `decDeg` (all of them from a pole's cap on).
std::pair<int, int> RowSpan(const SkySurvey& s, double decDeg, double radiusDeg) {
    const double lo = std::max(-90.0, decDeg - radiusDeg);
    const double hi = std::min(90.0, decDeg + radiusDeg);
    int a = s.RowOf(lo);
    int b = s.RowOf(hi);
    if (a > b) {
        std::swap(a, b);
    }
    return {std::max(0, a - 1), std::min(s.Height - 1, b + 1)};
}

/// Calls `pixel(i, j, cosD)` for every pixel of row `j` within the cap of
/// cosine radius `cosRadius` around (ra0, sin0, cos0), cosD the cosine of
/// its distance: only the columns the cap can reach are visited.
template <typename Pixel>
void ForRowInCap(const SkySurvey& s, const std::vector<double>& raRad, int j, double sj, double cj,
                 double ra0, double sin0, double cos0, double cosRadius, Pixel&& pixel) {
    // The cap reaches right ascensions within ±h of ra0 on this row:
    // cos h = (cos R − sin δ sin δ0)/(cos δ cos δ0); the whole row near a pole.
    const double denominator = cj * cos0;
    double halfWidth = std::numbers::pi;
    if (denominator > 1e-9) {
        const double c = (cosRadius - sj * sin0) / denominator;
        if (c > 1) {
            return;
        }
        if (c > -1) {
            halfWidth = std::acos(c);
        }
    }
    const double stepRad = std::fabs(s.RaStepDeg) * kDegToRad;
    const int w = s.Width;
    const int reach = static_cast<int>(halfWidth / stepRad) + 2;
    if (2 * reach + 1 >= w) {
        for (int i = 0; i < w; ++i) {
            pixel(i, j, sj * sin0 + cj * cos0 * std::cos(raRad[static_cast<std::size_t>(i)] - ra0));
        }
        return;
    }
    const int centre = s.ColumnOf(ra0 / kDegToRad);
    for (int k = -reach; k <= reach; ++k) {
        const int i = ((centre + k) % w + w) % w;
        pixel(i, j, sj * sin0 + cj * cos0 * std::cos(raRad[static_cast<std::size_t>(i)] - ra0));
    }
}

} // namespace

double ScaledPixelK(double temperature408K, double spectralIndex, double frequencyMHz) {
    const double beta = spectralIndex > 0 ? spectralIndex : kDefaultSpectralIndex;
    return kCmbK + (temperature408K - kCmbK) * std::pow(frequencyMHz / kSurveyMHz, -beta);
}

SkyBrightness::SkyBrightness(const SkySurvey& survey, double frequencyMHz)
    : survey_(survey), frequencyMHz_(frequencyMHz) {
    const std::size_t n = survey.TemperatureK.size();
    pixels_.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        pixels_[k] = static_cast<float>(
            ScaledPixelK(survey.TemperatureK[k], survey.SpectralIndex[k], frequencyMHz));
    }
    sinDec_.resize(static_cast<std::size_t>(survey.Height));
    cosDec_.resize(static_cast<std::size_t>(survey.Height));
    for (int j = 0; j < survey.Height; ++j) {
        const double dec = survey.DecDeg(j) * kDegToRad;
        sinDec_[static_cast<std::size_t>(j)] = std::sin(dec);
        cosDec_[static_cast<std::size_t>(j)] = std::cos(dec);
    }
    raRad_.resize(static_cast<std::size_t>(survey.Width));
    for (int i = 0; i < survey.Width; ++i) {
        raRad_[static_cast<std::size_t>(i)] = survey.RaDeg(i) * kDegToRad;
    }
}

template <typename Visit>
void SkyBrightness::ForEachInCap(SkyDirection direction, double radiusDeg, Visit&& visit) const {
    const SkySurvey& s = survey_;
    const double ra0 = direction.RaDeg * kDegToRad;
    const double sin0 = std::sin(direction.DecDeg * kDegToRad);
    const double cos0 = std::cos(direction.DecDeg * kDegToRad);
    const double cosRadius = std::cos(std::min(180.0, radiusDeg) * kDegToRad);
    const auto [j0, j1] = RowSpan(s, direction.DecDeg, radiusDeg);
    for (int j = j0; j <= j1; ++j) {
        const double sj = sinDec_[static_cast<std::size_t>(j)];
        const double cj = cosDec_[static_cast<std::size_t>(j)];
        ForRowInCap(s, raRad_, j, sj, cj, ra0, sin0, cos0, cosRadius,
                    [&](int i, int row, double cosD) {
                        if (cosD >= cosRadius) {
                            visit(i, row, cosD, cj);
                        }
                    });
    }
}

double SkyBrightness::BeamAverageK(SkyDirection direction, double hpbwDeg) const {
    const double hpbwRad = hpbwDeg * kDegToRad;
    double sum = 0;
    double weights = 0;
    ForEachInCap(direction, kBeamExtentHpbw * hpbwDeg,
                 [&](int i, int j, double cosD, double cosDec) {
                     const double d = std::acos(std::min(1.0, cosD));
                     const double w = std::exp(-kFourLn2 * d * d / (hpbwRad * hpbwRad)) * cosDec;
                     sum += w * PixelK(i, j);
                     weights += w;
                 });
    if (!(weights > 0)) {
        const SkySurvey& s = survey_;
        return PixelK(s.ColumnOf(direction.RaDeg), s.RowOf(direction.DecDeg));
    }
    return sum / weights;
}

double SkyBrightness::RingAverageK(SkyDirection direction, double innerDeg, double outerDeg) const {
    const double cosInner = std::cos(std::min(180.0, innerDeg) * kDegToRad);
    double sum = 0;
    double weights = 0;
    ForEachInCap(direction, outerDeg, [&](int i, int j, double cosD, double cosDec) {
        if (cosD <= cosInner) {
            sum += cosDec * PixelK(i, j);
            weights += cosDec;
        }
    });
    return weights > 0 ? sum / weights : NAN;
}

double BackgroundK(const SkyBrightness& sky, SkyDirection direction, double hpbwDeg, bool inMap) {
    if (!inMap) {
        return sky.BeamAverageK(direction, hpbwDeg);
    }
    const double width = std::max(hpbwDeg, kSurveyResolutionDeg);
    return sky.RingAverageK(direction, kRingInnerHpbw * width, kRingOuterHpbw * width);
}

double SeparationDeg(SkyDirection a, SkyDirection b) {
    const double d1 = a.DecDeg * kDegToRad;
    const double d2 = b.DecDeg * kDegToRad;
    const double sDec = std::sin((d2 - d1) / 2);
    const double sRa = std::sin((b.RaDeg - a.RaDeg) * kDegToRad / 2);
    const double h = sDec * sDec + std::cos(d1) * std::cos(d2) * sRa * sRa;
    return 2 * std::asin(std::sqrt(std::clamp(h, 0.0, 1.0))) / kDegToRad;
}

} // namespace vantrel::sky
