// The Receiver window's Y without Qt: which blocks a live Y and an
// off-on-off sequence rest on (a move of the antenna left out), how far
// from the source they were taken, and the power log's "used" flag set in
// a real file without touching any other byte.

#include "receiverwin/LiveYFactor.h"
#include "radiometer/PowerLog.h"
#include "receiverwin/UsedBlocks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vantrel {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr DateTime kStart = 46365.5;

/// Blocks of 1 s from second `from` on, at the powers given, σ 0.003 dB.
std::vector<PowerBlock> Blocks(int from, std::initializer_list<double> powers) {
    std::vector<PowerBlock> out;
    int t = from;
    for (double p : powers) {
        PowerBlock b;
        b.UtcStart = kStart + t * kSecond;
        b.UtcEnd = kStart + (t + 1) * kSecond;
        b.PowerDb = p;
        b.SigmaDb = 0.003;
        b.IntegrationS = 1;
        out.push_back(b);
        ++t;
    }
    return out;
}

void AddAll(LiveYFactor& y, const std::vector<PowerBlock>& blocks,
            std::optional<double> offset = std::nullopt) {
    for (const PowerBlock& b : blocks) {
        y.Add(b, offset);
    }
}

TEST(LiveYFactor, TheMoveOntoTheSourceIsLeftOut) {
    LiveYFactor y;
    EXPECT_FALSE(y.TakeReference()); // nothing yet
    AddAll(y, Blocks(0, {-40.0, -40.004, -39.998, -40.001}));
    ASSERT_TRUE(y.TakeReference());
    EXPECT_EQ(y.ReferenceBlocks().size(), 4U);
    EXPECT_NEAR(y.ReferenceLevel()->PowerDb, -40.00075, 1e-4);
    EXPECT_NEAR(y.ReferenceLevel()->SigmaDb, 0.003 / 2, 1e-12);
    // Still off, then a block half-way onto the source, then on it.
    AddAll(y, Blocks(4, {-40.002, -38.3, -37.0, -37.003, -36.998}));
    const std::vector<PowerBlock> on = y.Present();
    ASSERT_EQ(on.size(), 3U);
    EXPECT_DOUBLE_EQ(on.front().PowerDb, -37.0);
    const YEstimate live = *y.Y();
    EXPECT_NEAR(live.YDb, 3.0, 0.005);
    EXPECT_EQ(live.Blocks, 7);
    EXPECT_EQ(y.UsedBlocks().size(), 7U);
    // A receiver that drifts by 0.05 dB a block is no jump, nor is a
    // meter's jitter of half a dB with readings of unknown σ.
    LiveYFactor drifting;
    AddAll(drifting, Blocks(0, {-40.0, -39.95, -39.9, -39.97, -40.02}));
    EXPECT_EQ(drifting.Present().size(), 5U);
    std::vector<PowerBlock> readings = Blocks(0, {-40.0, -40.5, -39.9, -40.4, -40.1});
    for (PowerBlock& b : readings) {
        b.SigmaDb = std::nan("");
    }
    LiveYFactor meter;
    AddAll(meter, readings);
    EXPECT_EQ(meter.Present().size(), 5U);
}

TEST(LiveYFactor, OffOnOffStepsAsPrompted) {
    LiveYFactor y;
    y.StartSequence();
    EXPECT_NE(y.Prompt().find("1 of 3"), std::string::npos);
    AddAll(y, Blocks(0, {-40.0, -40.0}));
    EXPECT_FALSE(y.NextStep()); // fewer than three blocks
    EXPECT_NE(y.Prompt().find("2 so far"), std::string::npos);
    AddAll(y, Blocks(2, {-40.0}));
    ASSERT_TRUE(y.NextStep());
    EXPECT_EQ(y.SequenceStep(), LiveYFactor::Step::On);
    // On the source the live Y is against the first off; 0.2 HPBW off for
    // one block: said.
    EXPECT_NE(y.Y()->Problem.find("No blocks yet on"), std::string::npos);
    AddAll(y, Blocks(13, {-37.0, -37.0}), 0.05);
    AddAll(y, Blocks(15, {-37.0}), 0.2);
    EXPECT_NEAR(y.Y()->YDb, 3.0, 1e-9);
    ASSERT_TRUE(y.NextStep());
    EXPECT_FALSE(y.Y()); // off again: nothing to show until it is done
    AddAll(y, Blocks(26, {-40.0, -40.0, -40.0, -40.0}));
    ASSERT_TRUE(y.NextStep());
    EXPECT_EQ(y.SequenceStep(), LiveYFactor::Step::Done);
    const YEstimate done = *y.Y();
    EXPECT_EQ(done.Method.rfind("off-on-off, ", 0), 0U) << done.Method;
    EXPECT_NEAR(done.YDb, 3.0, 1e-9);
    EXPECT_EQ(done.Blocks, 10);
    EXPECT_DOUBLE_EQ(*y.LargestOnOffsetBeams(), 0.2);
    // Reference ends it; a change of input drops everything.
    AddAll(y, Blocks(40, {-40.0}));
    ASSERT_TRUE(y.TakeReference());
    EXPECT_EQ(y.SequenceStep(), LiveYFactor::Step::None);
    y.Restart();
    EXPECT_FALSE(y.HasReference());
    EXPECT_TRUE(y.Present().empty());
}

