#include "trackwin/TrackWindow.h"

#include "controls/FieldReasons.h"
#include "mainwin/PositionStore.h"
#include "mainwin/WindowPlacement.h"
#include "scan/ColdSkyReference.h"
#include "station/StationCheck.h"
#include "tracking/SkyAngles.h"
#include "trackwin/ColdSkySearch.h"
#include "trackwin/SkyPointing.h"
#include "trackwin/TrackSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

/// Where the window opens the first time, from the main window's top-left
/// corner, pixels.
constexpr QPoint kOffsetFromMainWindow(160, 60);
constexpr double kMsPerSecond = 1000.0;
/// A reading older than this many poll periods is stale.
constexpr int kStalePolls = 2;
/// Parking at the controller's own place (unknown here): parked once the
/// position read has stood still this long, within kStillDeg.
constexpr std::chrono::milliseconds kStillWhenParked{3000};
constexpr double kStillDeg = 0.05;
constexpr const char* kRefusedStyle = "color: #b00000";
/// A scan's offsets are added in steps of this many per degree, and the
/// sums kept to this many.
constexpr double kOffsetSteps = 1000.0;
constexpr double kSumSteps = 1e6;
constexpr const char* kErrorStyle = "color: #b00000; font-weight: bold";

QString FromView(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString Number(double v) {
    return QString::number(v, 'g', 15);
}

QString Degrees(double v) {
    return std::isfinite(v) ? QString::number(v, 'f', 2) + QChar(0x00B0) : QStringLiteral("-");
}

/// "az 123.45°  el 67.89°", or "-" without a position.
QString AzEl(const std::optional<RotatorPosition>& p) {
    if (!p) {
        return QStringLiteral("-");
    }
    return QStringLiteral("az %1  el %2").arg(Degrees(p->AzimuthDeg), Degrees(p->ElevationDeg));
}

/// How long ago, "0.4 s" below ten seconds and "12 s" above.
QString AgeText(std::chrono::steady_clock::duration age) {
    constexpr double kWholeFromS = 10.0;
    const double s = std::chrono::duration<double>(age).count();
    return QStringLiteral("%1 s").arg(s, 0, 'f', s < kWholeFromS ? 1 : 0);
}

template <typename Widget> void SetTextIfChanged(Widget* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

/// The value of the setup that a number field edits.
double FieldValue(const TrackSetup& s, TrackField kind) {
    const TrackingOptions& o = s.Options;
    switch (kind) {
    case TrackField::PeriodS:
        return o.PeriodS;
    case TrackField::ThresholdDeg:
        return o.ThresholdDeg;
    case TrackField::MinElevationDeg:
        return o.MinElevationDeg;
    case TrackField::MaxElevationDeg:
        return o.MaxElevationDeg;
    case TrackField::AzimuthOffsetDeg:
        return o.AzimuthOffsetDeg;
    case TrackField::ElevationOffsetDeg:
        return o.ElevationOffsetDeg;
    case TrackField::OffSourceDeg:
        return o.OffSourceAzimuthDeg;
    case TrackField::ParkAzimuthDeg:
        return s.ParkAt.AzimuthDeg;
    case TrackField::ParkElevationDeg:
        return s.ParkAt.ElevationDeg;
    case TrackField::SerialSpeed:
        return s.Rotator.SerialSpeed;
    case TrackField::Model:
        return s.Rotator.Model;
    }
    return 0;
}

/// Puts a number field's value into the setup.
void SetFieldValue(TrackSetup& s, TrackField kind, double v) {
    TrackingOptions& o = s.Options;
    switch (kind) {
    case TrackField::PeriodS:
        o.PeriodS = v;
        break;
    case TrackField::ThresholdDeg:
        o.ThresholdDeg = v;
        break;
    case TrackField::MinElevationDeg:
        o.MinElevationDeg = v;
        break;
    case TrackField::MaxElevationDeg:
        o.MaxElevationDeg = v;
        break;
    case TrackField::AzimuthOffsetDeg:
        o.AzimuthOffsetDeg = v;
        break;
    case TrackField::ElevationOffsetDeg:
        o.ElevationOffsetDeg = v;
        break;
    case TrackField::OffSourceDeg:
        o.OffSourceAzimuthDeg = v;
        break;
    case TrackField::ParkAzimuthDeg:
        s.ParkAt.AzimuthDeg = v;
        break;
    case TrackField::ParkElevationDeg:
        s.ParkAt.ElevationDeg = v;
        break;
    case TrackField::SerialSpeed:
        s.Rotator.SerialSpeed = static_cast<int>(v);
        break;
    case TrackField::Model:
        s.Rotator.Model = static_cast<int>(v);
        break;
    }
    if (o.ParkPosition) {
        o.ParkPosition = s.ParkAt;
    }
}

QString ModelText(const RotatorModel& m) {
    return QStringLiteral("%1 %2 %3")
        .arg(m.Model)
        .arg(QString::fromStdString(m.Manufacturer), QString::fromStdString(m.Name))
        .simplified();
}

} // namespace

TrackWindow::TrackWindow(TrackWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)), clock_(*services_.Clock),
      places_(*services_.Library), tracker_(*services_.Library),
      setup_(LoadTrackSetup(services_.Directory)) {
    setObjectName(QStringLiteral("TrackWindow"));
    setWindowTitle(QLatin1String(kTrackCaption));
    BuildControls();
    ShowSetup();
    if (const auto rect = LoadTrackWindowRect(services_.Directory)) {
        resize(rect->size());
    } else {
        resize(640, 560);
    }
    Refresh();
}

