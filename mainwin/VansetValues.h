#pragma once

#include "mainwin/PositionStore.h"

#include <QRect>
#include <QSettings>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The values a window keeps in its own section of "Vanset.ini", read and
// written alike by every section: `key` is the full "Section/name" of
// `VansetKey`.

/// The text stored at `key` as it is; empty when the key is missing.
std::string VansetText(const QSettings& ini, const QString& key);

/// The number stored at `key` as `parse(field, text)` of the window's own
/// fields reads it (a result with `Value` and `Problem`); none when the key
/// is missing or the value is refused.
template <typename Field, typename Parsed>
std::optional<double> VansetNumber(const QSettings& ini, const QString& key,
                                   Parsed (*parse)(Field, std::string_view), Field field) {
    if (!ini.contains(key)) {
        return std::nullopt;
    }
    const Parsed p = parse(field, VansetText(ini, key));
    if (!p.Problem.empty()) {
        return std::nullopt;
    }
    return p.Value;
}

/// A flag stored as "0" or "1" (blanks around it allowed); anything else,
/// a missing key included, is `fallback`.
bool VansetFlag(const QSettings& ini, const QString& key, bool fallback);

/// A whole number in the range of a 32-bit signed integer (blanks around it
/// allowed); none when the key is missing or holds anything else.
std::optional<int> VansetWhole(const QSettings& ini, const QString& key);

/// `value` as stored: 17 significant digits, which read back to the same
/// double.
QString VansetNumberText(double value);

/// A key of the program's own (ASCII) as stored text.
QString VansetKeyText(std::string_view text);

/// A window's outer rectangle as the keys "Left", "Top", "Width" and
/// "Height" of `section`, pixels; none unless all four are whole numbers.
std::optional<StoredPosition> ReadSectionPosition(const QSettings& ini, const char* section);

/// Writes `outer` as the four keys of `section`.
void WriteSectionPosition(QSettings& ini, const char* section, const QRect& outer);

/// The rectangle of `ReadSectionPosition` taken as it is stored, when it is
/// one a desktop can have: width and height 1 to `kPositionLimit`, left and
/// top edge within ±`kPositionLimit`; none otherwise.
std::optional<QRect> LoadSectionRect(const QString& directory, const char* section);

/// Writes `outer` as the four keys of `section` (`WriteVanset`); false when
/// the file could not be written.
bool SaveSectionRect(const QString& directory, const char* section, const QRect& outer);

} // namespace vantrel
