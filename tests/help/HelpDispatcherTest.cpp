#include "help/HelpDispatcher.h"
#include "help/ApplicationHelp.h"
#include "help/WinHelpTester.h"

#include "tests/RecordingMessages.h"
#include "tests/help/FakeHelpEngine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace vantrel {
namespace {

/// A selector that records what it was offered and chooses a given index.
class RecordingSelector final : public HelpSelector {
public:
    int keywordChoice = 0;
    int contentsChoice = 0;
    std::vector<std::string> keywordOffer;
    std::vector<std::string> contentsOffer;
    int ChooseKeywordEntry(const std::vector<std::string>& entries) override {
        keywordOffer = entries;
        return keywordChoice;
    }
    int ChooseContentsViewer(const std::vector<std::string>& names) override {
        contentsOffer = names;
        return contentsChoice;
    }
};

/// A second viewer that answers everything and records what it was asked.
class EagerViewer final : public ExtendedHelpViewer {
public:
    explicit EagerViewer(std::string name) : name_(std::move(name)) {}
    std::vector<std::string> shown;
    int id = -1;
    bool shutDown = false;
    std::string ViewerName() const override { return name_; }
    int KeywordMatchCount(std::string_view) override { return 1; }
    std::vector<std::string> KeywordEntries(std::string_view k) override {
        return {name_ + ": " + std::string(k)};
    }
    bool HasContents() override { return true; }
    void ShowContents() override { shown.push_back("contents"); }
    void ShowKeyword(std::string_view e) override { shown.push_back("keyword " + std::string(e)); }
    void SetViewerId(int i) override { id = i; }
    void CloseWindows() override { shown.push_back("close"); }
    void Shutdown() override { shutDown = true; }
    bool HandlesTopic(std::string_view) override { return true; }
    void ShowTopic(std::string_view t) override { shown.push_back("topic " + std::string(t)); }
    bool HandlesContext(int, std::string_view) override { return true; }
    void ShowContext(int c, std::string_view) override {
        shown.push_back("context " + std::to_string(c));
    }

private:
    std::string name_;
};

class HelpDispatcherTest : public ::testing::Test {
protected:
    RecordingMessages messages;
    std::shared_ptr<FakeLoader> loader = std::make_shared<FakeLoader>();
    FakeApplication application;
    std::unique_ptr<HelpDispatcher> dispatcher = std::make_unique<HelpDispatcher>(&messages);
    std::shared_ptr<HtmlHelpViewer> html;

    void SetUp() override { FakeEngine::Reset(); }

