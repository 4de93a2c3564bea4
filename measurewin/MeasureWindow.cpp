#include "measurewin/MeasureWindow.h"

#include "measure/FluxEstimate.h"
#include "measure/YFactor.h"
#include "measurewin/MeasureSettings.h"
#include "settings/ObservingSettings.h"
#include "settings/SettingsWindow.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vantrel {

namespace {

/// Where the window opens, from the main window's top-left corner, pixels.
constexpr QPoint kOffsetFromMainWindow(120, 40);
/// Milliseconds in a day, for the log's instants on the chart's time axis.
constexpr double kMsPerDay = 86400000.0;
/// Padding of the chart's axes: a single entry gets an hour either side,
/// several a twentieth of their span; G/T 0.5 dB/K.
constexpr qint64 kLonePointPaddingMs = 3600000;
constexpr double kTimePaddingFraction = 0.05;
/// Space above and below the text of a table row, pixels.
constexpr int kRowPaddingPx = 6;
constexpr double kGOverTPaddingDb = 0.5;

enum Column { kSourceCol, kElevationCol, kFluxCol, kSizeCol, kKCol, kDeltaTCol, kYCol, kNoteCol };
constexpr int kColumnCount = 8;

const char* const kFieldNames[] = {"Frequency", "Diameter",  "Efficiency",     "Gain",
                                   "Tsys",      "SolarFlux", "MoonTemperature"};
enum FieldIndex { kFrequency, kDiameter, kEfficiency, kGain, kTsys, kSolar, kMoon };

/// How a refused field and a reason look.
constexpr const char* kRefusedStyle = "color: #b00000; border: 1px solid #d00000";
constexpr const char* kReasonStyle = "color: #b00000";

/// Sets a style sheet only when it changes: the table refreshes twice a
/// second, and a new style sheet costs a restyle of the widget.
void Restyle(QWidget* widget, const QString& style) {
    if (widget->styleSheet() != style) {
        widget->setStyleSheet(style);
    }
}

std::string Latin(const QLineEdit* edit) {
    return edit->text().toStdString();
}

QString FromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Fixed(double v, int decimals) {
    return std::isfinite(v) ? QString::number(v, 'f', decimals) : QString();
}

QString Number(double v) {
    return QString::number(v, 'g', 15);
}

/// "YYYY-MM-DDTHH:MM:SSZ" of a UTC instant.
std::string IsoUtc(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second);
    return text;
}

/// A measured Y typed in dB: the value, or why it has no G/T.
ParsedSetupNumber MeasuredYOf(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    char* end = nullptr;
    const double v = s.empty() ? NAN : std::strtod(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size()) {
        return {0, "The measured Y-factor must be a number of dB."};
    }
    if (auto why = measure::CheckMeasuredYDb(v)) {
        return {0, *why};
    }
    return {v, {}};
}

} // namespace

