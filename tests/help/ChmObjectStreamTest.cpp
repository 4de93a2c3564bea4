// The stream in which the reader program hands a help file's objects over.

#include "help/engine/ChmObjectStream.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

std::string Object(std::string_view path, std::string_view data) {
    return ChmObjectRecord(path, data) + std::string(data);
}

std::string Stream(const std::string& records, std::uint64_t count, std::uint64_t total) {
    return std::string(kChmStreamMagic) + records + ChmEndRecord(count, total);
}

TEST(ChmObjectStream, WholeStreamGivesItsObjectsInOrder) {
    const std::string zeros("a\0b", 3);
    const std::string stream =
        Stream(Object("/#SYSTEM", zeros) + Object("/index.htm", "<html></html>") +
                   Object("/empty.htm", ""),
               3, 3 + 13);
    const auto got = ParseChmObjectStream(stream);
    ASSERT_TRUE(got.has_value());
    ASSERT_EQ(got->size(), 3u);
    EXPECT_EQ((*got)[0].Path, "/#SYSTEM");
    EXPECT_EQ((*got)[0].Data, zeros);
    EXPECT_EQ((*got)[1].Path, "/index.htm");
    EXPECT_EQ((*got)[1].Data, "<html></html>");
    EXPECT_EQ((*got)[2].Data, "");

    const auto none = ParseChmObjectStream(Stream("", 0, 0));
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
}

TEST(ChmObjectStream, BrokenStreamsAreRefused) {
    const std::string page = Object("/index.htm", "<p>");
    const std::string whole = Stream(page, 1, 3);
    std::string pathLengthHuge = ChmObjectRecord("/a", "");
    pathLengthHuge.replace(1, 4, "\xff\xff\xff\x7f");
    const struct {
        const char* Name;
        std::string Stream;
    } cases[] = {
        {"empty", ""},
        {"magic only", std::string(kChmStreamMagic)},
        {"wrong magic", "VCHMOBJ2" + page + ChmEndRecord(1, 3)},
        {"no end record", std::string(kChmStreamMagic) + page},
        {"cut in the data", whole.substr(0, kChmStreamMagic.size() + page.size() - 1)},
        {"cut in the end record", whole.substr(0, whole.size() - 1)},
        {"bytes after the end", whole + "x"},
        {"count too high", Stream(page, 2, 3)},
        {"count too low", Stream(page, 0, 3)},
        {"total wrong", Stream(page, 1, 4)},
        {"unknown tag", Stream("X" + page.substr(1), 1, 3)},
        {"path without slash", Stream(Object("index.htm", "<p>"), 1, 3)},
        {"empty path", Stream(Object("", "<p>"), 1, 3)},
        {"zero in path", Stream(Object(std::string("/a\0b", 4), "<p>"), 1, 3)},
        {"path too long", Stream(Object("/" + std::string(kChmMaxPathBytes, 'p'), ""), 1, 0)},
        {"path length beyond the stream", std::string(kChmStreamMagic) + pathLengthHuge},
    };
    ASSERT_TRUE(ParseChmObjectStream(whole).has_value()); // the cases break a good stream
    for (const auto& c : cases) {
        EXPECT_FALSE(ParseChmObjectStream(c.Stream).has_value()) << c.Name;
    }
}

TEST(ChmObjectStream, LimitOnTheNumberOfObjects) {
    std::string records;
    for (std::uint64_t i = 0; i < kChmMaxObjects; ++i) {
        records += Object("/p", "");
    }
    EXPECT_TRUE(ParseChmObjectStream(Stream(records, kChmMaxObjects, 0)).has_value());
    records += Object("/p", "");
    EXPECT_FALSE(ParseChmObjectStream(Stream(records, kChmMaxObjects + 1, 0)).has_value());
}

} // namespace
} // namespace vantrel
