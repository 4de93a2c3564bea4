// Fuzz target: a horizon profile file, as the sky window loads it.
//
// Input: the file's bytes. Properties:
//  - a refused file names a line ("line N: ...") in one terminal-safe line;
//  - an accepted one has at least three points in the accepted ranges,
//    sorted by azimuth, and its skyline stays within the elevations of its
//    points at every azimuth, including across north and for azimuths far
//    outside 0..360;
//  - the outline for drawing is in increasing azimuth within 0..360.

#include "fuzz/FuzzCheck.h"
#include "fuzz/TextChecks.h"
#include "skychart/HorizonProfile.h"

#include <algorithm>
#include <cmath>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const HorizonParse parsed = ParseHorizonProfile(text);
    if (!parsed.Profile) {
        FUZZ_CHECK(!parsed.Problem.empty());
        FUZZ_CHECK(fuzz::SafeLine(parsed.Problem));
        return 0;
    }
    FUZZ_CHECK(parsed.Problem.empty());
    const HorizonProfile& profile = *parsed.Profile;
    const auto& points = profile.Points();
    FUZZ_CHECK(points.size() >= kHorizonMinPoints);
    double lowest = kHorizonMaxElevationDeg;
    double highest = kHorizonMinElevationDeg;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const HorizontalDeg& p = points[i];
        FUZZ_CHECK(p.AzimuthDeg >= kHorizonMinAzimuthDeg && p.AzimuthDeg <= kHorizonMaxAzimuthDeg);
        FUZZ_CHECK(p.ElevationDeg >= kHorizonMinElevationDeg &&
                   p.ElevationDeg <= kHorizonMaxElevationDeg);
        FUZZ_CHECK(i == 0 || points[i - 1].AzimuthDeg <= p.AzimuthDeg);
        lowest = std::min(lowest, p.ElevationDeg);
        highest = std::max(highest, p.ElevationDeg);
    }
    // A linear skyline never leaves the band of its points' elevations.
    for (const double az : {0.0, 0.5, 90.0, 180.0, 359.999, 360.0, 725.25, -30.0, -1e9, 1e12}) {
        const double e = profile.ElevationAt(az);
        FUZZ_CHECK(std::isfinite(e));
        FUZZ_CHECK(e >= lowest - 1e-9 && e <= highest + 1e-9);
    }
    for (const HorizontalDeg& p : points) {
        FUZZ_CHECK(profile.ElevationAt(p.AzimuthDeg) >= p.ElevationDeg - 1e-9 ||
                   std::count_if(points.begin(), points.end(), [&](const HorizontalDeg& q) {
                       return q.AzimuthDeg == p.AzimuthDeg;
                   }) > 1);
    }
    const std::vector<HorizontalDeg> outline = profile.Outline(10.0);
    FUZZ_CHECK(!outline.empty());
    for (std::size_t i = 0; i < outline.size(); ++i) {
        FUZZ_CHECK(outline[i].AzimuthDeg >= 0.0 && outline[i].AzimuthDeg <= 360.0);
        FUZZ_CHECK(i == 0 || outline[i - 1].AzimuthDeg <= outline[i].AzimuthDeg);
    }
    return 0;
}
