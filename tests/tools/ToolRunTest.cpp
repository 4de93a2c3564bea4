// The command-line tools as a user runs them, from a folder of their own
// with a HOME of their own: where they find the station, what they refuse
// (status 2, one line on standard error, nothing on standard output), and
// what they print. One table of named cases.

#include "tests/RecordingMessages.h"

#include "station/DataFile.h"
#include "tools/TerminalText.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace vantrel {
namespace {

namespace fs = std::filesystem;

/// What one run gave.
struct Outcome {
    int Status = -1;
    std::string Out;
    std::string Err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

/// A folder of the test's own with a home, a data home and a folder to run
/// the tools in; removed at the end.
class ToolRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantrel-toolrun-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directories(Home());
        fs::create_directories(Here());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    fs::path Home() const { return root_ / "home"; }
    fs::path DataHome() const { return Home() / ".local/share/vantrel"; }
    fs::path Here() const { return root_ / "elsewhere"; }

    /// Saves a station as the planner's Save Home Data does.
    static void SaveStation(const fs::path& folder, long double latitude, long double longitude,
                            const std::string& userName = {}) {
        fs::create_directories(folder);
        HomeStation station;
        station.Latitude = latitude;
        station.Longitude = longitude;
        station.HeightAsl = 10;
        station.CalcInterval = 60;
        station.CallSign = "PA0TST";
        // The name stands for every text of the record: the location and
        // the user source, shown in the option column.
        station.UserSourceName = userName;
        station.Location = userName;
        station.SourceOption = userName.empty() ? 0 : 2;
        RecordingMessages messages;
        DataFile file(messages, folder.string() + "/");
        ASSERT_TRUE(file.Write(station));
    }

    /// Runs `tool` with `args` in Here(), HOME set to Home() and
    /// XDG_DATA_HOME unset (or `xdg`), standard output to `stdoutPath` when
    /// given.
    Outcome Start(const std::string& tool, const std::vector<std::string>& args,
                  const std::string& xdg = {}, const std::string& stdoutPath = {}) const {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string_view v = *e;
            if (!v.starts_with("HOME=") && !v.starts_with("XDG_DATA_HOME=")) {
                env.emplace_back(v);
            }
        }
        env.push_back("HOME=" + Home().string());
        if (!xdg.empty()) {
            env.push_back("XDG_DATA_HOME=" + xdg);
        }
        std::vector<std::string> argv{tool};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cArgv;
        std::vector<char*> cEnv;
        for (std::string& a : argv) {
            cArgv.push_back(a.data());
        }
        cArgv.push_back(nullptr);
        for (std::string& e : env) {
            cEnv.push_back(e.data());
        }
        cEnv.push_back(nullptr);

        const std::string out = stdoutPath.empty() ? (root_ / "out").string() : stdoutPath;
        const std::string err = (root_ / "err").string();
        const std::string here = Here().string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addchdir_np(&actions, here.c_str());
        pid_t pid = -1;
        Outcome run;
        if (posix_spawn(&pid, tool.c_str(), &actions, nullptr, cArgv.data(), cEnv.data()) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        run.Out = stdoutPath.empty() ? Slurp(out) : std::string();
        run.Err = Slurp(err);
        return run;
    }

