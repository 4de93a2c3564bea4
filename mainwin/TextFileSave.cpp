#include "mainwin/TextFileSave.h"

#include <QSaveFile>

namespace vantrel {

QString SaveTextFile(const QString& path, const std::string& bytes) {
    QSaveFile file(path);
    // Never fall back to writing into the target itself, which a failure
    // half-way would leave truncated.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return {};
}

} // namespace vantrel
