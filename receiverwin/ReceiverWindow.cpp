#include "receiverwin/ReceiverWindow.h"

#include "controls/FieldReasons.h"
#include "radiometer/InputColumns.h"
#include "radiometer/MeasurementText.h"
#include "receiverwin/PeriodogramTrace.h"
#include "receiverwin/PowerLogFlush.h"
#include "receiverwin/ReceiverSettings.h"
#include "receiverwin/ReceiverTexts.h"
#include "receiverwin/ReceiverYPanel.h"
#include "receiverwin/SpectrumChart.h"
#include "receiverwin/UsedBlockFlagger.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtConcurrent/QtConcurrentRun>

#include <QXYSeries>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>

namespace vantrel {

namespace {

/// Where the window opens, from the main window's top-left corner, pixels.
constexpr QPoint kOffsetFromMainWindow(80, 60);
/// Marks of the strip chart's time axis.
constexpr int kStripMarks = 6;
/// Marks asked of the charts' value axes before they are rounded.
constexpr int kStripTicks = 6;
/// The strip chart marks its points while it has this many or fewer.
constexpr int kMarkedStripPoints = 60;
/// The strip chart shows at least a minute, days.
constexpr double kStripLeastDays = 1.0 / 1440.0;
/// Lines kept in the messages.
constexpr int kMostMessages = 500;
/// The power axis of the strip chart reaches this share of the values'
/// spread beyond them, and at least this many dB.
constexpr double kStripPadShare = 0.1;
constexpr double kStripLeastPadDb = 0.05;
/// How much larger the readout's figures are than the window's font.
constexpr double kLargeFigures = 2.2;

constexpr const char* kRefusedStyle = "color: #b00000";
/// Figures of a block that is no longer live (the input stopped or failed).
constexpr const char* kStaleStyle = "color: #808080";
constexpr const char* kOverloadStyle = "color: white; background: #c00000; padding: 2px";
constexpr const char* kWholeDbStyle = "color: black; background: #ffd080; padding: 2px";

} // namespace

using namespace receiver_text;

ReceiverWindow::ReceiverWindow(ReceiverWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)),
      setup_(LoadReceiverSetup(services_.Directory)),
      wakePending_(std::make_shared<std::atomic<bool>>(false)),
      pointing_(std::make_shared<PointingSlot>()) {
    setObjectName(QStringLiteral("ReceiverWindow"));
    setWindowTitle(QLatin1String(kReceiverCaption));
    reasons_ = new FieldReasons(this);
    flagger_ = new UsedBlockFlagger(this);
    connect(flagger_, &UsedBlockFlagger::Failed, this, [this](const QString& why) {
        Say(QStringLiteral("The blocks used could not be flagged in the power log: %1").arg(why));
    });
    BuildControls();
    BuildCharts();
    ShowSetup();
    Refresher = new QTimer(this);
    Refresher->setInterval(kReceiverRefreshMs);
    connect(Refresher, &QTimer::timeout, this, &ReceiverWindow::Refresh);
    ShowFrequency();
    ShowPresent();
    ShowY();
    SetText(LogText, QStringLiteral("Blocks are appended to %1.").arg(LogPath()));
    resize(1100, 820);
}

ReceiverWindow::~ReceiverWindow() {
    Shutdown();
}

