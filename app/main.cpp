// Vantrel: the planner of celestial noise source measurements.
//
// Start-up in this order: the application, its fonts and tooltips; the main
// window, which reads the station file, lays out both grids and runs the
// first table when the stored option asks for it; the home station window,
// hidden; then the message loop,
// which shows the main window (its stored position) and activates it (the
// version in the caption). The program takes no arguments.

#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "controls/Fonts.h"
#include "controls/QtUserMessages.h"
#include "controls/TooltipSettings.h"
#include "help/ApplicationHelp.h"
#include "mainwin/MainWindow.h"
#include "measurewin/MeasureWindow.h"
#include "settings/ObservingSettings.h"
#include "settings/SettingsWindow.h"
#include "skywin/SkyWindow.h"
#include "station/HomeStation.h"
#include "station/HomeStationWindow.h"

#include <QApplication>

#include <initializer_list>

int main(int argc, char** argv) {
    using namespace vantrel;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString());
    InstallFontSubstitutes();
    ApplicationTooltips tooltips; // 2000 ms, 250 ms, yellow, bold Arial 10 pt

    HomeStation station;
    QtUserMessages messages;
    // The help bridge registers its viewer first and loads the help engine.
    ApplicationHelp help(messages);
    SystemLocalClock clock;
    OrbexSunMoon library;
    SystemDaylightRules daylight;

    // Apparent places, refraction and the observing frequency: one set for
    // the whole program, kept in "Vanset.ini" beside the window position.
    ObservingConditions conditions = LoadObservingConditions(QString());

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

    // The sky window: the nine sources of the real-time display on a polar
    // chart. It shares the sun/moon library with the display: both ask for
    // places on this thread only, each handing the library its own request
    // first.
    QtUserMessages skyMessages;
    SkyWindow sky(station, conditions, library, clock, skyMessages, QString());
    skyMessages.SetAnchor(&sky);
    form.OnSky = [&] { sky.OpenBeside(&form); };

    form.show();
    const int status = QApplication::exec();
    help.Release(); // while the application still exists
    return status;
}
