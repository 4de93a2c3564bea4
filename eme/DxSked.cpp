#include "eme/DxSked.h"

#include "eme/EmeCsv.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vantrel::eme {

namespace {

std::string Number(double v, int decimals) {
    if (!std::isfinite(v)) {
        return {};
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string Quoted(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos) {
        return text;
    }
    std::string out = "\"";
    for (const char c : text) {
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return out + "\"";
}

/// The highest of the lower elevation over the window.
double CommonElevation(EmeCalculator& calc, const MoonWindow& w) {
    double best = MoonSight::kNaN;
    const auto at = [&](UtcSeconds t) {
        const EmeCalculator::Sights s = calc.SightsAt(t);
        if (s.Home.Valid && s.Dx.Valid) {
            const double lower = std::min(s.Home.ElevationDeg, s.Dx.ElevationDeg);
            best = std::isfinite(best) ? std::max(best, lower) : lower;
        }
    };
    for (UtcSeconds t = w.Start; t < w.End; t += kCommonElevationStepS) {
        at(t);
    }
    at(w.End - 1);
    return best;
}

} // namespace

std::vector<DxSkedWindow> FindDxSkeds(std::span<const DxStation> dx, const DxSkedSearch& search,
                                      const WindowProgress& progress, bool& complete) {
    std::vector<DxSkedWindow> out;
    complete = true;
    for (std::size_t i = 0; i < dx.size(); ++i) {
        EmeCalculator calc(search.Home, dx[i].Site, search.Conditions, search.Ut1);
        calc.SetSkyBehindMoon(search.Sky, search.HomeHpbwDeg, search.DxHpbwDeg, search.ReceiverK);
        const auto part = [&](double fraction) {
            return !progress ||
                   progress((static_cast<double>(i) + fraction) / static_cast<double>(dx.size()));
        };
        const WindowSearchResult found = FindMoonWindows(calc, search.Span, part);
        if (!found.Complete) {
            complete = false;
            return {};
        }
        for (const MoonWindow& w : found.Windows) {
            DxSkedWindow row;
            row.Dx = dx[i].Text();
            row.Window = w;
            row.CommonElevationDeg = CommonElevation(calc, w);
            if (search.Sky != nullptr) {
                row.DegradationDb = calc.At(w.Start + w.DurationS() / 2).DegradationDb;
            }
            out.push_back(std::move(row));
        }
    }
    return out;
}

void SortDxSkeds(std::vector<DxSkedWindow>& windows, DxSkedOrder order) {
    const auto key = [order](const DxSkedWindow& w) -> double {
        switch (order) {
        case DxSkedOrder::Start:
            return static_cast<double>(w.Window.Start);
        case DxSkedOrder::Length:
            return -static_cast<double>(w.Window.DurationS());
        case DxSkedOrder::CommonElevation:
            return std::isfinite(w.CommonElevationDeg) ? -w.CommonElevationDeg : 1e9;
        case DxSkedOrder::Degradation:
            return std::isfinite(w.DegradationDb) ? -w.DegradationDb : 1e9;
        }
        return 0;
    };
    std::stable_sort(windows.begin(), windows.end(),
                     [&](const DxSkedWindow& a, const DxSkedWindow& b) { return key(a) < key(b); });
}

std::string DxSkedsCsv(std::span<const DxSkedWindow> windows, const std::string& station,
                       double frequencyMHz, double homeMinDeg, double dxMinDeg) {
    std::string out = "# station " + station + " frequency_mhz " + Number(frequencyMHz, 3) +
                      " min_el_home_deg " + Number(homeMinDeg, 1) + " min_el_dx_deg " +
                      Number(dxMinDeg, 1) + "\n";
    out += "dx,start_utc,end_utc,duration_min,common_el_deg,max_el_home_deg,max_el_dx_deg,"
           "dgrd_db\n";
    for (const DxSkedWindow& w : windows) {
        out += Quoted(w.Dx) + "," + UtcText(w.Window.Start) + "," + UtcText(w.Window.End) + "," +
               Number(static_cast<double>(w.Window.DurationS()) / 60.0, 1) + "," +
               Number(w.CommonElevationDeg, 2) + "," + Number(w.Window.MaxElevationHomeDeg, 2) +
               "," + Number(w.Window.MaxElevationDxDeg, 2) + "," + Number(w.DegradationDb, 2) +
               "\n";
    }
    return out;
}

} // namespace vantrel::eme