void ReceiverWindow::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);

    top->addWidget(BuildInputPanel(), 2);

    // Start and Stop, what runs and what went wrong.
    auto* run = new QVBoxLayout;
    auto* buttons = new QHBoxLayout;
    StartButton = new QPushButton(QStringLiteral("Start"), this);
    StartButton->setObjectName(QStringLiteral("StartButton"));
    StopButton = new QPushButton(QStringLiteral("Stop"), this);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setEnabled(false);
    buttons->addWidget(StartButton);
    buttons->addWidget(StopButton);
    buttons->addStretch(1);
    run->addLayout(buttons);
    const auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    State = label("State");
    SetText(State, QStringLiteral("Stopped."));
    FrequencyText = label("FrequencyText");
    ErrorText = label("ErrorText");
    ErrorText->setStyleSheet(QLatin1String(kRefusedStyle));
    ErrorText->hide();
    run->addWidget(State);
    run->addWidget(FrequencyText);
    run->addWidget(ErrorText);

    // The present block, the reference and the live Y.
    QFont large = font();
    large.setPointSizeF(large.pointSizeF() * kLargeFigures);
    large.setBold(true);
    Power = label("Power");
    Power->setFont(large);
    Detail = label("Detail");
    Flags = label("Flags");
    Flags->hide();
    run->addWidget(Power);
    run->addWidget(Detail);
    run->addWidget(Flags);
    YPanel = new ReceiverYPanel(large, this);
    YPanel->setObjectName(QStringLiteral("YPanel"));
    ReferenceButton = YPanel->ReferenceButton;
    ReferenceText = YPanel->ReferenceText;
    LiveYText = YPanel->LiveYText;
    UseYButton = YPanel->UseYButton;
    YNote = YPanel->YNote;
    run->addWidget(YPanel);
    run->addStretch(1);
    top->addLayout(run, 3);

    connect(Input, &QComboBox::currentIndexChanged, this, [this](int index) {
        Pages->setCurrentIndex(index);
        Bins->setEnabled(index == static_cast<int>(ReceiverInput::Sdr) ||
                         index == static_cast<int>(ReceiverInput::Audio));
        Edited();
    });
    for (QLineEdit* e : fields_) {
        connect(e, &QLineEdit::editingFinished, this, &ReceiverWindow::Edited);
    }
    for (QComboBox* box : {SdrDevice, AudioDevice}) {
        connect(box->lineEdit(), &QLineEdit::editingFinished, this, &ReceiverWindow::Edited);
        connect(box, &QComboBox::activated, this, &ReceiverWindow::Edited);
    }
    connect(Unit, &QComboBox::currentIndexChanged, this, &ReceiverWindow::Edited);
    connect(Rfi, &QCheckBox::toggled, this, &ReceiverWindow::Edited);
    connect(FindSdrButton, &QPushButton::clicked, this, &ReceiverWindow::FindSdrClick);
    connect(FindAudioButton, &QPushButton::clicked, this, &ReceiverWindow::FindAudioClick);
    connect(StartButton, &QPushButton::clicked, this, &ReceiverWindow::StartClick);
    connect(StopButton, &QPushButton::clicked, this, &ReceiverWindow::StopClick);
    connect(ReferenceButton, &QPushButton::clicked, this, &ReceiverWindow::ReferenceClick);
    connect(UseYButton, &QPushButton::clicked, this, &ReceiverWindow::UseYClick);
}

void ReceiverWindow::BuildCharts() {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());

    // The strip chart: a point per block, the oldest dropped as they leave
    // the last minutes; the reference as a line across.
    auto* strip = new QChart;
    strip->setTitle(QStringLiteral("Power, up to the last %1 minutes").arg(kStripMinutes));
    strip->legend()->hide();
    stripTime_ = new QCategoryAxis(strip);
    stripTime_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    // Its title comes with the first marks: an axis without any draws it
    // astray, over the chart's corner.
    stripPower_ = new QValueAxis(strip);
    stripPower_->setTitleText(QStringLiteral("dB"));
    stripPower_->setLabelFormat(QStringLiteral("%.2f"));
    strip->addAxis(stripTime_, Qt::AlignBottom);
    strip->addAxis(stripPower_, Qt::AlignLeft);
    stripSeries_ = new QLineSeries(strip);
    stripSeries_->setName(QStringLiteral("power"));
    referenceSeries_ = new QLineSeries(strip);
    referenceSeries_->setName(QStringLiteral("reference"));
    QPen dashed(QColor(0x20, 0x80, 0x20));
    dashed.setStyle(Qt::DashLine);
    dashed.setWidthF(1.5);
    referenceSeries_->setPen(dashed);
    for (QLineSeries* s : {stripSeries_, referenceSeries_}) {
        strip->addSeries(s);
        s->attachAxis(stripTime_);
        s->attachAxis(stripPower_);
    }
    stripSegments_.push_back(stripSeries_);
    Strip = new QChartView(strip, this);
    Strip->setObjectName(QStringLiteral("Strip"));
    Strip->setMinimumHeight(260);

    // The averaged spectrum of the last block, the bins measured shaded.
    spectrumChart_ = new SpectrumChart(this);
    Spectrum = spectrumChart_;

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(Strip);
    split->addWidget(Spectrum);
    split->setSizes({550, 550});
    layout->addWidget(split, 1);

    Messages = new QPlainTextEdit(this);
    Messages->setObjectName(QStringLiteral("Messages"));
    Messages->setReadOnly(true);
    Messages->setMaximumBlockCount(kMostMessages);
    Messages->setFixedHeight(fontMetrics().lineSpacing() * 5 + 12);
    layout->addWidget(Messages);
    LogText = new QLabel(this);
    LogText->setObjectName(QStringLiteral("LogText"));
    LogText->setWordWrap(true);
    layout->addWidget(LogText);
}

