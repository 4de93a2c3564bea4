#include "mainwin/VansetValues.h"

#include "mainwin/VansetWrite.h"

#include <QSettings>

#include <cstdlib>

namespace vantrel {

std::string VansetText(const QSettings& ini, const QString& key) {
    return ini.value(key).toString().toStdString();
}

bool VansetFlag(const QSettings& ini, const QString& key, bool fallback) {
    const QString v = ini.value(key).toString().trimmed();
    if (v == QLatin1String("1")) {
        return true;
    }
    if (v == QLatin1String("0")) {
        return false;
    }
    return fallback;
}

std::optional<int> VansetWhole(const QSettings& ini, const QString& key) {
    bool ok = false;
    const int v = ini.value(key).toString().trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(v) : std::nullopt;
}

QString VansetNumberText(double value) {
    return QString::number(value, 'g', 17);
}

QString VansetKeyText(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<StoredPosition> ReadSectionPosition(const QSettings& ini, const char* section) {
    const auto left = VansetWhole(ini, VansetKey(section, "Left"));
    const auto top = VansetWhole(ini, VansetKey(section, "Top"));
    const auto width = VansetWhole(ini, VansetKey(section, "Width"));
    const auto height = VansetWhole(ini, VansetKey(section, "Height"));
    if (!left || !top || !width || !height) {
        return std::nullopt;
    }
    return StoredPosition{*left, *top, *width, *height};
}

void WriteSectionPosition(QSettings& ini, const char* section, const QRect& outer) {
    ini.setValue(VansetKey(section, "Left"), outer.left());
    ini.setValue(VansetKey(section, "Top"), outer.top());
    ini.setValue(VansetKey(section, "Width"), outer.width());
    ini.setValue(VansetKey(section, "Height"), outer.height());
}

std::optional<QRect> LoadSectionRect(const QString& directory, const char* section) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    const std::optional<StoredPosition> p = ReadSectionPosition(ini, section);
    // Compared as 64-bit values: INT_MIN has no 32-bit absolute value.
    if (!p || p->Width < 1 || p->Height < 1 || p->Width > kPositionLimit ||
        p->Height > kPositionLimit || std::llabs(p->Left) > kPositionLimit ||
        std::llabs(p->Top) > kPositionLimit) {
        return std::nullopt;
    }
    return QRect(p->Left, p->Top, p->Width, p->Height);
}

bool SaveSectionRect(const QString& directory, const char* section, const QRect& outer) {
    return WriteVanset(directory,
                       [&](QSettings& ini) { WriteSectionPosition(ini, section, outer); });
}

} // namespace vantrel
