#include "measurewin/MeasureWindow.h"

#include "controls/FieldReasons.h"
#include "measure/FluxEstimate.h"
#include "measure/SkyBackground.h"
#include "measure/YFactor.h"
#include "measurewin/GOverTBudgetPanel.h"
#include "measurewin/GOverTHistory.h"
#include "measurewin/MeasureBudget.h"
#include "measurewin/MeasureReport.h"
#include "measurewin/MeasureSettings.h"
#include "measurewin/MeasureSkyPanel.h"
#include "measurewin/SolarFluxFilePanel.h"
#include "settings/ObservingSettings.h"
#include "settings/SettingsWindow.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSplitter>
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
/// Space above and below the text of a table row, pixels.
constexpr int kRowPaddingPx = 6;
/// The G/T axis reaches this far beyond the values, dB/K, before it is
/// rounded; an empty chart shows the range below.
constexpr double kGOverTPaddingDb = 0.5;
constexpr double kEmptyGOverTLowDb = 0.0;
constexpr double kEmptyGOverTHighDb = 30.0;
/// Most intervals between the marks of the time axis: its labels must not
/// touch on a chart a few hundred pixels wide.
constexpr int kMostTimeIntervals = 4;
/// Marks of the G/T axis asked for before they are rounded.
constexpr int kGOverTTicks = 6;
/// Half the time axis of an empty chart, days: the present day around now.
constexpr double kEmptyHalfSpanDays = 0.5;

enum Column {
    kSourceCol,
    kElevationCol,
    kFluxCol,
    kSizeCol,
    kKCol,
    kDeltaTCol,
    kYCol,
    kTskyCol,
    kNoteCol
};
constexpr int kColumnCount = 9;

const char* const kFieldNames[] = {"Frequency", "Diameter",  "Efficiency",      "Gain",
                                   "Tsys",      "SolarFlux", "MoonTemperature", "Hpbw"};
enum FieldIndex { kFrequency, kDiameter, kEfficiency, kGain, kTsys, kSolar, kMoon, kHpbw };

/// How a refused measured Y and a G/T that cannot be had look.
constexpr const char* kRefusedStyle = "color: #b00000; border: 1px solid #d00000";
constexpr const char* kReasonStyle = "color: #b00000";

enum EntryColumn {
    kEntryUtc,
    kEntrySource,
    kEntryMHz,
    kEntryY,
    kEntryGOverT,
    kEntryStatus,
    kEntryMethod,
    kEntryAntenna
};
constexpr int kEntryColumnCount = 8;
/// "YYYY-MM-DD HH:MM" of the log's "YYYY-MM-DDTHH:MM:SSZ".
constexpr int kEntryUtcChars = 16;

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

/// "YYYY-MM-DDTHH:MM:SS.sssZ" of a UTC instant, as the power log times its
/// blocks.
std::string IsoUtcMs(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second, d.Millisecond);
    return text;
}

/// A measured Y typed in dB: the value, or why it has no G/T.
TypedY MeasuredYOf(const QString& text) {
    return ParseTypedY(text.toStdString());
}

