// From the click on Calculate until the planning grid has repainted: the main
// window with the real sun/moon library, December 2026 at one-minute steps
// (44 640 data rows and 31 day rows), shown on the offscreen platform.
//
// The first click of a process is measured apart from the later ones: it
// is the first table the process makes, into memory nothing has touched
// yet. Run the program afresh for each figure of the first click, e.g.
//   for i in 1 2 3 4 5; do vantrel-bench-click; done

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
#include <memory>

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

/// The main window as the user has it after start-up: no station file, then
/// a station entered, December 2026 chosen at one-minute steps, shown.
class ClickWindow {
public:
    ClickWindow() {
        services_.Station = &station_;
        services_.Messages = &messages_;
        services_.Clock = &clock_;
        services_.Library = &library_;
        services_.Daylight = &daylight_;
        services_.WorkingDirectory = dir_.path().toStdString();
        form_ = std::make_unique<TForm1>(services_);
        station_.Latitude = 52.2L;
        station_.Longitude = -1.5L;
        station_.HeightAsl = 80;
        station_.CalcInterval = 1;
        form_->DateTimePicker1->setDate(QDate(2026, 12, 1));
        form_->DateTimePicker2->setDate(QDate(2026, 12, 31));
        form_->show();
        QApplication::processEvents();
    }
    TForm1& Form() { return *form_; }

    /// One click on Calculate until the planning grid has repainted.
    void Click() {
        form_->CalculateClick();
        QApplication::processEvents(); // layout and scroll range of the new rows
        form_->PlanningGrid->repaint();
    }

private:
    QTemporaryDir dir_;
    HomeStation station_;
    SilentMessages messages_;
    SystemLocalClock clock_;
    OrbexSunMoon library_;
    SystemDaylightRules daylight_;
    MainWindowServices services_;
    std::unique_ptr<TForm1> form_;
};

/// The first click of the process: registered first, so that it is the
/// first table this process computes. Run the program afresh for each figure.
void BM_FirstCalculateClickToRepaint(benchmark::State& state) {
    ClickWindow window;
    for (auto _ : state) {
        window.Click();
    }
    state.counters["rows"] = window.Form().PlanningGrid->Cells().RowCount();
}
BENCHMARK(BM_FirstCalculateClickToRepaint)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

/// The clicks after the first, with the table of an earlier click in the grid.
void BM_CalculateClickToRepaint(benchmark::State& state) {
    ClickWindow window;
    window.Click(); // the table of an earlier click, as the user has it
    for (auto _ : state) {
        window.Click();
    }
    state.counters["rows"] = window.Form().PlanningGrid->Cells().RowCount();
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
