#include "mainwin/MainWindow.h"
#include "mainwin/ProgramIcon.h"

#include "apparent/ConditionsSummary.h"
#include "apparent/EarthOrientation.h"
#include "astro/Catalogue.h"
#include "astro/EphemerisSpan.h"
#include "controls/FreedMemory.h"
#include "controls/GridPrinter.h"
#include "controls/PrinterSettings.h"
#include "controls/QtTextMeasurer.h"
#include "controls/SystemColours.h"
#include "controls/TooltipSettings.h"
#include "mainwin/CatalogueItems.h"
#include "mainwin/DesignSize.h"
#include "mainwin/PositionStore.h"
#include "mainwin/TextFileSave.h"
#include "planner/GridLayout.h"
#include "planner/PlanningSweep.h"
#include "planner/TableText.h"
#include "skychart/ElevationCollector.h"
#include "station/DataFile.h"
#include "station/StationCheck.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QProgressDialog>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

// The resources of a static library are brought in by name, from outside
// any namespace.
static void InitMainWindowIcons() {
    Q_INIT_RESOURCE(MainWindowIcons);
}

namespace vantrel {

namespace {

constexpr int kDesignWidth = 1026;
constexpr int kDesignHeight = 666;
constexpr int kTimerPeriodMs = 50;
/// Design widths of the Measure, Track, Sky, Receiver, Settings and EME tabs,
/// left of Help, About and Exit (43 each).
constexpr int kMeasureTabWidth = 64;
constexpr int kTrackTabWidth = 50;
constexpr int kSkyTabWidth = 40;
constexpr int kReceiverTabWidth = 66;
constexpr int kScanTabWidth = 44;
constexpr int kSettingsTabWidth = 64;
constexpr int kEmeTabWidth = 40;
constexpr int kOwnTabsWidth = kMeasureTabWidth + kTrackTabWidth + kSkyTabWidth + kReceiverTabWidth +
                              kScanTabWidth + kSettingsTabWidth + kEmeTabWidth;
constexpr int kOriginalTabWidth = 43;
constexpr Colour kAzElButton = 0x00FBEBCA;
constexpr Colour kMoneyGreen = 0x00C0DCC0;
constexpr Colour kOptionPink = 0x00C6C9FF;
constexpr Colour kCatalogueColour = 0x009FFFF1;
constexpr Colour kNavy = 0x00800000;

QFont Arial(int points, bool bold) {
    QFont f(QStringLiteral("Arial"), points);
    f.setBold(bold);
    return f;
}

QFont Tahoma(int points, bool bold) {
    QFont f(QStringLiteral("Tahoma"), points);
    f.setBold(bold);
    return f;
}

QString Latin1(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

QPalette Coloured(QPalette p, Colour background) {
    p.setColor(QPalette::Window, ResolveColour(background));
    return p;
}

template <typename W> W* Place(W* w, const char* name, int x, int y, int width, int height) {
    w->setObjectName(QLatin1String(name));
    w->setGeometry(x, y, width, height);
    return w;
}

/// Shares of the grids' width, design pixels: the time columns hold
/// "+2359" in the planning grid and "2359:59" in the real-time grid, every
/// pair column "Elevation" and "-29.00".
constexpr int kPlanningTimeColumn = 40;
constexpr int kRealTimeTimeColumn = 48;
constexpr int kPairColumn = 50;
/// Left and right margin of the header titles, px.
constexpr int kHeaderMargin = 1;

std::vector<int> ColumnShares(int timeColumn) {
    std::vector<int> shares(kGridColumns, kPairColumn);
    shares[0] = shares[1] = timeColumn;
    return shares;
}

QDate AsDate(DateTime local) {
    const DecodedInstant d = DecodeInstant(std::floor(local));
    return QDate(d.Year, d.Month, d.Day);
}

DateTime AsDateTime(const QDate& d) {
    return EncodeDate(d.year(), d.month(), d.day());
}

} // namespace

TForm1::TForm1(const MainWindowServices& services, QWidget* parent)
    : QWidget(parent), services_(services), station_(*services.Station),
      messages_(*services.Messages), utcClock_(*services.Clock) {
    BuildControls();
    setWindowIcon(ProgramIcon());
    FormCreate();
}

TForm1::~TForm1() {
    // FormDestroy: the position is saved again.
    SaveWindowPosition();
}

QString TForm1::WorkingDirectory() const {
    return services_.WorkingDirectory.empty() ? QDir::currentPath()
                                              : QString::fromStdString(services_.WorkingDirectory);
}

std::string TForm1::ExecutableFile() const {
    return services_.Executable.empty() ? RunningExecutable() : services_.Executable;
}

QDate TForm1::Today() const {
    return AsDate(services_.Clock->Now().Local);
}

void TForm1::BuildControls() {
    InitMainWindowIcons();
    setWindowTitle(QStringLiteral("Tamsel Vantrel"));
    setFont(Tahoma(8, false));
    setAutoFillBackground(true);
    setPalette(Coloured(palette(), colour::kButtonFace));
    resize(kDesignWidth, kDesignHeight);

    // Header titles get narrower margins than the values below them.
    GridSettings planning;
    planning.RowCount = 30;
    planning.FixedMarginLeft = kHeaderMargin;
    planning.FixedMarginRight = kHeaderMargin;
    planning.PrefaultPages = true;
    PlanningGrid = Place(new GridControl(planning, this), "PlanningGrid", 8, 27, 1009, 457);
    PlanningGrid->SetVerticalScrollBar(true);
    PlanningGrid->FitColumns(ColumnShares(kPlanningTimeColumn));
    PlanningMenu = new QMenu(this);
    PlanningMenu->setObjectName(QStringLiteral("PlanningMenu"));
    SaveCsvAction = PlanningMenu->addAction(QStringLiteral("Save table as CSV\u2026"));
    CopyAction = PlanningMenu->addAction(QStringLiteral("Copy"));
    CopyAction->setShortcut(QKeySequence::Copy);
    CopyAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    PlanningGrid->addAction(CopyAction);
    connect(SaveCsvAction, &QAction::triggered, this, &TForm1::SaveTableAsCsv);
    connect(CopyAction, &QAction::triggered, this, &TForm1::CopySelection);
    PlanningGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PlanningGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PlanningMenu->popup(PlanningGrid->viewport()->mapToGlobal(at));
    });
    connect(&saveWatcher_, &QFutureWatcher<QString>::finished, this, [this] {
        const QString reason = saveWatcher_.result();
        if (!reason.isEmpty()) {
            messages_.Error(
                ("The table could not be saved to " + savePath_ + ": " + reason).toStdString());
        }
        SaveCsvAction->setEnabled(true);
        emit TableSaveFinished(reason.isEmpty());
    });

