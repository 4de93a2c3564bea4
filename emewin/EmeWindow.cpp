#include "emewin/EmeWindow.h"

#include "controls/FieldReasons.h"
#include "eme/EmeCsv.h"
#include "emewin/DopplerPanel.h"
#include "emewin/DxSkedPanel.h"
#include "emewin/EmeSettings.h"
#include "emewin/EmeSkedSetup.h"
#include "help/ProcessPaths.h"
#include "mainwin/TextFileSave.h"
#include "mainwin/WindowPlacement.h"
#include "measure/NumberText.h"
#include "skymodel/SkySurvey.h"
#include "skywin/ChartExport.h"
#include "station/StationCheck.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace vantrel {

namespace {

const QPoint kOffsetFromMainWindow(80, 60);
const QSize kFirstSize(1000, 880);
constexpr double kPercent = 100.0;
constexpr double kSecondsPerMinute = 60.0;

const QString kNone = QStringLiteral("\u2014"); // an em dash for "no value"

/// A number with `decimals` decimals and `unit`, or a dash for NaN.
QString Value(double v, int decimals, const QString& unit) {
    if (!std::isfinite(v)) {
        return kNone;
    }
    // A value that rounds to zero shows without a sign.
    if (std::fabs(v) < 0.5 * std::pow(10.0, -decimals)) {
        v = 0;
    }
    return QString::number(v, 'f', decimals) + unit;
}

/// Hertz with a sign, in kHz from 10 kHz on.
/// A Doppler shift in one unit throughout, Hz to 0.1 Hz ("+28471.3 Hz"), as
/// the CSV gives it: a column that changed from Hz to kHz with the size of
/// The share of the page's height the printed rows may fill at most: the
/// rest is the title's.
constexpr double kPrintFill = 0.9;

/// the shift was read wrong by a factor of 1000.
QString Doppler(double hz) {
    if (!std::isfinite(hz)) {
        return kNone;
    }
    const QString sign = hz > 0 ? QStringLiteral("+") : QString();
    return sign + Value(hz, 1, QStringLiteral(" Hz"));
}

/// "Sat 2026-03-21 13:52" (UTC), with the seconds (":07") when asked.
QString WhenText(eme::UtcSeconds utc, bool seconds = false) {
    const DateTime t = eme::DateTimeOf(utc);
    const DecodedInstant d = DecodeInstant(t);
    const std::string_view day = WeekdayName(t).substr(0, 3);
    QString text = QString::asprintf("%.*s %04u-%02u-%02u %02u:%02u", static_cast<int>(day.size()),
                                     day.data(), unsigned{d.Year}, unsigned{d.Month},
                                     unsigned{d.Day}, unsigned{d.Hour}, unsigned{d.Minute});
    if (seconds) {
        text += QString::asprintf(":%02u", unsigned{d.Second});
    }
    return text;
}

/// "7 h 46 min" of the span shown; "0 h 00 min 40 s" to the second.
QString DurationText(std::int64_t seconds, bool toTheSecond) {
    const auto whole = static_cast<long long>(seconds);
    const long long minutes = whole / 60;
    QString text = QString::asprintf("%lld h %02lld min", minutes / 60, minutes % 60);
    if (toTheSecond) {
        text += QString::asprintf(" %02lld s", whole % 60);
    }
    return text;
}

QString Degrees(double deg, int decimals = 2) {
    return Value(deg, decimals, QStringLiteral("\u00b0"));
}

/// Names of the live rows, in the order of EmeWindow::LiveRow.
const char* const kLiveNames[] = {
    "Moon azimuth",
    "Moon elevation",
    "Distance",
    "Declination",
    "Echo delay",
    "Echo Doppler",
    "DX Doppler at home",
    "Path loss (two-way)",
    "Path loss over 356 500 km",
    "Polarisation offset",
    "Semi-diameter",
    "Sky behind the Moon",
    "DGRD",
    "Sun–Moon angle",
    "Doppler rate",
    "Doppler spread",
    "Moon's own noise",
};
const char* const kLiveTips[] = {
    "From north through east",
    "As the grids show it: refracted when radio refraction is on",
    "Topocentric distance to the Moon's centre",
    "Topocentric declination seen from home",
    "Round-trip time of your echo, 2d/c",
    "Doppler shift of your own echo, \u22122f\u00b7\u1e0b/c",
    "Doppler shift of the DX station's signal at home, \u2212f\u00b7(\u1e0b home + \u1e0b DX)/c",
    "10\u00b7log10((4\u03c0)\u00b3d\u2074/(\u03c3\u03bb\u00b2)), \u03c3 = 0.065\u00b7\u03c0R\u00b2",
    "40\u00b7log10(d / 356 500 km): how much weaker the echo is than at 356 500 km, the "
    "closest perigees (up to +2.2 dB at apogee; below 0 only at a perigee closer still)",
    "Spatial offset for linear polarisation: home's minus the DX's parallactic angle",
    "Apparent radius of the Moon from home",
    "Sky temperature behind the Moon at the frequency through each station's beam: the 408 MHz "
    "survey scaled by its spectral index (Haslam et al. 1982, Platania et al. 2003)",
    "", // DGRD: its formula with the receiver temperature in use, set when shown
    "Angle between the Sun and the Moon seen from home; below 15° at frequencies below "
    "3 GHz the Sun's noise enters the side lobes (shown in red)",
    "Rate of the echo's Doppler shift at home and of the DX signal's, Hz a minute: the "
    "difference of the shifts 30 s either side",
    "Width of each station's own echo from the Moon's apparent rotation (libration and the "
    "Earth's rotation), limb to limb: 4·ω·R·f/c; most of the echo lies in "
    "a fraction of it",
    "The Moon's brightness temperature at the frequency and its phase (Krotikov and Troitsky; "
    "or the value typed), and the rise of antenna temperature it gives in each station's beam "
    "on the Moon: T_B\u00b7(1 \u2212 exp(\u2212ln 2\u00b7(\u03b8m/\u03b8b)\u00b2)); not in "
    "DGRD",
};

/// The table's columns.
const char* const kWindowColumns[] = {
    "Start (UTC)", "End (UTC)",    "Duration",   "Highest home",
    "Highest DX",  "Echo Doppler", "DX Doppler", "Loss over 356 500 km",
};

std::optional<double> MinElevation(const QString& text) {
    const std::string typed = text.toStdString();
    const std::optional<double> v = measure::FiniteNumber(measure::TrimBlanks(typed));
    if (!v || !(*v >= eme::kLowestMinElevationDeg && *v <= eme::kHighestMinElevationDeg)) {
        return std::nullopt;
    }
    return v;
}

/// Why a minimum elevation as typed is refused; empty when it is taken.
QString MinElevationProblem(const QString& text) {
    return MinElevation(text) ? QString()
                              : QStringLiteral("The minimum elevation must be a number of "
                                               "degrees from -5 to 90.");
}

/// Why a DX station as typed is refused; empty when it is taken or empty.
QString DxProblem(const QString& text) {
    if (text.trimmed().isEmpty()) {
        return {};
    }
    return QString::fromStdString(eme::ParseDxStation(text.toStdString()).Problem);
}

} // namespace