TrackWindow::~TrackWindow() {
    Shutdown();
}

void TrackWindow::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    reasons_ = new FieldReasons(this);
    const auto edit = [this](const char* name, TrackField kind) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        numbers_.push_back({e, kind});
        connect(e, &QLineEdit::editingFinished, this, [this, e] { TakeField(e); });
        return e;
    };
    // A field's reason on the row below it, under its label and itself.
    const auto watch = [this](QGridLayout* grid, int row, int col, QLineEdit* e,
                              CheckWhen when = CheckWhen::Typing, int span = 2) {
        grid->addWidget(
            reasons_->Watch(
                e, [this, e](const QString& text) { return WithField(e, text).second; }, when),
            row + 1, col, 1, span);
    };

    // What to follow and how.
    auto* pointing = new QGroupBox(QStringLiteral("Source and pointing"), this);
    auto* pg = new QGridLayout(pointing);
    Source = new QComboBox(this);
    Source->setObjectName(QStringLiteral("Source"));
    for (std::size_t i = 0; i < kAllSkySources.size(); ++i) {
        Source->addItem(QString(), static_cast<int>(i));
    }
    Range = new QComboBox(this);
    Range->setObjectName(QStringLiteral("Range"));
    for (const AzimuthRange r :
         {AzimuthRange::From0To360, AzimuthRange::FromMinus180To180, AzimuthRange::From0To450}) {
        Range->addItem(FromView(AzimuthRangeKey(r)), static_cast<int>(r));
    }
    Period = edit("Period", TrackField::PeriodS);
    Threshold = edit("Threshold", TrackField::ThresholdDeg);
    MinElevation = edit("MinElevation", TrackField::MinElevationDeg);
    MaxElevation = edit("MaxElevation", TrackField::MaxElevationDeg);
    AzimuthOffset = edit("AzimuthOffset", TrackField::AzimuthOffsetDeg);
    ElevationOffset = edit("ElevationOffset", TrackField::ElevationOffsetDeg);
    OffSource = edit("OffSource", TrackField::OffSourceDeg);
    AzimuthOffset->setToolTip(
        QStringLiteral("Added to the sky's azimuth, for a rotator not aligned to north"));
    OffSource->setToolTip(QStringLiteral(
        "Degrees of azimuth beside the source, at its elevation, for the cold-sky reading"));
    const auto row = [&](int r, int c, const char* label, QWidget* w) {
        pg->addWidget(new QLabel(QString::fromUtf8(label), this), 2 * r, c);
        pg->addWidget(w, 2 * r, c + 1);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            watch(pg, 2 * r, c, e);
        }
    };
    row(0, 0, "Source", Source);
    row(0, 2, "Azimuth range (\u00b0)", Range);
    row(1, 0, "Period (s)", Period);
    row(1, 2, "Threshold (\u00b0)", Threshold);
    ThresholdFromBeam = new QCheckBox(QStringLiteral("0.1 HPBW"), this);
    ThresholdFromBeam->setObjectName(QStringLiteral("ThresholdFromBeam"));
    ThresholdFromBeam->setToolTip(
        QStringLiteral("A tenth of the antenna's half-power beamwidth (the Measure window's "
                       "antenna at the observing frequency); the threshold typed when the "
                       "beamwidth is not known"));
    pg->addWidget(ThresholdFromBeam, 2, 4);
    row(2, 0, "Minimum elevation (\u00b0)", MinElevation);
    row(2, 2, "Maximum elevation (\u00b0)", MaxElevation);
    row(3, 0, "Azimuth offset (\u00b0)", AzimuthOffset);
    row(3, 2, "Elevation offset (\u00b0)", ElevationOffset);
    row(4, 0, "Off-source offset (\u00b0 az)", OffSource);
    layout->addWidget(pointing);

    // Which rotator.
    auto* rotator = new QGroupBox(QStringLiteral("Rotator (Hamlib)"), this);
    auto* rg = new QGridLayout(rotator);
    Model = new QComboBox(this);
    Model->setObjectName(QStringLiteral("Model"));
    Model->setEditable(true);
    Model->setInsertPolicy(QComboBox::NoInsert);
    if (services_.Models) {
        for (const RotatorModel& m : services_.Models()) {
            Model->addItem(ModelText(m), m.Model);
        }
    }
    Model->completer()->setFilterMode(Qt::MatchContains);
    Model->completer()->setCompletionMode(QCompleter::PopupCompletion);
    Model->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    Model->setToolTip(QStringLiteral("Type a part of the number, maker or name to search"));
    Model->lineEdit()->setObjectName(QStringLiteral("ModelText"));
    Device = new QLineEdit(this);
    Device->setObjectName(QStringLiteral("Device"));
    Device->setToolTip(QStringLiteral("A serial port (/dev/ttyUSB0), or host:port of a rotctld "
                                      "for model 2 (localhost:4533)"));
    connect(Device, &QLineEdit::editingFinished, this, [this] { TakeField(Device); });
    Speed = edit("Speed", TrackField::SerialSpeed);
    Speed->setToolTip(QStringLiteral("Baud; 0 keeps the model's own"));
    rg->addWidget(new QLabel(QStringLiteral("Model"), this), 0, 0);
    rg->addWidget(Model, 0, 1, 1, 3);
    // The model is typed to search Hamlib's list: judged when left.
    watch(rg, 0, 0, Model->lineEdit(), CheckWhen::Leaving, 4);
    rg->addWidget(new QLabel(QStringLiteral("Device"), this), 2, 0);
    rg->addWidget(Device, 2, 1);
    watch(rg, 2, 0, Device);
    rg->addWidget(new QLabel(QStringLiteral("Serial speed (baud)"), this), 2, 2);
    rg->addWidget(Speed, 2, 3);
    watch(rg, 2, 2, Speed);
    layout->addWidget(rotator);

    // Parking.
    auto* parking = new QGroupBox(QStringLiteral("Parking"), this);
    auto* kg = new QGridLayout(parking);
    OwnPark = new QCheckBox(QStringLiteral("The controller's own park position"), this);
    OwnPark->setObjectName(QStringLiteral("OwnPark"));
    ParkAzimuth = edit("ParkAzimuth", TrackField::ParkAzimuthDeg);
    ParkElevation = edit("ParkElevation", TrackField::ParkElevationDeg);
    ParkWhenSet = new QCheckBox(QStringLiteral("Park when the source sets"), this);
    ParkWhenSet->setObjectName(QStringLiteral("ParkWhenSet"));
    kg->addWidget(OwnPark, 0, 0, 1, 2);
    kg->addWidget(ParkWhenSet, 0, 2, 1, 2);
    kg->addWidget(new QLabel(QStringLiteral("Park azimuth (\u00b0)"), this), 1, 0);
    kg->addWidget(ParkAzimuth, 1, 1);
    watch(kg, 1, 0, ParkAzimuth);
    kg->addWidget(new QLabel(QStringLiteral("Park elevation (\u00b0)"), this), 1, 2);
    kg->addWidget(ParkElevation, 1, 3);
    watch(kg, 1, 2, ParkElevation);
    layout->addWidget(parking);

    Refusal = new QLabel(this);
    Refusal->setObjectName(QStringLiteral("Refusal"));
    Refusal->setStyleSheet(QLatin1String(kRefusedStyle));
    Refusal->setWordWrap(true);
    Refusal->hide();
    layout->addWidget(Refusal);

    auto* buttons = new QHBoxLayout;
    TrackButton = new QPushButton(QStringLiteral("Track"), this);
    StopButton = new QPushButton(QStringLiteral("Stop"), this);
    ParkButton = new QPushButton(QStringLiteral("Park"), this);
    OffSourceButton = new QPushButton(QStringLiteral("Off source"), this);
    TrackButton->setObjectName(QStringLiteral("TrackButton"));
    StopButton->setObjectName(QStringLiteral("StopButton"));
    ParkButton->setObjectName(QStringLiteral("ParkButton"));
    OffSourceButton->setObjectName(QStringLiteral("OffSourceButton"));
    ColdSkyButton = new QPushButton(QStringLiteral("Off source: coldest sky"), this);
    ColdSkyButton->setObjectName(QStringLiteral("ColdSkyButton"));
    ColdSkyButton->setToolTip(QStringLiteral(
        "The coldest sky of the 408 MHz survey at the source's elevation, two beamwidths from it, "
        "the Sun and the Moon: its azimuth step becomes the off-source offset"));
    for (QPushButton* b : {TrackButton, StopButton, ParkButton, OffSourceButton, ColdSkyButton}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);

    auto* live = new QGroupBox(QStringLiteral("Now"), this);
    auto* form = new QFormLayout(live);
    const auto label = [this](const char* name) {
        auto* l = new QLabel(QStringLiteral("-"), this);
        l->setObjectName(QLatin1String(name));
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    SkyPlace = label("SkyPlace");
    Target = label("Target");
    Reported = label("Reported");
    State = label("State");
    LastError = label("LastError");
    LastError->setWordWrap(true);
    form->addRow(QStringLiteral("Source on the sky"), SkyPlace);
    ThresholdText = label("ThresholdText");
    form->addRow(QStringLiteral("Rotator sent to"), Target);
    form->addRow(QStringLiteral("Rotator reports"), Reported);
    RetryButton = new QPushButton(QStringLiteral("Retry now"), this);
    RetryButton->setObjectName(QStringLiteral("RetryButton"));
    RetryButton->setAutoDefault(false);
    RetryButton->setToolTip(QStringLiteral("Try the rotator again now instead of waiting"));
    RetryButton->hide();
    auto* errorRow = new QHBoxLayout;
    errorRow->addWidget(LastError, 1);
    errorRow->addWidget(RetryButton, 0, Qt::AlignTop);
    OffSourceWarning = label("OffSourceWarning");
    OffSourceWarning->setWordWrap(true);
    OffSourceWarning->setStyleSheet(QLatin1String(kRefusedStyle));
    OffSourceWarning->hide();
    OtherSideButton = new QPushButton(this);
    OtherSideButton->setObjectName(QStringLiteral("OtherSideButton"));
    OtherSideButton->setAutoDefault(false);
    OtherSideButton->hide();
    auto* offRow = new QHBoxLayout;
    offRow->addWidget(OffSourceWarning, 1);
    offRow->addWidget(OtherSideButton, 0, Qt::AlignTop);
    form->addRow(QStringLiteral("State"), State);
    form->addRow(QStringLiteral("Threshold"), ThresholdText);
    form->addRow(QStringLiteral("Last error"), errorRow);
    ColdSkyText = label("ColdSkyText");
    ColdSkyText->setWordWrap(true);
    // Room for the reference's two lines (az, el, Tsky; frequency and beam).
    ColdSkyText->setMinimumHeight(2 * ColdSkyText->fontMetrics().lineSpacing());
    form->addRow(QStringLiteral("Coldest sky"), ColdSkyText);
    form->addRow(offRow);
    coldSky_ = new ColdSkySearch(this);
    coldSky_->SetFolder(services_.SkyFolder);
    connect(coldSky_, &ColdSkySearch::Found, this, &TrackWindow::ColdSkyFound);
    layout->addWidget(live);
    layout->addStretch(1);

    Stepper = new QTimer(this);
    Stepper->setTimerType(Qt::PreciseTimer);
    connect(Stepper, &QTimer::timeout, this, &TrackWindow::Step);
    Refresher = new QTimer(this);
    Refresher->setInterval(kTrackRefreshMs);
    connect(Refresher, &QTimer::timeout, this, &TrackWindow::Refresh);

    connect(TrackButton, &QPushButton::clicked, this, &TrackWindow::TrackClick);
    connect(StopButton, &QPushButton::clicked, this, &TrackWindow::StopClick);
    connect(ParkButton, &QPushButton::clicked, this, &TrackWindow::ParkClick);
    connect(OffSourceButton, &QPushButton::clicked, this, &TrackWindow::OffSourceClick);
    connect(ColdSkyButton, &QPushButton::clicked, this, &TrackWindow::ColdSkyClick);
    connect(RetryButton, &QPushButton::clicked, this, &TrackWindow::RetryClick);
    connect(OtherSideButton, &QPushButton::clicked, this, &TrackWindow::OtherSideClick);
    connect(Source, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) {
            return;
        }
        TrackSetup changed = setup_;
        changed.Options.Source = kAllSkySources[static_cast<std::size_t>(index)];
        Apply(changed);
    });
    connect(Range, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) {
            return;
        }
        TrackSetup changed = setup_;
        changed.Options.Range = static_cast<AzimuthRange>(Range->itemData(index).toInt());
        Apply(changed);
    });
    connect(Model, &QComboBox::activated, this, [this] { TakeModel(); });
    connect(Model->lineEdit(), &QLineEdit::editingFinished, this, [this] { TakeModel(); });
    connect(OwnPark, &QCheckBox::toggled, this, [this](bool own) {
        TrackSetup changed = setup_;
        changed.Options.ParkPosition =
            own ? std::nullopt : std::optional<RotatorPosition>(changed.ParkAt);
        ParkAzimuth->setEnabled(!own);
        ParkElevation->setEnabled(!own);
        Apply(changed);
    });
    connect(ThresholdFromBeam, &QCheckBox::toggled, this, [this](bool fromBeam) {
        TrackSetup changed = setup_;
        changed.Options.ThresholdFromBeam = fromBeam;
        Apply(changed);
    });
    connect(ParkWhenSet, &QCheckBox::toggled, this, [this](bool park) {
        TrackSetup changed = setup_;
        changed.Options.Below = park ? WhenBelow::Park : WhenBelow::Hold;
        Apply(changed);
    });
}

