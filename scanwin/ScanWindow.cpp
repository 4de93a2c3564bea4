#include "scanwin/ScanWindow.h"

#include "controls/FieldReasons.h"
#include "mainwin/PositionStore.h"
#include "mainwin/WindowPlacement.h"
#include "measure/MeasurementLog.h"
#include "scan/CrossScan.h"
#include "scan/DriftScan.h"
#include "scan/ScanLog.h"
#include "scan/YFactorSequence.h"
#include "scan/YResultText.h"
#include "scanwin/ScanSettingsFile.h"
#include "scanwin/ScanSkyPanel.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPen>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kRadPerDeg = std::numbers::pi / 180.0;
/// The live chart keeps at most this many blocks (a night of 1 s blocks).
constexpr int kMostPowerPoints = 20000;
/// Points of a fitted curve as drawn.
constexpr int kFitCurvePoints = 200;
constexpr const char* kProblemStyle = "color: #b00000;";
/// How much darker a marker's rim and a fitted curve are than the points'
/// colour (QColor::darker, per cent), and the curve's width, pixels.
constexpr int kRimDarker = 125;
/// The "Off point" box's entry for a cold-sky point of the user's, after
/// the scan::OffChoice ones.
constexpr int kOwnColdSky = 3;
/// A σ is shown with two significant digits, at most this many decimals.
constexpr int kMostSigmaDecimals = 6;
/// A Y-factor sequence's G/T that could not be logged is tried again this
/// often, ms.
constexpr int kYRetryMs = 5000;
constexpr int kFitDarker = 320;
constexpr double kFitPenWidth = 2.0;
/// Where the window opens the first time, from the main window's corner.
constexpr QPoint kOffsetFromMainWindow(200, 80);

QString Fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

/// A one-sigma error with two significant digits, at least three decimals
/// ("0.012", "0.00031"): a small error is shown, never "0.000".
QString SigmaText(double value) {
    if (!(std::isfinite(value) && value > 0)) {
        return Fixed(value, 3);
    }
    const int decimals =
        std::clamp(1 - static_cast<int>(std::floor(std::log10(value))), 3, kMostSigmaDecimals);
    return Fixed(value, decimals);
}

QString Signed(double value, int decimals) {
    return (value >= 0 ? QStringLiteral("+") : QString()) + Fixed(value, decimals);
}

/// "about 1 min 20 s left".
QString TimeLeft(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    if (s >= 60) {
        return QStringLiteral("about %1 min %2 s left").arg(s / 60).arg(s % 60);
    }
    return QStringLiteral("about %1 s left").arg(s);
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

/// After a beamwidth fitted on a disk: " (width on the 0.541° disk
/// 0.750°)", or why the disk could not be taken off; nothing for a point.
QString DiskText(double diskDeg, double widthDeg, const std::string& problem) {
    if (!(diskDeg > 0)) {
        return {};
    }
    if (!problem.empty()) {
        return QStringLiteral(" (on the source: %1)").arg(FromStd(problem));
    }
    return QStringLiteral(" (width on the %1\u00b0 disk %2\u00b0)")
        .arg(Fixed(diskDeg, 3), Fixed(widthDeg, 3));
}

/// Gives `view` its chart. A chart view made without one holds a default
/// chart of its own, which setChart lets go of without deleting it.
void SetOwnChart(QChartView& view, QChart* chart) {
    QChart* made = view.chart();
    view.setChart(chart);
    if (made != chart) {
        delete made;
    }
}

} // namespace

ScanWindow::ScanWindow(ScanWindowServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)), clock_(*services_.Clock),
      places_(*services_.Library), setup_(LoadScanSetup(services_.Directory)) {
    setWindowTitle(QLatin1String(kScanCaption));
    reasons_ = new FieldReasons(this);
    BuildControls();
    BuildCharts();
    Stepper = new QTimer(this);
    Stepper->setInterval(kScanStepMs);
    connect(Stepper, &QTimer::timeout, this, &ScanWindow::Step);
    YRetry = new QTimer(this);
    YRetry->setInterval(kYRetryMs);
    connect(YRetry, &QTimer::timeout, this, [this] {
        const QString said = FlushY();
        if (unsavedY_.empty()) {
            Say(QStringLiteral("The kept Y-factor result is written now. %1").arg(said), false);
        }
    });
    ShowSetup();
    resize(1100, 680);
}

ScanWindow::~ScanWindow() {
    Shutdown();
}

