#pragma once

#include "radiometer/PowerLogWriter.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <string>
#include <vector>

namespace vantrel {

/// Flags blocks used in the power log on threads of their own
/// (`FlagBlocksUsed` after the writer has written what it was given), so
/// the Receiver window never waits for the disk.
class UsedBlockFlagger final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    /// Flags the records of `utcStarts` (as `PowerLogTime` writes them) in
    /// the log of `writer`, which must outlive the job (`Wait`).
    void Flag(PowerLogWriter* writer, std::vector<std::string> utcStarts);
    /// Waits for every job (before the writer goes).
    void Wait();

signals:
    /// A job could not rewrite the log: the reason, a sentence.
    void Failed(const QString& why);

private:
    std::vector<QFuture<std::string>> jobs_;
};

} // namespace vantrel
