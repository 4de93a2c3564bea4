// The Scan window on the simulated telescope (labels `widgets` and
// `simulated`, offscreen): a real rotctld driven through the Track window,
// which lends its rotator for each procedure, and the radiometer reading
// vantrel-sim-telescope through the command input. A cross-scan, its
// offsets applied to tracking after asking, then a Y-factor sequence left
// tracking. With VANTREL_SHOTS set to a folder, the window is saved there
// during and after each procedure.

#include "RotctldServer.h"
#include "SimulatedTelescope.h"
#include "VirtualTelescope.h"
#include "tests/RecordingMessages.h"
#include "tests/WindowHarness.h"

#include "measure/MeasurementLog.h"
#include "radiometer/CommandInput.h"
#include "radiometer/PowerLog.h"
#include "scan/DriftScan.h"
#include "scan/ScanLog.h"
#include "scanwin/ScanSettingsFile.h"
#include "scanwin/ScanWindow.h"
#include "tracking/HamlibRotator.h"
#include "trackwin/TrackSettings.h"
#include "trackwin/TrackWindow.h"

#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <numbers>

namespace vantrel {

class ScanWindowTest : public QObject {
    Q_OBJECT

private slots:
    /// What [Scan] keeps comes back; a refused value gives its default.
    void SettingsComeBackAndRefusedOnesTakeTheirDefault() {
        QTemporaryDir dir;
        ScanSetup s;
        s.Settings.Procedure = scan::ProcedureKind::Cross;
        s.Settings.Source = SkySource::CassiopeiaA;
        s.Settings.Points = 9;
        s.Settings.Continuous = true;
        s.Settings.ColdSky = scan::SkyPoint{200, 30};
        s.Settings.After = scan::AfterEnd::Stop;
        s.BeamFromAntenna = false;
        s.Settings.BeamwidthDeg = 2.5;
        QVERIFY(SaveScanSetup(dir.path(), s));
        QCOMPARE(LoadScanSetup(dir.path()), s);
        // The sky model's off point, without a point of one's own.
        ScanSetup sky = s;
        sky.Settings.ColdSky.reset();
        sky.Settings.OffBy = scan::OffChoice::ColdestSky;
        QVERIFY(SaveScanSetup(dir.path(), sky));
        QCOMPARE(LoadScanSetup(dir.path()), sky);
        {
            QSettings ini(dir.path() + QStringLiteral("/Vanset.ini"), QSettings::IniFormat);
            ini.setValue(QStringLiteral("Scan/Points"), QStringLiteral("7.5"));
            ini.setValue(QStringLiteral("Scan/Procedure"), QStringLiteral("grid"));
            ini.setValue(QStringLiteral("Scan/TauS"), QStringLiteral("nan"));
        }
        const ScanSetup back = LoadScanSetup(dir.path());
        QCOMPARE(back.Settings.Points, scan::kDefaultPoints);
        QCOMPARE(back.Settings.Procedure, ScanSetup{}.Settings.Procedure);
        QCOMPARE(back.Settings.TauS, ScanSetup{}.Settings.TauS);
        QCOMPARE(back.Settings.Source, SkySource::CassiopeiaA);
    }

    /// A stored place no desktop has is not taken: a left or top edge of
    /// -2147483648 (which has no 32-bit absolute value) was let through.
    void HostileWindowRectsAreIgnored_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("kept");
        QTest::newRow("sound") << QByteArray("Left=-20\nTop=5\nWidth=700\nHeight=500\n") << true;
        QTest::newRow("left extreme")
            << QByteArray("Left=-2147483648\nTop=1\nWidth=100\nHeight=100\n") << false;
        QTest::newRow("top extreme")
            << QByteArray("Left=1\nTop=-2147483648\nWidth=100\nHeight=100\n") << false;
        QTest::newRow("height beyond Qt's limit")
            << QByteArray("Left=1\nTop=1\nWidth=100\nHeight=16777216\n") << false;
        QTest::newRow("width zero") << QByteArray("Left=1\nTop=1\nWidth=0\nHeight=100\n") << false;
    }
    void HostileWindowRectsAreIgnored() {
        QFETCH(QByteArray, text);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("Vanset.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Scan]\n" + text);
        file.close();
        const std::optional<QRect> rect = LoadScanWindowRect(dir.path());
        QCOMPARE(rect.has_value(), kept);
        if (kept) {
            QCOMPARE(*rect, QRect(-20, 5, 700, 500));
        }
    }