MeasureWindow::MeasureWindow(ObservingConditions& conditions, const HomeStation& station,
                             SunMoonLibrary& library, const LocalClock& clock,
                             UserMessages& messages, QString directory, QWidget* parent)
    : QWidget(parent, Qt::Window), conditions_(conditions), station_(station), library_(library),
      clock_(clock), messages_(messages), directory_(std::move(directory)),
      setup_(LoadMeasureSetup(directory_)) {
    setObjectName(QStringLiteral("MeasureWindow"));
    setWindowTitle(QLatin1String(kMeasureCaption));
    auto* layout = new QVBoxLayout(this);

    // The values: a label, the field and its reason below it.
    auto* grid = new QGridLayout;
    Antenna = new QComboBox(this);
    Antenna->setObjectName(QStringLiteral("Antenna"));
    Antenna->addItems({QStringLiteral("Dish"), QStringLiteral("Gain (yagi, array)")});
    const char* const labels[] = {
        "Frequency (MHz)",     "Dish diameter (m)", "Aperture efficiency (0-1]",
        "Gain (dBi)",          "Tsys (K)",          "Solar flux (sfu, or MHz:sfu,...)",
        "Moon temperature (K)"};
    QLineEdit** edits[] = {&Frequency, &Diameter,  &Efficiency,     &Gain,
                           &Tsys,      &SolarFlux, &MoonTemperature};
    grid->addWidget(new QLabel(QStringLiteral("Antenna"), this), 0, 2);
    grid->addWidget(Antenna, 0, 3);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(kFieldNames[i]));
        auto* reason = new QLabel(this);
        reason->setStyleSheet(QLatin1String(kReasonStyle));
        reason->setWordWrap(true);
        reason->hide();
        // Two columns of fields: frequency, Tsys, solar flux, Moon left;
        // the antenna right.
        const bool right = i == kDiameter || i == kEfficiency || i == kGain;
        const int row =
            2 * (right ? static_cast<int>(i) : (i == kFrequency ? 0 : static_cast<int>(i) - 3));
        const int col = right ? 2 : 0;
        grid->addWidget(new QLabel(QString::fromUtf8(labels[i]), this), row, col);
        grid->addWidget(edit, row, col + 1);
        grid->addWidget(reason, row + 1, col, 1, 2);
        *edits[i] = edit;
        fields_[i] = {edit, reason};
        if (i == kFrequency) {
            connect(edit, &QLineEdit::textChanged, this, &MeasureWindow::FrequencyEdited);
            connect(edit, &QLineEdit::editingFinished, this, &MeasureWindow::StoreFrequency);
        } else {
            connect(edit, &QLineEdit::textChanged, this, &MeasureWindow::Edited);
            connect(edit, &QLineEdit::editingFinished, this, &MeasureWindow::StoreSetup);
        }
    }
    layout->addLayout(grid);

    Table = new QTableWidget(static_cast<int>(kMeasureRowCount), kColumnCount, this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setHorizontalHeaderLabels(
        {QStringLiteral("Source"), QStringLiteral("Elevation (\u00b0)"),
         QStringLiteral("Flux (Jy)"), QStringLiteral("Diameter (\u00b0)"), QStringLiteral("K"),
         QStringLiteral("\u0394T (K)"), QStringLiteral("Y (dB)"), QStringLiteral("Note")});
    Table->verticalHeader()->hide();
    // All nine rows at once, without a scroll bar.
    const int rowHeight = Table->fontMetrics().height() + kRowPaddingPx;
    Table->verticalHeader()->setDefaultSectionSize(rowHeight);
    Table->setFixedHeight(rowHeight * static_cast<int>(kMeasureRowCount + 1) + kRowPaddingPx);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionMode(QAbstractItemView::NoSelection);
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Table->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < Table->rowCount(); ++r) {
        for (int c = 0; c < kColumnCount; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(c == kSourceCol || c == kNoteCol
                                       ? Qt::AlignLeft | Qt::AlignVCenter
                                       : Qt::AlignRight | Qt::AlignVCenter);
            Table->setItem(r, c, item);
        }
    }
    layout->addWidget(Table);

    auto* measured = new QHBoxLayout;
    Source = new QComboBox(this);
    Source->setObjectName(QStringLiteral("Source"));
    for (std::size_t i = 0; i < kMeasureRowCount; ++i) {
        Source->addItem(QString());
    }
    MeasuredY = new QLineEdit(this);
    MeasuredY->setObjectName(QStringLiteral("MeasuredY"));
    MeasuredY->setPlaceholderText(QStringLiteral("measured Y, dB"));
    GOverT = new QLabel(this);
    GOverT->setObjectName(QStringLiteral("GOverT"));
    GOverT->setWordWrap(true);
    Log = new QPushButton(QStringLiteral("Log"), this);
    Log->setObjectName(QStringLiteral("Log"));
    Log->setToolTip(QStringLiteral("Append this measurement to Vantrel-measurements.csv"));
    measured->addWidget(new QLabel(QStringLiteral("Measured on"), this));
    measured->addWidget(Source);
    measured->addWidget(new QLabel(QStringLiteral("Y (dB)"), this));
    measured->addWidget(MeasuredY);
    measured->addWidget(GOverT, 1);
    measured->addWidget(Log);
    layout->addLayout(measured);

    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("G/T from the measurement log"));
    chart->legend()->hide();
    HistorySeries = new QLineSeries(chart);
    HistorySeries->setPointsVisible(true);
    chart->addSeries(HistorySeries);
    timeAxis_ = new QDateTimeAxis(chart);
    timeAxis_->setFormat(QStringLiteral("yyyy-MM-dd hh:mm"));
    timeAxis_->setTitleText(QStringLiteral("UTC"));
    gOverTAxis_ = new QValueAxis(chart);
    gOverTAxis_->setTitleText(QStringLiteral("G/T (dB/K)"));
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    chart->addAxis(gOverTAxis_, Qt::AlignLeft);
    HistorySeries->attachAxis(timeAxis_);
    HistorySeries->attachAxis(gOverTAxis_);
    History = new QChartView(chart, this);
    History->setObjectName(QStringLiteral("History"));
    History->setRenderHint(QPainter::Antialiasing);
    History->setMinimumHeight(220);
    layout->addWidget(History, 1);
    Skipped = new QLabel(this);
    Skipped->setObjectName(QStringLiteral("Skipped"));
    Skipped->setWordWrap(true);
    layout->addWidget(Skipped);

    Refresher = new QTimer(this);
    Refresher->setInterval(kMeasureRefreshMs);
    connect(Refresher, &QTimer::timeout, this, &MeasureWindow::Refresh);
    connect(Antenna, &QComboBox::currentIndexChanged, this, [this] {
        Edited();
        StoreSetup();
    });
    connect(Source, &QComboBox::currentIndexChanged, this, &MeasureWindow::ShowGOverT);
    connect(MeasuredY, &QLineEdit::textChanged, this, &MeasureWindow::ShowGOverT);
    connect(Log, &QPushButton::clicked, this, &MeasureWindow::LogClick);

    // The stored values into the fields; each change computes the table
    // (and reads every field), so they are taken from a copy.
    const MeasureSetup stored = setup_;
    {
        const QSignalBlocker block(Antenna);
        Antenna->setCurrentIndex(static_cast<int>(stored.Antenna));
    }
    Diameter->setText(Number(stored.DishDiameterM));
    Efficiency->setText(Number(stored.Efficiency));
    Gain->setText(Number(stored.GainDbi));
    Tsys->setText(Number(stored.TsysK));
    SolarFlux->setText(FromStd(stored.SolarFlux));
    MoonTemperature->setText(Number(stored.MoonTemperatureK));
    ShowFrequency();
    resize(820, 760);
}

