#include "mainwin/VansetWrite.h"

#include "mainwin/PositionStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <unistd.h>

namespace vantrel {

namespace {

/// Whether the folder of `path` takes new files (the lock and the
/// replacement the INI writer makes there).
bool FolderTakesNewFiles(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    return ::access(folder.constData(), W_OK | X_OK) == 0;
}

/// The text `edit` makes of `current` (the file's bytes), by the INI writer
/// itself in a scratch copy; empty when the copy cannot be made.
QByteArray EditedText(const QByteArray& current, const std::function<void(QSettings&)>& edit) {
    const QTemporaryDir scratch;
    if (!scratch.isValid()) {
        return {};
    }
    const QString copy = scratch.filePath(QLatin1String(kPositionFileName));
    {
        QFile file(copy);
        if (!file.open(QIODevice::WriteOnly) || file.write(current) != current.size()) {
            return {};
        }
    }
    {
        QSettings ini(copy, QSettings::IniFormat);
        edit(ini);
        ini.sync();
        if (ini.status() != QSettings::NoError) {
            return {};
        }
    }
    QFile file(copy);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Writes `text` over the file at `path` from its start and cuts it there.
bool RewriteInPlace(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        return false;
    }
    bool written = file.write(text) == text.size() && file.resize(text.size()) && file.flush();
    written = written && ::fsync(file.handle()) == 0;
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

} // namespace

bool WriteVanset(const QString& directory, const std::function<void(QSettings&)>& edit) {
    const QString path = VansetPath(directory);
    const QFileInfo info(path);
    if (FolderTakesNewFiles(path) || !info.exists()) {
        QSettings ini(path, QSettings::IniFormat);
        edit(ini);
        ini.sync();
        return ini.status() == QSettings::NoError;
    }
    // A file of the user's in a folder that takes no new file: written in
    // place when the file itself may be written.
    if (!info.isFile() || !info.isWritable()) {
        return false;
    }
    QByteArray current;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return false;
        }
        current = file.readAll();
    }
    const QByteArray text = EditedText(current, edit);
    return !text.isEmpty() && RewriteInPlace(path, text);
}

} // namespace vantrel