bool EmeWindow::Inputs::operator==(const Inputs& o) const {
    const auto same = [](const HorizontalDeg& a, const HorizontalDeg& b) {
        return a.AzimuthDeg == b.AzimuthDeg && a.ElevationDeg == b.ElevationDeg;
    };
    return Home == o.Home && Dx == o.Dx && Conditions == o.Conditions &&
           HomeMinDeg == o.HomeMinDeg && DxMinDeg == o.DxMinDeg && From == o.From && To == o.To &&
           std::equal(Horizon.begin(), Horizon.end(), o.Horizon.begin(), o.Horizon.end(), same);
}

EmeWindow::EmeWindow(EmeWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)), clock_(*services_.Clock) {
    setWindowTitle(QLatin1String(kEmeCaption));
    setAttribute(Qt::WA_QuitOnClose, false);
    reasons_ = new FieldReasons(this);
    BuildControls();

    const EmeSettings stored = LoadEmeSettings(services_.Directory, AvailableScreenRects());
    placed_ = RestorePlace(*this, stored.Geometry, kFirstSize);
    recent_ = stored.Recent;
    homeMinDeg_ = stored.HomeMinElevationDeg;
    dxMinDeg_ = stored.DxMinElevationDeg;
    HomeMinElevation->setText(QString::number(homeMinDeg_));
    DxMinElevation->setText(QString::number(dxMinDeg_));
    receiverK_ = stored.ReceiverK;
    homeHpbwDeg_ = stored.HomeHpbwDeg;
    dxHpbwDeg_ = stored.DxHpbwDeg;
    ReceiverTemperature->setText(QString::number(receiverK_));
    HomeHpbw->setText(homeHpbwDeg_ ? QString::number(*homeHpbwDeg_) : QString());
    DxHpbw->setText(dxHpbwDeg_ ? QString::number(*dxHpbwDeg_) : QString());
    moonTemperatureK_ = stored.MoonTemperatureK;
    bandMHz_ = stored.FrequencyMHz;
    Band->setText(bandMHz_ ? QString::number(*bandMHz_) : QString());
    MoonTemperature->setText(moonTemperatureK_ ? QString::number(*moonTemperatureK_) : QString());
    if (!stored.Dx.empty()) {
        dx_ = eme::ParseDxStation(stored.Dx).Station;
    }
    FillRecent();

    Ticker = new QTimer(this);
    Ticker->setInterval(kEmeTickMs);
    connect(Ticker, &QTimer::timeout, this, &EmeWindow::Tick);
    connect(&watcher_, &QFutureWatcher<eme::WindowSearchResult>::finished, this,
            &EmeWindow::SearchFinished);
    connect(&skyWatcher_, &QFutureWatcher<SkyMade>::finished, this, [this] {
        SkyMade made = skyWatcher_.result();
        if (made.Survey) {
            survey_ = made.Survey;
            brightness_ = made.Brightness;
            skyProblem_.clear();
        } else {
            skyProblem_ = made.Problem;
            skyFailed_ = true;
        }
        if (isVisible()) {
            Tick();
        }
    });

    ChooseSaveFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, QString(), filter);
    };
    ChoosePrinter = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
}

EmeWindow::~EmeWindow() {
    // The focus leaves a field as the window goes: nothing is taken then.
    for (QLineEdit* e : {DxBox->lineEdit(), HomeMinElevation, DxMinElevation, ReceiverTemperature,
                         HomeHpbw, DxHpbw, MoonTemperature}) {
        disconnect(e, nullptr, this, nullptr);
    }
    skyWatcher_.waitForFinished();
    if (cancel_) {
        cancel_->store(true);
    }
    watcher_.waitForFinished();
    for (QFutureWatcher<QString>* w : findChildren<QFutureWatcher<QString>*>()) {
        w->waitForFinished();
    }
}

DopplerPanel* EmeWindow::MakeDopplerPanel() {
    DopplerPanelServices d;
    d.Directory = services_.Directory;
    d.MakeRig = services_.MakeDopplerRig;
    d.Clock = services_.DopplerClock;
    d.ProgramFrequencyMHz = [this] { return services_.Conditions->FrequencyMHz; };
    d.MakeSource = [this](double skedMHz, eme::DopplerToFollow follow) {
        DopplerPanelServices::Source source;
        if (!CheckStation(*services_.Station).empty()) {
            source.Problem = QStringLiteral("The home station is not valid: no Doppler shift.");
            return source;
        }
        Inputs in = CurrentInputs();
        if (follow == eme::DopplerToFollow::Dx && !in.Dx) {
            source.Problem = QStringLiteral("Following the DX signal needs a DX station.");
            return source;
        }
        in.Conditions.FrequencyMHz = skedMHz;
        source.Make = [in, ut1 = services_.Ut1, follow] {
            return eme::CalculatorDoppler(
                std::make_shared<eme::EmeCalculator>(in.Home, in.Dx, in.Conditions, ut1), follow);
        };
        return source;
    };
    DopplerFollowing = new DopplerPanel(std::move(d), this);
    return DopplerFollowing;
}

