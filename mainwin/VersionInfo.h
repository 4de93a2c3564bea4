#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// The version information of an executable file.
///
/// Linux executables carry no version resource, so the build embeds one in
/// an ELF section of the program ("`.vantrel_version`"): the magic
/// "VTRLVER1", then records of a 16-bit little-endian key length, the key,
/// a 16-bit value length and the value, ended by a key length of 0. Keys are
/// the sub-block paths of a classic version resource:
/// "\VarFileInfo\Translation" holds 32-bit translation entries (language in
/// the low 16 bits, code page in the high 16 bits), and
/// "\StringFileInfo\040904E4\FileVersion" and its siblings hold
/// zero-terminated texts. Keys match without regard to letter case.
inline constexpr std::string_view kVersionSection = ".vantrel_version";
inline constexpr std::string_view kVersionMagic = "VTRLVER1";

/// The ten version texts, in the order the program reads them.
inline constexpr std::array<std::string_view, 10> kVersionKeys{
    "CompanyName",    "FileDescription",  "FileVersion", "InternalName",   "LegalCopyRight",
    "LegalTradeMark", "OriginalFileName", "ProductName", "ProductVersion", "Comments"};

/// Index of each text in `VersionTexts`.
namespace version_text {
inline constexpr std::size_t kFileVersion = 2;
inline constexpr std::size_t kLegalCopyright = 4;
inline constexpr std::size_t kComments = 9;
} // namespace version_text

using VersionTexts = std::array<std::string, 10>;

/// Size in bytes of the file's version information; 0 when it has none or
/// cannot be read.
std::size_t VersionInfoSize(const std::string& file);
/// Reads the version information into `buffer` (sized by
/// `VersionInfoSize`); false when it cannot.
bool ReadVersionInfo(const std::string& file, std::span<std::uint8_t> buffer);
/// The value of a sub-block path in the version information; empty when
/// the path is not there or the data is damaged.
std::optional<std::span<const std::uint8_t>> QueryVersionValue(std::span<const std::uint8_t> info,
                                                               std::string_view subBlock);

/// Read version information: the ten texts of `file` (the running
/// executable when empty), each empty when it cannot be read. Each text is
/// looked up through the first translation entry.
VersionTexts ReadVersionTexts(const std::string& file);

/// The caption's version: characters 8 to 11 (from 1) of the file version,
/// fewer when it is shorter: "2015.0.1.11" gives "1.11".
std::string VersionSuffix(std::string_view fileVersion);

/// The modification date-time of a file packed as 32 bits (date in the high
/// 16 bits: years since 1980, month, day; time in the low 16: hours,
/// minutes, seconds ÷ 2), in local time; −1 when the file cannot be found.
std::int32_t PackedFileDate(const std::string& file);

/// The full path of the running executable.
std::string RunningExecutable();

} // namespace vantrel