void ScanWindow::BuildControls() {
    auto* form = new QFormLayout;
    const auto field = [&](QLineEdit*& edit, ScanField kind, const QString& label,
                           const QString& tip) {
        edit = new QLineEdit(this);
        edit->setToolTip(tip);
        QLabel* reason = reasons_->Watch(edit, [kind](const QString& text) {
            return FromStd(ParseScanField(kind, text.toStdString()).Problem);
        });
        auto* box = new QVBoxLayout;
        box->setContentsMargins(0, 0, 0, 0);
        box->addWidget(edit);
        box->addWidget(reason);
        form->addRow(label, box);
        fields_.emplace_back(edit, kind);
        connect(edit, &QLineEdit::editingFinished, this, &ScanWindow::Edited);
    };

    ProcedureBox = new QComboBox(this);
    ProcedureBox->addItem(QStringLiteral("Y-factor sequence"),
                          static_cast<int>(scan::ProcedureKind::YFactor));
    ProcedureBox->addItem(QStringLiteral("Cross-scan"),
                          static_cast<int>(scan::ProcedureKind::Cross));
    ProcedureBox->addItem(QStringLiteral("Drift scan"),
                          static_cast<int>(scan::ProcedureKind::Drift));
    form->addRow(QStringLiteral("Procedure"), ProcedureBox);
    Source = new QComboBox(this);
    for (const SkySource s : kAllSkySources) {
        Source->addItem(QString::fromUtf8(SkyPlaces::Title(s, *services_.Station)),
                        static_cast<int>(s));
    }
    form->addRow(QStringLiteral("Source"), Source);

    BeamFromAntenna = new QCheckBox(QStringLiteral("from the Measure window's antenna"), this);
    BeamFromAntenna->setToolTip(
        QStringLiteral("70 \u03bb/D for a dish, at the program's observing frequency"));
    form->addRow(QStringLiteral("Beamwidth"), BeamFromAntenna);
    field(Beamwidth_, ScanField::BeamwidthDeg, QStringLiteral("Beamwidth typed (\u00b0)"),
          QStringLiteral("The half-power beamwidth, when not from the antenna"));
    BeamText = new QLabel(this);
    BeamText->setWordWrap(true);
    form->addRow(QString(), BeamText);
    field(Tau, ScanField::TauS, QStringLiteral("Integration \u03c4 (s)"),
          QStringLiteral("One reading: one radiometer block of this length"));
    field(Settle, ScanField::SettleS, QStringLiteral("Settle (s)"),
          QStringLiteral("Waited after the rotator reports itself at a point"));
    field(Pairs, ScanField::Pairs, QStringLiteral("Pairs"),
          QStringLiteral("Y-factor: on/off pairs, the off points alternating east and west"));
    field(OffBeams, ScanField::OffBeams, QStringLiteral("Off source (beamwidths)"),
          QStringLiteral("Y-factor: how far off source, on the sky, at the source's elevation"));
    OffPoint = new QComboBox(this);
    OffPoint->addItem(QStringLiteral("east and west in turn"),
                      static_cast<int>(scan::OffChoice::Alternate));
    OffPoint->addItem(QStringLiteral("the colder side (sky model)"),
                      static_cast<int>(scan::OffChoice::ColderSide));
    OffPoint->addItem(QStringLiteral("Off source: coldest sky"),
                      static_cast<int>(scan::OffChoice::ColdestSky));
    OffPoint->addItem(QStringLiteral("a cold-sky point of my own"), kOwnColdSky);
    OffPoint->setToolTip(QStringLiteral(
        "Y-factor: the sky model (the 408 MHz survey at the observing frequency, over the "
        "beam) chooses the colder side, or the coldest sky at the source's elevation, and the "
        "difference of the skies is taken out of G/T"));
    form->addRow(QStringLiteral("Off point"), OffPoint);
    sky_ = new ScanSkyPanel(services_.SkyFolder, this);
    ColdSkyText = sky_->Text;
    form->addRow(QString(), sky_);
    field(ColdAzimuth, ScanField::ColdAzimuth, QStringLiteral("Cold sky az (\u00b0)"),
          QStringLiteral("Azimuth of the cold-sky point"));
    field(ColdElevation, ScanField::ColdElevation, QStringLiteral("Cold sky el (\u00b0)"),
          QStringLiteral("Elevation of the cold-sky point"));
    field(Span, ScanField::SpanBeams, QStringLiteral("Span (\u00b1 beamwidths)"),
          QStringLiteral("Cross and drift scans: how far either side of the source"));
    field(Points, ScanField::Points, QStringLiteral("Points per axis"),
          QStringLiteral("Cross-scan: points in azimuth and in elevation"));
    Continuous = new QCheckBox(QStringLiteral("move through, a point per block"), this);
    form->addRow(QStringLiteral("Cross-scan"), Continuous);
    After = new QComboBox(this);
    After->addItem(QStringLiteral("Leave it tracking the source"),
                   static_cast<int>(scan::AfterEnd::Track));
    After->addItem(QStringLiteral("Stop the rotator"), static_cast<int>(scan::AfterEnd::Stop));
    form->addRow(QStringLiteral("At the end"), After);

    StartButton = new QPushButton(QStringLiteral("Start"), this);
    AbortButton = new QPushButton(QStringLiteral("Abort"), this);
    AbortButton->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(StartButton);
    buttons->addWidget(AbortButton);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 1000);
    ProgressBar->setTextVisible(false);
    ProgressText = new QLabel(QStringLiteral("Ready."), this);
    ProgressText->setWordWrap(true);
    Sentence = new QLabel(this);
    Sentence->setWordWrap(true);
    Sentence->hide();

    auto* left = new QVBoxLayout;
    auto* group = new QGroupBox(QStringLiteral("Procedure"), this);
    group->setLayout(form);
    left->addWidget(group);
    left->addLayout(buttons);
    left->addWidget(ProgressBar);
    left->addWidget(ProgressText);
    left->addWidget(Sentence);
    left->addStretch(1);

    Result = new QLabel(QStringLiteral("No result yet."), this);
    Result->setWordWrap(true);
    Result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for the longest result, a cross-scan's four lines and a note.
    Result->setMinimumHeight(6 * Result->fontMetrics().lineSpacing());
    ApplyButton = new QPushButton(QStringLiteral("Apply to tracking"), this);
    ApplyButton->setEnabled(false);
    ApplyButton->setToolTip(QStringLiteral(
        "Adds the offsets found to the Track window's azimuth and elevation offsets"));
    PowerChart = new QChartView(this);
    ScanChart = new QChartView(this);
    PowerChart->setRenderHint(QPainter::Antialiasing);
    ScanChart->setRenderHint(QPainter::Antialiasing);
    auto* resultGroup = new QGroupBox(QStringLiteral("Result"), this);
    auto* resultRow = new QHBoxLayout(resultGroup);
    resultRow->addWidget(Result, 1);
    resultRow->addWidget(ApplyButton, 0, Qt::AlignTop);
    auto* right = new QVBoxLayout;
    right->addWidget(PowerChart, 1);
    right->addWidget(ScanChart, 1);
    right->addWidget(resultGroup, 0);

    auto* all = new QHBoxLayout(this);
    all->addLayout(left, 0);
    all->addLayout(right, 1);

    connect(StartButton, &QPushButton::clicked, this, &ScanWindow::StartClick);
    connect(AbortButton, &QPushButton::clicked, this, &ScanWindow::AbortClick);
    connect(ApplyButton, &QPushButton::clicked, this, &ScanWindow::ApplyClick);
    for (QComboBox* box : {ProcedureBox, Source, After, OffPoint}) {
        connect(box, &QComboBox::currentIndexChanged, this, &ScanWindow::Edited);
    }
    for (QComboBox* box : {Source, OffPoint}) {
        connect(box, &QComboBox::currentIndexChanged, this, [this] { SearchSky(false); });
    }
    connect(sky_, &ScanSkyPanel::Answered, this, &ScanWindow::SkyFound);
    for (QCheckBox* box : {BeamFromAntenna, Continuous}) {
        connect(box, &QCheckBox::toggled, this, &ScanWindow::Edited);
    }
}

