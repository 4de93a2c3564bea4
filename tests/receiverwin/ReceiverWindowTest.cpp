// The Receiver window with real inputs: the simulated SDR as a real SoapySDR
// module (its control file rewritten while it runs), a shell command as a
// power meter; the Measure window taking its Y-factor, the main window's
// real-time display beside it, and the power log in a folder of the test's
// own.

#include "receiverwin/ReceiverWindow.h"

#include "mainwin/MainWindow.h"
#include "measure/MeasureConstants.h"
#include "measurewin/MeasureWindow.h"
#include "radiometer/PowerLog.h"
#include "receiverwin/ReceiverSettings.h"
#include "receiverwin/ReceiverYPanel.h"

#include "../RecordingMessages.h"
#include "../TickRhythm.h"
#include "../WindowHarness.h"
#include "SimReceiver.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace vantrel {

namespace {

constexpr int kMoonRow = 7;

} // namespace

class ReceiverWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ObservingConditions conditions_;
    test::SetClock clock_{EncodeDateTime(2026, 12, 9, 20, 0, 0)};
    test::KnownSunMoon library_;
    HomeStation station_;
    RecordingMessages messages_;
    FixedDaylight daylight_{false};

    ReceiverWindowServices Services() {
        ReceiverWindowServices s;
        s.Conditions = &conditions_;
        s.Directory = dir_.path();
        s.Retry.First = std::chrono::milliseconds(200);
        s.Retry.Longest = std::chrono::milliseconds(500);
        return s;
    }
    /// The simulated SDR at `rate`, blocks of `tau` seconds.
    static void ChooseSdr(ReceiverWindow& w, const std::string& args, const char* rate,
                          const char* tau) {
        w.Input->setCurrentIndex(static_cast<int>(ReceiverInput::Sdr));
        w.SdrDevice->setEditText(QString::fromStdString(args));
        emit w.SdrDevice->lineEdit()->editingFinished();
        test::Type(w.SdrFrequency, QString());
        test::Type(w.SdrRate, QLatin1String(rate));
        test::Type(w.SdrGain, QString());
        test::Type(w.SdrBand, QString());
        test::Type(w.Tau, QLatin1String(tau));
    }
    /// Waits for `count` blocks more than there are now.
    static bool WaitForBlocks(ReceiverWindow& w, int count, int ms) {
        const int from = w.StripPoints();
        return test::WaitFor([&] { return w.StripPoints() >= from + count; }, ms);
    }