void EmeWindow::BuildControls() {
    auto* column = new QVBoxLayout(this);

    auto* stations = new QHBoxLayout;
    auto* dxLabel = new QLabel(QStringLiteral("DX station:"), this);
    DxBox = new QComboBox(this);
    DxBox->setEditable(true);
    DxBox->setInsertPolicy(QComboBox::NoInsert);
    DxBox->setMinimumContentsLength(22);
    DxBox->lineEdit()->setObjectName(QStringLiteral("DxText"));
    DxBox->setToolTip(QStringLiteral(
        "A locator (JO62 or JO62qm) or latitude,longitude[,height m], a call sign before it "
        "if you like (DL0ABC JO62qm); Enter takes it, empty for none"));
    dxLabel->setBuddy(DxBox);
    DxWhere = new QLabel(this);
    stations->addWidget(dxLabel);
    stations->addWidget(DxBox);
    stations->addWidget(DxWhere, 1);
    column->addLayout(stations);
    // A refused text is checked when the box is left, not at every key: a
    // locator is refused until its last character is typed.
    column->addWidget(reasons_->Watch(DxBox->lineEdit(), DxProblem, CheckWhen::Leaving));

    auto* minimum = new QHBoxLayout;
    HomeMinElevation = new QLineEdit(this);
    DxMinElevation = new QLineEdit(this);
    HomeMinElevation->setObjectName(QStringLiteral("HomeMinElevation"));
    DxMinElevation->setObjectName(QStringLiteral("DxMinElevation"));
    for (QLineEdit* e : {HomeMinElevation, DxMinElevation}) {
        e->setMaximumWidth(70);
        e->setToolTip(QStringLiteral("Lowest elevation of the Moon for a common window, "
                                     "degrees, -5 to 90"));
    }
    minimum->addWidget(new QLabel(QStringLiteral("Minimum elevation home:"), this));
    minimum->addWidget(HomeMinElevation);
    minimum->addWidget(new QLabel(QStringLiteral("\u00b0   DX:"), this));
    minimum->addWidget(DxMinElevation);
    minimum->addWidget(new QLabel(QStringLiteral("\u00b0"), this));
    minimum->addStretch(1);
    column->addLayout(minimum);
    for (QLineEdit* e : {HomeMinElevation, DxMinElevation}) {
        column->addWidget(reasons_->Watch(e, MinElevationProblem));
    }

    auto* sked = new QHBoxLayout;
    ReceiverTemperature = new QLineEdit(this);
    HomeHpbw = new QLineEdit(this);
    DxHpbw = new QLineEdit(this);
    ReceiverTemperature->setObjectName(QStringLiteral("ReceiverK"));
    HomeHpbw->setObjectName(QStringLiteral("HomeHpbw"));
    DxHpbw->setObjectName(QStringLiteral("DxHpbw"));
    ReceiverTemperature->setMaximumWidth(70);
    ReceiverTemperature->setToolTip(
        QStringLiteral("Receiver temperature Tr of DGRD, kelvin, 1 to 10000 (WSJT-X assumes 80)"));
    for (QLineEdit* e : {HomeHpbw, DxHpbw}) {
        e->setMaximumWidth(70);
        e->setToolTip(QStringLiteral(
            "Half-power beamwidth the sky behind the Moon is averaged over, degrees, 0.05 to "
            "120; empty: 70·λ/D of a 3 m dish, as the Measure window derives it"));
    }
    sked->addWidget(new QLabel(QStringLiteral("Receiver Tr:"), this));
    sked->addWidget(ReceiverTemperature);
    sked->addWidget(new QLabel(QStringLiteral("K   Beamwidth home:"), this));
    sked->addWidget(HomeHpbw);
    sked->addWidget(new QLabel(QStringLiteral("°   DX:"), this));
    sked->addWidget(DxHpbw);
    sked->addWidget(new QLabel(QStringLiteral("°   Moon T_B:"), this));
    MoonTemperature = new QLineEdit(this);
    MoonTemperature->setObjectName(QStringLiteral("MoonTemperatureK"));
    MoonTemperature->setMaximumWidth(70);
    MoonTemperature->setPlaceholderText(QStringLiteral("model"));
    MoonTemperature->setToolTip(QStringLiteral(
        "The Moon's brightness temperature of its own noise, kelvin, 1 to 1000; empty: "
        "Krotikov and Troitsky's model by frequency and phase"));
    sked->addWidget(MoonTemperature);
    sked->addWidget(new QLabel(QStringLiteral("K"), this));
    sked->addStretch(1);
    column->addLayout(sked);
    column->addWidget(reasons_->Watch(ReceiverTemperature, [](const QString& text) {
        return ReceiverKOf(text.toStdString())
                   ? QString()
                   : QStringLiteral("The receiver temperature must be a number of kelvin "
                                    "from 1 to 10000.");
    }));
    column->addWidget(reasons_->Watch(MoonTemperature, [](const QString& text) {
        return MoonTemperatureOf(text.toStdString()).Valid
                   ? QString()
                   : QStringLiteral("The Moon's temperature must be a number of kelvin from 1 "
                                    "to 1000, or empty for the model.");
    }));
    for (QLineEdit* e : {HomeHpbw, DxHpbw}) {
        column->addWidget(reasons_->Watch(e, [](const QString& text) {
            return HpbwOf(text.toStdString()).Valid
                       ? QString()
                       : QStringLiteral("The beamwidth must be a number of degrees from 0.05 "
                                        "to 120, or empty for the dish's.");
        }));
    }

    auto* liveBox = new QGroupBox(QStringLiteral("Now"), this);
    auto* grid = new QGridLayout(liveBox);
    grid->addWidget(new QLabel(QStringLiteral("<b>Home</b>"), liveBox), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("<b>DX</b>"), liveBox), 0, 2);
    for (int row = 0; row < kLiveRowCount; ++row) {
        auto* name = new QLabel(QString::fromUtf8(kLiveNames[row]), liveBox);
        if (row == kDegradationRow) {
            degradationName_ = name;
        }
        name->setToolTip(QString::fromUtf8(kLiveTips[row]));
        grid->addWidget(name, row + 1, 0);
        for (int side = 0; side < 2; ++side) {
            auto* value = new QLabel(kNone, liveBox);
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setMinimumWidth(120);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(value, row + 1, side + 1);
            liveLabels_[static_cast<std::size_t>(row)][static_cast<std::size_t>(side)] = value;
        }
    }
    grid->setColumnStretch(3, 1);
    ExtremesText = new QLabel(kNone, liveBox);
    ExtremesText->setToolTip(QStringLiteral(
        "The Moon's next closest and farthest approach (geocentric distance of its centre)"));
    ExtremesText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(ExtremesText, kLiveRowCount + 1, 0, 1, 4);
    column->addWidget(liveBox);

    auto* span = new QHBoxLayout;
    Band = new QLineEdit(this);
    Band->setObjectName(QStringLiteral("Band"));
    Band->setMaximumWidth(90);
    Band->setToolTip(QStringLiteral("The band of the sked, MHz: the Doppler shifts, the path "
                                    "loss, the sky and DGRD; empty: the observing frequency"));
    SearchFrom = new QLineEdit(this);
    SearchTo = new QLineEdit(this);
    SearchFrom->setObjectName(QStringLiteral("SearchFrom"));
    SearchTo->setObjectName(QStringLiteral("SearchTo"));
    for (QLineEdit* e : {SearchFrom, SearchTo}) {
        e->setMaximumWidth(100);
        e->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
        e->setToolTip(QStringLiteral("The days the common windows are looked for (UTC), at most "
                                     "366; empty: from now, and seven days on"));
    }
    span->addWidget(new QLabel(QStringLiteral("Band:"), this));
    span->addWidget(Band);
    span->addWidget(new QLabel(QStringLiteral("MHz   Windows from:"), this));
    span->addWidget(SearchFrom);
    span->addWidget(new QLabel(QStringLiteral("to:"), this));
    span->addWidget(SearchTo);
    span->addStretch(1);
    column->addLayout(span);
    column->addWidget(reasons_->Watch(Band, [](const QString& text) {
        return BandOf(text.toStdString()).Valid
                   ? QString()
                   : QStringLiteral("The band must be a number of MHz from 1 to 1000000, or "
                                    "empty for the observing frequency.");
    }));
    for (QLineEdit* e : {SearchFrom, SearchTo}) {
        column->addWidget(reasons_->Watch(e, [](const QString& text) {
            return DayOf(text.toStdString()).Valid
                       ? QString()
                       : QStringLiteral("A day is YYYY-MM-DD (UTC, 1900 to 2100), or empty.");
        }));
    }

    auto* windowsTitle = new QHBoxLayout;
    WindowsTitle = new QLabel(this);
    WindowsTitle->setObjectName(QStringLiteral("WindowsTitle"));
    windowsTitle->addWidget(WindowsTitle);
    windowsTitle->addStretch(1);
    SaveCsv = new QPushButton(QStringLiteral("Save CSV\u2026"), this);
    SaveCsv->setToolTip(QStringLiteral("The windows as a CSV file"));
    Print = new QPushButton(QStringLiteral("Print\u2026"), this);
    Print->setToolTip(QStringLiteral("The values now and the windows on one page"));
    windowsTitle->addWidget(SaveCsv);
    windowsTitle->addWidget(Print);
    column->addLayout(windowsTitle);

    WindowTable = new QTableWidget(0, static_cast<int>(std::size(kWindowColumns)), this);
    QStringList headers;
    for (const char* h : kWindowColumns) {
        headers << QLatin1String(h);
    }
    WindowTable->setHorizontalHeaderLabels(headers);
    WindowTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    WindowTable->verticalHeader()->setVisible(false);
    WindowTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    WindowTable->horizontalHeader()->setStretchLastSection(true);
    WindowTable->setToolTip(QStringLiteral(
        "When the Moon is above both minimum elevations (and above the horizon profile the "
        "sky window has loaded); Doppler shifts and the path loss at each window's middle"));
    column->addWidget(WindowTable, 1);
    DxList = new DxSkedPanel(this);
    DxList->ChooseSaveFile = [this](const QString& caption, const QString& filter) {
        return ChooseSaveFile(caption, filter);
    };
    DxList->Ask = [this](QString& why) -> std::optional<DxSkedAsk> {
        if (!CheckStation(*services_.Station).empty()) {
            why = QStringLiteral("The home station is out of range: correct it in Home Data.");
            return std::nullopt;
        }
        DxSkedAsk ask;
        for (const std::string& text : recent_) {
            if (const auto parsed = eme::ParseDxStation(text); parsed.Station) {
                ask.Dx.push_back(*parsed.Station);
            }
        }
        if (ask.Dx.empty()) {
            why = QStringLiteral("No DX station yet: type one above.");
            return std::nullopt;
        }
        const Inputs in = CurrentInputs();
        const SearchSpan span = SearchSpanOf(in.From, in.To, eme::UtcSecondsOf(clock_.UtcNow()));
        if (!span.Problem.empty()) {
            why = QString::fromStdString(span.Problem);
            return std::nullopt;
        }
        ask.Search.Home = in.Home;
        ask.Search.Conditions = in.Conditions;
        ask.Search.Span.Start = span.Start;
        ask.Search.Span.End = span.End;
        ask.Search.Span.StepS = kEmeSearchStepS;
        ask.Search.Span.HomeMinElevationDeg = in.HomeMinDeg;
        ask.Search.Span.DxMinElevationDeg = in.DxMinDeg;
        if (in.Horizon.size() >= kHorizonMinPoints) {
            ask.Search.Span.HomeHorizon.emplace(in.Horizon);
        }
        ask.Search.Ut1 = services_.Ut1;
        const double f = in.Conditions.FrequencyMHz;
        ask.Search.HomeHpbwDeg = HpbwInUseDeg(homeHpbwDeg_, f);
        ask.Search.DxHpbwDeg = HpbwInUseDeg(dxHpbwDeg_, f);
        ask.Search.ReceiverK = receiverK_;
        if (SkyReady()) {
            ask.Sky = brightness_;
        }
        const HomeStation& s = *services_.Station;
        ask.Station = (s.CallSign.empty() ? std::string() : s.CallSign + " ") +
                      QString::asprintf("%.4f,%.4f", static_cast<double>(s.Latitude),
                                        static_cast<double>(s.Longitude))
                          .toStdString();
        return ask;
    };
    column->addWidget(DxList, 1);

    Status = new QLabel(this);
    Status->setWordWrap(true);
    column->addWidget(MakeDopplerPanel());
    column->addWidget(Status);

    // Enter, Tab or a click elsewhere takes the DX station as typed.
    connect(DxBox->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        const QString taken = dx_ ? QString::fromStdString(dx_->Text()) : QString();
        if (DxBox->currentText().trimmed() != taken) {
            SetDx(DxBox->currentText());
        }
    });
    connect(DxBox, &QComboBox::activated, this,
            [this](int index) { SetDx(DxBox->itemText(index)); });
    connect(HomeMinElevation, &QLineEdit::editingFinished, this,
            [this] { SetMinElevation(false, HomeMinElevation->text()); });
    connect(DxMinElevation, &QLineEdit::editingFinished, this,
            [this] { SetMinElevation(true, DxMinElevation->text()); });
    connect(ReceiverTemperature, &QLineEdit::editingFinished, this,
            [this] { SetReceiverK(ReceiverTemperature->text()); });
    connect(MoonTemperature, &QLineEdit::editingFinished, this,
            [this] { SetMoonTemperature(MoonTemperature->text()); });
    connect(Band, &QLineEdit::editingFinished, this, [this] { SetBand(Band->text()); });
    for (QLineEdit* e : {SearchFrom, SearchTo}) {
        connect(e, &QLineEdit::editingFinished, this,
                [this] { SetSearchDays(SearchFrom->text(), SearchTo->text()); });
    }
    connect(HomeHpbw, &QLineEdit::editingFinished, this,
            [this] { SetHpbw(false, HomeHpbw->text()); });
    connect(DxHpbw, &QLineEdit::editingFinished, this, [this] { SetHpbw(true, DxHpbw->text()); });
    connect(SaveCsv, &QPushButton::clicked, this, &EmeWindow::SaveCsvClick);
    connect(Print, &QPushButton::clicked, this, &EmeWindow::PrintClick);
}