    GridSettings realTime = planning;
    realTime.RowCount = 4;
    RealTimeGrid = Place(new GridControl(realTime, this), "RealTimeGrid", 8, 604, 1009, 50);
    RealTimeGrid->SetVerticalScrollBar(false);
    RealTimeGrid->FitColumns(ColumnShares(kRealTimeTimeColumn));
    RealTimeGrid->SetHint(QLatin1String(kRealTimeHint));

    // In place of the source pairs while the station is out of range. It
    // follows the grid's columns, not the form's scaling, so it has no name.
    StationRefusal = new QLabel(RealTimeGrid->viewport());
    StationRefusal->setWordWrap(true);
    StationRefusal->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StationRefusal->setAutoFillBackground(true);
    StationRefusal->setContentsMargins(4, 0, 4, 0);
    QPalette refusal = StationRefusal->palette();
    refusal.setColor(QPalette::WindowText, QColor(0xA0, 0, 0));
    refusal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE0));
    StationRefusal->setPalette(refusal);
    StationRefusal->hide();

    RealTimeTitle = Place(new QLabel(QStringLiteral("REAL TIME DISPLAY"), this), "RealTimeTitle", 9,
                          580, 170, 18);
    RealTimeTitle->setFont(Arial(10, true));
    RealTimeTitle->setStyleSheet(QStringLiteral("color: %1").arg(ResolveColour(kNavy).name()));
    // Below Reset Screen size, over the real-time grid's right end: what the
    // tables hold when an observing option is on, so that a screenshot says
    // which numbers it shows. Hidden for the classic table.
    ConditionsLabel = Place(new QLabel(QString(), this), "ConditionsLabel", 818, 586, 199, 17);
    ConditionsLabel->setFont(Arial(8, true));
    ConditionsLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ConditionsLabel->setStyleSheet(QStringLiteral("color: %1").arg(ResolveColour(kNavy).name()));
    ConditionsLabel->hide();

    Panel1 = Place(new ClickPanel(QString(), this), "Panel1", 184, 575, 300, 25);
    Panel1->SetBackground(gridcolour::kBlue);
    Panel1->setFont(Arial(10, true));
    Panel1->setToolTip(QStringLiteral("UTC Current Date and time"));
    Panel2 = Place(new ClickPanel(QString(), this), "Panel2", 512, 575, 300, 25);
    Panel2->SetBackground(colour::kActiveBorder);
    Panel2->setFont(Arial(10, true));
    Panel2->setToolTip(QStringLiteral("Local Current Date and Time"));

    // Dates.
    DatePanel = Place(new ClickPanel(QString(), this), "DatePanel", 397, 495, 230, 75);
    DatePanel->SetBackground(gridcolour::kBlue);
    DatePanel->setToolTip(QStringLiteral("Choose your Start and end Dates"));
    auto* dateTitle =
        Place(new QLabel(QStringLiteral("U.T.C . Date"), DatePanel), "DateTitle", 70, 1, 100, 16);
    dateTitle->setFont(Arial(10, true));
    Place(new QLabel(QStringLiteral("Start Date"), DatePanel), "StartDateLabel", 8, 16, 100, 14);
    Place(new QLabel(QStringLiteral("End Date"), DatePanel), "EndDateLabel", 121, 16, 100, 14);
    auto* note = Place(new QLabel(QStringLiteral("Click on arrow for calendar display"), DatePanel),
                       "DateNote", 8, 56, 215, 16);
    note->setAlignment(Qt::AlignCenter);
    for (QDateEdit** picker : {&DateTimePicker1, &DateTimePicker2}) {
        *picker = new QDateEdit(DatePanel);
        (*picker)->setCalendarPopup(true);
        (*picker)->setFont(Tahoma(10, true));
        (*picker)->setMinimumDate(QDate(kEphemerisFirstYear, 1, 1));
        (*picker)->setMaximumDate(QDate(kEphemerisLastYear, 12, 31));
    }
    Place(DateTimePicker1, "DateTimePicker1", 5, 30, 110, 24);
    Place(DateTimePicker2, "DateTimePicker2", 118, 30, 110, 24);

    // Interval.
    IntervalPanel = Place(new ClickPanel(QString(), this), "IntervalPanel", 653, 496, 196, 75);
    IntervalPanel->SetBackground(kMoneyGreen);
    IntervalPanel->setToolTip(QStringLiteral("Change your calculation increment as required"));
    Place(new QLabel(QStringLiteral("Calculation Interval"), IntervalPanel), "IntervalTitle", 40, 2,
          150, 16)
        ->setFont(Tahoma(8, true));
    Place(new QLabel(QStringLiteral("Minutes"), IntervalPanel), "MinutesLabel", 104, 23, 60, 14);
    Panel501 = Place(new ClickPanel(QString(), IntervalPanel), "Panel501", 47, 20, 50, 20);
    Panel501->SetBackground(colour::kWhite);
    Panel501->setFont(Tahoma(8, true));
    Panel501->setToolTip(QStringLiteral("Calculation Interval"));
    SpinButton4 = Place(new SpinButton(IntervalPanel), "SpinButton4", 16, 16, 20, 30);
    SpinButton4->setToolTip(QStringLiteral("Change calculation interval"));
    Calculate = Place(new QPushButton(QStringLiteral("Calculate"), IntervalPanel), "Calculate", 40,
                      45, 121, 25);
    Calculate->setFont(Tahoma(8, true));

    // Station and display mode.
    ColorButton1 =
        Place(new ColorButton(QStringLiteral("Home Data"), this), "ColorButton1", 16, 496, 110, 25);
    ColorButton1->SetBackColor(kMoneyGreen);
    ColorButton1->SetHoverColor(kAzElButton);
    ColorButton1->setToolTip(QStringLiteral("Enter and Save your Home Data"));
    Panel7 = Place(new ClickPanel(QString(), this), "Panel7", 16, 528, 113, 25);
    Panel7->setToolTip(QStringLiteral("Switch between Az/El display and Polar Display"));

    // Noise source and the catalogue.
    NoiseSourceGroup =
        Place(new RadioGroup(QStringLiteral("Noise Source Options"),
                             {QStringLiteral("  Cassiopeia A"), QStringLiteral("  Centaurus A"),
                              QStringLiteral("  User Defined")},
                             this),
              "NoiseSourceGroup", 205, 488, 120, 65);
    NoiseSourceGroup->SetBackground(kOptionPink);
    NoiseSourceGroup->setToolTip(QStringLiteral("User Set up see Home Data Screen"));
    NoiseSourceGroup->SetItemIndex(0); // as designed, before any reaction is connected
    Panel8 =
        Place(new ClickPanel(QStringLiteral("More Sources"), this), "Panel8", 205, 555, 120, 17);
    Panel8->SetBackground(kOptionPink);

    const QString listCaption =
        QStringLiteral("      Name       RA h:m    Dec °:m     Jy     Comments");
    const auto list = [&](auto items, const char* name, int x) {
        QStringList texts;
        for (std::string_view t : items) {
            texts << Latin1(t);
        }
        auto* g = Place(new RadioGroup(listCaption, texts, this), name, x, 300, 265, 145);
        g->SetBackground(kCatalogueColour);
        g->hide();
        return g;
    };
    RadioGroup1 = list(kSupernovaRemnantItems, "RadioGroup1", 64);
    RadioGroup2 = list(kRadioGalaxyItems, "RadioGroup2", 392);
    RadioGroup3 = list(kNebulaItems, "RadioGroup3", 720);
    const auto title = [&](const char* text, const char* name, int x) {
        auto* p = Place(new ClickPanel(QLatin1String(text), this), name, x, 456, 185, 25);
        p->SetBackground(kCatalogueColour);
        p->hide();
        return p;
    };
    Panel9 = title("Supernova remnants (SNR)", "Panel9", 96);
    Panel10 = title("Radio Galaxies", "Panel10", 432);
    Panel11 = title("Nebulas", "Panel11", 760);

    // Commands.
    BitBtn3 = Place(new QPushButton(QStringLiteral("Print"), this), "BitBtn3", 895, 506, 110, 25);
    QIcon printer;
    printer.addFile(QStringLiteral(":/vantrel/printer-16.png"));
    printer.addFile(QStringLiteral(":/vantrel/printer-32.png"));
    BitBtn3->setIcon(printer);
    BitBtn3->setDefault(true);
    BitBtn3->setToolTip(QStringLiteral("Print your calculation"));
    Button4 = Place(new QPushButton(QStringLiteral("Reset Screen size"), this), "Button4", 896, 560,
                    110, 25);
    Button4->setToolTip(QStringLiteral("Reset your screen size to 'normal' if required"));
    // Help, About and Exit keep their place and width in the corner; the
    // tabs of the program's own windows come in on their left.
    TabSet2 = Place(
        new TabStrip({QStringLiteral("Measure"), QStringLiteral("Track"), QStringLiteral("Sky"),
                      QStringLiteral("Receiver"), QStringLiteral("Scan"),
                      QStringLiteral("Settings"), QStringLiteral("EME"), QStringLiteral("Help"),
                      QStringLiteral("About"), QStringLiteral("Exit")},
                     this),
        "TabSet2", 888 - kOwnTabsWidth, 0, 130 + kOwnTabsWidth, 25);
    TabSet2->SetTabWidths({kMeasureTabWidth, kTrackTabWidth, kSkyTabWidth, kReceiverTabWidth,
                           kScanTabWidth, kSettingsTabWidth, kEmeTabWidth, kOriginalTabWidth,
                           kOriginalTabWidth, 130 - 2 * kOriginalTabWidth});
    TabSet2->setFont(Arial(10, false));

    Timer1 = new QTimer(this);
    Timer1->setInterval(kTimerPeriodMs);

    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(Calculate, &QPushButton::clicked, this, &TForm1::CalculateClick);
    connect(DateTimePicker1, &QDateEdit::dateChanged, this, &TForm1::DateTimePicker1Click);
    connect(DateTimePicker2, &QDateEdit::dateChanged, this, &TForm1::DateTimePicker2Click);
    connect(SpinButton4, &SpinButton::UpClick, this, &TForm1::SpinButton4UpClick);
    connect(SpinButton4, &SpinButton::DownClick, this, &TForm1::SpinButton4DownClick);
    connect(ColorButton1, &ColorButton::clicked, this, &TForm1::ColorButton1Click);
    connect(Panel7, &ClickPanel::Clicked, this, &TForm1::Panel7Click);
    connect(Panel8, &ClickPanel::Clicked, this, &TForm1::Panel8Click);
    connect(Panel9, &ClickPanel::Clicked, this, &TForm1::Panel9Click);
    connect(Panel10, &ClickPanel::Clicked, this, &TForm1::Panel10Click);
    connect(Panel11, &ClickPanel::Clicked, this, &TForm1::Panel11Click);
    connect(RadioGroup1, &RadioGroup::Click, this, &TForm1::RadioGroup1Click);
    connect(RadioGroup2, &RadioGroup::Click, this, &TForm1::RadioGroup2Click);
    connect(RadioGroup3, &RadioGroup::Click, this, &TForm1::RadioGroup3Click);
    connect(NoiseSourceGroup, &RadioGroup::Click, this, &TForm1::NoiseSourceGroupClick);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(TabSet2, &TabStrip::Click, this, &TForm1::TabSet2Click);

    FormScaler::Settings s;
    s.DesignFrmW = kDesignWidth;
    s.DesignFrmH = kDesignHeight;
    scaler_ = new FormScaler(this, s);
    scaler_->Start();
}

