#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

namespace vantrel {

// Where a window opened from the main window stands: where the user left it
// (kept in its own section of "Vanset.ini"), else beside the main window.
// Pixels; a window's place is the top-left of its frame.

/// The part of each screen a window may take (without panels), in the
/// desktop's coordinates.
QList<QRect> AvailableScreenRects();

/// Puts `window` where `stored` says (its place and size) when there is a
/// stored one, else gives it `firstSize`; true when it was put in place.
bool RestorePlace(QWidget& window, const std::optional<QRect>& stored, QSize firstSize);

/// Shows `window` non-modal, in front and active. Until it is `placed` it
/// first goes to `offset` from the top-left of `mainWindow`'s window;
/// `placed` is then set, and from then on the window stands where the user
/// keeps it.
void OpenOnceBeside(QWidget& window, bool& placed, const QWidget* mainWindow, QPoint offset);

} // namespace vantrel
