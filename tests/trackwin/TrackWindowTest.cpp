// The Track window with real rotators on loopback: Hamlib's dummy in the
// process, a real rotctld, a rotctld that never answers and a port nobody
// listens on; the main window's real-time grid beside it.

#include "trackwin/TrackWindow.h"

#include "mainwin/MainWindow.h"
#include "mainwin/RealTimeDisplay.h"
#include "planner/GridLayout.h"
#include "scan/ColdSkyReference.h"
#include "tracking/HamlibRotator.h"
#include "tracking/SkyAngles.h"
#include "trackwin/TrackSettings.h"

#include "../RecordingMessages.h"
#include "../TickRhythm.h"
#include "../WindowHarness.h"
#include "FakeRotctld.h"
#include "LoopbackPort.h"
#include "RotctldServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QElapsedTimer>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>

namespace vantrel {

namespace {

/// The local clock running in real time from a chosen UTC instant.
class RunningClock final : public LocalClock {
public:
    explicit RunningClock(DateTime start) : start_(start) { since_.start(); }
    LocalClockReading Now() const override {
        constexpr double kMsPerDay = 86400000.0;
        return {start_ + static_cast<double>(since_.elapsed()) / kMsPerDay, 0, 0, false};
    }

private:
    DateTime start_;
    QElapsedTimer since_;
};

/// The Sun and the Moon where nothing in these tests looks.
class StillSunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant&, double, double, double, SunMoonBody) override {}
    double GetAzimuth() override { return 180.0; }
    double GetElevation() override { return 20.0; }
    double GetGHA() override { return 0.0; }
    double GetDecTopo() override { return 0.0; }
};

/// Hamlib's rotators with a short timeout, so a silent server is noticed
/// within a test.
std::unique_ptr<Rotator> QuickHamlib(RotatorSettings settings) {
    settings.TimeoutMs = 400;
    return MakeHamlibRotator(settings);
}

constexpr int kPeriodMs = 200;

} // namespace

class TrackWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    // 9 December 2026 02:00 UTC: Cassiopeia A high in the north-west over
    // Amsterdam, circumpolar there.
    RunningClock clock_{EncodeDateTime(2026, 12, 9, 2, 0, 0)};
    StillSunMoon library_;
    HomeStation station_;
    ObservingConditions conditions_;
    RecordingMessages messages_;

    TrackWindowServices Services() {
        TrackWindowServices s;
        s.Conditions = &conditions_;
        s.Station = &station_;
        s.Library = &library_;
        s.Clock = &clock_;
        s.Directory = dir_.path();
        s.MakeRotator = QuickHamlib;
        s.Models = HamlibRotatorModels;
        s.PollPeriod = std::chrono::milliseconds(100);
        s.Retry.First = std::chrono::milliseconds(300);
        s.Retry.Longest = std::chrono::milliseconds(1000);
        return s;
    }

    MainWindowServices FormServices() {
        MainWindowServices s;
        s.Station = &station_;
        s.Messages = &messages_;
        s.Clock = &clock_;
        s.Library = &library_;
        s.Daylight = &daylight_;
        s.WorkingDirectory = dir_.path().toStdString();
        s.Conditions = &conditions_;
        return s;
    }
    FixedDaylight daylight_{false};

    static void ChooseModel(TrackWindow& w, int model) {
        w.Model->setEditText(QString::number(model));
        emit w.Model->lineEdit()->editingFinished();
        QCOMPARE(w.Setup().Rotator.Model, model);
    }
    static Colour Background(TForm1& form, int col) {
        GridCells& cells = form.RealTimeGrid->Cells();
        return cells.EffectiveColor(cells.Cell(col, 2));
    }
    /// Offsets that bring the rotator's target near its rest at (0, 0), so
    /// the dummy (a few degrees a second) arrives within a test.
    void NearRest(TrackWindow& w) {
        SkyPlaces places(library_);
        const SkyPlaceDeg p = places.At(SkySource::CassiopeiaA, station_, conditions_,
                                        DecodeInstant(UtcClock(clock_).UtcNow()));
        QVERIFY(p.Valid);
        QVERIFY(p.ElevationDeg > 10);
        test::Type(w.AzimuthOffset, QString::number(std::round(8.0 - p.AzimuthDeg)));
        test::Type(w.ElevationOffset, QString::number(std::round(5.0 - p.ElevationDeg)));
        QVERIFY(w.Problem(w.AzimuthOffset).isEmpty() && w.Problem(w.ElevationOffset).isEmpty());
    }

