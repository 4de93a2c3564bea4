#pragma once

#include "controls/GridCells.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRect>
#include <QString>

class QPainter;
class QPaintDevice;

namespace vantrel {

/// The Qt alignment of a cell alignment; `haGeneral` (text) is left.
Qt::Alignment QtAlignment(HorizontalAlignment a);

/// Paints a cell's text the way both grids and their printout show it:
/// placed left, centred or right at the top of `area` when it fits on one
/// line; otherwise wrapped at the area's width from the left edge, and a
/// line that still does not fit, or the last line that fits, cut with
/// "...". `device` is the device the text is laid out for (the printer),
/// null for the screen. Line separators in `text` break lines.
void PaintCellText(QPainter& p, const QString& text, const QRect& area, HorizontalAlignment a,
                   const QFont& font, const QFontMetricsF& metrics, int lineHeight,
                   const QPaintDevice* device = nullptr);

} // namespace vantrel
