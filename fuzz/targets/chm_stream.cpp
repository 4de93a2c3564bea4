// Fuzz target: what the help engine does with the stream of the help file
// reader (the objects of a help file) and everything it reads from them:
// the project's "/#SYSTEM" table, the contents and index sitemaps, the
// context map.
//
// Input: the stream as it comes through the pipe from vantrel-chm-reader.
// Properties:
//  - a stream is taken whole or not at all: taken, its objects framed again
//    give the very same bytes, and they keep the limits (paths start with
//    "/", hold no zero byte, sizes within the limits);
//  - the help file built from the objects answers every question the help
//    window asks: every topic path it names starts with "/", the default
//    topic is never empty, and looking up any of them works.

#include "fuzz/FuzzCheck.h"
#include "help/engine/ChmHelpFile.h"
#include "help/engine/ChmObjectStream.h"

#include <string>

namespace {

using namespace vantrel;

void Walk(const ChmHelpFile& help, const std::vector<SitemapEntry>& entries) {
    for (const SitemapEntry& e : entries) {
        for (const std::string& local : e.Locals) {
            FUZZ_CHECK(!local.empty() && local.front() == '/');
            help.HasTopic(local);
            help.Read(local);
        }
        Walk(help, e.Children);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view stream(reinterpret_cast<const char*>(data), size);
    std::optional<std::vector<ChmObject>> objects = ParseChmObjectStream(stream);
    if (!objects) {
        return 0;
    }
    std::string again(kChmStreamMagic);
    std::uint64_t total = 0;
    for (const ChmObject& o : *objects) {
        FUZZ_CHECK(!o.Path.empty() && o.Path.front() == '/');
        FUZZ_CHECK(o.Path.size() <= kChmMaxPathBytes);
        FUZZ_CHECK(o.Path.find('\0') == std::string::npos);
        FUZZ_CHECK(o.Data.size() <= kChmMaxObjectBytes);
        again += ChmObjectRecord(o.Path, o.Data);
        again += o.Data;
        total += o.Data.size();
    }
    again += ChmEndRecord(objects->size(), total);
    FUZZ_CHECK(again == stream);

    const ChmHelpFile help = ChmHelpFile::FromArchive("fuzz.chm", ChmArchive(std::move(*objects)));
    FUZZ_CHECK(!help.DefaultTopic().empty() && help.DefaultTopic().front() == '/');
    help.Read(help.DefaultTopic());
    Walk(help, help.Contents());
    for (const IndexKeyword& k : help.Index()) {
        FUZZ_CHECK(k.Depth >= 0);
        for (const std::string& topic : k.Topics) {
            FUZZ_CHECK(!topic.empty() && topic.front() == '/');
            help.HasTopic(topic);
        }
        const int found = help.FindKeyword(k.Name);
        FUZZ_CHECK(found >= -1 && found < static_cast<int>(help.Index().size()));
    }
    for (const auto& [context, topic] : help.ContextMap()) {
        FUZZ_CHECK(help.TopicForContext(context) == topic);
    }
    help.FindKeyword("moon");
    help.FindKeyword("");
    return 0;
}