void EmeWindow::FillRecent() {
    const QSignalBlocker quiet(DxBox);
    DxBox->clear();
    for (const std::string& r : recent_) {
        DxBox->addItem(QString::fromStdString(r));
    }
    DxBox->setEditText(dx_ ? QString::fromStdString(dx_->Text()) : QString());
    DxWhere->setText(
        dx_ ? QString::asprintf(
                  "%.4f\u00b0 %c  %.4f\u00b0 %c  %.0f m", std::fabs(dx_->Site.LatitudeDeg),
                  dx_->Site.LatitudeDeg < 0 ? 'S' : 'N', std::fabs(dx_->Site.LongitudeDeg),
                  dx_->Site.LongitudeDeg < 0 ? 'W' : 'E', dx_->Site.HeightM)
            : QStringLiteral("none: the windows are home's alone"));
    reasons_->Check(DxBox->lineEdit());
}

QStringList EmeWindow::RecentDx() const {
    QStringList list;
    for (const std::string& r : recent_) {
        list << QString::fromStdString(r);
    }
    return list;
}

bool EmeWindow::SetDx(const QString& text) {
    if (text.trimmed().isEmpty()) {
        dx_.reset();
    } else {
        const eme::DxParse p = eme::ParseDxStation(text.toStdString());
        if (!p.Station) {
            FillRecent();
            DxBox->setEditText(text); // left as typed, to be mended
            reasons_->Check(DxBox->lineEdit());
            return false;
        }
        dx_ = p.Station;
        recent_ = eme::RememberDx(recent_, dx_->Text());
    }
    FillRecent();
    StoreSettings();
    Tick();
    return true;
}