void TForm1::FormCreate() {
    // Tooltips are set up by the application before the window is made;
    // the stored hint option is applied here.
    DataFile file(messages_, services_.WorkingDirectory);
    file.Read(station_);
    // Judged on the file as read: the home station window, made next, shows
    // an offset beyond a day as 0 and so would hide it.
    stationProblems_ = ProblemsMessage(CheckStation(station_));
    if (auto* tips = ApplicationTooltips::Instance()) {
        tips->ApplyHintOption(station_.HintOption);
    }
    ShowInterval();
    for (QDateEdit* picker : {DateTimePicker1, DateTimePicker2}) {
        picker->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    }
    startDate_ = endDate_ = Today();
    for (QDateEdit* picker : {DateTimePicker1, DateTimePicker2}) {
        const QSignalBlocker quiet(picker); // setting the date is not a choice of the user
        picker->setDate(startDate_);
    }

    display_ = std::make_unique<RealTimeDisplay>(RealTimeGrid->Cells(), station_, utcClock_,
                                                 *services_.Library, DecimalSeparator(),
                                                 services_.Conditions);

    if (station_.DisplayMode == 1) {
        Panel7->SetCaption(QStringLiteral("RA Dec Display"));
        Panel7->SetBackground(colour::kYellow);
    } else {
        Panel7->SetCaption(QStringLiteral("Az El Display"));
        Panel7->SetBackground(kAzElButton);
    }
    // Options 1 and 2 change the selection and so run its reaction: the
    // planning grid holds today's table before the window is first shown.
    NoiseSourceGroup->SetItemIndex(station_.SourceOption);
    LayoutHeaders();
    ShowConditionsLabel();
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
        Timer1->start();
        if (!stationProblems_.empty()) {
            // Once, when the window is up, so the box has a window to sit on.
            QTimer::singleShot(0, this, [this] {
                messages_.Warning(kStationProblemTitle, stationProblems_);
                stationProblems_.clear();
            });
        }
    }
}

