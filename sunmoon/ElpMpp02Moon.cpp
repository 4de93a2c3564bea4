#include "sunmoon/ElpMpp02Moon.h"

#include "sunmoon/Constants.h"

#include <erfa.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vantrel::sunmoon {

namespace {

/// Radians per arcsecond.
constexpr double kArcsecToRad = kPi / 648000.0;
/// Days per Julian century.
constexpr double kDaysPerCentury = 36525.0;

/// Degrees, arcminutes and arcseconds to arcseconds.
constexpr double Arcsec(double deg, double min, double sec) {
    return deg * 3600.0 + min * 60.0 + sec;
}

// The corrections fitted to DE405/DE406, arcseconds per centuryᵏ (section
// 1.1, the DE405/DE406 column).
constexpr double kDw1_0 = -0.07008;
constexpr double kDw2_0 = 0.20794;
constexpr double kDw3_0 = -0.07215;
constexpr double kDw1_1 = -0.35106;
constexpr double kDw2_1 = 0.08017;
constexpr double kDw3_1 = -0.04317;
constexpr double kDw1_2 = -0.03743;
constexpr double kDgam = 0.00085;
constexpr double kDe = -0.00006;
constexpr double kDeart_0 = -0.00033;
constexpr double kDeart_1 = 0.00732;
constexpr double kDperi = -0.00749;
constexpr double kDep = 0.00224;
constexpr double kDw1_3 = -0.00018865;
constexpr double kDw1_4 = -0.00001024;
constexpr double kDw2_2 = 0.00470602;
constexpr double kDw2_3 = -0.00025213;
constexpr double kDw3_2 = -0.0026107;
constexpr double kDw3_3 = -0.00010712;

/// B′ coefficients of δW2⁽¹⁾ (row 2) and δW3⁽¹⁾ (row 3), j = 1..5 (section 1.1).
constexpr double kBp2[5] = {0.311079095, -0.004482398, -0.001102485, 0.001056062, 0.000050928};
constexpr double kBp3[5] = {-0.103837907, 0.000668287, -0.001298072, -0.000178028, -0.000037342};
/// m = n′/ν, the ratio of the mean motions of the Sun and the Moon, and
/// α = a0/a′, of their mean distances (section 1.1).
constexpr double kM = 0.074801329;
constexpr double kAlpha = 0.002571881;

/// Mean motions of the theory before the fit, arcseconds per century.
constexpr double kW1Rate = 1732559343.73604;
constexpr double kW2Rate = 14643420.3171;
constexpr double kW3Rate = -6967919.5383;

/// ra0 = a0(DE405)/a0(ELP), the scale of the distance (25).
constexpr double kDistanceScale = 384747.961370173 / 384747.980674318;

/// Laskar's P and Q, coefficients of T¹..T⁵ (27), (28).
constexpr double kP[5] = {0.10180391e-4, 0.47020439e-6, -0.5417367e-9, -0.2507948e-11,
                          0.463486e-14};
constexpr double kQ[5] = {-0.113469002e-3, 0.12372674e-6, 0.1265417e-8, -0.1371808e-11,
                          -0.320334e-14};

/// Number of arguments of the perturbations.
constexpr int kArgumentCount = 13;
/// Coefficients of each polynomial in T, T⁰..T⁴.
constexpr int kDegrees = 5;

using Polynomial = double[kDegrees];

/// The fitted amplitude factors fA, fB1..fB5 and the arguments' polynomials
/// in radians per centuryᵏ.
struct Theory {
    double FA = 1;
    double FB[5] = {};
    double W1[kDegrees] = {};
    double Arguments[kArgumentCount][kDegrees] = {};
};

Theory MakeTheory() {
    Theory th;
    // Section 1.1: the derived corrections and factors.
    const double w1Rate = kW1Rate + kDw1_1;
    const double w2Rate = kW2Rate + kDw2_1;
    const double w3Rate = kW3Rate + kDw3_1;
    const double w1RateRad = w1Rate * kArcsecToRad;
    const double x2 = w2Rate / w1Rate;
    const double x3 = w3Rate / w1Rate;
    const double y2 = kM * kBp2[0] + 2.0 * kAlpha / 3.0 * kBp2[4];
    const double y3 = kM * kBp3[0] + 2.0 * kAlpha / 3.0 * kBp3[4];
    const double dW2 = (x2 - y2) * kDw1_1 + y2 / kM * kDeart_1 +
                       w1RateRad * (kBp2[1] * kDgam + kBp2[2] * kDe + kBp2[3] * kDep);
    const double dW3 = (x3 - y3) * kDw1_1 + y3 / kM * kDeart_1 +
                       w1RateRad * (kBp3[1] * kDgam + kBp3[2] * kDe + kBp3[3] * kDep);

    const double deltaNu = 0.55604 + kDw1_1;    // ″/cy
    const double deltaGamma = -0.08066 + kDgam; // ″
    const double deltaE = 0.01789 + kDe;        // ″
    const double deltaEp = -0.12879 + kDep;     // ″
    const double deltaNp = -0.0642 + kDeart_1;  // ″/cy
    th.FA = 1.0 - 2.0 * deltaNu / (3.0 * w1Rate);
    th.FB[0] = (deltaNp - kM * deltaNu) / w1Rate;
    th.FB[1] = deltaGamma * kArcsecToRad;
    th.FB[2] = deltaE * kArcsecToRad;
    th.FB[3] = deltaEp * kArcsecToRad;
    th.FB[4] = 2.0 * kAlpha / (3.0 * kM) * th.FB[0];

    // (5)-(9), arcseconds per centuryᵏ.
    const double w1[kDegrees] = {Arcsec(218, 18, 59.95571) + kDw1_0, w1Rate, -6.8084 + kDw1_2,
                                 0.006604 + kDw1_3, -0.00003169 + kDw1_4};
    const double w2[kDegrees] = {Arcsec(83, 21, 11.67475) + kDw2_0, w2Rate + dW2, -38.2631 + kDw2_2,
                                 -0.045047 + kDw2_3, 0.00021301};
    const double w3[kDegrees] = {Arcsec(125, 2, 40.39816) + kDw3_0, w3Rate + dW3, 6.359 + kDw3_2,
                                 0.007625 + kDw3_3, -0.00003586};
    const double ea[kDegrees] = {Arcsec(100, 27, 59.13885) + kDeart_0, 129597742.293 + kDeart_1,
                                 -0.0202, 9e-6, 1.5e-7};
    const double pomp[kDegrees] = {Arcsec(102, 56, 14.45766) + kDperi, 1161.24342, 0.529265,
                                   -1.1814e-4, 1.1379e-5};
    // (14)-(21): planetary mean longitudes, constant and rate.
    const double planets[8][2] = {
        {Arcsec(252, 15, 3.216919), 538101628.66888},  // Me
        {Arcsec(181, 58, 44.758419), 210664136.45777}, // Ve
        {Arcsec(100, 27, 59.13885), 129597742.293},    // EM
        {Arcsec(355, 26, 3.642778), 68905077.65936},   // Ma
        {Arcsec(34, 21, 5.379392), 10925660.57335},    // Ju
        {Arcsec(50, 4, 38.902495), 4399609.33632},     // Sa
        {Arcsec(314, 3, 4.354234), 1542482.57845},     // Ur
        {Arcsec(304, 20, 56.808371), 786547.897},      // Ne
    };
    constexpr double kZetaRate = 5028.79695; // ″/cy, (22)
    constexpr double kHalfTurnArcsec = 648000.0;

    for (int k = 0; k < kDegrees; ++k) {
        th.W1[k] = w1[k] * kArcsecToRad;
        double* a[kArgumentCount];
        for (int i = 0; i < kArgumentCount; ++i) {
            a[i] = &th.Arguments[i][k];
        }
        *a[0] = (w1[k] - ea[k] + (k == 0 ? kHalfTurnArcsec : 0.0)) * kArcsecToRad; // D (10)
        *a[1] = (w1[k] - w3[k]) * kArcsecToRad;                                    // F (11)
        *a[2] = (w1[k] - w2[k]) * kArcsecToRad;                                    // l (12)
        *a[3] = (ea[k] - pomp[k]) * kArcsecToRad;                                  // l' (13)
        for (int p = 0; p < 8; ++p) {
            *a[4 + p] = k < 2 ? planets[p][k] * kArcsecToRad : 0.0;
        }
        *a[12] = (w1[k] + (k == 1 ? kZetaRate : 0.0)) * kArcsecToRad; // ζ (22)
    }
    return th;
}

/// The rotation (26) from the mean ecliptic and equinox of date to the
/// inertial mean ecliptic and equinox of J2000, at T centuries.
void EclipticOfDateToJ2000(double t, double (&r)[3][3]) {
    double p = 0;
    double q = 0;
    for (int k = 4; k >= 0; --k) {
        p = (p + kP[k]) * t;
        q = (q + kQ[k]) * t;
    }
    const double s = std::sqrt(1.0 - p * p - q * q);
    r[0][0] = 1.0 - 2.0 * p * p;
    r[0][1] = 2.0 * p * q;
    r[0][2] = 2.0 * p * s;
    r[1][0] = 2.0 * p * q;
    r[1][1] = 1.0 - 2.0 * q * q;
    r[1][2] = -2.0 * q * s;
    r[2][0] = -2.0 * p * s;
    r[2][1] = 2.0 * q * s;
    r[2][2] = 1.0 - 2.0 * p * p - 2.0 * q * q;
}

/// Half-step of the rotation's numerical derivative, centuries: P and Q are
/// polynomials of small coefficients, so the central difference is exact to
/// far below a millimetre per second.
constexpr double kRotationStepCenturies = 1e-3;

} // namespace

