// Fuzz target: the command line of vantrel-table, and the --data argument
// every tool reads its station with.
//
// Input: the arguments, separated by zero bytes. Properties:
//  - a refused command line gives one message line that a terminal shows
//    as it is (whatever the arguments hold), prefixed "vantrel-table: ";
//  - an accepted one leaves a station every value of which the program can
//    use, an interval of at least one minute and observing conditions in
//    their ranges; the dates are real whole days;
//  - reading the station named by --data never fails, whatever file it
//    names (a missing one is said, not fatal).

#include "fuzz/FuzzCheck.h"
#include "fuzz/TextChecks.h"
#include "station/StationCheck.h"
#include "tools/TableOptions.h"
#include "tools/TerminalText.h"
#include "tools/ToolStation.h"

#include <cmath>

namespace {

using namespace vantrel;

class QuietMessages : public UserMessages {
public:
    void Warning(std::string_view, std::string_view) override {}
    void Information(std::string_view, std::string_view) override {}
    void Error(std::string_view) override {}
};

/// A sound station, as a data file gives it, for the overrides to change.
HomeStation SoundStation() {
    HomeStation s;
    s.Latitude = 52.5L;
    s.Longitude = 13.4L;
    s.HeightAsl = 40;
    s.UtcOffset = 1;
    s.UserSourceRa = 5.5L;
    s.UserSourceDec = -20;
    s.CalcInterval = 30;
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> args = fuzz::SplitArguments(data, size);
    HomeStation station = SoundStation();
    const ParsedTable parsed = ParseTableArguments(args, station);
    if (!parsed.Error.empty()) {
        FUZZ_CHECK(parsed.Error.starts_with("vantrel-table: "));
        FUZZ_CHECK(fuzz::SafeLine(parsed.Error));
        return 0;
    }
    const TableOptions& o = parsed.Options;
    FUZZ_CHECK(CheckStation(station).empty());
    FUZZ_CHECK(station.CalcInterval >= 1);
    FUZZ_CHECK(station.DisplayMode <= 1);
    // A name for a table row: plain UTF-8, cut between characters.
    FUZZ_CHECK(IsPlainUtf8(station.UserSourceName));
    FUZZ_CHECK(Utf8Prefix(station.UserSourceName, kUserSourceNameCapacity) ==
               station.UserSourceName);
    FUZZ_CHECK(ValidateConditions(o.Observing.Conditions).empty());
    for (const auto& day : {o.Start, o.End}) {
        if (day) {
            FUZZ_CHECK(std::isfinite(*day) && *day == std::floor(*day));
        }
    }
    const std::string& named = o.Files.StationFile;
    if (!named.empty() && named.size() < 64 && named.find("/dev/") == std::string::npos &&
        named.find("/proc/") == std::string::npos) {
        // The file named is read as the tool reads it; the outcome is the
        // station or a message, never a failure of the reader.
        QuietMessages messages;
        HomeStation read = SoundStation();
        ReadToolStation(ToolFiles(o.Files, DataHomeLocation{}), messages, read);
    }
    return 0;
}
