// The command line of vantrel-track: what each argument sets, and one line
// for every argument it refuses.

#include "tools/TrackOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

ParsedTrack Parse(std::vector<std::string_view> args, HomeStation& station) {
    return ParseTrackArguments(args, station);
}

ParsedTrack Parse(std::vector<std::string_view> args) {
    HomeStation station;
    return Parse(std::move(args), station);
}

TEST(TrackOptions, DefaultsAreARotctldOnThisMachineOnceASecond) {
    const ParsedTrack p = Parse({"--source", "cas"});
    ASSERT_EQ(p.Error, "");
    const TrackCommandLine& o = p.Options;
    EXPECT_EQ(o.Tracking.Source, SkySource::CassiopeiaA);
    EXPECT_EQ(o.Rotator.Model, 2);
    EXPECT_EQ(o.Rotator.Device, "localhost:4533");
    EXPECT_EQ(o.Rotator.SerialSpeed, 0);
    EXPECT_EQ(o.Tracking.PeriodS, 1.0);
    EXPECT_EQ(o.Tracking.ThresholdDeg, 0.5);
    EXPECT_EQ(o.Tracking.MinElevationDeg, 0.0);
    EXPECT_EQ(o.Tracking.MaxElevationDeg, 90.0);
    EXPECT_EQ(o.Tracking.Range, AzimuthRange::From0To360);
    EXPECT_EQ(o.Tracking.Below, WhenBelow::Hold);
    EXPECT_EQ(o.Files.StationFile, "");
    EXPECT_FALSE(o.Observing.Conditions.Apparent);
    EXPECT_FALSE(o.Observing.Conditions.Refraction);
}

TEST(TrackOptions, EveryOptionIsTakenInBothSpellings) {
    for (const bool inlineForm : {false, true}) {
        std::vector<std::string> words;
        const auto add = [&](std::string flag, std::string value) {
            if (inlineForm) {
                words.push_back(flag + "=" + value);
            } else {
                words.push_back(flag);
                words.push_back(value);
            }
        };
        add("--source", "moon");
        add("--data", "other/Station.dat");
        add("--rotator", "601");
        add("--device", "/dev/ttyUSB0");
        add("--speed", "9600");
        add("--period", "0.2");
        add("--threshold", "1.5");
        add("--az-range", "-180:180");
        add("--min-elevation", "5");
        add("--max-elevation", "85");
        add("--offset", "-3.5,1");
        add("--refraction", "1000,15,60");
        add("--frequency", "10368");
        words.push_back("--apparent");
        words.push_back("--park-when-set");
        const std::vector<std::string_view> args(words.begin(), words.end());
        HomeStation station;
        const ParsedTrack p = ParseTrackArguments(args, station);
        ASSERT_EQ(p.Error, "") << inlineForm;
        const TrackCommandLine& o = p.Options;
        EXPECT_EQ(o.Tracking.Source, SkySource::Moon);
        EXPECT_EQ(o.Files.StationFile, "other/Station.dat");
        EXPECT_EQ(o.Rotator.Model, 601);
        EXPECT_EQ(o.Rotator.Device, "/dev/ttyUSB0");
        EXPECT_EQ(o.Rotator.SerialSpeed, 9600);
        EXPECT_DOUBLE_EQ(o.Tracking.PeriodS, 0.2);
        EXPECT_DOUBLE_EQ(o.Tracking.ThresholdDeg, 1.5);
        EXPECT_EQ(o.Tracking.Range, AzimuthRange::FromMinus180To180);
        EXPECT_DOUBLE_EQ(o.Tracking.MinElevationDeg, 5);
        EXPECT_DOUBLE_EQ(o.Tracking.MaxElevationDeg, 85);
        EXPECT_DOUBLE_EQ(o.Tracking.AzimuthOffsetDeg, -3.5);
        EXPECT_DOUBLE_EQ(o.Tracking.ElevationOffsetDeg, 1);
        EXPECT_EQ(o.Tracking.Below, WhenBelow::Park);
        EXPECT_TRUE(o.Observing.Conditions.Apparent);
        EXPECT_TRUE(o.Observing.Conditions.Refraction);
        EXPECT_DOUBLE_EQ(o.Observing.Conditions.FrequencyMHz, 10368);
    }
}

TEST(TrackOptions, EverySourceByItsShortName) {
    for (const SkySource s : kAllSkySources) {
        const std::string key(SkySourceKey(s));
        const ParsedTrack p = Parse({"--source", key});
        ASSERT_EQ(p.Error, "") << key;
        EXPECT_EQ(p.Options.Tracking.Source, s) << key;
    }
}

TEST(TrackOptions, AzimuthRanges) {
    EXPECT_EQ(Parse({"--source=sun", "--az-range=0:450"}).Options.Tracking.Range,
              AzimuthRange::From0To450);
    EXPECT_EQ(Parse({"--source=sun", "--az-range", "0:360"}).Options.Tracking.Range,
              AzimuthRange::From0To360);
}

TEST(TrackOptions, PickTracksTheCatalogueEntryAsTheUserSource) {
    HomeStation station;
    const ParsedTrack p = Parse({"--pick", "galaxy:0"}, station);
    ASSERT_EQ(p.Error, "");
    EXPECT_EQ(p.Options.Tracking.Source, SkySource::UserDefined);
    EXPECT_EQ(station.SourceOption, 2);
    EXPECT_FALSE(station.UserSourceName.empty());

    HomeStation other;
    ASSERT_EQ(Parse({"--source", "user", "--pick", "snr:0"}, other).Error, "");
    EXPECT_EQ(other.SourceOption, 2);
}

