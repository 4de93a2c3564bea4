#pragma once

#include "help/engine/ChmArchive.h"
#include "help/engine/ChmReaderProcess.h"
#include "help/engine/Sitemap.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

struct ChmHelpFileResult;

/// One keyword of the index, flattened: sub-keywords follow their keyword
/// with `Depth` one more.
struct IndexKeyword {
    std::string Name;
    std::vector<std::string> Topics; ///< archive paths, "/sources.htm#catalogue"
    int Depth = 0;
};

/// A compiled HTML help file as the help window uses it: its title and
/// default topic, the table of contents and the index from its sitemaps,
/// the topics of its context numbers, and the pages and pictures.
///
/// Topic paths are archive paths with a leading "/", optionally followed by
/// "#" and an anchor. A sitemap's "Local" is taken relative to the archive
/// root; an "ms-its:" or "mk:@MSITStore:" prefix up to "::" is removed.
class ChmHelpFile {
public:
    /// Reads the help file `path` whole through the reader program (see
    /// ReadChmObjects: this process never parses the archive itself, so a
    /// damaged file cannot harm it). Blocks for as long as the reader runs:
    /// call it off the user-interface thread.
    static ChmHelpFileResult Open(const std::string& path, const ChmReaderOptions& reader);
    /// The help file of the objects of an archive read before.
    static ChmHelpFile FromArchive(std::string path, ChmArchive archive);

    const std::string& Path() const { return path_; }
    /// Title of the help project; empty when it has none.
    const std::string& Title() const { return title_; }
    /// The topic shown first: the project's default topic, else the first
    /// topic of the contents, else "/index.htm".
    const std::string& DefaultTopic() const { return defaultTopic_; }
    /// The table of contents with archive paths in `Locals`.
    const std::vector<SitemapEntry>& Contents() const { return contents_; }
    const std::vector<IndexKeyword>& Index() const { return index_; }
    /// Context numbers of the project's map and their topics.
    const std::map<std::uint32_t, std::string>& ContextMap() const { return contexts_; }

    /// The index keyword for a search text: the first keyword equal to it
    /// without regard to case and blanks at its ends, else the first that
    /// starts with it; -1 for none or for an empty text.
    int FindKeyword(std::string_view text) const;
    /// The topic of a context number; empty when the map has none.
    std::optional<std::string> TopicForContext(std::uint32_t context) const;

    /// Whether the archive holds the page of a topic path (anchor ignored).
    bool HasTopic(std::string_view topic) const;
    /// The object at an archive path (anchor ignored).
    std::optional<std::string> Read(std::string_view path) const;

    /// An archive path from a sitemap "Local" or a topic name: the prefix
    /// up to "::" removed, "\" turned into "/", a leading "/" added.
    static std::string NormaliseTopic(std::string_view local);

private:
    ChmHelpFile(std::string path, ChmArchive archive)
        : path_(std::move(path)), archive_(std::move(archive)) {}
    void ReadSystem();
    void ReadSitemaps();
    void ReadContextMap();
    std::string ExistingPath(std::string_view stored) const;

    std::string path_;
    ChmArchive archive_;
    std::string title_;
    std::string defaultTopic_;
    std::string contentsFile_;
    std::string indexFile_;
    std::vector<SitemapEntry> contents_;
    std::vector<IndexKeyword> index_;
    std::map<std::uint32_t, std::string> contexts_;
};

/// A help file that has been read, or why it could not be.
struct ChmHelpFileResult {
    std::optional<ChmHelpFile> File; ///< present when `Status` is `Read`
    ChmReadStatus Status = ChmReadStatus::Damaged;
    std::string Detail; ///< how the reader ended
};

} // namespace vantrel
