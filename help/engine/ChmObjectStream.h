#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// One object of a compiled help file: its archive path ("/index.htm",
/// "/#SYSTEM") and its bytes.
struct ChmObject {
    std::string Path;
    std::string Data;
};

/// The stream in which the help file reader program hands the objects of a
/// help file to the help engine, on its standard output:
///
///   "VCHMOBJ1"                                  8 bytes
///   per object: 'O', path length (u32), path, data length (u64), data
///   at the end: 'E', object count (u64), data bytes in all (u64)
///
/// Numbers are little-endian. Paths start with "/", hold no zero byte and
/// are at most `kChmMaxPathBytes` long. A stream is whole only with its end
/// record and nothing after it, so a reader that stops halfway is noticed.
inline constexpr std::string_view kChmStreamMagic = "VCHMOBJ1";
inline constexpr char kChmObjectTag = 'O';
inline constexpr char kChmEndTag = 'E';

/// Limits of what one help file may hold. Help pages and pictures are far
/// smaller; a damaged file that claims more is refused rather than read into
/// memory.
inline constexpr std::size_t kChmMaxPathBytes = 512; ///< chmlib's own path limit, bytes
inline constexpr std::uint64_t kChmMaxObjectBytes = 64ULL * 1024 * 1024;   ///< one object, bytes
inline constexpr std::uint64_t kChmMaxArchiveBytes = 256ULL * 1024 * 1024; ///< all objects, bytes
inline constexpr std::uint64_t kChmMaxObjects = 100'000;                   ///< objects

/// Bytes of framing around one object besides its path and data.
inline constexpr std::size_t kChmObjectOverheadBytes = 1 + 4 + 8;
/// Bytes of the end record.
inline constexpr std::size_t kChmEndBytes = 1 + 8 + 8;
/// The longest stream the limits allow, bytes.
inline constexpr std::uint64_t kChmMaxStreamBytes =
    kChmStreamMagic.size() + kChmMaxObjects * (kChmObjectOverheadBytes + kChmMaxPathBytes) +
    kChmMaxArchiveBytes + kChmEndBytes;

/// Exit status of the reader program: 0 after a whole stream; otherwise why
/// it wrote none or stopped. A reader killed by a signal has none of these.
enum ChmReaderExit : int {
    kChmReaderRead = 0,
    kChmReaderUsage = 2,       ///< not called with one help file
    kChmReaderCannotOpen = 3,  ///< the file cannot be opened for reading
    kChmReaderNotHelpFile = 4, ///< not a compiled help file, or damaged beyond opening
    kChmReaderTooLarge = 5,    ///< beyond the limits above
    kChmReaderWriteFailed = 6, ///< the standard output failed
};

/// The framing of one object, to be written after the magic.
std::string ChmObjectRecord(std::string_view path, std::string_view data);
/// The end record for `count` objects of `totalBytes` data bytes in all.
std::string ChmEndRecord(std::uint64_t count, std::uint64_t totalBytes);

/// The objects of a whole stream in stream order; empty when the stream is
/// cut short, longer than its end record, framed wrongly or beyond the
/// limits above.
std::optional<std::vector<ChmObject>> ParseChmObjectStream(std::string_view stream);

} // namespace vantrel
