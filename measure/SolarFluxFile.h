#pragma once

#include "measure/SolarFlux.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::measure {

/// The layouts of the observatories' solar flux files that can be read.
enum class SolarFluxLayout {
    /// NOAA SWPC's solar_radio_flux.txt (also 7day_rad.txt, 45day_rad.txt,
    /// and the :Solar_Radio_Flux: block of the current indices curind.txt)
    NoaaNoonList,
    LearmonthDay,  ///< the Bureau of Meteorology's Learmonth day file LyyMMdd.SRD
    NceiYearly,    ///< NCEI's yearly noon-flux file: YYMMDD STAT and eight values
    PentictonTable ///< Penticton's fluxtable.txt: 2800 MHz only
};

/// A calendar date and time of day, UTC.
struct SolarFluxInstant {
    int Year = 0;         ///< e.g. 2026
    int Month = 0;        ///< 1..12
    int Day = 0;          ///< 1..31
    int MinuteOfDay = -1; ///< minutes after 00:00 UTC, 0..1439; -1 when not given

    bool HasTime() const { return MinuteOfDay >= 0; }
};

/// Minutes from 1970-01-01 00:00 UTC to `day` at `minuteOfDay` (proleptic
/// Gregorian calendar), for comparing observation and measurement times.
double UtcMinutesOf(int year, int month, int day, double minuteOfDay);

/// One station's flux at one observation: the frequencies it has values at
/// (missing values are left out), in the order of the file.
struct StationSpectrum {
    /// "Learmonth", "San Vito", "Penticton", or the file's name or code
    /// (printable ASCII, a comma or any other byte as a blank)
    std::string Station;
    SolarFluxInstant When;              ///< the observation's date and time (UTC)
    std::vector<SolarFluxPoint> Points; ///< MHz and sfu, each > 0
};

/// What a solar flux file holds.
struct SolarFluxFileRead {
    std::optional<std::string> Refused; ///< why nothing can be used: a sentence
    SolarFluxLayout Layout = SolarFluxLayout::NoaaNoonList;
    std::vector<StationSpectrum> Spectra;
    std::size_t BadLines = 0; ///< lines of no meaning in the layout, skipped
    /// "", or a sentence: "3 lines not understood were skipped (the first: line 12)."
    std::string Note;
};

/// The observatory file's name for the layout: "NOAA's daily noon flux list".
const char* LayoutName(SolarFluxLayout layout);

/// Reads the text of a solar flux file.
///
/// Given:
///   text      the file's contents
///   fileName  its name without folder (Learmonth's day files carry the date
///             only in the name, LyyMMdd.SRD); may be empty
/// Returned:
///   the stations' spectra. A line that does not read in the layout is
///   counted and skipped with a note; a file of no known layout, or one with
///   no usable value, is refused with a sentence.
///
/// Notes:
///  1. NOAA's list: `:` lines are its header, `#` lines comments; the line
///     starting with "Freq" names the stations (columns two or more blanks
///     apart, or words), the next line with "UTC" gives their observation
///     times (HHMM), either of them also as a comment; a date line
///     "2026 Dec 10" starts a day; a row is a frequency in MHz and one
///     value per station, -1 missing. A station without a time takes its
///     local noon when it is one of the RSTN stations or Penticton ("Sag
///     Hill" is Sagamore Hill). In NOAA's current indices (curind.txt) only
///     the block ":Solar_Radio_Flux: 2026 Dec 10" is read, in that layout.
///  2. Learmonth's day file: "HHMMSS" and eight six-digit values at 245 …
///     15400 MHz, "//////" missing.
///  3. NCEI's yearly file: "YYMMDD STAT" (years 50..99 are 19xx) and eight
///     values at 245 … 15400 MHz, negative or "//////" missing; the time is
///     the station's local noon.
///  4. Penticton: the columns fluxdate (YYYYMMDD), fluxtime (HHMMSS) and
///     fluxobsflux (the observed flux, sfu: the flux at the Earth's
///     distance of the day, as a measurement needs), by the header's names.
SolarFluxFileRead ReadSolarFluxText(std::string_view text, std::string_view fileName);

/// Reads the file at `path` (at most 64 MiB) as `ReadSolarFluxText`; a file
/// that cannot be opened is refused with the reason.
SolarFluxFileRead ReadSolarFluxFile(const std::string& path);

} // namespace vantrel::measure
