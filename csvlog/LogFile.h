#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// Appends one record `line` (without its line break) to the log at `path`,
/// whose first line is `header`. The care every log of the program takes:
///
/// 1. A new log appears with its header already in it (written to a file of
///    its own in the log's folder, then linked under the log's name), so no
///    reader ever sees a log without one, however many programs log at once;
///    a log another program made meanwhile is kept.
/// 2. Appends take an exclusive lock on the log (flock), so two programs
///    take turns; a log replaced while the lock was awaited (a rewrite, see
///    `RewriteLog`) is opened again. A file system without locks is written
///    unlocked.
/// 3. An emptied log gets its header again; a log whose last line was cut
///    short (a crash, a full disc, an editor that leaves no final line
///    break) gets its line break first, in the same write, so the new record
///    never joins the old line.
/// 4. One write for the line, then fsync.
///
/// Returns nothing on success, else a sentence: "Cannot write the
/// `logName` PATH: reason".
std::optional<std::string> AppendLogLine(const std::string& path, std::string_view header,
                                         std::string_view line, std::string_view logName);

/// The whole log at `path` into `text`: empty, and no failure, when there is
/// no log yet; a sentence "Cannot read the `logName` PATH" when it cannot be
/// read.
std::optional<std::string> ReadLogText(const std::string& path, std::string& text,
                                       std::string_view logName);

/// Rewrites the log at `path` under the same lock as `AppendLogLine`: `edit`
/// gets its whole text and either returns a sentence (nothing is written) or
/// sets `updated`. A changed text is written to a new file in the log's
/// folder with the log's mode, synced and renamed over the log while the
/// lock is held, so an append made meanwhile waits and then goes to the new
/// file: nothing is lost. Returns nothing on success (also when nothing
/// changed), else the sentence.
std::optional<std::string> RewriteLog(
    const std::string& path, std::string_view logName,
    const std::function<std::optional<std::string>(const std::string& text, std::string& updated)>&
        edit);

} // namespace vantrel
