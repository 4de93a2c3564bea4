// Hamlib rotators for real: the dummy in-process, a rotctld over TCP, and a
// server that fails, drops the connection or never answers.

#include "FakeRotctld.h"
#include "LoopbackPort.h"
#include "RotctldServer.h"

#include "tracking/HamlibRotator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using testing::FakeRotctld;
using Clock = std::chrono::steady_clock;

constexpr int kTimeoutCode = -5; // RIG_ETIMEOUT
constexpr int kIoErrorCode = -6; // RIG_EIO

/// Reads the position until it is within 0.1° of `target` or `limit` has
/// passed; returns the last one read.
RotatorPosition WaitUntilAt(Rotator& rotator, const RotatorPosition& target,
                            std::chrono::milliseconds limit) {
    RotatorPosition reported{-999, -999};
    const auto end = Clock::now() + limit;
    do {
        EXPECT_FALSE(rotator.GetPosition(reported).Failed());
        if (std::abs(reported.AzimuthDeg - target.AzimuthDeg) < 0.1 &&
            std::abs(reported.ElevationDeg - target.ElevationDeg) < 0.1) {
            break;
        }
        std::this_thread::sleep_for(50ms);
    } while (Clock::now() < end);
    return reported;
}

RotatorSettings Network(const std::string& address, int timeoutMs = 2000) {
    RotatorSettings settings;
    settings.Model = 2;
    settings.Device = address;
    settings.TimeoutMs = timeoutMs;
    return settings;
}

TEST(HamlibRotator, DummyMovesThereOverTime) {
    RotatorSettings settings;
    settings.Model = 1;
    settings.Device.clear();
    const auto rotator = MakeHamlibRotator(settings);
    ASSERT_FALSE(rotator->Open().Failed());
    const RotatorPosition target{6, 3};
    ASSERT_FALSE(rotator->SetPosition(target).Failed());
    RotatorPosition first;
    ASSERT_FALSE(rotator->GetPosition(first).Failed());
    EXPECT_LT(first.AzimuthDeg, target.AzimuthDeg) << "the dummy moves, it does not jump";
    const RotatorPosition last = WaitUntilAt(*rotator, target, 4s);
    EXPECT_NEAR(last.AzimuthDeg, 6, 0.1);
    EXPECT_NEAR(last.ElevationDeg, 3, 0.1);
    rotator->Close();
    RotatorPosition unused;
    EXPECT_TRUE(rotator->GetPosition(unused).Failed()) << "closed";
}

TEST(HamlibRotator, ModelsAreSortedAndNameDummyAndNetwork) {
    const auto models = HamlibRotatorModels();
    ASSERT_GT(models.size(), 10u);
    for (std::size_t i = 1; i < models.size(); ++i) {
        EXPECT_LT(models[i - 1].Model, models[i].Model);
    }
    EXPECT_EQ(models[0].Model, 1);
    EXPECT_EQ(models[0].Name, "Dummy");
    EXPECT_EQ(models[1].Model, 2);
    EXPECT_NE(models[1].Name.find("rotctl"), std::string::npos) << models[1].Name;
}

TEST(HamlibRotator, ModelsTheDocumentsQuoteAreHamlibsOwn) {
    // Every rotator model number in the README, the help pages and the
    // manual pages is one this Hamlib lists; a command line with `-m N`
    // for a controller names that controller as Hamlib does within the
    // sentence before it (202 is Easycomm II, not a GS-232).
    std::map<int, std::string> names;
    for (const RotatorModel& m : HamlibRotatorModels()) {
        std::string name = m.Name;
        std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::tolower(c); });
        names[m.Model] = name;
    }
    const std::filesystem::path root(VANTREL_SOURCE_DIR);
    std::vector<std::filesystem::path> files{root / "README.md"};
    for (const char* folder : {"help/content", "man"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            const std::string kind = entry.path().extension().string();
            if (entry.is_regular_file() && (kind == ".htm" || kind == ".html" || kind == ".1")) {
                files.push_back(entry.path());
            }
        }
    }
    constexpr std::ptrdiff_t kSentenceChars = 300;
    int checked = 0;
    for (const auto& file : files) {
        std::ifstream in(file);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // As a reader sees it: no tags, no roff escapes, one blank between
        // words. All by hand: std::regex recurses once per character matched
        // and overflows the stack on a long page.
        std::string plain;
        bool inTag = false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '<') {
                inTag = true;
            } else if (c == '>' && inTag) {
                inTag = false;
                c = ' ';
            }
            if (inTag || (c == '\\' && i + 1 < text.size() && text[i + 1] == '-')) {
                continue;
            }
            const bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
            if (!blank || (!plain.empty() && plain.back() != ' ')) {
                plain.push_back(blank ? ' ' : c);
            }
        }
        text = plain;
        std::string lower = text;
        std::ranges::transform(lower, lower.begin(),
                               [](unsigned char c) { return std::tolower(c); });
        // "-m N" and "model N", in any case.
        for (const std::string_view word : {std::string_view("-m "), std::string_view("model ")}) {
            for (std::size_t at = lower.find(word); at != std::string::npos;
                 at = lower.find(word, at + 1)) {
                std::size_t end = at + word.size();
                while (end < lower.size() && std::isdigit(static_cast<unsigned char>(lower[end]))) {
                    ++end;
                }
                if (end == at + word.size()) {
                    continue;
                }
                const int model = std::stoi(lower.substr(at + word.size(), end - at - word.size()));
                const std::string where =
                    file.filename().string() + ": \"" + text.substr(at, end - at) + "\"";
                ASSERT_TRUE(names.contains(model)) << where << " is no model of rotctl -l";
                ++checked;
                if (word == "-m " && model > 2) { // 1 and 2 are Hamlib's dummy and network rotators
                    const std::size_t from =
                        at > static_cast<std::size_t>(kSentenceChars) ? at - kSentenceChars : 0;
                    const std::string before = lower.substr(from, at - from);
                    EXPECT_NE(before.find(names[model]), std::string::npos)
                        << where << " is Hamlib's \"" << names[model] << "\", not named before it";
                }
            }
        }
    }
    EXPECT_GE(checked, 4);
}

