// vantrel-table: the planning table on the command line, for scripts and for
// machines without a desktop. The same header layout and sweep as the
// planning grid, on a grid without a display; every row is printed.

#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "planner/GridLayout.h"
#include "planner/PlanningSweep.h"
#include "planner/TableText.h"
#include "station/StationCheck.h"
#include "tools/ConsoleMessages.h"
#include "tools/StationToolStart.h"
#include "tools/TableOptions.h"
#include "tools/TerminalText.h"
#include "tools/ToolStation.h"
#include "tools/ToolUt1.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace vantrel;

constexpr int kBadArguments = 2;
constexpr int kOutputFailed = 1;

int Fail(std::string_view message) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    return kBadArguments;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    StationToolStart<ParsedTable> started =
        StartStationTool<ParsedTable>(args, "vantrel-table", TableUsage(), ParseTableArguments);
    if (started.Exit) {
        return *started.Exit;
    }
    const ToolFiles& where = *started.Where;
    HomeStation& station = started.Station;
    const ToolStation& read = started.Read;
    ParsedTable& parsed = started.Arguments;
    const TableOptions& o = parsed.Options;

    // Checked after the overrides, which can mend a damaged value; a table
    // computed from a value out of range would only show numbers or NaN.
    if (const auto problems = CheckStation(station); !problems.empty()) {
        return Fail("vantrel-table: " + ProblemsLine(problems));
    }
    const ToolUt1Outcome ut1 = AttachToolUt1(parsed.Options.Observing, where, "vantrel-table");
    if (!ut1.Refusal.empty()) {
        return Fail(ut1.Refusal);
    }
    if (const std::string notice = read.Notice("vantrel-table"); !notice.empty()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    if (!ut1.Notice.empty()) {
        std::fprintf(stderr, "%s\n", ut1.Notice.c_str());
    }

    SystemLocalClock systemClock;
    UtcClock clock(systemClock);
    const DateTime start = o.Start ? *o.Start : std::floor(clock.UtcNow());

    SystemDaylightRules zoneRules;
    FixedDaylight forced(o.Daylight.value_or(false));
    OrbexSunMoon library;
    SweepInputs in;
    in.StartDate = start;
    in.EndDate = o.End ? *o.End : start;
    in.Library = &library;
    in.Daylight = o.Daylight ? static_cast<const DaylightRules*>(&forced) : &zoneRules;
    in.DecimalSeparator = '.';
    in.Conditions = &o.Observing.Conditions;

    GridCells grid;
    LayoutHeader(grid, station);
    PreciseRows precise;
    switch (RunPlanningSweep(grid, station, in, o.Precise ? &precise : nullptr)) {
    case SweepResult::Done:
        break;
    case SweepResult::IntervalTooSmall:
        return Fail(std::string("vantrel-table: ") + std::string(kIntervalTooSmall) +
                    " (the data file holds none; give --interval)");
    case SweepResult::TooManyRows:
        return Fail(std::string("vantrel-table: ") + std::string(kTooManyRows));
    case SweepResult::BadDates:
        return Fail("vantrel-table: the dates are not valid");
    }

    const std::string table = RenderTable(grid, o.Format, o.Precise ? &precise.Rows() : nullptr);
    if (std::fwrite(table.data(), 1, table.size(), stdout) != table.size() ||
        std::fflush(stdout) != 0) {
        std::perror("vantrel-table: writing the table");
        return kOutputFailed;
    }
    return 0;
}
