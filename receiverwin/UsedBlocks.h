#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

/// Flags the blocks a Y-factor rests on in the power log at `path`: each
/// record whose utc_start is one of `utcStarts` (as `PowerLogTime` writes
/// it) gets the word "used" in its flags column, before any other flag
/// ("used partial"); a line of the first version (13 columns) gets the
/// columns up to the flags, empty. Every other byte of the log stays as it
/// was, damaged lines and later columns included. The log is rewritten
/// under the lock its appends take (`RewriteLog`), so a record appended
/// meanwhile is never lost. `marked`, when given, gets the number of
/// records flagged (one already flagged counts). Returns the reason when
/// the log could not be rewritten; nothing on success.
///
/// It reads and writes the whole log: call it off the user-interface
/// thread.
std::optional<std::string> FlagBlocksUsed(const std::string& path,
                                          const std::vector<std::string>& utcStarts,
                                          std::size_t* marked = nullptr);

} // namespace vantrel