    /// The start-up of the bridge: viewer, selector, tester.
    void InstallBridge() {
        html = std::make_shared<HtmlHelpViewer>(loader, application, &messages);
        dispatcher->RegisterViewer(html, html->DispatcherReference());
        dispatcher->SetSelector(html);
        dispatcher->OldStyleViewer().SetTester(std::make_shared<WinHelpTester>());
    }
};

TEST_F(HelpDispatcherTest, ViewersAreNumberedInRegistrationOrder) {
    EXPECT_EQ(dispatcher->OldStyleViewer().ViewerId(), 0);
    InstallBridge();
    EXPECT_EQ(html->ViewerId(), 1);
    EXPECT_NE(html->DispatcherReference(), nullptr);
    auto other = std::make_shared<EagerViewer>("Other");
    std::shared_ptr<HelpManager> otherManager;
    EXPECT_EQ(dispatcher->RegisterViewer(other, otherManager), 2);
    EXPECT_EQ(other->id, 2);
    EXPECT_EQ(dispatcher->ViewerCount(), 3u);
    EXPECT_EQ(dispatcher->SortedViewerNames(),
              (std::vector<std::string>{"Other", "QelHtmlHelp", "WinHelp"}));
}

TEST_F(HelpDispatcherTest, ContentsGoToTheHtmlViewerThroughTheSelector) {
    InstallBridge();
    dispatcher->SetCallerWindow(0xCAFE);
    dispatcher->SetApplicationHelpFile("/home/op/Vantrel.chm");
    EXPECT_TRUE(dispatcher->HelpCommand(HelpDispatcher::kHelpContents, 0));
    ASSERT_EQ(FakeEngine::calls.size(), 1u);
    EXPECT_EQ(FakeEngine::calls[0].Command, kHhDisplayContents);
    EXPECT_EQ(FakeEngine::calls[0].File, "/home/op/Vantrel.chm");
    EXPECT_EQ(FakeEngine::calls[0].Caller, 0xCAFEu);
    EXPECT_TRUE(messages.said.empty());
}

TEST_F(HelpDispatcherTest, SelectorIsOfferedTheSortedNamesOfViewersWithContents) {
    auto selector = std::make_shared<RecordingSelector>();
    auto zeta = std::make_shared<EagerViewer>("zeta");
    auto alpha = std::make_shared<EagerViewer>("Alpha");
    std::shared_ptr<HelpManager> unused;
    dispatcher->RegisterViewer(zeta, unused);
    dispatcher->RegisterViewer(alpha, unused);
    dispatcher->SetSelector(selector);

    selector->contentsChoice = 2;
    EXPECT_TRUE(dispatcher->ShowContents("/P/x.chm"));
    EXPECT_EQ(selector->contentsOffer, (std::vector<std::string>{"Alpha", "WinHelp", "zeta"}));
    EXPECT_EQ(zeta->shown, std::vector<std::string>{"contents"});
    EXPECT_TRUE(alpha->shown.empty());

    // A choice outside the list falls back to the first sorted name.
    selector->contentsChoice = 7;
    EXPECT_TRUE(dispatcher->ShowContents("/P/x.chm"));
    EXPECT_EQ(alpha->shown, std::vector<std::string>{"contents"});
}

TEST_F(HelpDispatcherTest, NoTableOfContentsIsReported) {
    // Without any viewer (the old-style one released), nobody has contents.
    std::shared_ptr<HelpManager> manager;
    auto probe = std::make_shared<EagerViewer>("Probe");
    dispatcher->RegisterViewer(probe, manager);
    manager->Release(dispatcher->OldStyleViewer().ViewerId());
    manager->Release(probe->id);
    EXPECT_EQ(dispatcher->ViewerCount(), 0u);
    EXPECT_FALSE(dispatcher->ShowContents("/P/Vantrel.chm"));
    EXPECT_EQ(messages.said, std::vector<std::string>{"Error||Unable to find a Table of Contents"});
}

TEST_F(HelpDispatcherTest, KeywordsReachOnlyTheHtmlViewerWithTheTester) {
    InstallBridge();
    dispatcher->SetApplicationHelpFile("/P/Vantrel.chm");
    const std::string keyword = "grid locator";
    EXPECT_TRUE(dispatcher->HelpCommand(HelpDispatcher::kHelpKey,
                                        reinterpret_cast<std::uintptr_t>(keyword.c_str())));
    ASSERT_EQ(FakeEngine::calls.size(), 1u);
    EXPECT_EQ(FakeEngine::calls[0].Command, kHhDisplayIndex);
    EXPECT_EQ(FakeEngine::calls[0].Keyword, "grid locator");
}

TEST_F(HelpDispatcherTest, SeveralKeywordEntriesAreChosenByTheSelector) {
    InstallBridge();
    auto other = std::make_shared<EagerViewer>("Alpha");
    std::shared_ptr<HelpManager> unused;
    dispatcher->RegisterViewer(other, unused); // registered after the HTML viewer
    EXPECT_TRUE(dispatcher->ShowKeyword("Moon", "/P/Vantrel.chm"));
    ASSERT_EQ(FakeEngine::calls.size(), 1u);
    EXPECT_EQ(FakeEngine::calls[0].Keyword, "Moon");
    EXPECT_TRUE(other->shown.empty());
}

TEST_F(HelpDispatcherTest, WithoutTesterTheOldStyleViewerTakesOnlyItsOwnFiles) {
    auto selector = std::make_shared<RecordingSelector>();
    dispatcher->SetSelector(selector);
    html = std::make_shared<HtmlHelpViewer>(loader, application, &messages);
    dispatcher->RegisterViewer(html, html->DispatcherReference());
    EXPECT_TRUE(dispatcher->ShowKeyword("Sun", "/P/Vantrel.chm"));
    EXPECT_TRUE(selector->keywordOffer.empty()); // only one entry: no choice needed
    ASSERT_EQ(FakeEngine::calls.size(), 1u);

    FakeEngine::calls.clear();
    EXPECT_TRUE(dispatcher->ShowKeyword("Sun", "/P/Vantrel.hlp"));
    EXPECT_TRUE(FakeEngine::calls.empty());
    EXPECT_EQ(messages.said,
              std::vector<std::string>{"Warning|Warning|This help file cannot be shown: "
                                       "/P/Vantrel.hlp"});
}

TEST_F(HelpDispatcherTest, TopicsAndContextsGoToTheFirstViewerThatHandlesThem) {
    InstallBridge();
    EXPECT_TRUE(dispatcher->ShowTopic("sources", "/P/Vantrel.chm"));
    dispatcher->SetApplicationHelpFile("/P/Vantrel.chm");
    EXPECT_TRUE(dispatcher->HelpCommand(HelpDispatcher::kHelpContext, 1010));
    ASSERT_EQ(FakeEngine::calls.size(), 2u);
    EXPECT_EQ(FakeEngine::calls[0].File, "/P/Vantrel.chm::/sources.htm");
    EXPECT_EQ(FakeEngine::calls[1].Command, kHhHelpContext);
    EXPECT_EQ(FakeEngine::calls[1].Data, 1010u);

    // Nobody handles a topic of an old-style file once the tester declines.
    EXPECT_FALSE(dispatcher->ShowTopic("sources", "/P/Vantrel.hlp"));
    EXPECT_FALSE(dispatcher->ShowContext(5, "/P/Vantrel.hlp"));
    EXPECT_EQ(messages.said.size(), 2u);
    EXPECT_EQ(FakeEngine::calls.size(), 2u);
}

TEST_F(HelpDispatcherTest, TheRequestsFileIsSeenOnlyDuringTheRequest) {
    InstallBridge();
    application.helpFile = "/home/op/Fallback.chm";
    EXPECT_TRUE(dispatcher->ShowContents("/P/Vantrel.chm"));
    EXPECT_EQ(dispatcher->RequestHelpFile(), "");
    EXPECT_EQ(html->CurrentHelpFile(), "/home/op/Fallback.chm");
    ASSERT_EQ(FakeEngine::calls.size(), 1u);
    EXPECT_EQ(FakeEngine::calls[0].File, "/P/Vantrel.chm");
}

TEST_F(HelpDispatcherTest, QuitClosesAndDestructionShutsDownTheViewers) {
    InstallBridge();
    auto other = std::make_shared<EagerViewer>("Other");
    std::shared_ptr<HelpManager> otherManager;
    dispatcher->RegisterViewer(other, otherManager);
    EXPECT_TRUE(dispatcher->HelpCommand(HelpDispatcher::kHelpQuit, 0));
    EXPECT_EQ(other->shown, std::vector<std::string>{"close"});
    ASSERT_EQ(FakeEngine::calls.size(), 1u);
    EXPECT_EQ(FakeEngine::calls[0].Command, kHhCloseAll);
    EXPECT_FALSE(dispatcher->HelpCommand(0x4711, 0));

    dispatcher.reset();
    EXPECT_TRUE(other->shutDown);
    EXPECT_EQ(html->DispatcherReference(), nullptr);
    // A reference kept after the dispatcher went answers nothing.
    EXPECT_EQ(otherManager->HelpFile(), "");
    otherManager->Release(other->id);
}

class ApplicationHelpTest : public ::testing::Test {
protected:
    RecordingMessages messages;
    std::shared_ptr<FakeLoader> loader = std::make_shared<FakeLoader>();
    std::filesystem::path was = std::filesystem::current_path();
    std::filesystem::path here;

