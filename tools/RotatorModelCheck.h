#pragma once

#include <optional>
#include <string>

namespace vantrel {

/// Why the rotator model `model` (--rotator) cannot be used: Hamlib, as
/// installed, has no such model; one line without the tool's name
/// ("--rotator: Hamlib has no rotator model 99 ('rotctl -l' lists them)"),
/// or nothing.
std::optional<std::string> UnknownRotatorModel(int model);

} // namespace vantrel
