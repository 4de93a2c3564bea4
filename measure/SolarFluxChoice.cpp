#include "measure/SolarFluxChoice.h"

#include "measure/MeasureConstants.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace vantrel::measure {

namespace {

std::optional<double> ValueAt(const StationSpectrum& s, double mhz) {
    for (const SolarFluxPoint& p : s.Points) {
        if (p.FrequencyMHz == mhz) {
            return p.Sfu;
        }
    }
    return std::nullopt;
}

/// The power law through (lo, sLo) and (hi, sHi) at f, sfu; sLo when the
/// two frequencies are one. Differences of logarithms, so far-apart values
/// cannot overflow a ratio.
double PowerLaw(double lo, double sLo, double hi, double sHi, double f) {
    if (lo == hi) {
        return sLo;
    }
    const double alpha = (std::log10(sHi) - std::log10(sLo)) / (std::log10(hi) - std::log10(lo));
    return std::pow(10.0, std::log10(sLo) + alpha * (std::log10(f) - std::log10(lo)));
}

std::string Mhz(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", v);
    return text;
}

std::string WhenText(const SolarFluxInstant& w) {
    char text[48];
    if (w.HasTime()) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d UTC", w.Year, w.Month, w.Day,
                      w.MinuteOfDay / 60, w.MinuteOfDay % 60);
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d (time not given)", w.Year, w.Month, w.Day);
    }
    return text;
}

/// Minutes between the observation and the measurement; an observation
/// without a time counts from its date's noon and after every timed one.
double Distance(const SolarFluxInstant& w, double utcMinutes) {
    constexpr double kUntimedPenalty = 1e12; // minutes: behind every timed observation
    const double minute = w.HasTime() ? w.MinuteOfDay : 720.0;
    const double d = std::abs(UtcMinutesOf(w.Year, w.Month, w.Day, minute) - utcMinutes);
    return w.HasTime() ? d : d + kUntimedPenalty;
}

bool SameDate(const SolarFluxInstant& a, const SolarFluxInstant& b) {
    return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day;
}

SolarFluxChoice Refuse(std::string why) {
    SolarFluxChoice c;
    c.Refused = std::move(why);
    return c;
}

} // namespace

