#include "help/HtmlHelpViewer.h"

#include "tests/RecordingMessages.h"
#include "tests/help/FakeHelpEngine.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

class HtmlHelpViewerTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeLoader> loader = std::make_shared<FakeLoader>();
    FakeApplication application;
    std::shared_ptr<FakeManager> manager = std::make_shared<FakeManager>();
    RecordingMessages messages;
    std::unique_ptr<HtmlHelpViewer> viewer;

    void SetUp() override { FakeEngine::Reset(); }
    void TearDown() override { viewer.reset(); }

    HtmlHelpViewer& Make(const std::string& helpFile = "/P/Vantrel.chm") {
        // A viewer that goes closes the engine's windows: not a call of the
        // new viewer's.
        viewer.reset();
        FakeEngine::calls.clear();
        viewer = std::make_unique<HtmlHelpViewer>(loader, application, &messages);
        viewer->DispatcherReference() = manager;
        manager->helpFile = helpFile;
        return *viewer;
    }
    const EngineCall& OnlyCall() const {
        EXPECT_EQ(FakeEngine::calls.size(), 1u);
        static const EngineCall none;
        return FakeEngine::calls.empty() ? none : FakeEngine::calls.front();
    }
};

TEST_F(HtmlHelpViewerTest, NameAndContents) {
    HtmlHelpViewer& v = Make();
    EXPECT_EQ(v.ViewerName(), "QelHtmlHelp");
    EXPECT_TRUE(v.HasContents());
    EXPECT_EQ(loader->loaded, std::vector<std::string>{"libVantrelHtmlHelp.so"});
    EXPECT_TRUE(v.EngineLoaded());
    EXPECT_EQ(FakeEngine::reportContext, &v);
}

TEST_F(HtmlHelpViewerTest, ShowTopicAppendsTheDefaultExtensionUnlessHtml) {
    const std::pair<const char*, const char*> cases[] = {
        {"orbits", "/P/Vantrel.chm::/orbits.htm"},
        {"orbits.HTML", "/P/Vantrel.chm::/orbits.HTML"},
        {"orbits.txt", "/P/Vantrel.chm::/orbits.txt.htm"},
        {"sources.htm", "/P/Vantrel.chm::/sources.htm"},
    };
    HtmlHelpViewer& v = Make();
    manager->caller = 0x5150;
    for (const auto& [topic, file] : cases) {
        FakeEngine::calls.clear();
        EXPECT_TRUE(v.HandlesTopic(topic));
        v.ShowTopic(topic);
        const EngineCall& call = OnlyCall();
        EXPECT_EQ(call.File, file) << "topic: " << topic;
        EXPECT_EQ(call.Command, kHhDisplayTopic);
        EXPECT_EQ(call.Data, 0u);
        EXPECT_EQ(call.Caller, 0x5150u);
    }
}

TEST_F(HtmlHelpViewerTest, HelpFileRuleDecidesWhatIsClaimed) {
    struct Case {
        const char* dispatcherFile;
        const char* applicationFile;
        bool claimed;
        const char* used;
    };
    const Case cases[] = {
        {"/P/vantrel.CHM", "", true, "/P/vantrel.CHM"},
        {"/P/vantrel.chm.bak", "", false, ""},
        {"Vantrel.chm", "", true, "/opt/vantrel/Vantrel.chm"}, // the executable's directory
        {"", "/home/op/Vantrel.chm", true, "/home/op/Vantrel.chm"},
        {"", "Vantrel.chm", true, "/opt/vantrel/Vantrel.chm"},
        {"/P/notes.hlp", "/home/op/Vantrel.chm", false, ""}, // the dispatcher's file counts
        {"", "", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("dispatcher ") + c.dispatcherFile + ", application " +
                     c.applicationFile);
        FakeEngine::calls.clear();
        application.helpFile = c.applicationFile;
        HtmlHelpViewer& v = Make(c.dispatcherFile);
        EXPECT_EQ(v.KeywordMatchCount("anything"), c.claimed ? 1 : 0);
        EXPECT_EQ(v.HandlesTopic("orbits"), c.claimed);
        v.ShowContents();
        if (c.claimed) {
            const EngineCall& call = OnlyCall();
            EXPECT_EQ(call.File, c.used);
            EXPECT_EQ(call.Command, kHhDisplayContents);
        } else {
            EXPECT_TRUE(FakeEngine::calls.empty());
        }
    }
}

