#pragma once

#include <QString>

#include <string>

namespace vantrel {

/// Writes `bytes` to the file `path` as a whole or not at all: into a new
/// temporary file beside it, flushed to the disk, then renamed over the
/// target, so a failure (a folder without write access, a full disk, a
/// parent that is not a folder) leaves an existing file as it was and no
/// partial file behind. Blocks on the disk: call it off the user-interface
/// thread for large files. Returns the reason of a failure in the system's
/// words, empty on success.
QString SaveTextFile(const QString& path, const std::string& bytes);

} // namespace vantrel