SolarFluxChoice ChooseSolarFlux(const SolarFluxFileRead& read, double frequencyMHz,
                                double utcMinutes) {
    if (read.Refused) {
        return Refuse(*read.Refused);
    }
    const double f = frequencyMHz;
    if (!std::isfinite(f) || f < kSolarExtrapolateLoMHz || f > kSolarExtrapolateHiMHz) {
        return Refuse("The observatories' fluxes reach from 245 to 15400 MHz and are not "
                      "extended beyond 100 MHz to 30 GHz; " +
                      Mhz(f) + " MHz is outside.");
    }
    // The frequencies of the stations that measure a spectrum; a station of
    // one frequency (Penticton's 2800 MHz) counts only in a file without them.
    std::vector<double> grid;
    std::vector<double> single;
    for (const StationSpectrum& s : read.Spectra) {
        for (const SolarFluxPoint& p : s.Points) {
            (s.Points.size() >= 2 ? grid : single).push_back(p.FrequencyMHz);
        }
    }
    const bool spectra = !grid.empty();
    if (!spectra) {
        grid = single;
    }
    std::sort(grid.begin(), grid.end());
    grid.erase(std::unique(grid.begin(), grid.end()), grid.end());
    if (grid.empty()) {
        return Refuse("The solar flux file holds no flux value.");
    }

    double lo = 0.0;
    double hi = 0.0;
    bool extrapolated = false;
    if (!spectra) {
        // One frequency (Penticton's): its value as it is, near it only.
        const double p = *std::min_element(grid.begin(), grid.end(), [&](double a, double b) {
            return std::abs(a - f) < std::abs(b - f);
        });
        if (std::abs(f - p) > kPentictonSpanFraction * p) {
            return Refuse("The file gives the flux at " + Mhz(p) +
                          " MHz only, used within 10 % of it (" + Mhz(p * 0.9) + " to " +
                          Mhz(p * 1.1) + " MHz); at " + Mhz(f) +
                          " MHz the quiet Sun's flux differs too much: take NOAA's list of the "
                          "RSTN stations.");
        }
        lo = hi = p;
    } else if (f < grid.front() || f > grid.back()) {
        if (grid.size() < 2) {
            return Refuse("The solar flux file has one frequency only, " + Mhz(grid.front()) +
                          " MHz, and cannot be extended to " + Mhz(f) + " MHz.");
        }
        extrapolated = true;
        lo = f < grid.front() ? grid[0] : grid[grid.size() - 2];
        hi = f < grid.front() ? grid[1] : grid.back();
    } else {
        const auto upper = std::lower_bound(grid.begin(), grid.end(), f);
        hi = *upper;
        lo = *upper == f ? f : *(upper - 1);
    }

    const StationSpectrum* chosen = nullptr;
    double best = std::numeric_limits<double>::infinity();
    const auto usable = [&](const StationSpectrum& s) {
        return (s.Points.size() >= 2) == spectra && ValueAt(s, lo) && ValueAt(s, hi);
    };
    for (const StationSpectrum& s : read.Spectra) {
        if (!usable(s)) {
            continue;
        }
        const double d = Distance(s.When, utcMinutes);
        if (d < best) {
            best = d;
            chosen = &s;
        }
    }
    if (chosen == nullptr) {
        return Refuse("No station of the solar flux file has values at both " + Mhz(lo) + " and " +
                      Mhz(hi) + " MHz.");
    }

    SolarFluxChoice c;
    c.Station = chosen->Station;
    c.When = chosen->When;
    c.LoMHz = lo;
    c.HiMHz = hi;
    c.Sfu = PowerLaw(lo, *ValueAt(*chosen, lo), hi, *ValueAt(*chosen, hi), f);
    if (!std::isfinite(c.Sfu) || c.Sfu <= 0 || c.Sfu > kLargestSolarFluxSfu) {
        return Refuse("The solar flux extended to " + Mhz(f) + " MHz is no usable number.");
    }
    c.Flux = {c.Sfu * kJanskyPerSfu, extrapolated ? FluxBasis::Extrapolated : FluxBasis::Model};

    // The day's other stations: per station its observation nearest the
    // measurement on the chosen date.
    std::vector<const StationSpectrum*> compared;
    for (const StationSpectrum& s : read.Spectra) {
        if (!SameDate(s.When, chosen->When) || !usable(s)) {
            continue;
        }
        auto same = std::find_if(compared.begin(), compared.end(),
                                 [&](const StationSpectrum* o) { return o->Station == s.Station; });
        if (same == compared.end()) {
            compared.push_back(&s);
        } else if (Distance(s.When, utcMinutes) < Distance((*same)->When, utcMinutes)) {
            *same = &s;
        }
    }
    c.StationsCompared = compared.size();
    double worst = 0.0;
    for (const double at : {lo, hi}) {
        double smallest = std::numeric_limits<double>::infinity();
        double largest = 0.0;
        for (const StationSpectrum* s : compared) {
            smallest = std::min(smallest, *ValueAt(*s, at));
            largest = std::max(largest, *ValueAt(*s, at));
        }
        worst = std::max(worst, (largest - smallest) / smallest);
    }
    c.Disagree = worst > kStationDisagreementFraction;
    if (compared.size() >= 2) {
        double sum = 0.0;
        std::vector<double> at;
        for (const StationSpectrum* s : compared) {
            at.push_back(PowerLaw(lo, *ValueAt(*s, lo), hi, *ValueAt(*s, hi), f));
            sum += at.back();
        }
        const double mean = sum / static_cast<double>(at.size());
        double squares = 0.0;
        for (double v : at) {
            squares += (v - mean) * (v - mean);
        }
        c.ScatterPercent = 100.0 * std::sqrt(squares / static_cast<double>(at.size() - 1)) / mean;
    }

    c.Note =
        "solar flux " + c.Station + " " + WhenText(c.When) +
        (lo == hi ? " at " + Mhz(lo) + " MHz" : " from " + Mhz(lo) + " and " + Mhz(hi) + " MHz");
    if (extrapolated) {
        c.Note += " extrapolated";
    }
    char text[96];
    if (std::isfinite(c.ScatterPercent)) {
        std::snprintf(text, sizeof text, "; %zu stations scatter %.1f %%", compared.size(),
                      c.ScatterPercent);
        c.Note += text;
    }
    // An observation of another day than the measurement's is said: the
    // flux changes from day to day.
    c.HoursFromMeasurement = (UtcMinutesOf(c.When.Year, c.When.Month, c.When.Day,
                                           c.When.HasTime() ? c.When.MinuteOfDay : 720.0) -
                              utcMinutes) /
                             60.0;
    if (std::abs(c.HoursFromMeasurement) > kSameDayHours) {
        std::snprintf(text, sizeof text, "; observed %.1f days %s the measurement",
                      std::abs(c.HoursFromMeasurement) / 24.0,
                      c.HoursFromMeasurement < 0 ? "before" : "after");
        c.Note += text;
    }
    if (c.Disagree) {
        std::snprintf(text, sizeof text, "; stations disagree by %.0f %% (flare or calibration?)",
                      100.0 * worst);
        c.Note += text;
    }
    return c;
}

} // namespace vantrel::measure