bool EmeWindow::SetMinElevation(bool dx, const QString& text) {
    QLineEdit* field = dx ? DxMinElevation : HomeMinElevation;
    double& stored = dx ? dxMinDeg_ : homeMinDeg_;
    if (field->text() != text) {
        field->setText(text);
    }
    const std::optional<double> v = MinElevation(text);
    if (!reasons_->Check(field) || !v) {
        return false; // red, with the reason below it; the value in force stays
    }
    if (*v != stored) {
        stored = *v;
        StoreSettings();
        Tick();
    }
    return true;
}

bool EmeWindow::SetReceiverK(const QString& text) {
    if (ReceiverTemperature->text() != text) {
        ReceiverTemperature->setText(text);
    }
    const std::optional<double> v = ReceiverKOf(text.toStdString());
    if (!reasons_->Check(ReceiverTemperature) || !v) {
        return false;
    }
    if (*v != receiverK_) {
        receiverK_ = *v;
        StoreSettings();
        Tick();
    }
    return true;
}

bool EmeWindow::SetMoonTemperature(const QString& text) {
    if (MoonTemperature->text() != text) {
        MoonTemperature->setText(text);
    }
    const HpbwTyped v = MoonTemperatureOf(text.toStdString());
    if (!reasons_->Check(MoonTemperature) || !v.Valid) {
        return false;
    }
    if (v.Value != moonTemperatureK_) {
        moonTemperatureK_ = v.Value;
        StoreSettings();
        Tick();
    }
    return true;
}

double EmeWindow::BandMHz() const {
    return bandMHz_ ? *bandMHz_ : services_.Conditions->FrequencyMHz;
}

bool EmeWindow::SetBand(const QString& text) {
    if (Band->text() != text) {
        Band->setText(text);
    }
    const HpbwTyped v = BandOf(text.toStdString());
    if (!reasons_->Check(Band) || !v.Valid) {
        return false;
    }
    if (v.Value != bandMHz_) {
        bandMHz_ = v.Value;
        StoreSettings();
        Tick();
    }
    return true;
}

bool EmeWindow::SetSearchDays(const QString& from, const QString& to) {
    if (SearchFrom->text() != from) {
        SearchFrom->setText(from);
    }
    if (SearchTo->text() != to) {
        SearchTo->setText(to);
    }
    const DayTyped first = DayOf(from.toStdString());
    const DayTyped last = DayOf(to.toStdString());
    const bool fieldsOk = reasons_->Check(SearchFrom) && reasons_->Check(SearchTo);
    if (!fieldsOk || !first.Valid || !last.Valid) {
        return false;
    }
    const SearchSpan span =
        SearchSpanOf(first.Midnight, last.Midnight, eme::UtcSecondsOf(clock_.UtcNow()));
    if (!span.Problem.empty()) {
        WindowsTitle->setText(QStringLiteral("<b>Common Moon windows</b>: ") +
                              QString::fromStdString(span.Problem));
        return false;
    }
    WindowsTitle->clear(); // said again by ShowStatus
    if (first.Midnight != searchFrom_ || last.Midnight != searchTo_) {
        searchFrom_ = first.Midnight;
        searchTo_ = last.Midnight;
        Tick();
    }
    ShowStatus();
    return true;
}

bool EmeWindow::SetHpbw(bool dx, const QString& text) {
    QLineEdit* field = dx ? DxHpbw : HomeHpbw;
    std::optional<double>& stored = dx ? dxHpbwDeg_ : homeHpbwDeg_;
    if (field->text() != text) {
        field->setText(text);
    }
    const HpbwTyped typed = HpbwOf(text.toStdString());
    if (!reasons_->Check(field) || !typed.Valid) {
        return false;
    }
    if (typed.Value != stored) {
        stored = typed.Value;
        StoreSettings();
        Tick();
    }
    return true;
}

bool EmeWindow::SkyReady() const {
    return brightness_ && brightness_->FrequencyMHz() == BandMHz();
}

void EmeWindow::StartSky(double frequencyMHz) {
    if (skyWatcher_.isRunning()) {
        return; // the tick after it ends asks again for the frequency then
    }
    const std::string folder = services_.SkyFolder.isEmpty()
                                   ? sky::FindSkySurveyFolder(ExecutableDirectory())
                                   : services_.SkyFolder.toStdString();
    skyWatcher_.setFuture(QtConcurrent::run([survey = survey_, folder, frequencyMHz]() mutable {
        SkyMade made;
        if (!survey) {
            sky::SharedSkySurvey shared = sky::SkySurveyOf(folder);
            if (!shared.Survey) {
                made.Problem = QString::fromStdString(
                    shared.Problem.empty() ? "The sky survey is not installed." : shared.Problem);
                return made;
            }
            survey = shared.Survey;
        }
        made.Survey = survey;
        made.Brightness = std::make_shared<const sky::SkyBrightness>(*survey, frequencyMHz);
        return made;
    }));
}

