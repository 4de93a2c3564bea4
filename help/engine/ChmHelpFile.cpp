#include "help/engine/ChmHelpFile.h"

#include <algorithm>
#include <cctype>

namespace vantrel {

namespace {

/// Entry codes of the archive's "/#SYSTEM" object.
constexpr std::uint16_t kSystemContentsFile = 0;
constexpr std::uint16_t kSystemIndexFile = 1;
constexpr std::uint16_t kSystemDefaultTopic = 2;
constexpr std::uint16_t kSystemTitle = 3;

std::uint16_t U16(std::string_view d, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) |
                                      static_cast<unsigned char>(d[at + 1]) << 8);
}

std::uint32_t U32(std::string_view d, std::size_t at) {
    return static_cast<std::uint32_t>(U16(d, at)) | static_cast<std::uint32_t>(U16(d, at + 2))
                                                        << 16;
}

/// The zero-terminated text at the start of `d`.
std::string CText(std::string_view d) {
    return std::string(d.substr(0, d.find('\0')));
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') {
        s.remove_suffix(1);
    }
    return s;
}

std::string WithoutAnchor(std::string_view path) {
    return std::string(path.substr(0, path.find('#')));
}

void NormaliseLocals(std::vector<SitemapEntry>& entries) {
    for (SitemapEntry& e : entries) {
        for (std::string& local : e.Locals) {
            local = ChmHelpFile::NormaliseTopic(local);
        }
        NormaliseLocals(e.Children);
    }
}

void Flatten(const std::vector<SitemapEntry>& entries, int depth, std::vector<IndexKeyword>& out) {
    for (const SitemapEntry& e : entries) {
        out.push_back({e.Name, e.Locals, depth});
        Flatten(e.Children, depth + 1, out);
    }
}

const std::string* FirstLocal(const std::vector<SitemapEntry>& entries) {
    for (const SitemapEntry& e : entries) {
        if (!e.Locals.empty()) {
            return &e.Locals.front();
        }
        if (const std::string* inner = FirstLocal(e.Children)) {
            return inner;
        }
    }
    return nullptr;
}

} // namespace

ChmHelpFileResult ChmHelpFile::Open(const std::string& path, const ChmReaderOptions& reader) {
    ChmReadResult read = ReadChmObjects(path, reader);
    ChmHelpFileResult result;
    result.Status = read.Status;
    result.Detail = std::move(read.Detail);
    if (read.Status == ChmReadStatus::Read) {
        result.File = FromArchive(path, ChmArchive(std::move(read.Objects)));
    }
    return result;
}

ChmHelpFile ChmHelpFile::FromArchive(std::string path, ChmArchive archive) {
    ChmHelpFile file(std::move(path), std::move(archive));
    file.ReadSystem();
    file.ReadSitemaps();
    file.ReadContextMap();
    if (file.defaultTopic_.empty()) {
        const std::string* first = FirstLocal(file.contents_);
        file.defaultTopic_ = first != nullptr ? *first : "/index.htm";
    }
    return file;
}

std::string ChmHelpFile::NormaliseTopic(std::string_view local) {
    const auto sep = local.find("::");
    if (sep != std::string_view::npos) {
        local.remove_prefix(sep + 2);
    }
    std::string path(Trim(local));
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path.front() != '/') {
        path.insert(path.begin(), '/');
    }
    return path;
}

void ChmHelpFile::ReadSystem() {
    const std::optional<std::string> system = archive_.Read("/#SYSTEM");
    if (!system) {
        return;
    }
    const std::string_view d(*system);
    std::size_t at = 4; // version
    while (at + 4 <= d.size()) {
        const std::uint16_t code = U16(d, at);
        const std::uint16_t length = U16(d, at + 2);
        at += 4;
        if (at + length > d.size()) {
            break;
        }
        const std::string_view data = d.substr(at, length);
        switch (code) {
        case kSystemContentsFile:
            contentsFile_ = CText(data);
            break;
        case kSystemIndexFile:
            indexFile_ = CText(data);
            break;
        case kSystemDefaultTopic:
            defaultTopic_ = CText(data).empty() ? std::string() : NormaliseTopic(CText(data));
            break;
        case kSystemTitle:
            title_ = CText(data);
            break;
        default:
            break;
        }
        at += length;
    }
}

void ChmHelpFile::ReadSitemaps() {
    // Without names in "/#SYSTEM", the first sitemap of each kind in the archive.
    if (contentsFile_.empty() || indexFile_.empty()) {
        for (const std::string& f : archive_.Files()) {
            const std::string lower = Lower(f);
            if (contentsFile_.empty() && lower.ends_with(".hhc")) {
                contentsFile_ = f;
            } else if (indexFile_.empty() && lower.ends_with(".hhk")) {
                indexFile_ = f;
            }
        }
    }
    if (!contentsFile_.empty()) {
        if (const auto hhc = archive_.Read(NormaliseTopic(contentsFile_))) {
            contents_ = ParseSitemap(*hhc);
            NormaliseLocals(contents_);
        }
    }
    if (!indexFile_.empty()) {
        if (const auto hhk = archive_.Read(NormaliseTopic(indexFile_))) {
            std::vector<SitemapEntry> keywords = ParseSitemap(*hhk);
            NormaliseLocals(keywords);
            Flatten(keywords, 0, index_);
        }
    }
}

std::string ChmHelpFile::ExistingPath(std::string_view stored) const {
    // Some compilers store the topic of a context with the directory it had
    // when the project was compiled: drop leading directories until a page
    // of the archive matches.
    std::string path = NormaliseTopic(stored);
    while (!path.empty()) {
        if (archive_.Contains(WithoutAnchor(path))) {
            return path;
        }
        const auto next = path.find('/', 1);
        if (next == std::string::npos) {
            break;
        }
        path.erase(0, next);
    }
    return {};
}

void ChmHelpFile::ReadContextMap() {
    const std::optional<std::string> ivb = archive_.Read("/#IVB");
    const std::optional<std::string> strings = archive_.Read("/#STRINGS");
    if (!ivb || !strings || ivb->size() < 4) {
        return;
    }
    const std::string_view d(*ivb);
    const std::size_t end = std::min<std::size_t>(d.size(), 4 + std::size_t{U32(d, 0)});
    for (std::size_t at = 4; at + 8 <= end; at += 8) {
        const std::uint32_t context = U32(d, at);
        const std::uint32_t offset = U32(d, at + 4);
        if (offset >= strings->size()) {
            continue;
        }
        const std::string topic = ExistingPath(CText(std::string_view(*strings).substr(offset)));
        if (!topic.empty()) {
            contexts_.emplace(context, topic);
        }
    }
}

int ChmHelpFile::FindKeyword(std::string_view text) const {
    const std::string wanted = Lower(Trim(text));
    if (wanted.empty()) {
        return -1;
    }
    for (std::size_t i = 0; i < index_.size(); ++i) {
        if (Lower(Trim(index_[i].Name)) == wanted) {
            return static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; i < index_.size(); ++i) {
        if (Lower(Trim(index_[i].Name)).starts_with(wanted)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<std::string> ChmHelpFile::TopicForContext(std::uint32_t context) const {
    const auto it = contexts_.find(context);
    if (it == contexts_.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool ChmHelpFile::HasTopic(std::string_view topic) const {
    return archive_.Contains(WithoutAnchor(NormaliseTopic(topic)));
}

std::optional<std::string> ChmHelpFile::Read(std::string_view path) const {
    return archive_.Read(WithoutAnchor(NormaliseTopic(path)));
}

} // namespace vantrel
