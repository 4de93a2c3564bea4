// Fuzz target: an observatory's solar flux file as vantrel-noise
// --solar-flux-file reads it, and the flux chosen from it.
//
// Input: the first byte chooses the file's name (a NOAA list, a Learmonth
// day file, an NCEI file, Penticton's table), the next two the observing
// frequency (100 to 30000 MHz and some beyond), the next two the minute of
// the measurement within three days; the rest is the file. Properties:
//  - any bytes read without failing: a file is refused with a sentence, or
//    every spectrum holds positive finite frequencies and fluxes, a real
//    date and a time of day or none, and no more lines are counted bad
//    than the text has;
//  - the flux chosen is refused with a sentence, or a positive finite
//    number in sfu (and 1e4 times it in Jy), from two frequencies of the
//    file's station that lie in order, with a note of printable ASCII
//    without a comma (it goes into a CSV cell) and a
//    scatter that is a number of 0 % or more, or none.

#include "fuzz/FuzzCheck.h"
#include "measure/SolarFluxChoice.h"
#include "measure/SolarFluxFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

using namespace vantrel::measure;
using vantrel::fuzz::ByteReader;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::array<const char*, 5> kNames{"solar_radio_flux.txt", "L261210.SRD",
                                                       "noon_flux_2026.txt", "fluxtable.txt", "x"};
    ByteReader in(data, size);
    const char* name = kNames[in.Take<std::uint8_t>() % kNames.size()];
    const double mhz = 50.0 + in.Take<std::uint16_t>() % 31000;
    const double utcMinutes =
        UtcMinutesOf(2026, 12, 9, 0) + static_cast<double>(in.Take<std::uint16_t>() % (3 * 1440));
    const std::string_view text = in.Rest();

    const SolarFluxFileRead r = ReadSolarFluxText(text, name);
    const std::size_t lines =
        static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    FUZZ_CHECK(r.BadLines <= lines);
    if (r.Refused) {
        FUZZ_CHECK(!r.Refused->empty());
    } else {
        FUZZ_CHECK(!r.Spectra.empty());
        for (const StationSpectrum& s : r.Spectra) {
            FUZZ_CHECK(!s.Points.empty());
            FUZZ_CHECK(s.When.Year >= 1900 && s.When.Year <= 2100);
            FUZZ_CHECK(s.When.Month >= 1 && s.When.Month <= 12);
            FUZZ_CHECK(s.When.Day >= 1 && s.When.Day <= 31);
            FUZZ_CHECK(s.When.MinuteOfDay >= -1 && s.When.MinuteOfDay < 1440);
            for (const SolarFluxPoint& p : s.Points) {
                FUZZ_CHECK(std::isfinite(p.FrequencyMHz) && p.FrequencyMHz > 0);
                FUZZ_CHECK(std::isfinite(p.Sfu) && p.Sfu > 0 && p.Sfu <= kLargestSolarFluxSfu);
            }
        }
    }

    const SolarFluxChoice c = ChooseSolarFlux(r, mhz, utcMinutes);
    if (c.Refused) {
        FUZZ_CHECK(!c.Refused->empty());
        return 0;
    }
    FUZZ_CHECK(!r.Refused);
    FUZZ_CHECK(mhz >= kSolarExtrapolateLoMHz && mhz <= kSolarExtrapolateHiMHz);
    FUZZ_CHECK(std::isfinite(c.Sfu) && c.Sfu > 0);
    FUZZ_CHECK(c.Flux.HasValue() && std::isfinite(c.Flux.Jy));
    FUZZ_CHECK(std::abs(c.Flux.Jy - c.Sfu * 1e4) <= 1e-9 * c.Flux.Jy);
    FUZZ_CHECK(c.LoMHz > 0 && c.LoMHz <= c.HiMHz);
    FUZZ_CHECK(c.Note.rfind("solar flux ", 0) == 0);
    for (const char ch : c.Note) {
        FUZZ_CHECK(ch >= 0x20 && ch <= 0x7e && ch != ',');
    }
    FUZZ_CHECK(std::isnan(c.ScatterPercent) || c.ScatterPercent >= 0);
    FUZZ_CHECK(c.StationsCompared >= 1);
    return 0;
}
