#pragma once

#include <QIcon>

namespace vantrel {

/// The program's icon, the menu entry's SVG drawn at the sizes of the
/// desktop's icon theme (16 to 256 pixels). A window that carries it gives
/// window managers reading _NET_WM_ICON (X11 task bars, Alt-Tab) the same
/// picture as the menu, also when the menu entry's name is not matched to
/// the window. Drawn here rather than by an icon engine plugin, so that it
/// needs nothing the program does not link.
QIcon ProgramIcon();

} // namespace vantrel