    /// A drift's points, a block every τ, all show on the chart with the fit
    /// drawn over them: none hidden under another's rim.
    void DriftPointsShowUnderTheFit() {
        QTemporaryDir dir;
        OrbexSunMoon library;
        SystemLocalClock clock;
        ObservingConditions conditions;
        HomeStation station;
        RecordingMessages messages;
        ScanWindowServices services;
        services.Conditions = &conditions;
        services.Station = &station;
        services.Library = &library;
        services.Clock = &clock;
        services.Messages = &messages;
        services.Directory = dir.path();
        ScanWindow w(services);
        w.resize(1150, 720);
        w.show();

        scan::ScanSettings drift;
        drift.Procedure = scan::ProcedureKind::Drift;
        drift.BeamwidthDeg = 1.8;
        drift.TauS = 2;
        drift.SettleS = 1;
        testing::VirtualSky sky;
        testing::VirtualTelescope telescope(sky, drift.TauS);
        TrackingOptions pointing;
        pointing.Range = AzimuthRange::From0To360;
        auto procedure = std::make_shared<scan::DriftScan>(
            drift, scan::ProcedureContext{pointing, telescope.Place(), "the source"});
        QVERIFY(telescope.Run(*procedure, pointing, 4000));
        QVERIFY(procedure->Result().Fit);
        const int points = static_cast<int>(procedure->Result().Points.size());
        QVERIFY(points > 300);
        w.Review(procedure, testing::VirtualTelescope::kUtc0);
        QCOMPARE(w.ScanPoints(), points);
        QVERIFY(w.FitPoints() > 0);
        QVERIFY(w.Result->text().contains(QLatin1String("beamwidth")));
        // Its errors as small as they are, never "± 0.000°".
        QVERIFY2(!w.Result->text().contains(QLatin1String("\u00b1 0.000\u00b0")),
                 qPrintable(w.Result->text()));
        QVERIFY(!QFile::exists(dir.filePath(QLatin1String(scan::kScanLogName)))); // not logged
        test::Shoot(w, "scan-drift-done.png");

        // The points' own colour (fill or rim) covers as much of the chart
        // as their markers would lying side by side along the curve.
        QApplication::processEvents();
        const QImage shot = w.ScanChart->grab().toImage();
        const auto near = [](QRgb a, QColor b) {
            return std::abs(qRed(a) - b.red()) + std::abs(qGreen(a) - b.green()) +
                       std::abs(qBlue(a) - b.blue()) <
                   60;
        };
        const QColor fill(200, 110, 0);
        const QColor rim = fill.darker(125);
        int coloured = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QRgb p = shot.pixel(x, y);
                coloured += near(p, fill) || near(p, rim) ? 1 : 0;
            }
        }
        qInfo("pixels of the points' colours: %d", coloured);
        QVERIFY2(coloured > 4000, qPrintable(QString::number(coloured)));
    }

    /// The sky model's off point is said before the start (the coldest sky
    /// at the source's elevation, the two sides), and a sequence that took
    /// it shows the skies and the G/T with the background taken out.
    void TheSkyModelsOffPointIsSaidAndTakenOutOfGOverT() {
        QTemporaryDir dir;
        OrbexSunMoon library;
        SystemLocalClock clock;
        ObservingConditions conditions;
        conditions.FrequencyMHz = 144;
        const HomeStation station = testing::StationWithSunAt(library, SystemUtcNow(), 0.0, 45.0);
        RecordingMessages messages;
        MeasureSetup yagi;
        yagi.Antenna = AntennaKind::Gain;
        yagi.GainDbi = 21; // a beam of 15° at any frequency
        ScanWindowServices services;
        services.Conditions = &conditions;
        services.Station = &station;
        services.Library = &library;
        services.Clock = &clock;
        services.Messages = &messages;
        services.Directory = dir.path();
        services.Antenna = [&] { return yagi; };
        services.SkyFolder = QStringLiteral(VANTREL_SKY408_DIR);
        ScanWindow w(services);
        w.resize(1150, 720);
        w.show();
        w.Source->setCurrentIndex(w.Source->findData(static_cast<int>(SkySource::Sun)));
        QVERIFY(!w.ColdSkyText->isVisible()); // east and west in turn: no sky asked
        w.OffPoint->setCurrentIndex(
            w.OffPoint->findData(static_cast<int>(scan::OffChoice::ColdestSky)));
        QCOMPARE(w.Setup().Settings.OffBy, scan::OffChoice::ColdestSky);
        QVERIFY(w.ColdSkyText->isVisible());
        QVERIFY(!w.OffBeams->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(w.ColdSkyText->text().startsWith(QLatin1String("Coldest sky: az")),
                                 10000);
        QVERIFY2(w.ColdSkyText->text().contains(QLatin1String("at 144 MHz")),
                 qPrintable(w.ColdSkyText->text()));
        w.OffPoint->setCurrentIndex(
            w.OffPoint->findData(static_cast<int>(scan::OffChoice::ColderSide)));
        QTRY_VERIFY_WITH_TIMEOUT(w.ColdSkyText->text().contains(QLatin1String("beams aside")),
                                 10000);
        test::Shoot(w, "scan-coldest-sky.png");

        // A sequence that took the colder side of a sky hotter to one side.
        const double k = 1.380649e-23;
        scan::ScanSettings s;
        s.BeamwidthDeg = 1.8;
        s.TauS = 0.5;
        s.SettleS = 1;
        s.OffBy = scan::OffChoice::ColderSide;
        testing::VirtualSky sky;
        sky.SkyGradientKPerDeg = 2;
        scan::ColdSkyReference model;
        model.SourceTskyK = 200;
        model.PlusTskyK = 214.4;
        model.MinusTskyK = 185.6;
        std::string why;
        const auto plan = scan::ChooseOffPoint(s.OffBy, model, s.OffBeams, 1.8, 40, why);
        QVERIFY(plan);
        scan::GOverTBasis basis{
            {400.0 * 2 * k / (1e-26 * 0.5), measure::FluxBasis::Model}, 0.0, 10368};
        basis.TsysK = 85.6;
        testing::VirtualTelescope telescope(sky, s.TauS);
        TrackingOptions pointing;
        auto y = std::make_shared<scan::YFactorSequence>(
            s, scan::ProcedureContext{pointing, telescope.Place(), "the source"}, basis, plan);
        QVERIFY(telescope.Run(*y, pointing, 4000));
        w.Review(y, testing::VirtualTelescope::kUtc0);
        const QString text = w.Result->text();
        QVERIFY2(text.contains(QStringLiteral("200 K behind the source, 186 K on the colder side: "
                                              "\u0394T_sky = +14 K")),
                 qPrintable(text));
        QVERIFY2(text.contains(QLatin1String("G/T with the background taken out = ")),
                 qPrintable(text));
        QVERIFY2(text.contains(QLatin1String("(Tsys 86 K)")), qPrintable(text));
        test::Shoot(w, "scan-y-sky-corrected.png");
    }

    void CrossScanAppliedThenYFactorLeftTracking() {
        QTemporaryDir dir;
        testing::RotctldServer mount;
        OrbexSunMoon library;
        SystemLocalClock clock;
        ObservingConditions conditions;
        conditions.FrequencyMHz = 10368;
        const HomeStation station = testing::StationWithSunAt(library, SystemUtcNow(), 0.0, 45.0);

        // The Track window's rotator: the rotctld, azimuth from -180 to 180
        // (the Sun culminates in the north).
        TrackSetup trackSetup;
        trackSetup.Rotator.Model = 2;
        trackSetup.Rotator.Device = mount.Address();
        trackSetup.Options.Range = AzimuthRange::FromMinus180To180;
        QVERIFY(SaveTrackSetup(dir.path(), trackSetup));
        TrackWindowServices trackServices;
        trackServices.Conditions = &conditions;
        trackServices.Station = &station;
        trackServices.Library = &library;
        trackServices.Clock = &clock;
        trackServices.Directory = dir.path();
        trackServices.MakeRotator = MakeHamlibRotator;
        trackServices.Models = HamlibRotatorModels;
        trackServices.PollPeriod = std::chrono::milliseconds{200};
        TrackWindow track(trackServices);

        // The dish the Measure window has: a 1.8° beam at 10368 MHz.
        MeasureSetup dish;
        dish.DishDiameterM = 1.1245;
        dish.Efficiency = 0.55;
        dish.SolarFlux = "200";
        const testing::TelescopeTruth truth;
        CommandSettings meter;
        meter.Command =
            testing::SimTelescopeCommand(mount.Port(), station, SkySource::Sun, truth, nullptr);
        meter.Unit = ReadingUnit::Milliwatt;

        RecordingMessages messages;
        messages.answer = true;
        int logged = 0;
        int returned = 0;
        ScanWindowServices services;
        services.Conditions = &conditions;
        services.Station = &station;
        services.Library = &library;
        services.Clock = &clock;
        services.Messages = &messages;
        services.Directory = dir.path();
        services.Antenna = [&] { return dish; };
        services.Pointing = [&] { return track.Setup().Options; };
        services.BorrowRotator = [&](QString& why) { return track.LendRotator("Scan", why); };
        services.ReturnRotator = [&](std::optional<SkySource> s) { track.ReturnRotator(s); };
        services.ApplyOffsets = [&](double az, double el) { return track.AddOffsets(az, el); };
        services.BorrowRadiometer = [&](QString&) -> std::optional<RadiometerLoan> {
            return RadiometerLoan{[meter] { return MakeCommandInput(meter); },
                                  {},
                                  QStringLiteral("the simulated sky")};
        };
        services.ReturnRadiometer = [&] { ++returned; };
        services.Logged = [&] { ++logged; };
        services.SkyFolder = QStringLiteral(VANTREL_SKY408_DIR);
        ScanWindow w(services);
        w.resize(1150, 720);
        w.show();
        QCOMPARE(w.BeamText->text().left(5), QStringLiteral("1.80\u00b0"));

        // A cross-scan, the rotator stopped at the end.
        w.ProcedureBox->setCurrentIndex(
            w.ProcedureBox->findData(static_cast<int>(scan::ProcedureKind::Cross)));
        w.Source->setCurrentIndex(w.Source->findData(static_cast<int>(SkySource::Sun)));
        w.After->setCurrentIndex(w.After->findData(static_cast<int>(scan::AfterEnd::Stop)));
        test::Type(w.Tau, QStringLiteral("0.3"));
        test::Type(w.Settle, QStringLiteral("0.3"));
        test::Type(w.Span, QStringLiteral("2"));
        test::Type(w.Points, QStringLiteral("7"));
        w.StartClick();
        QVERIFY(w.IsRunning());
        QVERIFY(track.IsLent());
        QVERIFY(!track.TrackButton->isEnabled());
        QCOMPARE(track.State->text(), QStringLiteral("driven by the Scan window"));
        QTRY_VERIFY_WITH_TIMEOUT(w.ScanPoints() >= 9, 60000);
        QVERIFY2(w.ProgressText->text().startsWith(QLatin1String("elevation point")),
                 qPrintable(w.ProgressText->text()));
        QVERIFY(w.ProgressText->text().contains(QLatin1String("left")));
        QVERIFY(w.PowerPoints() > 0);
        test::Shoot(w, "scan-cross-running.png");
        // The sky chart sees the procedure's target and the rotator, on the sky.
        const PointingSnapshot shown = w.Snapshot();
        QVERIFY(shown.Tracking && shown.Target && shown.Reported);
        QCOMPARE(shown.Source, SkySource::Sun);
        QVERIFY(!track.Snapshot().Tracking); // not the Track window's while lent
        // Closed meanwhile, it asks; answered "go on", the scan goes on.
        w.close();
        QCOMPARE(messages.said.size(), std::size_t{1});
        QVERIFY(messages.said[0].starts_with("Question|Scan|A procedure is under way on Sun."));
        QVERIFY(w.IsRunning() && !w.isVisible());
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(!w.IsRunning(), 60000);
        QVERIFY2(w.Procedure()->Ended() == scan::Ending::Completed,
                 qPrintable(QString::fromStdString(w.Procedure()->StopReason())));
        QVERIFY(!track.IsLent());
        QVERIFY(!track.IsTracking());
        QVERIFY(track.TrackButton->isEnabled());
        QVERIFY(!w.Snapshot().Tracking);
        QVERIFY(w.FitPoints() > 0);
        QVERIFY2(w.Result->text().contains(QLatin1String("beamwidth")),
                 qPrintable(w.Result->text()));
        test::Shoot(w, "scan-cross-done.png");

        // Apply to tracking, after asking: the offsets the scan found.
        const auto* cross = dynamic_cast<const scan::CrossScan*>(w.Procedure());
        QVERIFY(cross != nullptr);
        // Its blocks went to the power log, the points as "scan" with
        // their offsets: the scan can be fitted again from it.
        const auto scanLines = [&] {
            PowerLog power;
            if (ReadPowerLog((dir.path() + "/Vantrel-power.csv").toStdString(), power)) {
                return std::pair{-1, -1};
            }
            int roles = 0;
            for (const PowerRecord& r : power.Records) {
                roles += r.Role == "scan" && r.AzOffsetDeg && r.ElOffsetDeg ? 1 : 0;
            }
            return std::pair{roles, static_cast<int>(power.Records.size())};
        };
        const int points = static_cast<int>(cross->Readings().size());
        QTRY_COMPARE_WITH_TIMEOUT(scanLines().first, points, 5000);
        QVERIFY(scanLines().second > points); // the moves between them too
        const double cosEl = std::cos(cross->Result().ElevationDeg * std::numbers::pi / 180);
        QVERIFY(w.ApplyButton->isEnabled());
        w.ApplyButton->click();
        QCOMPARE(messages.said.size(), std::size_t{2});
        QVERIFY(messages.said[1].starts_with("Question|Apply to tracking|Add "));
        QVERIFY(std::fabs(track.Setup().Options.AzimuthOffsetDeg + truth.ErrorAzDeg / cosEl) <
                0.05 / cosEl);
        QVERIFY(std::fabs(track.Setup().Options.ElevationOffsetDeg + truth.ErrorElDeg) < 0.05);
        QCOMPARE(track.AzimuthOffset->text().toDouble(), track.Setup().Options.AzimuthOffsetDeg);
        QVERIFY(!w.ApplyButton->isEnabled()); // once
        scan::ScanLog scans;
        QVERIFY(!scan::ReadScanLog((dir.path() + "/Vantrel-scans.csv").toStdString(), scans));
        QCOMPARE(scans.Records.size(), std::size_t{1});

        // A Y-factor sequence with the offsets applied, left tracking.
        w.ProcedureBox->setCurrentIndex(
            w.ProcedureBox->findData(static_cast<int>(scan::ProcedureKind::YFactor)));
        w.After->setCurrentIndex(w.After->findData(static_cast<int>(scan::AfterEnd::Track)));
        test::Type(w.Pairs, QStringLiteral("2"));
        test::Type(w.Tau, QStringLiteral("0.5"));
        // Its off points on the side the sky model finds colder: the
        // procedure starts once the sky model has answered.
        w.OffPoint->setCurrentIndex(
            w.OffPoint->findData(static_cast<int>(scan::OffChoice::ColderSide)));
        // The measurement log cannot be written (a folder stands in its
        // place) when the sequence ends: its result is kept until it can.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Vantrel-measurements.csv")));
        w.StartClick();
        QTRY_VERIFY_WITH_TIMEOUT(w.IsRunning(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(w.ProgressText->text().startsWith(QLatin1String("pair 2 of 2")),
                                 60000);
        test::Shoot(w, "scan-y-running.png");
        QTRY_VERIFY_WITH_TIMEOUT(!w.IsRunning(), 60000);
        QVERIFY2(w.Procedure()->Ended() == scan::Ending::Completed,
                 qPrintable(QString::fromStdString(w.Procedure()->StopReason())));
        QVERIFY2(w.Result->text().contains(QLatin1String("G/T = ")), qPrintable(w.Result->text()));
        QVERIFY(track.IsTracking()); // handed back to tracking the Sun
        QCOMPARE(track.Setup().Options.Source, SkySource::Sun);
        QCOMPARE(w.UnsavedResults(), std::size_t{1});
        QVERIFY2(w.Result->text().contains(QLatin1String("Kept")), qPrintable(w.Result->text()));
        QCOMPARE(logged, 0);
        QVERIFY(QDir(dir.path()).rmdir(QStringLiteral("Vantrel-measurements.csv")));
        QTRY_COMPARE_WITH_TIMEOUT(w.UnsavedResults(), std::size_t{0}, 10000);
        QCOMPARE(logged, 1);
        QCOMPARE(returned, 2);
        measure::MeasurementLog log;
        QVERIFY(!measure::ReadMeasurementLog(
            (dir.path() + "/Vantrel-measurements.csv").toStdString(), log));
        QCOMPARE(log.Records.size(), std::size_t{1});
        QCOMPARE(log.Records[0].Method, std::string("y-sequence"));
        QVERIFY(log.Records[0].SkyTskyK && log.Records[0].ReferenceTskyK &&
                log.Records[0].BackgroundCorrectionDb);
        const auto* y = dynamic_cast<const scan::YFactorSequence*>(w.Procedure());
        QVERIFY(y && y->Result().Off && !y->Result().Off->Reference);
        QCOMPARE(y->Result().Pairs[0].Side, y->Result().Pairs[1].Side); // one side
        QVERIFY2(w.Result->text().contains(QStringLiteral("\u0394T_sky")),
                 qPrintable(w.Result->text()));
        test::Shoot(w, "scan-y-done.png");
        w.Shutdown();
        track.Shutdown();
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::ScanWindowTest)
#include "ScanWindowTest.moc"
