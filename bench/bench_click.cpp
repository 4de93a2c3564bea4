// From the click on Calculate until the planning grid has repainted: the main
// window with the real sun/moon library, December 2026 at one-minute steps
// (44 640 data rows and 31 day rows), shown on the offscreen platform.

#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "controls/GridControl.h"
#include "mainwin/MainWindow.h"
#include "station/UserMessages.h"

#include <QApplication>
#include <QDateEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

using namespace vantrel;

/// Says nothing: the window starts without a station file.
class SilentMessages final : public UserMessages {
public:
    void Warning(std::string_view, std::string_view) override {}
    void Information(std::string_view, std::string_view) override {}
    void Error(std::string_view) override {}
    bool Question(std::string_view, std::string_view) override { return false; }
    void PlaceNext(int, int) override {}
};

void BM_CalculateClickToRepaint(benchmark::State& state) {
    QTemporaryDir dir;
    HomeStation station;
    SilentMessages messages;
    SystemLocalClock clock;
    OrbexSunMoon library;
    SystemDaylightRules daylight;
    MainWindowServices services;
    services.Station = &station;
    services.Messages = &messages;
    services.Clock = &clock;
    services.Library = &library;
    services.Daylight = &daylight;
    services.WorkingDirectory = dir.path().toStdString();

    TForm1 form(services);
    station.Latitude = 52.2L;
    station.Longitude = -1.5L;
    station.HeightAsl = 80;
    station.CalcInterval = 1;
    form.DateTimePicker1->setDate(QDate(2026, 12, 1));
    form.DateTimePicker2->setDate(QDate(2026, 12, 31));
    form.show();
    QApplication::processEvents();
    form.CalculateClick(); // the table of an earlier click, as the user has it
    QApplication::processEvents();

    for (auto _ : state) {
        form.CalculateClick();
        QApplication::processEvents(); // layout and scroll range of the new rows
        form.PlanningGrid->repaint();
    }
    state.counters["rows"] = form.PlanningGrid->Cells().RowCount();
}
BENCHMARK(BM_CalculateClickToRepaint)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