TEST(LiveYFactor, OffsetFromTheSourceInBeamwidths) {
    const BlockPointing at{"moon", 180.0, 30.0};
    EXPECT_NEAR(*OffsetBeamsOf(at, 2.0, std::pair{180.0, 30.4}), 0.2, 1e-9);
    // An azimuth step counts for cos(elevation) of it on the sky.
    EXPECT_NEAR(*OffsetBeamsOf({"moon", 180.0, 60.0}, 1.0, std::pair{180.2, 60.0}), 0.1, 1e-4);
    EXPECT_FALSE(OffsetBeamsOf(at, std::nullopt, std::pair{180.0, 30.0}));
    EXPECT_FALSE(OffsetBeamsOf(at, 0.0, std::pair{180.0, 30.0}));
    EXPECT_FALSE(OffsetBeamsOf({"", 0, 0}, 2.0, std::pair{180.0, 30.0}));
}

/// The used flag put into the lines of the blocks and nowhere else: a line
/// of the first version, one with "partial", a damaged line and CR LF
/// endings all kept as they were.
TEST(FlagBlocksUsed, MarksTheBlocksAndKeepsEveryOtherByte) {
    const auto dir = std::filesystem::temp_directory_path() / "vantrel-used-blocks";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Vantrel-power.csv").string();
    std::filesystem::remove(path);
    std::vector<std::string> starts;
    for (int i = 0; i < 3; ++i) {
        PowerRecord r;
        r.UtcStart = PowerLogTime(kStart + i * kSecond);
        r.UtcEnd = PowerLogTime(kStart + (i + 1) * kSecond);
        r.Input = "sdr";
        r.PowerDb = -40;
        r.Partial = i == 2;
        ASSERT_FALSE(AppendPowerRecord(path, r));
        starts.push_back(r.UtcStart);
    }
    const std::string firstVersion = PowerLogTime(kStart + 5 * kSecond) + "," +
                                     PowerLogTime(kStart + 6 * kSecond) +
                                     ",sdr,1296,-40,0.003,10,0,0,,,,off";
    {
        std::ofstream f(path, std::ios::app | std::ios::binary);
        f << "damaged,line\r\n" << firstVersion << "\r\n";
    }
    starts.push_back(PowerLogTime(kStart + 5 * kSecond));
    const auto read = [&path] {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    };
    const std::string before = read();
    std::size_t marked = 0;
    // The first block is not among those used.
    ASSERT_FALSE(FlagBlocksUsed(path, {starts[1], starts[2], starts[3]}, &marked));
    EXPECT_EQ(marked, 3U);
    const std::string after = read();
    PowerLog log = ParsePowerLog(after);
    ASSERT_EQ(log.Records.size(), 4U);
    EXPECT_EQ(log.Skipped.size(), 1U);
    EXPECT_FALSE(log.Records[0].Used);
    EXPECT_TRUE(log.Records[1].Used);
    EXPECT_TRUE(log.Records[2].Used && log.Records[2].Partial);
    EXPECT_TRUE(log.Records[3].Used);
    EXPECT_EQ(log.Records[3].Mark, PowerMark::Off);
    EXPECT_NE(after.find(",used partial\n"), std::string::npos);
    EXPECT_NE(after.find(firstVersion + ",,,,,,,,,,used\r\n"), std::string::npos);
    EXPECT_NE(after.find("\ndamaged,line\r\n"), std::string::npos);
    // Everything up to the second record is untouched, and flagging again
    // changes nothing.
    const std::size_t second = before.find("\n" + starts[1]);
    EXPECT_EQ(after.substr(0, second), before.substr(0, second));
    ASSERT_FALSE(FlagBlocksUsed(path, {starts[1], starts[2], starts[3]}));
    EXPECT_EQ(read(), after);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace vantrel
