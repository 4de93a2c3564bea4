#include "scan/YResultText.h"

#include <cstdio>
#include <limits>

namespace vantrel::scan {

namespace {

std::string Printed(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

} // namespace

std::string YResultText(const YFactorResult& r) {
    if (!r.Y) {
        return "No pair was completed.";
    }
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    std::string pairs;
    for (const YPair& p : r.Pairs) {
        pairs += (pairs.empty() ? "" : ", ") + p.Side + Printed(" %.2f", p.YDb);
    }
    std::string text = Printed("Y = %.3f \u00b1 %.3f dB from %zu of %d pairs (", r.Y->YDb,
                               r.Y->SigmaDb, r.Pairs.size(), r.PairsPlanned) +
                       pairs + ").";
    if (r.GOverTDbPerK) {
        text += Printed("\nG/T = %.2f \u00b1 %.2f dB/K (K = %.3f).", *r.GOverTDbPerK,
                        r.GOverTSigmaDb.value_or(kNaN), r.BeamCorrection);
    } else {
        text += "\n" + r.Note;
    }
    if (!r.Off) {
        return text;
    }
    text += Printed("\nSky (408 MHz survey): %.0f K behind the source, %.0f K %s: "
                    "\u0394T_sky = %+.0f K.",
                    r.Off->SourceTskyK, r.Off->OffTskyK,
                    r.Off->Reference ? "at the coldest sky" : "on the colder side",
                    r.Off->BackgroundDifferenceK);
    if (r.CorrectedGOverTDbPerK) {
        text +=
            Printed("\nG/T with the background taken out = %.2f \u00b1 %.2f dB/K "
                    "(Tsys %.0f K).",
                    *r.CorrectedGOverTDbPerK, r.CorrectedSigmaDb.value_or(kNaN), r.CorrectionTsysK);
    } else if (r.GOverTDbPerK) {
        text += r.Note.empty() ? std::string("\nNo Tsys given: G/T not corrected.") : "\n" + r.Note;
    }
    return text;
}

} // namespace vantrel::scan
