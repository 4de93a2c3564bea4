#include "help/engine/Sitemap.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace vantrel {
namespace {

TEST(Sitemap, NestedListsMakeChildren) {
    const char* hhc = R"(<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">
<HTML><HEAD></HEAD><BODY>
<OBJECT type="text/site properties"><param name="ImageType" value="Folder"></OBJECT>
<UL>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="Welcome"><param name="Local" value="index.htm"></OBJECT>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="The main window"></OBJECT>
  <UL>
    <LI><OBJECT type="text/sitemap"><param name="Name" value="Planning"><param name="Local" value="planning.htm"></OBJECT>
    <UL><LI><OBJECT type="text/sitemap"><param name="Name" value="Day rows"><param name="Local" value="planning.htm#days"></OBJECT></UL>
    <LI><OBJECT type="text/sitemap"><param name="Name" value="Printing"><param name="Local" value="printing.htm"></OBJECT>
  </UL>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="Data files"><param name="Local" value="datafiles.htm"></OBJECT>
</UL></BODY></HTML>)";
    const std::vector<SitemapEntry> toc = ParseSitemap(hhc);
    ASSERT_EQ(toc.size(), 3u);
    EXPECT_EQ(toc[0].Name, "Welcome");
    EXPECT_EQ(toc[0].Locals, std::vector<std::string>{"index.htm"});
    EXPECT_EQ(toc[1].Name, "The main window");
    EXPECT_TRUE(toc[1].Locals.empty());
    ASSERT_EQ(toc[1].Children.size(), 2u);
    EXPECT_EQ(toc[1].Children[0].Name, "Planning");
    ASSERT_EQ(toc[1].Children[0].Children.size(), 1u);
    EXPECT_EQ(toc[1].Children[0].Children[0].Locals, std::vector<std::string>{"planning.htm#days"});
    EXPECT_EQ(toc[1].Children[1].Name, "Printing");
    EXPECT_EQ(toc[2].Name, "Data files");
    EXPECT_TRUE(toc[2].Children.empty());
}

TEST(Sitemap, MarkupVariantsAreRead) {
    // Lower-case tags, single quotes, unquoted values, self-closing params,
    // parameter names in any case, comments, several topics per keyword.
    const char* hhk = "<ul><!-- <object type=\"text/sitemap\"><param name=Name value=Hidden>"
                      "</object> -->\n"
                      "<li><object type='text/sitemap'><param name='name' value='Moon'/>"
                      "<PARAM NAME=\"LOCAL\" VALUE=\"sunmoon.htm\"><param name=\"Name\" "
                      "value=\"Second title\"><param name=Local value=realtime.htm></object>\n"
                      "<li><object type=\"TEXT/SITEMAP\"><param name=\"Name\" "
                      "value=\"A &amp; B &lt;x&gt; &quot;q&quot; &#176; &#xB0; &bogus; &\">"
                      "<param name=\"Local\" value=\"a.htm\"></object></ul>";
    const std::vector<SitemapEntry> index = ParseSitemap(hhk);
    ASSERT_EQ(index.size(), 2u);
    EXPECT_EQ(index[0].Name, "Moon");
    EXPECT_EQ(index[0].Locals, (std::vector<std::string>{"sunmoon.htm", "realtime.htm"}));
    EXPECT_EQ(index[1].Name, "A & B <x> \"q\" \xC2\xB0 \xC2\xB0 &bogus; &");
}

TEST(Sitemap, BrokenMarkupGivesWhatCouldBeRead) {
    EXPECT_TRUE(ParseSitemap("").empty());
    EXPECT_TRUE(ParseSitemap("<html><body>no sitemap here</body></html>").empty());
    // Unclosed object and list, a stray closing list, a quote never closed.
    const std::vector<SitemapEntry> got =
        ParseSitemap("</ul></ul><li><object type=\"text/sitemap\"><param name=\"Name\" "
                     "value=\"Top\"></object><ul><ul><li><object type=\"text/sitemap\">"
                     "<param name=\"Name\" value=\"Deep\"></object><object type=\"text/sitemap\">"
                     "<param name=\"Name\" value=\"Open");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Name, "Top");
    ASSERT_EQ(got[0].Children.size(), 1u); // deeper than the tree: under the last entry
    EXPECT_EQ(got[0].Children[0].Name, "Deep");
}