void ScanWindow::BuildCharts() {
    powerChart_ = new QChart;
    powerChart_->setTitle(QStringLiteral("Power"));
    power_ = new QLineSeries;
    power_->setName(QStringLiteral("blocks"));
    onMarks_ = new QScatterSeries;
    onMarks_->setName(QStringLiteral("on source"));
    onMarks_->setColor(QColor(200, 30, 30));
    offMarks_ = new QScatterSeries;
    offMarks_->setName(QStringLiteral("off source"));
    offMarks_->setColor(QColor(30, 80, 200));
    scanMarks_ = new QScatterSeries;
    scanMarks_->setName(QStringLiteral("scan points"));
    scanMarks_->setColor(QColor(20, 150, 60));
    for (QScatterSeries* s : {onMarks_, offMarks_, scanMarks_}) {
        s->setMarkerSize(8);
        // The theme's white rim would hide packed points: a rim of their own.
        s->setBorderColor(s->color().darker(kRimDarker));
    }
    powerTime_ = new QValueAxis;
    powerTime_->setTitleText(QStringLiteral("seconds since the start"));
    powerTime_->setLabelFormat(QStringLiteral("%.0f"));
    powerDb_ = new QValueAxis;
    powerDb_->setTitleText(QStringLiteral("dB"));
    powerDb_->setLabelFormat(QStringLiteral("%.1f"));
    powerChart_->addAxis(powerTime_, Qt::AlignBottom);
    powerChart_->addAxis(powerDb_, Qt::AlignLeft);
    for (QXYSeries* s :
         std::initializer_list<QXYSeries*>{power_, onMarks_, offMarks_, scanMarks_}) {
        powerChart_->addSeries(s);
        s->attachAxis(powerTime_);
        s->attachAxis(powerDb_);
    }
    powerTime_->setRange(0, 60);
    powerDb_->setRange(-1, 1);
    SetOwnChart(*PowerChart, powerChart_);

    scanChart_ = new QChart;
    scanChart_->setTitle(QStringLiteral("Scan points and the fitted beam"));
    scanX_ = new QValueAxis;
    scanX_->setTitleText(QStringLiteral("offset on the sky (\u00b0)"));
    scanY_ = new QValueAxis;
    scanY_->setTitleText(QStringLiteral("dB"));
    scanY_->setLabelFormat(QStringLiteral("%.1f"));
    scanChart_->addAxis(scanX_, Qt::AlignBottom);
    scanChart_->addAxis(scanY_, Qt::AlignLeft);
    const QColor colours[2] = {QColor(200, 110, 0), QColor(100, 40, 170)};
    const char* names[2] = {"azimuth", "elevation"};
    for (int axis = 0; axis < 2; ++axis) {
        axisPoints_[axis] = new QScatterSeries;
        axisPoints_[axis]->setName(QString::fromLatin1(names[axis]));
        axisPoints_[axis]->setColor(colours[axis]);
        axisPoints_[axis]->setMarkerSize(8);
        // Points packed as a drift's are (a block every τ) stay visible:
        // the theme's white rim would cover all but the newest.
        axisPoints_[axis]->setBorderColor(colours[axis].darker(kRimDarker));
        axisFits_[axis] = new QLineSeries;
        axisFits_[axis]->setName(QStringLiteral("%1 fit").arg(QLatin1String(names[axis])));
        // The fit, added after the points, is drawn over them, darker and
        // thin enough to let them show.
        QPen fitPen(colours[axis].darker(kFitDarker));
        fitPen.setWidthF(kFitPenWidth);
        axisFits_[axis]->setPen(fitPen);
        for (QXYSeries* s : std::initializer_list<QXYSeries*>{axisPoints_[axis], axisFits_[axis]}) {
            scanChart_->addSeries(s);
            s->attachAxis(scanX_);
            s->attachAxis(scanY_);
        }
    }
    scanX_->setRange(-5, 5);
    scanY_->setRange(-1, 1);
    SetOwnChart(*ScanChart, scanChart_);
}

void ScanWindow::ShowSetup() {
    const scan::ScanSettings& o = setup_.Settings;
    const QSignalBlocker b1(ProcedureBox), b2(Source), b3(After), b4(BeamFromAntenna), b5(OffPoint),
        b6(Continuous);
    ProcedureBox->setCurrentIndex(ProcedureBox->findData(static_cast<int>(o.Procedure)));
    Source->setCurrentIndex(Source->findData(static_cast<int>(o.Source)));
    After->setCurrentIndex(After->findData(static_cast<int>(o.After)));
    BeamFromAntenna->setChecked(setup_.BeamFromAntenna);
    Beamwidth_->setText(QString::number(o.BeamwidthDeg, 'g', 10));
    Tau->setText(QString::number(o.TauS, 'g', 10));
    Settle->setText(QString::number(o.SettleS, 'g', 10));
    Pairs->setText(QString::number(o.Pairs));
    OffBeams->setText(QString::number(o.OffBeams, 'g', 10));
    OffPoint->setCurrentIndex(
        OffPoint->findData(o.ColdSky ? kOwnColdSky : static_cast<int>(o.OffBy)));
    const scan::SkyPoint cold = o.ColdSky.value_or(scan::SkyPoint{180, 45});
    ColdAzimuth->setText(QString::number(cold.AzimuthDeg, 'g', 10));
    ColdElevation->setText(QString::number(cold.ElevationDeg, 'g', 10));
    Span->setText(QString::number(o.SpanBeams, 'g', 10));
    Points->setText(QString::number(o.Points));
    Continuous->setChecked(o.Continuous);
    reasons_->CheckAll();
    ShowProcedureFields();
    ShowBeam();
}

void ScanWindow::ShowProcedureFields() {
    const auto kind = static_cast<scan::ProcedureKind>(ProcedureBox->currentData().toInt());
    const bool y = kind == scan::ProcedureKind::YFactor;
    const bool cross = kind == scan::ProcedureKind::Cross;
    Pairs->setEnabled(y);
    const int off = OffPoint->currentData().toInt();
    OffBeams->setEnabled(y && off != kOwnColdSky &&
                         off != static_cast<int>(scan::OffChoice::ColdestSky));
    OffPoint->setEnabled(y);
    ColdAzimuth->setEnabled(y && off == kOwnColdSky);
    ColdElevation->setEnabled(y && off == kOwnColdSky);
    sky_->setVisible(y && off != kOwnColdSky &&
                     off != static_cast<int>(scan::OffChoice::Alternate));
    Span->setEnabled(!y);
    Points->setEnabled(cross && !Continuous->isChecked());
    Continuous->setEnabled(cross);
    Beamwidth_->setEnabled(!BeamFromAntenna->isChecked());
}