void ReceiverWindow::Edited() {
    const ReceiverSetup before = setup_;
    ReadFields();
    if (setup_ != before && !SaveReceiverSetup(services_.Directory, setup_)) {
        Say(QStringLiteral("The Receiver's settings could not be written to Vanset.ini; they "
                           "hold for this run only."));
    }
    ShowFrequency();
    Refresh();
}

PowerMark ReceiverWindow::ChosenMark() const {
    return static_cast<PowerMark>(Mark->currentData().toInt());
}

QString ReceiverWindow::LogPath() const {
    const QString dir = services_.Directory.isEmpty() ? QDir::currentPath() : services_.Directory;
    return dir + QLatin1Char('/') + QLatin1String(kPowerLogName);
}

void ReceiverWindow::OpenBeside(QWidget* mainWindow) {
    if (!isVisible() && mainWindow != nullptr) {
        move(mainWindow->window()->pos() + kOffsetFromMainWindow);
    }
    ShowFrequency();
    show();
    raise();
    activateWindow();
}

void ReceiverWindow::Lend(const QString& borrower) {
    StopClick();
    lentTo_ = borrower;
    StartButton->setEnabled(false);
    SetText(State, QStringLiteral("Driven by the %1 window: it reads this input now; Start "
                                  "comes back when it has finished.")
                       .arg(borrower));
}

void ReceiverWindow::TakeBack() {
    lentTo_.clear();
    StartButton->setEnabled(!shutDown_ && !runner_);
    SetText(State, QStringLiteral("Stopped."));
}

void ReceiverWindow::StartClick() {
    if (runner_ || shutDown_ || IsLent()) {
        return;
    }
    const bool accepted = ReadFields();
    const std::string problem = ReceiverSetupProblem(setup_);
    if (!accepted || !problem.empty()) {
        SetText(ErrorText, accepted ? FromStd(problem)
                                    : QStringLiteral("A value above is refused: mend it, then "
                                                     "Start."));
        ErrorText->show();
        return;
    }
    SaveReceiverSetup(services_.Directory, setup_);
    LogPending(); // the last block of an earlier run
    if (!log_) {
        log_ = std::make_unique<PowerLogWriter>(LogPath().toStdString(), [this] {
            QMetaObject::invokeMethod(this, &ReceiverWindow::TakeLogProblems, Qt::QueuedConnection);
        });
    }
    if (setup_ != runningSetup_ && (reference_ || !YPanel->Core().Present().empty())) {
        // Blocks of other settings do not compare with those to come.
        YPanel->Core().Restart();
        reference_.reset();
        Say(QStringLiteral("The settings changed: the reference and the blocks so far are "
                           "dropped; take the reference again."));
    }
    runningSetup_ = setup_;
    stream_ = {};
    const double observing = services_.Conditions ? services_.Conditions->FrequencyMHz : 0.0;
    // One wake-up waits in the event queue at most, however often the
    // worker calls.
    auto pending = std::make_shared<std::atomic<bool>>(false);
    wakePending_ = pending;
    auto wake = [this, pending] {
        if (!pending->exchange(true)) {
            QMetaObject::invokeMethod(this, &ReceiverWindow::TakeNews, Qt::QueuedConnection);
        }
    };
    if (services_.Pointing) {
        pointing_->Set(services_.Pointing());
    }
    runner_ =
        std::make_unique<PowerRunner>(InputFactoryOf(setup_, observing), IntegrationOf(setup_),
                                      services_.Retry, services_.UtcNow, std::move(wake));
    runner_->SetPointingSource([slot = pointing_] { return slot->Get(); });
    Say(QStringLiteral("Start: %1").arg(Input->currentText()));
    ErrorText->hide();
    lastShownError_.clear();
    StartButton->setEnabled(false);
    StopButton->setEnabled(true);
    Refresher->start();
    ShowFrequency();
    Refresh();
}

