#include "receiverwin/PowerLogFlush.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>

#include <chrono>
#include <cstdio>

namespace vantrel {

namespace {

/// Records are usually written within this, ms: no dialog then.
constexpr int kQuietWaitMs = 300;
/// One round of the dialog's loop, ms.
constexpr int kRoundMs = 50;

QString FromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::size_t WaitForPowerLog(PowerLogWriter& log, QWidget* parent) {
    if (log.Flush(std::chrono::milliseconds(kQuietWaitMs))) {
        return 0;
    }
    const QString path = FromStd(log.Path());
    const std::size_t first = log.Waiting();
    QProgressDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("PowerLogFlush"));
    dialog.setWindowTitle(QStringLiteral("Writing the power log"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    dialog.setRange(0, static_cast<int>(first));
    dialog.setMinimumWidth(520);
    // A button of its own, sized for the most it will say: the count only
    // falls.
    auto* cancel = new QPushButton(QStringLiteral("Exit and lose %1 block(s)").arg(first));
    dialog.setCancelButton(cancel);
    dialog.setLabelText(QStringLiteral("%1 block(s) of the power log wait to be written to %2.")
                            .arg(first)
                            .arg(path));
    dialog.resize(dialog.sizeHint());
    dialog.show();
    QElapsedTimer retry;
    retry.start();
    for (;;) {
        const std::size_t waiting = log.Waiting();
        if (waiting == 0 || dialog.wasCanceled()) {
            break;
        }
        const std::string why = log.Failing();
        QString text = QStringLiteral("%1 block(s) of the power log wait to be written to %2.")
                           .arg(waiting)
                           .arg(path);
        if (!why.empty()) {
            text += QStringLiteral("\n\nThey cannot be written: %1\nFree space or mend the folder: "
                                   "they are tried again every second.")
                        .arg(FromStd(why));
        }
        if (dialog.labelText() != text) {
            dialog.setLabelText(text);
        }
        const QString exitText = QStringLiteral("Exit and lose %1 block(s)").arg(waiting);
        if (cancel->text() != exitText) {
            cancel->setText(exitText);
        }
        dialog.setValue(static_cast<int>(first - std::min(first, waiting)));
        QApplication::processEvents(QEventLoop::AllEvents, kRoundMs);
        if (retry.elapsed() >= kPowerLogRetryMs) {
            log.RetryNow();
            retry.restart();
        }
        log.Flush(std::chrono::milliseconds(kRoundMs));
    }
    const std::size_t lost = log.Waiting();
    if (lost > 0) {
        std::fprintf(stderr, "vantrel: %zu block(s) were not written to %s and are lost.\n", lost,
                     log.Path().c_str());
    }
    return lost;
}

} // namespace vantrel