/// "2.500 ± 0.031" of a value and its σ, or the value alone.
QString WithSigma(double value, const std::optional<double>& sigma, int decimals) {
    QString text = Fixed(value, decimals);
    if (sigma) {
        text += QStringLiteral(" \u00b1 ") + Fixed(*sigma, decimals);
    }
    return text;
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
    reasons_ = new FieldReasons(this);
    auto* layout = new QVBoxLayout(this);

    // The values: a label, the field and its reason below it.
    auto* grid = new QGridLayout;
    Antenna = new QComboBox(this);
    Antenna->setObjectName(QStringLiteral("Antenna"));
    Antenna->addItems({QStringLiteral("Dish"), QStringLiteral("Gain (yagi, array)")});
    const char* const labels[] = {"Frequency (MHz)",
                                  "Dish diameter (m)",
                                  "Aperture efficiency (0-1]",
                                  "Gain (dBi)",
                                  "Tsys (K)",
                                  "Solar flux at this frequency (sfu, or MHz:sfu,...)",
                                  "Moon temperature (K)",
                                  "Beamwidth HPBW (\u00b0; empty: the antenna's)"};
    QLineEdit** edits[] = {&Frequency, &Diameter,  &Efficiency,      &Gain,
                           &Tsys,      &SolarFlux, &MoonTemperature, &Hpbw};
    grid->addWidget(new QLabel(QStringLiteral("Antenna"), this), 0, 2);
    grid->addWidget(Antenna, 0, 3);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(kFieldNames[i]));
        if (i == kSolar) {
            // What users mistake it for: the daily 10.7 cm index.
            edit->setToolTip(QStringLiteral(
                "The Sun's flux density at the observing frequency, in sfu, or a day's table "
                "of a solar observatory's noon fluxes (MHz:sfu,MHz:sfu,...) to interpolate "
                "between.\nThe 10.7 cm index (F10.7) is the flux at 2800 MHz only; at other "
                "frequencies the Sun's flux differs from it."));
        }
        QLabel* reason = reasons_->Watch(
            edit, [this, edit](const QString& text) { return FieldProblem(edit, text); });
        // Two columns of fields: frequency, Tsys, solar flux, Moon left;
        // the antenna right.
        const bool right = i == kDiameter || i == kEfficiency || i == kGain || i == kHpbw;
        const int row = i == kHpbw ? 8
                                   : 2 * (right ? static_cast<int>(i)
                                                : (i == kFrequency ? 0 : static_cast<int>(i) - 3));
        const int col = right ? 2 : 0;
        grid->addWidget(new QLabel(QString::fromUtf8(labels[i]), this), row, col);
        grid->addWidget(edit, row, col + 1);
        grid->addWidget(reason, row + 1, col, 1, 2);
        *edits[i] = edit;
        fields_[i] = edit;
        if (i == kFrequency) {
            connect(edit, &QLineEdit::textChanged, this, &MeasureWindow::FrequencyEdited);
            connect(edit, &QLineEdit::editingFinished, this, &MeasureWindow::StoreFrequency);
        } else {
            connect(edit, &QLineEdit::textChanged, this, &MeasureWindow::Edited);
            connect(edit, &QLineEdit::editingFinished, this, &MeasureWindow::StoreSetup);
        }
    }
    MoonTyped = new QCheckBox(QStringLiteral("Moon as typed (else by its phase)"), this);
    MoonTyped->setObjectName(QStringLiteral("MoonTyped"));
    MoonTyped->setToolTip(QStringLiteral(
        "Unchecked: the Moon's disk brightness at the observing frequency and the present "
        "phase (Krotikov and Troitsky), shown in the Moon's note."));
    grid->addWidget(MoonTyped, 8, 0, 1, 2);
    connect(MoonTyped, &QCheckBox::toggled, this, [this] {
        Edited();
        StoreSetup();
    });
    layout->addLayout(grid);
    SolarFile = new SolarFluxFilePanel(this);
    SolarFile->AskPath = [this] {
        return QFileDialog::getOpenFileName(
            this, QStringLiteral("Solar flux file"), directory_,
            QStringLiteral("Solar flux files (*.txt *.SRD *.srd);;All files (*)"));
    };
    connect(SolarFile, &SolarFluxFilePanel::Changed, this, [this] {
        setup_.SolarFluxFile = SolarFile->Path().toStdString();
        StoreSetup();
        Refresh();
    });
    connect(SolarFile, &SolarFluxFilePanel::Refused, this,
            [this](const QString& why) { messages_.Error(why.toStdString()); });
    layout->addWidget(SolarFile);

    Table = new QTableWidget(static_cast<int>(kMeasureRowCount), kColumnCount, this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setHorizontalHeaderLabels(
        {QStringLiteral("Source"), QStringLiteral("Elevation (\u00b0)"),
         QStringLiteral("Flux (Jy)"), QStringLiteral("Diameter (\u00b0)"), QStringLiteral("K"),
         QStringLiteral("\u0394T (K)"), QStringLiteral("Y (dB)"), QStringLiteral("Tsky (K)"),
         QStringLiteral("Note")});
    Table->horizontalHeaderItem(kTskyCol)->setToolTip(
        QStringLiteral("The sky behind the source through the beam, from the 408 MHz survey "
                       "scaled to the observing frequency"));
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
    sky_ = new MeasureSkyPanel(this);
    sky_->Ask = [this] { return SkyRequest(); };
    SkyBeam = sky_->Beam;
    ColdSky = sky_->Reference;
    Atmosphere = sky_->Atmosphere;
    layout->addWidget(sky_);

    auto* measured = new QHBoxLayout;
    Source = new QComboBox(this);
    Source->setObjectName(QStringLiteral("Source"));
    for (std::size_t i = 0; i < kMeasureRowCount; ++i) {
        Source->addItem(QString());
    }
    MeasuredY = new QLineEdit(this);
    MeasuredY->setObjectName(QStringLiteral("MeasuredY"));
    MeasuredY->setPlaceholderText(QStringLiteral("measured Y, dB"));
    MeasuredYSigma = new QLabel(this);
    MeasuredYSigma->setObjectName(QStringLiteral("MeasuredYSigma"));
    MeasuredYSigma->hide();
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
    measured->addWidget(MeasuredYSigma);
    measured->addWidget(GOverT, 1);
    measured->addWidget(Log);
    layout->addLayout(measured);
    Budget = new GOverTBudgetPanel(this);
    layout->addWidget(Budget);

    // The G/T of the log over time, and its entries beside it.
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("G/T from the measurement log"));
    chart->legend()->setAlignment(Qt::AlignBottom);
    // Room for half a date label beyond the last mark, which stands on the
    // plot's right edge.
    QMargins margins = chart->margins();
    margins.setRight(margins.right() +
                     fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) / 2);
    chart->setMargins(margins);
    timeAxis_ = new QCategoryAxis(chart);
    timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    timeAxis_->setTitleText(QStringLiteral("UTC"));
    gOverTAxis_ = new QValueAxis(chart);
    gOverTAxis_->setTitleText(QStringLiteral("G/T (dB/K)"));
    gOverTAxis_->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    chart->addAxis(gOverTAxis_, Qt::AlignLeft);
    History = new QChartView(chart, this);
    History->setObjectName(QStringLiteral("History"));
    History->setRenderHint(QPainter::Antialiasing);
    History->setMinimumHeight(240);

    auto* entries = new QWidget(this);
    auto* entriesLayout = new QVBoxLayout(entries);
    entriesLayout->setContentsMargins(0, 0, 0, 0);
    Entries = new QTableWidget(0, kEntryColumnCount, this);
    Entries->setObjectName(QStringLiteral("Entries"));
    Entries->setHorizontalHeaderLabels({QStringLiteral("UTC"), QStringLiteral("Source"),
                                        QStringLiteral("MHz"), QStringLiteral("Y (dB)"),
                                        QStringLiteral("G/T"), QString(), QStringLiteral("Method"),
                                        QStringLiteral("Antenna")});
    Entries->verticalHeader()->hide();
    Entries->verticalHeader()->setDefaultSectionSize(rowHeight);
    Entries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Entries->setSelectionBehavior(QAbstractItemView::SelectRows);
    Entries->setSelectionMode(QAbstractItemView::SingleSelection);
    Entries->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Entries->horizontalHeader()->setStretchLastSection(true);
    Withdraw = new QPushButton(QStringLiteral("Withdraw"), this);
    Withdraw->setObjectName(QStringLiteral("Withdraw"));
    Withdraw->setToolTip(QStringLiteral(
        "Leave the chosen entry out of the chart; it stays in the log, marked withdrawn"));
    Withdraw->setEnabled(false);
    entriesLayout->addWidget(Entries, 1);
    Report = new QPushButton(QStringLiteral("Report\u2026"), this);
    Report->setObjectName(QStringLiteral("Report"));
    Report->setToolTip(QStringLiteral("Write the evening's measurements as a PDF"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Report);
    buttons->addWidget(Withdraw);
    entriesLayout->addLayout(buttons);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(History);
    split->addWidget(entries);
    // The list as wide as the chart: it shows σ, method and antenna too.
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({500, 500});
    layout->addWidget(split, 1);
    Skipped = new QLabel(this);
    Skipped->setObjectName(QStringLiteral("Skipped"));
    Skipped->setWordWrap(true);
    layout->addWidget(Skipped);

    Refresher = new QTimer(this);
    Refresher->setInterval(kMeasureRefreshMs);
    connect(Refresher, &QTimer::timeout, this, &MeasureWindow::Refresh);
    connect(sky_, &MeasureSkyPanel::Updated, this, [this] {
        ShowRows();
        ShowGOverT();
    });
    connect(Antenna, &QComboBox::currentIndexChanged, this, [this] {
        Edited();
        StoreSetup();
    });
    connect(Source, &QComboBox::currentIndexChanged, this, &MeasureWindow::SourceChosen);
    connect(MeasuredY, &QLineEdit::textChanged, this, &MeasureWindow::ShowGOverT);
    connect(Log, &QPushButton::clicked, this, &MeasureWindow::LogClick);
    connect(Withdraw, &QPushButton::clicked, this, &MeasureWindow::WithdrawClick);
    connect(Report, &QPushButton::clicked, this, &MeasureWindow::ReportClick);
    AskReportPath = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Measurement report"), directory_,
                                            QStringLiteral("PDF (*.pdf)"));
    };
    connect(Entries, &QTableWidget::itemSelectionChanged, this, &MeasureWindow::ShowWithdrawButton);

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
    {
        const QSignalBlocker block(MoonTyped);
        MoonTyped->setChecked(stored.MoonTemperatureTyped);
    }
    Hpbw->setText(stored.HpbwDeg > 0 ? Number(stored.HpbwDeg) : QString());
    if (!stored.SolarFluxFile.empty()) {
        SolarFile->Read(FromStd(stored.SolarFluxFile), false); // off this thread
    }
    ShowFrequency();
    ShowStoredSource();
    ShowHistory(); // empty until the log is read
    resize(1000, 800);
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
    sky_->Load(SkyFolder);
    Refresh();
    Refresher->start();
    sky_->Follow(true);
    sky_->Start();
}

