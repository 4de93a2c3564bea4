// Fuzz target: the sitemaps of a help file (contents .hhc, index .hhk) and
// the decoding of HTML entities in them.
//
// Input: the first byte chooses between the whole sitemap parser and the
// entity decoder alone; the rest is the text. Properties:
//  - entries nest at most 32 deep and every entry has a name or a topic;
//  - decoding never lengthens a text (every entity is longer than the
//    UTF-8 it stands for), leaves a text without "&" as it is, and turns
//    valid UTF-8 into valid UTF-8, whatever code point an entity names.

#include "help/engine/Sitemap.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/TextChecks.h"

#include <string>

namespace {

using namespace vantrel;
using vantrel::fuzz::ValidUtf8;

void CheckEntries(const std::vector<SitemapEntry>& entries, int depth) {
    FUZZ_CHECK(entries.empty() || depth <= 32);
    for (const SitemapEntry& e : entries) {
        FUZZ_CHECK(!e.Name.empty() || !e.Locals.empty() || !e.Children.empty());
        CheckEntries(e.Children, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & 1U) == 0) {
        CheckEntries(ParseSitemap(text), 1);
        return 0;
    }
    const std::string decoded = DecodeHtmlEntities(text);
    FUZZ_CHECK(decoded.size() <= text.size());
    if (text.find('&') == std::string_view::npos) {
        FUZZ_CHECK(decoded == text);
    }
    if (ValidUtf8(text)) {
        FUZZ_CHECK(ValidUtf8(decoded));
    }
    return 0;
}