struct ElpMpp02Moon::Arguments {
    double Cos[kArguments][kLargestMultiple + 1];
    double Sin[kArguments][kLargestMultiple + 1];
    double Rate[kArguments];
};

ElpMpp02Moon::ElpMpp02Moon(const ElpSeriesSet& series) {
    const Theory th = MakeTheory();
    for (int k = 0; k < kDegrees; ++k) {
        meanLongitude_[k] = th.W1[k];
        for (int i = 0; i < kArguments; ++i) {
            arguments_[i][k] = th.Arguments[i][k];
        }
    }
    for (int c = 0; c < kElpCoordinates; ++c) {
        const bool distance = c == static_cast<int>(ElpCoordinate::Distance);
        for (const ElpMainTerm& m : series.Main[c]) {
            double amplitude = distance ? th.FA * m.A : m.A;
            for (int j = 0; j < 5; ++j) {
                amplitude += th.FB[j] * m.B[j];
            }
            // Distance is a cosine series: cos x = sin(x + π/2).
            Add(c, 0, amplitude, distance ? 0.5 * kPi : 0.0, m.Multipliers, 4);
        }
        for (int n = 0; n < kElpPowers; ++n) {
            for (const ElpPerturbationTerm& p : series.Perturbation[c][n]) {
                Add(c, n, p.A, p.Phase, p.Multipliers, kArguments);
            }
        }
    }
}

