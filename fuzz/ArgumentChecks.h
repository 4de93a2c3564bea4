#pragma once

// What the targets of the tools' command lines check alike of a parse.

#include "fuzz/FuzzCheck.h"
#include "fuzz/TextChecks.h"

#include <string_view>

namespace vantrel::fuzz {

/// Whether `parsed` (with `Error` and `Options.Help`) holds options to
/// check further: not when refused, the refusal then checked to be one line
/// a terminal shows as it is, starting with `prefix` ("vantrel-scan: "),
/// nor for --help.
template <class Parsed> bool AcceptedOptions(const Parsed& parsed, std::string_view prefix) {
    if (!parsed.Error.empty()) {
        FUZZ_CHECK(parsed.Error.starts_with(prefix));
        FUZZ_CHECK(SafeLine(parsed.Error));
        return false;
    }
    return !parsed.Options.Help;
}

} // namespace vantrel::fuzz
