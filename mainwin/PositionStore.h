#pragma once

#include "mainwin/PositionFileName.h"

#include <QList>
#include <QRect>
#include <QString>

namespace vantrel {

/// The four keys of section "Position" of "Vanset.ini" as stored, outer
/// pixels; a key that is missing or not a whole number in the range of a
/// 32-bit signed integer takes its default (10, 10, 500, 500).
struct StoredPosition {
    int Left = 10;
    int Top = 10;
    int Width = 500;
    int Height = 500;
    bool operator==(const StoredPosition&) const = default;
};

/// Largest distance of a stored left or top edge from the origin, pixels:
/// Qt's own limit of a widget's size. Beyond it a position is not one any
/// desktop has, and adding a size to it could overflow.
inline constexpr int kPositionLimit = 16777215;

/// "Vanset.ini" in `directory`, or in the current folder when it is empty:
/// the one settings file every window keeps its own section in.
QString VansetPath(const QString& directory);

/// The key "Section/name" of a value in a window's own section.
QString VansetKey(const char* section, const char* name);

StoredPosition ReadStoredPosition(const QString& directory);

/// The outer rectangle to give the main window from the stored values and
/// the screens' rectangles. A width or height below 1 or larger than the
/// largest screen's takes the default 500 (any size up to `kPositionLimit`
/// when no screen is known); a left or top edge beyond ±`kPositionLimit`
/// takes the default 10, 10. The result is then kept on some screen by
/// `OnSomeScreen`. Every value of the file, however hostile, gives a
/// rectangle whose edges fit a 32-bit integer.
QRect UsableWindowPosition(const StoredPosition& stored, const QList<QRect>& screens);

/// `UsableWindowPosition` of what "Vanset.ini" in `directory` holds.
QRect LoadWindowPosition(const QString& directory, const QList<QRect>& screens);

/// Writes the four keys (`WriteVanset`: in place where the folder takes no
/// new file); false, and the file left as it is, when it cannot be written.
bool SaveWindowPosition(const QString& directory, const QRect& outer);

/// The stored position, moved to the default 10, 10 (size kept) when the
/// window would lie wholly outside every screen, so it can never be lost.
QRect OnSomeScreen(const QRect& outer, const QList<QRect>& screens);

} // namespace vantrel