private slots:
    void init() {
        conditions_ = ObservingConditions{};
        conditions_.FrequencyMHz = 1296;
        QFile::remove(dir_.filePath(QStringLiteral("Vanset.ini")));
        QFile::remove(dir_.filePath(QLatin1String(kPowerLogName)));
    }

    /// A session as a user has it: blocks of the simulated SDR follow in the
    /// readout and the strip chart; Reference on cold sky, a +3 dB step
    /// (the source) gives Y = 3.00 dB within its σ; "Use this Y" gives G/T
    /// in the Measure window; the power log has every block, marked, with
    /// the tracked source and the rotator's position.
    void aMeasurementWithTheSimulatedSdr() {
        testing::SimReceiver sim;
        sim.Control("power_db=-30");
        MeasureWindow measure(conditions_, station_, library_, clock_, messages_, dir_.path());
        measure.Source->setCurrentIndex(kMoonRow);
        std::optional<BlockPointing> pointing = BlockPointing{"moon", 123.45, 33.3};
        ReceiverWindowServices services = Services();
        services.Pointing = [&pointing] { return pointing; };
        services.YTarget = [&measure] { return measure.SourceTitle(); };
        services.UseY = [&measure](const YEstimate& y) {
            measure.TakeMeasuredY(TakenY{y.YDb, y.SigmaDb, y.Method, y.FirstUtc, y.LastUtc});
        };
        ReceiverWindow w(services);
        w.show();
        ChooseSdr(w, sim.Args(), "2400000", "0.5");
        test::Type(w.SdrBand, QStringLiteral("-500000:500000"));
        w.Mark->setCurrentIndex(2); // off source: cold sky
        QVERIFY(!w.UseYButton->isEnabled());
        w.StartClick();
        QVERIFY(w.IsRunning());
        QVERIFY2(WaitForBlocks(w, 2, 8000), qPrintable(w.State->text() + w.ErrorText->text()));
        QVERIFY(w.FrequencyText->isHidden()); // tuned to the observing frequency
        // What a block measures is said: the spectrum's band, and that
        // whole frames make a block 0.5 s long.
        QVERIFY2(w.State->text().contains(QStringLiteral(
                     "spectral: an averaged spectrum of 4096 bins (585.94 Hz each), the band "
                     "-500000:500000 Hz")),
                 qPrintable(w.State->text()));
        QCOMPARE(w.Status().Stream.FrequencyMHz, 1296.0);

        // The readout is the block shown, the strip chart has every block.
        // The band measured, ±500 kHz of 2.4 MHz in 4096 bins of 585.9 Hz,
        // holds the bins |k| <= 853 but the five around 0 Hz: 1702 bins of
        // noise at -30 dBFS over the whole sampled band.
        const double bandDb = -30.0 + 10.0 * std::log10(1702.0 / 4096.0);
        const PowerBlock first = *w.Present();
        QVERIFY2(std::abs(first.PowerDb - bandDb) < 6 * first.SigmaDb + 0.002,
                 qPrintable(QStringLiteral("%1 dB, %2 expected").arg(first.PowerDb).arg(bandDb)));
        QVERIFY(first.SigmaDb > 0 && first.SigmaDb < 0.02);
        QVERIFY2(w.Power->text().startsWith(QString::number(first.PowerDb, 'f', 3) +
                                            QStringLiteral(" dBFS")),
                 qPrintable(w.Power->text()));
        QVERIFY(w.Detail->text().contains(QString::number(first.SigmaDb, 'f', 4)));
        QVERIFY(w.SpectrumPoints() > 100);
        QCOMPARE(static_cast<std::uint64_t>(w.StripPoints()), w.Status().Blocks);

        w.ReferenceClick();
        // The reference is every block so far, on cold sky.
        QVERIFY(w.Reference()->UtcStart < first.UtcStart);
        QCOMPARE(w.Reference()->UtcEnd, first.UtcEnd);
        QVERIFY(std::abs(w.Reference()->PowerDb - bandDb) < 0.02);
        QVERIFY2(w.ReferenceText->text().contains(QString::number(w.Reference()->PowerDb, 'f', 3)),
                 qPrintable(w.ReferenceText->text()));
        QVERIFY2(w.YNote->text().contains(QStringLiteral("not above")) ||
                     !w.UseYButton->isEnabled() || w.LiveY()->YDb > 0,
                 qPrintable(w.YNote->text()));

        // The source: 3 dB more. A block that began before the step is
        // between; the second after it is all source.
        w.Mark->setCurrentIndex(1);
        sim.Control("power_db=-27");
        QVERIFY(test::WaitFor([&] { return w.LiveY() && w.LiveY()->YDb > 2.5; }, 5000));
        QVERIFY(WaitForBlocks(w, 1, 3000));
        // From here to Use this Y no event is taken: a block finished
        // meanwhile is taken now, so the Y read is the one used.
        w.TakeNews();
        const YEstimate y = *w.LiveY();
        qInfo("Y %.4f dB, sigma %.4f dB", y.YDb, y.SigmaDb);
        QVERIFY2(std::abs(y.YDb - 3.0) < 3 * y.SigmaDb,
                 qPrintable(QStringLiteral("Y %1 sigma %2").arg(y.YDb).arg(y.SigmaDb)));
        QVERIFY(y.SigmaDb < 0.02);
        QVERIFY(w.LiveYText->text().contains(QString::number(y.YDb, 'f', 3)));
        QVERIFY(w.YNote->text().contains(QStringLiteral("Moon")));
        test::Shoot(w, "receiver-running.png");

        QVERIFY(w.UseYButton->isEnabled());
        const PowerBlock used = *w.Present();
        pointing.reset(); // tracking ended: later blocks point nowhere
        w.Refresh();      // handed to the worker now, not at the next refresh
        w.UseYClick();
        QCOMPARE(measure.MeasuredY->text(), QString::number(y.YDb, 'f', 3));
        QVERIFY(measure.MeasuredYSigma->isVisibleTo(&measure));
        QCOMPARE(measure.MeasuredYSigma->text(),
                 QStringLiteral("\u00b1 %1 dB").arg(y.SigmaDb, 0, 'f', 3));
        QVERIFY2(measure.GOverT->text().startsWith(QStringLiteral("G/T ")) &&
                     measure.GOverT->text().contains(QStringLiteral("\u00b1")),
                 qPrintable(measure.GOverT->text()));
        // Typed over, the Y has no σ any more.
        measure.MeasuredY->setText(QStringLiteral("2.5"));
        QVERIFY(measure.MeasuredYSigma->isHidden());
        QVERIFY(!measure.GOverT->text().contains(QStringLiteral("\u00b1")));

        // Samples lost: said, the block dropped, the input goes on.
        sim.Control("power_db=-27\noverflows=1");
        QVERIFY(test::WaitFor(
            [&] { return w.Messages->toPlainText().contains(QStringLiteral("overflowed")); },
            3000));
        QVERIFY(WaitForBlocks(w, 1, 3000));
        QVERIFY(w.ErrorText->isHidden());

        // The observing frequency changed elsewhere: the SDR is still tuned
        // to the old one, and the window says so.
        conditions_.FrequencyMHz = 2320;
        w.ShowFrequency();
        QVERIFY(w.FrequencyText->isVisibleTo(&w));
        QVERIFY2(w.FrequencyText->text().contains(QStringLiteral("tuned to 1296 MHz")) &&
                     w.FrequencyText->text().contains(QStringLiteral("2320 MHz")),
                 qPrintable(w.FrequencyText->text()));
        w.StopClick();
        QVERIFY(!w.IsRunning());
        QVERIFY(w.FlushLog(5000));

        PowerLog log;
        QVERIFY(!ReadPowerLog(w.LogPath().toStdString(), log));
        QVERIFY(log.Skipped.empty());
        QCOMPARE(static_cast<qsizetype>(log.Records.size()),
                 static_cast<qsizetype>(w.StripPoints()));
        int references = 0;
        int ons = 0;
        for (const PowerRecord& r : log.Records) {
            QCOMPARE(r.Input, std::string("sdr"));
            QCOMPARE(r.FrequencyMHz, std::optional<double>(1296.0)); // where it was tuned
            // What the reading depends on: the device, its rate and gain, the
            // band, B and τ.
            QCOMPARE(r.Device, sim.Args());
            QCOMPARE(r.RateSps, std::optional<double>(2400000.0));
            QVERIFY(r.GainDb.has_value());
            QCOMPARE(r.BandHz, std::string("-500000:500000"));
            QVERIFY(r.NoiseBandwidthHz && *r.NoiseBandwidthHz > 9e5 && *r.NoiseBandwidthHz < 1e6);
            QVERIFY(r.TauS && std::abs(*r.TauS - 0.5) < 0.01);
            QVERIFY(r.SigmaDb.has_value());
            if (r.UtcStart == PowerLogTime(first.UtcStart)) {
                QCOMPARE(r.Mark, PowerMark::Reference);
                QCOMPARE(r.PowerDb, std::round(first.PowerDb * 1000) / 1000);
                ++references;
            } else if (r.UtcStart == PowerLogTime(used.UtcStart)) {
                QCOMPARE(r.Mark, PowerMark::On);
                ++ons;
            } else {
                QVERIFY(r.Mark == PowerMark::Off || r.Mark == PowerMark::On);
            }
            if (r.UtcStart < PowerLogTime(used.UtcStart)) {
                QCOMPARE(r.Source, std::string("moon"));
                QCOMPARE(r.AzimuthDeg, std::optional<double>(123.45));
            } else if (r.UtcStart > PowerLogTime(used.UtcStart)) {
                QCOMPARE(r.Source, std::string()); // no longer tracking
            }
        }
        QCOMPARE(references, 1);
        QCOMPARE(ons, 1);

        // The input and its settings are kept for the next run.
        const ReceiverSetup kept = LoadReceiverSetup(dir_.path());
        QCOMPARE(kept, w.Setup());
        QCOMPARE(kept.Sdr.DeviceArgs, sim.Args());
        QCOMPARE(kept.TauS, 0.5);
        QVERIFY(!kept.Sdr.FrequencyMHz);

        // Lent to the Scan window: the input stops here and cannot be
        // started again until it comes back (one device, one reader).
        if (!w.IsRunning()) {
            w.StartClick();
        }
        QVERIFY(w.IsRunning());
        w.Lend(QStringLiteral("Scan"));
        QVERIFY(!w.IsRunning());
        QVERIFY(!w.StartButton->isEnabled());
        w.StartClick();
        QVERIFY(!w.IsRunning());
        w.TakeBack();
        QVERIFY(w.StartButton->isEnabled());
    }

    /// A receiver whose gain wanders (0.05 dB/√s): the live Y against a
    /// reference and the off-on-off sequence, guided step by step, each
    /// with a σ that covers the error (the strict statistics are
    /// YUncertaintyTest's); Use this Y takes Y, σ, method and the blocks'
    /// span to the Measure window, whose Log keeps them, and the blocks it
    /// rests on are flagged used in the power log.
    void aWanderingGainIsCoveredByTheSigma() {
        testing::SimReceiver sim;
        sim.Control("power_db=-30");
        MeasureWindow measure(conditions_, station_, library_, clock_, messages_, dir_.path());
        QFile::remove(measure.LogPath());
        measure.Source->setCurrentIndex(kMoonRow);
        ReceiverWindowServices services = Services();
        services.YTarget = [&measure] { return measure.SourceTitle(); };
        services.UseY = [&measure](const YEstimate& y) {
            measure.TakeMeasuredY(TakenY{y.YDb, y.SigmaDb, y.Method, y.FirstUtc, y.LastUtc});
        };
        // Tracking the Moon with a 2° beam, the rotator 0.05° from it until
        // it slips to 0.5° (0.25 HPBW) for the off-on-off.
        std::optional<BlockPointing> pointing = BlockPointing{"moon", 180.0, 30.05};
        services.Pointing = [&pointing] { return pointing; };
        services.BeamwidthDeg = [] { return std::optional<double>(2.0); };
        services.SourcePlace = [](const std::string& key, DateTime) {
            return key == "moon" ? std::optional(std::pair{180.0, 30.0}) : std::nullopt;
        };
        ReceiverWindow w(services);
        w.show();
        ChooseSdr(w, sim.Args("gain_walk_db=0.05,gain_walk_seed=3"), "1000000", "0.2");
        w.StartClick();
        QVERIFY(WaitForBlocks(w, 6, 8000));
        w.ReferenceClick();
        QVERIFY(w.ReferenceText->text().contains(QStringLiteral("mean of")));
        sim.Control("power_db=-27");
        QVERIFY(WaitForBlocks(w, 7, 8000));
        w.TakeNews();
        const YEstimate live = *w.LiveY();
        qInfo("live Y %.4f +- %.4f dB (%s; radiometer %.4f)", live.YDb, live.SigmaDb,
              live.Method.c_str(), live.RadiometerSigmaDb);
        QVERIFY(std::abs(live.YDb - 3.0) < 3.0 * live.SigmaDb);
        QVERIFY(live.SigmaDb > live.RadiometerSigmaDb); // not the radiometer's floor
        QVERIFY(live.Blocks >= 6 + 4);                  // the moving block left out
        QVERIFY2(w.YPanel->MethodText->text().contains(QString::fromStdString(live.Method)),
                 qPrintable(w.YPanel->MethodText->text()));

        QVERIFY(w.YPanel->OffSource->isHidden()); // 0.025 HPBW: on the source

        // Off-on-off, as the prompts say.
        pointing->ElevationDeg = 30.5;
        w.Refresh();
        QPushButton* step = w.YPanel->SequenceButton;
        sim.Control("power_db=-30");
        step->click();
        QVERIFY(w.YPanel->Prompt->text().startsWith(QStringLiteral("1 of 3")));
        QCOMPARE(step->text(), QStringLiteral("Off taken"));
        step->click(); // too soon: no block yet, the step stays
        QVERIFY(w.YPanel->Prompt->text().startsWith(QStringLiteral("1 of 3")));
        QVERIFY(WaitForBlocks(w, 6, 8000));
        step->click();
        QVERIFY(w.YPanel->Prompt->text().startsWith(QStringLiteral("2 of 3")));
        QVERIFY(!w.UseYButton->isEnabled());
        sim.Control("power_db=-27");
        QVERIFY(WaitForBlocks(w, 7, 8000));
        w.TakeNews();
        QVERIFY(w.LiveY() && std::abs(w.LiveY()->YDb - 3.0) < 0.5); // against the first off
        test::Shoot(w, "receiver-off-on-off-step.png");
        step->click();
        QVERIFY(w.YPanel->Prompt->text().startsWith(QStringLiteral("3 of 3")));
        sim.Control("power_db=-30");
        QVERIFY(WaitForBlocks(w, 7, 8000));
        w.TakeNews();
        step->click();
        QCOMPARE(w.YPanel->Core().SequenceStep(), LiveYFactor::Step::Done);
        const YEstimate y = *w.LiveY();
        qInfo("off-on-off Y %.4f +- %.4f dB (%s), %d blocks", y.YDb, y.SigmaDb, y.Method.c_str(),
              y.Blocks);
        QVERIFY(y.Method.starts_with("off-on-off, "));
        QVERIFY(std::abs(y.YDb - 3.0) < 3.0 * y.SigmaDb);
        QVERIFY(w.LiveYText->text().contains(QString::number(y.YDb, 'f', 3)));
        QVERIFY(w.UseYButton->isEnabled());
        test::Shoot(w, "receiver-off-on-off.png");

        QVERIFY2(w.YPanel->OffSource->isVisibleTo(&w) &&
                     w.YPanel->OffSource->text().contains(QStringLiteral("0.25 HPBW")),
                 qPrintable(w.YPanel->OffSource->text()));
        w.UseYClick();
        QVERIFY(
            w.Messages->toPlainText().contains(QStringLiteral("Warning: The antenna was 0.25")));
        QCOMPARE(measure.MeasuredY->text(), QString::number(y.YDb, 'f', 3));
        measure.LogClick();
        measure::MeasurementLog kept;
        QVERIFY(!measure::ReadMeasurementLog(measure.LogPath().toStdString(), kept));
        QCOMPARE(kept.Records.size(), std::size_t{1});
        const measure::MeasurementRecord& r = kept.Records.back();
        QCOMPARE(r.Method, y.Method);
        QVERIFY(r.YSigmaDb && std::abs(*r.YSigmaDb - y.SigmaDb) < 0.0001);
        QVERIFY(r.GOverTSigmaDb && *r.GOverTSigmaDb > 0);
        QCOMPARE(r.BlocksUtcStart, PowerLogTime(y.FirstUtc));
        QCOMPARE(r.BlocksUtcEnd, PowerLogTime(y.LastUtc));

        w.StopClick();
        QVERIFY(w.FlushLog(5000));
        // The blocks used are flagged on a thread of their own.
        PowerLog log;
        int used = 0;
        const bool flagged = test::WaitFor(
            [&] {
                log = {};
                used = 0;
                if (ReadPowerLog(w.LogPath().toStdString(), log)) {
                    return false;
                }
                for (const PowerRecord& p : log.Records) {
                    used += p.Used ? 1 : 0;
                }
                return used == y.Blocks;
            },
            5000);
        QVERIFY2(flagged, qPrintable(QStringLiteral("%1 used of %2").arg(used).arg(y.Blocks)));
        QVERIFY(log.Skipped.empty());
        for (const PowerRecord& p : log.Records) {
            if (p.Used) {
                QVERIFY(p.UtcStart >= PowerLogTime(y.FirstUtc) &&
                        p.UtcEnd <= PowerLogTime(y.LastUtc));
            }
        }
    }

    /// Vanset.ini edited by hand: a refused value takes its key's default,
    /// an empty frequency, gain or band is the choice it stands for, and
    /// what the window stores reads back the same.
    void storedValuesThatAreRefusedTakeTheirDefaults() {
        {
            QSettings ini(dir_.filePath(QStringLiteral("Vanset.ini")), QSettings::IniFormat);
            const std::pair<const char*, const char*> values[] = {
                {"Input", "audio"},
                {"SdrRateHz", "abc"},
                {"SdrFrequencyMHz", "-5"},
                {"SdrGainDb", "300"},
                {"SdrBand", "2700:300"},
                {"AudioBand", ""},
                {"AudioRateHz", "44100.5"},
                {"AudioChannel", "2"},
                {"TauS", "0"},
                {"Bins", "15"},
                {"CommandUnit", "dbw"},
                {"RfiFilter", "yes"},
                {"RigModel", "1"},
                {"CommandPollS", "-2"},
            };
            for (const auto& [key, value] : values) {
                ini.setValue(QStringLiteral("Receiver/%1").arg(QLatin1String(key)),
                             QLatin1String(value));
            }
        }
        const ReceiverSetup d;
        const ReceiverSetup s = LoadReceiverSetup(dir_.path());
        QCOMPARE(s.Input, ReceiverInput::Audio);
        QCOMPARE(s.Sdr.RateHz, d.Sdr.RateHz);
        QVERIFY(!s.Sdr.FrequencyMHz);
        QVERIFY(!s.Sdr.GainDb);
        QCOMPARE(s.SdrBand, d.SdrBand);
        QVERIFY(!s.AudioBand); // empty: the whole band, as chosen
        QCOMPARE(s.Audio.RateHz, d.Audio.RateHz);
        QCOMPARE(s.Audio.Channel, 2u);
        QCOMPARE(s.TauS, d.TauS);
        QCOMPARE(s.Bins, d.Bins);
        QCOMPARE(s.Command.Unit, d.Command.Unit);
        QCOMPARE(s.RfiFilter, d.RfiFilter);
        QCOMPARE(s.Rig.Model, 1);
        QCOMPARE(s.Command.PollS, 0.0);

        ReceiverWindow w(Services());
        QCOMPARE(w.Setup(), s);
        QCOMPARE(w.Pages->currentIndex(), static_cast<int>(ReceiverInput::Audio));
        // A refused value stays in its field with its reason, and never
        // reaches Vanset.ini.
        test::Type(w.AudioRate, QStringLiteral("8000"));
        test::Type(w.Tau, QStringLiteral("0,5"));
        QVERIFY(!w.Problem(w.Tau).isEmpty());
        QCOMPARE(w.Setup().TauS, d.TauS);
        const ReceiverSetup kept = LoadReceiverSetup(dir_.path());
        QCOMPARE(kept, w.Setup());
        QCOMPARE(kept.Audio.RateHz, 8000u);
        // A polled meter's interval is kept when set, and its key goes
        // again when it is emptied: a Vanset.ini without one stays as it was.
        const auto pollKey = [this] {
            return QSettings(dir_.filePath(QStringLiteral("Vanset.ini")), QSettings::IniFormat)
                .contains(QStringLiteral("Receiver/CommandPollS"));
        };
        test::Type(w.CommandPoll, QStringLiteral("2.5"));
        QCOMPARE(LoadReceiverSetup(dir_.path()).Command.PollS, 2.5);
        test::Type(w.CommandPoll, QString());
        QCOMPARE(LoadReceiverSetup(dir_.path()).Command.PollS, 0.0);
        QVERIFY(!pollKey());
        w.StartClick();
        QVERIFY(!w.IsRunning());
        QVERIFY(w.ErrorText->text().contains(QStringLiteral("refused")));
    }

    /// An input that fails is said in a sentence and retried (or stopped
    /// when a setting is refused); it is never silently wrong.
    void anInputErrorIsSaidAndRecoveredFrom_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("recovers");
        QTest::newRow("SDR unplugged, plugged in again") << 0 << QStringLiteral("SDR") << true;
        QTest::newRow("a sample rate the SDR refuses")
            << 1 << QStringLiteral("sample rate") << false;
        QTest::newRow("a meter's words, then its end")
            << 2 << QStringLiteral("exited with status 3") << true;
    }
    void anInputErrorIsSaidAndRecoveredFrom() {
        QFETCH(int, kind);
        QFETCH(QString, said);
        QFETCH(bool, recovers);
        testing::SimReceiver sim;
        ReceiverWindow w(Services());
        w.show();
        if (kind == 2) {
            w.Input->setCurrentIndex(static_cast<int>(ReceiverInput::Command));
            test::Type(w.Command,
                       QStringLiteral("echo overrange; echo -40.5; echo -40.5; sleep 0.3; exit 3"));
            test::Type(w.Tau, QStringLiteral("0.1"));
        } else {
            ChooseSdr(w, sim.Args(), kind == 1 ? "20000000" : "2400000", "0.2");
        }
        w.StartClick();
        if (kind == 0) {
            QVERIFY(WaitForBlocks(w, 1, 5000));
            sim.Control("present=0");
        }
        QVERIFY2(test::WaitFor([&] { return w.ErrorText->isVisible(); }, 5000),
                 qPrintable(w.State->text()));
        qInfo("%s", qPrintable(w.ErrorText->text()));
        QVERIFY2(w.ErrorText->text().contains(said), qPrintable(w.ErrorText->text()));
        QVERIFY(w.ErrorText->text().endsWith(QLatin1Char('.')));
        // The status and the runner's events arrive on their own paths.
        QVERIFY(test::WaitFor(
            [&] { return w.Messages->toPlainText().contains(QStringLiteral("Error: ")); }, 3000));
        if (kind == 0) {
            test::Shoot(w, "receiver-error.png");
        }
        if (kind == 2) {
            // The words are said, never taken as a reading.
            QVERIFY(w.Messages->toPlainText().contains(QStringLiteral("overrange")));
            QVERIFY(test::WaitFor([&] { return w.Present().has_value(); }, 3000));
            QCOMPARE(w.Present()->PowerDb, -40.5);
        }
        if (!recovers) {
            QVERIFY(test::WaitFor([&] { return !w.IsRunning(); }, 3000));
            QVERIFY(w.State->text().startsWith(QStringLiteral("Stopped: the input refused")));
            QVERIFY(w.StartButton->isEnabled());
            QVERIFY(!w.Present());
            return;
        }
        QVERIFY(w.IsRunning());
        if (kind == 0) {
            QVERIFY(test::WaitFor(
                [&] { return w.State->text().startsWith(QStringLiteral("Waiting")); }, 3000));
            const DateTime before = w.Present()->UtcEnd;
            sim.Control("present=1");
            QVERIFY(test::WaitFor(
                [&] { return w.Present()->UtcStart > before && w.ErrorText->isHidden(); }, 8000));
            QVERIFY(w.State->text().startsWith(QStringLiteral("Running")));
        } else {
            // Started again after its end.
            QVERIFY(test::WaitFor(
                [&] { return w.Messages->toPlainText().count(QStringLiteral("Opened: ")) >= 2; },
                5000));
        }
        w.StopClick();
        QVERIFY(!w.IsRunning());
        if (kind == 2) {
            // Another input, in another unit: the strip chart starts anew
            // rather than join dBm to dBFS.
            QVERIFY(w.StripPoints() > 0);
            ChooseSdr(w, sim.Args("power_db=-50"), "250000", "0.2");
            w.StartClick();
            QVERIFY(test::WaitFor([&] { return w.Present() && w.Present()->PowerDb < -45; }, 5000));
            QCOMPARE(static_cast<std::uint64_t>(w.StripPoints()), w.Status().Blocks);
            w.StopClick();
        }
    }

    /// The SDR's own settings, gain elements and frequency correction, by
    /// the names its module gives: the messages list what it offers, the
    /// state reads back what was set, the gain is in the power, and
    /// Vanset.ini keeps them.
    void sdrSettingsByTheDevicesOwnNames() {
        testing::SimReceiver sim;
        ReceiverWindow w(Services());
        w.show();
        ChooseSdr(w, sim.Args("power_db=-40"), "250000", "0.2");
        test::Type(w.SdrSettings, QStringLiteral("biastee=true, direct_samp=1"));
        test::Type(w.SdrGainElements, QStringLiteral("LNA=12"));
        test::Type(w.SdrPpm, QStringLiteral("-2.5"));
        w.StartClick();
        QVERIFY2(test::WaitFor([&] { return w.Present().has_value(); }, 5000),
                 qPrintable(w.State->text() + w.ErrorText->text()));
        QVERIFY2(w.Messages->toPlainText().contains(QStringLiteral(
                     "The SDR offers the settings biastee (Bias-T): true, false, direct_samp "
                     "(Direct sampling): 0, 1, 2; the gain elements LNA 0-30 dB, MIX 0-10 dB, "
                     "VGA 0-10 dB; the sample rates 250000, 1024000, 2048000, 2400000 S/s.")),
                 qPrintable(w.Messages->toPlainText()));
        test::Shoot(w, "receiver-sdr-settings.png");
        const std::string summary = w.Status().Stream.Summary;
        QVERIFY2(
            summary.find("(LNA 12.0 MIX 0.0 VGA 0.0), -2.5 ppm, biastee=true, direct_samp=1") !=
                std::string::npos,
            summary.c_str());
        // −40 dBFS and 12 dB of LNA, over the band less 10 % at each edge.
        const double expected = -40 + 12 + 10 * std::log10(0.8);
        QVERIFY2(std::abs(w.Present()->PowerDb - expected) < 0.3,
                 qPrintable(QString::number(w.Present()->PowerDb)));
        w.StopClick();
        const ReceiverSetup kept = LoadReceiverSetup(dir_.path());
        QCOMPARE(kept.Sdr.Settings, (std::vector<std::pair<std::string, std::string>>{
                                        {"biastee", "true"}, {"direct_samp", "1"}}));
        QCOMPARE(kept.Sdr.GainElements.size(), std::size_t{1});
        QCOMPARE(kept.Sdr.PpmCorrection, std::optional<double>(-2.5));
        // A name the device does not have stops with those it has.
        test::Type(w.SdrSettings, QStringLiteral("agc=1"));
        w.StartClick();
        QVERIFY(test::WaitFor([&] { return !w.IsRunning(); }, 5000));
        QVERIFY2(w.ErrorText->text().contains(QStringLiteral("no setting 'agc'. It has: biastee")),
                 qPrintable(w.ErrorText->text()));
    }

    /// A meter script that hangs after its first readings: within the
    /// bound (10 s here, on a clock four times the wall's) the state says
    /// how long nothing came, not "Running", and the readout is greyed.
    void aSilentMeterIsSaidAndItsReadingGreyed() {
        ReceiverWindowServices services = Services();
        QElapsedTimer wall;
        wall.start();
        services.UtcNow = [&wall] { return 46000.0 + 4.0 * wall.elapsed() / 1000.0 / 86400.0; };
        ReceiverWindow w(services);
        w.show();
        w.Input->setCurrentIndex(static_cast<int>(ReceiverInput::Command));
        test::Type(w.Command, QStringLiteral("echo -61.5; echo -61.7; echo -61.4; exec sleep 60"));
        test::Type(w.Tau, QStringLiteral("1"));
        w.StartClick();
        QVERIFY2(test::WaitFor([&] { return w.Present().has_value(); }, 3000),
                 qPrintable(w.State->text()));
        QVERIFY(w.Power->styleSheet().isEmpty());
        QVERIFY2(
            test::WaitFor(
                [&] { return w.State->text().startsWith(QStringLiteral("No reading for 12 s")); },
                6000),
            qPrintable(w.State->text()));
        QVERIFY(!w.State->text().contains(QStringLiteral("Running")));
        QVERIFY(w.Power->styleSheet().contains(QStringLiteral("#808080")));
        test::Shoot(w, "receiver-silent.png");
        w.StopClick();
    }

    /// A meter that stops for a while and comes back: the strip chart's
    /// line breaks over the time without blocks instead of joining across.
    void theStripChartBreaksWhereNoBlocksCame() {
        ReceiverWindow w(Services());
        w.show();
        w.Input->setCurrentIndex(static_cast<int>(ReceiverInput::Command));
        test::Type(w.Command, QStringLiteral("for i in 1 2 3 4 5 6; do echo -50; sleep 0.05; done; "
                                             "sleep 1; while true; do echo -49; sleep 0.05; done"));
        test::Type(w.Tau, QStringLiteral("0.1"));
        w.StartClick();
        QVERIFY2(test::WaitFor([&] { return w.Present() && w.Present()->PowerDb > -49.5; }, 5000),
                 qPrintable(w.State->text()));
        QVERIFY(WaitForBlocks(w, 2, 3000));
        w.StopClick();
        QCOMPARE(w.StripSegments(), 2);
        // Every block shown is on the chart, in one segment or the other.
        QCOMPARE(static_cast<std::uint64_t>(w.StripPoints()), w.BlocksLogged());
    }

    /// Blocks that wait for an unwritable power log at the end: the window
    /// says why instead of "Blocks are appended"; the end waits for them
    /// and writes them once the folder is mended, or, when the user exits
    /// without them, says how many are lost.
    void theEndWaitsForTheLogOrSaysTheLoss_data() {
        QTest::addColumn<bool>("mended");
        QTest::newRow("the folder mended: nothing lost") << true;
        QTest::newRow("exit without them: the loss said") << false;
    }
    void theEndWaitsForTheLogOrSaysTheLoss() {
        QFETCH(bool, mended);
        const QString logPath = dir_.filePath(QLatin1String(kPowerLogName));
        QVERIFY(QDir().mkdir(logPath)); // a folder where the log should be
        ReceiverWindow w(Services());
        w.show();
        w.Input->setCurrentIndex(static_cast<int>(ReceiverInput::Command));
        test::Type(w.Command, QStringLiteral("while true; do echo -50; sleep 0.02; done"));
        test::Type(w.Tau, QStringLiteral("0.1"));
        w.StartClick();
        QVERIFY(WaitForBlocks(w, 4, 5000));
        QVERIFY2(
            test::WaitFor(
                [&] { return w.LogText->text().contains(QStringLiteral("wait to be written")); },
                3000),
            qPrintable(w.LogText->text()));
        QVERIFY(!w.LogText->text().contains(QStringLiteral("are appended")));
        bool dialogSeen = false;
        QTimer::singleShot(700, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (auto* d = qobject_cast<QProgressDialog*>(top); d && d->isVisible()) {
                    dialogSeen = d->labelText().contains(QStringLiteral("wait to be written"));
                    test::Shoot(*d, mended ? "receiver-exit-waits.png" : "receiver-exit-lose.png");
                    if (!mended) {
                        QVERIFY(
                            d->findChild<QPushButton*>()->text().contains(QStringLiteral("lose")));
                        d->cancel();
                    }
                }
            }
            if (mended) {
                QDir().rmdir(logPath);
            }
        });
        w.Shutdown();
        QVERIFY(dialogSeen);
        if (!mended) {
            QVERIFY(QDir().rmdir(logPath));
        }
        PowerLog log;
        QVERIFY(!ReadPowerLog(logPath.toStdString(), log));
        if (mended) {
            QCOMPARE(w.LostAtExit(), std::size_t{0});
            QCOMPARE(static_cast<qsizetype>(log.Records.size()),
                     static_cast<qsizetype>(w.StripPoints()));
        } else {
            QVERIFY(w.LostAtExit() >= 4);
            QVERIFY(log.Records.empty());
        }
    }

    /// The main window's 50 ms real-time display keeps ticking with the
    /// Receiver window open and its strip chart and spectrum running at
    /// 2.4 MS/s.
    void theRealTimeDisplayKeepsItsRhythm() {
        testing::SimReceiver sim;
        MainWindowServices m;
        m.Station = &station_;
        m.Messages = &messages_;
        m.Clock = &clock_;
        m.Library = &library_;
        m.Daylight = &daylight_;
        m.WorkingDirectory = dir_.path().toStdString();
        m.Conditions = &conditions_;
        TForm1 form(m);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.Timer1->isActive());
        ReceiverWindow w(Services());
        form.OnReceiver = [&] { w.OpenBeside(&form); };
        QTest::mouseClick(form.TabSet2, Qt::LeftButton, {},
                          form.TabSet2->TabRect(kReceiverTab).center());
        QVERIFY(w.isVisible());
        // The noise from a table: drawn afresh it costs the simulation a
        // core at this rate, far more than a real SDR's driver.
        ChooseSdr(w, sim.Args("noise_table=1048576"), "2400000", "0.1");
        w.StartClick();
        QVERIFY(WaitForBlocks(w, 3, 5000));
        const int before = w.StripPoints();
        const qint64 gap = test::LoggedOwnTickGap(form.Timer1, 3000);
        qInfo("longest gap between real-time ticks: %lld ms; %d blocks meanwhile", gap,
              w.StripPoints() - before);
        QVERIFY2(gap < test::kLongestTickGapMs, qPrintable(QString::number(gap)));
        QVERIFY(w.StripPoints() - before >= 20); // ten blocks a second, shown
        w.close();                               // closing stops the input
        QVERIFY(!w.IsRunning());
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::ReceiverWindowTest)
#include "ReceiverWindowTest.moc"