    fs::path root_;
};

/// One case: a tool, its arguments, the station files there are, and what
/// must come of it.
struct Case {
    const char* Name;
    const char* Tool;
    std::vector<std::string> Args;
    enum Stations { None, InDataHome, HereAndInDataHome, EmptyRecordInDataHome } Where;
    int Status;
    const char* ErrHas; ///< a part of standard error ("" for any)
    const char* OutHas; ///< a part of standard output ("" for any)
    /// Further checks of the output; nullptr for none.
    std::function<void(const Outcome&)> Check;
};

const std::vector<std::string> kDish{"--frequency", "10368", "--time",       "2026-12-09T19:30",
                                     "--dish",      "3",     "--efficiency", "0.55",
                                     "--tsys",      "60",    "--lat",        "52",
                                     "--lon",       "0",     "--solar-flux", "80"};

std::vector<std::string> Dish(std::vector<std::string> more) {
    std::vector<std::string> all = kDish;
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

/// A dish at 10368 MHz on 2026-12-10 05:00 UTC with NOAA's list of the day
/// as its solar flux; a later flag overrides an earlier one.
std::vector<std::string> SolarFile(std::vector<std::string> more) {
    std::vector<std::string> all{"--frequency",
                                 "10368",
                                 "--time",
                                 "2026-12-10T05:00",
                                 "--dish",
                                 "3",
                                 "--efficiency",
                                 "0.55",
                                 "--tsys",
                                 "60",
                                 "--lat",
                                 "52",
                                 "--lon",
                                 "0",
                                 "--solar-flux-file",
                                 std::string(VANTREL_MEASURE_DATA) + "/solar_radio_flux.txt"};
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

/// The data rows of a CSV table, without its header.
std::vector<std::string> DataRows(const std::string& out) {
    std::vector<std::string> rows;
    std::istringstream in(out);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        rows.push_back(line);
    }
    return rows;
}

/// Field `n` (from 0) of a CSV row of numbers as a number.
double CsvNumber(const std::string& row, int n) {
    std::size_t at = 0;
    for (int k = 0; k < n; ++k) {
        at = row.find(',', at) + 1;
    }
    return std::stod(row.substr(at));
}

/// --help answers on standard output alone, within 80 columns, as the
/// terminal and the manual page show it.
void HelpFits(const Outcome& r) {
    EXPECT_EQ(r.Err, "");
    std::istringstream lines(r.Out);
    for (std::string line; std::getline(lines, line);) {
        const auto columns = std::count_if(line.begin(), line.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U; // a character's first byte
        });
        EXPECT_LE(columns, 80) << line;
    }
}

/// Standard error is one line: a refusal.
void OneLine(const Outcome& r) {
    EXPECT_EQ(Lines(r.Err), 1u) << r.Err;
    EXPECT_TRUE(r.Out.empty()) << r.Out;
}

TEST_F(ToolRun, EachCase) {
    const std::string home = DataHome().string();
    const std::vector<Case> cases{
        // One data home for all: the station the planner saved there is
        // found from any folder, and said; the current folder's comes first.
        {"now_finds_the_data_home_station",
         VANTREL_NOW,
         {},
         Case::InDataHome,
         0,
         "vantrel-now: reading ",
         "latitude 52.3700",
         nullptr},
        {"now_prefers_the_current_folder",
         VANTREL_NOW,
         {},
         Case::HereAndInDataHome,
         0,
         "",
         "latitude 10.0000",
         [](const Outcome& r) { EXPECT_EQ(r.Err, "") << "said a file it did not need to"; }},
        {"now_takes_data_home_option",
         VANTREL_NOW,
         {"--data-home"},
         Case::HereAndInDataHome,
         0,
         "",
         "latitude 52.3700",
         nullptr},
        {"now_names_every_file_looked_for",
         VANTREL_NOW,
         {},
         Case::None,
         0,
         "File not found: neither ./Vantrel.dat nor ",
         "Sun",
         [&](const Outcome& r) {
             EXPECT_NE(r.Err.find(home + "/Vantrel.dat exists"), std::string::npos);
         }},
        {"table_finds_the_data_home_station",
         VANTREL_TABLE,
         {"--start", "2026-01-01", "--interval", "720"},
         Case::InDataHome,
         0,
         "vantrel-table: reading ",
         "",
         nullptr},
        {"noise_finds_the_data_home_station",
         VANTREL_NOISE,
         {"--frequency", "1420", "--gain", "30", "--tsys", "100"},
         Case::InDataHome,
         0,
         "vantrel-noise: reading ",
         "",
         nullptr},

        // No rotator is moved without a station.
        {"track_refuses_without_a_station",
         VANTREL_TRACK,
         {"--source", "tau"},
         Case::None,
         2,
         "no station to point from: neither ./Vantrel.dat nor ",
         "",
         nullptr},
        {"track_refuses_an_empty_record",
         VANTREL_TRACK,
         {"--source", "tau"},
         Case::EmptyRecordInDataHome,
         2,
         "is at latitude 0, longitude 0",
         "",
         nullptr},
        {"track_refuses_half_a_position",
         VANTREL_TRACK,
         {"--source", "tau", "--lat", "52"},
         Case::None,
         2,
         "give --lat and --lon",
         "",
         nullptr},

        // Dates beyond the ephemeris are refused naming the span.
        {"table_2101",
         VANTREL_TABLE,
         {"--start", "2101-01-01"},
         Case::InDataHome,
         2,
         "1900-01-01 to 2100-12-31",
         "",
         nullptr},
        {"table_1800",
         VANTREL_TABLE,
         {"--start", "1800-06-01"},
         Case::InDataHome,
         2,
         "1900-01-01 to 2100-12-31",
         "",
         nullptr},
        {"table_9999_end",
         VANTREL_TABLE,
         {"--start", "2100-12-31", "--end", "9999-12-31"},
         Case::InDataHome,
         2,
         "--end: '9999-12-31' is beyond",
         "",
         nullptr},
        {"noise_2150",
         VANTREL_NOISE,
         {"--time", "2150-01-01T00:00", "--frequency", "1420", "--gain", "30", "--tsys", "100"},
         Case::InDataHome,
         2,
         "1900-01-01 to 2100-12-31",
         "",
         nullptr},
        {"table_last_day_has_sun_and_moon",
         VANTREL_TABLE,
         {"--start", "2100-12-31", "--interval", "360"},
         Case::InDataHome,
         0,
         "",
         "2100",
         [](const Outcome& r) {
             EXPECT_EQ(r.Out.find("nan"), std::string::npos);
             EXPECT_EQ(r.Out.find("NaN"), std::string::npos);
         }},

        // Names are plain UTF-8, cut between characters.
        {"user_name_cut_between_characters",
         VANTREL_TABLE,
         {"--start", "2026-01-01", "--interval", "720", "--source", "user", "--user-name",
          "\xc3\x84sthetikXXXXX\xf0\x9f\x98\x80\xe5\x90\x8d\xe5\x89\x8d"},
         Case::InDataHome,
         0,
         "",
         "\xc3\x84sthetikXXXXX\xf0\x9f\x98\x80\xe5\x90\x8d,",
         [](const Outcome& r) { EXPECT_TRUE(IsPlainUtf8(r.Out.substr(0, r.Out.find('\n')))); }},
        {"user_name_with_a_control",
         VANTREL_TABLE,
         {"--user-name", "Cas\x1b[2J"},
         Case::InDataHome,
         2,
         "'Cas\\x1b[2J' holds control characters",
         "",
         nullptr},

        // Write errors and --help.
        {"now_help", VANTREL_NOW, {"--help"}, Case::None, 0, "", "usage: vantrel-now", HelpFits},
        {"table_help_reads_no_file",
         VANTREL_TABLE,
         {"--help"},
         Case::None,
         0,
         "",
         "usage: vantrel-table",
         HelpFits},
        {"noise_help",
         VANTREL_NOISE,
         {"--help"},
         Case::None,
         0,
         "",
         "usage: vantrel-noise",
         HelpFits},
        {"track_help",
         VANTREL_TRACK,
         {"--help"},
         Case::None,
         0,
         "",
         "usage: vantrel-track",
         HelpFits},
        {"eme_help", VANTREL_EME, {"--help"}, Case::None, 0, "", "usage: vantrel-eme", HelpFits},
#ifdef VANTREL_POWER
        {"power_help",
         VANTREL_POWER,
         {"--help"},
         Case::None,
         0,
         "",
         "usage: vantrel-power",
         HelpFits},
#endif
#ifdef VANTREL_SCAN
        {"scan_help", VANTREL_SCAN, {"--help"}, Case::None, 0, "", "usage: vantrel-scan", HelpFits},
#endif
#ifdef VANTREL_SKY
        {"sky_help", VANTREL_SKY, {"--help"}, Case::None, 0, "", "usage: vantrel-sky", HelpFits},
        {"sky_needs_the_frequency",
         VANTREL_SKY,
         {"--hpbw", "10", "--source", "sun"},
         Case::None,
         2,
         "vantrel-sky: --frequency MHZ is needed",
         "",
         nullptr},
        {"sky_needs_one_direction",
         VANTREL_SKY,
         {"--frequency", "144", "--hpbw", "10", "--source", "sun", "--ra", "1", "--dec", "2"},
         Case::None,
         2,
         "either --ra HOURS --dec DEG or --source KEY",
         "",
         nullptr},
        // The Galactic centre at 408 MHz through a 2° beam: the survey's
        // own value there, as the independent computation gives it.
        {"sky_point_at_the_galactic_centre",
         VANTREL_SKY,
         {"--frequency", "408", "--hpbw", "2", "--ra", "17.76", "--dec", "-29", "--lat", "52",
          "--lon", "0", "--time", "2026-12-10T18:00"},
         Case::None,
         0,
         "",
         "what,ra_h,dec_deg,az_deg,el_deg,frequency_mhz,hpbw_deg,tsky_k",
         [](const Outcome& r) {
             const auto rows = DataRows(r.Out);
             ASSERT_EQ(rows.size(), 1U) << r.Out;
             EXPECT_TRUE(rows[0].starts_with("point,17.76000,-29.0000,")) << rows[0];
             EXPECT_NEAR(CsvNumber(rows[0], 7), 811.44, 1.0) << rows[0];
             EXPECT_TRUE(rows[0].ends_with(",below the horizon")) << rows[0];
         }},
        // Behind Cas A at 144 MHz, and the coldest sky at its elevation: at
        // the same elevation, colder, and two beams from it at least.
        {"sky_cold_reference_for_cas",
         VANTREL_SKY,
         {"--frequency", "144", "--hpbw", "10", "--source", "cas", "--cold-sky", "--lat", "52",
          "--lon", "0", "--time", "2026-12-11T06:00"},
         Case::InDataHome,
         0,
         "",
         "",
         [](const Outcome& r) {
             const auto rows = DataRows(r.Out);
             ASSERT_EQ(rows.size(), 2U) << r.Out;
             ASSERT_TRUE(rows[0].starts_with("source,")) << rows[0];
             ASSERT_TRUE(rows[1].starts_with("reference,")) << rows[1];
             const auto column = CsvNumber;
             EXPECT_NEAR(column(rows[0], 1), 23.39, 0.001); // Cas A at 350.85°
             EXPECT_NEAR(column(rows[1], 4), column(rows[0], 4), 1e-9);
             EXPECT_LT(column(rows[1], 7), column(rows[0], 7));
             const double pi = 3.14159265358979;
             const double d1 = column(rows[0], 2) * pi / 180, d2 = column(rows[1], 2) * pi / 180;
             const double da = (column(rows[1], 1) - column(rows[0], 1)) * 15 * pi / 180;
             const double sep = std::acos(std::sin(d1) * std::sin(d2) +
                                          std::cos(d1) * std::cos(d2) * std::cos(da));
             EXPECT_GE(sep * 180 / pi, 20.0);
         }},
#endif

        // The same source names everywhere; one row for the source asked.
        // The sky behind the Sun at 144 MHz in June and the coldest sky at
        // its elevation: the G/T against it is lower by the difference.
        {"noise_takes_the_cold_sky_out_of_gt",
         VANTREL_NOISE,
         {"--frequency", "144", "--gain", "21", "--tsys", "300", "--solar-flux", "80", "--lat",
          "52", "--lon", "0", "--time", "2026-06-21T08:00", "--measured-y", "6", "--source", "sun",
          "--cold-sky"},
         Case::None,
         0,
         "",
         "source,measured_y_db,flux_jy,beam_correction,g_over_t_db_per_k,tsys_k,note,hpbw_deg,"
         "tsky_k,reference_tsky_k\nSun,6.000,",
         [](const Outcome& r) {
             const auto rows = DataRows(r.Out);
             ASSERT_EQ(rows.size(), 1U) << r.Out;
             const double gt = CsvNumber(rows[0], 4);
             const double tsky = CsvNumber(rows[0], 8);
             const double cold = CsvNumber(rows[0], 9);
             EXPECT_GT(tsky, cold + 200) << rows[0];
             // By hand from the row: Y' = 10^0.6 - (tsky - cold)/300.
             const double k = CsvNumber(rows[0], 3);
             const double lambda = 299792458.0 / 144e6;
             const double y = std::pow(10.0, 0.6) - (tsky - cold) / 300.0;
             const double expected = 10 * std::log10(8 * 3.14159265358979 * 1.380649e-23 * k *
                                                     (y - 1) / (800000e-26 * lambda * lambda));
             EXPECT_NEAR(gt, expected, 0.02) << rows[0];
         }},
        {"noise_reference_needs_tsys_for_gt",
         VANTREL_NOISE,
         {"--frequency", "144", "--gain", "21", "--measured-y", "6", "--source", "cas",
          "--reference", "180,20"},
         Case::None,
         2,
         "need --tsys",
         "",
         nullptr},
        // A reference lower than the source sees more air: at 20° the clear
        // air gives 0.0511/sin 20° = 0.149 dB and 9.1 K against Cas A's 3.2 K
        // at 76.7°, and the expected Y takes the whole difference, by hand
        // 10 log10(1 + (ΔT + (T_sky + T_atm) − (T_sky,ref + T_atm,ref))/Tsys).
        {"noise_reference_elsewhere_sees_other_air", VANTREL_NOISE, Dish({"--reference", "180,20"}),
         Case::None, 0, "", "",
         [](const Outcome& r) {
             for (const std::string& row : DataRows(r.Out)) {
                 if (!row.starts_with("Cassiopeia-A,")) {
                     continue;
                 }
                 const double dt = CsvNumber(row, 4), y = CsvNumber(row, 5);
                 const double tsky = CsvNumber(row, 9), ref = CsvNumber(row, 10);
                 const double air = CsvNumber(row, 12), refAir = CsvNumber(row, 13);
                 EXPECT_NEAR(CsvNumber(row, 11), 0.0525, 0.0005) << row;
                 EXPECT_NEAR(refAir, 9.06, 0.1) << row;
                 EXPECT_NEAR(air, 3.21, 0.01) << row;
                 const double byHand =
                     10 * std::log10(1 + (dt + (tsky + air) - (ref + refAir)) / 60.0);
                 EXPECT_NEAR(y, byHand, 0.003) << row;
                 EXPECT_LT(y, 0.0) << row; // the colder-looking source: the air outweighs it
                 return;
             }
             FAIL() << "no Cas A row: " << r.Out;
         }},
        {"noise_reference_is_az_el", VANTREL_NOISE, Dish({"--reference", "180"}), Case::None, 2,
         "is not AZ,EL", "", nullptr},
        {"noise_moon_gives_its_row_alone", VANTREL_NOISE,
         Dish({"--measured-y", "0.5", "--source", "moon"}), Case::None, 0, "", "",
         [](const Outcome& r) {
             const auto rows = DataRows(r.Out);
             ASSERT_EQ(rows.size(), 1u) << r.Out;
             EXPECT_TRUE(rows[0].starts_with("Moon,")) << rows[0];
         }},
        {"noise_sun_gives_its_row_alone", VANTREL_NOISE,
         Dish({"--measured-y", "3", "--source", "SUN"}), Case::None, 0, "", "",
         [](const Outcome& r) {
             const auto rows = DataRows(r.Out);
             ASSERT_EQ(rows.size(), 1u) << r.Out;
             EXPECT_TRUE(rows[0].starts_with("Sun,")) << rows[0];
         }},
        {"noise_takes_the_short_name", VANTREL_NOISE,
         Dish({"--measured-y", "0.03", "--source", "cas"}), Case::None, 0, "",
         "\nCassiopeia-A,0.030,", nullptr},
        {"noise_refuses_a_source_without_model", VANTREL_NOISE,
         Dish({"--measured-y", "0.03", "--source", "Aquarius"}), Case::None, 2,
         "Aquarius has no flux model: give one of sun, moon, cas, cyg, tau, vir", "", nullptr},
        {"table_takes_a_title",
         VANTREL_TABLE,
         {"--start", "2026-01-01", "--interval", "720", "--source", "centaurus-a"},
         Case::InDataHome,
         0,
         "",
         "Centaurus-A",
         nullptr},

        // Values a station can have.
        {"noise_huge_dish", VANTREL_NOISE, Dish({"--dish", "1e300"}), Case::None, 2, "0.1 to 110 m",
         "", nullptr},
        {"noise_huge_y", VANTREL_NOISE, Dish({"--measured-y", "1000", "--source", "cas"}),
         Case::None, 2, "above 0 up to 40 dB", "", nullptr},
        {"noise_marks_sources_below_the_horizon", VANTREL_NOISE, Dish({}), Case::None, 0, "", "",
         [](const Outcome& r) {
             for (const std::string& row : DataRows(r.Out)) {
                 // December evening at 52 N: the Sun is down, Cas A never sets.
                 if (row.starts_with("Sun,")) {
                     EXPECT_NE(row.find("below the horizon"), std::string::npos) << row;
                 }
                 if (row.starts_with("Cassiopeia-A,")) {
                     EXPECT_EQ(row.find("below the horizon"), std::string::npos) << row;
                 }
             }
         }},

        // The day's solar flux from NOAA's list: Learmonth at 05:00, the
        // power law of 8800 and 15400 MHz at 10368 MHz, Palehua's 8800 MHz
        // flagged; the same note on the measured G/T row.
        {"noise_solar_flux_file_names_station_and_frequencies", VANTREL_NOISE, SolarFile({}),
         Case::None, 0, "", "",
         [](const Outcome& r) {
             const auto rows = DataRows(r.Out);
             ASSERT_FALSE(rows.empty()) << r.Out;
             ASSERT_TRUE(rows[0].starts_with("Sun,")) << rows[0];
             const double sfu = 262 * std::pow(10368.0 / 8800.0, std::log(525.0 / 262.0) /
                                                                     std::log(15400.0 / 8800.0));
             EXPECT_NEAR(CsvNumber(rows[0], 1), sfu * 1e4, 0.1) << rows[0];
             EXPECT_NE(rows[0].find("solar flux Learmonth 2026-12-10 05:00 UTC from 8800 and "
                                    "15400 MHz"),
                       std::string::npos)
                 << rows[0];
             EXPECT_NE(rows[0].find("stations disagree by 40 %"), std::string::npos) << rows[0];
         }},
        // The text table keeps a note longer than a cell buffer whole.
        {"noise_text_table_keeps_the_long_note", VANTREL_NOISE, SolarFile({"--format", "text"}),
         Case::None, 0, "",
         "stations disagree by 40 % (flare or calibration?); below the horizon 0.675", nullptr},
        {"noise_solar_flux_file_in_the_measured_gt", VANTREL_NOISE,
         SolarFile({"--measured-y", "3", "--source", "sun"}), Case::None, 0, "",
         "solar flux Learmonth 2026-12-10 05:00 UTC from 8800 and 15400 MHz",
         [](const Outcome& r) {
             // The stations' scatter in the note, and the G/T it leaves open.
             const auto rows = DataRows(r.Out);
             ASSERT_EQ(rows.size(), 1u) << r.Out;
             const auto at = rows[0].find("stations scatter ");
             ASSERT_NE(at, std::string::npos) << rows[0];
             const double scatter = std::stod(rows[0].substr(at + 17));
             char expect[64];
             std::snprintf(expect, sizeof expect, "G/T +-%.2f dB from the flux scatter",
                           10 * std::log10(1 + scatter / 100));
             EXPECT_NE(rows[0].find(expect), std::string::npos) << rows[0];
         }},
        {"noise_solar_flux_file_excludes_solar_flux", VANTREL_NOISE,
         SolarFile({"--solar-flux", "80"}), Case::None, 2,
         "give one of --solar-flux, --solar-flux-table and --solar-flux-file", "", nullptr},
        {"noise_solar_flux_file_refuses_47_ghz", VANTREL_NOISE, SolarFile({"--frequency", "47088"}),
         Case::None, 2, "not extended beyond 100 MHz to 30 GHz", "", nullptr},
        {"noise_solar_flux_file_penticton_at_10_ghz",
         VANTREL_NOISE,
         {"--frequency", "10368", "--time", "2026-12-10T05:00", "--gain", "30", "--tsys", "60",
          "--solar-flux-file", std::string(VANTREL_MEASURE_DATA) + "/fluxtable.txt"},
         Case::None,
         2,
         "2520 to 3080 MHz",
         "",
         nullptr},
        // A damaged file's flux is held to the range --solar-flux takes.
        {"noise_solar_flux_file_held_to_the_range", VANTREL_NOISE,
         SolarFile({"--solar-flux-file", std::string(VANTREL_MEASURE_DATA) + "/L991231.SRD",
                    "--time", "1999-12-31T05:00"}),
         Case::None, 2, "is not a solar flux, 1 to 1000000 sfu", "", nullptr},
        {"noise_solar_flux_file_missing", VANTREL_NOISE,
         SolarFile({"--solar-flux-file", "/nonexistent/solar_radio_flux.txt"}), Case::None, 2,
         "cannot be opened", "", nullptr},

        // vantrel-eme: values at an instant, over days, the windows; its
        // refusals.
        {"eme_finds_the_data_home_station",
         VANTREL_EME,
         {"--time", "2026-03-21T20:00:30", "--dx", "EM13", "--frequency", "1296"},
         Case::InDataHome,
         0,
         "vantrel-eme: reading ",
         "utc,moon_az_deg,moon_el_deg,distance_km,echo_delay_s,echo_doppler_hz,path_loss_db,"
         "path_loss_change_db,dx_moon_az_deg,dx_moon_el_deg,dx_doppler_hz,"
         "polarisation_offset_deg,tsky_home_k,tsky_dx_k,dgrd_db,dgrd_dx_db,sun_moon_deg,"
         "echo_doppler_rate_hz_per_min,dx_doppler_rate_hz_per_min,echo_spread_hz,"
         "dx_spread_hz\n2026-03-21T20:00:30Z,",
         [](const Outcome& r) {
             const auto rows = DataRows(r.Out);
             ASSERT_EQ(rows.size(), 1u) << r.Out;
             EXPECT_EQ(std::count(rows[0].begin(), rows[0].end(), ','), 20) << rows[0];
         }},
        {"eme_rows_every_interval",
         VANTREL_EME,
         {"--start", "2026-03-21", "--interval", "360", "--frequency", "144"},
         Case::InDataHome,
         0,
         "",
         "\n2026-03-21T18:00:00Z,",
         [](const Outcome& r) {
             const auto rows = DataRows(r.Out);
             ASSERT_EQ(rows.size(), 4u) << r.Out;
             EXPECT_EQ(std::count(rows[0].begin(), rows[0].end(), ','), 12) << rows[0];
         }},
        // The sked's figures: the sky behind the Moon through each beam, DGRD
        // with the receiver asked for (recomputed here from the row's own
        // sky and distance), the Sun-Moon angle, the rates and spreads; the
        // next perigee and apogee on standard error, or alone.
        {"eme_sked_figures",
         VANTREL_EME,
         {"--lat", "52.5", "--lon", "5", "--time", "2026-12-10T00:00", "--frequency", "144", "--dx",
          "EM13", "--hpbw", "12,4", "--receiver-k", "50"},
         Case::None,
         0,
         "next perigee 2026-12-24T08:3",
         ",polarisation_offset_deg,tsky_home_k,tsky_dx_k,dgrd_db,dgrd_dx_db,",
         [](const Outcome& r) {
             const auto rows = DataRows(r.Out);
             ASSERT_EQ(rows.size(), 1u) << r.Out;
             const std::string& row = rows[0];
             const double distanceKm = CsvNumber(row, 3);
             const double skyK = CsvNumber(row, 12);
             const double coldestK = 13.0 * std::pow(144.0 / 408.0, -2.6);
             const double dgrd = -10.0 * std::log10((skyK + 50.0) / (coldestK + 50.0)) -
                                 40.0 * std::log10(distanceKm / 356500.0);
             EXPECT_GT(skyK, 140.0) << row;
             EXPECT_GT(CsvNumber(row, 13), 140.0) << row;
             EXPECT_NEAR(CsvNumber(row, 14), dgrd, 0.006) << row;
             EXPECT_LT(CsvNumber(row, 15), 0.0) << row;
             const double sunMoon = CsvNumber(row, 16);
             EXPECT_TRUE(sunMoon >= 0 && sunMoon <= 180) << row;
             EXPECT_GE(CsvNumber(row, 19), 0.0) << row;
             EXPECT_GE(CsvNumber(row, 20), 0.0) << row;
         }},
        {"eme_perigee",
         VANTREL_EME,
         {"--lat", "52.5", "--lon", "5", "--time", "2026-12-10T00:00", "--perigee"},
         Case::None,
         0,
         "",
         "event,utc,distance_km\nperigee,2026-12-24T",
         [](const Outcome& r) {
             EXPECT_NE(r.Out.find("\napogee,2026-12-11T"), std::string::npos) << r.Out;
         }},
        {"eme_hpbw_zero",
         VANTREL_EME,
         {"--lat", "52.5", "--lon", "5", "--hpbw", "0"},
         Case::None,
         2,
         "--hpbw: '0' is not DEG or HOME,DX in degrees, 0.05 to 120",
         "",
         nullptr},
        {"eme_receiver_k_not_a_number",
         VANTREL_EME,
         {"--lat", "52.5", "--lon", "5", "--receiver-k", "warm"},
         Case::None,
         2,
         "--receiver-k: 'warm' is not a temperature",
         "",
         nullptr},
        {"eme_perigee_with_windows",
         VANTREL_EME,
         {"--lat", "52.5", "--lon", "5", "--perigee", "--windows", "--interval", "10"},
         Case::None,
         2,
         "--perigee goes with --time alone",
         "",
         nullptr},
        {"eme_windows_over_days",
         VANTREL_EME,
         {"--start", "2026-03-21", "--end", "2026-03-23", "--windows", "--dx", "EM13",
          "--min-elevation", "5,10"},
         Case::InDataHome,
         0,
         "",
         "start_utc,end_utc,duration_min,max_el_home_deg,max_el_dx_deg\n",
         [](const Outcome& r) {
             const auto rows = DataRows(r.Out);
             ASSERT_GE(rows.size(), 3u) << r.Out;
             for (const std::string& row : rows) {
                 EXPECT_TRUE(row.starts_with("2026-03-2")) << row;
                 EXPECT_EQ(std::count(row.begin(), row.end(), ','), 4) << row;
             }
         }},
        // JO22 and EM13 in the first week of December 2026 share 7 windows:
        // a step of a day once found none, and 60 minutes lost the short
        // low ones; the search steps by at most 5 minutes whatever asked.
        {"eme_windows_are_never_lost_to_the_interval",
         VANTREL_EME,
         {"--lat", "52.5", "--lon", "5", "--dx", "EM13", "--start", "2026-12-01", "--end",
          "2026-12-07", "--windows", "--interval", "1440"},
         Case::None,
         0,
         "",
         "start_utc,",
         [](const Outcome& r) { EXPECT_EQ(DataRows(r.Out).size(), 7U) << r.Out; }},
        {"eme_window_search_of_more_than_ten_years",
         VANTREL_EME,
         {"--lat", "52.5", "--lon", "5", "--start", "2026-01-01", "--end", "2037-01-01",
          "--windows", "--interval", "60"},
         Case::None,
         2,
         "at most 10 years",
         "",
         nullptr},
        {"eme_windows_need_an_interval",
         VANTREL_EME,
         {"--windows", "--lat", "52", "--lon", "5"},
         Case::None,
         2,
         "give --interval",
         "",
         nullptr},
        {"eme_half_a_locator",
         VANTREL_EME,
         {"--dx", "JO6"},
         Case::InDataHome,
         2,
         "--dx: 'JO6' is not a DX station: A locator has 4 or 6 characters",
         "",
         nullptr},
        {"eme_below_the_radio_horizon",
         VANTREL_EME,
         {"--lat", "52.52", "--lon", "13.405", "--time", "2026-03-21T05:30", "--refraction",
          "1013,10,50"},
         Case::None,
         0,
         "the Moon is below the radio horizon at home in 1 row",
         "\n2026-03-21T05:30:00Z,",
         nullptr},
        {"eme_dx_as_the_window_takes_it",
         VANTREL_EME,
         {"--time", "2026-03-21T20:00:30", "--dx", "W5LUA EM13qc", "--frequency", "1296"},
         Case::InDataHome,
         0,
         "",
         "\n2026-03-21T20:00:30Z,",
         nullptr},
        {"eme_dx_latitude_and_longitude_not_a_decimal_comma",
         VANTREL_EME,
         {"--dx", "91,10"},
         Case::InDataHome,
         2,
         "The DX latitude must be a number of degrees from -90 to 90.",
         "",
         nullptr},
        {"eme_two_dx_stations",
         VANTREL_EME,
         {"--dx", "EM13", "--dx-lat", "1", "--dx-lon", "2"},
         Case::InDataHome,
         2,
         "not both",
         "",
         nullptr},
        {"eme_dx_height_alone",
         VANTREL_EME,
         {"--dx-height", "10"},
         Case::InDataHome,
         2,
         "--dx-height needs --dx-lat and --dx-lon",
         "",
         nullptr},
        {"eme_2101",
         VANTREL_EME,
         {"--time", "2101-01-01T00:00"},
         Case::InDataHome,
         2,
         "beyond the dates with Sun and Moon positions",
         "",
         nullptr},
        {"eme_time_and_range",
         VANTREL_EME,
         {"--time", "2026-03-21T00:00", "--start", "2026-03-21"},
         Case::InDataHome,
         2,
         "either --time or --start/--end",
         "",
         nullptr},
        {"eme_end_before_start",
         VANTREL_EME,
         {"--start", "2026-03-22", "--end", "2026-03-21"},
         Case::InDataHome,
         2,
         "--end is before --start",
         "",
         nullptr},
        {"eme_min_elevation_alone",
         VANTREL_EME,
         {"--min-elevation", "5"},
         Case::InDataHome,
         2,
         "only matters with --windows",
         "",
         nullptr},
        // --follow: its refusals, each one line before the rig is touched.
        {"eme_follow_without_rig_model",
         VANTREL_EME,
         {"--follow", "--doppler", "own", "--frequency", "1296"},
         Case::InDataHome,
         2,
         "--follow needs --rig-model",
         "",
         OneLine},
        {"eme_follow_without_doppler",
         VANTREL_EME,
         {"--follow", "--rig-model", "1", "--frequency", "1296"},
         Case::InDataHome,
         2,
         "--follow needs --doppler own or --doppler dx",
         "",
         OneLine},
        {"eme_follow_without_sked_frequency",
         VANTREL_EME,
         {"--follow", "--rig-model", "1", "--doppler", "own"},
         Case::InDataHome,
         2,
         "--follow needs the sked frequency",
         "",
         OneLine},
        {"eme_follow_dx_without_dx_station",
         VANTREL_EME,
         {"--follow", "--rig-model", "1", "--doppler", "dx", "--frequency", "1296"},
         Case::InDataHome,
         2,
         "--doppler dx needs the DX station",
         "",
         OneLine},
        {"eme_follow_with_windows",
         VANTREL_EME,
         {"--follow", "--windows", "--rig-model", "1", "--doppler", "own", "--frequency", "1296"},
         Case::InDataHome,
         2,
         "--follow runs now",
         "",
         OneLine},
        {"eme_rig_model_without_follow",
         VANTREL_EME,
         {"--rig-model", "1"},
         Case::InDataHome,
         2,
         "--rig-model only matters with --follow",
         "",
         OneLine},
        {"eme_follow_period_order",
         VANTREL_EME,
         {"--follow", "--rig-model", "1", "--doppler", "own", "--frequency", "1296", "--period",
          "60,tx"},
         Case::InDataHome,
         2,
         "--period: '60,tx' is not S[,rx-first|tx-first]",
         "",
         OneLine},
        {"eme_follow_period_too_short",
         VANTREL_EME,
         {"--follow", "--rig-model", "1", "--doppler", "own", "--frequency", "1296", "--period",
          "3"},
         Case::InDataHome,
         2,
         "--period: '3' is not",
         "",
         OneLine},
        {"eme_follow_update_zero",
         VANTREL_EME,
         {"--follow", "--rig-model", "1", "--doppler", "own", "--frequency", "1296", "--update",
          "0"},
         Case::InDataHome,
         2,
         "--update: '0' is not a number of seconds",
         "",
         OneLine},
        {"eme_follow_doppler_neither",
         VANTREL_EME,
         {"--follow", "--rig-model", "1", "--doppler", "echo", "--frequency", "1296"},
         Case::InDataHome,
         2,
         "--doppler: 'echo' is neither own nor dx",
         "",
         OneLine},
        {"eme_follow_unknown_rig_model",
         VANTREL_EME,
         {"--follow", "--rig-model", "999999", "--doppler", "own", "--frequency", "1296"},
         Case::InDataHome,
         2,
         "Hamlib has no rig model 999999",
         "",
         OneLine},
        {"eme_min_elevation_95",
         VANTREL_EME,
         {"--windows", "--min-elevation", "0,95"},
         Case::InDataHome,
         2,
         "-5 to 90",
         "",
         nullptr},
        {"eme_refraction_needs_no_frequency",
         VANTREL_EME,
         {"--refraction", "1013,10,50", "--time", "2026-12-10T18:00"},
         Case::InDataHome,
         0,
         "",
         "\n2026-12-10T18:00:00Z,",
         nullptr},
        {"eme_iers_file_missing",
         VANTREL_EME,
         {"--iers", "finals2000A.all"},
         Case::InDataHome,
         2,
         "vantrel-eme: --iers: finals2000A.all cannot be read.",
         "",
         nullptr},
        {"eme_too_many_rows",
         VANTREL_EME,
         {"--start", "1900-01-01", "--end", "2100-12-31", "--interval", "1"},
         Case::InDataHome,
         2,
         "more than 1000000 rows",
         "",
         nullptr},
#ifdef VANTREL_POWER
        // The power log goes where every tool puts a file it makes: beside
        // the station read, or into the folder --data-home names.
        // ALSA's own words go into the sentence's details, not onto
        // standard error in lines of their own.
        {"power_alsa_chatter_in_the_details",
         VANTREL_POWER,
         {"--input", "audio", "--device", "nosuchpcm", "--band", "300:2700", "--duration", "1"},
         Case::InDataHome,
         2,
         "(details: ",
         "",
         [](const Outcome& r) {
             EXPECT_EQ(r.Err.find("ALSA lib"), std::string::npos) << r.Err;
             EXPECT_NE(r.Err.find("Unknown PCM nosuchpcm"), std::string::npos) << r.Err;
         }},
        {"power_logs_beside_the_data_home_station",
         VANTREL_POWER,
         {"--input", "command", "--command", "while :; do echo -30; sleep 0.02; done", "--tau",
          "0.1", "--duration", "0.5"},
         Case::InDataHome,
         0,
         "",
         "utc_start,",
         [&](const Outcome&) {
             EXPECT_TRUE(fs::exists(DataHome() / "Vantrel-power.csv"));
             EXPECT_FALSE(fs::exists(Here() / "Vantrel-power.csv"));
         }},
        {"power_takes_data_home_option",
         VANTREL_POWER,
         {"--input", "command", "--command", "while :; do echo -30; sleep 0.02; done", "--tau",
          "0.1", "--duration", "0.5", "--data-home"},
         Case::HereAndInDataHome,
         0,
         "",
         "utc_start,",
         [&](const Outcome&) {
             EXPECT_TRUE(fs::exists(DataHome() / "Vantrel-power.csv"));
             EXPECT_FALSE(fs::exists(Here() / "Vantrel-power.csv"));
             fs::remove(DataHome() / "Vantrel-power.csv");
         }},
#endif
#ifdef VANTREL_SCAN
        {"scan_refuses_without_a_station",
         VANTREL_SCAN,
         {"--procedure", "cross", "--source", "sun", "--hpbw", "2", "--input", "command",
          "--command", "echo -30"},
         Case::None,
         2,
         "vantrel-scan: no station to point from: neither ./Vantrel.dat nor ",
         "",
         nullptr},
#endif

        // A frequency that would change nothing is refused.
        {"table_frequency_alone",
         VANTREL_TABLE,
         {"--frequency", "1420"},
         Case::InDataHome,
         2,
         "--frequency only matters with --refraction",
         "",
         nullptr},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove_all(DataHome());
        fs::remove(Here() / "Vantrel.dat");
        switch (c.Where) {
        case Case::None:
            break;
        case Case::HereAndInDataHome:
            SaveStation(Here(), 10, 20);
            [[fallthrough]];
        case Case::InDataHome:
            SaveStation(DataHome(), 52.37L, 4.9L);
            break;
        case Case::EmptyRecordInDataHome:
            SaveStation(DataHome(), 0, 0);
            break;
        }
        const Outcome r = Start(c.Tool, c.Args);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        EXPECT_NE(r.Err.find(c.ErrHas), std::string::npos) << r.Err;
        EXPECT_NE(r.Out.find(c.OutHas), std::string::npos) << r.Out;
        if (c.Status == 2) {
            EXPECT_EQ(r.Out, "");
            EXPECT_EQ(Lines(r.Err), 1u) << r.Err;
        }
        if (c.Check) {
            c.Check(r);
        }
    }
}

// XDG_DATA_HOME is followed as the planner follows it.
TEST_F(ToolRun, FollowsXdgDataHome) {
    SaveStation(root_ / "xdg/vantrel", -33.9L, 151.2L);
    const Outcome r = Start(VANTREL_NOW, {}, (root_ / "xdg").string());
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("latitude -33.9000"), std::string::npos) << r.Out;
    EXPECT_NE(r.Err.find((root_ / "xdg/vantrel/Vantrel.dat").string()), std::string::npos);
}

// A station file's texts (8-bit characters) come out as UTF-8, controls
// escaped.
TEST_F(ToolRun, StationTextsComeOutAsUtf8) {
    SaveStation(Here(), 52, 5, "Caf\xe9\x1b[2J");
    const Outcome r = Start(VANTREL_NOW, {});
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::istringstream lines(r.Out);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(IsPlainUtf8(line)) << line;
    }
    // The row of the user source too.
    EXPECT_NE(r.Out.find("\nCaf\xc3\xa9\\x1b[2J"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Caf\xc3\xa9\\x1b[2J"), std::string::npos) << r.Out;
}

// A failed write is an error a script sees.
TEST_F(ToolRun, WriteErrorsAreReported) {
    SaveStation(Here(), 52, 5);
    for (const char* tool : {VANTREL_NOW, VANTREL_TABLE, VANTREL_EME}) {
        const Outcome r = Start(tool, {}, {}, "/dev/full");
        EXPECT_EQ(r.Status, 1) << tool << ": " << r.Err;
        EXPECT_NE(r.Err.find("No space left on device"), std::string::npos) << r.Err;
    }
}

} // namespace
} // namespace vantrel
