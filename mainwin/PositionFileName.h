#pragma once

namespace vantrel {

/// The file of the main window's position and size, in the working folder.
inline constexpr const char* kPositionFileName = "Vanset.ini";

} // namespace vantrel