bool ScanWindow::ReadFields(ScanSetup& s) const {
    s = setup_;
    scan::ScanSettings& o = s.Settings;
    o.Procedure = static_cast<scan::ProcedureKind>(ProcedureBox->currentData().toInt());
    o.Source = static_cast<SkySource>(Source->currentData().toInt());
    o.After = static_cast<scan::AfterEnd>(After->currentData().toInt());
    s.BeamFromAntenna = BeamFromAntenna->isChecked();
    o.Continuous = Continuous->isChecked();
    bool ok = true;
    double cold[2] = {180, 45};
    for (const auto& [edit, kind] : fields_) {
        const ParsedScanNumber p = ParseScanField(kind, edit->text().toStdString());
        if (!p.Problem.empty()) {
            ok = false;
            continue;
        }
        switch (kind) {
        case ScanField::BeamwidthDeg:
            o.BeamwidthDeg = p.Value;
            break;
        case ScanField::TauS:
            o.TauS = p.Value;
            break;
        case ScanField::SettleS:
            o.SettleS = p.Value;
            break;
        case ScanField::Pairs:
            o.Pairs = static_cast<int>(p.Value);
            break;
        case ScanField::OffBeams:
            o.OffBeams = p.Value;
            break;
        case ScanField::SpanBeams:
            o.SpanBeams = p.Value;
            break;
        case ScanField::Points:
            o.Points = static_cast<int>(p.Value);
            break;
        case ScanField::ColdAzimuth:
            cold[0] = p.Value;
            break;
        case ScanField::ColdElevation:
            cold[1] = p.Value;
            break;
        }
    }
    const int off = OffPoint->currentData().toInt();
    o.ColdSky = off == kOwnColdSky ? std::optional(scan::SkyPoint{cold[0], cold[1]}) : std::nullopt;
    o.OffBy = off == kOwnColdSky ? scan::OffChoice::Alternate : static_cast<scan::OffChoice>(off);
    return ok;
}

void ScanWindow::Edited() {
    ShowProcedureFields();
    ScanSetup changed;
    if (ReadFields(changed) && !(changed == setup_)) {
        setup_ = changed;
        if (!SaveScanSetup(services_.Directory, setup_)) {
            Say(QStringLiteral("The Scan values could not be written to Vanset.ini; they hold for "
                               "this run only."),
                true);
        }
    }
    ShowBeam();
}

QString ScanWindow::Problem(const QLineEdit* field) const {
    return reasons_->Reason(field);
}

std::optional<double> ScanWindow::Beamwidth() const {
    const MeasureSetup antenna = services_.Antenna ? services_.Antenna() : MeasureSetup{};
    return BeamwidthOf(setup_, antenna, services_.Conditions->FrequencyMHz);
}

void ScanWindow::ShowBeam() {
    if (BeamText == nullptr) {
        return;
    }
    const double f = services_.Conditions->FrequencyMHz;
    const auto beam = Beamwidth();
    if (!setup_.BeamFromAntenna) {
        BeamText->setText(
            QStringLiteral("%1\u00b0 as typed").arg(Fixed(setup_.Settings.BeamwidthDeg, 2)));
    } else if (beam) {
        const MeasureSetup antenna = services_.Antenna ? services_.Antenna() : MeasureSetup{};
        BeamText->setText(
            QStringLiteral("%1\u00b0: %2 at %3 MHz")
                .arg(Fixed(*beam, 2), FromStd(AntennaText(antenna)), QString::number(f, 'g', 10)));
    } else {
        BeamText->setText(QStringLiteral("The Measure window's antenna gives no beamwidth at %1 "
                                         "MHz: set it there, or type one.")
                              .arg(QString::number(f, 'g', 10)));
    }
}

void ScanWindow::Say(const QString& text, bool problem) {
    Sentence->setText(text);
    Sentence->setStyleSheet(problem ? QLatin1String(kProblemStyle) : QString());
    Sentence->setVisible(!text.isEmpty());
}

void ScanWindow::StartClick() {
    if (procedure_ || shutDown_) {
        return;
    }
    if (!reasons_->CheckAll()) {
        Say(QStringLiteral("A value is refused: see the field in red."), true);
        return;
    }
    Edited();
    if (startWhenFound_) {
        return; // waiting for the sky model already
    }
    scan::ScanSettings settings = setup_.Settings;
    const auto beam = Beamwidth();
    if (!beam) {
        Say(BeamText->text(), true);
        return;
    }
    settings.BeamwidthDeg = *beam;
    if (const std::string why = scan::ScanSettingsProblem(settings); !why.empty()) {
        Say(FromStd(why), true);
        return;
    }
    if (settings.Procedure == scan::ProcedureKind::YFactor &&
        settings.OffBy != scan::OffChoice::Alternate) {
        startWhenFound_ = settings; // started when the sky model answers
        SearchSky(true);
        return;
    }
    Begin(settings, std::nullopt);
}

void ScanWindow::SearchSky(bool thenStart) {
    if (setup_.Settings.ColdSky || setup_.Settings.OffBy == scan::OffChoice::Alternate) {
        return;
    }
    const auto beam = Beamwidth();
    QString why = QStringLiteral("no beamwidth");
    if (beam && sky_->Ask(setup_.Settings, *beam, *services_.Station, *services_.Conditions,
                          *services_.Library, clock_.UtcNow(),
                          services_.Horizon ? services_.Horizon() : nullptr, why)) {
        if (thenStart) {
            StartButton->setEnabled(false);
            Say(QStringLiteral("Asking the sky model for the off point\u2026"), false);
        }
        return;
    }
    ColdSkyText->setText(QStringLiteral("Sky model: ") + why);
    if (thenStart) {
        startWhenFound_.reset();
        Say(QStringLiteral("No off point from the sky model: %1").arg(why), true);
    }
}

void ScanWindow::SkyFound() {
    if (!startWhenFound_) {
        return;
    }
    const scan::ScanSettings settings = *startWhenFound_;
    startWhenFound_.reset();
    StartButton->setEnabled(procedure_ == nullptr);
    if (!sky_->Plan()) {
        Say(QStringLiteral("No off point from the sky model: %1").arg(sky_->Why()), true);
        return;
    }
    Begin(settings, sky_->Plan());
}

