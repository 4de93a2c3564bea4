// The Track window's values in "Vanset.ini": a round trip through the real
// file, hostile values taking their defaults, other sections left alone.

#include "trackwin/TrackSettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace vantrel {

class TrackSettingsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString Ini() const { return dir_.filePath(QStringLiteral("Vanset.ini")); }
    void Write(const QByteArray& text) {
        QFile f(Ini());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

private slots:
    void init() { QFile::remove(Ini()); }

    void missingFileGivesTheDefaults() {
        QVERIFY(LoadTrackSetup(dir_.path()) == TrackSetup{});
        QVERIFY(!LoadTrackWindowRect(dir_.path()));
    }

    void everyValueRoundTrips() {
        TrackSetup s;
        s.Options.Source = SkySource::UserDefined;
        s.Options.PeriodS = 0.7;
        s.Options.ThresholdDeg = 0.1 + 0.2; // not a short decimal
        s.Options.ThresholdFromBeam = false;
        s.Options.Range = AzimuthRange::FromMinus180To180;
        s.Options.MinElevationDeg = 5;
        s.Options.MaxElevationDeg = 85;
        s.Options.AzimuthOffsetDeg = -12.345678901234567;
        s.Options.ElevationOffsetDeg = 1.5;
        s.Options.OffSourceAzimuthDeg = -8;
        s.Options.Below = WhenBelow::Park;
        s.ParkAt = {-90, 10};
        s.Options.ParkPosition = s.ParkAt;
        s.Rotator.Model = 202;
        s.Rotator.Device = "/dev/ttyUSB0";
        s.Rotator.SerialSpeed = 9600;
        QVERIFY(SaveTrackSetup(dir_.path(), s));
        QVERIFY(LoadTrackSetup(dir_.path()) == s);
        // The controller's own park position, the typed one still kept.
        s.Options.ParkPosition.reset();
        QVERIFY(SaveTrackSetup(dir_.path(), s));
        const TrackSetup back = LoadTrackSetup(dir_.path());
        QVERIFY(back == s);
        QCOMPARE(back.ParkAt, (RotatorPosition{-90, 10}));
    }

    void otherSectionsAreLeftAlone() {
        Write("[Position]\nLeft=11\nTop=22\nWidth=333\nHeight=444\n[Measure]\nTsysK=55\n");
        QVERIFY(SaveTrackSetup(dir_.path(), TrackSetup{}));
        QVERIFY(SaveTrackWindowRect(dir_.path(), QRect(5, 6, 700, 500)));
        const QSettings ini(Ini(), QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Position/Width")).toInt(), 333);
        QCOMPARE(ini.value(QStringLiteral("Measure/TsysK")).toString(), QStringLiteral("55"));
        QCOMPARE(ini.value(QStringLiteral("Track/Device")).toString(),
                 QStringLiteral("localhost:4533"));
        QCOMPARE(LoadTrackWindowRect(dir_.path()), std::optional<QRect>(QRect(5, 6, 700, 500)));
    }

    void hostileValuesTakeTheirDefaults_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("source unknown") << QByteArray("Source") << QByteArray("pulsar");
        QTest::newRow("source upper case") << QByteArray("Source") << QByteArray("CAS");
        QTest::newRow("period nan") << QByteArray("PeriodS") << QByteArray("nan");
        QTest::newRow("period zero") << QByteArray("PeriodS") << QByteArray("0");
        QTest::newRow("period huge") << QByteArray("PeriodS") << QByteArray("1e308");
        QTest::newRow("threshold text") << QByteArray("ThresholdDeg") << QByteArray("half");
        QTest::newRow("range unknown") << QByteArray("AzimuthRange") << QByteArray("0:720");
        QTest::newRow("minimum beyond") << QByteArray("MinElevationDeg") << QByteArray("95");
        QTest::newRow("offset beyond") << QByteArray("AzimuthOffsetDeg") << QByteArray("1000");
        QTest::newRow("park flag 2") << QByteArray("ParkWhenSet") << QByteArray("2");
        QTest::newRow("own park text") << QByteArray("OwnPark") << QByteArray("yes");
        QTest::newRow("beam flag text") << QByteArray("ThresholdFromBeam") << QByteArray("beam");
        QTest::newRow("park beyond") << QByteArray("ParkAzimuthDeg") << QByteArray("-999");
        QTest::newRow("model negative") << QByteArray("Model") << QByteArray("-1");
        QTest::newRow("model fraction") << QByteArray("Model") << QByteArray("2.5");
        QTest::newRow("model overflow") << QByteArray("Model") << QByteArray("99999999999");
        QTest::newRow("speed negative") << QByteArray("SerialSpeed") << QByteArray("-9600");
        QTest::newRow("device empty") << QByteArray("Device") << QByteArray("");
        QTest::newRow("device blanks") << QByteArray("Device") << QByteArray("\"a b\"");
        QTest::newRow("device escape") << QByteArray("Device") << QByteArray("\"x\\ty\"");
    }
    void aThresholdTypedBeforeTheBeamsStaysInForce_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("fromBeam");
        QTest::addColumn<double>("threshold");
        QTest::newRow("old default") << QByteArray("ThresholdDeg=0.5\n") << true << 0.5;
        // Texts of different lengths: QSettings takes a file of the same size
        // and time as the one it read before as unchanged.
        QTest::newRow("old typed") << QByteArray("ThresholdDeg=0.25\n") << false << 0.25;
        QTest::newRow("new from beam")
            << QByteArray("ThresholdDeg=0.2\nThresholdFromBeam=1\n") << true << 0.2;
        QTest::newRow("new typed")
            << QByteArray("ThresholdDeg=0.500\nThresholdFromBeam=0\n") << false << 0.5;
    }
    void aThresholdTypedBeforeTheBeamsStaysInForce() {
        QFETCH(QByteArray, text);
        QFETCH(bool, fromBeam);
        QFETCH(double, threshold);
        Write("[Track]\n" + text);
        const TrackSetup s = LoadTrackSetup(dir_.path());
        QCOMPARE(s.Options.ThresholdFromBeam, fromBeam);
        QCOMPARE(s.Options.ThresholdDeg, threshold);
    }

    void hostileValuesTakeTheirDefaults() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        Write("[Track]\n" + key + "=" + value + "\n");
        QVERIFY(LoadTrackSetup(dir_.path()) == TrackSetup{});
    }

    void contradictingLimitsBothTakeTheirDefaults() {
        Write("[Track]\nMinElevationDeg=60\nMaxElevationDeg=30\nPeriodS=3\n");
        const TrackSetup s = LoadTrackSetup(dir_.path());
        QCOMPARE(s.Options.MinElevationDeg, TrackingOptions{}.MinElevationDeg);
        QCOMPARE(s.Options.MaxElevationDeg, TrackingOptions{}.MaxElevationDeg);
        QCOMPARE(s.Options.PeriodS, 3.0); // the rest is kept
    }

    void refusedSetupIsNotWritten() {
        TrackSetup s;
        s.Options.PeriodS = 3;
        QVERIFY(SaveTrackSetup(dir_.path(), s));
        s.Options.PeriodS = 0; // refused
        QVERIFY(!SaveTrackSetup(dir_.path(), s));
        QCOMPARE(LoadTrackSetup(dir_.path()).Options.PeriodS, 3.0);
    }

    void hostileWindowRectsAreIgnored_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("width zero") << QByteArray("Left=1\nTop=1\nWidth=0\nHeight=100\n");
        QTest::newRow("height text") << QByteArray("Left=1\nTop=1\nWidth=100\nHeight=tall\n");
        QTest::newRow("left extreme")
            << QByteArray("Left=-2147483648\nTop=1\nWidth=100\nHeight=100\n");
        QTest::newRow("top missing") << QByteArray("Left=1\nWidth=100\nHeight=100\n");
        QTest::newRow("width overflow")
            << QByteArray("Left=1\nTop=1\nWidth=99999999999\nHeight=100\n");
    }
    void hostileWindowRectsAreIgnored() {
        QFETCH(QByteArray, text);
        Write("[Track]\n" + text);
        QVERIFY(!LoadTrackWindowRect(dir_.path()));
    }

    void unwritableFolderIsReported() {
        // A file where the folder should be: nothing can be written there.
        QFile blocker(dir_.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!SaveTrackSetup(dir_.filePath(QStringLiteral("blocker/sub")), TrackSetup{}));
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::TrackSettingsTest)
#include "TrackSettingsTest.moc"
