#include "help/engine/ChmArchive.h"

#include <chm_lib.h>

namespace vantrel {

namespace {

/// Objects larger than this are refused rather than read into memory; help
/// pages and pictures are far smaller.
constexpr LONGUINT64 kMaxObjectBytes = 64ULL * 1024 * 1024;

int CollectFile(chmFile*, chmUnitInfo* ui, void* context) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(ui->path);
    return CHM_ENUMERATOR_CONTINUE;
}

} // namespace

void ChmArchive::Close::operator()(chmFile* f) const {
    if (f != nullptr) {
        chm_close(f);
    }
}

std::optional<ChmArchive> ChmArchive::Open(const std::string& path) {
    chmFile* f = chm_open(path.c_str());
    if (f == nullptr) {
        return std::nullopt;
    }
    return ChmArchive(f);
}

ChmArchive::~ChmArchive() = default;

bool ChmArchive::Contains(const std::string& path) const {
    chmUnitInfo ui{};
    return file_ != nullptr &&
           chm_resolve_object(file_.get(), path.c_str(), &ui) == CHM_RESOLVE_SUCCESS;
}

std::optional<std::string> ChmArchive::Read(const std::string& path) const {
    chmUnitInfo ui{};
    if (file_ == nullptr ||
        chm_resolve_object(file_.get(), path.c_str(), &ui) != CHM_RESOLVE_SUCCESS ||
        ui.length > kMaxObjectBytes) {
        return std::nullopt;
    }
    std::string data(static_cast<std::size_t>(ui.length), '\0');
    if (ui.length == 0) {
        return data;
    }
    const LONGINT64 got =
        chm_retrieve_object(file_.get(), &ui, reinterpret_cast<unsigned char*>(data.data()), 0,
                            static_cast<LONGINT64>(ui.length));
    if (got != static_cast<LONGINT64>(ui.length)) {
        return std::nullopt;
    }
    return data;
}

std::vector<std::string> ChmArchive::Files() const {
    std::vector<std::string> files;
    if (file_ != nullptr) {
        chm_enumerate(file_.get(), CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, &CollectFile,
                      &files);
    }
    return files;
}

} // namespace vantrel