TEST(Sitemap, Entities) {
    EXPECT_EQ(DecodeHtmlEntities("Az&nbsp;El"), "Az\xC2\xA0"
                                                "El");
    EXPECT_EQ(DecodeHtmlEntities("&#8722;43.01"), "\xE2\x88\x92"
                                                  "43.01");
    EXPECT_EQ(DecodeHtmlEntities("&#x1F4E1;"), "\xF0\x9F\x93\xA1");
    EXPECT_EQ(DecodeHtmlEntities("&#;&#x;&#12a;"), "&#;&#x;&#12a;");
    EXPECT_EQ(DecodeHtmlEntities("AT&T"), "AT&T");
}

TEST(Sitemap, EntitiesAtTheLengthLimit) {
    // Nine characters between "&" and ";" are an entity, ten are text.
    EXPECT_EQ(DecodeHtmlEntities("&#00000065;"), "A");
    EXPECT_EQ(DecodeHtmlEntities("&#000000065;"), "&#000000065;");
    EXPECT_EQ(DecodeHtmlEntities("&amp"), "&amp");
    EXPECT_EQ(DecodeHtmlEntities("&amp&lt;"), "&amp<");
    EXPECT_EQ(DecodeHtmlEntities("&"), "&");
}

/// Numbers that name no character used to come out as an encoded surrogate
/// (invalid UTF-8), a zero byte, or nothing at all (the entity vanished).
TEST(Sitemap, EntitiesOfNoCharacterGiveTheReplacementCharacter) {
    const std::string replacement = "\xEF\xBF\xBD"; // U+FFFD
    const struct {
        const char* Name;
        const char* Text;
    } cases[] = {
        {"high surrogate", "&#xD800;"},   {"low surrogate", "&#57343;"},         {"zero", "&#0;"},
        {"beyond Unicode", "&#x110000;"}, {"largest number read", "&#xFFFFFF;"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeHtmlEntities(std::string("a") + c.Text + "b"), "a" + replacement + "b")
            << c.Name;
    }
    EXPECT_EQ(DecodeHtmlEntities("&#x10FFFF;"), "\xF4\x8F\xBF\xBF"); // the last one there is
    EXPECT_EQ(DecodeHtmlEntities("&#xFFFD;"), replacement);
}

/// Sitemaps whose texts are long runs of "&" or of entities that never end
/// are read whole and in linear time: two million of them took most of a
/// minute while each "&" searched the rest of the text for its ";".
TEST(Sitemap, LongRunsOfAmpersandsAreReadInLinearTime) {
    constexpr std::size_t kRun = 2'000'000;
    struct Case {
        const char* Name;
        std::string Value;
    };
    std::string unterminated;
    while (unterminated.size() < kRun) {
        unterminated += "&abcdefghijklmnopq";
    }
    const Case cases[] = {
        {"ampersands", std::string(kRun, '&')},
        {"ampersands before a far semicolon", std::string(kRun, '&') + ";"},
        {"entities without an end", unterminated + ";"},
    };
    for (const Case& c : cases) {
        const std::string hhc = "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" "
                                "value=\"" +
                                c.Value + "\"></object></ul>";
        const auto start = std::chrono::steady_clock::now();
        const std::vector<SitemapEntry> got = ParseSitemap(hhc);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        ASSERT_EQ(got.size(), 1u) << c.Name;
        EXPECT_EQ(got[0].Name, c.Value) << c.Name;
        // Linear reading takes a few milliseconds; the bound leaves room for
        // a busy machine.
        EXPECT_LT(took.count(), 5.0) << c.Name;
    }
}

} // namespace
} // namespace vantrel
