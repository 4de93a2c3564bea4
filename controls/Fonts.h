#pragma once

namespace vantrel {

/// Maps the font names of the window designs ("Arial", "Tahoma", "MS Sans
/// Serif") to the free fonts installed with the program: Liberation Sans has
/// the metrics of Arial, so texts fit the design sizes. Call once after the
/// application object exists.
void InstallFontSubstitutes();

} // namespace vantrel
