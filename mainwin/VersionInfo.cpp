#include "mainwin/VersionInfo.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

/// Upper bound for a version section; anything larger is not ours.
constexpr std::uint64_t kLargestInfo = 1U << 20;

std::uint64_t Little(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

bool ReadAt(int fd, std::uint64_t offset, void* out, std::size_t size) {
    auto* dst = static_cast<std::uint8_t*>(out);
    while (size > 0) {
        const ssize_t n = ::pread(fd, dst, size, static_cast<off_t>(offset));
        if (n <= 0) {
            return false;
        }
        dst += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

/// Offset and size of the version section of an ELF64 little-endian file.
struct Section {
    std::uint64_t Offset = 0;
    std::uint64_t Size = 0;
};

std::optional<Section> FindSection(int fd) {
    std::uint8_t header[64];
    if (!ReadAt(fd, 0, header, sizeof header) ||
        std::memcmp(header,
                    "\x7f"
                    "ELF",
                    4) != 0 ||
        header[4] != 2 /* 64-bit */ || header[5] != 1 /* little-endian */) {
        return std::nullopt;
    }
    const std::uint64_t shoff = Little(header + 0x28, 8);
    const auto shentsize = static_cast<std::uint32_t>(Little(header + 0x3A, 2));
    const auto shnum = static_cast<std::uint32_t>(Little(header + 0x3C, 2));
    const auto shstrndx = static_cast<std::uint32_t>(Little(header + 0x3E, 2));
    if (shoff == 0 || shentsize < 64 || shnum == 0 || shstrndx >= shnum) {
        return std::nullopt;
    }
    const auto sectionHeader = [&](std::uint32_t i, std::uint8_t(&out)[64]) {
        return ReadAt(fd, shoff + static_cast<std::uint64_t>(i) * shentsize, out, sizeof out);
    };
    std::uint8_t names[64];
    if (!sectionHeader(shstrndx, names)) {
        return std::nullopt;
    }
    const std::uint64_t namesOffset = Little(names + 24, 8);
    const std::uint64_t namesSize = Little(names + 32, 8);
    for (std::uint32_t i = 0; i < shnum; ++i) {
        std::uint8_t sh[64];
        if (!sectionHeader(i, sh)) {
            return std::nullopt;
        }
        const std::uint64_t name = Little(sh, 4);
        if (name + kVersionSection.size() + 1 > namesSize) {
            continue;
        }
        char text[kVersionSection.size() + 1];
        if (!ReadAt(fd, namesOffset + name, text, sizeof text) ||
            std::string_view(text, sizeof text) !=
                std::string(kVersionSection) + std::string(1, '\0')) {
            continue;
        }
        const Section s{Little(sh + 24, 8), Little(sh + 32, 8)};
        if (s.Size < kVersionMagic.size() || s.Size > kLargestInfo) {
            return std::nullopt;
        }
        return s;
    }
    return std::nullopt;
}

std::optional<Section> SectionOf(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    const auto s = FindSection(fd);
    ::close(fd);
    return s;
}

bool SameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::size_t VersionInfoSize(const std::string& file) {
    const auto s = SectionOf(file);
    return s ? static_cast<std::size_t>(s->Size) : 0;
}

bool ReadVersionInfo(const std::string& file, std::span<std::uint8_t> buffer) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const auto s = FindSection(fd);
    const bool ok = s && s->Size <= buffer.size() &&
                    ReadAt(fd, s->Offset, buffer.data(), static_cast<std::size_t>(s->Size));
    ::close(fd);
    return ok;
}

std::optional<std::span<const std::uint8_t>> QueryVersionValue(std::span<const std::uint8_t> info,
                                                               std::string_view subBlock) {
    if (info.size() < kVersionMagic.size() ||
        std::memcmp(info.data(), kVersionMagic.data(), kVersionMagic.size()) != 0) {
        return std::nullopt;
    }
    std::size_t at = kVersionMagic.size();
    while (at + 2 <= info.size()) {
        const auto keyLength = static_cast<std::size_t>(Little(info.data() + at, 2));
        at += 2;
        if (keyLength == 0 || at + keyLength + 2 > info.size()) {
            return std::nullopt;
        }
        const std::string_view key(reinterpret_cast<const char*>(info.data() + at), keyLength);
        at += keyLength;
        const auto valueLength = static_cast<std::size_t>(Little(info.data() + at, 2));
        at += 2;
        if (at + valueLength > info.size()) {
            return std::nullopt;
        }
        if (SameKey(key, subBlock)) {
            return info.subspan(at, valueLength);
        }
        at += valueLength;
    }
    return std::nullopt;
}

VersionTexts ReadVersionTexts(const std::string& fileName) {
    const std::string file = fileName.empty() ? RunningExecutable() : fileName;
    VersionTexts texts;
    std::vector<std::uint8_t> buffer(VersionInfoSize(file), 0);
    if (buffer.empty() || !ReadVersionInfo(file, buffer)) {
        return texts;
    }
    const auto translation = QueryVersionValue(buffer, "\\VarFileInfo\\Translation");
    if (!translation || translation->size() < 4) {
        return texts;
    }
    const std::uint64_t entry = Little(translation->data(), 4);
    char path[64];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X%04X\\",
                  static_cast<unsigned>(entry & 0xFFFF),
                  static_cast<unsigned>((entry >> 16) & 0xFFFF));
    for (std::size_t i = 0; i < kVersionKeys.size(); ++i) {
        const auto value =
            QueryVersionValue(buffer, std::string(path) + std::string(kVersionKeys[i]));
        if (value) {
            const auto* begin = reinterpret_cast<const char*>(value->data());
            texts[i].assign(begin, ::strnlen(begin, value->size())); // up to the zero
        }
    }
    return texts;
}

std::string VersionSuffix(std::string_view fileVersion) {
    constexpr std::size_t kFirst = 7; // character 8, counted from 1
    constexpr std::size_t kCount = 4;
    return fileVersion.size() > kFirst ? std::string(fileVersion.substr(kFirst, kCount))
                                       : std::string();
}

std::int32_t PackedFileDate(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return -1;
    }
    std::tm t{};
    if (::localtime_r(&st.st_mtime, &t) == nullptr || t.tm_year < 80) {
        return -1;
    }
    const auto date =
        static_cast<std::uint32_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
    const auto time =
        static_cast<std::uint32_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
    return static_cast<std::int32_t>((date << 16) | time);
}

std::string RunningExecutable() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

} // namespace vantrel
