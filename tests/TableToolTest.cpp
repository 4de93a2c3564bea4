#include "tools/TableOptions.h"
#include "tools/TableOutput.h"

#include "planner/GridLayout.h"

#include <gtest/gtest.h>

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