void TForm1::FormShow() {
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens()) {
        screens << s->geometry();
    }
    const QRect outer = LoadWindowPosition(WorkingDirectory(), screens);
    const QSize frame = frameGeometry().size() - size();
    move(outer.topLeft());
    resize(std::max(1, outer.width() - frame.width()),
           std::max(1, outer.height() - frame.height()));
}

bool TForm1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QWidget::event(e);
}

void TForm1::FormActivate() {
    // The running program's own file, wherever it was started from.
    const std::string exe = ExecutableFile();
    versions_ = ReadVersionTexts(exe);
    ShowCaption();
    fileDate_ = PackedFileDate(exe);
}

QString TForm1::ConditionsText() {
    if (services_.Conditions == nullptr) {
        return {};
    }
    // Which UT1 the tables use: over the planning days and the real-time
    // grid's day.
    const double planStart = EarthOrientation::UtcMjd(AsDateTime(startDate_));
    const double planEnd = EarthOrientation::UtcMjd(AsDateTime(endDate_) + 1.0);
    const double today = EarthOrientation::UtcMjd(std::floor(utcClock_.UtcNow()));
    return QString::fromStdString(ConditionsSummary(
        *services_.Conditions, std::min(planStart, today), std::max(planEnd, today + 1.0)));
}

