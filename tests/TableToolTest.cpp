#include "planner/TableText.h"
#include "tools/SourceArgument.h"
#include "tools/TableOptions.h"
#include "tools/TerminalText.h"
#include "tools/ToolStation.h"

#include "planner/GridLayout.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <vector>

namespace vantrel {
namespace {

ParsedTable Parse(std::vector<std::string_view> args, HomeStation& station) {
    return ParseTableArguments(args, station);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(TableTool, DatesMustExist) {
    EXPECT_EQ(ParseIsoDate("2015-01-01"), EncodeDate(2015, 1, 1));
    EXPECT_EQ(ParseIsoDate("2024-02-29"), EncodeDate(2024, 2, 29));
    EXPECT_EQ(ParseIsoDate("2000-02-29"), EncodeDate(2000, 2, 29));
    EXPECT_FALSE(ParseIsoDate("2023-02-29"));
    EXPECT_FALSE(ParseIsoDate("1900-02-29"));
    EXPECT_FALSE(ParseIsoDate("2015-04-31"));
    EXPECT_FALSE(ParseIsoDate("2015-13-01"));
    EXPECT_FALSE(ParseIsoDate("2015-00-10"));
    EXPECT_FALSE(ParseIsoDate("0000-01-01"));
    EXPECT_FALSE(ParseIsoDate("2015-1-1"));
    EXPECT_FALSE(ParseIsoDate("2015/01/01"));
    EXPECT_FALSE(ParseIsoDate("+015-01-01"));
}

TEST(TableTool, OverridesApplyInOrder) {
    HomeStation station;
    station.CalcInterval = 10;
    const ParsedTable p =
        Parse({"--lat", "-33.9", "--lon=151.2", "--height", "12.5", "--utc-offset", "5.75",
               "--interval", "60", "--mode", "polar", "--pick", "galaxy:6", "--user-name",
               "A name longer than fifteen", "--no-dst", "--format", "text", "--precise"},
              station);
    ASSERT_EQ(p.Error, "");
    EXPECT_EQ(station.Latitude, -33.9L);
    EXPECT_EQ(station.Longitude, 151.2L);
    EXPECT_EQ(station.HeightAsl, 12.5L);
    EXPECT_EQ(station.UtcOffset, 5.75L);
    EXPECT_EQ(station.CalcInterval, 60);
    EXPECT_EQ(station.DisplayMode, 1);
    EXPECT_EQ(station.SourceOption, 2);
    EXPECT_EQ(station.UserSourceRa, 19.9912111L); // 3C405 Cygnus A
    EXPECT_EQ(station.UserSourceName, "A name longer t");
    EXPECT_EQ(p.Options.Daylight, false);
    EXPECT_EQ(p.Options.Format, TableFormat::Text);
    EXPECT_TRUE(p.Options.Precise);

    HomeStation other;
    ASSERT_EQ(Parse({"--pick", "nebula:0", "--source", "cas", "--dst"}, other).Error, "");
    EXPECT_EQ(other.UserSourceName, "W3 IC1795");
    EXPECT_EQ(other.SourceOption, 0);
}

TEST(TableTool, BadArgumentsGiveOneClearLine) {
    const std::vector<std::vector<std::string_view>> bad = {
        {"--frobnicate"},
        {"--lat", "north"},
        {"--lat", "91"},
        {"--lat"},
        {"--lon", "1e999"},
        {"--height", "nan"},
        {"--interval", "0"},
        {"--interval", "1.5"},
        {"--start", "2015-02-30"},
        {"--mode", "radar"},
        {"--pick", "snr:7"},
        {"--pick", "snr"},
        {"--pick", "stars:1"},
        {"--user-ra", "24.5"},
        {"--dst=yes"},
        {"--format", "xml"},
        {"--lat", " 5"},
        {"--source", "moon"},
    };
    for (const auto& args : bad) {
        HomeStation station;
        const ParsedTable p = ParseTableArguments(args, station);
        EXPECT_TRUE(p.Error.starts_with("vantrel-table: ")) << args[0];
        EXPECT_EQ(p.Error.find('\n'), std::string::npos) << p.Error;
    }
    HomeStation station;
    EXPECT_NE(Parse({"--interval", "0"}, station).Error.find("at least 1 minute"),
              std::string::npos);
    // The unknown flag is named, not the one after it.
    EXPECT_NE(Parse({"--frobnicate", "--lat", "1"}, station).Error.find("'--frobnicate'"),
              std::string::npos);
}

TEST(TableTool, OverridesKeepToTheStationRanges) {
    struct Case {
        const char* name;
        std::vector<std::string_view> args;
        bool accepted;
    };
    const Case cases[] = {
        {"offset at the widest", {"--utc-offset", "-23.5"}, true},
        {"offset of a whole day", {"--utc-offset", "24"}, false},
        {"height of a deep sea", {"--height", "-11000"}, true},
        {"height below it", {"--height", "-11000.5"}, false},
        {"height of the top", {"--height", "100000"}, true},
        {"height in space", {"--height", "1e30"}, false},
        {"right ascension 24", {"--user-ra", "24"}, true},
    };
    for (const Case& c : cases) {
        HomeStation station;
        const ParsedTable p = ParseTableArguments(c.args, station);
        EXPECT_EQ(p.Error.empty(), c.accepted) << c.name << ": " << p.Error;
    }
}

TEST(TableTool, ArgumentsAreEchoedEscapedOnOneLine) {
    struct Case {
        std::vector<std::string_view> args;
        const char* echoed;
    };
    const Case cases[] = {
        {{"--lat", "4\n2"}, "'4\\n2'"},
        {{"--interval", "60\n"}, "'60\\n'"},
        {{"--frob\x1b[2J"}, "'--frob\\x1b[2J'"},
        {{"--mode", "a\rb\tc"}, "'a\\rb\\tc'"},
        {{"--data=x", "--format", "\xff\xfe"}, "'\\xff\\xfe'"},
        {{"--start", "2015-01-0\x7f"}, "'2015-01-0\\x7f'"},
        {{"--pick", "snr:\xc2\x9b"
                    "1"},
         "'snr:\\u009b1'"},
        {{"--source", "Caf\xc3\xa9"}, "'Caf\xc3\xa9'"},
    };
    for (const Case& c : cases) {
        HomeStation station;
        const ParsedTable p = ParseTableArguments(c.args, station);
        EXPECT_NE(p.Error.find(c.echoed), std::string::npos) << p.Error;
        EXPECT_EQ(p.Error.find_first_of("\r\n\x1b\x7f"), std::string::npos) << p.Error;
    }
}

TEST(TerminalSafe, EscapesControlsAndBrokenUtf8) {
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"plain text", "Cygnus-A 52.1", "Cygnus-A 52.1"},
        {"named controls", "a\nb\rc\td\ae\bf\fg\vh", "a\\nb\\rc\\td\\ae\\bf\\fg\\vh"},
        {"escape and DEL", "\x1b[31m\x7f", "\\x1b[31m\\x7f"},
        {"NUL inside", std::string("a\0b", 3), "a\\x00b"},
        {"backslash doubled", "C:\\dir", "C:\\\\dir"},
        {"two-byte UTF-8 kept", "Z\xc3\xbcrich", "Z\xc3\xbcrich"},
        {"three-byte UTF-8 kept", "\xe2\x80\xb2", "\xe2\x80\xb2"},
        {"four-byte UTF-8 kept", "\xf0\x9f\x93\xa1", "\xf0\x9f\x93\xa1"},
        {"C1 control CSI",
         "\xc2\x9b"
         "2J",
         "\\u009b2J"},
        {"no-break space is text", "\xc2\xa0", "\xc2\xa0"},
        {"Latin-1 byte", "Caf\xe9", "Caf\\xe9"},
        {"stray continuation", "\x80", "\\x80"},
        {"overlong slash", "\xc0\xaf", "\\xc0\\xaf"},
        {"overlong three bytes", "\xe0\x80\xaf", "\\xe0\\x80\\xaf"},
        {"surrogate", "\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
        {"sequence cut at the end", "ab\xe2\x80", "ab\\xe2\\x80"},
        {"sequence cut by a control", "\xe2\n", "\\xe2\\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TerminalSafe(c.in), c.out) << c.name;
    }
}

TEST(TerminalText, NamesAreCutBetweenCharacters) {
    struct Case {
        const char* name;
        std::string in;
        std::size_t characters;
        std::string prefix;
        bool plain;
    };
    const Case cases[] = {
        {"ASCII", "Cassiopeia A and more", 15, "Cassiopeia A an", true},
        {"two bytes at the cut", "\xc3\x84sthetikXXXXXXX\xc3\x84", 15, "\xc3\x84sthetikXXXXXXX",
         true},
        {"four bytes at the cut", "12345678901234\xf0\x9f\x98\x80\xe5\x90\x8d", 15,
         "12345678901234\xf0\x9f\x98\x80", true},
        {"shorter stays whole", "\xe5\x90\x8d\xe5\x89\x8d", 15, "\xe5\x90\x8d\xe5\x89\x8d", true},
        {"line break", "a\nb", 15, "a\nb", false},
        {"escape", "\x1b[2J", 15, "\x1b[2J", false},
        {"C1 control", "\xc2\x9b", 15, "\xc2\x9b", false},
        {"Latin-1 byte", "Caf\xe9", 15, "Caf\xe9", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8Prefix(c.in, c.characters), c.prefix) << c.name;
        EXPECT_EQ(IsPlainUtf8(c.in), c.plain) << c.name;
    }
    // The record's 8-bit texts come out as UTF-8, controls escaped.
    EXPECT_EQ(StationTextForOutput("Z\xfcrich\x1b"), "Z\xc3\xbcrich\\x1b");
}

// Every tool reads a source's name the same way: short names and titles in
// any case, each tool refusing the sources it cannot use.
TEST(SourceNames, EveryToolReadsTheSame) {
    struct Case {
        const char* name;
        std::optional<SkySource> expected;
    };
    const Case cases[] = {
        {"cas", SkySource::CassiopeiaA},
        {"CAS", SkySource::CassiopeiaA},
        {"Cassiopeia-A", SkySource::CassiopeiaA},
        {"cassiopeia a", SkySource::CassiopeiaA},
        {"Sagittarius_A", SkySource::SagittariusA},
        {"moon", SkySource::Moon},
        {"Moon", SkySource::Moon},
        {"SUN", SkySource::Sun},
        {"aquarius", SkySource::Aquarius},
        {"user", SkySource::UserDefined},
        {"", std::nullopt},
        {"vega", std::nullopt},
        {"cassiopeia", std::nullopt},
        {"moon ", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadSourceArgument(c.name).Source, c.expected) << c.name;
    }
    const SkySource optionColumn[] = {SkySource::CassiopeiaA, SkySource::CentaurusA,
                                      SkySource::UserDefined};
    const SourceArgument moon = ReadSourceArgument("Moon", optionColumn, "is not in the column");
    EXPECT_FALSE(moon.Source);
    EXPECT_EQ(moon.Error, "--source: Moon is not in the column: give one of cas, cen, user");
}

// A tool that commands hardware starts only with a station someone gave.
TEST(StationGuard, NoRotatorMovesForAStationNobodyGave) {
    HomeStation zero;
    HomeStation saved;
    saved.Latitude = 52;
    saved.Longitude = 5;
    HomeStation damaged = saved;
    damaged.Latitude = 1e30L;
    ToolStation none;
    none.File.LookedFor = {"./Vantrel.dat"};
    ToolStation read;
    read.File.Path = "./Vantrel.dat";
    read.Read = true;
    struct Case {
        const char* name;
        const ToolStation& from;
        PositionGiven given;
        const HomeStation& station;
        const char* problem; ///< a part of the refusal; nullptr when it may start
    };
    const Case cases[] = {
        {"no file, no position", none, {}, zero, "no station to point from"},
        {"no file, latitude alone", none, {true, false}, zero, "give --lat and --lon"},
        {"no file, both given", none, {true, true}, saved, nullptr},
        {"empty record", read, {}, zero, "latitude 0, longitude 0"},
        {"empty record, longitude alone", read, {false, true}, zero, "latitude 0, longitude 0"},
        {"saved station", read, {}, saved, nullptr},
        {"damaged station", read, {}, damaged, "out of range"},
        {"damaged though given", none, {true, true}, damaged, "out of range"},
    };
    for (const Case& c : cases) {
        const auto problem = HardwareStationProblem(c.from, c.given, c.station);
        if (c.problem == nullptr) {
            EXPECT_FALSE(problem) << c.name << ": " << problem.value_or("");
        } else {
            ASSERT_TRUE(problem) << c.name;
            EXPECT_NE(problem->find(c.problem), std::string::npos) << c.name << ": " << *problem;
        }
    }
}

TEST(TableTool, CsvFieldsAreQuotedOnlyWhenTheyMustBe) {
    EXPECT_EQ(CsvField("Cygnus-A"), "Cygnus-A");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\r\nlines"), "\"two\r\nlines\"");
    EXPECT_EQ(CsvField(""), "");
}

TEST(TableTool, RendersEveryRowWithMergedCellsOnce) {
    HomeStation station;
    station.SourceOption = 2;
    station.UserSourceName = "My, \"source\"";
    GridCells grid;
    LayoutHeader(grid, station);
    grid.SetRowCount(4);
    grid.MergeCells(0, 2, 2, "");
    grid.SetCellText(0, 2, "Thursday 1/1/2015");
    grid.SetCellText(0, 3, "0000");
    grid.SetCellText(2, 3, " 12.30");
    grid.SetAlignment(2, 3, kAlignCentre);
    grid.SetCellText(19, 3, "45.50");

    std::vector<PreciseRow> precise(1);
    precise[0].GridRow = 3;
    precise[0].Degrees[0] = 12.3;
    const auto csv = Lines(RenderTable(grid, TableFormat::Csv, &precise));
    ASSERT_EQ(csv.size(), 5U);
    EXPECT_EQ(csv[0], "Time,,Aquarius,,Leo,,\"My, \"\"source\"\"\",,Cygnus-A,,Taurus-A,,"
                      "Virgo-A,,Sagittarius-A,,Moon,,Sun,");
    EXPECT_EQ(csv[1], "UTC,Local,Azimuth,Elevation,Azimuth,Elevation,Azimuth,Elevation,"
                      "Azimuth,Elevation,Azimuth,Elevation,Azimuth,Elevation,Azimuth,Elevation,"
                      "Azimuth,Elevation,Azimuth,Elevation");
    EXPECT_EQ(csv[2], "Thursday 1/1/2015" + std::string(19, ','));
    EXPECT_EQ(csv[3], "0000,,12.30" + std::string(16, ',') + ",45.50");
    EXPECT_TRUE(csv[4].starts_with("#,12.300000,0.000000,"));
    EXPECT_EQ(std::count(csv[4].begin(), csv[4].end(), ','), 18);

    const auto text = Lines(RenderTable(grid, TableFormat::Text, nullptr));
    ASSERT_EQ(text.size(), 4U);
    // Header titles centred over their pair, 19 characters.
    EXPECT_EQ(text[0].substr(0, 19), "       Time        ");
    EXPECT_EQ(text[1].substr(0, 20), "   UTC      Local   ");
    EXPECT_EQ(text[3].substr(20, 9), "  12.30  ");
    EXPECT_EQ(text[3].substr(0, 9), "0000     "); // not centred: on the left
    EXPECT_EQ(text[3].size(), 19U * 10 + 5);      // trailing blanks cut
}

} // namespace
} // namespace vantrel