TEST(HamlibRotator, RefusesWhatItCannotOpen) {
    RotatorSettings unknown;
    unknown.Model = 999999;
    const RotatorError noModel = MakeHamlibRotator(unknown)->Open();
    EXPECT_TRUE(noModel.Failed());
    EXPECT_EQ(noModel.Text, "Hamlib knows no rotator model 999999.");

    RotatorSettings noTimeout = Network("127.0.0.1:4533", 0);
    EXPECT_TRUE(MakeHamlibRotator(noTimeout)->Open().Failed());
}

TEST(HamlibRotator, NothingListeningIsAnIoErrorAtOnce) {
    const std::string address = "127.0.0.1:" + std::to_string(testing::FreeLoopbackPort());
    const auto start = Clock::now();
    const RotatorError error = MakeHamlibRotator(Network(address))->Open();
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_EQ(error.Code, kIoErrorCode);
    EXPECT_EQ(error.Text, "The rotator at " + address + " cannot be reached (IO error).");
}

TEST(HamlibRotator, RotctldSetsReadsStopsParksAndRefusesOutOfRange) {
    const testing::RotctldServer server;
    const auto rotator = MakeHamlibRotator(Network(server.Address()));
    ASSERT_FALSE(rotator->Open().Failed());
    ASSERT_FALSE(rotator->SetPosition({4, 2}).Failed());
    const RotatorPosition at = WaitUntilAt(*rotator, {4, 2}, 4s);
    EXPECT_NEAR(at.AzimuthDeg, 4, 0.1);
    EXPECT_NEAR(at.ElevationDeg, 2, 0.1);
    EXPECT_FALSE(rotator->Stop().Failed());
    EXPECT_FALSE(rotator->Park().Failed());

    // The dummy's azimuth ends at 450°.
    const RotatorError refused = rotator->SetPosition({500, 10});
    EXPECT_EQ(refused.Code, -1);
    EXPECT_EQ(refused.Text, "The rotator at " + server.Address() +
                                " refuses azimuth 500.0°, elevation 10.0° (Invalid parameter).");
}

TEST(HamlibRotator, ServerThatNeverAnswersTimesOut) {
    FakeRotctld server;
    server.Behave(FakeRotctld::Behaviour::Silent);
    const auto rotator = MakeHamlibRotator(Network(server.Address(), 300));
    EXPECT_EQ(rotator->Timeout(), 300ms);
    auto start = Clock::now();
    const RotatorError openError = rotator->Open();
    auto took = Clock::now() - start;
    EXPECT_EQ(openError.Code, kTimeoutCode);
    EXPECT_EQ(openError.Text, "The rotator at " + server.Address() + " does not answer (timeout).");
    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 900ms) << "the timeout is not repeated";

    // Open, then silent: a read times out as well, and once only.
    server.Behave(FakeRotctld::Behaviour::Answer);
    ASSERT_FALSE(rotator->Open().Failed());
    server.Behave(FakeRotctld::Behaviour::Silent);
    RotatorPosition unused;
    start = Clock::now();
    const RotatorError readError = rotator->GetPosition(unused);
    took = Clock::now() - start;
    EXPECT_EQ(readError.Code, kTimeoutCode);
    EXPECT_LT(took, 900ms);
}

TEST(HamlibRotator, ServerErrorsAndDroppedConnectionsAreReported) {
    FakeRotctld server;
    const auto rotator = MakeHamlibRotator(Network(server.Address(), 500));
    ASSERT_FALSE(rotator->Open().Failed());
    server.Behave(FakeRotctld::Behaviour::Fail);
    const RotatorError setError = rotator->SetPosition({10, 10});
    EXPECT_EQ(setError.Code, kIoErrorCode);
    EXPECT_FALSE(setError.Text.empty());
    RotatorPosition unused;
    EXPECT_EQ(rotator->GetPosition(unused).Code, kIoErrorCode);
    EXPECT_EQ(rotator->Stop().Code, kIoErrorCode);
    rotator->Close();

    // The server answers one command and then drops the connection. Writing
    // to the dropped connection must come back as an error, not end the
    // process with SIGPIPE.
    server.Behave(FakeRotctld::Behaviour::CloseAfter, 1);
    ASSERT_FALSE(rotator->Open().Failed());
    EXPECT_FALSE(rotator->SetPosition({1, 1}).Failed());
    EXPECT_TRUE(rotator->GetPosition(unused).Failed());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(rotator->SetPosition({2, 2}).Failed());
    }
    rotator->Close();
}

} // namespace
} // namespace vantrel