void TrackWindow::ShowSetup() {
    const TrackingOptions& o = setup_.Options;
    const QSignalBlocker b1(Source), b2(Range), b3(Model), b4(OwnPark), b5(ParkWhenSet),
        b6(ThresholdFromBeam);
    ShowTitles();
    Source->setCurrentIndex(static_cast<int>(o.Source));
    Range->setCurrentIndex(Range->findData(static_cast<int>(o.Range)));
    int model = Model->findData(setup_.Rotator.Model);
    if (model < 0) { // a model this Hamlib does not list: kept, by number
        Model->addItem(QString::number(setup_.Rotator.Model), setup_.Rotator.Model);
        model = Model->count() - 1;
    }
    Model->setCurrentIndex(model);
    Device->setText(QString::fromStdString(setup_.Rotator.Device));
    Speed->setText(QString::number(setup_.Rotator.SerialSpeed));
    Period->setText(Number(o.PeriodS));
    Threshold->setText(Number(o.ThresholdDeg));
    ThresholdFromBeam->setChecked(o.ThresholdFromBeam);
    MinElevation->setText(Number(o.MinElevationDeg));
    MaxElevation->setText(Number(o.MaxElevationDeg));
    AzimuthOffset->setText(Number(o.AzimuthOffsetDeg));
    ElevationOffset->setText(Number(o.ElevationOffsetDeg));
    OffSource->setText(Number(o.OffSourceAzimuthDeg));
    OwnPark->setChecked(!o.ParkPosition.has_value());
    ParkAzimuth->setText(Number(setup_.ParkAt.AzimuthDeg));
    ParkElevation->setText(Number(setup_.ParkAt.ElevationDeg));
    ParkAzimuth->setEnabled(o.ParkPosition.has_value());
    ParkElevation->setEnabled(o.ParkPosition.has_value());
    ParkWhenSet->setChecked(o.Below == WhenBelow::Park);
    ShowOffSourceButton();
    reasons_->CheckAll(); // the values in force: no reason stands
}