void MeasureWindow::hideEvent(QHideEvent* event) {
    Refresher->stop();
    sky_->Follow(false);
    QWidget::hideEvent(event);
}

QString MeasureWindow::FieldProblem(const QLineEdit* edit, const QString& text) const {
    const bool dish = Antenna->currentIndex() == static_cast<int>(AntennaKind::Dish);
    const std::string typed = text.toStdString();
    const auto number = [&](SetupField f) { return FromStd(ParseSetupNumber(f, typed).Problem); };
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
    if (edit == Hpbw) {
        return number(SetupField::Hpbw);
    }
    if (edit == SolarFlux) {
        return FromStd(ParseSolarEntry(typed).Problem);
    }
    return {};
}

QString MeasureWindow::Problem(const QLineEdit* field) const {
    if (field == MeasuredY) {
        return FromStd(MeasuredYOf(MeasuredY->text()).Problem);
    }
    return reasons_->Reason(field);
}

bool MeasureWindow::ReadFields() {
    if (MoonTyped == nullptr) {
        return false; // still being built
    }
    // The antenna kind decides which fields count: all are judged again.
    const bool accepted = reasons_->CheckAll();
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
    setup_.MoonTemperatureTyped = MoonTyped->isChecked();
    MoonTemperature->setEnabled(setup_.MoonTemperatureTyped);
    take(Hpbw, SetupField::Hpbw, setup_.HpbwDeg);
    setup_.SolarFlux = Latin(SolarFlux);
    fieldsAccepted_ = accepted;
    return accepted;
}

