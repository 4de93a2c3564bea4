// Not a test: makes the pictures of the Receiver window to look at, run
// under a real display or Xvfb:
//
//   xvfb-run -s "-screen 0 1280x1024x24" vantrel-receiver-shots FOLDER
//
// The simulated SDR delivers as fast as it can (its clock runs ahead of the
// wall clock), so ten minutes of blocks fill the strip chart in seconds:
// cold sky, the Sun (+3 dB), cold sky and the Sun again, with a spur that
// the RFI filter drops and a DC spike left out. Saves receiver-running.png
// with the reference and the live Y, then receiver-error.png with the SDR
// unplugged.

#include "receiverwin/ReceiverWindow.h"

#include "SimReceiver.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace vantrel;

/// Runs the event loop until `done` or `ms` passed.
template <typename Done> bool WaitFor(Done done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantrel-receiver-shots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    testing::SimReceiver sim;
    sim.Control("power_db=-30");
    QTemporaryDir dir;
    ObservingConditions conditions;
    conditions.FrequencyMHz = 1296;
    ReceiverWindowServices services;
    services.Conditions = &conditions;
    services.Directory = dir.path();
    services.YTarget = [] { return QStringLiteral("Sun"); };
    services.UseY = [](const YEstimate&) {};
    ReceiverWindow w(services);
    w.resize(1100, 800);
    w.show();
    w.Input->setCurrentIndex(static_cast<int>(ReceiverInput::Sdr));
    w.SdrDevice->setEditText(QString::fromStdString(
        sim.Args("noise_table=4194304,realtime=0,spur_db=-50,spur_hz=310000,dc_db=-45")));
    w.SdrRate->setText(QStringLiteral("2400000"));
    w.SdrGain->setText(QStringLiteral("10"));
    w.SdrBand->setText(QStringLiteral("-900000:900000"));
    w.Tau->setText(QStringLiteral("2"));
    w.Rfi->setChecked(true);
    w.Mark->setCurrentIndex(2);
    w.StartClick();
    const auto blocks = [&](int n) {
        const int from = w.StripPoints();
        return WaitFor([&] { return w.StripPoints() >= from + n; }, 120000);
    };
    // Gain 10 dB: the noise at -20 dBFS; the Sun 3 dB above it.
    blocks(80);
    w.ReferenceClick();
    w.Mark->setCurrentIndex(1);
    sim.Control("power_db=-27");
    blocks(70);
    w.Mark->setCurrentIndex(2);
    sim.Control("power_db=-30");
    blocks(70);
    w.Mark->setCurrentIndex(1);
    sim.Control("power_db=-27");
    blocks(60);
    w.UseYClick();
    QApplication::processEvents();
    const bool saved = w.grab().save(folder + QStringLiteral("/receiver-running.png"));
    w.StopClick();
    if (!saved) {
        std::fprintf(stderr, "cannot write into %s\n", argv[1]);
        return 1;
    }

    w.Messages->clear();
    w.Tau->setText(QStringLiteral("1"));
    w.StartClick();
    blocks(3);
    sim.Control("present=0");
    WaitFor([&] { return w.ErrorText->isVisible(); }, 10000);
    QApplication::processEvents();
    w.grab().save(folder + QStringLiteral("/receiver-error.png"));
    w.StopClick();
    return 0;
}
