#pragma once

#include "help/engine/ChmObjectStream.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

/// File name of the help file reader program, which lives beside the help
/// engine library.
inline constexpr const char* kChmReaderProgram = "vantrel-chm-reader";

/// How long a reader may take for one help file before it is killed:
/// reading a help file of a few megabytes takes a small part of this.
inline constexpr std::chrono::milliseconds kChmReaderTimeLimit{8000};

/// How reading a help file ended.
enum class ChmReadStatus {
    Read,          ///< all objects that could be read are there
    CannotOpen,    ///< the file is missing, not a plain file, or not readable
    Damaged,       ///< not a compiled help file, damaged, or beyond the limits
    ReaderMissing, ///< the reader program could not be started
    Cancelled,     ///< given up on request
};

/// Where the reader program is and how long it may take.
struct ChmReaderOptions {
    std::string Program; ///< path of the reader program
    std::chrono::milliseconds TimeLimit = kChmReaderTimeLimit;
    /// A reader that writes more than this, bytes, is killed.
    std::uint64_t MaxStreamBytes = kChmMaxStreamBytes;
    /// Set from another thread to give up; the reader is then killed.
    const std::atomic<bool>* Cancel = nullptr;
};

/// The objects of a help file, or why there are none.
struct ChmReadResult {
    ChmReadStatus Status = ChmReadStatus::Damaged;
    std::vector<ChmObject> Objects; ///< in archive order; empty unless `Read`
    std::string Detail;             ///< how the reader ended, for tests and diagnostics
};

/// Reads all objects of the help file `chmPath` by running the reader
/// program on it in a process of its own and reading its stream (see
/// ChmObjectStream.h). Whatever the file holds, this process is not harmed:
/// a reader that crashes, is killed by a signal, exits with a failure,
/// writes a stream that is cut short, malformed or beyond the limits, or
/// takes longer than `TimeLimit`, gives `Damaged` (the last two after it
/// has been killed). The reader is always waited for, so none is left
/// behind. Blocks until then: call it off the user-interface thread.
ChmReadResult ReadChmObjects(const std::string& chmPath, const ChmReaderOptions& options);

} // namespace vantrel
