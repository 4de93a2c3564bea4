#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// One entry of a help sitemap: a line of the table of contents (.hhc) or a
/// keyword of the index (.hhk). `Locals` are the topics it leads to, as
/// written in the file ("planning.htm", "sources.htm#catalogue"); a book of
/// the contents may have none. Entries nested in a further list are
/// `Children`.
struct SitemapEntry {
    std::string Name;
    std::vector<std::string> Locals;
    std::vector<SitemapEntry> Children;
};

/// Reads the entries of a sitemap file: the `<OBJECT type="text/sitemap">`
/// elements with their "Name" and "Local" parameters, nested by the `<UL>`
/// lists around them. Tags and parameter names are matched without regard
/// to case; attribute values may be quoted with " or ' or not at all; the
/// entities &amp; &lt; &gt; &quot; &apos; &nbsp; and numeric ones are decoded
/// (to UTF-8). Anything else in the file, and broken markup, is passed over:
/// the result holds what could be read. Lists nested more than 32 deep are
/// read as 32 deep.
std::vector<SitemapEntry> ParseSitemap(std::string_view html);

/// Decodes the entities of an attribute value or text. A numeric entity of
/// a number that is no character (0, a UTF-16 surrogate, above U+10FFFF)
/// gives U+FFFD; an entity not known is kept as it stands. Valid UTF-8
/// stays valid UTF-8.
std::string DecodeHtmlEntities(std::string_view text);

} // namespace vantrel