TEST_F(HtmlHelpViewerTest, WithoutDispatcherTheApplicationsHelpFileCounts) {
    application.helpFile = "/home/op/Vantrel.chm";
    HtmlHelpViewer& v = Make("/P/other.hlp");
    v.DispatcherReference().reset();
    EXPECT_EQ(v.CurrentHelpFile(), "/home/op/Vantrel.chm");
    v.ShowContents();
    EXPECT_EQ(OnlyCall().File, "/home/op/Vantrel.chm");
    EXPECT_EQ(OnlyCall().Caller, 0u);
}

TEST_F(HtmlHelpViewerTest, ShowKeywordCutsTheEntryAndTrims) {
    const std::pair<const char*, const char*> cases[] = {
        {"QelHtmlHelp:  Moon  ", "Moon"},
        {"Moon", "Moon"},
        {"QelHtmlHelp: grid locator", "grid locator"},
        {"QelHtmlHelp: Sun: rising", "Sun: rising"},
    };
    HtmlHelpViewer& v = Make();
    for (const auto& [entry, keyword] : cases) {
        FakeEngine::calls.clear();
        v.ShowKeyword(entry);
        const EngineCall& call = OnlyCall();
        EXPECT_EQ(call.Command, kHhDisplayIndex);
        EXPECT_EQ(call.File, "/P/Vantrel.chm");
        EXPECT_EQ(call.Keyword, keyword) << "entry: " << entry;
    }
    // Not compiled HTML help: nothing is looked up.
    FakeEngine::calls.clear();
    manager->helpFile = "/P/Vantrel.hlp";
    v.ShowKeyword("QelHtmlHelp: Moon");
    EXPECT_TRUE(FakeEngine::calls.empty());
}

TEST_F(HtmlHelpViewerTest, KeywordEntriesOfferOneEntryWithTheName) {
    HtmlHelpViewer& v = Make();
    EXPECT_EQ(v.KeywordEntries("Sun"), std::vector<std::string>{"QelHtmlHelp: Sun"});
    EXPECT_EQ(v.KeywordEntries(""), std::vector<std::string>{"QelHtmlHelp: "});
    // The keyword itself is not examined.
    EXPECT_EQ(v.KeywordMatchCount(""), 1);
    EXPECT_EQ(v.KeywordMatchCount("no such keyword"), 1);
}

TEST_F(HtmlHelpViewerTest, HandlesContextLooksAtTheGivenNameShowContextAtTheCurrentFile) {
    HtmlHelpViewer& v = Make("/P/Vantrel.hlp");
    EXPECT_TRUE(v.HandlesContext(7, "/Q/other.chm"));
    EXPECT_TRUE(v.HandlesContext(-1, "Other.CHM"));
    EXPECT_FALSE(v.HandlesContext(7, "/Q/other.hlp"));
    // The current file is old-style: the given .chm name does not help.
    v.ShowContext(7, "/Q/other.chm");
    EXPECT_TRUE(FakeEngine::calls.empty());

    manager->helpFile = "/P/Vantrel.chm";
    v.ShowContext(1200, "/Q/other.hlp");
    const EngineCall& call = OnlyCall();
    EXPECT_EQ(call.File, "/P/Vantrel.chm");
    EXPECT_EQ(call.Command, kHhHelpContext);
    EXPECT_EQ(call.Data, 1200u);
}