void ElpMpp02Moon::Add(int coordinate, int power, double amplitude, double phase0,
                       const std::int8_t* multipliers, int count) {
    Term t{amplitude, std::cos(phase0), std::sin(phase0),
           static_cast<std::uint32_t>(factors_.size()), 0};
    for (int i = 0; i < count; ++i) {
        if (multipliers[i] != 0) {
            factors_.push_back({static_cast<std::uint8_t>(i), multipliers[i]});
            ++t.FactorCount;
            largestMultiple_[i] = std::max(largestMultiple_[i], std::abs(int{multipliers[i]}));
        }
    }
    series_[coordinate][power].push_back(t);
}

const ElpMpp02Moon& ElpMpp02Moon::Compiled() {
    static const ElpMpp02Moon moon(CompiledElpSeries());
    return moon;
}

std::size_t ElpMpp02Moon::TermCount() const {
    std::size_t n = 0;
    for (const auto& coordinate : series_) {
        for (const auto& s : coordinate) {
            n += s.size();
        }
    }
    return n;
}

void ElpMpp02Moon::Sum(const std::vector<Term>& terms, const Arguments& at, double& value,
                       double& rate) const {
    double sum = 0;
    double sumRate = 0;
    const Factor* factors = factors_.data();
    for (const Term& term : terms) {
        // e^{iφ} = e^{iφ0} · Π e^{i·multiple·argument}; φ' = Σ multiple·argument'.
        double re = term.CosPhase0;
        double im = term.SinPhase0;
        double phaseRate = 0;
        const Factor* f = factors + term.FirstFactor;
        for (std::uint32_t j = 0; j < term.FactorCount; ++j) {
            const int a = f[j].Argument;
            const int multiple = f[j].Multiple;
            const int n = multiple < 0 ? -multiple : multiple;
            const double c = at.Cos[a][n];
            const double s = multiple < 0 ? -at.Sin[a][n] : at.Sin[a][n];
            const double nextRe = re * c - im * s;
            im = re * s + im * c;
            re = nextRe;
            phaseRate += multiple * at.Rate[a];
        }
        sum += term.Amplitude * im;
        sumRate += term.Amplitude * re * phaseRate;
    }
    value = sum;
    rate = sumRate;
}

