#pragma once

#include <QList>
#include <QRect>
#include <QString>

namespace vantrel {

/// The file of the main window's position and size, in the working folder.
inline constexpr const char* kPositionFileName = "Vanset.ini";

/// Outer left, top, width and height of the main window as "Vanset.ini"
/// holds them in section "Position"; a key that is missing or not a whole
/// number takes its default (10, 10, 500, 500).
QRect LoadWindowPosition(const QString& directory);

/// Writes the four keys; a file that cannot be written is left as it is,
/// without a message.
void SaveWindowPosition(const QString& directory, const QRect& outer);

/// The stored position, moved to the default 10, 10 (size kept) when the
/// window would lie wholly outside every screen, so it can never be lost.
QRect OnSomeScreen(const QRect& outer, const QList<QRect>& screens);

} // namespace vantrel