void ScanWindow::Begin(scan::ScanSettings settings, std::optional<scan::OffPointPlan> off) {
    if (procedure_ || shutDown_) {
        return;
    }
    QString why;
    link_ = services_.BorrowRotator ? services_.BorrowRotator(why) : nullptr;
    if (link_ == nullptr) {
        Say(QStringLiteral("No rotator to drive: %1").arg(why), true);
        return;
    }
    std::optional<RadiometerLoan> loan;
    if (services_.BorrowRadiometer) {
        loan = services_.BorrowRadiometer(why);
    }
    IntegrationSettings integration;
    if (loan) {
        integration = loan->Integration;
        integration.TauS = settings.TauS;
        if (const std::string problem = IntegrationSettingsProblem(integration); !problem.empty()) {
            why = FromStd(problem);
            loan.reset();
            if (services_.ReturnRadiometer) {
                services_.ReturnRadiometer();
            }
        }
    }
    if (!loan) {
        services_.ReturnRotator(std::nullopt);
        link_ = nullptr;
        Say(QStringLiteral("No radiometer to read: %1").arg(why), true);
        return;
    }
    runner_ = std::make_unique<PowerRunner>(loan->Input, integration, services_.Retry);
    if (!powerLog_) {
        const QString dir =
            services_.Directory.isEmpty() ? QDir::currentPath() : services_.Directory;
        powerLog_ = std::make_unique<PowerLogWriter>(
            (dir + QLatin1Char('/') + QLatin1String(kPowerLogName)).toStdString());
    }
    procedureLog_ = std::make_unique<scan::ProcedurePowerLog>(
        loan->InputKey, services_.Conditions->FrequencyMHz,
        std::string(SkySourceKey(settings.Source)));

    frequencyMHz_ = services_.Conditions->FrequencyMHz;
    antenna_ = services_.Antenna ? services_.Antenna() : MeasureSetup{};
    const SkySource source = settings.Source;
    scan::ProcedureContext context;
    context.Pointing = services_.Pointing ? services_.Pointing() : TrackingOptions{};
    context.Pointing.Source = source;
    pointing_ = context.Pointing;
    context.Place = [this, source](DateTime utc) {
        return places_.At(source, *services_.Station, *services_.Conditions, DecodeInstant(utc));
    };
    context.SourceTitle = std::string(SkyPlaces::Title(source, *services_.Station));
    startedUtc_ = clock_.UtcNow();
    context.SourceDiskDeg = SourceDiskOf(source, startedUtc_, *services_.Station,
                                         *services_.Conditions, *services_.Library, antenna_);
    switch (settings.Procedure) {
    case scan::ProcedureKind::YFactor: {
        scan::GOverTBasis basis =
            GOverTBasisOf(source, startedUtc_, *services_.Station, *services_.Conditions,
                          *services_.Library, antenna_);
        basis.TsysK = antenna_.TsysK;
        procedure_ = std::make_unique<scan::YFactorSequence>(settings, context, basis, off);
        break;
    }
    case scan::ProcedureKind::Cross:
        procedure_ = std::make_unique<scan::CrossScan>(settings, context);
        break;
    case scan::ProcedureKind::Drift:
        procedure_ = std::make_unique<scan::DriftScan>(settings, context);
        break;
    }
    last_.reset();
    readingsShown_ = 0;
    toApply_.reset();
    ApplyButton->setEnabled(false);
    power_->clear();
    for (QXYSeries* s :
         std::initializer_list<QXYSeries*>{onMarks_, offMarks_, scanMarks_, axisPoints_[0],
                                           axisPoints_[1], axisFits_[0], axisFits_[1]}) {
        s->clear();
    }
    powerMin_ = powerMax_ = std::nan("");
    ShowScanAxes(settings);
    Result->setText(QStringLiteral("Running: %1 on %2.")
                        .arg(ProcedureBox->currentText(), Source->currentText()));
    Say(QStringLiteral("Radiometer: %1").arg(loan->Summary), false);
    StartButton->setEnabled(false);
    AbortButton->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{ProcedureBox, Source, After}) {
        w->setEnabled(false);
    }
    Stepper->start();
    Step();
}