QString MeasureWindow::LogPath() const {
    const QString dir = directory_.isEmpty() ? QDir::currentPath() : directory_;
    return dir + QLatin1Char('/') + QLatin1String(measure::kMeasurementLogName);
}

void MeasureWindow::OpenBeside(QWidget* mainWindow) {
    ShowFrequency();
    LoadHistory();
    if (mainWindow != nullptr) {
        move(mainWindow->window()->pos() + kOffsetFromMainWindow);
    }
    show();
    raise();
    activateWindow();
}

void MeasureWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    Refresher->start();
}

void MeasureWindow::hideEvent(QHideEvent* event) {
    Refresher->stop();
    QWidget::hideEvent(event);
}

QString MeasureWindow::FieldProblem(const QLineEdit* edit) const {
    const bool dish = Antenna->currentIndex() == static_cast<int>(AntennaKind::Dish);
    const auto number = [&](SetupField f) {
        return FromStd(ParseSetupNumber(f, Latin(edit)).Problem);
    };
    if (edit == Frequency) {
        return number(SetupField::Frequency);
    }
    if (edit == Diameter) {
        return dish ? number(SetupField::Diameter) : QString();
    }
    if (edit == Efficiency) {
        return dish ? number(SetupField::Efficiency) : QString();
    }
    if (edit == Gain) {
        return dish ? QString() : number(SetupField::Gain);
    }
    if (edit == Tsys) {
        return number(SetupField::Tsys);
    }
    if (edit == MoonTemperature) {
        return number(SetupField::MoonTemperature);
    }
    if (edit == SolarFlux) {
        return FromStd(ParseSolarEntry(Latin(edit)).Problem);
    }
    return {};
}

