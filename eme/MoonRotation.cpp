#include "eme/MoonRotation.h"

#include "eme/EmeConstants.h"

#include <cmath>
#include <numbers>

namespace vantrel::eme {

namespace {

constexpr double kPoleRaDeg = 269.9949;
constexpr double kPoleDecDeg = 66.5392;
constexpr double kMeridianAtJ2000Deg = 38.3213;
constexpr double kMeridianDegPerDay = 13.17635815;
constexpr double kStepS = 60.0;
constexpr double kRadPerDeg = std::numbers::pi / 180.0;

void Multiply(const double a[3][3], const double b[3][3], double out[3][3]) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
        }
    }
}

/// Rotation of the axes about x (axis 0) or z (axis 2) by `angle` radians.
void AxisRotation(int axis, double angle, double r[3][3]) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r[i][j] = i == j ? 1.0 : 0.0;
        }
    }
    const int p = axis == 0 ? 1 : 0;
    const int q = axis == 0 ? 2 : 1;
    r[p][p] = c;
    r[p][q] = s;
    r[q][p] = -s;
    r[q][q] = c;
}

/// The unit vector from the Moon to the station in the Moon-fixed frame.
void StationSeenFromMoon(const double r[3], double ttDays, double out[3]) {
    double m[3][3];
    MoonFixedMatrix(ttDays, m);
    const double length = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    for (int i = 0; i < 3; ++i) {
        out[i] = -(m[i][0] * r[0] + m[i][1] * r[1] + m[i][2] * r[2]) / length;
    }
}

} // namespace

void MoonFixedMatrix(double ttDaysSinceJ2000, double m[3][3]) {
    double a[3][3];
    double b[3][3];
    double c[3][3];
    double ab[3][3];
    const double w = (kMeridianAtJ2000Deg + kMeridianDegPerDay * ttDaysSinceJ2000) * kRadPerDeg;
    AxisRotation(2, w, a);
    AxisRotation(0, (90.0 - kPoleDecDeg) * kRadPerDeg, b);
    AxisRotation(2, (90.0 + kPoleRaDeg) * kRadPerDeg, c);
    Multiply(a, b, ab);
    Multiply(ab, c, m);
}

double ApparentRotationRadPerS(const double moonMinusStationKm[3], const double velocityKmPerS[3],
                               double ttDaysSinceJ2000) {
    double before[3];
    double after[3];
    double rb[3];
    double ra[3];
    for (int i = 0; i < 3; ++i) {
        rb[i] = moonMinusStationKm[i] - velocityKmPerS[i] * kStepS;
        ra[i] = moonMinusStationKm[i] + velocityKmPerS[i] * kStepS;
    }
    const double stepDays = kStepS / kSecondsPerDay;
    StationSeenFromMoon(rb, ttDaysSinceJ2000 - stepDays, before);
    StationSeenFromMoon(ra, ttDaysSinceJ2000 + stepDays, after);
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
        const double d = after[i] - before[i];
        sum += d * d;
    }
    return std::sqrt(sum) / (2.0 * kStepS);
}

double EchoSpreadHz(double rotationRadPerS, double frequencyMHz) {
    return 4.0 * rotationRadPerS * kMoonRadiusKm * kMetresPerKilometre * frequencyMHz *
           kHertzPerMegahertz / kLightMetresPerSecond;
}

} // namespace vantrel::eme