void ScanWindow::ShowScanAxes(const scan::ScanSettings& settings) {
    const char* names[2] = {"azimuth", "elevation"};
    switch (settings.Procedure) {
    case scan::ProcedureKind::YFactor:
        scanChart_->setTitle(QStringLiteral("Y of each pair, and their mean"));
        scanX_->setTitleText(QStringLiteral("pair"));
        scanX_->setRange(0, settings.Pairs + 1);
        scanX_->setTickCount(std::min(settings.Pairs + 2, 12));
        scanX_->setLabelFormat(QStringLiteral("%.0f"));
        scanY_->setTitleText(QStringLiteral("Y (dB)"));
        axisPoints_[0]->setName(QStringLiteral("pairs"));
        axisFits_[0]->setName(QStringLiteral("mean"));
        break;
    case scan::ProcedureKind::Cross:
    case scan::ProcedureKind::Drift: {
        const bool drift = settings.Procedure == scan::ProcedureKind::Drift;
        scanChart_->setTitle(QStringLiteral("Scan points and the fitted beam"));
        scanX_->setTitleText(drift ? QStringLiteral("seconds from the predicted passage")
                                   : QStringLiteral("offset on the sky (\u00b0)"));
        const double span = drift ? 60.0 : settings.SpanBeams * settings.BeamwidthDeg;
        scanX_->setRange(-span, span);
        scanX_->setTickCount(5);
        scanX_->setLabelFormat(drift ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
        scanY_->setTitleText(QStringLiteral("dB"));
        for (int axis = 0; axis < 2; ++axis) {
            const QString name = drift ? QStringLiteral("drift") : QLatin1String(names[axis]);
            axisPoints_[axis]->setName(name);
            axisFits_[axis]->setName(name + QStringLiteral(" fit"));
        }
        break;
    }
    }
    axisPoints_[1]->setVisible(settings.Procedure == scan::ProcedureKind::Cross);
    axisFits_[1]->setVisible(settings.Procedure == scan::ProcedureKind::Cross);
}

void ScanWindow::AbortClick() {
    if (procedure_) {
        procedure_->Abort();
    }
}

void ScanWindow::StopFromTrack() {
    if (procedure_) {
        stopAtEnd_ = true;
        procedure_->Abort("Stopped in the Track window.", true);
    }
}

void ScanWindow::Step() {
    if (!procedure_) {
        return;
    }
    const std::vector<PowerBlock> blocks = runner_->TakeBlocks();
    const RunnerStatus radiometer = runner_->Status();
    for (const RunnerEvent& e : runner_->TakeEvents()) {
        if (e.What == RunnerEvent::Kind::Error) {
            Say(QStringLiteral("Radiometer: %1").arg(FromStd(e.Text)), true);
        }
    }
    scan::StepInput in;
    in.Utc = clock_.UtcNow();
    in.Now = std::chrono::steady_clock::now();
    in.Rotator = link_->Status();
    in.Blocks = blocks;
    const std::string stopped =
        radiometer.What == RunnerStatus::State::Stopped ? radiometer.LastError : std::string();
    in.RadiometerStopped = stopped;
    const scan::StepAction action = procedure_->Step(in);
    if (action.Point) {
        link_->Point(*action.Point);
    }
    if (action.StopRotator) {
        link_->Stop();
    }
    if (procedureLog_ && powerLog_) {
        procedureLog_->Add(blocks, in.Rotator.Reported);
        for (PowerRecord& r :
             procedureLog_->Take(procedure_->Readings(), in.Utc, procedure_->Finished())) {
            powerLog_->Append(std::move(r));
        }
        for (const std::string& why : powerLog_->TakeProblems()) {
            Say(FromStd(why), true);
        }
    }
    AddBlocks(blocks);
    MarkReadings();
    const scan::ProgressReport p = procedure_->Progress();
    ProgressBar->setValue(static_cast<int>(std::lround(p.Fraction * 1000)));
    if (!procedure_->Finished()) {
        ProgressText->setText(
            QStringLiteral("%1: %2").arg(FromStd(p.Text), TimeLeft(p.SecondsLeft)));
        return;
    }
    Finish();
}

void ScanWindow::AddBlocks(const std::vector<PowerBlock>& blocks) {
    for (const PowerBlock& b : blocks) {
        const double t = (0.5 * (b.UtcStart + b.UtcEnd) - startedUtc_) * kSecondsPerDay;
        power_->append(t, b.PowerDb);
        powerMin_ = std::isnan(powerMin_) ? b.PowerDb : std::min(powerMin_, b.PowerDb);
        powerMax_ = std::isnan(powerMax_) ? b.PowerDb : std::max(powerMax_, b.PowerDb);
        powerTime_->setRange(0, std::max(60.0, t * 1.05));
    }
    if (power_->count() > kMostPowerPoints) {
        power_->removePoints(0, power_->count() - kMostPowerPoints);
    }
    if (!blocks.empty()) {
        const double margin = std::max(0.2, 0.1 * (powerMax_ - powerMin_));
        powerDb_->setRange(powerMin_ - margin, powerMax_ + margin);
    }
}

void ScanWindow::MarkReadings() {
    const scan::Procedure& p = procedure_ ? *procedure_ : *last_;
    const auto& readings = p.Readings();
    for (; readingsShown_ < readings.size(); ++readingsShown_) {
        const scan::Reading& r = readings[readingsShown_];
        const double t = (0.5 * (r.UtcStart + r.UtcEnd) - startedUtc_) * kSecondsPerDay;
        switch (r.Kind) {
        case scan::ReadingKind::On:
            onMarks_->append(t, r.PowerDb);
            break;
        case scan::ReadingKind::Off:
            offMarks_->append(t, r.PowerDb);
            break;
        case scan::ReadingKind::Scan:
        case scan::ReadingKind::Drift:
            scanMarks_->append(t, r.PowerDb);
            axisPoints_[r.Axis]->append(r.X, r.PowerDb);
            break;
        }
    }
    // A Y-factor sequence: each pair's Y as it completes.
    if (const auto* y = dynamic_cast<const scan::YFactorSequence*>(&p)) {
        const auto& pairs = y->Result().Pairs;
        for (auto i = static_cast<std::size_t>(axisPoints_[0]->count()); i < pairs.size(); ++i) {
            axisPoints_[0]->append(static_cast<double>(i + 1), pairs[i].YDb);
        }
    }
    double lo = 0;
    double hi = 0;
    bool any = false;
    for (QScatterSeries* s : axisPoints_) {
        for (const QPointF& q : s->points()) {
            lo = any ? std::min(lo, q.y()) : q.y();
            hi = any ? std::max(hi, q.y()) : q.y();
            any = true;
        }
    }
    if (any) {
        const double margin = std::max(0.2, 0.1 * (hi - lo));
        scanY_->setRange(lo - margin, hi + margin);
        if (p.Settings().Procedure == scan::ProcedureKind::Drift) {
            const auto& pts = axisPoints_[0]->points();
            if (!pts.isEmpty()) {
                scanX_->setRange(std::min(scanX_->min(), pts.front().x()),
                                 std::max(scanX_->max(), pts.back().x()));
            }
        }
    }
}

void ScanWindow::StopRunner() {
    if (!runner_) {
        return;
    }
    // Stopping waits for the input's last read (a command's end): not here.
    stopping_.emplace_back(
        [runner = std::shared_ptr<PowerRunner>(std::move(runner_))] { runner->Stop(); });
}

void ScanWindow::Finish() {
    Stepper->stop();
    StopRunner();
    const scan::AfterEnd after = procedure_->Settings().After;
    const SkySource source = procedure_->Settings().Source;
    link_ = nullptr;
    const bool track = after == scan::AfterEnd::Track && !stopAtEnd_ && !shutDown_;
    stopAtEnd_ = false;
    if (services_.ReturnRotator) {
        services_.ReturnRotator(track ? std::optional(source) : std::nullopt);
    }
    if (services_.ReturnRadiometer) {
        services_.ReturnRadiometer();
    }
    last_ = std::shared_ptr<scan::Procedure>(std::move(procedure_));
    const bool partial = last_->Ended() == scan::Ending::Stopped;
    ProgressText->setText(partial ? QStringLiteral("Stopped part-way.") : QStringLiteral("Done."));
    Say(partial ? FromStd(last_->StopReason()) : QString(), partial);
    ShowResult();
    ShowFits();
    StartButton->setEnabled(!shutDown_);
    AbortButton->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{ProcedureBox, Source, After}) {
        w->setEnabled(true);
    }
}