QString MeasureWindow::Problem(const QLineEdit* field) const {
    if (field == MeasuredY) {
        return FromStd(MeasuredYOf(MeasuredY->text()).Problem);
    }
    return FieldProblem(field);
}

void MeasureWindow::ShowProblem(const Field& f, const QString& problem) {
    f.Reason->setText(problem);
    f.Reason->setVisible(!problem.isEmpty());
    Restyle(f.Edit, problem.isEmpty() ? QString() : QLatin1String(kRefusedStyle));
    f.Edit->setToolTip(problem);
}

bool MeasureWindow::ReadFields() {
    if (MoonTemperature == nullptr) {
        return false; // still being built
    }
    bool accepted = true;
    for (const Field& f : fields_) {
        const QString problem = FieldProblem(f.Edit);
        ShowProblem(f, problem);
        accepted = accepted && problem.isEmpty();
    }
    const bool dish = Antenna->currentIndex() == static_cast<int>(AntennaKind::Dish);
    Diameter->setEnabled(dish);
    Efficiency->setEnabled(dish);
    Gain->setEnabled(!dish);
    // A refused field gives NaN in the setup: the table shows no Y from it,
    // and Vanset.ini keeps the value it had.
    setup_.Antenna = dish ? AntennaKind::Dish : AntennaKind::Gain;
    const auto take = [&](QLineEdit* edit, SetupField kind, double& into) {
        const ParsedSetupNumber p = ParseSetupNumber(kind, Latin(edit));
        into = p.Problem.empty() ? p.Value : NAN;
    };
    take(Diameter, SetupField::Diameter, setup_.DishDiameterM);
    take(Efficiency, SetupField::Efficiency, setup_.Efficiency);
    take(Gain, SetupField::Gain, setup_.GainDbi);
    take(Tsys, SetupField::Tsys, setup_.TsysK);
    take(MoonTemperature, SetupField::MoonTemperature, setup_.MoonTemperatureK);
    setup_.SolarFlux = Latin(SolarFlux);
    fieldsAccepted_ = accepted;
    return accepted;
}

void MeasureWindow::Edited() {
    ReadFields();
    Refresh();
}

void MeasureWindow::FrequencyEdited() {
    const ParsedSetupNumber p = ParseSetupNumber(SetupField::Frequency, Latin(Frequency));
    if (p.Problem.empty()) {
        conditions_.FrequencyMHz = p.Value; // the program's one frequency
    }
    Edited();
}

void MeasureWindow::StoreFrequency() {
    const ParsedSetupNumber p = ParseSetupNumber(SetupField::Frequency, Latin(Frequency));
    if (!p.Problem.empty()) {
        return;
    }
    conditions_.FrequencyMHz = p.Value;
    if (p.Value == storedFrequencyMHz_) {
        return; // focus left the field without a change: nothing to store
    }
    storedFrequencyMHz_ = p.Value;
    if (!SaveObservingConditions(directory_, conditions_)) {
        messages_.Error("The frequency could not be written to Vanset.ini; it holds for this "
                        "run only.");
    }
    emit FrequencyChanged();
}