TEST_F(HtmlHelpViewerTest, ChooseKeywordEntryFindsItsOwnName) {
    HtmlHelpViewer& v = Make();
    using List = std::vector<std::string>;
    EXPECT_EQ(v.ChooseKeywordEntry(List{"QelHtmlHelp: Moon", "WinHelp: Moon"}), 0);
    EXPECT_EQ(v.ChooseKeywordEntry(List{"WinHelp: Moon", ": Moon", "QelHtmlHelp: Moon"}), 2);
    EXPECT_EQ(v.ChooseKeywordEntry(List{"WinHelp: Moon", "QelHtmlHelp"}), 1); // compared whole
    EXPECT_EQ(v.ChooseKeywordEntry(List{"WinHelp: Moon", "QelHtmlHelpX: Moon"}), 0);
    EXPECT_EQ(v.ChooseKeywordEntry(List{"qelhtmlhelp: Moon", "WinHelp: x"}), 0); // case counts
    EXPECT_EQ(v.ChooseKeywordEntry(List{}), 0);
}

TEST_F(HtmlHelpViewerTest, ChooseContentsViewerFindsItsOwnName) {
    HtmlHelpViewer& v = Make();
    using List = std::vector<std::string>;
    EXPECT_EQ(v.ChooseContentsViewer(List{"QelHtmlHelp", "WinHelp"}), 0);
    EXPECT_EQ(v.ChooseContentsViewer(List{"Alpha", "QelHtmlHelp", "WinHelp"}), 1);
    EXPECT_EQ(v.ChooseContentsViewer(List{"WinHelp"}), -1);
}

TEST_F(HtmlHelpViewerTest, CloseWindowsAndShutdown) {
    HtmlHelpViewer& v = Make();
    manager->caller = 0x77;
    v.CloseWindows();
    const EngineCall& call = OnlyCall();
    EXPECT_EQ(call.Command, kHhCloseAll);
    EXPECT_TRUE(call.NullFile);
    EXPECT_EQ(call.Caller, 0u);
    EXPECT_EQ(call.Data, 0u);

    FakeEngine::calls.clear();
    v.Shutdown();
    EXPECT_EQ(OnlyCall().Command, kHhCloseAll);
    EXPECT_EQ(v.DispatcherReference(), nullptr);
    EXPECT_TRUE(messages.said.empty());
}

TEST_F(HtmlHelpViewerTest, DestructionUnloadsTheEngineOnce) {
    Make();
    EXPECT_NE(FakeEngine::report, nullptr);
    viewer.reset();
    EXPECT_EQ(loader->unloaded, 1);
    // Its windows and readings are closed first, while its code is loaded.
    ASSERT_EQ(loader->callsBeforeUnload.size(), 1u);
    EXPECT_EQ(loader->callsBeforeUnload[0].Command, kHhCloseAll);
    EXPECT_EQ(FakeEngine::report, nullptr); // the engine no longer reports to it
}

TEST_F(HtmlHelpViewerTest, WhatTheEngineReportsReachesTheUser) {
    Make();
    ASSERT_NE(FakeEngine::report, nullptr);
    FakeEngine::report(FakeEngine::reportContext, "Help file not found: /P/Vantrel.chm");
    EXPECT_EQ(messages.said,
              std::vector<std::string>{"Warning|Warning|Help file not found: /P/Vantrel.chm"});
}

TEST_F(HtmlHelpViewerTest, MissingEngineTellsTheUserButStillClaimsTheFile) {
    for (const bool libraryPresent : {false, true}) {
        SCOPED_TRACE(libraryPresent ? "library without entry" : "no library");
        loader = std::make_shared<FakeLoader>();
        loader->libraryPresent = libraryPresent;
        loader->entryPresent = false;
        messages.said.clear();
        HtmlHelpViewer& v = Make();
        EXPECT_FALSE(v.EngineLoaded());
        EXPECT_TRUE(v.HandlesTopic("orbits"));
        EXPECT_EQ(v.KeywordMatchCount("Moon"), 1);
        v.ShowContents();
        v.ShowTopic("orbits");
        v.CloseWindows(); // nothing to close, nothing to say
        EXPECT_TRUE(FakeEngine::calls.empty());
        const std::string said = std::string("Warning|Warning|") + kHelpEngineMissing;
        EXPECT_EQ(messages.said, (std::vector<std::string>{said, said}));
        viewer.reset();
        EXPECT_EQ(loader->unloaded, libraryPresent ? 1 : 0);
    }
}

} // namespace
} // namespace vantrel
