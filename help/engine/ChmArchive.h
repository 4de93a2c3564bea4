#pragma once

#include "help/engine/ChmObjectStream.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

/// The objects of a compiled HTML help file, held in memory. Paths inside
/// the archive start with "/" ("/index.htm", "/#SYSTEM") and are matched
/// without regard to the case of ASCII letters, as help files expect.
class ChmArchive {
public:
    /// An archive of `objects` in archive order; of two objects with the
    /// same path the first counts.
    explicit ChmArchive(std::vector<ChmObject> objects);

    /// Whether the archive holds an object at `path`.
    bool Contains(const std::string& path) const;
    /// The whole object at `path`; empty when there is none.
    std::optional<std::string> Read(const std::string& path) const;
    /// Paths of every object in the archive, in archive order.
    std::vector<std::string> Files() const;

private:
    const ChmObject* Find(const std::string& path) const;

    std::vector<ChmObject> objects_;
    std::map<std::string, std::size_t> byLowerPath_; ///< index into `objects_`
};

} // namespace vantrel