void MeasureWindow::StoreSetup() {
    if (!ReadFields()) {
        return; // a refused value never reaches Vanset.ini
    }
    if (!SaveMeasureSetup(directory_, setup_)) {
        messages_.Error("The Measure values could not be written to Vanset.ini; they hold for "
                        "this run only.");
    }
}

void MeasureWindow::ShowFrequency() {
    if (Frequency == nullptr) {
        return;
    }
    storedFrequencyMHz_ = conditions_.FrequencyMHz;
    const ParsedSetupNumber shown = ParseSetupNumber(SetupField::Frequency, Latin(Frequency));
    if (!shown.Problem.empty() || shown.Value != conditions_.FrequencyMHz) {
        Frequency->setText(Number(conditions_.FrequencyMHz));
    } else {
        Edited();
    }
}

void MeasureWindow::Refresh() {
    if (MoonTemperature == nullptr) {
        return; // still being built; the fields are read as they are edited
    }
    rowsUtc_ = clock_.UtcNow();
    rows_ = MeasureRows(rowsUtc_, station_, conditions_, library_, places_, setup_);
    ShowRows();
    ShowGOverT();
}

void MeasureWindow::ShowRows() {
    const QColor grey(Qt::gray);
    const QColor normal = palette().color(QPalette::Text);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const MeasureRow& r = rows_[i];
        const int row = static_cast<int>(i);
        const bool flux = r.Expected.Flux.HasValue();
        const QString texts[kColumnCount] = {
            FromStd(r.Title),
            FromStd(r.ElevationText),
            flux ? Fixed(r.Expected.Flux.Jy, 1) : QString(),
            flux ? Fixed(r.Expected.SizeDeg, 4) : QString(),
            Fixed(r.Expected.BeamCorrection, 4),
            Fixed(r.Expected.DeltaTK, 3),
            Fixed(r.Expected.YDb, 3),
            FromStd(r.Note),
        };
        for (int c = 0; c < kColumnCount; ++c) {
            QTableWidgetItem* item = Table->item(row, c);
            if (item->text() != texts[c]) {
                item->setText(texts[c]);
            }
            item->setForeground(r.BelowHorizon ? grey : normal);
        }
        if (Source->itemText(row) != texts[kSourceCol]) {
            Source->setItemText(row, texts[kSourceCol]);
        }
    }
}

void MeasureWindow::ShowGOverT() {
    const int index = Source->currentIndex();
    const auto say = [this](const QString& text, bool bad) {
        if (GOverT->text() != text) {
            GOverT->setText(text);
        }
        Restyle(GOverT, bad ? QLatin1String(kReasonStyle) : QString());
    };
    gOverT_ = NAN;
    const ParsedSetupNumber y = MeasuredYOf(MeasuredY->text());
    if (index < 0 || static_cast<std::size_t>(index) >= rows_.size()) {
        say(QString(), false);
    } else if (!fieldsAccepted_) {
        say(QStringLiteral("No G/T until every value above is accepted."), true);
    } else if (!rows_[static_cast<std::size_t>(index)].Expected.Flux.HasValue()) {
        say(FromStd(rows_[static_cast<std::size_t>(index)].Title) +
                QStringLiteral(" has no flux model: no G/T."),
            true);
    } else if (MeasuredY->text().trimmed().isEmpty()) {
        say(QStringLiteral("Type the Y-factor measured on the source."), false);
    } else if (!y.Problem.empty()) {
        say(FromStd(y.Problem), true);
    } else {
        gOverT_ = measure::MeasuredGOverTDbPerK(
            y.Value, rows_[static_cast<std::size_t>(index)].Expected, conditions_.FrequencyMHz);
        if (std::isfinite(gOverT_)) {
            say(QStringLiteral("G/T %1 dB/K").arg(Fixed(gOverT_, 2)), false);
        } else {
            say(QStringLiteral("No G/T for this source with the antenna given."), true);
        }
    }
    Restyle(MeasuredY, !MeasuredY->text().trimmed().isEmpty() && !y.Problem.empty()
                           ? QLatin1String(kRefusedStyle)
                           : QString());
    Log->setEnabled(std::isfinite(gOverT_));
}

