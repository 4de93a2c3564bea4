// The help engine's reading path with readers that misbehave: whatever the
// reader does, the result is a clear status, the reader is waited for, and
// this process goes on.

#include "help/engine/ChmReaderProcess.h"
#include "tests/SanitizerSlowdown.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace vantrel {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

const std::string kFakeReader = VANTREL_FAKE_CHM_READER;

#if defined(VANTREL_SANITIZE)
/// A sanitized reader's own handler takes the segmentation fault and, as the
/// test's environment asks, aborts.
constexpr const char* kCrashDetail = "signal 6";
#else
constexpr const char* kCrashDetail = "signal 11";
#endif

/// A file whose first word tells the fake reader what to do.
class Script {
public:
    explicit Script(const std::string& text) {
        path_ =
            std::filesystem::temp_directory_path() /
            ("vantrel-fake-" + std::to_string(getpid()) + "-" + std::to_string(++count_) + ".chm");
        std::ofstream(path_) << text;
    }
    ~Script() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;
    std::string Path() const { return path_.string(); }

private:
    std::filesystem::path path_;
    static inline int count_ = 0;
};

ChmReaderOptions Fake(milliseconds limit = milliseconds(5000)) {
    ChmReaderOptions options;
    options.Program = kFakeReader;
    options.TimeLimit = limit;
    return options;
}

/// No reader is left behind, running or unreaped.
void ExpectNoChildren() {
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(ChmReaderProcess, ReadersThatMisbehaveGiveAStatus) {
    // A sanitized reader takes most of a second just to start.
    constexpr milliseconds kLimit(600 * test::kSanitizerSlowdown);
    const std::string tooLong = "longer than " + std::to_string(kLimit.count()) + " ms";
    const struct {
        const char* Script;
        ChmReadStatus Expected;
        std::string DetailHas;
    } cases[] = {
        {"hang", ChmReadStatus::Damaged, tooLong},
        {"close-hang", ChmReadStatus::Damaged, "did not exit in time"},
        {"crash", ChmReadStatus::Damaged, kCrashDetail},
        {"exit 4", ChmReadStatus::Damaged, "status 4"},
        {"exit 5", ChmReadStatus::Damaged, "status 5"},
        {"exit 3", ChmReadStatus::CannotOpen, "status 3"},
        {"garbage", ChmReadStatus::Damaged, "malformed"},
        {"cut", ChmReadStatus::Damaged, "malformed"},
        {"extra", ChmReadStatus::Damaged, "malformed"},
        {"flood", ChmReadStatus::Damaged, "more than the limits"},
        {"empty", ChmReadStatus::Read, "status 0"},
    };
    for (const auto& c : cases) {
        const Script script(c.Script);
        ChmReaderOptions options = Fake(kLimit);
        options.MaxStreamBytes = std::uint64_t{1024} * 1024;
        const auto start = Clock::now();
        const ChmReadResult got = ReadChmObjects(script.Path(), options);
        const auto took = Clock::now() - start;
        EXPECT_EQ(got.Status, c.Expected) << c.Script << ": " << got.Detail;
        EXPECT_NE(got.Detail.find(c.DetailHas), std::string::npos)
            << c.Script << ": " << got.Detail;
        EXPECT_TRUE(got.Objects.empty()) << c.Script;
        // Killed at the limit, with room for a busy machine.
        EXPECT_LT(took, kLimit + milliseconds(3000 * test::kSanitizerSlowdown)) << c.Script;
        ExpectNoChildren();
    }
}

TEST(ChmReaderProcess, ReaderThatCannotBeStarted) {
    const Script script("empty");
    const struct {
        const char* Name;
        std::string Program;
    } cases[] = {
        {"no program named", ""},
        {"no such program", "/nonexistent/vantrel-chm-reader"},
        {"a folder", std::filesystem::temp_directory_path().string()},
        {"not executable", script.Path()},
    };
    for (const auto& c : cases) {
        ChmReaderOptions options;
        options.Program = c.Program;
        const ChmReadResult got = ReadChmObjects(script.Path(), options);
        EXPECT_EQ(got.Status, ChmReadStatus::ReaderMissing) << c.Name << ": " << got.Detail;
    }
    ExpectNoChildren();
}

TEST(ChmReaderProcess, GivingUpKillsTheReaderAtOnce) {
    const Script script("hang");
    std::atomic<bool> cancel(false);
    ChmReaderOptions options = Fake(milliseconds(60'000));
    options.Cancel = &cancel;
    std::thread giveUp([&] {
        std::this_thread::sleep_for(milliseconds(100));
        cancel = true;
    });
    const auto start = Clock::now();
    const ChmReadResult got = ReadChmObjects(script.Path(), options);
    const auto took = Clock::now() - start;
    giveUp.join();
    EXPECT_EQ(got.Status, ChmReadStatus::Cancelled) << got.Detail;
    EXPECT_LT(took, milliseconds(5000));
    ExpectNoChildren();
}

TEST(ChmReaderProcess, ReaderGetsNoDescriptorsOfThisProcess) {
    // A descriptor opened without close-on-exec, as other code may do.
    const int leaky = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 0);
    const Script script("descriptors");
    const ChmReadResult got = ReadChmObjects(script.Path(), Fake());
    close(leaky);
    ASSERT_EQ(got.Status, ChmReadStatus::Read) << got.Detail;
    ASSERT_EQ(got.Objects.size(), 1u);
    EXPECT_EQ(got.Objects[0].Path, "/fds");
    EXPECT_EQ(got.Objects[0].Data, "") << "descriptors the reader inherited";
    ExpectNoChildren();
}

} // namespace
} // namespace vantrel