void ScanWindow::ShowResult() {
    const DateTime ended = clock_.UtcNow();
    const std::string title(SkyPlaces::Title(last_->Settings().Source, *services_.Station));
    const QString dir = services_.Directory.isEmpty() ? QDir::currentPath() : services_.Directory;
    const bool partial = last_->Ended() == scan::Ending::Stopped;
    const QString mark = partial ? QStringLiteral(" Partial: stopped part-way.") : QString();
    QString text;
    QString logged;

    if (const auto* y = dynamic_cast<const scan::YFactorSequence*>(last_.get())) {
        const scan::YFactorResult& r = y->Result();
        text = FromStd(scan::YResultText(r));
        const auto beam = BeamOf(antenna_, frequencyMHz_);
        const SolarEntry solar = ParseSolarEntry(antenna_.SolarFlux);
        if (beam) {
            if (const auto record = scan::YSequenceRecord(
                    r, ended, title, frequencyMHz_, AntennaText(antenna_), beam->GainDbi,
                    last_->Settings().Source == SkySource::Sun ? solar.Sfu : std::nullopt)) {
                if (!reviewing_) {
                    unsavedY_.push_back(*record);
                    logged = FlushY();
                }
            }
        }
    } else if (const auto* c = dynamic_cast<const scan::CrossScan*>(last_.get())) {
        const scan::CrossScanResult& r = c->Result();
        const double cosEl = std::cos(r.ElevationDeg * kRadPerDeg);
        QStringList lines;
        const char* names[2] = {"az", "el"};
        for (int axis = 0; axis < 2; ++axis) {
            const scan::AxisScan& a = r.Axes[static_cast<std::size_t>(axis)];
            if (a.Fit) {
                lines << QStringLiteral(
                             "%1 offset %2 \u00b1 %3\u00b0%4, beamwidth %5 \u00b1 %6\u00b0%7, "
                             "fit \u03c7\u00b2 %8")
                             .arg(QLatin1String(names[axis]), Signed(a.Fit->Centre, 3),
                                  SigmaText(a.Fit->CentreSigma),
                                  axis == 0 ? QStringLiteral(" on the sky (%1\u00b0 of azimuth)")
                                                  .arg(Signed(a.Fit->Centre / cosEl, 3))
                                            : QString(),
                                  Fixed(a.BeamwidthDeg, 3), SigmaText(a.BeamwidthSigmaDeg),
                                  DiskText(r.SourceDiskDeg, a.WidthOnSourceDeg, a.DiskProblem),
                                  Fixed(a.Fit->ReducedChiSquare, 2));
            } else {
                lines << QStringLiteral("%1: %2").arg(QLatin1String(names[axis]),
                                                      FromStd(a.Problem));
            }
        }
        if (const auto peak = r.PeakYDb()) {
            lines << QStringLiteral("peak Y %1 dB at %2\u00b0 elevation.")
                         .arg(Fixed(*peak, 2), Fixed(r.ElevationDeg, 1));
        }
        text = lines.join(QLatin1Char('\n'));
        if (r.OffsetDeg(0) || r.OffsetDeg(1)) {
            toApply_ = std::pair{r.OffsetDeg(0).value_or(0) / cosEl, r.OffsetDeg(1).value_or(0)};
        }
        if (!r.Axes[0].Points.empty() && !reviewing_) {
            const QString path = dir + QLatin1Char('/') + QLatin1String(scan::kScanLogName);
            scan::ScanRecord record = scan::RecordOf(r, ended, title, frequencyMHz_);
            scan::NoteAssumptions(record, last_->Settings(), AntennaText(antenna_),
                                  StationText(*services_.Station));
            const auto failed = scan::AppendScanRecord(path.toStdString(), record);
            logged = failed
                         ? FromStd(*failed)
                         : QStringLiteral("Logged in %1.").arg(QLatin1String(scan::kScanLogName));
        }
    } else if (const auto* d = dynamic_cast<const scan::DriftScan*>(last_.get())) {
        const scan::DriftScanResult& r = d->Result();
        scan::ScanRecord record = scan::RecordOf(r, ended, title, frequencyMHz_);
        scan::NoteAssumptions(record, last_->Settings(), AntennaText(antenna_),
                              StationText(*services_.Station));
        if (r.Fit) {
            text =
                QStringLiteral("beamwidth %1 \u00b1 %2\u00b0%3 along the track (the source "
                               "moves %4\u00b0/h at declination %5\u00b0)\npeak at %6 UTC, %7 s "
                               "from the prediction")
                    .arg(Fixed(*r.BeamwidthDeg, 3), SigmaText(*r.BeamwidthSigmaDeg),
                         DiskText(r.SourceDiskDeg, r.WidthOnSourceDeg.value_or(0), r.DiskProblem),
                         Fixed(r.RateDegPerS * 3600, 2), Fixed(r.DeclinationDeg, 1),
                         FromStd(record.PeakTimeUtc), Signed(*r.TimeOffsetS, 1));
            if (r.AzimuthOffsetDeg) {
                text +=
                    QStringLiteral("\naz offset %1 \u00b1 %2\u00b0 on the sky")
                        .arg(Signed(*r.AzimuthOffsetDeg, 3), SigmaText(*r.AzimuthOffsetSigmaDeg));
                toApply_ =
                    std::pair{*r.AzimuthOffsetDeg / std::cos(r.ElevationDeg * kRadPerDeg), 0.0};
            } else {
                text += QStringLiteral("\nThe source moves mostly in elevation here: no azimuth "
                                       "offset.");
            }
        } else {
            text = FromStd(r.Problem);
        }
        if (!r.Points.empty() && !reviewing_) {
            const QString path = dir + QLatin1Char('/') + QLatin1String(scan::kScanLogName);
            const auto failed = scan::AppendScanRecord(path.toStdString(), record);
            logged = failed
                         ? FromStd(*failed)
                         : QStringLiteral("Logged in %1.").arg(QLatin1String(scan::kScanLogName));
        }
    }
    Result->setText(text + mark + (logged.isEmpty() ? QString() : QStringLiteral("\n") + logged));
    ApplyButton->setEnabled(toApply_.has_value() && static_cast<bool>(services_.ApplyOffsets));
}

QString ScanWindow::FlushY() {
    const QString dir = services_.Directory.isEmpty() ? QDir::currentPath() : services_.Directory;
    const QString path = dir + QLatin1Char('/') + QLatin1String(measure::kMeasurementLogName);
    std::size_t written = 0;
    std::optional<std::string> failed;
    for (; written < unsavedY_.size(); ++written) {
        if ((failed = measure::AppendMeasurement(path.toStdString(), unsavedY_[written]))) {
            break;
        }
    }
    unsavedY_.erase(unsavedY_.begin(), unsavedY_.begin() + static_cast<std::ptrdiff_t>(written));
    if (written > 0 && services_.Logged) {
        services_.Logged();
    }
    if (failed) {
        YRetry->start();
        return QStringLiteral("%1 Kept: tried again every %2 s until it is written.")
            .arg(FromStd(*failed))
            .arg(kYRetryMs / 1000);
    }
    YRetry->stop();
    return QStringLiteral("Logged in %1.").arg(QLatin1String(measure::kMeasurementLogName));
}

void ScanWindow::Review(std::shared_ptr<scan::Procedure> ended, DateTime startedUtc) {
    if (IsRunning() || !ended || !ended->Finished()) {
        return;
    }
    last_ = std::move(ended);
    startedUtc_ = startedUtc;
    readingsShown_ = 0;
    power_->clear();
    for (QXYSeries* s :
         std::initializer_list<QXYSeries*>{onMarks_, offMarks_, scanMarks_, axisPoints_[0],
                                           axisPoints_[1], axisFits_[0], axisFits_[1]}) {
        s->clear();
    }
    ShowScanAxes(last_->Settings());
    MarkReadings();
    reviewing_ = true;
    ShowResult();
    reviewing_ = false;
    ShowFits();
}

