#pragma once

namespace vantrel {

/// The main window's outer rectangle at its design size, screen pixels: what
/// "Reset Screen size" restores and what a new user's first "Vanset.ini"
/// holds. Every text of the window is readable from this size up.
inline constexpr int kDesignOuterLeft = 10;
inline constexpr int kDesignOuterTop = 10;
inline constexpr int kDesignOuterWidth = 1048;
inline constexpr int kDesignOuterHeight = 700;

} // namespace vantrel
