#pragma once

#include <QString>

#include <functional>

class QSettings;

namespace vantrel {

/// Changes "Vanset.ini" in `directory` (the current folder when empty) by
/// `edit`, which sets or removes keys of its own section, and writes the
/// file; true when the file now holds the change.
///
/// The INI writer makes a lock file and a new file beside the old one and
/// renames it over the old: in a folder the user may not write in, that
/// fails even where "Vanset.ini" itself is writable. There the same text is
/// made in a scratch copy (in the system's temporary folder) and written
/// over the file in place, as the station file is saved in such a folder.
/// False when neither can be done: the file is write-protected, or it is
/// missing and the folder takes no new file; the file is then unchanged.
bool WriteVanset(const QString& directory, const std::function<void(QSettings&)>& edit);

} // namespace vantrel
