#pragma once

#include "apparent/SkySource.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// What `--source NAME` of a tool names.
struct SourceArgument {
    std::optional<SkySource> Source; ///< set when accepted
    /// Why it is refused, one line without the tool's name ("--source:
    /// 'vega' names no source: ..."), quoting NAME as typed: the caller makes
    /// it safe for a terminal (`TerminalSafe`). Empty when accepted.
    std::string Error;
};

/// Reads NAME of `--source NAME` the same way in every tool: the short names
/// (aquarius, leo, cas, cen, user, cyg, tau, vir, sgr, moon, sun) or the
/// grids' titles ("Cassiopeia-A", "Moon"), in any case (`SkySourceFromName`).
/// `allowed`: the sources this tool can use, all of them when empty; a
/// source outside it is refused with `why` ("has no flux model") and the
/// names it takes.
SourceArgument ReadSourceArgument(std::string_view name, std::span<const SkySource> allowed = {},
                                  std::string_view why = "cannot be used here");

/// The short names of `sources`, joined with ", ": "cas, cen, user".
std::string SourceKeys(std::span<const SkySource> sources);

} // namespace vantrel
