#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct chmFile;

namespace vantrel {

/// A compiled HTML help file opened for reading with chmlib. Paths inside
/// the archive start with "/" ("/index.htm", "/#SYSTEM").
class ChmArchive {
public:
    /// Opens `path`; empty when the file does not exist or is not a
    /// compiled help file.
    static std::optional<ChmArchive> Open(const std::string& path);

    ChmArchive(ChmArchive&&) noexcept = default;
    ChmArchive& operator=(ChmArchive&&) noexcept = default;
    ~ChmArchive();

    /// Whether the archive holds an object at `path`.
    bool Contains(const std::string& path) const;
    /// The whole object at `path`; empty when there is none or it cannot be
    /// read to its end.
    std::optional<std::string> Read(const std::string& path) const;
    /// Paths of every file in the archive, in archive order.
    std::vector<std::string> Files() const;

private:
    struct Close {
        void operator()(chmFile* f) const;
    };
    explicit ChmArchive(chmFile* f) : file_(f) {}
    std::unique_ptr<chmFile, Close> file_;
};

} // namespace vantrel