QString TrackWindow::SourceTitle(SkySource source) const {
    const QString title = FromView(SkyPlaces::Title(source, *services_.Station)).trimmed();
    return title.isEmpty() ? QStringLiteral("User source") : title;
}

void TrackWindow::ShowTitles() {
    for (std::size_t i = 0; i < kAllSkySources.size(); ++i) {
        const QString title = SourceTitle(kAllSkySources[i]);
        if (Source->itemText(static_cast<int>(i)) != title) {
            Source->setItemText(static_cast<int>(i), title);
        }
    }
}

void TrackWindow::Refuse(const QString& why) {
    Refusal->setText(why);
    Refusal->setVisible(!why.isEmpty());
}

QString TrackWindow::Problem(const QLineEdit* field) const {
    return reasons_->Reason(field);
}

int TrackWindow::ModelIndex(const QString& text) const {
    const QString typed = text.trimmed();
    const int index = Model->findText(typed, Qt::MatchFixedString);
    if (index >= 0) {
        return index;
    }
    // A bare number typed: the model of that number.
    bool whole = false;
    const int number = typed.section(QLatin1Char(' '), 0, 0).toInt(&whole);
    return whole ? Model->findData(number) : -1;
}

std::pair<TrackSetup, QString> TrackWindow::WithField(const QLineEdit* edit,
                                                      const QString& text) const {
    const auto refused = [&](const std::string& why, const QString& previous) {
        return std::pair(setup_, QString::fromStdString(why) +
                                     QStringLiteral(" \u201c%1\u201d is refused; the value in "
                                                    "force stays %2.")
                                         .arg(text.trimmed(), previous));
    };
    TrackSetup changed = setup_;
    QString previous;
    if (edit == Device) {
        changed.Rotator.Device = text.trimmed().toStdString();
        previous =
            QStringLiteral("\u201c%1\u201d").arg(QString::fromStdString(setup_.Rotator.Device));
    } else if (edit == Model->lineEdit()) {
        const int index = ModelIndex(text);
        if (index < 0) {
            return {setup_, QStringLiteral("\u201c%1\u201d is no rotator model of Hamlib's list; "
                                           "the model in force stays %2.")
                                .arg(text.trimmed())
                                .arg(setup_.Rotator.Model)};
        }
        changed.Rotator.Model = Model->itemData(index).toInt();
        previous = QString::number(setup_.Rotator.Model);
    } else {
        const auto f = std::find_if(numbers_.begin(), numbers_.end(),
                                    [edit](const NumberField& n) { return n.Edit == edit; });
        if (f == numbers_.end()) {
            return {setup_, QString()};
        }
        previous = Number(FieldValue(setup_, f->Kind));
        const ParsedTrackNumber p = ParseTrackField(f->Kind, text.toStdString());
        if (!p.Problem.empty()) {
            return refused(p.Problem, previous);
        }
        SetFieldValue(changed, f->Kind, p.Value);
    }
    if (const std::string why = TrackSetupProblem(changed); !why.empty()) {
        return refused(why, previous);
    }
    return {changed, QString()};
}