void EmeWindow::ShowExtremes(eme::UtcSeconds now) {
    // Found again once the earlier of the two has passed (about 10 ms).
    if (!extremes_.Valid || now >= std::min(extremes_.PerigeeUtc, extremes_.ApogeeUtc)) {
        extremes_ = eme::NextPerigeeApogee(now);
    }
    ExtremesText->setText(
        extremes_.Valid
            ? QStringLiteral("Next perigee %1 UTC, %2 km   ·   next apogee %3 UTC, %4 km")
                  .arg(WhenText(extremes_.PerigeeUtc))
                  .arg(extremes_.PerigeeKm, 0, 'f', 0)
                  .arg(WhenText(extremes_.ApogeeUtc))
                  .arg(extremes_.ApogeeKm, 0, 'f', 0)
            : kNone);
}

void EmeWindow::OpenBeside(QWidget* mainWindow) {
    OpenOnceBeside(*this, placed_, mainWindow, kOffsetFromMainWindow);
}

void EmeWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Tick();
    Ticker->start();
}

void EmeWindow::hideEvent(QHideEvent* event) {
    Ticker->stop();
    StoreSettings();
    QWidget::hideEvent(event);
}

void EmeWindow::StoreSettings() {
    EmeSettings s;
    if (placed_) {
        s.Geometry = QRect(pos(), size());
    }
    s.Dx = dx_ ? dx_->Text() : std::string();
    s.Recent = recent_;
    s.HomeMinElevationDeg = homeMinDeg_;
    s.DxMinElevationDeg = dxMinDeg_;
    s.ReceiverK = receiverK_;
    s.MoonTemperatureK = moonTemperatureK_;
    s.FrequencyMHz = bandMHz_;
    s.HomeHpbwDeg = homeHpbwDeg_;
    s.DxHpbwDeg = dxHpbwDeg_;
    SaveEmeSettings(services_.Directory, s);
}

EmeWindow::Inputs EmeWindow::CurrentInputs() const {
    Inputs in;
    const HomeStation& station = *services_.Station;
    in.Home = {static_cast<double>(station.Latitude), static_cast<double>(station.Longitude),
               static_cast<double>(station.HeightAsl)};
    if (dx_) {
        in.Dx = dx_->Site;
    }
    in.Conditions = *services_.Conditions;
    in.Conditions.FrequencyMHz = BandMHz();
    in.From = searchFrom_;
    in.To = searchTo_;
    in.HomeMinDeg = homeMinDeg_;
    in.DxMinDeg = dxMinDeg_;
    if (services_.Horizon) {
        if (const HorizonProfile* h = services_.Horizon()) {
            in.Horizon = h->Points();
        }
    }
    return in;
}

void EmeWindow::Tick() {
    const eme::UtcSeconds now = eme::UtcSecondsOf(clock_.UtcNow());
    const Inputs in = CurrentInputs();
    stationRefused_ = !CheckStation(*services_.Station).empty();
    // The live calculator keeps its interpolation window between ticks; it
    // is made again only when a station or the conditions change.
    if (!liveInputs_ || !(liveInputs_->Home == in.Home && liveInputs_->Dx == in.Dx &&
                          liveInputs_->Conditions == in.Conditions)) {
        liveCalculator_ =
            std::make_unique<eme::EmeCalculator>(in.Home, in.Dx, in.Conditions, services_.Ut1);
        liveInputs_ = in;
    }
    const double f = in.Conditions.FrequencyMHz;
    if (!SkyReady() && !skyFailed_) {
        StartSky(f);
    }
    liveCalculator_->SetSkyBehindMoon(SkyReady() ? brightness_.get() : nullptr,
                                      HpbwInUseDeg(homeHpbwDeg_, f), HpbwInUseDeg(dxHpbwDeg_, f),
                                      receiverK_);
    liveCalculator_->SetMoonTemperature(moonTemperatureK_);
    live_ = stationRefused_ ? eme::EmeMoment{} : liveCalculator_->At(now);
    ShowLive();
    ShowExtremes(now);
    if (stationRefused_ && haveWindows_) {
        // Windows of a station no longer in use would mislead.
        windows_.clear();
        haveWindows_ = false;
        searched_.reset();
        ShowWindows();
    }

    if (!stationRefused_ && (!searched_ || !(*searched_ == in) ||
                             (!in.From && !in.To && now - searchStart_ >= kEmeSearchRenewS))) {
        if (watcher_.isRunning()) {
            if (!(*searched_ == in)) {
                cancel_->store(true); // superseded: stop it and search again
                searchAgain_ = true;
            }
        } else {
            StartSearch(in, now);
        }
    }
    ShowStatus();
}

void EmeWindow::StartSearch(const Inputs& in, eme::UtcSeconds now) {
    eme::WindowSearch search;
    const SearchSpan span = SearchSpanOf(in.From, in.To, now);
    search.Start = span.Start;
    search.End = span.Problem.empty() ? span.End : span.Start + eme::kWholeSecondsPerDay;
    search.StepS = kEmeSearchStepS;
    search.HomeMinElevationDeg = in.HomeMinDeg;
    search.DxMinElevationDeg = in.DxMinDeg;
    if (in.Horizon.size() >= kHorizonMinPoints) {
        search.HomeHorizon.emplace(in.Horizon);
    }
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    progress_ = std::make_shared<std::atomic<int>>(0);
    searched_ = in;
    searchStart_ = now;
    searchAgain_ = false;
    watcher_.setFuture(QtConcurrent::run([home = in.Home, dx = in.Dx, conditions = in.Conditions,
                                          ut1 = services_.Ut1, search = std::move(search),
                                          cancel = cancel_, progress = progress_] {
        eme::EmeCalculator calculator(home, dx, conditions, ut1);
        return eme::FindMoonWindows(calculator, search, [&](double fraction) {
            progress->store(static_cast<int>(fraction * kPercent));
            return !cancel->load();
        });
    }));
}

void EmeWindow::SearchFinished() {
    const eme::WindowSearchResult result = watcher_.result();
    if (result.Complete && !searchAgain_) {
        windows_ = result.Windows;
        haveWindows_ = true;
        shownStart_ = searchStart_;
        ShowWindows();
        emit WindowsShown();
    }
    if (searchAgain_ || !result.Complete) {
        searched_.reset(); // the next tick starts the search with what holds then
        if (isVisible()) {
            Tick();
        }
    }
    ShowStatus();
}

QString EmeWindow::LiveText(LiveRow row, bool dx) const {
    return liveLabels_[static_cast<std::size_t>(row)][dx ? 1 : 0]->text();
}

