#include "help/engine/ChmArchive.h"

#include <algorithm>

namespace vantrel {

namespace {

/// ASCII letters in lower case; other bytes (UTF-8 among them) unchanged.
std::string LowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return s;
}

} // namespace

ChmArchive::ChmArchive(std::vector<ChmObject> objects) : objects_(std::move(objects)) {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        byLowerPath_.emplace(LowerAscii(objects_[i].Path), i);
    }
}

const ChmObject* ChmArchive::Find(const std::string& path) const {
    const auto it = byLowerPath_.find(LowerAscii(path));
    return it != byLowerPath_.end() ? &objects_[it->second] : nullptr;
}

bool ChmArchive::Contains(const std::string& path) const {
    return Find(path) != nullptr;
}

std::optional<std::string> ChmArchive::Read(const std::string& path) const {
    const ChmObject* object = Find(path);
    if (object == nullptr) {
        return std::nullopt;
    }
    return object->Data;
}

std::vector<std::string> ChmArchive::Files() const {
    std::vector<std::string> files;
    files.reserve(objects_.size());
    for (const ChmObject& o : objects_) {
        files.push_back(o.Path);
    }
    return files;
}

} // namespace vantrel