void MeasureWindow::Edited() {
    ReadFields();
    Refresh();
    // A new frequency or beam: the sky again (a run already going is
    // followed by another).
    if (sky_->Stale(conditions_.FrequencyMHz, SkyBeamDeg(setup_, conditions_.FrequencyMHz))) {
        sky_->Start();
    }
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
    if (ColdSky == nullptr) {
        return; // still being built; the fields are read as they are edited
    }
    rowsUtc_ = clock_.UtcNow();
    const measure::SolarFluxChoice* file = SolarFile->ChoiceAt(conditions_.FrequencyMHz, rowsUtc_);
    SolarFile->Show(file);
    fileFlux_.reset();
    if (file != nullptr && !file->Refused) {
        fileFlux_ = *file;
    }
    rows_ = MeasureRows(rowsUtc_, station_, conditions_, library_, places_, setup_,
                        fileFlux_ ? &*fileFlux_ : nullptr);
    ShowRows();
    ShowGOverT();
}

void MeasureWindow::ShowRows() {
    const QColor grey(Qt::gray);
    const QColor normal = palette().color(QPalette::Text);
    // The chosen source's Y against its reference: the sky's difference in.
    const int chosen = Source->currentIndex();
    const std::optional<ReferencedSky> referenced =
        ReferencedSkyOf(PresentSky(), rows_, static_cast<std::size_t>(std::max(chosen, 0)));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const MeasureRow& r = rows_[i];
        const int row = static_cast<int>(i);
        const bool flux = r.Expected.Flux.HasValue();
        double yDb = r.Expected.YDb;
        std::string note = r.Note;
        if (referenced.has_value() && row == chosen && flux) {
            yDb = measure::ExpectedYWithBackgroundDb(r.Expected, referenced->DifferenceK(),
                                                     setup_.TsysK);
            char text[96];
            std::snprintf(text, sizeof text, "Y with the sky's difference %+.1f K",
                          referenced->DifferenceK());
            note = note.empty() ? std::string(text) : note + "; " + text;
        }
        const QString texts[kColumnCount] = {
            FromStd(r.Title),
            FromStd(r.ElevationText),
            flux ? Fixed(r.Expected.Flux.Jy, 1) : QString(),
            flux ? Fixed(r.Expected.SizeDeg, 4) : QString(),
            Fixed(r.Expected.BeamCorrection, 4),
            Fixed(r.Expected.DeltaTK, 3),
            Fixed(yDb, 3),
            sky_->TskyText(i, conditions_.FrequencyMHz,
                           SkyBeamDeg(setup_, conditions_.FrequencyMHz)),
            FromStd(note),
        };
        for (int c = 0; c < kColumnCount; ++c) {
            QTableWidgetItem* item = Table->item(row, c);
            if (item->text() != texts[c]) {
                item->setText(texts[c]);
                if (c == kNoteCol) {
                    item->setToolTip(texts[c]); // a long note is cut off in the cell
                }
            }
            item->setForeground(r.BelowHorizon ? grey : normal);
        }
        if (Source->itemText(row) != texts[kSourceCol]) {
            Source->setItemText(row, texts[kSourceCol]);
        }
    }
    ShowSky();
}

const MeasureSky* MeasureWindow::PresentSky() const {
    return sky_->Present(conditions_.FrequencyMHz, SkyBeamDeg(setup_, conditions_.FrequencyMHz));
}

std::optional<MeasureSkyPanel::Request> MeasureWindow::SkyRequest() const {
    const double f = conditions_.FrequencyMHz;
    const double beam = SkyBeamDeg(setup_, f);
    const int index = Source->currentIndex();
    if (!std::isfinite(beam) || !(f > 0) || index < 0) {
        return std::nullopt;
    }
    MeasureSkyPanel::Request r;
    r.FrequencyMHz = f;
    r.Query.Rows = rows_;
    r.Query.Utc = rowsUtc_;
    r.Query.Station = {static_cast<double>(station_.Latitude),
                       static_cast<double>(station_.Longitude),
                       static_cast<double>(station_.HeightAsl)};
    r.Query.HpbwDeg = beam;
    r.Query.Chosen = static_cast<std::size_t>(index);
    // The skyline as the sky window holds it now, copied for the worker:
    // the sky window may load another meanwhile.
    if (const HorizonProfile* horizon = Horizon ? Horizon() : nullptr) {
        r.Query.Hidden = [profile = *horizon](double az, double el) {
            return profile.Hides(az, el);
        };
    }
    return r;
}

