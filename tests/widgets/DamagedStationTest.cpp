// Both windows started on a station file holding values out of every range
// (NaN, infinities, 1e30, a UTC offset of 30 h): the reader keeps them, so
// the windows must take them without crashing and the Qt-free check must
// name every one.

#include "controls/GridControl.h"
#include "mainwin/MainWindow.h"
#include "station/DataFile.h"
#include "station/Extended80.h"
#include "station/HomeStationWindow.h"
#include "station/StationCheck.h"

#include "../RecordingMessages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

#include <cmath>
#include <cstring>

namespace vantrel {

/// The local clock at a chosen instant, in a zone without daylight time.
class FixedClock final : public LocalClock {
public:
    LocalClockReading Now() const override {
        return {EncodeDateTime(2015, 1, 1, 12, 0, 0), 0, 0, false};
    }
};

/// What the Sun and Moon library gives for a station it refuses.
class RefusingLibrary final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant&, double, double, double, SunMoonBody) override {}
    double GetAzimuth() override { return std::nan(""); }
    double GetElevation() override { return std::nan(""); }
    double GetGHA() override { return std::nan(""); }
    double GetDecTopo() override { return std::nan(""); }
};

class DamagedStationTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    /// A record with the given reals; x87 NaN and infinity built by hand.
    void StoreDamaged(std::uint8_t displayMode) const {
        QByteArray r(static_cast<int>(kRecordSize), '\0');
        const unsigned char nan[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F};
        const unsigned char minusInf[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF};
        const Extended80 huge = EncodeExtended80(1e30L);
        const Extended80 thirty = EncodeExtended80(30.0L);
        std::memcpy(r.data() + record::kLatitude, nan, 10);
        std::memcpy(r.data() + record::kLongitude, huge.data(), 10);
        std::memcpy(r.data() + record::kHeightAsl, minusInf, 10);
        std::memcpy(r.data() + record::kUtcOffset, thirty.data(), 10);
        std::memcpy(r.data() + record::kUserSourceRa, nan, 10);
        std::memcpy(r.data() + record::kUserSourceDec, huge.data(), 10);
        r[static_cast<int>(record::kCalcInterval)] = 60;
        r[static_cast<int>(record::kSourceOption)] = 2; // the user source: swept at start-up
        r[static_cast<int>(record::kDisplayMode)] = static_cast<char>(displayMode);
        QFile f(dir_.filePath(QString::fromLatin1(kDataFileName)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(r), r.size());
    }

private slots:
    void bothWindowsStartAndRun_data() {
        QTest::addColumn<int>("displayMode");
        QTest::newRow("azimuth and elevation") << 0;
        QTest::newRow("hour angle and declination") << 1;
    }

    void bothWindowsStartAndRun() {
        QFETCH(int, displayMode);
        StoreDamaged(static_cast<std::uint8_t>(displayMode));
        RecordingMessages messages;
        HomeStation station;
        FixedClock clock;
        RefusingLibrary library;
        FixedDaylight daylight(false);
        MainWindowServices s;
        s.Station = &station;
        s.Messages = &messages;
        s.Clock = &clock;
        s.Library = &library;
        s.Daylight = &daylight;
        s.WorkingDirectory = dir_.path().toStdString();

        const QString before = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        TForm1 form(s);
        QVERIFY(std::isnan(station.Latitude));
        QCOMPARE(CheckStation(station).size(), std::size_t{6});
        // The home station window shows an offset beyond a day as 0 and keeps 0.
        TForm2 home(station, messages);
        QDir::setCurrent(before);
        QCOMPARE(station.UtcOffset, 0.0L);
        QCOMPARE(CheckStation(station).size(), std::size_t{5});

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // One box after start-up names every field out of range, the
        // offset the home station window has since put right included.
        QTRY_COMPARE(std::count_if(messages.said.begin(), messages.said.end(),
                                   [](const std::string& m) { return m.starts_with("Warning|"); }),
                     std::ptrdiff_t{1});
        const auto box =
            std::find_if(messages.said.begin(), messages.said.end(),
                         [](const std::string& m) { return m.starts_with("Warning|"); });
        for (const char* field : {"latitude", "UTC offset"}) {
            QVERIFY2(box->find(field) != std::string::npos, box->c_str());
        }
        form.hide();
        form.show();
        QTest::qWait(10);
        QCOMPARE(std::count_if(messages.said.begin(), messages.said.end(),
                               [](const std::string& m) { return m.starts_with("Warning|"); }),
                 std::ptrdiff_t{1});
        // Refused until corrected: no table, no "nan" in the real-time
        // grid, and the words of the start-up message, in a box for
        // Calculate and in place of the sources for the real-time grid.
        const auto anyNan = [](GridControl* grid) {
            return std::any_of(
                grid->Cells().Cells().begin(), grid->Cells().Cells().end(),
                [](const GridCell& c) { return c.Value.find("nan") != std::string::npos; });
        };
        for (int tick = 0; tick < 20; ++tick) {
            form.Timer1Timer(); // every source of the real-time display once, twice
        }
        QVERIFY(!anyNan(form.RealTimeGrid));
        QVERIFY(form.StationRefusal->isVisible());
        QVERIFY2(
            form.StationRefusal->text().contains(QLatin1String("latitude NaN is out of range")),
            qPrintable(form.StationRefusal->text()));
        QVERIFY(form.StationRefusal->geometry().left() >= form.RealTimeGrid->ColLeft(2));
        if (const QByteArray shots = qgetenv("VANTREL_SCREENSHOT_DIR"); !shots.isEmpty()) {
            form.resize(1026, 666); // the design size
            form.Timer1Timer();
            form.grab().save(QString::fromLocal8Bit(shots) + "/station-refused.png");
        }
        messages.said.clear();
        form.CalculateClick();
        QCOMPARE(messages.said, std::vector<std::string>{"Warning|Warning|" +
                                                         ProblemsMessage(CheckStation(station))});
        QCOMPARE(form.PlanningGrid->Cells().MaxUsedRow(), 1); // the headers alone
        QCOMPARE(form.SweepCount(), 0);
        form.Panel7Click(); // the other display mode: refused the same way
        QCOMPARE(messages.said.size(), std::size_t{2});
        QCOMPARE(form.PlanningGrid->Cells().MaxUsedRow(), 1);

        // Corrected as in Home Data: the table and the real-time grid again.
        station.Latitude = 52;
        station.Longitude = 5;
        station.HeightAsl = 10;
        station.UserSourceRa = 12;
        station.UserSourceDec = 45;
        messages.said.clear();
        form.CalculateClick();
        QVERIFY(messages.said.empty());
        QVERIFY(form.PlanningGrid->Cells().RowCount() >= 2 + 1 + 24);
        QVERIFY(!anyNan(form.PlanningGrid));
        form.Timer1Timer();
        QVERIFY(!form.StationRefusal->isVisible());
        home.OpenBeside(&form);
        QVERIFY(home.isVisible());
        QTest::qWait(20);
        home.hide();
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::DamagedStationTest)
#include "DamagedStationTest.moc"