void TForm1::ShowCaption() {
    // What the tables hold, when it is not the classic table, so that a
    // screenshot says which numbers it shows.
    QString caption =
        QLatin1String(kCaptionStem) + Latin1(VersionSuffix(versions_[version_text::kFileVersion]));
    const QString conditions = ConditionsText();
    if (!conditions.isEmpty()) {
        caption += QStringLiteral(" \u2014 ") + conditions;
    }
    setWindowTitle(caption);
    ShowConditionsLabel();
}

void TForm1::ShowConditionsLabel() {
    const QString conditions = ConditionsText();
    const bool apparent = services_.Conditions != nullptr && services_.Conditions->Apparent;
    const bool refraction = services_.Conditions != nullptr && services_.Conditions->Refraction;
    ConditionsLabel->setText(apparent && refraction ? QStringLiteral("Apparent places, refraction")
                             : apparent             ? QStringLiteral("Apparent places of date")
                                                    : QStringLiteral("Radio refraction"));
    ConditionsLabel->setToolTip(conditions);
    ConditionsLabel->setVisible(!conditions.isEmpty());
}

void TForm1::ObservingConditionsChanged() {
    ShowCaption();
    LayoutHeaders();
    RefreshDaylight();
    HideCatalogue();
    RunSweep();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Print is the window's default button: Enter runs it unless another
    // push button has the focus, which Enter then presses. Keys reach here
    // when the focused control leaves them (date pickers, the grids, radio
    // buttons, panels).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<QAbstractButton*>(focusWidget());
        const bool pushButton = focused != nullptr && focused != BitBtn3 &&
                                (qobject_cast<QPushButton*>(focused) != nullptr ||
                                 qobject_cast<ColorButton*>(focused) != nullptr);
        if (pushButton) {
            focused->click();
        } else if (BitBtn3->isEnabled()) {
            BitBtn3->click();
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    SaveWindowPosition(); // FormClose
    QWidget::closeEvent(event);
}

void TForm1::SaveWindowPosition() {
    if (!shown_) {
        return; // never shown: nothing of the user's to keep
    }
    vantrel::SaveWindowPosition(WorkingDirectory(), frameGeometry());
}

void TForm1::Timer1Timer() {
    display_->Tick();
    Panel1->SetCaption(Latin1(display_->UtcPanelText()));
    Panel2->SetCaption(Latin1(display_->LocalPanelText()));
    ShowStationRefusal();
}

void TForm1::ShowStationRefusal() {
    if (!display_->StationRefused()) {
        StationRefusal->hide();
        return;
    }
    // Over the source columns of the real-time grid, the clocks left in view,
    // in the grid's font as the window's size has scaled it.
    QWidget* cells = RealTimeGrid->viewport();
    const int left = RealTimeGrid->ColLeft(kFirstPairColumn);
    StationRefusal->setGeometry(left, 0, std::max(0, cells->width() - left), cells->height());
    QFont font = RealTimeGrid->font();
    font.setBold(true);
    StationRefusal->setFont(font);
    const std::vector<StationProblem> problems = CheckStation(station_);
    const QString text = QString::fromStdString(ProblemsParagraph(problems));
    if (StationRefusal->text() != text) {
        StationRefusal->setText(text);
        StationRefusal->setToolTip(QString::fromStdString(ProblemsMessage(problems)));
    }
    StationRefusal->show();
}

void TForm1::SetTrackedPair(std::optional<std::size_t> pair) {
    display_->SetTrackedPair(pair);
}

void TForm1::LayoutHeaders() {
    LayoutHeader(PlanningGrid->Cells(), station_);
    LayoutHeader(RealTimeGrid->Cells(), station_);
}

std::array<QWidget*, 6> TForm1::CatalogueWidgets() const {
    return {RadioGroup1, RadioGroup2, RadioGroup3, Panel9, Panel10, Panel11};
}

char TForm1::DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? '.' : point.front().toLatin1();
}