void ReceiverWindow::StopClick() {
    if (!runner_) {
        return;
    }
    TakeNews(); // the blocks finished so far
    if (runner_) {
        Retire();
        Say(QStringLiteral("Stopped."));
    }
    SetText(State, QStringLiteral("Stopped."));
    ShowFrequency();
}

void ReceiverWindow::Retire() {
    if (!runner_) {
        return;
    }
    runner_->SetPointingSource({});
    SayEvents(); // what it said last (why it stopped) is not lost with it
    std::unique_ptr<PowerRunner> runner = std::move(runner_);
    // Runners stopped before and done by now are joined.
    std::erase_if(retiring_, [](Retiring& r) {
        if (!r.Done->load()) {
            return false;
        }
        r.Thread.join();
        return true;
    });
    // Stopping waits for the input's last read (and a command's end): on a
    // thread of its own, so this one goes on.
    auto done = std::make_shared<std::atomic<bool>>(false);
    retiring_.push_back({std::thread([r = std::move(runner), done]() mutable {
                             r.reset();
                             done->store(true);
                         }),
                         done});
    LogPending();
    Refresher->stop();
    if (spectrum_) {
        ShowSpectrum(*spectrum_); // the last one, whatever the period
        spectrum_.reset();
    }
    SetLive(false);
    StartButton->setEnabled(!shutDown_ && !IsLent());
    StopButton->setEnabled(false);
}

void ReceiverWindow::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    if (runner_) {
        TakeNews();
        Retire();
    }
    for (Retiring& r : retiring_) {
        r.Thread.join();
    }
    retiring_.clear();
    LogPending();
    flagger_->Wait(); // its jobs use the log's writer
    if (log_) {
        // What waits is written, or its loss said: never dropped unsaid.
        lostAtExit_ = WaitForPowerLog(*log_, isVisible() ? this : nullptr);
        log_.reset();
    }
}

void ReceiverWindow::closeEvent(QCloseEvent* event) {
    // Closed, the window lets the device go for other programs.
    StopClick();
    QWidget::closeEvent(event);
}

RunnerStatus ReceiverWindow::Status() const {
    return runner_ ? runner_->Status() : RunnerStatus{};
}

bool ReceiverWindow::FlushLog(int timeoutMs) {
    return !log_ || log_->Flush(std::chrono::milliseconds(timeoutMs));
}

int ReceiverWindow::StripPoints() const {
    int points = 0;
    for (const QLineSeries* s : stripSegments_) {
        points += static_cast<int>(s->count());
    }
    return points;
}

int ReceiverWindow::SpectrumPoints() const {
    return spectrumChart_->Points();
}

void ReceiverWindow::SayEvents() {
    for (const RunnerEvent& e : runner_->TakeEvents()) {
        switch (e.What) {
        case RunnerEvent::Kind::Opened:
            Say(QStringLiteral("Opened: %1").arg(FromStd(e.Text)));
            break;
        case RunnerEvent::Kind::Error:
            Say(QStringLiteral("Error: %1").arg(FromStd(e.Text)));
            break;
        case RunnerEvent::Kind::Note:
            Say(FromStd(e.Text));
            break;
        }
    }
}

void ReceiverWindow::TakeNews() {
    if (wakePending_) {
        wakePending_->store(false);
    }
    if (!runner_) {
        return;
    }
    SayEvents();
    const RunnerStatus status = runner_->Status();
    if (status.EverOpened) {
        stream_ = status.Stream;
    }
    const std::vector<PowerBlock> blocks = runner_->TakeBlocks();
    SetLive(status.What == RunnerStatus::State::Running && !status.Silent);
    if (!blocks.empty()) {
        ShowBlocks(blocks);
    }
    if (auto spectrum = runner_->TakeSpectrum()) {
        spectrum_ = std::move(spectrum);
    }
    ShowPendingSpectrum();
    ShowStatus(status);
}

void ReceiverWindow::ShowPendingSpectrum() {
    // Drawn at most every refresh period: with short blocks the spectrum
    // would cost more to draw than to measure.
    if (!spectrum_ || (spectrumShown_.isValid() && spectrumShown_.elapsed() < kReceiverRefreshMs)) {
        return;
    }
    ShowSpectrum(*spectrum_);
    spectrum_.reset();
    spectrumShown_.start();
}

