#pragma once

#include "station/HomeStation.h"
#include "tools/ConsoleMessages.h"
#include "tools/TerminalText.h"
#include "tools/ToolFiles.h"
#include "tools/ToolStation.h"

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// Where a tool that reads the station stands once it has started.
template <class Parsed> struct StationToolStart {
    /// Set when the tool ends here, with this exit status: 0 after the
    /// usage text (--help), 2 after a refusal printed on standard error.
    std::optional<int> Exit;
    std::optional<ToolFiles> Where; ///< the files the tool uses; set unless `Exit`
    HomeStation Station;            ///< the station read, the arguments applied
    ToolStation Read;               ///< what was found of the station file
    Parsed Arguments;               ///< the arguments read against `Station`
};

/// Starts a station tool (vantrel-table, vantrel-eme, vantrel-noise,
/// vantrel-track, vantrel-scan) as all of them start. `parse` reads the
/// arguments into a `Parsed` with its `Error` (the whole line, tool name
/// included) and `Options.Help` and `Options.Files`. The arguments are first
/// read against a scratch station, so a mistake gives one line and nothing
/// else and --help reads no file; then the station is read from the files
/// they name (a read failure said as the planner says it) and they are read
/// again against it. `tool` ("vantrel-scan") begins a refusal of the files.
template <class Parsed>
StationToolStart<Parsed> StartStationTool(std::span<const std::string_view> args,
                                          std::string_view tool, std::string_view usage,
                                          Parsed (*parse)(std::span<const std::string_view>,
                                                          HomeStation&)) {
    constexpr int kBadArguments = 2;
    StationToolStart<Parsed> start;
    const auto refuse = [&](const std::string& line) {
        std::fprintf(stderr, "%s\n", line.c_str());
        start.Exit = kBadArguments;
        return start;
    };
    DataArguments files;
    {
        HomeStation scratch;
        const Parsed check = parse(args, scratch);
        if (!check.Error.empty()) {
            return refuse(check.Error);
        }
        if (check.Options.Help) {
            std::fputs(std::string(usage).c_str(), stdout);
            start.Exit = 0;
            return start;
        }
        files = check.Options.Files;
    }
    start.Where = ToolFiles::OfEnvironment(files);
    if (const std::string problem = start.Where->Problem(); !problem.empty()) {
        return refuse(std::string(tool) + ": " + TerminalSafe(problem));
    }
    ConsoleMessages messages;
    start.Read = ReadToolStation(*start.Where, messages, start.Station);
    start.Arguments = parse(args, start.Station);
    if (!start.Arguments.Error.empty()) {
        return refuse(start.Arguments.Error);
    }
    return start;
}

} // namespace vantrel
