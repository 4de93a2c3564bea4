// Vantrel: the planner of celestial noise source measurements.
//
// Start-up in this order: the application, its fonts and tooltips; the main
// window, which reads the station file, lays out both grids and runs the
// first table when the stored option asks for it; the home station window,
// hidden; the settings, Measure and Track windows; then the message loop,
// which shows the main window (its stored position) and activates it (the
// version in the caption).
//
// Started from a terminal it works in the current folder. The desktop menu
// starts it with --data-home: it then works in the user's own data folder,
// made on the first start (app/DataHome.h), before anything reads a file.

#include "app/DataHome.h"
#include "app/PlannerArguments.h"
#include "apparent/EarthOrientation.h"
#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "controls/Fonts.h"
#include "controls/QtUserMessages.h"
#include "controls/TooltipSettings.h"
#include "emewin/EmeWindow.h"
#include "help/ApplicationHelp.h"
#include "mainwin/MainWindow.h"
#include "mainwin/ProgramIcon.h"
#include "measurewin/MeasureWindow.h"
#include "receiverwin/ReceiverWindow.h"
#include "scanwin/ScanWindow.h"
#include "settings/ObservingSettings.h"
#include "settings/SettingsWindow.h"
#include "skywin/ElevationView.h"
#include "skywin/SkyWindow.h"
#include "station/HomeStation.h"
#include "station/HomeStationWindow.h"
#include "tracking/HamlibRotator.h"
#include "trackwin/TrackWindow.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

constexpr int kRefused = 2;

std::vector<std::string> ArgumentsOf(int argc, char** argv) {
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

} // namespace