    void SetUp() override {
        FakeEngine::Reset();
        // A folder of this test's own: tests run in parallel, and nothing
        // is left behind.
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantrel-apphelp-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        here = pattern;
        std::filesystem::current_path(here);
    }
    void TearDown() override {
        std::filesystem::current_path(was);
        std::error_code ignored;
        std::filesystem::remove_all(here, ignored);
    }
};

TEST_F(ApplicationHelpTest, ContentsOfVantrelChmInTheCurrentDirectory) {
    ApplicationHelp help(messages, loader);
    auto* window = reinterpret_cast<QWidget*>(std::uintptr_t{0x1000});
    EXPECT_TRUE(help.ShowContents(window));
    ASSERT_EQ(FakeEngine::calls.size(), 1u);
    EXPECT_EQ(FakeEngine::calls[0].Command, kHhDisplayContents);
    EXPECT_EQ(FakeEngine::calls[0].File,
              (std::filesystem::current_path() / "Vantrel.chm").string());
    EXPECT_EQ(FakeEngine::calls[0].Caller, 0x1000u);

    EXPECT_TRUE(help.ShowKeyword(window, "Moon"));
    ASSERT_EQ(FakeEngine::calls.size(), 2u);
    EXPECT_EQ(FakeEngine::calls[1].Keyword, "Moon");
    EXPECT_TRUE(messages.said.empty());
}

TEST_F(ApplicationHelpTest, ReleaseGivesTheViewerBackAndUnloadsTheEngine) {
    ApplicationHelp help(messages, loader);
    ASSERT_NE(help.Viewer(), nullptr);
    EXPECT_EQ(help.Viewer()->ViewerId(), 1);
    help.Release();
    EXPECT_EQ(help.Viewer(), nullptr);
    EXPECT_EQ(help.Dispatcher(), nullptr);
    EXPECT_EQ(loader->unloaded, 1);
    EXPECT_FALSE(help.ShowContents(nullptr));
    help.Release(); // a second time changes nothing
    EXPECT_EQ(loader->unloaded, 1);
}

TEST_F(ApplicationHelpTest, MissingEngineIsSaidWhenHelpIsAskedFor) {
    loader->libraryPresent = false;
    ApplicationHelp help(messages, loader);
    EXPECT_TRUE(messages.said.empty()); // nothing at start-up
    EXPECT_TRUE(help.ShowContents(nullptr));
    EXPECT_EQ(messages.said,
              std::vector<std::string>{std::string("Warning|Warning|") + kHelpEngineMissing});
}

} // namespace
} // namespace vantrel