MoonState ElpMpp02Moon::EclipticJ2000(double tdbDaysSinceJ2000) const {
    const double t = tdbDaysSinceJ2000 / kDaysPerCentury;

    // The arguments and the cosines and sines of their multiples, by the
    // recurrence e^{i(n+1)a} = e^{ina}·e^{ia} (relative error n·10⁻¹⁶).
    Arguments at;
    for (int i = 0; i < kArguments; ++i) {
        const double* a = arguments_[i];
        const double angle = a[0] + t * (a[1] + t * (a[2] + t * (a[3] + t * a[4])));
        at.Rate[i] = a[1] + t * (2.0 * a[2] + t * (3.0 * a[3] + t * 4.0 * a[4]));
        const double c1 = std::cos(angle);
        const double s1 = std::sin(angle);
        at.Cos[i][0] = 1.0;
        at.Sin[i][0] = 0.0;
        for (int n = 1; n <= largestMultiple_[i]; ++n) {
            at.Cos[i][n] = at.Cos[i][n - 1] * c1 - at.Sin[i][n - 1] * s1;
            at.Sin[i][n] = at.Sin[i][n - 1] * c1 + at.Cos[i][n - 1] * s1;
        }
    }

    // (23)-(25): Σ Tⁿ·Sₙ and its rate Σ (n Tⁿ⁻¹ Sₙ + Tⁿ Sₙ′), per century.
    double coordinate[kElpCoordinates] = {};
    double rate[kElpCoordinates] = {};
    for (int c = 0; c < kElpCoordinates; ++c) {
        double power = 1.0;
        double powerRate = 0.0; // d(Tⁿ)/dT
        for (int n = 0; n < kElpPowers; ++n) {
            if (!series_[c][n].empty()) {
                double s = 0;
                double sRate = 0;
                Sum(series_[c][n], at, s, sRate);
                coordinate[c] += power * s;
                rate[c] += powerRate * s + power * sRate;
            }
            powerRate = powerRate * t + power;
            power *= t;
        }
    }
    const double* w = meanLongitude_;
    const double longitude = coordinate[0] + w[0] + t * (w[1] + t * (w[2] + t * (w[3] + t * w[4])));
    const double longitudeRate =
        rate[0] + w[1] + t * (2.0 * w[2] + t * (3.0 * w[3] + t * 4.0 * w[4]));
    const double latitude = coordinate[1];
    const double latitudeRate = rate[1];
    const double distance = kDistanceScale * coordinate[2];
    const double distanceRate = kDistanceScale * rate[2];

    // Rectangular, mean ecliptic and equinox of date.
    const double cv = std::cos(longitude);
    const double sv = std::sin(longitude);
    const double cu = std::cos(latitude);
    const double su = std::sin(latitude);
    const double x[3] = {distance * cu * cv, distance * cu * sv, distance * su};
    const double xRate[3] = {distanceRate * cu * cv - distance * su * cv * latitudeRate -
                                 distance * cu * sv * longitudeRate,
                             distanceRate * cu * sv - distance * su * sv * latitudeRate +
                                 distance * cu * cv * longitudeRate,
                             distanceRate * su + distance * cu * latitudeRate};

    // (26), and the rotation's own slow turning for the velocity.
    double r[3][3];
    double before[3][3];
    double after[3][3];
    EclipticOfDateToJ2000(t, r);
    EclipticOfDateToJ2000(t - kRotationStepCenturies, before);
    EclipticOfDateToJ2000(t + kRotationStepCenturies, after);
    MoonState state;
    for (int i = 0; i < 3; ++i) {
        double position = 0;
        double velocity = 0;
        for (int j = 0; j < 3; ++j) {
            const double rRate = (after[i][j] - before[i][j]) / (2.0 * kRotationStepCenturies);
            position += r[i][j] * x[j];
            velocity += r[i][j] * xRate[j] + rRate * x[j];
        }
        state.PositionKm[i] = position;
        state.VelocityKmPerDay[i] = velocity / kDaysPerCentury;
    }
    return state;
}

MoonState ElpMpp02Moon::Gcrs(double tdbDaysSinceJ2000) const {
    // ICRS to the ecliptic of J2000 (IAU 2006, frame bias included); its
    // transpose takes ELP's ecliptic to the GCRS.
    static const auto icrsToEcliptic = [] {
        struct Matrix {
            double M[3][3];
        } m{};
        eraEcm06(kJ2000Jd, 0.0, m.M);
        return m;
    }();
    const MoonState ecliptic = EclipticJ2000(tdbDaysSinceJ2000);
    MoonState gcrs;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            gcrs.PositionKm[i] += icrsToEcliptic.M[j][i] * ecliptic.PositionKm[j];
            gcrs.VelocityKmPerDay[i] += icrsToEcliptic.M[j][i] * ecliptic.VelocityKmPerDay[j];
        }
    }
    return gcrs;
}

} // namespace vantrel::sunmoon
