#pragma once

#include <string>

namespace vantrel {

/// Directory of the running executable, without a trailing "/"; empty when
/// the system does not tell it.
std::string ExecutableDirectory();

/// The process's current directory, without a trailing "/" (except for "/"
/// itself); empty when it cannot be read.
std::string CurrentDirectory();

} // namespace vantrel