void ReceiverWindow::Refresh() {
    ShowPendingSpectrum();
    if (services_.Pointing && runner_) {
        pointing_->Set(services_.Pointing());
    }
    if (runner_) {
        ShowStatus(runner_->Status());
    }
    ShowY(); // the Measure window's source may have changed
}

void ReceiverWindow::ShowStatus(const RunnerStatus& status) {
    if (!runner_) {
        return;
    }
    using Phase = RunnerStatus::State;
    QString text;
    switch (status.What) {
    case Phase::Opening:
        text = QStringLiteral("Opening the input\u2026");
        break;
    case Phase::Running:
        // Open but giving nothing (a hung meter script, a stalled device):
        // not "Running", and the readout greyed.
        text = status.Silent
                   ? QStringLiteral("No reading for %1 s: the input is open but gives nothing "
                                    "(a hung meter script, a stalled device?). %2")
                         .arg(static_cast<qint64>(status.SilentS))
                         .arg(FromStd(status.Stream.Summary))
                   : QStringLiteral("Running: %1; %2.")
                         .arg(FromStd(status.Stream.Summary),
                              FromStd(MeasurementText(IntegrationOf(runningSetup_), status.Stream,
                                                      "\u03c4")));
        break;
    case Phase::Waiting:
        text = QStringLiteral("Waiting: the next try in %1 s.")
                   .arg(std::max<qint64>(1, (status.RetryIn.count() + 999) / 1000));
        break;
    case Phase::Stopped:
        text = status.Refused ? QStringLiteral("Stopped: the input refused a setting. Change it, "
                                               "then Start.")
                              : QStringLiteral("Stopped.");
        break;
    }
    if (runningSetup_ != setup_ && status.What != Phase::Stopped) {
        text += QStringLiteral(" Stop and Start to use the changed settings.");
    }
    SetText(State, text);
    SetLive(status.What == Phase::Running && !status.Silent);
    const QString error = FromStd(status.LastError);
    if (error.isEmpty()) {
        ErrorText->hide();
    } else {
        SetText(ErrorText, error);
        ErrorText->show();
    }
    if (status.What == Phase::Stopped) {
        Retire(); // stopped on its own: a setting was refused
        ShowFrequency();
    }
}

void ReceiverWindow::ShowBlocks(const std::vector<PowerBlock>& blocks) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(blocks.size()));
    std::size_t dropped = 0;
    const std::string input(ReceiverInputKey(runningSetup_.Input));
    const double frequency = LoggedFrequencyMHz();
    // Powers of another input or in another unit are not on the same
    // scale: the chart starts anew with them.
    const std::string scale = input + " " + stream_.Unit;
    const bool newScale = scale != stripScale_;
    stripScale_ = scale;
    for (const PowerBlock& b : blocks) {
        LogPending();
        pending_ = PendingBlock{b,
                                ChosenMark(),
                                false,
                                input,
                                frequency,
                                stream_,
                                IntegrationOf(runningSetup_).Spectrum};
        YPanel->Core().Add(b, OffsetBeams(b));
        if (const auto newest = history_.NewestTime();
            (newest && b.UtcEnd < *newest) || (newScale && &b == &blocks.front())) {
            // The clock went back (set by hand, or a stream's clock ahead of
            // it), or the scale changed: the chart starts anew rather than
            // draw a time that runs backwards or join unlike powers.
            history_.Clear();
            ClearStrip();
            points.clear();
            dropped = 0;
        } else if (newest && StripGap(*newest, b.UtcStart, runningSetup_.TauS)) {
            // No blocks between: the line breaks, a segment of its own starts.
            stripSeries_->append(points);
            points.clear();
            NewStripSegment();
        }
        dropped += history_.Add(b.UtcEnd, b.PowerDb);
        points.append(QPointF(b.UtcEnd, b.PowerDb));
    }
    // Only the new points go in and the old ones out: the chart never takes
    // all its points anew.
    stripSeries_->append(points);
    DropStripPoints(dropped);
    // Few points are marked, so that the first blocks are seen at all.
    const bool marked = StripPoints() <= kMarkedStripPoints;
    for (QLineSeries* segment : stripSegments_) {
        if (marked != segment->pointsVisible()) {
            segment->setPointsVisible(marked);
        }
    }
    present_ = blocks.back();
    ShowStripAxes(present_->UtcEnd);
    ShowPresent();
    ShowY();
    ShowLogState();
}

