#include "help/engine/ChmObjectStream.h"

namespace vantrel {

namespace {

void PutLittleEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

/// Reads the stream from the front, never past its end.
class Cursor {
public:
    explicit Cursor(std::string_view s) : rest_(s) {}

    bool AtEnd() const { return rest_.empty(); }

    std::optional<std::uint64_t> Number(int bytes) {
        if (rest_.size() < static_cast<std::size_t>(bytes)) {
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(rest_[i])) << (8 * i);
        }
        rest_.remove_prefix(static_cast<std::size_t>(bytes));
        return value;
    }
    std::optional<std::string_view> Bytes(std::uint64_t count) {
        if (count > rest_.size()) {
            return std::nullopt;
        }
        const std::string_view taken = rest_.substr(0, static_cast<std::size_t>(count));
        rest_.remove_prefix(static_cast<std::size_t>(count));
        return taken;
    }

private:
    std::string_view rest_;
};

bool ValidPath(std::string_view path) {
    return !path.empty() && path.size() <= kChmMaxPathBytes && path.front() == '/' &&
           path.find('\0') == std::string_view::npos;
}

} // namespace

std::string ChmObjectRecord(std::string_view path, std::string_view data) {
    std::string out;
    out.reserve(kChmObjectOverheadBytes + path.size());
    out += kChmObjectTag;
    PutLittleEndian(out, path.size(), 4);
    out += path;
    PutLittleEndian(out, data.size(), 8);
    // The data follows; the caller writes it as it is.
    return out;
}

std::string ChmEndRecord(std::uint64_t count, std::uint64_t totalBytes) {
    std::string out;
    out += kChmEndTag;
    PutLittleEndian(out, count, 8);
    PutLittleEndian(out, totalBytes, 8);
    return out;
}

std::optional<std::vector<ChmObject>> ParseChmObjectStream(std::string_view stream) {
    if (stream.size() > kChmMaxStreamBytes || !stream.starts_with(kChmStreamMagic)) {
        return std::nullopt;
    }
    Cursor in(stream.substr(kChmStreamMagic.size()));
    std::vector<ChmObject> objects;
    std::uint64_t totalBytes = 0;
    for (;;) {
        const std::optional<std::uint64_t> tag = in.Number(1);
        if (!tag) {
            return std::nullopt; // no end record
        }
        if (*tag == static_cast<unsigned char>(kChmEndTag)) {
            const std::optional<std::uint64_t> count = in.Number(8);
            const std::optional<std::uint64_t> total = in.Number(8);
            if (!count || !total || *count != objects.size() || *total != totalBytes ||
                !in.AtEnd()) {
                return std::nullopt;
            }
            return objects;
        }
        if (*tag != static_cast<unsigned char>(kChmObjectTag) || objects.size() >= kChmMaxObjects) {
            return std::nullopt;
        }
        const std::optional<std::uint64_t> pathLength = in.Number(4);
        if (!pathLength || *pathLength > kChmMaxPathBytes) {
            return std::nullopt;
        }
        const std::optional<std::string_view> path = in.Bytes(*pathLength);
        if (!path || !ValidPath(*path)) {
            return std::nullopt;
        }
        const std::optional<std::uint64_t> dataLength = in.Number(8);
        if (!dataLength || *dataLength > kChmMaxObjectBytes ||
            *dataLength > kChmMaxArchiveBytes - totalBytes) {
            return std::nullopt;
        }
        const std::optional<std::string_view> data = in.Bytes(*dataLength);
        if (!data) {
            return std::nullopt;
        }
        totalBytes += *dataLength;
        objects.push_back({std::string(*path), std::string(*data)});
    }
}

} // namespace vantrel
