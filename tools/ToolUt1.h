#pragma once

#include "tools/ObservingArguments.h"
#include "tools/ToolFiles.h"

#include <string>
#include <string_view>

namespace vantrel {

/// What a tool says about the UT1 it uses: at most one line each, with the
/// tool's name in front.
struct ToolUt1Outcome {
    /// The file of --iers cannot be read or gives no value: the tool stops
    /// with this line and exit status 2.
    std::string Refusal;
    /// For the standard error, the tool going on: damaged lines skipped, or a
    /// file found (not named) that gives no value, UT1 = UTC then.
    std::string Notice;
};

/// Reads the IERS series for a tool with apparent places on and puts it into
/// `observing.Conditions.Ut1`: the file of --iers, else the first of
/// finals2000A.all, .daily and .data that `files` finds (the current folder,
/// then the data home, as the station file). Nothing is read with apparent
/// places off, unless `withoutApparent` (vantrel-eme: the Moon's hour angle
/// needs UT1 either way). `tool` is the tool's name for the lines.
ToolUt1Outcome AttachToolUt1(ObservingArguments& observing, const ToolFiles& files,
                             std::string_view tool, bool withoutApparent = false);

} // namespace vantrel
