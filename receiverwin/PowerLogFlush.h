#pragma once

#include "radiometer/PowerLogWriter.h"

#include <cstddef>

class QWidget;

namespace vantrel {

/// How often the end of the program tries a failing power log again, ms.
inline constexpr int kPowerLogRetryMs = 1000;

/// At the program's end: waits for the power log's waiting records. When
/// they are not written within a moment (a flood of blocks, a full disk, a
/// folder without write permission), a modal progress dialog over `parent`
/// says how many wait, where and why they cannot be written, and tries them
/// again every second; its Cancel says how many will be lost. Returns the
/// records lost (0: all written), which are then also said on standard
/// error.
std::size_t WaitForPowerLog(PowerLogWriter& log, QWidget* parent);

} // namespace vantrel
