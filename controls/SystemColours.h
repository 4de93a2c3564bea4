#pragma once

#include "controls/GridCells.h"

#include <QColor>
#include <QRect>

class QPainter;

namespace vantrel {

/// The colour a grid colour value paints with: 0x00BBGGRR as it is, and
/// 0xFF000000 plus a window-system colour index from one fixed table of our
/// own (the classic desktop defaults: button face 240/240/240, active border
/// 180/180/180, tooltip background 255/255/225, ...), so the grids look the
/// same whatever the desktop theme. An unknown index paints black.
QColor ResolveColour(Colour c);

/// Draws a one-pixel edge inside `r`: button highlight on the top and left,
/// button shadow on the bottom and right (raised), or the other way round
/// (sunken).
void DrawEdge(QPainter& p, const QRect& r, bool raised = true);

} // namespace vantrel