void MeasureWindow::ShowSky() {
    const int index = Source->currentIndex();
    const atmosphere::ClearAir air(conditions_.FrequencyMHz, WeatherOf(conditions_));
    const QString atmosphere =
        index < 0 ? QString()
                  : FromStd(AtmosphereText(air, WeatherOf(conditions_),
                                           rows_[static_cast<std::size_t>(index)]));
    if (Atmosphere->text() != atmosphere) {
        Atmosphere->setText(atmosphere);
    }
    Atmosphere->setVisible(!atmosphere.isEmpty());
    sky_->Show(SkyBeamDeg(setup_, conditions_.FrequencyMHz),
               std::isfinite(setup_.HpbwDeg) && setup_.HpbwDeg > 0, index,
               index < 0 ? QString() : Source->itemText(index), conditions_.FrequencyMHz);
    Table->horizontalHeaderItem(kTskyCol)->setToolTip(sky_->Problem());
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
    gOverTSigma_ = NAN;
    correction_.reset();
    budget_.reset();
    const TypedY y = MeasuredYOf(MeasuredY->text());
    // A σ holds for the Y it came with, not for one typed over it; one
    // typed with the Y holds for it.
    const bool withSigma = !takenYText_.isEmpty() && MeasuredY->text() == takenYText_;
    const double sigmaDb = withSigma ? taken_.SigmaDb : y.SigmaDb.value_or(NAN);
    MeasuredYSigma->setVisible(withSigma);
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
            y.YDb, rows_[static_cast<std::size_t>(index)].Expected, conditions_.FrequencyMHz);
        const double sigma =
            std::isfinite(sigmaDb)
                ? MeasuredGOverTSigmaDb(y.YDb, sigmaDb,
                                        rows_[static_cast<std::size_t>(index)].Expected,
                                        conditions_.FrequencyMHz)
                : NAN;
        gOverTSigma_ = sigma;
        // Against the proposed reference: the background difference out.
        QString corrected;
        bool backgroundRefused = false;
        const auto chosen = static_cast<std::size_t>(index);
        const std::optional<ReferencedSky> referenced =
            ReferencedSkyOf(PresentSky(), rows_, chosen);
        if (std::isfinite(gOverT_) && referenced) {
            // Each sky with its air: the difference is what enters Y.
            const CorrectedGOverT c =
                CorrectedGOverTOf(y.YDb, sigmaDb, rows_[chosen], conditions_.FrequencyMHz,
                                  referenced->SourceSkyK + referenced->AirK,
                                  referenced->ReferenceSkyK + referenced->AirK, setup_.TsysK);
            if (std::isfinite(c.GOverTDbPerK)) {
                correction_ = c;
                correctionTskyK_ = referenced->SourceSkyK;
                correctionReferenceK_ = referenced->ReferenceSkyK;
                gOverT_ = c.GOverTDbPerK;
                gOverTSigma_ = c.SigmaDb;
                corrected =
                    QStringLiteral(", corrected for the background by %1 dB (Tsky %2 K, "
                                   "reference %3 K)")
                        .arg(QString::asprintf(
                                 "%+.2f", std::abs(c.CorrectionDb) < 0.005 ? 0.0 : c.CorrectionDb),
                             Fixed(correctionTskyK_, 1), Fixed(correctionReferenceK_, 1));
            } else {
                say(QStringLiteral("The sky's difference to the reference (%1 K) accounts "
                                   "for all of this Y: no G/T.")
                        .arg(Fixed(c.BackgroundDifferenceK, 1)),
                    true);
                gOverT_ = NAN;
                backgroundRefused = true;
            }
        }
        if (std::isfinite(gOverT_)) {
            budget_ = BudgetOf(chosen, y.YDb, withSigma, y.SigmaDb.has_value());
        }
        if (backgroundRefused) {
            // said above
        } else if (std::isfinite(gOverT_) && std::isfinite(gOverTSigma_)) {
            // The whole budget's σ; the Y's alone is its first term.
            say(QStringLiteral("G/T %1 \u00b1 %2 dB/K%3")
                    .arg(Fixed(gOverT_, 2), Fixed(budget_->TotalSigmaDb, 2), corrected),
                false);
        } else if (std::isfinite(gOverT_)) {
            say(QStringLiteral("G/T %1 dB/K (\u03c3 at least %2 dB: the Y has none)%3")
                    .arg(Fixed(gOverT_, 2), Fixed(budget_->TotalSigmaDb, 2), corrected),
                false);
        } else {
            say(QStringLiteral("No G/T for this source with the antenna given."), true);
        }
    }
    Restyle(MeasuredY, !MeasuredY->text().trimmed().isEmpty() && !y.Problem.empty()
                           ? QLatin1String(kRefusedStyle)
                           : QString());
    Log->setEnabled(std::isfinite(gOverT_));
    Budget->Show(budget_ ? &*budget_ : nullptr);
}

std::optional<measure::GOverTBudget> MeasureWindow::BudgetOf(std::size_t chosen, double yDb,
                                                             bool taken, bool typedSigma) const {
    const MeasureRow& row = rows_[chosen];
    measure::GOverTBudgetInput in;
    in.FromYSigmaDb = gOverTSigma_;
    in.YMethod = taken ? (taken_.Method.empty() ? std::string("receiver") : taken_.Method)
                       : (typedSigma ? std::string("typed with its \u03c3")
                                     : std::string("typed, no \u03c3"));
    in.Flux =
        FluxUncertaintyOf(row, chosen == kMeasureRowCount - 1, fileFlux_ ? &*fileFlux_ : nullptr);
    in.FrequencyMHz = conditions_.FrequencyMHz;
    in.SourceDeltaTK = (std::pow(10.0, yDb / 10.0) - 1.0) * setup_.TsysK -
                       (correction_ ? correction_->BackgroundDifferenceK : 0.0);
    in.BeamCorrection = row.Expected.BeamCorrection;
    // The air's model above 1 GHz (the reference at the source's elevation
    // sees the same air: only the attenuation counts).
    const atmosphere::ClearAir air(conditions_.FrequencyMHz, WeatherOf(conditions_));
    if (!air.Free() && air.Modelled() && std::isfinite(row.Expected.AtmosphereDb)) {
        in.AtmosphereSigmaDb =
            measure::AtmosphereSigmaDb(row.Expected.AtmosphereDb, 0.0, in.SourceDeltaTK);
        in.AtmosphereBasis = measure::AtmosphereBasisText(row.Expected.AtmosphereDb, 0.0);
    }
    if (const auto scanned = LastCrossScanPointing(scans_, row.Title, conditions_.FrequencyMHz,
                                                   SkyBeamDeg(setup_, conditions_.FrequencyMHz))) {
        in.PointingHpbw = scanned->OffsetHpbw;
        in.PointingBasis = scanned->Basis;
    }
    return measure::GOverTBudgetOf(in);
}