void EmeWindow::ShowLive() {
    const eme::EmeMoment& m = live_;
    const auto set = [this](LiveRow row, const QString& home, const QString& dx) {
        liveLabels_[static_cast<std::size_t>(row)][0]->setText(home);
        liveLabels_[static_cast<std::size_t>(row)][1]->setText(dx);
    };
    const bool hasDx = m.HasDx || dx_.has_value();
    const auto dxOr = [&](const QString& text) { return hasDx ? text : QString(); };
    set(kAzimuthRow, Degrees(m.Home.AzimuthDeg), dxOr(Degrees(m.Dx.AzimuthDeg)));
    const auto elevation = [](const eme::MoonSight& s) {
        return Degrees(s.ElevationDeg) +
               (s.BelowRadioHorizon ? QStringLiteral(", below the radio horizon") : QString());
    };
    set(kElevationRow, elevation(m.Home), dxOr(elevation(m.Dx)));
    set(kDistanceRow, Value(m.Home.DistanceKm, 0, QStringLiteral(" km")),
        dxOr(Value(m.Dx.DistanceKm, 0, QStringLiteral(" km"))));
    set(kDeclinationRow, Degrees(m.DeclinationDeg), QString());
    set(kEchoDelayRow, Value(m.EchoDelayS, 4, QStringLiteral(" s")), QString());
    set(kEchoDopplerRow, Doppler(m.EchoDopplerHz), QString());
    set(kDxDopplerRow, QString(), dxOr(Doppler(m.DxDopplerHz)));
    set(kPathLossRow, Value(m.PathLossDb, 2, QStringLiteral(" dB")), QString());
    set(kPathLossChangeRow, Value(m.PathLossChangeDb, 2, QStringLiteral(" dB")), QString());
    set(kPolarisationRow, QString(), dxOr(Degrees(m.PolarisationOffsetDeg, 1)));
    set(kSemiDiameterRow, Degrees(m.SemiDiameterDeg, 3), QString());
    const double f = BandMHz();
    const SkedTexts t = SkedTextsOf(m, f);
    const auto q = [](const std::string& text) { return QString::fromStdString(text); };
    set(kSkyRow, q(t.SkyHome), dxOr(q(t.SkyDx)));
    set(kDegradationRow, q(t.DegradationHome), dxOr(q(t.DegradationDx)));
    set(kSunMoonRow, q(t.SunMoon), QString());
    set(kDopplerRateRow, q(t.RateHome), dxOr(q(t.RateDx)));
    set(kSpreadRow, q(t.SpreadHome), dxOr(q(t.SpreadDx)));
    set(kMoonNoiseRow, q(t.MoonHome), dxOr(q(t.MoonDx)));
    QLabel* sunMoon = liveLabels_[kSunMoonRow][0];
    sunMoon->setStyleSheet(t.SunWarning ? QStringLiteral("color: #c00000; font-weight: bold")
                                        : QString());
    sunMoon->setToolTip(t.SunWarning ? QStringLiteral("The Sun is within 15° of the Moon: "
                                                      "its noise enters the side lobes")
                                     : QString());
    const QString tip = q(DegradationTip(receiverK_));
    degradationName_->setToolTip(tip);
    liveLabels_[kDegradationRow][0]->setToolTip(tip);
    liveLabels_[kDegradationRow][1]->setToolTip(tip);
    if (!skyProblem_.isEmpty()) {
        liveLabels_[kSkyRow][0]->setToolTip(skyProblem_);
    }
    // The beams in use, where none is typed.
    HomeHpbw->setPlaceholderText(QString::number(HpbwInUseDeg(std::nullopt, f), 'f', 1));
    DxHpbw->setPlaceholderText(QString::number(HpbwInUseDeg(std::nullopt, f), 'f', 1));
}

void EmeWindow::ShowWindows() {
    WindowTable->setRowCount(static_cast<int>(windows_.size()));
    for (int row = 0; row < static_cast<int>(windows_.size()); ++row) {
        const eme::MoonWindow& w = windows_[static_cast<std::size_t>(row)];
        const ShownWindow shown = InwardMinutes(w);
        const QString cells[] = {
            (w.OpenAtStart ? QStringLiteral("now, ") : QString()) +
                WhenText(shown.Start, shown.ToTheSecond),
            WhenText(shown.End, shown.ToTheSecond) +
                (w.OpenAtEnd ? QStringLiteral(" or later") : QString()),
            DurationText(shown.End - shown.Start, shown.ToTheSecond),
            Degrees(w.MaxElevationHomeDeg, 1),
            Degrees(w.MaxElevationDxDeg, 1),
            Doppler(w.MidEchoDopplerHz),
            Doppler(w.MidDxDopplerHz),
            Value(w.MidPathLossChangeDb, 2, QStringLiteral(" dB")),
        };
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c >= 2 ? Qt::AlignRight | Qt::AlignVCenter
                                          : Qt::AlignLeft | Qt::AlignVCenter);
            WindowTable->setItem(row, c, item);
        }
    }
}

void EmeWindow::ShowStatus() {
    const auto dayText = [](eme::UtcSeconds midnight) {
        const DecodedInstant d = DecodeInstant(eme::DateTimeOf(midnight));
        return QString::asprintf("%04u-%02u-%02u", unsigned{d.Year}, unsigned{d.Month},
                                 unsigned{d.Day});
    };
    const SearchSpan span =
        SearchSpanOf(searchFrom_, searchTo_, eme::UtcSecondsOf(clock_.UtcNow()));
    const QString covered =
        span.Default ? QStringLiteral("next %1 days").arg(eme::kWindowDaysAhead)
                     : QStringLiteral("%1 to %2")
                           .arg(searchFrom_ ? dayText(*searchFrom_) : QStringLiteral("now"),
                                dayText(span.End - eme::kWholeSecondsPerDay));
    const QString title =
        QStringLiteral("<b>Common Moon windows, %1</b> (UTC, each rounded inwards to "
                       "the minute: the Moon is up from the start to the end shown)")
            .arg(covered);
    if (WindowsTitle->text() != title && !WindowsTitle->text().contains(QStringLiteral("</b>: "))) {
        WindowsTitle->setText(title);
    }
    QStringList parts;
    if (stationRefused_) {
        parts << QStringLiteral("The home station is out of range: correct it in Home Data.");
    } else if (watcher_.isRunning()) {
        parts << QStringLiteral("Looking for the common windows\u2026 %1 %")
                     .arg(progress_ ? progress_->load() : 0);
    } else if (haveWindows_ && windows_.empty()) {
        parts << QStringLiteral("No common window in the days searched.");
    }
    const ObservingConditions& c = *services_.Conditions;
    parts << QStringLiteral("%1 MHz").arg(BandMHz());
    parts << (c.Refraction ? QStringLiteral("refracted elevations")
                           : QStringLiteral("airless elevations"));
    if (services_.Horizon && services_.Horizon() != nullptr) {
        parts << QStringLiteral("home horizon profile");
    }
    const DateTime now = clock_.UtcNow();
    parts << (services_.Ut1Text ? services_.Ut1Text(now, now + eme::kWindowDaysAhead)
                                : QStringLiteral("UT1 = UTC"));
    Status->setText(parts.join(QStringLiteral(" \u00b7 ")));
}