TEST(TrackOptions, HelpNeedsNoSource) {
    const ParsedTrack p = Parse({"--help"});
    EXPECT_EQ(p.Error, "");
    EXPECT_TRUE(p.Options.Help);
    EXPECT_NE(TrackUsage().find("--source NAME"), std::string_view::npos);
}

struct RefusedCase {
    const char* Name;
    std::vector<std::string_view> Args;
    const char* Mentions; ///< a part of the message that names the trouble
};

class RefusedArguments : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedArguments, GiveOneLineNamingTheTrouble) {
    const RefusedCase& c = GetParam();
    const ParsedTrack p = Parse(c.Args);
    ASSERT_FALSE(p.Error.empty()) << c.Name;
    EXPECT_TRUE(p.Error.starts_with("vantrel-track: ")) << p.Error;
    EXPECT_EQ(p.Error.find('\n'), std::string::npos) << p.Error;
    EXPECT_EQ(p.Error.find('\x1b'), std::string::npos) << p.Error;
    EXPECT_NE(p.Error.find(c.Mentions), std::string::npos)
        << c.Name << ": expected a mention of '" << c.Mentions << "' in: " << p.Error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedArguments,
    testing::Values(
        RefusedCase{"no_source", {}, "--source NAME is needed"},
        RefusedCase{
            "unknown_source", {"--source", "vega"}, "'vega' names no source: give one of aquarius"},
        RefusedCase{"source_without_value", {"--source"}, "--source needs a value"},
        RefusedCase{"unknown_option", {"--source", "cas", "--speed-up"}, "unknown option"},
        RefusedCase{"stray_word", {"--source", "cas", "now"}, "unknown option 'now'"},
        RefusedCase{"period_nan", {"--source", "cas", "--period", "nan"}, "--period: 'nan'"},
        RefusedCase{"period_too_short", {"--source", "cas", "--period", "0.1"}, "0.2 to 60"},
        RefusedCase{"period_too_long", {"--source", "cas", "--period=61"}, "0.2 to 60"},
        RefusedCase{"period_with_unit", {"--source", "cas", "--period", "1s"}, "'1s'"},
        RefusedCase{"period_empty", {"--source", "cas", "--period="}, "--period: ''"},
        RefusedCase{"threshold_negative", {"--source", "cas", "--threshold", "-1"}, "0 to 10"},
        RefusedCase{"threshold_infinite", {"--source", "cas", "--threshold", "inf"}, "'inf'"},
        RefusedCase{"min_elevation_too_high",
                    {"--source", "cas", "--min-elevation", "91"},
                    "--min-elevation"},
        RefusedCase{"max_elevation_text",
                    {"--source", "cas", "--max-elevation", "high"},
                    "--max-elevation"},
        RefusedCase{"min_above_max",
                    {"--source", "cas", "--min-elevation", "50", "--max-elevation", "40"},
                    "minimum elevation must not be above"},
        RefusedCase{"az_range_other", {"--source", "cas", "--az-range", "0:540"}, "'0:540'"},
        RefusedCase{"offset_one_number", {"--source", "cas", "--offset", "5"}, "AZ,EL"},
        RefusedCase{"offset_three_numbers", {"--source", "cas", "--offset", "5,1,2"}, "AZ,EL"},
        RefusedCase{"offset_elevation_too_large", {"--source", "cas", "--offset", "0,95"}, "AZ,EL"},
        RefusedCase{"offset_nan", {"--source", "cas", "--offset", "nan,0"}, "AZ,EL"},
        RefusedCase{"rotator_zero", {"--source", "cas", "--rotator", "0"}, "model number"},
        RefusedCase{"rotator_text", {"--source", "cas", "--rotator", "dummy"}, "model number"},
        RefusedCase{"rotator_huge",
                    {"--source", "cas", "--rotator", "99999999999999999999"},
                    "model number"},
        RefusedCase{"device_empty", {"--source", "cas", "--device="}, "--device needs"},
        RefusedCase{"speed_zero", {"--source", "cas", "--speed", "0"}, "serial speed"},
        RefusedCase{"speed_fraction", {"--source", "cas", "--speed", "9600.5"}, "serial speed"},
        RefusedCase{"data_empty", {"--source", "cas", "--data="}, "--data needs a file"},
        RefusedCase{
            "park_with_value", {"--source", "cas", "--park-when-set=yes"}, "takes no value"},
        RefusedCase{"pick_bad_list", {"--pick", "stars:1"}, "--pick: 'stars:1'"},
        RefusedCase{"pick_beyond_list", {"--pick", "snr:9999"}, "--pick"},
        RefusedCase{
            "pick_with_other_source", {"--source", "cas", "--pick", "snr:0"}, "--source user"},
        RefusedCase{"refraction_of_two_numbers",
                    {"--source", "cas", "--refraction", "1000,10"},
                    "--refraction"},
        RefusedCase{"frequency_zero", {"--source", "cas", "--frequency", "0"}, "--frequency"},
        RefusedCase{"control_characters_escaped", {"--source", "c\x1b[2Jas"}, "\\x1b[2J"},
        RefusedCase{"line_break_escaped", {"--source", "cas\nrm"}, "cas\\nrm"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace vantrel