QLineSeries* ReceiverWindow::NewStripSegment() {
    QChart* chart = Strip->chart();
    auto* segment = new QLineSeries(chart);
    segment->setColor(stripSegments_.front()->color());
    segment->setPointsVisible(stripSegments_.front()->pointsVisible());
    chart->addSeries(segment);
    segment->attachAxis(stripTime_);
    segment->attachAxis(stripPower_);
    stripSegments_.push_back(segment);
    stripSeries_ = segment;
    return segment;
}

void ReceiverWindow::DropStripPoints(std::size_t count) {
    while (count > 0 && !stripSegments_.empty()) {
        QLineSeries* oldest = stripSegments_.front();
        const auto n = std::min<std::size_t>(count, static_cast<std::size_t>(oldest->count()));
        oldest->removePoints(0, static_cast<int>(n));
        count -= n;
        if (oldest->count() == 0 && stripSegments_.size() > 1) {
            Strip->chart()->removeSeries(oldest);
            delete oldest;
            stripSegments_.pop_front();
        } else if (n == 0) {
            break;
        }
    }
}

void ReceiverWindow::ClearStrip() {
    while (stripSegments_.size() > 1) {
        QLineSeries* oldest = stripSegments_.front();
        Strip->chart()->removeSeries(oldest);
        delete oldest;
        stripSegments_.pop_front();
    }
    stripSeries_ = stripSegments_.front();
    stripSeries_->clear();
}

void ReceiverWindow::ShowLogState() {
    // While the log cannot be written, the line says why and how many
    // blocks wait, never that they are appended.
    const std::string failing = log_ ? log_->Failing() : std::string();
    if (!failing.empty()) {
        SetText(LogText, QStringLiteral("%1 %2 block(s) wait to be written.")
                             .arg(FromStd(failing))
                             .arg(log_->Waiting() + (pending_ ? 1 : 0)));
        LogText->setStyleSheet(QLatin1String(kRefusedStyle));
        return;
    }
    LogText->setStyleSheet(QString());
    SetText(
        LogText,
        QStringLiteral("Blocks are appended to %1 (%2 this run).").arg(LogPath()).arg(logged_ + 1));
}

void ReceiverWindow::ShowStripAxes(double lastUtc) {
    // From the first block kept, a minute at least, until the chart holds
    // its whole span: a new run fills the width at once.
    const double firstUtc =
        std::max(lastUtc - history_.Span(),
                 std::min(history_.OldestTime().value_or(lastUtc), lastUtc - kStripLeastDays));
    stripTime_->setRange(firstUtc, lastUtc);
    const std::vector<StripMark> marks = StripTimeMarks(firstUtc, lastUtc, kStripMarks);
    // The labels are set anew only when the marks change (a minute or so).
    if (!marks.empty() &&
        (marks.front().Utc != stripFirstMarkUtc_ || marks.back().Utc != stripLastMarkUtc_)) {
        stripFirstMarkUtc_ = marks.front().Utc;
        stripLastMarkUtc_ = marks.back().Utc;
        for (const QString& l : stripTime_->categoriesLabels()) {
            stripTime_->remove(l);
        }
        stripTime_->setStartValue(firstUtc);
        for (const StripMark& m : marks) {
            stripTime_->append(FromStd(m.Label), m.Utc);
        }
        stripTime_->setTitleText(QStringLiteral("UTC"));
    }
    auto range = history_.Range();
    if (range && reference_ && referenceSetup_ == runningSetup_) {
        range->first = std::min(range->first, reference_->PowerDb);
        range->second = std::max(range->second, reference_->PowerDb);
    }
    if (range) {
        const double pad =
            std::max(kStripLeastPadDb, kStripPadShare * (range->second - range->first));
        stripPower_->setRange(range->first - pad, range->second + pad);
        stripPower_->setTickCount(kStripTicks);
        stripPower_->applyNiceNumbers();
    }
    ShowReferenceLine();
}

void ReceiverWindow::ShowReferenceLine() {
    if (!reference_ || referenceSetup_ != runningSetup_ || !stripTime_) {
        referenceSeries_->clear();
        return;
    }
    const double level = reference_->PowerDb;
    referenceSeries_->replace(
        {QPointF(stripTime_->min(), level), QPointF(stripTime_->max(), level)});
}