std::string EmeWindow::WindowsCsvText() const {
    return eme::WindowsCsv(windows_, true);
}

void EmeWindow::Finish(const QString& path, std::function<QString()> work) {
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher, path] {
        const QString problem = watcher->result();
        watcher->deleteLater();
        if (!problem.isEmpty()) {
            services_.Messages->Error(
                (QStringLiteral("%1 could not be written: ").arg(path) + problem).toStdString());
        }
        emit ExportFinished(path, problem);
    });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

void EmeWindow::SaveCsvClick() {
    QString path = ChooseSaveFile(QStringLiteral("Save the Moon windows as CSV"),
                                  QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".csv");
    }
    Finish(path, [path, text = WindowsCsvText()] { return SaveTextFile(path, text); });
}

QString EmeWindow::PrintTitle() const {
    const DecodedInstant at = DecodeInstant(eme::DateTimeOf(live_.Utc));
    const HomeStation& s = *services_.Station;
    QStringList station;
    for (const std::string* text : {&s.CallSign, &s.Location}) {
        const QString t =
            QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size())).trimmed();
        if (!t.isEmpty()) {
            station << t;
        }
    }
    const auto lat = static_cast<double>(s.Latitude);
    const auto lon = static_cast<double>(s.Longitude);
    station << QString::asprintf("%.3f\u00b0 %c %.3f\u00b0 %c", std::fabs(lat), lat < 0 ? 'S' : 'N',
                                 std::fabs(lon), lon < 0 ? 'W' : 'E');
    const ObservingConditions& c = *services_.Conditions;
    return QStringLiteral("Vantrel EME \u2014 %1 \u2014 DX %2 \u2014 %3 UTC \u2014 %4 MHz; %5; "
                          "minimum elevation %6\u00b0 home, %7\u00b0 DX")
        .arg(station.join(QStringLiteral(", ")),
             dx_ ? QString::fromStdString(dx_->Text()) : QStringLiteral("none"),
             QString::asprintf("%04u-%02u-%02u %02u:%02u:%02u", unsigned{at.Year},
                               unsigned{at.Month}, unsigned{at.Day}, unsigned{at.Hour},
                               unsigned{at.Minute}, unsigned{at.Second}))
        .arg(BandMHz())
        .arg(c.Refraction ? QStringLiteral("refracted elevations")
                          : QStringLiteral("airless elevations"))
        .arg(homeMinDeg_)
        .arg(dxMinDeg_);
}

void EmeWindow::PrintClick() {
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(QStringLiteral("Vantrel EME"));
    printer->setPageOrientation(QPageLayout::Portrait);
    if (!ChoosePrinter(*printer)) {
        return;
    }
    // The page: the live values, then the windows, as rows of cells.
    std::vector<QStringList> rows;
    rows.push_back({QStringLiteral("Now"), QStringLiteral("Home"), QStringLiteral("DX")});
    for (int r = 0; r < kLiveRowCount; ++r) {
        rows.push_back({QString::fromUtf8(kLiveNames[r]), LiveText(static_cast<LiveRow>(r), false),
                        LiveText(static_cast<LiveRow>(r), true)});
    }
    rows.push_back({});
    QStringList header;
    for (const char* h : kWindowColumns) {
        header << QLatin1String(h);
    }
    rows.push_back(header);
    for (QTableWidget* table : {WindowTable, DxList->Table}) {
        if (table == DxList->Table && table->rowCount() > 0) {
            rows.push_back({});
            QStringList dxHeader;
            for (int c = 0; c < table->columnCount(); ++c) {
                dxHeader << table->horizontalHeaderItem(c)->text();
            }
            rows.push_back(dxHeader);
        }
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c) {
                const QTableWidgetItem* item = table->item(r, c);
                cells << (item != nullptr ? item->text() : QString());
            }
            rows.push_back(cells);
        }
    }
    const QFont font(QStringLiteral("DejaVu Sans"), 9);
    const QFontMetricsF metrics(font);
    constexpr double kGap = 14.0;
    std::vector<double> widths;
    for (const QStringList& row : rows) {
        widths.resize(std::max(widths.size(), static_cast<std::size_t>(row.size())), 0.0);
        for (int c = 0; c < row.size(); ++c) {
            widths[static_cast<std::size_t>(c)] =
                std::max(widths[static_cast<std::size_t>(c)], metrics.horizontalAdvance(row[c]));
        }
    }
    double total = 0;
    for (const double w : widths) {
        total += w + kGap;
    }
    const double lineHeight = metrics.height() * 1.3;
    // The picture as tall as the page is for its width, the rows from its
    // top: fitted to the page it then starts under the title instead of
    // standing in the page's middle with a third of it blank above and
    // below.
    const QSizeF page = printer->pageLayout().paintRectPixels(printer->resolution()).size();
    const double rowsHeight = lineHeight * static_cast<double>(rows.size());
    const double pageHeight = page.width() > 0 ? total * page.height() / page.width() : 0.0;
    const QSize size(static_cast<int>(std::ceil(total)),
                     static_cast<int>(std::ceil(std::max(rowsHeight, kPrintFill * pageHeight))));
    const ChartPainting paint = [rows, widths, font, lineHeight](QPainter& p, const QRectF&) {
        p.setFont(font);
        double y = 0;
        for (const QStringList& row : rows) {
            double x = 0;
            for (int c = 0; c < row.size(); ++c) {
                p.drawText(QRectF(x, y, widths[static_cast<std::size_t>(c)] + kGap, lineHeight),
                           Qt::AlignLeft | Qt::AlignVCenter, row[c]);
                x += widths[static_cast<std::size_t>(c)] + kGap;
            }
            y += lineHeight;
        }
    };
    const QPicture picture = RecordPicture(paint, size);
    const QString title = PrintTitle();
    const QString target =
        printer->outputFileName().isEmpty() ? printer->printerName() : printer->outputFileName();
    Finish(target, [printer, picture, size, title] {
        return PrintPicture(picture, size, title, *printer);
    });
}

} // namespace vantrel