void TForm1::HideCatalogue() {
    for (QWidget* w : CatalogueWidgets()) {
        w->hide();
    }
}

void TForm1::RefreshDaylight() {
    utcClock_.UtcNow();
}

void TForm1::RunSweep() {
    // A station out of range gives no table ("nan" in every cell): refused
    // with the words of the start-up message, until it is corrected. A
    // sweep while the window is made leaves the saying to that message.
    if (!StationInRange(station_)) {
        if (stationProblems_.empty()) {
            messages_.Warning(kStationProblemTitle, ProblemsMessage(CheckStation(station_)));
        }
        return;
    }
    SweepInputs in;
    in.StartDate = AsDateTime(startDate_);
    in.EndDate = AsDateTime(endDate_);
    in.Library = services_.Library;
    in.Daylight = services_.Daylight;
    in.DecimalSeparator = DecimalSeparator();
    in.Conditions = services_.Conditions;
    // The chart's series comes from the same rows as the grid, so both always
    // show one computation.
    ElevationCollector series(station_,
                              ExpectedSweepRows(in.StartDate, in.EndDate, station_.CalcInterval),
                              PairTitles(PlanningGrid->Cells()));
    try {
        switch (RunPlanningSweep(PlanningGrid->Cells(), station_, in, &series)) {
        case SweepResult::Done:
            ++sweeps_;
            lastSeries_ = series.Finish();
            ShowCaption(); // the UT1 of the new days
            emit SweepFinished();
            break;
        case SweepResult::IntervalTooSmall:
            messages_.Warning("Warning", kIntervalTooSmall);
            break;
        case SweepResult::TooManyRows:
            messages_.Warning("Warning", kTooManyRows);
            break;
        case SweepResult::BadDates:
            break; // the pickers give only real dates
        }
    } catch (const GridIndexOutOfRange& e) {
        messages_.Error(e.what());
    }
}

