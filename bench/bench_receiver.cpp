// What the running program costs with the Receiver window open on an
// RTL-SDR's 2.4 MS/s (the aim: under a quarter of one core): the simulated
// SDR, a real SoapySDR module delivering in real time, read by the window's
// runner through the averaged spectrum (4096 bins), the strip chart and the
// spectrum drawn on the offscreen platform, the power log written; with the
// main window and its 50 ms real-time display beside it. Each run lasts
// 20 s of wall time; "cores" is the process's CPU time (every thread, from
// getrusage) over that time, 1.0 being one core busy.
//
// The simulated SDR makes its samples in the process. Drawing two Gaussian
// numbers a sample costs about a core at 2.4 MS/s, far more than a real
// SDR's driver, which only converts and copies: here it reads them from a
// table drawn at the start (noise_table), and BM_SimulatedSdrAlone reads
// the simulated SDR with nothing else, so that what is the simulation and
// what is the program can be told apart.

#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "mainwin/MainWindow.h"
#include "receiverwin/ReceiverWindow.h"
#include "station/UserMessages.h"

#include "SimReceiver.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <SoapySDR/Device.hpp>
#include <SoapySDR/Formats.hpp>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <complex>
#include <cstdlib>
#include <vector>

namespace {

using namespace vantrel;

constexpr int kRunMs = 20000;

/// CPU time of the whole process so far, seconds.
double ProcessCpuS() {
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    const auto s = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return s(use.ru_utime) + s(use.ru_stime);
}

class SilentMessages final : public UserMessages {
public:
    void Warning(std::string_view, std::string_view) override {}
    void Information(std::string_view, std::string_view) override {}
    void Error(std::string_view) override {}
    bool Question(std::string_view, std::string_view) override { return false; }
    void PlaceNext(int, int) override {}
};

/// Runs the event loop for `ms`; the share of one core used meanwhile.
double CoresOver(int ms) {
    const double cpu0 = ProcessCpuS();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop; // waits for events as the program's own loop does
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return (ProcessCpuS() - cpu0) / (static_cast<double>(wall.elapsed()) / 1000.0);
}

/// state.range(0): τ in tenths of a second; range(1): 1 with the main window.
void BM_ReceiverWindowAt2_4MSps(benchmark::State& state) {
    testing::SimReceiver sim;
    const std::string args = sim.Args("noise_table=4194304");
    QTemporaryDir dir;
    ObservingConditions conditions;
    HomeStation station;
    station.Latitude = 52.2L;
    station.Longitude = -1.5L;
    SilentMessages messages;
    SystemLocalClock clock;
    OrbexSunMoon library;
    SystemDaylightRules daylight;
    MainWindowServices m;
    m.Station = &station;
    m.Messages = &messages;
    m.Clock = &clock;
    m.Library = &library;
    m.Daylight = &daylight;
    m.WorkingDirectory = dir.path().toStdString();
    m.Conditions = &conditions;
    std::unique_ptr<TForm1> form;
    if (state.range(1) != 0) {
        form = std::make_unique<TForm1>(m);
        form->show();
    }
    ReceiverWindowServices services;
    services.Conditions = &conditions;
    services.Directory = dir.path();
    ReceiverWindow w(services);
    w.show();
    w.Input->setCurrentIndex(static_cast<int>(ReceiverInput::Sdr));
    w.SdrDevice->setEditText(QString::fromStdString(args));
    emit w.SdrDevice->lineEdit()->editingFinished();
    w.SdrRate->setText(QStringLiteral("2400000"));
    w.Tau->setText(QString::number(static_cast<double>(state.range(0)) / 10.0));
    w.StartClick();
    CoresOver(2000); // opened, the first blocks drawn
    double cores = 0;
    for (auto _ : state) {
        cores = CoresOver(kRunMs);
    }
    state.counters["cores"] = cores;
    state.counters["blocks"] = static_cast<double>(w.StripPoints());
    w.StopClick();
    if (!w.Status().LastError.empty()) {
        state.SkipWithError(w.Status().LastError.c_str());
    }
}
BENCHMARK(BM_ReceiverWindowAt2_4MSps)
    ->ArgNames({"tau_tenths", "main_window"})
    ->Args({10, 1})
    ->Args({1, 1})
    ->Args({10, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

/// The simulated SDR alone: read at 2.4 MS/s in real time, the samples
/// dropped.
void BM_SimulatedSdrAlone(benchmark::State& state) {
    testing::SimReceiver sim;
    SoapySDR::Device* device = SoapySDR::Device::make(sim.Args("noise_table=4194304"));
    device->setSampleRate(SOAPY_SDR_RX, 0, 2.4e6);
    SoapySDR::Stream* stream = device->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32);
    device->activateStream(stream);
    std::vector<std::complex<float>> buffer(device->getStreamMTU(stream));
    double cores = 0;
    for (auto _ : state) {
        const double cpu0 = ProcessCpuS();
        QElapsedTimer wall;
        wall.start();
        while (wall.elapsed() < kRunMs) {
            void* buffers[] = {buffer.data()};
            int flags = 0;
            long long time = 0;
            device->readStream(stream, buffers, buffer.size(), flags, time, 100000);
        }
        cores = (ProcessCpuS() - cpu0) / (static_cast<double>(wall.elapsed()) / 1000.0);
    }
    state.counters["cores"] = cores;
    device->deactivateStream(stream);
    device->closeStream(stream);
    SoapySDR::Device::unmake(device);
}
BENCHMARK(BM_SimulatedSdrAlone)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