bool TrackWindow::TakeField(QLineEdit* edit) {
    if (!reasons_->Check(edit)) {
        return false; // red, with the reason beside it; the value in force stays
    }
    Apply(WithField(edit, edit->text()).first);
    return true;
}

bool TrackWindow::TakeModel() {
    if (!reasons_->Check(Model->lineEdit())) {
        return false;
    }
    const int index = ModelIndex(Model->currentText());
    {
        const QSignalBlocker quiet(Model);
        Model->setCurrentIndex(index);
    }
    Apply(WithField(Model->lineEdit(), Model->currentText()).first);
    return true;
}

void TrackWindow::Apply(const TrackSetup& changed) {
    Refuse(QString());
    if (changed == setup_) {
        return;
    }
    const bool otherRotator = !(changed.Rotator == setup_.Rotator);
    setup_ = changed;
    if (!SaveTrackSetup(services_.Directory, setup_)) {
        Refuse(QStringLiteral("The Track values could not be written to Vanset.ini; they hold for "
                              "this run only."));
    }
    if (otherRotator && link_) {
        // The old controller may take its timeout to let go: not on this
        // thread.
        const bool connected = link_->Status().Connected;
        retired_.Retire(std::move(link_), connected);
        wasConnected_ = false;
        parking_ = false;
        if (tracking_) {
            EnsureLink(); // the new rotator goes on with the source
        }
    }
    tracker_.Reset();
    if (tracking_) {
        Stepper->setInterval(static_cast<int>(std::lround(setup_.Options.PeriodS * kMsPerSecond)));
        PublishTrackedPair();
        Step();
    }
    Refresh();
}

RotatorLink& TrackWindow::EnsureLink() {
    if (!link_) {
        const RotatorSettings settings = setup_.Rotator;
        auto make = services_.MakeRotator;
        link_ = std::make_unique<RotatorLink>([make, settings] { return make(settings); },
                                              services_.PollPeriod, services_.Retry);
        wasConnected_ = false;
        seenFailures_ = 0;
        linkStarted_ = std::chrono::steady_clock::now();
    }
    return *link_;
}

void TrackWindow::TrackClick() {
    if (const std::string why = TrackSetupProblem(setup_); !why.empty()) {
        Refuse(QString::fromStdString(why));
        return;
    }
    // A rotator is never sent anywhere for a station out of range: the
    // same sentence as at start-up, until the station is corrected.
    if (!StationInRange(*services_.Station)) {
        Refuse(QString::fromStdString(ProblemsLine(CheckStation(*services_.Station))));
        return;
    }
    EnsureLink();
    tracker_.Reset();
    tracking_ = true;
    parking_ = false;
    Refresher->start();
    Stepper->start(static_cast<int>(std::lround(setup_.Options.PeriodS * kMsPerSecond)));
    PublishTrackedPair();
    Step();
    Refresh();
}

void TrackWindow::StopTracking() {
    tracking_ = false;
    Stepper->stop();
    if (!isVisible()) {
        Refresher->stop();
    }
}

void TrackWindow::StopClick() {
    if (IsLent() && OnLentStop) {
        OnLentStop(); // the procedure ends; the rotator stops all the same
    }
    StopTracking();
    parking_ = false;
    EnsureLink().Stop();
    tracker_.Reset();
    decision_ = TrackDecision{};
    PublishTrackedPair();
    Refresh();
}