void ScanWindow::ShowFits() {
    const auto draw = [&](int axis, const scan::GaussianFit& fit, double lo, double hi) {
        QList<QPointF> curve;
        for (int i = 0; i <= kFitCurvePoints; ++i) {
            const double x = lo + (hi - lo) * i / kFitCurvePoints;
            const double p = fit.At(x);
            if (p > 0) {
                curve.append(QPointF(x, 10.0 * std::log10(p)));
            }
        }
        axisFits_[axis]->replace(curve);
    };
    const auto range = [](const std::vector<scan::ScanPoint>& points) {
        double lo = points.front().X;
        double hi = lo;
        for (const scan::ScanPoint& p : points) {
            lo = std::min(lo, p.X);
            hi = std::max(hi, p.X);
        }
        return std::pair{lo, hi};
    };
    if (const auto* y = dynamic_cast<const scan::YFactorSequence*>(last_.get())) {
        if (const auto& stats = y->Result().Y) {
            axisFits_[0]->replace(QList<QPointF>{QPointF(scanX_->min(), stats->YDb),
                                                 QPointF(scanX_->max(), stats->YDb)});
        }
    } else if (const auto* c = dynamic_cast<const scan::CrossScan*>(last_.get())) {
        for (int axis = 0; axis < 2; ++axis) {
            const scan::AxisScan& a = c->Result().Axes[static_cast<std::size_t>(axis)];
            if (a.Fit && !a.Points.empty()) {
                const auto [lo, hi] = range(a.Points);
                draw(axis, *a.Fit, lo, hi);
            }
        }
    } else if (const auto* d = dynamic_cast<const scan::DriftScan*>(last_.get())) {
        const scan::DriftScanResult& r = d->Result();
        if (r.Fit && !r.Points.empty()) {
            const auto [lo, hi] = range(r.Points);
            draw(0, *r.Fit, lo, hi);
        }
    }
}

void ScanWindow::ApplyClick() {
    if (!toApply_ || !services_.ApplyOffsets) {
        return;
    }
    const auto [az, el] = *toApply_;
    const QString question =
        QStringLiteral("Add %1\u00b0 of azimuth and %2\u00b0 of elevation to the Track window's "
                       "offsets? Tracking then points where the scan found the source.")
            .arg(Signed(az, 3), Signed(el, 3));
    if (services_.Messages == nullptr ||
        !services_.Messages->Question("Apply to tracking", question.toStdString())) {
        return;
    }
    const QString why = services_.ApplyOffsets(az, el);
    if (!why.isEmpty()) {
        Say(QStringLiteral("The offsets were not applied: %1").arg(why), true);
        return;
    }
    toApply_.reset();
    ApplyButton->setEnabled(false);
    Say(QStringLiteral("Applied to tracking: azimuth offset %1\u00b0, elevation offset %2\u00b0 "
                       "added.")
            .arg(Signed(az, 3), Signed(el, 3)),
        false);
}

int ScanWindow::PowerPoints() const {
    return static_cast<int>(power_->count());
}

int ScanWindow::ScanPoints() const {
    return static_cast<int>(axisPoints_[0]->count() + axisPoints_[1]->count());
}

int ScanWindow::FitPoints() const {
    return static_cast<int>(axisFits_[0]->count() + axisFits_[1]->count());
}

void ScanWindow::OpenBeside(QWidget* mainWindow) {
    if (!placed_) {
        const QList<QRect> screens = AvailableScreenRects();
        if (const auto rect = LoadScanWindowRect(services_.Directory)) {
            move(OnSomeScreen(*rect, screens).topLeft());
            resize(rect->size());
        } else if (mainWindow != nullptr) {
            move(mainWindow->window()->pos() + kOffsetFromMainWindow);
        }
        placed_ = true;
    }
    ShowBeam();
    show();
    raise();
    activateWindow();
}

void ScanWindow::SaveRect() {
    SaveScanWindowRect(services_.Directory, QRect(frameGeometry().topLeft(), size()));
}

void ScanWindow::showEvent(QShowEvent* event) {
    ShowBeam();
    if (!procedure_ && !startWhenFound_) {
        SearchSky(false);
    }
    QWidget::showEvent(event);
}

PointingSnapshot ScanWindow::Snapshot() const {
    PointingSnapshot s;
    if (!procedure_ || link_ == nullptr) {
        return s;
    }
    s.Tracking = true;
    s.Source = procedure_->Settings().Source;
    s.Target = procedure_->TargetSky();
    if (const auto at = link_->Status().Reported) {
        s.Reported = SkyOfRotator(*at, pointing_);
    }
    return s;
}

void ScanWindow::closeEvent(QCloseEvent* event) {
    if (procedure_ && !shutDown_ && services_.Messages != nullptr) {
        const std::string title(
            SkyPlaces::Title(procedure_->Settings().Source, *services_.Station));
        const bool keep = services_.Messages->Question(
            kScanCaption,
            "A procedure is under way on " + title +
                ". Let it go on in the background?\n\nYes: it goes on; the Track and Receiver "
                "windows say it drives them, and its result is logged at the end.\nNo: it is "
                "aborted, what it has taken kept, the rotator left as \"At the end\" says.");
        if (!keep) {
            AbortClick();
        }
    }
    QWidget::closeEvent(event);
}

void ScanWindow::hideEvent(QHideEvent* event) {
    SaveRect();
    QWidget::hideEvent(event);
}

void ScanWindow::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    if (procedure_) {
        // Stops at once: the rotator is told to stop and handed back.
        procedure_->Abort("The program was closed.", true);
        Step();
    }
    Stepper->stop();
    if (!unsavedY_.empty()) {
        FlushY(); // a last try: the folder may be back
    }
    if (!unsavedY_.empty() && services_.Messages != nullptr) {
        // Still not written: said, with the lines themselves, never lost
        // without a word.
        std::string lines;
        for (const measure::MeasurementRecord& r : unsavedY_) {
            lines += "\n" + measure::MeasurementLine(r);
        }
        services_.Messages->Warning(
            "Scan", std::to_string(unsavedY_.size()) +
                        " Y-factor result(s) could not be written to the measurement log; "
                        "copy them from here into " +
                        std::string(measure::kMeasurementLogName) + ":" + lines);
    }
    YRetry->stop();
    StopRunner();
    for (std::thread& t : stopping_) {
        t.join();
    }
    stopping_.clear();
    if (isVisible()) {
        SaveRect();
    }
}

} // namespace vantrel
