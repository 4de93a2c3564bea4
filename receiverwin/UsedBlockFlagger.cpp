#include "receiverwin/UsedBlockFlagger.h"

#include "receiverwin/UsedBlocks.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <chrono>

namespace vantrel {

namespace {

/// How long a job waits for the writer to write what it was given, ms.
constexpr int kWriterWaitMs = 3000;

} // namespace

void UsedBlockFlagger::Flag(PowerLogWriter* writer, std::vector<std::string> utcStarts) {
    std::erase_if(jobs_, [](const QFuture<std::string>& f) { return f.isFinished(); });
    auto* watcher = new QFutureWatcher<std::string>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        const std::string why = watcher->result();
        watcher->deleteLater();
        if (!why.empty()) {
            emit Failed(QString::fromStdString(why));
        }
    });
    QFuture<std::string> job = QtConcurrent::run([writer, starts = std::move(utcStarts)] {
        writer->Flush(std::chrono::milliseconds(kWriterWaitMs));
        return FlagBlocksUsed(writer->Path(), starts).value_or(std::string());
    });
    watcher->setFuture(job);
    jobs_.push_back(job);
}

void UsedBlockFlagger::Wait() {
    for (QFuture<std::string>& f : jobs_) {
        f.waitForFinished();
    }
    jobs_.clear();
}

} // namespace vantrel