void TrackWindow::ParkClick() {
    StopTracking();
    EnsureLink().Park(setup_.Options.ParkPosition);
    parking_ = true;
    parkAt_ = setup_.Options.ParkPosition;
    stillAt_.reset();
    tracker_.Reset();
    decision_ = TrackDecision{};
    PublishTrackedPair();
    Refresh();
}

void TrackWindow::OffSourceClick() {
    tracker_.SetOffSource(!tracker_.OffSource());
    ShowOffSourceButton();
    if (tracking_) {
        Step();
        Refresh();
    }
}

void TrackWindow::ColdSkyClick() {
    if (IsLent() || coldSky_->Busy()) {
        return;
    }
    const std::optional<double> beam = services_.Beamwidth ? services_.Beamwidth() : std::nullopt;
    if (!beam || !(*beam > 0)) {
        ColdSkyText->setText(QStringLiteral("none: the antenna gives no beamwidth (the Measure "
                                            "window's antenna at the observing frequency)"));
        return;
    }
    std::string why;
    auto request =
        scan::ColdSkyRequestOf(setup_.Options.Source, *services_.Station, *services_.Conditions,
                               *services_.Library, clock_.UtcNow(), *beam, why);
    if (!request) {
        ColdSkyText->setText(QStringLiteral("none: ") + QString::fromStdString(why));
        return;
    }
    if (const HorizonProfile* horizon = services_.Horizon ? services_.Horizon() : nullptr) {
        request->Hidden = [profile = *horizon](double az, double el) {
            return profile.Hides(az, el);
        };
    }
    ColdSkyButton->setEnabled(false);
    ColdSkyText->setText(QStringLiteral("searching the sky at the source's elevation\u2026"));
    coldSky_->Find(*request, services_.Conditions->FrequencyMHz);
}

void TrackWindow::ColdSkyFound() {
    ColdSkyButton->setEnabled(!IsLent());
    const auto& found = coldSky_->Last();
    if (!found) {
        ColdSkyText->setText(coldSky_->Problem());
        return;
    }
    ColdSkyText->setText(QString::fromStdString(scan::ColdSkyReferenceText(*found)));
    if (!found->Point || !std::isfinite(found->AzimuthStepDeg)) {
        return;
    }
    // The reference's azimuth step from the source, to 0.001°: the tracker
    // keeps it beside the source at the source's elevation as both move.
    TrackSetup changed = setup_;
    changed.Options.OffSourceAzimuthDeg = std::round(found->AzimuthStepDeg * 1000.0) / 1000.0;
    Apply(changed);
    ShowSetup();
    if (!tracker_.OffSource()) {
        tracker_.SetOffSource(true);
        ShowOffSourceButton();
    }
    if (tracking_) {
        Step();
        Refresh();
    }
}

void TrackWindow::ShowOffSourceButton() {
    // The button says what pressing it does.
    OffSourceButton->setText(tracker_.OffSource() ? QStringLiteral("On source")
                                                  : QStringLiteral("Off source"));
}

void TrackWindow::Step() {
    if (!tracking_ || !link_) {
        return;
    }
    if (!StationInRange(*services_.Station)) {
        // The station was made out of range while tracking: stop the
        // rotator where it is rather than follow a place that means nothing.
        StopClick();
        Refuse(QString::fromStdString(ProblemsLine(CheckStation(*services_.Station))));
        return;
    }
    const RotatorStatus status = link_->Status();
    if (status.Connected && !wasConnected_) {
        tracker_.Reset(); // a controller that has just come back is told again
    }
    wasConnected_ = status.Connected;
    const DecodedInstant utc = DecodeInstant(clock_.UtcNow());
    // A stale position is no position: it never makes "on target".
    decision_ = tracker_.Step(utc, *services_.Station, *services_.Conditions, OptionsInForce(),
                              FreshPosition(status));
    switch (decision_.What) {
    case TrackDecision::Action::Point:
        link_->Point(decision_.Command);
        break;
    case TrackDecision::Action::Park:
        link_->Park(setup_.Options.ParkPosition);
        break;
    case TrackDecision::Action::None:
        break;
    }
}

TrackingOptions TrackWindow::OptionsInForce() const {
    TrackingOptions o = setup_.Options;
    const std::optional<double> beam =
        services_.Beamwidth ? services_.Beamwidth() : std::optional<double>();
    if (beam && *beam >= tracking_range::kMinBeamwidthDeg &&
        *beam <= tracking_range::kMaxBeamwidthDeg) {
        o.BeamwidthDeg = *beam;
    }
    return o;
}

void TrackWindow::PublishTrackedPair() {
    // Marked while the rotator is followed: not while nothing is heard of it.
    const bool followed = tracking_ && !PositionStale(LinkStatus());
    const std::optional<std::size_t> pair =
        followed ? DisplayPairOf(setup_.Options.Source, *services_.Station) : std::nullopt;
    if (pair == publishedPair_) {
        return;
    }
    publishedPair_ = pair;
    if (OnTrackedPair) {
        OnTrackedPair(pair);
    }
}

RotatorStatus TrackWindow::LinkStatus() const {
    return link_ ? link_->Status() : RotatorStatus{};
}

bool TrackWindow::PositionStale(const RotatorStatus& status) const {
    if (!link_) {
        return true;
    }
    const auto since = status.Reported ? std::max(status.ReportedAt, linkStarted_) : linkStarted_;
    return std::chrono::steady_clock::now() - since > kStalePolls * services_.PollPeriod;
}

std::optional<RotatorPosition> TrackWindow::FreshPosition(const RotatorStatus& status) const {
    return PositionStale(status) ? std::nullopt : status.Reported;
}

