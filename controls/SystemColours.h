#pragma once

#include "controls/GridCells.h"

#include <QColor>

namespace vantrel {

/// The colour a grid colour value paints with: 0x00BBGGRR as it is, and
/// 0xFF000000 plus a window-system colour index from one fixed table of our
/// own (the classic desktop defaults: button face 240/240/240, active border
/// 180/180/180, tooltip background 255/255/225, ...), so the grids look the
/// same whatever the desktop theme. An unknown index paints black.
QColor ResolveColour(Colour c);

} // namespace vantrel
