#pragma once

#include "radiometer/PowerBlock.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// File name of the power log, in the data folder.
inline constexpr const char* kPowerLogName = "Vantrel-power.csv";

/// The first thirteen columns of the power log's header: the header of
/// its first version, with which every later header begins (a reader
/// knows a header line by it).
inline constexpr std::string_view kPowerLogHeaderStart =
    "utc_start,utc_end,input,frequency_mhz,power_db,sigma_db,samples,clipped,rfi_dropped,source,"
    "azimuth_deg,elevation_deg,mark";

/// The header line of the power log, without its line break. Columns are
/// only ever added at the end: what a reading depends on (the SDR's gain,
/// the sample rate, the band measured, B and τ, the device), a procedure's
/// role and offsets for its blocks, and the flags of a block.
inline constexpr std::string_view kPowerLogHeader =
    "utc_start,utc_end,input,frequency_mhz,power_db,sigma_db,samples,clipped,rfi_dropped,source,"
    "azimuth_deg,elevation_deg,mark,gain_db,rate_sps,band_hz,noise_bandwidth_hz,tau_s,device,"
    "role,az_offset_deg,el_offset_deg,flags";

/// What a block was taken as.
enum class PowerMark { None, On, Off, Reference };

/// "", "on", "off", "reference".
std::string_view PowerMarkText(PowerMark mark);

/// One line of the power log.
struct PowerRecord {
    std::string UtcStart;               ///< "YYYY-MM-DDTHH:MM:SS.sssZ", UTC
    std::string UtcEnd;                 ///< the same form
    std::string Input;                  ///< "sdr", "audio", "command", "rig"
    std::optional<double> FrequencyMHz; ///< MHz; empty when unknown
    double PowerDb = 0;                 ///< dB (dBFS, dBm or dB), to 0.001
    std::optional<double> SigmaDb;      ///< dB, to 0.0001; empty when unknown
    std::uint64_t Samples = 0;
    std::uint64_t Clipped = 0;
    double RfiDropped = 0;              ///< share 0..1, to 0.0001
    std::string Source;                 ///< tracked source's key; empty when none
    std::optional<double> AzimuthDeg;   ///< degrees, to 0.01; empty when not tracking
    std::optional<double> ElevationDeg; ///< degrees, to 0.01
    PowerMark Mark = PowerMark::None;
    // Columns of the second version; empty in a line of the first.
    /// The SDR's gain, dB, to 0.1; empty: the device's own, or not an SDR.
    std::optional<double> GainDb;
    std::optional<double> RateSps; ///< samples a second, whole; empty for readings
    /// The band measured, "LO:HI" in Hz; empty: the whole usable band, or
    /// no spectrum (readings).
    std::string BandHz;
    /// B of the radiometer equation, Hz, to 0.1; empty when unknown.
    std::optional<double> NoiseBandwidthHz;
    std::optional<double> TauS; ///< seconds of samples in the block, to 0.001; empty when unknown
    /// The device as the input names it (SoapySDR arguments, ALSA PCM,
    /// the command).
    std::string Device;
    /// What a measuring procedure took the block as: "on", "off" (a Y-factor
    /// sequence's readings), "scan" (a point of a cross, grid or drift scan)
    /// or another procedure's word; empty outside a procedure.
    std::string Role;
    std::optional<double> AzOffsetDeg; ///< a procedure's offset from the source in azimuth on the
                                       ///< sky, degrees, to 0.0001
    std::optional<double> ElOffsetDeg; ///< its offset in elevation, degrees, to 0.0001
    /// Flags, written as words separated by a blank in the flags column:
    /// "used" (the block a Y-factor taken by the user rests on), "partial"
    /// (a block cut short when the run ended: fewer samples than τ asks).
    bool Used = false;
    bool Partial = false;

    bool operator==(const PowerRecord&) const = default;
};

/// "YYYY-MM-DDTHH:MM:SS.sssZ" of a UTC instant.
std::string PowerLogTime(DateTime utc);

/// The record of a block: its times, power, σ, counts, pointing, B and τ,
/// for input `input` at `frequencyMHz` (0 or less: unknown). The caller
/// fills in the input's settings (gain, rate, band, device), a procedure's
/// role and offsets, and the flags.
PowerRecord PowerRecordOf(const PowerBlock& block, std::string_view input, double frequencyMHz,
                          PowerMark mark);

/// One line of a record, without the line break: texts quoted as RFC 4180
/// asks when they hold a comma or a quote, a line break in a text written
/// as a blank, numbers rounded as the record says.
std::string PowerLogLine(const PowerRecord& record);

/// Appends `record` to the log at `path`, created with the header line
/// first when it does not exist or is empty. The line goes to the end of
/// the file in one write on a file opened for appending and locked
/// (flock) meanwhile, then fsync; a log whose last line was cut short (no
/// final line break) gets a line break first, so the new line is whole.
/// The reason when it could not be written; nothing then.
std::optional<std::string> AppendPowerRecord(const std::string& path, const PowerRecord& record);

/// What a log holds: its records in file order, and a note for every line
/// passed over ("line 7 skipped: ...").
struct PowerLog {
    std::vector<PowerRecord> Records;
    std::vector<std::string> Skipped;
};

/// Reads the log text. The header and empty lines are passed over
/// silently (the first version's header as well as this one's); a damaged
/// line (too few fields, a number that is not one, an unknown mark, an
/// open quote) is skipped with a note. A line of the first version (13
/// fields) reads with the later columns empty; fields beyond the last
/// column known (columns of a later version) are ignored, and so are
/// unknown words among the flags.
PowerLog ParsePowerLog(std::string_view text);

/// Reads the log at `path`: nothing for a missing file; the reason when it
/// exists but cannot be read.
std::optional<std::string> ReadPowerLog(const std::string& path, PowerLog& log);

} // namespace vantrel