int main(int argc, char** argv) {
    using namespace vantrel;
    // --help, --version and a wrong option are answered before the window
    // system is reached, so they work without a display: Qt's own options
    // are set aside for the judgement, as the application object takes them.
    const PlannerArguments early = ParsePlannerArguments(WithoutQtOptions(ArgumentsOf(argc, argv)));
    if (early.Help) {
        std::fputs(std::string(PlannerUsage()).c_str(), stdout);
        return 0;
    }
    if (early.Version) {
        std::fputs(PlannerVersionLine(VANTREL_VERSION).c_str(), stdout);
        return 0;
    }
    if (!early.Problem.empty()) {
        std::fprintf(stderr, "vantrel: %s\n", early.Problem.c_str());
        return kRefused;
    }
    QApplication app(argc, argv);
    // What is left once Qt has taken its own options.
    const PlannerArguments arguments = ParsePlannerArguments(ArgumentsOf(argc, argv));
    if (!arguments.Problem.empty()) {
        std::fprintf(stderr, "vantrel: %s\n", arguments.Problem.c_str());
        return kRefused;
    }
    QApplication::setApplicationName(QString());
    // The menu entry's name: the desktop shows its icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral(VANTREL_APP_ID));
    // Every window carries the icon, for window managers that read
    // _NET_WM_ICON rather than the menu entry.
    QApplication::setWindowIcon(ProgramIcon());
    InstallFontSubstitutes();
    ApplicationTooltips tooltips; // 2000 ms, 250 ms, yellow, bold Arial 10 pt

    QtUserMessages messages;
    if (arguments.DataHome) {
        const DataHomeLocation where = ChosenDataHome(arguments.DataFolder);
        if (const DataHomeEntry entry = EnterDataHome(where); !entry.Problem.empty()) {
            messages.Warning("Warning", entry.Problem);
        }
    }

    HomeStation station;
    // The help bridge registers its viewer first and loads the help engine.
    ApplicationHelp help(messages);
    SystemLocalClock clock;
    OrbexSunMoon library;
    SystemDaylightRules daylight;

    // Apparent places, refraction and the observing frequency: one set for
    // the whole program, kept in "Vanset.ini" beside the window position.
    ObservingConditions conditions = LoadObservingConditions(QString());
    // UT1 − UTC from the IERS file of the data folder, read once at the start;
    // a file that gives nothing is said once, and UT1 = UTC then.
    const EarthOrientationReading iers = ReadIersFileIn(std::string());
    conditions.Ut1 = iers.Table;
    if (!iers.Problem.empty()) {
        messages.Warning("Warning", iers.Problem + " UT1 = UTC is used for apparent places.");
    }

    MainWindowServices services;
    services.Station = &station;
    services.Messages = &messages;
    services.Clock = &clock;
    services.Library = &library;
    services.Daylight = &daylight;
    services.Conditions = &conditions;

    TForm1 form(services);
    messages.SetAnchor(&form);

    // The home station window: made hidden now (it reads the station file a
    // second time), opened by Home Data, halting the real-time display while
    // it is open.
    QtUserMessages stationMessages;
    TForm2 station2(station, stationMessages);
    stationMessages.SetAnchor(&station2);
    form.OnHomeData = [&] { station2.OpenBeside(&form); };
    QObject::connect(&station2, &TForm2::StopTimer, form.Timer1, qOverload<>(&QTimer::stop));
    QObject::connect(&station2, &TForm2::StartTimer, form.Timer1, qOverload<>(&QTimer::start));

    form.OnHelp = [&] { help.ShowContents(&form); };

    QtUserMessages settingsMessages;
    SettingsWindow settings(conditions, settingsMessages, QString());
    settings.SetUt1Problem(iers.Problem);
    settingsMessages.SetAnchor(&settings);
    form.OnSettings = [&] { settings.OpenBeside(&form); };
    QObject::connect(&settings, &SettingsWindow::Applied, &form,
                     &TForm1::ObservingConditionsChanged);

    // The Measure window: the same frequency as the settings window (one
    // `ObservingConditions`); a change in either is shown by the other, and
    // with refraction on the grids follow it.
    QtUserMessages measureMessages;
    MeasureWindow measure(conditions, station, library, clock, measureMessages, QString());
    measureMessages.SetAnchor(&measure);
    form.OnMeasure = [&] { measure.OpenBeside(&form); };
    ShareFrequency(measure, settings);
    QObject::connect(&measure, &MeasureWindow::FrequencyChanged, &form,
                     &TForm1::ObservingConditionsChanged);

    // Closing the main window ends the program, whichever of the other
    // windows are still open.
    for (QWidget* other : std::initializer_list<QWidget*>{&station2, &settings, &measure}) {
        other->setAttribute(Qt::WA_QuitOnClose, false);
    }

    // The Track window: follows a source with a Hamlib rotator and marks
    // the source's cells in the real-time grid while it does. It does not
    // keep the program running once the main window is closed.
    TrackWindowServices trackServices;
    trackServices.Conditions = &conditions;
    trackServices.Station = &station;
    trackServices.Library = &library;
    trackServices.Clock = &clock;
    trackServices.MakeRotator = MakeHamlibRotator;
    trackServices.Models = HamlibRotatorModels;
    // Set once the sky window exists (below); asked only while the program runs.
    std::function<const HorizonProfile*()> trackHorizon;
    trackServices.Horizon = [&trackHorizon]() -> const HorizonProfile* {
        return trackHorizon ? trackHorizon() : nullptr;
    };
    // The threshold and "on target" follow the antenna's beam, as the
    // Measure window has the antenna at the observing frequency.
    trackServices.Beamwidth = [&measure, &conditions]() -> std::optional<double> {
        const auto beam = BeamOf(measure.Setup(), conditions.FrequencyMHz);
        return beam ? std::optional<double>(beam->BeamwidthDeg) : std::nullopt;
    };
    TrackWindow track(trackServices);
    track.setAttribute(Qt::WA_QuitOnClose, false);
    track.OnTrackedPair = [&form](std::optional<std::size_t> pair) { form.SetTrackedPair(pair); };
    form.OnTrack = [&] { track.OpenBeside(&form); };

    // The sky window: the nine sources of the real-time display on a polar
    // chart. It shares the sun/moon library with the display: both ask for
    // places on this thread only, each handing the library its own request
    // first.
    QtUserMessages skyMessages;
    SkyWindow sky(station, conditions, library, clock, skyMessages, QString());
    skyMessages.SetAnchor(&sky);
    // While the rotator tracks, the chart shows where it is sent and where
    // it reports to be.
    sky.Pointing = [&track] { return track.Snapshot(); };
    // The off-source point of tracking is checked against the skyline the
    // sky window has loaded, and the Measure window asks before logging a
    // source behind it.
    const auto skyHorizon = [&sky]() -> const HorizonProfile* {
        return sky.Horizon() ? &*sky.Horizon() : nullptr;
    };
    trackHorizon = skyHorizon;
    measure.Horizon = skyHorizon;

    // The EME window: the Moon for contacts via the Moon with a DX station,
    // with the program's station, frequency and refraction and the skyline
    // the sky window has loaded.
    QtUserMessages emeMessages;
    EmeWindowServices emeServices;
    emeServices.Station = &station;
    emeServices.Conditions = &conditions;
    emeServices.Clock = &clock;
    emeServices.Messages = &emeMessages;
    emeServices.Horizon = skyHorizon;
    // UT1 − UTC of the data folder's IERS file: the Moon's hour angle and
    // Doppler need it whether or not apparent places are on.
    if (const std::shared_ptr<const EarthOrientation> series = iers.Table) {
        emeServices.Ut1 = [series](DateTime utc) {
            return series->Ut1MinusUtcSeconds(EarthOrientation::UtcMjd(utc));
        };
    }
    emeServices.Ut1Text = [series = iers.Table](DateTime first, DateTime last) {
        return QString::fromStdString(Ut1Description(series.get(), EarthOrientation::UtcMjd(first),
                                                     EarthOrientation::UtcMjd(last)));
    };
    EmeWindow eme(std::move(emeServices));
    emeMessages.SetAnchor(&eme);
    form.OnEme = [&] { eme.OpenBeside(&form); };

    // The Receiver window: the program as the radiometer. Its blocks carry
    // the tracked source and the rotator's reported position while the
    // Track window tracks, and its Y-factor goes to the Measure window's
    // measured Y: of the tracked source while tracking, else of the source
    // chosen there.
    const auto trackedRow = [&track, &station]() -> std::optional<std::size_t> {
        return track.IsTracking() ? DisplayPairOf(track.Setup().Options.Source, station)
                                  : std::nullopt;
    };
    ReceiverWindowServices receiverServices;
    receiverServices.Conditions = &conditions;
    receiverServices.Pointing = [&track]() -> std::optional<BlockPointing> {
        const std::optional<RotatorPosition> at = track.ReportedPosition();
        if (!track.IsTracking() || !at) {
            return std::nullopt;
        }
        return BlockPointing{std::string(SkySourceKey(track.Setup().Options.Source)),
                             at->AzimuthDeg, at->ElevationDeg};
    };
    receiverServices.YTarget = [&measure, trackedRow] { return measure.SourceTitle(trackedRow()); };
    receiverServices.UseY = [&measure, &form, trackedRow](const YEstimate& y) {
        measure.TakeMeasuredY(TakenY{y.YDb, y.SigmaDb, y.Method, y.FirstUtc, y.LastUtc},
                              trackedRow());
        if (!measure.isVisible()) {
            measure.OpenBeside(&form);
        }
    };
    // The antenna's beamwidth and the sources' places are the Measure
    // window's: one antenna in the program.
    receiverServices.BeamwidthDeg = [&measure, &conditions]() -> std::optional<double> {
        const auto beam = BeamOf(measure.Setup(), conditions.FrequencyMHz);
        return beam ? std::optional<double>(beam->BeamwidthDeg) : std::nullopt;
    };
    ApparentPlaces receiverPlaces;
    receiverServices.SourcePlace = [&measure, &station, &conditions, &library, &receiverPlaces](
                                       const std::string& key,
                                       DateTime utc) -> std::optional<std::pair<double, double>> {
        const auto source = SkySourceFromKey(key);
        const auto pair = source ? DisplayPairOf(*source, station) : std::nullopt;
        if (!pair) {
            return std::nullopt;
        }
        const auto rows =
            MeasureRows(utc, station, conditions, library, receiverPlaces, measure.Setup());
        return std::pair{rows[*pair].AzimuthDeg, rows[*pair].ElevationDeg};
    };
    ReceiverWindow receiver(receiverServices);
    receiver.setAttribute(Qt::WA_QuitOnClose, false);
    form.OnReceiver = [&] { receiver.OpenBeside(&form); };
    QObject::connect(&settings, &SettingsWindow::Applied, &receiver,
                     &ReceiverWindow::ShowFrequency);
    QObject::connect(&measure, &MeasureWindow::FrequencyChanged, &receiver,
                     &ReceiverWindow::ShowFrequency);

    // The Scan window: Y-factor sequences, cross-scans and drift scans at
    // one press. One rotator is never driven by two windows: a procedure
    // borrows the Track window's rotator (tracking stops, its commands are
    // locked) and hands it back at the end, tracking or stopped as chosen.
    // The radiometer is the Receiver window's input as set up there; its own
    // reading stops meanwhile (one device, one reader) and starts again.
    QtUserMessages scanMessages;
    ScanWindowServices scanServices;
    scanServices.Conditions = &conditions;
    scanServices.Station = &station;
    scanServices.Library = &library;
    scanServices.Clock = &clock;
    scanServices.Messages = &scanMessages;
    scanServices.Antenna = [&measure] { return measure.Setup(); };
    scanServices.Pointing = [&track] { return track.Setup().Options; };
    scanServices.Horizon = skyHorizon;
    scanServices.BorrowRotator = [&track](QString& why) {
        return track.LendRotator(QLatin1String(kScanCaption), why);
    };
    scanServices.ReturnRotator = [&track](std::optional<SkySource> source) {
        track.ReturnRotator(source);
    };
    scanServices.ApplyOffsets = [&track](double az, double el) { return track.AddOffsets(az, el); };
    bool receiverWasRunning = false;
    scanServices.BorrowRadiometer = [&receiver, &conditions, &receiverWasRunning](
                                        QString& why) -> std::optional<RadiometerLoan> {
        const ReceiverSetup& setup = receiver.Setup();
        if (const std::string problem = ReceiverSetupProblem(setup); !problem.empty()) {
            why = QStringLiteral("set up the receiver in the Receiver window: %1")
                      .arg(QString::fromStdString(problem));
            return std::nullopt;
        }
        receiverWasRunning = receiver.IsRunning();
        receiver.Lend(QLatin1String(kScanCaption));
        const std::string_view input = ReceiverInputKey(setup.Input);
        return RadiometerLoan{
            InputFactoryOf(setup, conditions.FrequencyMHz), IntegrationOf(setup),
            QStringLiteral("the %1 input of the Receiver window")
                .arg(QString::fromLatin1(input.data(), static_cast<qsizetype>(input.size()))),
            std::string(input)};
    };
    scanServices.ReturnRadiometer = [&receiver, &receiverWasRunning] {
        receiver.TakeBack();
        if (receiverWasRunning) {
            receiver.StartClick();
        }
        receiverWasRunning = false;
    };
    scanServices.Logged = [&measure] { measure.LoadHistory(); };
    ScanWindow scanWindow(scanServices);
    scanMessages.SetAnchor(&scanWindow);
    scanWindow.setAttribute(Qt::WA_QuitOnClose, false);
    track.OnLentStop = [&scanWindow] { scanWindow.StopFromTrack(); };
    // During a procedure the sky chart shows where it sends the rotator.
    sky.Pointing = [&track, &scanWindow] {
        return scanWindow.IsRunning() ? scanWindow.Snapshot() : track.Snapshot();
    };
    form.OnScan = [&] { scanWindow.OpenBeside(&form); };
    QObject::connect(&settings, &SettingsWindow::Applied, &scanWindow, &ScanWindow::ShowBeam);
    QObject::connect(&measure, &MeasureWindow::FrequencyChanged, &scanWindow,
                     &ScanWindow::ShowBeam);

    // Its second page, the elevation over the planning range, follows every
    // sweep of the main window: the same rows as the planning grid. Saved
    // or printed, a filled chart is drawn afresh at the device's resolution.
    auto* elevation = new ElevationView();
    sky.SetElevationView(elevation, [elevation](QPainter& painter, const QRectF& area) {
        const auto series = elevation->Series();
        const ChartPainting paint = series != nullptr && !series->Empty()
                                        ? PaintingOf(elevation->Chart())
                                        : PaintingOf(static_cast<QWidget*>(elevation));
        paint(painter, area);
    });
    // Charting a month at one-minute steps takes about 80 ms, and laying the
    // chart out the first time as much again: while the sky window is
    // closed a sweep is only noted, and charted when the window opens.
    bool chartOwed = form.LastSeries() != nullptr; // a table made at start-up
    const auto chart = [&form, elevation, &chartOwed] {
        elevation->SetSeries(form.LastSeries());
        chartOwed = false;
    };
    QObject::connect(&form, &TForm1::SweepFinished, elevation, [&sky, &chartOwed, chart] {
        if (sky.isVisible()) {
            chart();
        } else {
            chartOwed = true;
        }
    });
    form.OnSky = [&] {
        if (chartOwed) {
            chart();
        }
        sky.OpenBeside(&form);
    };

    form.show();
    const int status = QApplication::exec();
    // The receiver's input is stopped and its last block logged, the
    // rotator stopped and its link ended, before anything they read goes
    // away.
    scanWindow.Shutdown(); // first: it hands the rotator and the radiometer back
    receiver.Shutdown();
    track.Shutdown();
    help.Release(); // while the application still exists
    return status;
}
