#pragma once

#include "station/HomeStation.h"
#include "station/UserMessages.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel {

/// Size of one record of the data file, in bytes.
inline constexpr std::size_t kRecordSize = 120;

/// Byte offsets of the fields in one record (all numbers little-endian).
namespace record {
inline constexpr std::size_t kLatitude = 0;        // extended
inline constexpr std::size_t kLongitude = 10;      // extended
inline constexpr std::size_t kHeightAsl = 20;      // extended
inline constexpr std::size_t kUtcOffset = 30;      // extended
inline constexpr std::size_t kUserSourceRa = 40;   // extended
inline constexpr std::size_t kUserSourceDec = 50;  // extended
inline constexpr std::size_t kLocation = 60;       // length byte + 15 characters
inline constexpr std::size_t kUserSourceName = 76; // length byte + 15 characters
inline constexpr std::size_t kCallSign = 92;       // length byte + 8 characters
inline constexpr std::size_t kCalcInterval = 104;  // int32
inline constexpr std::size_t kHintOption = 108;    // int32
inline constexpr std::size_t kSourceOption = 112;  // int32
inline constexpr std::size_t kDisplayMode = 116;   // one byte
} // namespace record

/// The file name of the station data, in the process's current directory.
inline constexpr const char* kDataFileName = "Vantrel.dat";

/// Messages the data file shows to the user.
namespace datafile_text {
inline constexpr const char* kWarningTitle = "Warning";
inline constexpr const char* kNotFound = "File not found";
inline constexpr const char* kInformationTitle = "Information";
inline constexpr const char* kUpdated = "The Home Set up Data File has been updated.";
} // namespace datafile_text

/// The station data file `Vantrel.dat`: a sequence of 120-byte records of
/// which the last complete one counts. One object lives as long as the
/// program; its record buffer is shared by reading and writing, and the bytes
/// a copy does not touch (reserved bytes, text tails) keep what they last held.
class DataFile {
public:
    using RecordBuffer = std::array<std::uint8_t, kRecordSize>;

    /// `directory` empty: the current working directory, asked afresh at
    /// every read and write. Otherwise the file lives in `directory`. The
    /// program always uses the name "Vantrel.dat"; the table tool can be
    /// pointed at another file.
    explicit DataFile(UserMessages& messages, std::string directory = {},
                      std::string fileName = kDataFileName);

    /// Loads `station` from the last complete record of the file.
    ///
    /// A file that cannot be opened for reading (missing, no read access,
    /// not a regular file) gives the warning "File not found" and leaves
    /// `station` unchanged. A read failure after that is shown as an error
    /// and also leaves `station` unchanged. A file shorter than one record
    /// reads nothing, and the fields are copied from the buffer as it was.
    /// Texts are cut to their capacity; every other value is taken as it
    /// stands, unchecked, even a NaN or an infinity of a damaged file, so
    /// that `CheckStation` (station/StationCheck.h) can name it to the user.
    /// Returns true when the fields were copied into `station`.
    bool Read(HomeStation& station);

    /// Stores `station` as the only record of the file and confirms it with
    /// "The Home Set up Data File has been updated.".
    ///
    /// The record is written to a temporary file of its own in the data
    /// file's folder (a unique name, so two programs saving at once never
    /// share one), flushed to disk and renamed over the data file: a reader
    /// always finds a complete record, and the old file stays whole when any
    /// step fails. When the data file is a symbolic link (or a chain of
    /// them, relative ones counting from the link's folder), the file it
    /// finally names is replaced and the link kept; a dangling link gets its
    /// target created; a circular chain is refused. A data file without
    /// write permission is not replaced ("File access denied"). Only when no
    /// temporary file can be made (a folder without write access) is an
    /// existing, writable data file rewritten in place: one record written
    /// at its start, the file cut to 120 bytes and flushed.
    /// On failure the error is shown, no confirmation is given and the
    /// record buffer keeps what it held. Returns true exactly when the
    /// record reached the file.
    bool Write(const HomeStation& station);

    /// The record buffer, as the last read or write left it.
    const RecordBuffer& Buffer() const { return buffer_; }

    /// Full path of the data file as the next operation will address it.
    std::string Path() const;

private:
    static void FillBuffer(const HomeStation& station, RecordBuffer& record);
    void CopyBuffer(HomeStation& station) const;
    void ReportIoError(int errnoValue);

    UserMessages& messages_;
    std::string directory_;
    std::string fileName_;
    RecordBuffer buffer_{};
};

/// The text shown for an input/output error number: "File not found",
/// "File access denied", "Disk full", "Read beyond end of file" (for a
/// short read, errno value 0), or "I/O error %d".
std::string IoErrorText(int errnoValue);

} // namespace vantrel