private slots:
    void coldestSkyBecomesTheOffSourceStep_data() {
        QTest::addColumn<bool>("beam");
        QTest::addColumn<bool>("maps");
        QTest::addColumn<QString>("said");
        QTest::newRow("the survey and a beam") << true << true << QStringLiteral("az ");
        QTest::newRow("no beamwidth")
            << false << true << QStringLiteral("none: the antenna gives no beamwidth");
        QTest::newRow("no sky map") << true << false << QStringLiteral("no sky map: ");
    }
    void coldestSkyBecomesTheOffSourceStep() {
        QFETCH(bool, beam);
        QFETCH(bool, maps);
        QFETCH(QString, said);
        QTemporaryDir empty;
        TrackWindowServices services = Services();
        if (beam) {
            services.Beamwidth = [] { return std::optional<double>(5.0); };
        }
        services.SkyFolder = maps ? QStringLiteral(VANTREL_SKY408_DIR) : empty.path();
        conditions_.FrequencyMHz = 144;
        TrackWindow w(services);
        const double stepBefore = w.Setup().Options.OffSourceAzimuthDeg;
        w.ColdSkyClick();
        QVERIFY(test::WaitFor([&] { return w.ColdSkyButton->isEnabled(); }, 10000));
        conditions_ = ObservingConditions{};
        const QString text = w.ColdSkyText->text();
        QVERIFY2(text.startsWith(said), qPrintable(text));
        if (said != QStringLiteral("az ")) {
            QCOMPARE(w.Setup().Options.OffSourceAzimuthDeg, stepBefore);
            QCOMPARE(w.OffSourceButton->text(), QStringLiteral("Off source"));
            return;
        }
        // "az A°, el E°, Tsky T K (behind the source S K) ...": colder than
        // the sky behind Cassiopeia A, at the source's azimuth plus the step.
        const QRegularExpression numbers(QStringLiteral(
            "az ([0-9.]+)\u00b0, el ([0-9.]+)\u00b0, Tsky ([0-9]+) K \\(behind the source "
            "([0-9]+) K\\) at 144 MHz, beam 5.0\u00b0"));
        const auto m = numbers.match(text);
        QVERIFY2(m.hasMatch(), qPrintable(text));
        QVERIFY(m.captured(3).toDouble() < m.captured(4).toDouble());
        std::string why;
        ObservingConditions at144;
        at144.FrequencyMHz = 144;
        const auto request = scan::ColdSkyRequestOf(SkySource::CassiopeiaA, station_, at144,
                                                    library_, UtcClock(clock_).UtcNow(), 5.0, why);
        QVERIFY(request);
        const double step = w.Setup().Options.OffSourceAzimuthDeg;
        QVERIFY(std::abs(step) >= 10.0); // two beams from the source at least
        QVERIFY(std::abs(std::remainder(
                    request->Source.Airless.AzimuthDeg + step - m.captured(1).toDouble(), 360.0)) <
                0.2);
        QVERIFY(std::abs(m.captured(2).toDouble() - request->Source.Airless.ElevationDeg) < 0.2);
        QCOMPARE(w.OffSource->text().toDouble(), step);
        QCOMPARE(w.OffSourceButton->text(), QStringLiteral("On source"));
        test::Shoot(w, "track-coldest-sky.png");
    }

    void init() {
        station_ = HomeStation{};
        station_.Latitude = 52.37L;
        station_.Longitude = 4.90L;
        station_.HeightAsl = 2;
        QFile::remove(dir_.filePath(QStringLiteral("Vanset.ini")));
    }

    /// A refused value was put back silently when the field was left with
    /// Tab or a click: the reason stays beside the field however it is left.
    void aRefusedValueSaysWhyHoweverTheFieldIsLeft_data() { test::AddLeaveRows(); }
    void aRefusedValueSaysWhyHoweverTheFieldIsLeft() {
        QFETCH(test::Leave, leave);
        TrackWindow w(Services());
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const TrackSetup before = w.Setup();
        const auto typeAndLeave = [&](const QString& text) {
            test::TypeAndLeave(w.Period, text, leave, w.Threshold);
        };
        typeAndLeave(QStringLiteral("fast"));
        auto* reason = w.findChild<QLabel*>(QStringLiteral("PeriodReason"));
        QVERIFY(reason != nullptr);
        QVERIFY(reason->isVisible());
        QVERIFY2(reason->text().contains(QStringLiteral("\u201cfast\u201d is refused")) &&
                     reason->text().contains(QStringLiteral("stays 1")),
                 qPrintable(reason->text()));
        QCOMPARE(w.Problem(w.Period), reason->text());
        QCOMPARE(w.Period->text(), QStringLiteral("fast")); // what was typed is not lost
        QVERIFY(w.Setup() == before);
        if (leave != test::Leave::Enter) {
            QVERIFY(QApplication::focusWidget() != w.Period); // the focus is not pulled back
        }
        // A decimal comma is told how to write it.
        typeAndLeave(QStringLiteral("1,5"));
        QVERIFY2(
            reason->text().endsWith(QStringLiteral("Use a point as the decimal separator: 1.5.")),
            qPrintable(reason->text()));
        typeAndLeave(QStringLiteral("2.5"));
        QVERIFY(reason->isHidden());
        QCOMPARE(w.Setup().Options.PeriodS, 2.5);
    }

    void modelsAreHamlibsOwnAndSearchable() {
        TrackWindow w(Services());
        QVERIFY(w.Model->count() > 10);
        QCOMPARE(w.Model->itemText(0).section(QLatin1Char(' '), 0, 0), QStringLiteral("1"));
        QVERIFY(w.Model->isEditable());
        QCOMPARE(w.Model->completer()->filterMode(), Qt::MatchContains);
        QCOMPARE(w.Source->count(), 11);
        QCOMPARE(w.Source->itemText(2), QStringLiteral("Cassiopeia-A"));
        QCOMPARE(w.Source->itemText(10), QStringLiteral("Sun"));
        ChooseModel(w, 1);
        w.Model->setEditText(QStringLiteral("no such rotator"));
        emit w.Model->lineEdit()->editingFinished();
        QCOMPARE(w.Setup().Rotator.Model, 1);
        QVERIFY(w.Problem(w.Model->lineEdit()).contains(QStringLiteral("no rotator model")));
        QCOMPARE(w.Model->currentData().toInt(), 1);
    }

    void refusedValuesKeepTheValueInForce_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("says");
        QTest::newRow("period not a number") << "Period"
                                             << "fast"
                                             << "1"
                                             << "period";
        QTest::newRow("period too short") << "Period"
                                          << "0.05"
                                          << "1"
                                          << "0.2";
        QTest::newRow("threshold negative") << "Threshold"
                                            << "-1"
                                            << "0.5"
                                            << "threshold";
        QTest::newRow("minimum above maximum") << "MinElevation"
                                               << "91"
                                               << "0"
                                               << "minimum";
        QTest::newRow("device with blank") << "Device"
                                           << "/dev/tty USB0"
                                           << "localhost:4533"
                                           << "blanks";
        QTest::newRow("speed fraction") << "Speed"
                                        << "9600.5"
                                        << "0"
                                        << "whole";
    }
    void refusedValuesKeepTheValueInForce() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, says);
        TrackWindow w(Services());
        const TrackSetup before = w.Setup();
        auto* edit = w.findChild<QLineEdit*>(field);
        QVERIFY(edit != nullptr);
        test::Type(edit, typed);
        QCOMPARE(edit->text(), typed);
        QVERIFY(w.Setup() == before);
        const QString why = w.Problem(edit);
        QVERIFY2(why.contains(says, Qt::CaseInsensitive) && why.contains(typed) &&
                     why.contains(QStringLiteral("stays ")) && why.contains(kept),
                 qPrintable(why));
        // Nothing refused reaches Vanset.ini.
        QVERIFY(LoadTrackSetup(dir_.path()) == before);
    }

    void elevationLimitsAreCheckedTogether() {
        TrackWindow w(Services());
        test::Type(w.MaxElevation, QStringLiteral("40"));
        QVERIFY(w.Problem(w.MaxElevation).isEmpty());
        test::Type(w.MinElevation, QStringLiteral("50"));
        QCOMPARE(w.Setup().Options.MinElevationDeg, 0.0);
        QVERIFY(w.Problem(w.MinElevation).contains(QStringLiteral("minimum elevation")));
        QCOMPARE(w.Setup().Options.MaxElevationDeg, 40.0);
    }

    void valuesAreKeptInVanset() {
        {
            TrackWindow w(Services());
            test::Type(w.Period, QStringLiteral("2.5"));
            test::Type(w.AzimuthOffset, QStringLiteral("-3.25"));
            w.Range->setCurrentIndex(2);
            w.Source->setCurrentIndex(9);
            w.OwnPark->setChecked(false);
            test::Type(w.ParkAzimuth, QStringLiteral("180"));
            w.ParkWhenSet->setChecked(true);
            ChooseModel(w, 1);
            w.OpenBeside(nullptr);
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.resize(700, 620);
            QTest::qWait(50);
            w.close();
        }
        TrackWindow again(Services());
        QCOMPARE(again.Period->text(), QStringLiteral("2.5"));
        QCOMPARE(again.AzimuthOffset->text(), QStringLiteral("-3.25"));
        QCOMPARE(again.Range->currentText(), QStringLiteral("0:450"));
        QCOMPARE(again.Source->currentIndex(), 9);
        QVERIFY(!again.OwnPark->isChecked());
        QCOMPARE(again.ParkAzimuth->text(), QStringLiteral("180"));
        QVERIFY(again.ParkWhenSet->isChecked());
        QCOMPARE(again.Setup().Rotator.Model, 1);
        QCOMPARE(again.Setup().Options.ParkPosition, (RotatorPosition{180, 0}));
        QCOMPARE(again.size(), QSize(700, 620));
    }

    void onTargetMeansWithinATenthOfTheBeam() {
        TrackWindowServices services = Services();
        services.Beamwidth = [] { return std::optional<double>(1.8); };
        TrackWindow w(services);
        ChooseModel(w, 1);
        test::Type(w.Period, QStringLiteral("0.2"));
        NearRest(w);
        w.TrackClick();
        w.Refresh();
        QVERIFY2(w.ThresholdText->text().startsWith(
                     QStringLiteral("threshold 0.18\u00b0 = 0.1 HPBW (beam 1.80\u00b0)")),
                 qPrintable(w.ThresholdText->text()));
        QVERIFY2(test::WaitFor(
                     [&] {
                         w.Refresh();
                         return w.State->text().startsWith(QStringLiteral("on target"));
                     },
                     20000),
                 qPrintable(w.State->text()));
        // On target: within 0.18° of the source's place, not within a degree.
        const RotatorStatus st = w.LinkStatus();
        const auto& target = w.LastDecision().Target;
        QVERIFY(st.Reported && target && st.Commanded);
        QVERIFY(AngleBetweenDeg(st.Reported->AzimuthDeg, st.Reported->ElevationDeg,
                                target->AzimuthDeg, target->ElevationDeg) <= 0.18 + 1e-9);
        test::Shoot(w, "track-on-target-sent-to.png");
        // "Sent to" is what went to the rotator.
        QCOMPARE(w.Target->text(), QStringLiteral("az %1\u00b0  el %2\u00b0")
                                       .arg(QString::number(st.Commanded->AzimuthDeg, 'f', 2),
                                            QString::number(st.Commanded->ElevationDeg, 'f', 2)));
        // A threshold typed instead: kept, and said.
        w.ThresholdFromBeam->setChecked(false);
        QVERIFY(!w.Setup().Options.ThresholdFromBeam);
        w.Refresh();
        QVERIFY2(
            w.ThresholdText->text().startsWith(QStringLiteral("threshold 0.50\u00b0 as typed")),
            qPrintable(w.ThresholdText->text()));
        w.StopClick();
    }

    void dummyRotatorConvergesOnACircumpolarSource() {
        TrackWindow w(Services());
        ChooseModel(w, 1);
        test::Type(w.Period, QStringLiteral("0.2"));
        NearRest(w);
        w.TrackClick();
        QVERIFY(w.IsTracking());
        QCOMPARE(w.Stepper->interval(), kPeriodMs);
        const auto converged = [&] {
            const RotatorStatus st = w.LinkStatus();
            const auto& target = w.LastDecision().Target;
            if (!st.Reported || !target) {
                return false;
            }
            return AngleBetweenDeg(st.Reported->AzimuthDeg, st.Reported->ElevationDeg,
                                   target->AzimuthDeg,
                                   target->ElevationDeg) <= w.Setup().Options.ThresholdDeg;
        };
        QVERIFY2(test::WaitFor(converged, 20000),
                 qPrintable(w.State->text() + w.LastError->text()));
        QVERIFY(w.LinkStatus().Connected);
        QCOMPARE(w.LastError->text(), QStringLiteral("none"));
        // The sky chart sees the rotator on the source, offsets taken off.
        w.Refresh();
        const PointingSnapshot s = w.Snapshot();
        QVERIFY(s.Tracking);
        QCOMPARE(s.Source, SkySource::CassiopeiaA);
        QVERIFY(s.Reported && s.Target);
        SkyPlaces places(library_);
        const SkyPlaceDeg p = places.At(SkySource::CassiopeiaA, station_, conditions_,
                                        DecodeInstant(UtcClock(clock_).UtcNow()));
        const double apart = AngleBetweenDeg(s.Reported->AzimuthDeg, s.Reported->ElevationDeg,
                                             p.AzimuthDeg, p.ElevationDeg);
        QVERIFY2(apart < 1.0, qPrintable(QString::number(apart)));
        QVERIFY(w.SkyPlace->text().startsWith(QStringLiteral("Cassiopeia-A: az ")));
        QVERIFY(w.Reported->text().startsWith(QStringLiteral("az ")));
    }

    void dummyIgnoresADeviceLeftFromANetworkRotator() {
        TrackWindow w(Services());
        ChooseModel(w, 2);
        test::Type(w.Device, QStringLiteral("127.0.0.1:%1").arg(testing::FreeLoopbackPort()));
        ChooseModel(w, 1); // the address stays in the field and in the setup
        QVERIFY(w.Setup().Rotator.Device.find("127.0.0.1:") == 0);
        w.TrackClick();
        QVERIFY2(test::WaitFor([&] { return w.LinkStatus().Connected; }, 3000),
                 qPrintable(w.LastError->text()));
        w.Refresh();
        QCOMPARE(w.LastError->text(), QStringLiteral("none"));
    }

    void stopStopsTheRotator() {
        TrackWindow w(Services());
        ChooseModel(w, 1);
        test::Type(w.Period, QStringLiteral("0.2"));
        w.TrackClick(); // far from the dummy's rest: it is moving for a while
        QVERIFY(test::WaitFor(
            [&] {
                const auto r = w.LinkStatus().Reported;
                return r && (r->AzimuthDeg != 0 || r->ElevationDeg != 0);
            },
            5000));
        w.StopClick();
        QVERIFY(!w.IsTracking());
        QVERIFY(!w.Stepper->isActive());
        QTest::qWait(400); // the stop reaches the rotator, a poll or two
        const auto stopped = w.LinkStatus().Reported;
        QTest::qWait(1000);
        const auto later = w.LinkStatus().Reported;
        QVERIFY(stopped && later);
        QCOMPARE(later->AzimuthDeg, stopped->AzimuthDeg);
        QCOMPARE(later->ElevationDeg, stopped->ElevationDeg);
        QCOMPARE(w.Target->text(), QStringLiteral("-"));
        QVERIFY(!w.Snapshot().Tracking);
    }

    /// Lent to another window, the rotator takes commands from it alone:
    /// tracking stops, the commands are locked, a second borrower is
    /// refused; Stop still stops, and tells the borrower; offsets a scan
    /// found are added, or refused whole.
    void aLentRotatorHasOneDriver() {
        TrackWindow w(Services());
        ChooseModel(w, 1);
        test::Type(w.Period, QStringLiteral("0.2"));
        w.TrackClick();
        QVERIFY(w.IsTracking());
        int stops = 0;
        w.OnLentStop = [&] { ++stops; };
        QString why;
        RotatorLink* link = w.LendRotator(QStringLiteral("Scan"), why);
        QVERIFY(link != nullptr);
        QVERIFY(!w.IsTracking());
        QVERIFY(!w.TrackButton->isEnabled() && !w.ParkButton->isEnabled() &&
                !w.Model->isEnabled() && !w.Device->isEnabled());
        QCOMPARE(w.State->text(), QStringLiteral("driven by the Scan window"));
        QVERIFY(w.LendRotator(QStringLiteral("Other"), why) == nullptr);
        QVERIFY(why.contains(QLatin1String("driven by the Scan window")));
        w.StopClick();
        QCOMPARE(stops, 1);
        w.ReturnRotator(std::nullopt);
        QVERIFY(!w.IsTracking() && w.TrackButton->isEnabled() && w.Model->isEnabled());

        QVERIFY(w.AddOffsets(0.5, -0.25).isEmpty());
        QCOMPARE(w.AzimuthOffset->text(), QStringLiteral("0.5"));
        QCOMPARE(w.ElevationOffset->text(), QStringLiteral("-0.25"));
        QVERIFY(!w.AddOffsets(400, 0).isEmpty()); // beyond ±360: nothing changes
        QCOMPARE(w.Setup().Options.AzimuthOffsetDeg, 0.5);
        QCOMPARE(LoadTrackSetup(dir_.path()).Options.ElevationOffsetDeg, -0.25);
        // A fit's offset goes in to a thousandth, and the sum reads as typed.
        QVERIFY(w.AddOffsets(-0.94428221376407, 0.1 + 0.2 - 0.25).isEmpty());
        QCOMPARE(w.AzimuthOffset->text(), QStringLiteral("-0.444"));
        QCOMPARE(w.ElevationOffset->text(), QStringLiteral("-0.2"));
        QCOMPARE(LoadTrackSetup(dir_.path()).Options.AzimuthOffsetDeg, -0.444);

        // Handed back with a source, it tracks that source.
        QVERIFY(w.LendRotator(QStringLiteral("Scan"), why) != nullptr);
        w.ReturnRotator(SkySource::Sun);
        QVERIFY(w.IsTracking());
        QCOMPARE(w.Setup().Options.Source, SkySource::Sun);
        w.StopClick();
        QCOMPARE(stops, 1); // not lent any more
    }

    void aStationOutOfRangeMovesNoRotator() {
        TrackWindow w(Services());
        ChooseModel(w, 1);
        station_.Latitude = std::numeric_limits<long double>::quiet_NaN();
        w.TrackClick();
        QVERIFY(!w.IsTracking());
        QVERIFY(w.Refusal->text().contains(QStringLiteral("atitude")));
        QCOMPARE(w.State->text(), QStringLiteral("idle: no rotator opened yet"));

        // Made out of range while tracking: the rotator is stopped.
        station_.Latitude = 52.37L;
        test::Type(w.Period, QStringLiteral("0.2"));
        w.TrackClick();
        QVERIFY(w.IsTracking());
        station_.Latitude = 1e30L;
        QVERIFY(test::WaitFor([&] { return !w.IsTracking(); }, 2000));
        QVERIFY(!w.Snapshot().Tracking);
        QVERIFY(w.Refusal->text().contains(QStringLiteral("atitude")));
    }

    void trackedSourceIsMarkedInTheRealTimeGrid() {
        TForm1 form(FormServices());
        TrackWindow w(Services());
        w.OnTrackedPair = [&form](std::optional<std::size_t> p) { form.SetTrackedPair(p); };
        ChooseModel(w, 1);
        for (int i = 0; i < 9; ++i) {
            form.Timer1Timer();
        }
        const auto pairColumn = [](std::size_t pair) {
            return kFirstPairColumn + 2 * static_cast<int>(pair);
        };
        w.Source->setCurrentIndex(static_cast<int>(SkySource::CassiopeiaA));
        w.TrackClick();
        QCOMPARE(Background(form, pairColumn(2)), kTrackedBackground);
        QCOMPARE(Background(form, pairColumn(2) + 1), kTrackedBackground);
        QCOMPARE(Background(form, pairColumn(3)), kPairBackground[3]);
        // Another source while tracking: the mark follows.
        w.Source->setCurrentIndex(static_cast<int>(SkySource::Sun));
        QCOMPARE(Background(form, pairColumn(8)), kTrackedBackground);
        QCOMPARE(Background(form, pairColumn(2)), kPairBackground[2]);
        // Centaurus A is not in the grid while the option shows Cassiopeia A.
        w.Source->setCurrentIndex(static_cast<int>(SkySource::CentaurusA));
        for (std::size_t p = 0; p < kPairBackground.size(); ++p) {
            QCOMPARE(Background(form, pairColumn(p)), kPairBackground[p]);
        }
        w.Source->setCurrentIndex(static_cast<int>(SkySource::CygnusA));
        QCOMPARE(Background(form, pairColumn(3)), kTrackedBackground);
        w.StopClick();
        for (int i = 0; i < 9; ++i) {
            form.Timer1Timer();
        }
        for (std::size_t p = 0; p < kPairBackground.size(); ++p) {
            QCOMPARE(Background(form, pairColumn(p)), kPairBackground[p]);
            QCOMPARE(Background(form, pairColumn(p) + 1), kPairBackground[p]);
        }
    }

    void deadPortShowsTheErrorAndTheDisplayKeepsItsRhythm() {
        const int port = testing::FreeLoopbackPort();
        TForm1 form(FormServices());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.Timer1->isActive());
        TrackWindow w(Services());
        ChooseModel(w, 2);
        test::Type(w.Device, QStringLiteral("127.0.0.1:%1").arg(port));
        w.OpenBeside(&form);
        w.TrackClick();
        const qint64 gap = test::LoggedOwnTickGap(form.Timer1, 3000);
        qInfo("longest gap between real-time ticks: %lld ms", gap);
        QVERIFY2(gap < test::kLongestTickGapMs, qPrintable(QString::number(gap)));
        QVERIFY(test::WaitFor([&] { return w.LastError->text() != QStringLiteral("none"); }, 3000));
        QVERIFY2(w.LastError->text().contains(QStringLiteral("Next try in")),
                 qPrintable(w.LastError->text()));
        QVERIFY(w.State->text().contains(QStringLiteral("not connected")));
        QVERIFY(w.IsTracking()); // it keeps trying
    }

    void silentServerShowsTheErrorAndTheDisplayKeepsItsRhythm() {
        testing::FakeRotctld server;
        server.Behave(testing::FakeRotctld::Behaviour::Silent);
        TForm1 form(FormServices());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TrackWindow w(Services());
        ChooseModel(w, 2);
        test::Type(w.Device, QString::fromStdString(server.Address()));
        w.TrackClick();
        const qint64 gap = test::LoggedOwnTickGap(form.Timer1, 3000);
        qInfo("longest gap between real-time ticks: %lld ms", gap);
        QVERIFY2(gap < test::kLongestTickGapMs, qPrintable(QString::number(gap)));
        QVERIFY(test::WaitFor(
            [&] { return w.LastError->text().contains(QStringLiteral("timeout")); }, 3000));
        // Ending does not wait for the silent server more than its timeout
        // and a poll.
        QElapsedTimer ending;
        ending.start();
        w.Shutdown();
        QVERIFY2(ending.elapsed() < 2000, qPrintable(QString::number(ending.elapsed())));
    }

    void rotatorGoneIsNotOnTargetAndAnotherTakesOver() {
        // A real rotctld, tracked until on target, then killed: the window
        // stops claiming where the rotator is, retries at most 5 s apart and
        // on request at once; a new device while tracking goes on tracking.
        auto first = std::make_unique<testing::RotctldServer>(1);
        TForm1 form(FormServices());
        TrackWindowServices services = Services();
        services.Retry = TrackWindowServices{}.Retry; // the window's own pauses
        TrackWindow w(services);
        w.OnTrackedPair = [&form](std::optional<std::size_t> p) { form.SetTrackedPair(p); };
        const int pair = kFirstPairColumn +
                         2 * static_cast<int>(*DisplayPairOf(SkySource::CassiopeiaA, station_));
        ChooseModel(w, 2);
        test::Type(w.Device, QString::fromStdString(first->Address()));
        test::Type(w.Period, QStringLiteral("0.2"));
        NearRest(w);
        w.TrackClick();
        const auto says = [&](const char* text) {
            return w.State->text().contains(QLatin1String(text));
        };
        QVERIFY2(test::WaitFor([&] { return says("on target"); }, 20000),
                 qPrintable(w.State->text() + w.LastError->text()));
        QCOMPARE(Background(form, pair), kTrackedBackground);
        QVERIFY(w.Snapshot().Reported.has_value());

        QCOMPARE(::kill(first->Pid(), SIGKILL), 0);
        QVERIFY2(test::WaitFor([&] { return w.Reported->text().startsWith(QChar(0x2013)); }, 3000),
                 qPrintable(w.Reported->text()));
        QVERIFY2(w.Reported->text().contains(QStringLiteral("s ago")),
                 qPrintable(w.Reported->text()));
        QVERIFY2(!says("on target") && says("no position read for"), qPrintable(w.State->text()));
        QVERIFY(Background(form, pair) != kTrackedBackground);
        QVERIFY(!w.Snapshot().Reported.has_value());
        QVERIFY(w.Snapshot().Tracking);
        w.show();
        QTest::qWait(300);
        test::Shoot(w, "track-rotctld-killed.png");

        // The pause grows to 5 s and no further; meanwhile "Retry now".
        std::chrono::milliseconds longest{0};
        bool everOnTarget = false;
        QVERIFY(test::WaitFor(
            [&] {
                longest = std::max(longest, w.LinkStatus().RetryIn);
                everOnTarget = everOnTarget || says("on target");
                return w.LinkStatus().RetryIn == std::chrono::milliseconds(5000);
            },
            15000));
        QCOMPARE(longest, std::chrono::milliseconds(5000));
        QVERIFY(!everOnTarget);
        w.Refresh();
        QVERIFY(w.RetryButton->isVisibleTo(&w));
        const int failures = w.LinkStatus().ConsecutiveFailures;
        w.RetryButton->click();
        QVERIFY2(test::WaitFor([&] { return w.LinkStatus().ConsecutiveFailures > failures; }, 1500),
                 "Retry now did not try at once");

        // Another rotctld as the device while tracking: tracked at once.
        testing::RotctldServer second(1);
        test::Type(w.Device, QString::fromStdString(second.Address()));
        QVERIFY(w.IsTracking());
        w.Refresh();
        QVERIFY2(!w.State->text().contains(QStringLiteral("idle")), qPrintable(w.State->text()));
        QVERIFY2(
            test::WaitFor([&] { return says("on target") && says("rotator connected"); }, 20000),
            qPrintable(w.State->text() + w.LastError->text()));
        QCOMPARE(Background(form, pair), kTrackedBackground);
        QVERIFY(w.Reported->text().startsWith(QStringLiteral("az ")));
        QVERIFY(!w.RetryButton->isVisibleTo(&w));
        w.Shutdown();
    }

    void statesSayWhatIsSo() {
        // A user source without a name, the off-source point behind a wall
        // of the horizon profile, the state off source, then parking.
        station_.SourceOption = 2;
        station_.UserSourceName.clear();
        const HorizonProfile* shownHorizon = nullptr;
        TrackWindowServices services = Services();
        services.Horizon = [&shownHorizon] { return shownHorizon; };
        TrackWindow w(services);
        QCOMPARE(w.Source->itemText(static_cast<int>(SkySource::UserDefined)),
                 QStringLiteral("User source"));
        ChooseModel(w, 1);
        test::Type(w.Period, QStringLiteral("0.2"));
        NearRest(w);
        // A wall 80° high from 2° to 30° east of the source (the default
        // step is +10° of azimuth), open sky elsewhere.
        SkyPlaces places(library_);
        const double az = places
                              .At(SkySource::CassiopeiaA, station_, conditions_,
                                  DecodeInstant(UtcClock(clock_).UtcNow()))
                              .AzimuthDeg;
        std::vector<HorizontalDeg> skyline;
        for (int a = 0; a < 360; ++a) {
            const double east = Azimuth0To360(a - az);
            skyline.push_back({static_cast<double>(a), east >= 2 && east <= 30 ? 80.0 : 0.0});
        }
        const HorizonProfile wall(skyline);
        w.TrackClick();
        w.OffSourceClick();
        QVERIFY2(
            test::WaitFor([&] { return w.State->text().startsWith(QStringLiteral("off source;")); },
                          20000),
            qPrintable(w.State->text()));
        QCOMPARE(w.State->text().count(QStringLiteral("off source")), 1);
        QVERIFY(!w.OffSourceWarning->isVisibleTo(&w));
        shownHorizon = &wall;
        w.Refresh();
        QVERIFY(w.OffSourceWarning->isVisibleTo(&w));
        QVERIFY2(w.OffSourceWarning->text().contains(QStringLiteral("behind the horizon profile")),
                 qPrintable(w.OffSourceWarning->text()));
        QVERIFY(w.OtherSideButton->isVisibleTo(&w));
        test::Shoot(w, "track-off-source-behind-wall.png");
        w.OtherSideButton->click();
        QCOMPARE(w.Setup().Options.OffSourceAzimuthDeg, -10.0);
        QCOMPARE(w.OffSource->text(), QStringLiteral("-10"));
        QVERIFY(!w.OffSourceWarning->isVisibleTo(&w));

        // Parked beside where the rotator stands: parking, then parked.
        const RotatorPosition at = *w.LinkStatus().Reported;
        w.OwnPark->setChecked(false);
        test::Type(w.ParkAzimuth, QString::number(std::round(at.AzimuthDeg) + 4));
        test::Type(w.ParkElevation, QString::number(std::round(at.ElevationDeg)));
        w.ParkClick();
        QVERIFY2(w.State->text().startsWith(QStringLiteral("parking;")),
                 qPrintable(w.State->text()));
        QVERIFY2(test::WaitFor(
                     [&] {
                         w.Refresh(); // the window is not shown: nothing refreshes it
                         return w.State->text().startsWith(QStringLiteral("parked;"));
                     },
                     20000),
                 qPrintable(w.State->text()));
        w.StopClick();
        QVERIFY(w.State->text().startsWith(QStringLiteral("not tracking")));
    }

    void realRotctldIsTrackedOverTheNetwork() {
        testing::RotctldServer server(1);
        TrackWindow w(Services());
        ChooseModel(w, 2);
        test::Type(w.Device, QString::fromStdString(server.Address()));
        test::Type(w.Period, QStringLiteral("0.2"));
        NearRest(w);
        w.TrackClick();
        QVERIFY2(test::WaitFor(
                     [&] {
                         const RotatorStatus st = w.LinkStatus();
                         const auto& t = w.LastDecision().Target;
                         return st.Reported && t &&
                                AngleBetweenDeg(st.Reported->AzimuthDeg, st.Reported->ElevationDeg,
                                                t->AzimuthDeg, t->ElevationDeg) <= 0.5;
                     },
                     20000),
                 qPrintable(w.State->text() + w.LastError->text()));
        w.OffSourceClick();
        QCOMPARE(w.OffSourceButton->text(), QStringLiteral("On source"));
        QVERIFY(w.State->text().contains(QStringLiteral("off source")));
        w.Shutdown();
        QVERIFY(!w.IsTracking());
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::TrackWindowTest)
#include "TrackWindowTest.moc"
