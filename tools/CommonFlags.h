#pragma once

#include "tools/CommandLineFlag.h"
#include "tools/ObservingArguments.h"
#include "tools/ToolFiles.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// Where the options the station tools (vantrel-table, vantrel-eme,
/// vantrel-track, vantrel-scan) read alike are kept: --help (-h), the
/// observing options and where the station is read.
struct CommonFlagTargets {
    ObservingArguments& Observing;
    DataArguments& Files;
    bool& Help;
};

/// What one argument did when offered as a common option.
struct CommonFlag {
    bool Taken = false; ///< it was one of them; the tool's own options skip it
    /// The value it took (none for --help, --apparent, a bare --data-home),
    /// for a tool that passes one on.
    std::optional<std::string_view> Value;
    /// Why it is refused, without the tool's name; then `Taken` too.
    std::optional<std::string> Refused;
};

/// Reads `split`, the argument `args[i]`, when it is a common option: a value
/// of the observing options and of --data may be the next argument (taken:
/// `i` moves on to it), --data-home takes one only after "=", --apparent
/// none, and --help ignores one after "=".
CommonFlag ApplyCommonFlag(const CommandLineFlag& split, std::span<const std::string_view> args,
                           std::size_t& i, CommonFlagTargets targets);

} // namespace vantrel