QString ReceiverWindow::UnitText() const {
    return stream_.Unit.empty() ? QStringLiteral("dB") : FromStd(stream_.Unit);
}

double ReceiverWindow::LoggedFrequencyMHz() const {
    const double observing = services_.Conditions ? services_.Conditions->FrequencyMHz : 0.0;
    return vantrel::LoggedFrequencyMHz(
        runningSetup_, observing,
        stream_.FrequencyMHz > 0 ? std::optional<double>(stream_.FrequencyMHz) : std::nullopt);
}

void ReceiverWindow::ShowPresent() {
    if (!present_) {
        SetText(Power, QStringLiteral("\u2014 dB"));
        SetText(Detail, QStringLiteral("Start the input: a block every \u03c4 seconds."));
        Flags->hide();
        ReferenceButton->setEnabled(false);
        return;
    }
    const PowerBlock& b = *present_;
    SetText(Power, QStringLiteral("%1 %2").arg(Fixed(b.PowerDb, 3), UnitText()));
    // The last block stays to be seen, greyed and said to be the last, once
    // the input no longer delivers: never taken for a live reading.
    const QString style = live_ ? QString() : QLatin1String(kStaleStyle);
    if (Power->styleSheet() != style) {
        Power->setStyleSheet(style);
        LiveYText->setStyleSheet(style);
    }
    const bool readings = b.NoiseBandwidthHz <= 0;
    QString detail = QStringLiteral("\u03c3 %1 dB \u00b7 scatter %2 dB \u00b7 \u03c4 %3 s")
                         .arg(Fixed(b.SigmaDb, 4), Fixed(b.ScatterDb, 4), Fixed(b.IntegrationS, 2));
    detail += readings ? QStringLiteral(" \u00b7 %1 readings").arg(b.Samples)
                       : QStringLiteral(" \u00b7 B %1 \u00b7 %2 samples")
                             .arg(Bandwidth(b.NoiseBandwidthHz))
                             .arg(b.Samples);
    detail += QStringLiteral(" \u00b7 %1\u2013%2 UTC").arg(Clock(b.UtcStart), Clock(b.UtcEnd));
    if (!live_) {
        detail.prepend(QStringLiteral("Last block: "));
    }
    if (b.RfiDroppedShare > 0) {
        detail += QStringLiteral(" \u00b7 RFI filter dropped %1 %")
                      .arg(b.RfiDroppedShare * 100.0, 0, 'f', 1);
    }
    SetText(Detail, detail);
    if (b.Overload) {
        SetText(Flags, QStringLiteral("OVERLOAD: %1 samples clipped. Lower the gain; this block "
                                      "is not to be trusted.")
                           .arg(b.Clipped));
        Flags->setStyleSheet(QLatin1String(kOverloadStyle));
        Flags->show();
    } else if (b.WholeDbSteps) {
        SetText(Flags, QStringLiteral("S-meter: whole-dB readings, for peaking the antenna, not "
                                      "for G/T."));
        Flags->setStyleSheet(QLatin1String(kWholeDbStyle));
        Flags->show();
    } else {
        Flags->hide();
    }
    ReferenceButton->setEnabled(true);
}

void ReceiverWindow::SetLive(bool live) {
    if (live != live_) {
        live_ = live;
        ShowPresent();
    }
}

std::optional<YEstimate> ReceiverWindow::LiveY() const {
    return YPanel->Core().Y();
}

void ReceiverWindow::ShowY() {
    YPanelContext c;
    c.Target = services_.YTarget ? services_.YTarget() : QString();
    c.CanHand = static_cast<bool>(services_.UseY);
    c.SameSetup = referenceSetup_ == runningSetup_;
    c.Unit = referenceUnit_.isEmpty() ? UnitText() : referenceUnit_;
    c.Live = live_;
    YPanel->Show(c);
}