void MeasureWindow::LogClick() {
    Refresh(); // the present moment's elevation
    const int index = Source->currentIndex();
    if (!std::isfinite(gOverT_) || index < 0) {
        return; // Log is disabled then
    }
    const MeasureRow& row = rows_[static_cast<std::size_t>(index)];
    measure::MeasurementRecord record;
    record.Utc = IsoUtc(rowsUtc_);
    record.Source = row.Title;
    record.ElevationDeg = row.ElevationDeg;
    record.FrequencyMHz = conditions_.FrequencyMHz;
    record.Antenna = AntennaText(setup_);
    record.TsysK = setup_.TsysK;
    if (index == static_cast<int>(kMeasureRowCount) - 1) { // the Sun
        record.SolarFluxSfu = row.Expected.Flux.Jy / measure::kJanskyPerSfu;
    }
    record.MeasuredYDb = MeasuredYOf(MeasuredY->text()).Value;
    record.GOverTDbPerK = gOverT_;
    if (const auto why = measure::AppendMeasurement(LogPath().toStdString(), record)) {
        messages_.Error(*why);
        return; // the window keeps every value
    }
    StoreSetup();
    LoadHistory();
}

void MeasureWindow::LoadHistory() {
    measure::MeasurementLog log;
    if (const auto why = measure::ReadMeasurementLog(LogPath().toStdString(), log)) {
        HistorySeries->clear();
        Skipped->setText(FromStd(*why));
        return;
    }
    QList<QPointF> points;
    int skipped = static_cast<int>(log.Skipped.size());
    for (const measure::MeasurementRecord& r : log.Records) {
        const QDateTime t = QDateTime::fromString(FromStd(r.Utc), Qt::ISODate);
        if (!t.isValid() || !std::isfinite(r.GOverTDbPerK)) {
            ++skipped;
            continue;
        }
        points.append(QPointF(static_cast<double>(t.toMSecsSinceEpoch()), r.GOverTDbPerK));
    }
    HistorySeries->replace(points);
    if (!points.isEmpty()) {
        double x0 = points.front().x(), x1 = x0, y0 = points.front().y(), y1 = y0;
        for (const QPointF& p : points) {
            x0 = std::min(x0, p.x());
            x1 = std::max(x1, p.x());
            y0 = std::min(y0, p.y());
            y1 = std::max(y1, p.y());
        }
        const auto pad =
            x0 == x1 ? kLonePointPaddingMs : static_cast<qint64>((x1 - x0) * kTimePaddingFraction);
        const auto lo = static_cast<qint64>(x0) - pad;
        const auto hi = static_cast<qint64>(x1) + pad;
        timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(lo, Qt::UTC),
                            QDateTime::fromMSecsSinceEpoch(hi, Qt::UTC));
        gOverTAxis_->setRange(y0 - kGOverTPaddingDb, y1 + kGOverTPaddingDb);
    }
    QString text = QStringLiteral("%1 measurements in %2").arg(points.size()).arg(LogPath());
    if (skipped == 1) {
        text += QStringLiteral("; 1 damaged line skipped");
    } else if (skipped > 1) {
        text += QStringLiteral("; %1 damaged lines skipped").arg(skipped);
    }
    if (!log.Skipped.empty()) {
        Skipped->setToolTip(FromStd(log.Skipped.front()));
    }
    Skipped->setText(text);
}

void ShareFrequency(MeasureWindow& measure, SettingsWindow& settings) {
    QObject::connect(&settings, &SettingsWindow::Applied, &measure, &MeasureWindow::ShowFrequency);
    QObject::connect(&measure, &MeasureWindow::FrequencyChanged, &settings,
                     &SettingsWindow::ShowFrequency);
}

} // namespace vantrel