QString TrackWindow::StateText(const RotatorStatus& st, bool stale) {
    namespace ts = tracking_state;
    const auto now = std::chrono::steady_clock::now();
    QString state;
    if (tracking_) {
        std::string_view said = decision_.State;
        if (stale && said == ts::kOnTarget) {
            said = ts::kTracking; // where it is is not known
        } else if (stale && said == ts::kOffSource) {
            said = ts::kMovingOffSource;
        }
        state = FromView(said);
        if (tracker_.OffSource() && said != ts::kOffSource && said != ts::kMovingOffSource) {
            state += QStringLiteral(" (off source)");
        }
    } else if (parking_) {
        bool parked = false;
        if (const auto at = FreshPosition(st)) {
            if (parkAt_) {
                parked =
                    std::abs(at->AzimuthDeg - parkAt_->AzimuthDeg) <= kOnTargetToleranceDeg &&
                    std::abs(at->ElevationDeg - parkAt_->ElevationDeg) <= kOnTargetToleranceDeg;
            } else {
                if (!stillAt_ || std::abs(at->AzimuthDeg - stillAt_->AzimuthDeg) > kStillDeg ||
                    std::abs(at->ElevationDeg - stillAt_->ElevationDeg) > kStillDeg) {
                    stillAt_ = at;
                    stillSince_ = now;
                }
                parked = now - stillSince_ >= kStillWhenParked;
            }
        }
        state = parked ? QStringLiteral("parked") : QStringLiteral("parking");
    } else {
        state = QStringLiteral("not tracking");
    }
    state += st.Connected ? QStringLiteral("; rotator connected")
                          : QStringLiteral("; rotator not connected");
    if (stale && (tracking_ || parking_)) {
        const auto since = st.Reported ? std::max(st.ReportedAt, linkStarted_) : linkStarted_;
        state += QStringLiteral("; no position read for %1").arg(AgeText(now - since));
    }
    return state;
}

void TrackWindow::Refresh() {
    if (State == nullptr) {
        return;
    }
    // Titles follow the station (a user source renamed in the station window).
    const QString title = SourceTitle(setup_.Options.Source);
    if (Source->itemText(Source->currentIndex()) != title) {
        ShowTitles();
    }
    const DecodedInstant utc = DecodeInstant(clock_.UtcNow());
    const SkyPlaceDeg place =
        places_.At(setup_.Options.Source, *services_.Station, *services_.Conditions, utc);
    SetTextIfChanged(SkyPlace, place.Valid ? QStringLiteral("%1: az %2  el %3")
                                                 .arg(title, Degrees(place.AzimuthDeg),
                                                      Degrees(place.ElevationDeg))
                                           : QStringLiteral("%1: no place can be computed "
                                                            "for this station")
                                                 .arg(title));

    const RotatorStatus st = LinkStatus();
    const bool stale = PositionStale(st);
    // What was sent, not where the source is: the rotator follows in steps
    // of the threshold.
    SetTextIfChanged(Target, tracking_ ? AzEl(st.Commanded) : QStringLiteral("-"));
    SetTextIfChanged(ThresholdText, FromView(ThresholdDescription(OptionsInForce())));
    QString reported = AzEl(st.Reported);
    if (link_ && stale && st.Reported) {
        // The last reading is kept in sight, marked with its age.
        reported = QStringLiteral("\u2013  (last read %1 ago: %2)")
                       .arg(AgeText(std::chrono::steady_clock::now() - st.ReportedAt), reported);
    }
    SetTextIfChanged(Reported, reported);
    SetTextIfChanged(State, IsLent() ? QStringLiteral("driven by the %1 window").arg(lentTo_)
                            : link_  ? StateText(st, stale)
                                     : QStringLiteral("idle: no rotator opened yet"));

    if (st.ConsecutiveFailures != seenFailures_) {
        seenFailures_ = st.ConsecutiveFailures;
        failureSeenAt_ = std::chrono::steady_clock::now();
    }
    QString error;
    if (!st.LastError.empty()) {
        error = QString::fromStdString(st.LastError);
        if (st.LastErrorCode != 0) {
            error += QStringLiteral(" Hamlib error %1.").arg(st.LastErrorCode);
        }
        if (st.RetryIn.count() > 0) {
            const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - failureSeenAt_);
            const double left =
                std::max(0.0, static_cast<double>((st.RetryIn - waited).count()) / kMsPerSecond);
            error += QStringLiteral(" Next try in %1 s.").arg(std::ceil(left), 0, 'f', 0);
        }
    }
    SetTextIfChanged(LastError, error.isEmpty() ? QStringLiteral("none") : error);
    LastError->setStyleSheet(error.isEmpty() ? QString() : QLatin1String(kErrorStyle));
    RetryButton->setVisible(link_ && st.RetryIn.count() > 0);
    ShowOffSourceCheck();
    PublishTrackedPair(); // the station's source option may have moved it; staleness too
    emit PointingChanged();
}

void TrackWindow::RetryClick() {
    if (link_) {
        link_->RetryNow();
    }
}