void ReceiverWindow::ReferenceClick() {
    if (!present_ || !YPanel->Core().TakeReference()) {
        return;
    }
    const std::span<const PowerBlock> blocks = YPanel->Core().ReferenceBlocks();
    reference_ = YPanel->Core().ReferenceLevel();
    referenceSetup_ = runningSetup_;
    referenceUnit_ = UnitText();
    if (pending_ && pending_->Block.UtcStart == present_->UtcStart) {
        pending_->Mark = PowerMark::Reference;
    }
    Say(QStringLiteral("Reference: %1 %2 \u00b1 %3 dB, mean of %4 blocks")
            .arg(Fixed(reference_->PowerDb, 3), referenceUnit_, Fixed(reference_->SigmaDb, 4))
            .arg(blocks.size()));
    ShowStripAxes(present_->UtcEnd);
    ShowY();
}

void ReceiverWindow::UseYClick() {
    ShowY(); // what the panel offers now
    const std::optional<YEstimate> y = YPanel->UsableY();
    if (!y) {
        return; // the button is disabled then
    }
    const QString target = services_.YTarget();
    services_.UseY(*y);
    if (pending_ && present_ && pending_->Block.UtcStart == present_->UtcStart &&
        pending_->Mark != PowerMark::Reference) {
        pending_->Mark = PowerMark::On;
    }
    FlagUsed(YPanel->Core().UsedBlocks());
    Say(QStringLiteral("Y %1 \u00b1 %2 dB (%3) given to the Measure window for %4.")
            .arg(Fixed(y->YDb, 3), Fixed(y->SigmaDb, 3), FromStd(y->Method), target));
    if (const QString off = YPanel->OffSourceWarning(); !off.isEmpty()) {
        Say(QStringLiteral("Warning: %1").arg(off));
    }
}

void ReceiverWindow::FlagUsed(const std::vector<PowerBlock>& blocks) {
    std::vector<std::string> written;
    for (const PowerBlock& b : blocks) {
        if (pending_ && pending_->Block.UtcStart == b.UtcStart) {
            pending_->Used = true;
        } else {
            written.push_back(PowerLogTime(b.UtcStart));
        }
    }
    if (written.empty() || !log_) {
        return;
    }
    flagger_->Flag(log_.get(), std::move(written));
}

std::optional<double> ReceiverWindow::OffsetBeams(const PowerBlock& block) const {
    if (!block.Pointing || !services_.BeamwidthDeg || !services_.SourcePlace) {
        return std::nullopt;
    }
    return OffsetBeamsOf(
        *block.Pointing, services_.BeamwidthDeg(),
        services_.SourcePlace(block.Pointing->Source, 0.5 * (block.UtcStart + block.UtcEnd)));
}

void ReceiverWindow::ShowSpectrum(const SpectrumSnapshot& snapshot) {
    spectrumChart_->Show(snapshot, runningSetup_.Input == ReceiverInput::Sdr, LoggedFrequencyMHz());
}

void ReceiverWindow::LogPending() {
    if (!pending_) {
        return;
    }
    if (log_) {
        PowerRecord record =
            PowerRecordOf(pending_->Block, pending_->Input, pending_->FrequencyMHz, pending_->Mark);
        record.Used = pending_->Used;
        FillInputColumns(record, pending_->Stream, pending_->Spectrum);
        log_->Append(std::move(record));
        ++logged_;
    }
    pending_.reset();
}

void ReceiverWindow::TakeLogProblems() {
    if (!log_) {
        return;
    }
    for (const std::string& why : log_->TakeProblems()) {
        Say(FromStd(why));
        SetText(LogText, FromStd(why));
        LogText->setStyleSheet(QLatin1String(kRefusedStyle));
    }
    if (present_) {
        ShowLogState();
    }
}

void ReceiverWindow::Say(const QString& text) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Messages->appendPlainText(now.toString(QStringLiteral("HH:mm:ss ")) + text);
}

void ReceiverWindow::ShowFrequency() {
    const double observing = services_.Conditions ? services_.Conditions->FrequencyMHz : 0.0;
    SdrFrequency->setPlaceholderText(
        QStringLiteral("the observing frequency, %1 MHz").arg(Number(observing)));
    const bool running = runner_ != nullptr;
    const ReceiverSetup& s = running ? runningSetup_ : setup_;
    const std::optional<double> tuned = running && stream_.FrequencyMHz > 0
                                            ? std::optional<double>(stream_.FrequencyMHz)
                                            : std::nullopt;
    const QString note = FromStd(FrequencyNote(s, observing, tuned));
    SetText(FrequencyText, note);
    FrequencyText->setVisible(!note.isEmpty());
}

} // namespace vantrel