void MeasureWindow::LogClick() {
    Refresh(); // the present moment's elevation
    const int index = Source->currentIndex();
    if (!std::isfinite(gOverT_) || index < 0) {
        return; // Log is disabled then
    }
    const MeasureRow row = rows_[static_cast<std::size_t>(index)];
    if (!MayLog(row)) {
        return; // the user thought better of it: nothing written, every value kept
    }
    measure::MeasurementRecord record;
    record.Utc = IsoUtc(rowsUtc_);
    record.Source = row.Title;
    record.ElevationDeg = row.ElevationDeg;
    record.FrequencyMHz = conditions_.FrequencyMHz;
    record.Antenna = AntennaText(setup_);
    // The system temperature the measurement gives, as every record of
    // the log has it: G/(G/T).
    const auto beam = BeamOf(setup_, conditions_.FrequencyMHz);
    record.TsysK =
        beam ? measure::SystemTemperatureFromGOverTK(beam->GainDbi, gOverT_) : setup_.TsysK;
    if (index == static_cast<int>(kMeasureRowCount) - 1) { // the Sun
        record.SolarFluxSfu = row.Expected.Flux.Jy / measure::kJanskyPerSfu;
    }
    const TypedY typed = MeasuredYOf(MeasuredY->text());
    record.MeasuredYDb = typed.YDb;
    record.GOverTDbPerK = gOverT_;
    const bool taken = !takenYText_.isEmpty() && MeasuredY->text() == takenYText_;
    if (taken) {
        record.Method = taken_.Method.empty() ? std::string("receiver") : taken_.Method;
        if (std::isfinite(taken_.SigmaDb)) {
            record.YSigmaDb = taken_.SigmaDb;
        }
        if (taken_.LastUtc > 0) {
            record.BlocksUtcStart = IsoUtcMs(taken_.FirstUtc);
            record.BlocksUtcEnd = IsoUtcMs(taken_.LastUtc);
        }
    } else {
        record.Method = "typed";
        record.YSigmaDb = typed.SigmaDb;
    }
    // The whole budget's σ, when the Y has one of its own.
    if (std::isfinite(gOverTSigma_) && budget_) {
        record.GOverTSigmaDb = budget_->TotalSigmaDb;
    }
    if (budget_) {
        record.FluxSource = budget_->Terms[1].Basis;
    }
    if (correction_) {
        record.SkyTskyK = correctionTskyK_;
        record.ReferenceTskyK = correctionReferenceK_;
        record.BackgroundCorrectionDb = correction_->CorrectionDb;
    }
    record = measure::RoundedForLog(record);
    if (const auto why = measure::AppendMeasurement(LogPath().toStdString(), record)) {
        messages_.Error(*why);
        return; // the window keeps every value
    }
    StoreSetup();
    LoadHistory();
}

bool MeasureWindow::MayLog(const MeasureRow& row) {
    const QString title = FromStd(row.Title);
    if (row.BelowHorizon) {
        return messages_.Question(
            kMeasureCaption,
            QStringLiteral("%1 is below the horizon now (elevation %2\u00b0): a reading there "
                           "is of the ground, not of the source. Log it all the same?")
                .arg(title, Fixed(row.ElevationDeg, 2))
                .toStdString());
    }
    const HorizonProfile* horizon = Horizon ? Horizon() : nullptr;
    if (horizon != nullptr && horizon->Hides(row.AzimuthDeg, row.ElevationDeg)) {
        return messages_.Question(
            kMeasureCaption,
            QStringLiteral("%1 is behind the horizon profile now (azimuth %2\u00b0, elevation "
                           "%3\u00b0, where the skyline stands at %4\u00b0). Log it all the "
                           "same?")
                .arg(title, Fixed(row.AzimuthDeg, 1), Fixed(row.ElevationDeg, 2),
                     Fixed(horizon->ElevationAt(row.AzimuthDeg), 1))
                .toStdString());
    }
    return true;
}

void MeasureWindow::SourceChosen() {
    ShowGOverT();
    ShowSky();
    sky_->Start(); // the reference of the source chosen now
    const int index = Source->currentIndex();
    if (index < 0 || Source->itemText(index).isEmpty()) {
        return;
    }
    const std::string title = Source->itemText(index).toStdString();
    if (title == setup_.Source) {
        return;
    }
    setup_.Source = title;
    // Refused values are not numbers in the setup, and are not written.
    if (!SaveMeasureSetup(directory_, setup_)) {
        messages_.Error("The Measure values could not be written to Vanset.ini; they hold for "
                        "this run only.");
    }
}

void MeasureWindow::ShowStoredSource() {
    int index = Source->findText(FromStd(setup_.Source));
    for (std::size_t i = 0; index < 0 && i < rows_.size(); ++i) {
        if (rows_[i].Expected.Flux.HasValue()) {
            index = static_cast<int>(i);
        }
    }
    {
        const QSignalBlocker quiet(Source);
        Source->setCurrentIndex(std::max(index, 0));
    }
    ShowGOverT();
}