void TrackWindow::ShowOffSourceCheck() {
    const HorizonProfile* horizon = services_.Horizon ? services_.Horizon() : nullptr;
    QString warning;
    double otherStep = 0;
    if (horizon != nullptr) {
        const DecodedInstant utc = DecodeInstant(clock_.UtcNow());
        const SkyPlaceDeg place =
            places_.At(setup_.Options.Source, *services_.Station, *services_.Conditions, utc);
        const double step = setup_.Options.OffSourceAzimuthDeg;
        // The cold-sky point stands at the source's elevation, `step`
        // degrees of azimuth beside it (Tracker::Step).
        const double az = Azimuth0To360(place.AzimuthDeg + step);
        if (place.Valid && place.ElevationDeg >= 0 && step != 0 &&
            horizon->Hides(az, place.ElevationDeg)) {
            warning = QStringLiteral("The off-source point (az %1, el %2) is behind the horizon "
                                     "profile, which stands at %3 there.")
                          .arg(Degrees(az), Degrees(place.ElevationDeg),
                               Degrees(horizon->ElevationAt(az)));
            if (horizon->Hides(Azimuth0To360(place.AzimuthDeg - step), place.ElevationDeg)) {
                warning += QStringLiteral(" So is the other side: choose a smaller step or wait "
                                          "for the source to rise.");
            } else {
                otherStep = -step;
            }
        }
    }
    SetTextIfChanged(OffSourceWarning, warning);
    OffSourceWarning->setVisible(!warning.isEmpty());
    if (otherStep != 0) {
        SetTextIfChanged(OtherSideButton,
                         QStringLiteral("Use the other side (%1\u00b0 az)").arg(Number(otherStep)));
    }
    OtherSideButton->setVisible(otherStep != 0);
}

void TrackWindow::OtherSideClick() {
    TrackSetup changed = setup_;
    changed.Options.OffSourceAzimuthDeg = -setup_.Options.OffSourceAzimuthDeg;
    Apply(changed);
    ShowSetup();
}

RotatorLink* TrackWindow::LendRotator(const QString& borrower, QString& why) {
    if (IsLent()) {
        why = QStringLiteral("The rotator is driven by the %1 window.").arg(lentTo_);
        return nullptr;
    }
    if (const std::string problem = TrackSetupProblem(setup_); !problem.empty()) {
        why = QString::fromStdString(problem);
        return nullptr;
    }
    if (tracking_ || parking_) {
        StopTracking();
        parking_ = false;
        decision_ = TrackDecision{};
        PublishTrackedPair();
    }
    lentTo_ = borrower;
    RotatorLink& link = EnsureLink();
    Refresher->start(); // the state line says who drives it
    ShowLent();
    Refresh();
    return &link;
}

void TrackWindow::ReturnRotator(std::optional<SkySource> track) {
    if (!IsLent()) {
        return;
    }
    lentTo_.clear();
    ShowLent();
    if (track && !shutDown_) {
        TrackSetup changed = setup_;
        changed.Options.Source = *track;
        Apply(changed);
        ShowSetup();
        TrackClick();
    } else if (!isVisible()) {
        Refresher->stop();
    }
    Refresh();
}

void TrackWindow::ShowLent() {
    const bool free = !IsLent();
    for (QWidget* w :
         std::initializer_list<QWidget*>{TrackButton, ParkButton, OffSourceButton, ColdSkyButton,
                                         Model, Device, Speed, Source}) {
        w->setEnabled(free);
    }
}

QString TrackWindow::AddOffsets(double azimuthDeg, double elevationDeg) {
    // A scan's offset to a thousandth of a degree (its error is tens of
    // them), the sum to a millionth: the field and Vanset.ini show
    // "-0.444", not the fit's seventeen digits or a binary remainder.
    const auto add = [](double to, double offset) {
        const double rounded = std::round(offset * kOffsetSteps) / kOffsetSteps;
        return std::round((to + rounded) * kSumSteps) / kSumSteps;
    };
    TrackSetup changed = setup_;
    changed.Options.AzimuthOffsetDeg = add(changed.Options.AzimuthOffsetDeg, azimuthDeg);
    changed.Options.ElevationOffsetDeg = add(changed.Options.ElevationOffsetDeg, elevationDeg);
    if (const std::string why = TrackSetupProblem(changed); !why.empty()) {
        return QString::fromStdString(why);
    }
    Apply(changed);
    ShowSetup();
    return {};
}

PointingSnapshot TrackWindow::Snapshot() const {
    // A stale position is not drawn as if it were the rotator's.
    return MakePointingSnapshot(tracking_, setup_.Options,
                                tracking_ ? decision_.Target : std::nullopt,
                                FreshPosition(LinkStatus()));
}

void TrackWindow::OpenBeside(QWidget* mainWindow) {
    if (!placed_) {
        const QList<QRect> screens = AvailableScreenRects();
        if (const auto rect = LoadTrackWindowRect(services_.Directory)) {
            move(OnSomeScreen(*rect, screens).topLeft());
        } else if (mainWindow != nullptr) {
            move(mainWindow->window()->pos() + kOffsetFromMainWindow);
        }
        placed_ = true;
    }
    ShowSetup();
    show();
    raise();
    activateWindow();
    Refresh();
}

void TrackWindow::SaveRect() {
    if (placed_) {
        // The frame's place (what move() takes) and the client size (what
        // resize() takes).
        SaveTrackWindowRect(services_.Directory, QRect(pos(), size()));
    }
}

void TrackWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresher->start();
}

void TrackWindow::hideEvent(QHideEvent* event) {
    SaveRect();
    if (!tracking_) {
        Refresher->stop(); // nobody looks; while tracking it follows the grid's source option
    }
    QWidget::hideEvent(event);
}

void TrackWindow::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    Stepper->stop();
    Refresher->stop();
    if (isVisible()) {
        SaveRect();
    }
    tracking_ = false;
    PublishTrackedPair();
    if (link_) {
        // A rotator that answers is stopped where it is; one that does not is
        // not waited for twice.
        link_->Shutdown(link_->Status().Connected);
        link_.reset();
    }
    retired_.JoinAll();
}

} // namespace vantrel