void TForm1::SaveTableAsCsv() {
    if (saveWatcher_.isRunning()) {
        return; // one save at a time; the menu entry is off meanwhile
    }
    const QString path =
        ChooseCsvFile
            ? ChooseCsvFile()
            : QFileDialog::getSaveFileName(this, QStringLiteral("Save table as CSV"),
                                           QDir(WorkingDirectory())
                                               .filePath(QStringLiteral("Vantrel %1 to %2.csv")
                                                             .arg(startDate_.toString(Qt::ISODate),
                                                                  endDate_.toString(Qt::ISODate))),
                                           QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    // The text is made here, where the grid lives (tens of milliseconds for
    // a month at one minute); the disk is written on a worker thread.
    std::string text = RenderTable(PlanningGrid->Cells(), TableFormat::Csv, nullptr);
    savePath_ = path;
    SaveCsvAction->setEnabled(false);
    saveWatcher_.setFuture(
        QtConcurrent::run([path, bytes = std::move(text)] { return SaveTextFile(path, bytes); }));
}

void TForm1::CopySelection() {
    const QRect s = PlanningGrid->Selection();
    const std::string text =
        SelectionText(PlanningGrid->Cells(), s.left(), s.top(), s.right(), s.bottom());
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void TForm1::CalculateClick() {
    RefreshDaylight();
    HideCatalogue();
    RunSweep();
}

void TForm1::NoiseSourceGroupClick() {
    const int index = NoiseSourceGroup->ItemIndex();
    if (index >= 0 && index <= 2) {
        station_.SourceOption = index;
    }
    LayoutHeaders();
    RefreshDaylight();
    HideCatalogue();
    RunSweep();
}

void TForm1::Panel7Click() {
    if (station_.DisplayMode == 1) {
        station_.DisplayMode = 0;
        Panel7->SetBackground(kAzElButton);
        Panel7->SetCaption(QStringLiteral("Az El Display"));
    } else if (station_.DisplayMode == 0) {
        station_.DisplayMode = 1;
        Panel7->SetBackground(colour::kYellow);
        Panel7->SetCaption(QStringLiteral("Polar Display"));
    }
    LayoutHeaders();
    RefreshDaylight();
    HideCatalogue();
    RunSweep();
}

void TForm1::Panel8Click() {
    for (QWidget* w : CatalogueWidgets()) {
        w->show();
        w->raise();
    }
}

void TForm1::Panel9Click() {
    HideCatalogue();
    RunSweep();
}

void TForm1::Panel10Click() {
    Panel9Click();
}

void TForm1::Panel11Click() {
    Panel9Click();
}

void TForm1::CatalogueChosen(int list, int index) {
    if (index >= 0) {
        ChooseCatalogueEntry(station_, static_cast<MoreSourcesList>(list),
                             static_cast<std::size_t>(index));
    }
    NoiseSourceGroup->SetItemIndex(static_cast<int>(NoiseSourceOption::UserDefined));
    station_.SourceOption = static_cast<int>(NoiseSourceOption::UserDefined);
    HideCatalogue();
    LayoutHeaders();
    RefreshDaylight();
    HideCatalogue();
    RunSweep();
}

void TForm1::RadioGroup1Click() {
    CatalogueChosen(static_cast<int>(MoreSourcesList::SupernovaRemnants), RadioGroup1->ItemIndex());
}

void TForm1::RadioGroup2Click() {
    CatalogueChosen(static_cast<int>(MoreSourcesList::RadioGalaxies), RadioGroup2->ItemIndex());
}

void TForm1::RadioGroup3Click() {
    CatalogueChosen(static_cast<int>(MoreSourcesList::Nebulae), RadioGroup3->ItemIndex());
}

void TForm1::ShowInterval() {
    Panel501->SetCaption(QString::number(station_.CalcInterval));
}

void TForm1::SpinButton4UpClick() {
    constexpr int kStep = 5;
    auto& n = station_.CalcInterval;
    n = n >= kStep ? (n > INT32_MAX - kStep ? n : n + kStep) : n + 1;
    if (n <= 0) {
        n = kStep;
    }
    ShowInterval();
}

void TForm1::SpinButton4DownClick() {
    constexpr int kStep = 5;
    auto& n = station_.CalcInterval;
    n = n > kStep ? n - kStep : (n == INT32_MIN ? n : n - 1);
    if (n <= 0) {
        n = kStep;
    }
    ShowInterval();
}

void TForm1::DateTimePicker1Click() {
    startDate_ = DateTimePicker1->date();
    if (startDate_ > endDate_) {
        endDate_ = startDate_;
        DateTimePicker2->setDate(endDate_);
    }
}

void TForm1::DateTimePicker2Click() {
    endDate_ = DateTimePicker2->date();
}

void TForm1::ColorButton1Click() {
    if (OnHomeData) {
        OnHomeData();
    }
}

void TForm1::BitBtn3Click() {
    if (printing_) {
        return; // one print at a time
    }
    previewChosen_ = false;
    const bool chosen = ChoosePrinter ? ChoosePrinter(printer_) : [&] {
        QPrintDialog dialog(&printer_, this);
        // A look at the pages before paper is spent: "Preview" takes the
        // dialog's settings as OK does, then shows the pages instead.
        if (auto* box = dialog.findChild<QDialogButtonBox*>()) {
            QPushButton* preview =
                box->addButton(QStringLiteral("Preview"), QDialogButtonBox::ActionRole);
            connect(preview, &QPushButton::clicked, &dialog, [&] {
                previewChosen_ = true;
                dialog.accept();
            });
        }
        return dialog.exec() == QDialog::Accepted;
    }();
    if (!chosen) {
        return; // cancelled: nothing printed, the printer as it was
    }
    printer_.setPageOrientation(QPageLayout::Landscape);
    if (previewChosen_) {
        PrintPreview();
        return;
    }
    // The real-time grid is never printed.
    printedPages_ = PrintPages(printer_, this);
    if (printedPages_ < 0) {
        messages_.Error("The table could not be printed.");
    }
}

void TForm1::PrintPreview() {
    if (printing_) {
        return; // one print at a time
    }
    printer_.setPageOrientation(QPageLayout::Landscape);
    {
        // The preview records every page in memory (some 500 kB a page, a
        // month at one-minute steps 800 pages), and the recording belongs
        // to the printer it was made on until that printer records again.
        // A printer of the preview's own takes the pages with it when the
        // preview closes; what the user chose there is kept for the next
        // print.
        QPrinter pages;
        CopyPrinterSettings(printer_, pages);
        QPrintPreviewDialog preview(&pages, this);
        preview.setWindowTitle(QStringLiteral("Print preview"));
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [&](QPrinter* printer) { printedPages_ = PrintPages(*printer, &preview); });
        if (ShowPreview) {
            ShowPreview(preview);
        } else {
            preview.exec();
        }
        CopyPrinterSettings(pages, printer_);
    }
    // The pages were many small blocks; without this the C library would
    // keep their memory for the process.
    ReturnFreedMemory();
}

int TForm1::PrintPages(QPrinter& printer, QWidget* over) {
    // The pages are those of the design layout, whatever the window's size.
    GridPrintSettings settings;
    settings.Header = ConditionsText();
    const QtTextMeasurer rows(settings.Font);
    settings.RowMeasurer = &rows;
    PrinterTarget target(printer);
    GridPrintRun run(PlanningGrid->Cells(), target, settings);
    if (run.PageCount() == 0) {
        return 0;
    }
    if (!run.Start()) {
        return -1;
    }
    // One page per turn of the event loop: the clocks keep ticking, and
    // the window-modal progress keeps the window's commands (and so the
    // grid) still until the print is over.
    QProgressDialog progress(over);
    progress.setWindowTitle(QStringLiteral("Print"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setCancelButtonText(QStringLiteral("Cancel"));
    progress.setRange(0, run.PageCount());
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    printProgress_ = &progress;
    printing_ = true;
    while (run.PagesDone() < run.PageCount() && !progress.wasCanceled()) {
        progress.setLabelText(
            QStringLiteral("Printing page %1 of %2").arg(run.PagesDone() + 1).arg(run.PageCount()));
        if (!run.PrintNextPage()) {
            break;
        }
        progress.setValue(run.PagesDone());
        emit PagePrinted(run.PagesDone(), run.PageCount());
        QCoreApplication::processEvents();
    }
    printing_ = false;
    printProgress_ = nullptr;
    // A print the user stopped ends cleanly with the pages done so far.
    return run.Finish();
}

void TForm1::Button4Click() {
    const QSize frame = frameGeometry().size() - size();
    resize(kDesignOuterWidth - frame.width(), kDesignOuterHeight - frame.height());
    PlanningGrid->resize(1009, 457);
}

void TForm1::TabSet2Click() {
    const int tab = TabSet2->TabIndex();
    TabSet2->SetTabIndex(-1); // the same tab can be chosen again
    switch (tab) {
    case kMeasureTab:
        if (OnMeasure) {
            OnMeasure();
        }
        break;
    case kTrackTab:
        if (OnTrack) {
            OnTrack();
        }
        break;
    case kSkyTab:
        if (OnSky) {
            OnSky();
        }
        break;
    case kReceiverTab:
        if (OnReceiver) {
            OnReceiver();
        }
        break;
    case kScanTab:
        if (OnScan) {
            OnScan();
        }
        break;
    case kSettingsTab:
        if (OnSettings) {
            OnSettings();
        }
        break;
    case kEmeTab:
        if (OnEme) {
            OnEme();
        }
        break;
    case kHelpTab:
        if (OnHelp) {
            OnHelp();
        }
        break;
    case kAboutTab:
        ShowAbout();
        break;
    case kExitTab:
        ConfirmExit();
        break;
    default:
        break;
    }
}

std::string TForm1::AboutText() const {
    const QString date =
        fileDate_ == -1
            ? QString()
            : QLocale().toString(QDate(1980 + ((fileDate_ >> 25) & 0x7F), (fileDate_ >> 21) & 0xF,
                                       (fileDate_ >> 16) & 0x1F),
                                 QLocale::ShortFormat);
    const std::string lines[] = {
        "Vantrel by Tamsel: celestial noise sources for radio amateurs and radio astronomers",
        "",
        "E-mail: vantrel@tamsel.org",
        "Web: https://tamsel.org/vantrel",
        "",
        "Build .. " + versions_[version_text::kFileVersion],
        versions_[version_text::kComments],
        "Date ..  " + date.toStdString(),
        "",
        versions_[version_text::kLegalCopyright],
        "Free software: you may share and change it under the GPL; there is no warranty.",
        "",
        "Sky model: the 408 MHz all-sky survey of Haslam et al. (1982),",
        "destriped by Platania et al. (2003), with their spectral index (CDS).",
        "The Moon: the lunar theory ELP/MPP02 of J. Chapront and G. Francou",
        "(Paris Observatory, 2003), fitted to JPL DE405; series as arranged by Y. T. Liu.",
    };
    std::string text;
    for (const std::string& l : lines) {
        if (!text.empty() || &l != &lines[0]) {
            text += '\r';
        }
        text += l;
    }
    return text;
}

void TForm1::ShowAbout() {
    versions_ = ReadVersionTexts(ExecutableFile());
    const std::string text = AboutText();
    messages_.PlaceNext(350, 300);
    messages_.Information("Information", text);
}

void TForm1::ConfirmExit() {
    messages_.PlaceNext(400, 300);
    if (messages_.Question("Information", kExitQuestion)) {
        QApplication::quit();
    }
}

} // namespace vantrel