QList<QLineSeries*> MeasureWindow::HistorySeries() const {
    QList<QLineSeries*> lines;
    for (QAbstractSeries* s : History->chart()->series()) {
        if (auto* line = qobject_cast<QLineSeries*>(s)) {
            lines.append(line);
        }
    }
    return lines;
}

void MeasureWindow::ReportClick() {
    const QString path = AskReportPath ? AskReportPath() : QString();
    if (path.isEmpty()) {
        return; // the user thought better of it
    }
    MeasureReportContent c;
    c.Station = QStringLiteral("%1 %2 %3\u00b0 %4\u00b0")
                    .arg(FromStd(station_.CallSign), FromStd(station_.Location))
                    .arg(static_cast<double>(station_.Latitude), 0, 'f', 4)
                    .arg(static_cast<double>(station_.Longitude), 0, 'f', 4)
                    .simplified();
    c.Antenna = FromStd(AntennaText(setup_));
    c.Generated = FromStd(IsoUtc(clock_.UtcNow()));
    c.Log = log_;
    c.GOverTShown = GOverT->text();
    c.Budget = budget_;
    c.Chart = History;
    if (const auto why = WriteMeasureReport(path, c)) {
        messages_.Error(*why);
    }
}

void MeasureWindow::LoadHistory() {
    log_ = {};
    const auto why = measure::ReadMeasurementLog(LogPath().toStdString(), log_);
    // The scans log beside it: the pointing of the last cross-scan.
    scans_ = {};
    const QString dir = directory_.isEmpty() ? QDir::currentPath() : directory_;
    scan::ReadScanLog((dir + QLatin1Char('/') + QLatin1String(scan::kScanLogName)).toStdString(),
                      scans_);
    ShowHistory();
    ShowEntries();
    if (why) {
        Skipped->setText(FromStd(*why));
    }
}

void MeasureWindow::ShowHistory() {
    QChart* chart = History->chart();
    chart->removeAllSeries();
    const GOverTHistory history = GOverTHistoryOf(log_.Records);
    double first = 0, last = 0, low = 0, high = 0;
    bool any = false;
    for (const GOverTSeries& s : history.Series) {
        auto* line = new QLineSeries(chart);
        line->setName(
            FromStd(s.Source) + QStringLiteral(", ") + FromStd(s.Band) +
            (history.SeveralAntennas ? QStringLiteral(", ") + FromStd(s.Antenna) : QString()));
        line->setPointsVisible(true);
        QList<QPointF> points;
        for (const GOverTPoint& p : s.Points) {
            points.append(QPointF(p.Utc, p.GOverTDbPerK));
            first = any ? std::min(first, p.Utc) : p.Utc;
            last = any ? std::max(last, p.Utc) : p.Utc;
            low = any ? std::min(low, p.GOverTDbPerK) : p.GOverTDbPerK;
            high = any ? std::max(high, p.GOverTDbPerK) : p.GOverTDbPerK;
            any = true;
        }
        line->replace(points);
        chart->addSeries(line);
        line->attachAxis(timeAxis_);
        line->attachAxis(gOverTAxis_);
    }
    if (!any) {
        // The present day, and a usual range of G/T: never an empty 1970.
        const DateTime now = clock_.UtcNow();
        first = now - kEmptyHalfSpanDays;
        last = now + kEmptyHalfSpanDays;
        low = kEmptyGOverTLowDb + kGOverTPaddingDb;
        high = kEmptyGOverTHighDb - kGOverTPaddingDb;
    }
    const TimeAxis axis = RoundTimeAxis(first, last, kMostTimeIntervals);
    for (const QString& label : timeAxis_->categoriesLabels()) {
        timeAxis_->remove(label);
    }
    timeAxis_->setStartValue(axis.FirstUtc);
    for (const TimeAxisMark& m : axis.Marks) {
        timeAxis_->append(FromStd(m.Label), m.Utc);
    }
    timeAxis_->setRange(axis.FirstUtc, axis.LastUtc);
    gOverTAxis_->setRange(low - kGOverTPaddingDb, high + kGOverTPaddingDb);
    gOverTAxis_->setTickCount(kGOverTTicks);
    gOverTAxis_->applyNiceNumbers();
    chart->legend()->setVisible(any);

    std::size_t shown = 0;
    for (const GOverTSeries& s : history.Series) {
        shown += s.Points.size();
    }
    const std::size_t skipped = log_.Skipped.size() + history.Unreadable;
    QString text = QStringLiteral("%1 measurements in %2").arg(shown).arg(LogPath());
    if (history.Withdrawn > 0) {
        text += QStringLiteral("; %1 withdrawn").arg(history.Withdrawn);
    }
    if (skipped == 1) {
        text += QStringLiteral("; 1 damaged line skipped");
    } else if (skipped > 1) {
        text += QStringLiteral("; %1 damaged lines skipped").arg(skipped);
    }
    Skipped->setToolTip(log_.Skipped.empty() ? QString() : FromStd(log_.Skipped.front()));
    Skipped->setText(text);
}

