#include "emewin/DxSkedPanel.h"

#include "eme/EmeCsv.h"
#include "emewin/EmeSkedSetup.h"

#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace vantrel {

namespace {

const char* const kColumns[] = {"DX",       "Start (UTC)",      "End (UTC)",
                                "Duration", "Common elevation", "DGRD"};

/// "2026-12-19 19:39" (UTC), or with the seconds.
QString Utc(eme::UtcSeconds t, bool seconds) {
    QString text = QString::fromStdString(eme::UtcText(t));
    text.replace(QLatin1Char('T'), QLatin1Char(' ')).remove(QLatin1Char('Z'));
    return seconds ? text : text.left(16);
}

QString Fixed(double v, int decimals, const char* unit) {
    return std::isfinite(v) ? QString::number(v, 'f', decimals) + QString::fromUtf8(unit)
                            : QStringLiteral("\u2014");
}

} // namespace

DxSkedPanel::DxSkedPanel(QWidget* parent) : QWidget(parent) {
    FindButton = new QPushButton(QStringLiteral("Windows of the recent DX stations"), this);
    FindButton->setObjectName(QStringLiteral("DxSkedFind"));
    FindButton->setToolTip(QStringLiteral(
        "The common windows of each DX station in the list over the days above, with the "
        "highest elevation the Moon reaches at both ends at once and DGRD at the middle"));
    Order = new QComboBox(this);
    Order->setObjectName(QStringLiteral("DxSkedOrder"));
    Order->addItem(QStringLiteral("by start"), static_cast<int>(eme::DxSkedOrder::Start));
    Order->addItem(QStringLiteral("longest first"), static_cast<int>(eme::DxSkedOrder::Length));
    Order->addItem(QStringLiteral("highest common elevation first"),
                   static_cast<int>(eme::DxSkedOrder::CommonElevation));
    Order->addItem(QStringLiteral("best DGRD first"),
                   static_cast<int>(eme::DxSkedOrder::Degradation));
    SaveButton = new QPushButton(QStringLiteral("Save DX list\u2026"), this);
    SaveButton->setEnabled(false);
    State = new QLabel(this);
    Table = new QTableWidget(0, static_cast<int>(std::size(kColumns)), this);
    QStringList headers;
    for (const char* h : kColumns) {
        headers << QLatin1String(h);
    }
    Table->setHorizontalHeaderLabels(headers);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->setVisible(false);
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Table->horizontalHeader()->setStretchLastSection(true);
    auto* line = new QHBoxLayout;
    line->addWidget(FindButton);
    line->addWidget(Order);
    line->addWidget(State, 1);
    line->addWidget(SaveButton);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 0);
    all->addLayout(line);
    all->addWidget(Table, 1);
    connect(FindButton, &QPushButton::clicked, this, &DxSkedPanel::FindClick);
    connect(SaveButton, &QPushButton::clicked, this, &DxSkedPanel::SaveClick);
    connect(Order, &QComboBox::currentIndexChanged, this, &DxSkedPanel::ShowRows);
    connect(&watcher_, &QFutureWatcher<Result>::finished, this, [this] {
        const Result r = watcher_.result();
        FindButton->setEnabled(true);
        if (!r.Complete) {
            State->setText(QStringLiteral("Stopped."));
            return;
        }
        rows_ = r.Rows;
        ShowRows();
        emit Found();
    });
    connect(&saver_, &QFutureWatcher<QString>::finished, this,
            [this] { emit Saved(QString(), saver_.result()); });
}

DxSkedPanel::~DxSkedPanel() {
    watcher_.waitForFinished();
    saver_.waitForFinished();
}

void DxSkedPanel::FindClick() {
    if (Busy()) {
        return;
    }
    QString why;
    std::optional<DxSkedAsk> ask = Ask ? Ask(why) : std::nullopt;
    if (!ask) {
        State->setText(why);
        return;
    }
    asked_ = ask;
    FindButton->setEnabled(false);
    State->setText(
        QStringLiteral("Looking for the windows of %1 DX stations\u2026").arg(ask->Dx.size()));
    watcher_.setFuture(QtConcurrent::run([ask = *ask] {
        eme::DxSkedSearch search = ask.Search;
        search.Sky = ask.Sky.get(); // kept alive by the copy of `ask`
        Result r;
        r.Rows = eme::FindDxSkeds(ask.Dx, search, {}, r.Complete);
        return r;
    }));
}

void DxSkedPanel::ShowRows() {
    eme::SortDxSkeds(rows_, static_cast<eme::DxSkedOrder>(Order->currentData().toInt()));
    Table->setRowCount(static_cast<int>(rows_.size()));
    for (int row = 0; row < static_cast<int>(rows_.size()); ++row) {
        const eme::DxSkedWindow& w = rows_[static_cast<std::size_t>(row)];
        // Rounded inwards to the minute, as the window's own list.
        const ShownWindow shown = InwardMinutes(w.Window);
        const auto minutes = static_cast<long long>((shown.End - shown.Start) / 60);
        const QString cells[] = {
            QString::fromStdString(w.Dx),
            Utc(shown.Start, shown.ToTheSecond),
            Utc(shown.End, shown.ToTheSecond),
            QString::asprintf("%lld h %02lld min", minutes / 60, minutes % 60),
            Fixed(w.CommonElevationDeg, 1, "\u00b0"),
            Fixed(w.DegradationDb, 2, " dB"),
        };
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c >= 3 ? Qt::AlignRight | Qt::AlignVCenter
                                          : Qt::AlignLeft | Qt::AlignVCenter);
            Table->setItem(row, c, item);
        }
    }
    SaveButton->setEnabled(!rows_.empty());
    if (asked_) {
        State->setText(QStringLiteral("%1 windows of %2 DX stations at %3 MHz.")
                           .arg(rows_.size())
                           .arg(asked_->Dx.size())
                           .arg(asked_->Search.Conditions.FrequencyMHz));
    }
}

std::string DxSkedPanel::CsvText() const {
    if (!asked_) {
        return {};
    }
    return eme::DxSkedsCsv(rows_, asked_->Station, asked_->Search.Conditions.FrequencyMHz,
                           asked_->Search.Span.HomeMinElevationDeg,
                           asked_->Search.Span.DxMinElevationDeg);
}

void DxSkedPanel::SaveClick() {
    if (rows_.empty() || saver_.isRunning() || !ChooseSaveFile) {
        return;
    }
    QString path = ChooseSaveFile(QStringLiteral("Save the DX list as CSV"),
                                  QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".csv");
    }
    saver_.setFuture(QtConcurrent::run([path, text = CsvText()] {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(text.data(), static_cast<qint64>(text.size())) !=
                static_cast<qint64>(text.size()) ||
            !file.flush()) {
            return QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
        }
        return QString();
    }));
}

} // namespace vantrel