void MeasureWindow::ShowEntries() {
    const int chosenLine = [this] {
        const int r = ChosenRecord();
        return r < 0 ? -1 : static_cast<int>(log_.Lines[static_cast<std::size_t>(r)]);
    }();
    const QSignalBlocker quiet(Entries);
    Entries->clearContents();
    Entries->setRowCount(static_cast<int>(log_.Records.size()));
    const QColor grey(Qt::gray);
    int reselect = -1;
    for (std::size_t k = 0; k < log_.Records.size(); ++k) {
        const std::size_t index = log_.Records.size() - 1 - k; // the latest first
        const measure::MeasurementRecord& r = log_.Records[index];
        const QString texts[kEntryColumnCount] = {
            // To the minute; the log keeps the seconds.
            FromStd(r.Utc).replace(QLatin1Char('T'), QLatin1Char(' ')).left(kEntryUtcChars),
            FromStd(r.Source),
            Number(r.FrequencyMHz),
            WithSigma(r.MeasuredYDb, r.YSigmaDb, 3),
            WithSigma(r.GOverTDbPerK, r.GOverTSigmaDb, 2),
            r.Withdrawn ? QLatin1String(measure::kWithdrawnStatus.data(),
                                        static_cast<qsizetype>(measure::kWithdrawnStatus.size()))
                        : QString(),
            FromStd(r.Method),
            FromStd(r.Antenna),
        };
        for (int c = 0; c < kEntryColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setData(Qt::UserRole, static_cast<qulonglong>(index));
            if (c == kEntryMethod || c == kEntryAntenna) {
                item->setToolTip(texts[c]); // elided when the list is narrow
            }
            if (c == kEntryMHz || c == kEntryY || c == kEntryGOverT) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (r.Withdrawn) {
                QFont font = item->font();
                font.setStrikeOut(c != kEntryStatus);
                item->setFont(font);
                item->setForeground(grey);
            }
            Entries->setItem(static_cast<int>(k), c, item);
        }
        if (static_cast<int>(log_.Lines[index]) == chosenLine) {
            reselect = static_cast<int>(k);
        }
    }
    if (reselect >= 0) {
        Entries->selectRow(reselect);
    }
    ShowWithdrawButton();
}

int MeasureWindow::ChosenRecord() const {
    const QList<QTableWidgetItem*> chosen = Entries->selectedItems();
    if (chosen.isEmpty()) {
        return -1;
    }
    const auto index = chosen.front()->data(Qt::UserRole).toULongLong();
    return index < log_.Records.size() ? static_cast<int>(index) : -1;
}

void MeasureWindow::ShowWithdrawButton() {
    const int index = ChosenRecord();
    const bool withdrawn = index >= 0 && log_.Records[static_cast<std::size_t>(index)].Withdrawn;
    Withdraw->setText(withdrawn ? QStringLiteral("Restore") : QStringLiteral("Withdraw"));
    Withdraw->setEnabled(index >= 0);
}

void MeasureWindow::WithdrawClick() {
    const int index = ChosenRecord();
    if (index < 0) {
        return;
    }
    const auto at = static_cast<std::size_t>(index);
    const measure::MeasurementRecord record = log_.Records[at];
    const bool withdraw = !record.Withdrawn;
    if (withdraw &&
        !messages_.Question(
            kMeasureCaption,
            QStringLiteral("Withdraw the measurement of %1 on %2 at %3 MHz (G/T %4 dB/K)? It stays "
                           "in the log, marked withdrawn, and is left out of the chart.")
                .arg(FromStd(record.Utc), FromStd(record.Source), Number(record.FrequencyMHz),
                     Fixed(record.GOverTDbPerK, 2))
                .toStdString())) {
        return;
    }
    if (const auto why =
            measure::SetWithdrawn(LogPath().toStdString(), log_.Lines[at], record, withdraw)) {
        messages_.Error(*why);
    }
    LoadHistory(); // what the log holds now, the same entry still chosen
}

void MeasureWindow::TakeMeasuredY(double yDb, double sigmaDb, std::optional<std::size_t> row) {
    TakenY y;
    y.YDb = yDb;
    y.SigmaDb = sigmaDb;
    TakeMeasuredY(y, row);
}

void MeasureWindow::TakeMeasuredY(const TakenY& taken, std::optional<std::size_t> row) {
    if (row && *row < kMeasureRowCount) {
        Source->setCurrentIndex(static_cast<int>(*row)); // stored as the source measured on
    }
    const double yDb = taken.YDb;
    const double sigmaDb = taken.SigmaDb;
    taken_ = taken;
    takenYText_ = Fixed(yDb, 3);
    MeasuredYSigma->setText(std::isfinite(sigmaDb)
                                ? QStringLiteral("\u00b1 %1 dB").arg(Fixed(sigmaDb, 3))
                                : QStringLiteral("\u00b1 ? dB"));
    MeasuredYSigma->setToolTip(
        QStringLiteral("The one-sigma uncertainty of the Y-factor the Receiver window measured: "
                       "%1")
            .arg(FromStd(taken.Method)));
    if (MeasuredY->text() == takenYText_) {
        ShowGOverT(); // the same text: no change signal, but a new σ
    } else {
        MeasuredY->setText(takenYText_);
    }
}

QString MeasureWindow::SourceTitle(std::optional<std::size_t> row) const {
    return row ? Source->itemText(static_cast<int>(*row)) : Source->currentText();
}

void ShareFrequency(MeasureWindow& measure, SettingsWindow& settings) {
    QObject::connect(&settings, &SettingsWindow::Applied, &measure, &MeasureWindow::ShowFrequency);
    QObject::connect(&measure, &MeasureWindow::FrequencyChanged, &settings,
                     &SettingsWindow::ShowFrequency);
}

} // namespace vantrel
