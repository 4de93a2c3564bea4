#include "settings/SettingsWindow.h"
#include "apparent/ConditionsSummary.h"
#include "mainwin/PositionStore.h"
#include "settings/ObservingSettings.h"

#include "../RecordingMessages.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace vantrel {

class SettingsWindowTest : public QObject {
    Q_OBJECT

    static void WriteIni(const QString& dir, const QByteArray& text) {
        QFile f(dir + QStringLiteral("/Vanset.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

    static bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

private slots:
    void StoredConditionsReadBackBitForBit() {
        QTemporaryDir dir;
        ObservingConditions c;
        c.Apparent = true;
        c.Refraction = true;
        c.PressureHpa = 1013.2500000000001; // the last bit must survive the text
        c.TemperatureC = -12.345678901234567;
        c.RelativeHumidityPercent = 0.1 + 0.2;
        c.FrequencyMHz = 10368.1;
        QVERIFY(SaveObservingConditions(dir.path(), c));
        const ObservingConditions back = LoadObservingConditions(dir.path());
        QCOMPARE(back.Apparent, true);
        QCOMPARE(back.Refraction, true);
        QVERIFY(SameBits(back.PressureHpa, c.PressureHpa));
        QVERIFY(SameBits(back.TemperatureC, c.TemperatureC));
        QVERIFY(SameBits(back.RelativeHumidityPercent, c.RelativeHumidityPercent));
        QVERIFY(SameBits(back.FrequencyMHz, c.FrequencyMHz));
    }

    void DamagedValuesTakeTheirDefaults_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::newRow("no section") << QByteArray();
        QTest::newRow("texts") << QByteArray("ApparentPlaces=yes\nRadioRefraction=on\n"
                                             "PressureHpa=high\nTemperatureC=\n"
                                             "RelativeHumidityPercent=fifty\nFrequencyMHz=2m\n");
        QTest::newRow("out of range")
            << QByteArray("ApparentPlaces=2\nRadioRefraction=-1\nPressureHpa=1200.5\n"
                          "TemperatureC=-80.01\nRelativeHumidityPercent=101\nFrequencyMHz=0.5\n");
        QTest::newRow("not finite") << QByteArray("PressureHpa=nan\nTemperatureC=inf\n"
                                                  "RelativeHumidityPercent=-inf\n"
                                                  "FrequencyMHz=1e999\n");
    }
    void DamagedValuesTakeTheirDefaults() {
        QFETCH(QByteArray, section);
        QTemporaryDir dir;
        WriteIni(dir.path(), "[Observing]\n" + section);
        QCOMPARE(LoadObservingConditions(dir.path()), ObservingConditions{});
    }

    void EachSectionKeepsTheOther() {
        QTemporaryDir dir;
        SaveWindowPosition(dir.path(), QRect(11, 12, 1048, 700));
        ObservingConditions c;
        c.Apparent = true;
        QVERIFY(SaveObservingConditions(dir.path(), c));
        QCOMPARE(ReadStoredPosition(dir.path()), (StoredPosition{11, 12, 1048, 700}));
        SaveWindowPosition(dir.path(), QRect(20, 30, 800, 600));
        QCOMPARE(LoadObservingConditions(dir.path()), c);
    }

    void RefusedTextsSayWhyAndCannotBeApplied_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pressure high") << "Pressure"
                                       << "1300"
                                       << "Pressure must be from 0 to 1200 hPa.";
        QTest::newRow("pressure text") << "Pressure"
                                       << "abc"
                                       << "Pressure must be a number.";
        QTest::newRow("decimal comma")
            << "Pressure"
            << " 1013,25"
            << "Pressure must be a number. Use a point as the decimal separator: 1013.25.";
        QTest::newRow("cold") << "Temperature"
                              << "-81"
                              << "Temperature must be from -80 to 60 \u00b0C.";
        QTest::newRow("wet") << "Humidity"
                             << "100.5"
                             << "Relative humidity must be from 0 to 100 %.";
        QTest::newRow("no frequency") << "Frequency"
                                      << ""
                                      << "Frequency must be a number.";
        QTest::newRow("light") << "Frequency"
                               << "2e6"
                               << "Frequency must be from 1 MHz to 1000 GHz.";
    }
    void RefusedTextsSayWhyAndCannotBeApplied() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        SettingsWindow w(conditions, messages, dir.path());
        QSignalSpy applied(&w, &SettingsWindow::Applied);
        auto* edit = w.findChild<QLineEdit*>(field);
        QVERIFY(edit != nullptr);
        QVERIFY(w.Apply->isEnabled());
        edit->setText(text);
        QCOMPARE(w.Problem(edit), reason);
        QCOMPARE(edit->toolTip(), reason);
        QVERIFY(!w.Apply->isEnabled());
        w.ApplyClick(); // even called directly, nothing is taken
        QCOMPARE(conditions, ObservingConditions{});
        QCOMPARE(applied.count(), 0);
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/Vanset.ini")));
    }

    void ApplyStoresKeepsAndAnnouncesOnlyAChange() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        SettingsWindow w(conditions, messages, dir.path());
        QSignalSpy applied(&w, &SettingsWindow::Applied);
        w.ApplyClick();
        QCOMPARE(applied.count(), 0); // nothing changed: no recomputation

        w.ApparentPlaces->setChecked(true);
        w.RadioRefraction->setChecked(true);
        w.Pressure->setText(QStringLiteral(" 950.5 "));
        w.Frequency->setText(QStringLiteral("144.3"));
        QVERIFY(w.Apply->isEnabled());
        QTest::mouseClick(w.Apply, Qt::LeftButton);
        QCOMPARE(applied.count(), 1);
        QVERIFY(conditions.Apparent && conditions.Refraction);
        QCOMPARE(conditions.PressureHpa, 950.5);
        QCOMPARE(conditions.FrequencyMHz, 144.3);
        QCOMPARE(LoadObservingConditions(dir.path()), conditions);
        QVERIFY(messages.said.empty());
    }

    void OpeningShowsTheConditionsHeld() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        SettingsWindow w(conditions, messages, dir.path());
        w.Humidity->setText(QStringLiteral("7")); // typed, never applied
        conditions.TemperatureC = -3.5;           // changed elsewhere meanwhile
        w.OpenBeside(nullptr);
        QCOMPARE(w.Humidity->text(), QStringLiteral("50"));
        QCOMPARE(w.Temperature->text(), QStringLiteral("-3.5"));
        w.close();
    }

    void AFolderThatCannotBeWrittenStillAppliesForTheRun() {
        QTemporaryDir dir;
        // A folder under a plain file can never be made.
        WriteIni(dir.path(), "x");
        const QString missing = dir.path() + QStringLiteral("/Vanset.ini/folder");
        ObservingConditions conditions;
        RecordingMessages messages;
        SettingsWindow w(conditions, messages, missing);
        w.ApparentPlaces->setChecked(true);
        w.ApplyClick();
        QVERIFY(conditions.Apparent);
        QCOMPARE(messages.said.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(messages.said[0]).startsWith(QStringLiteral("Error||")));
    }

    // The UT1 line says which UT1 is in use, and Apply keeps the series
    // found in the data folder (it is not a typed setting).
    void Ut1LineSaysWhichIsInUse() {
        QTemporaryDir dir;
        ObservingConditions c;
        RecordingMessages messages;
        SettingsWindow w(c, messages, dir.path());
        QCOMPARE(
            w.Ut1Source->text(),
            QStringLiteral("UT1 = UTC: no finals2000A.all, .daily or .data in the data folder"));
        w.SetUt1Problem("finals2000A.all holds no UT1-UTC value.");
        QCOMPARE(w.Ut1Source->text(),
                 QStringLiteral("UT1 = UTC: finals2000A.all holds no UT1-UTC value."));

        std::string days = "261120 61364.00" + std::string(42, ' ') + "I 0.0412345\n";
        days += "damaged\n261121 61365.00" + std::string(42, ' ') + "P 0.0409443\n";
        c.Ut1 = ReadEarthOrientation(days, "finals2000A.daily").Table;
        w.SetUt1Problem({});
        w.OpenBeside(nullptr);
        QCOMPARE(w.Ut1Source->text(),
                 QStringLiteral("UT1 from IERS finals2000A: finals2000A.daily, 2026-11-20 to "
                                "2026-11-21, predicted from 2026-11-21; 1 damaged line skipped"));
        const auto series = c.Ut1;
        w.ApparentPlaces->setChecked(true);
        w.ApplyClick();
        QVERIFY(c.Apparent);
        QCOMPARE(c.Ut1, series);
        if (const QByteArray shots = qgetenv("VANTREL_SCREENSHOT_DIR"); !shots.isEmpty()) {
            w.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/settings-ut1.png"));
        }
        w.close();
    }

    void SummaryNamesWhatTheTableHolds() {
        ObservingConditions c;
        QCOMPARE(QString::fromStdString(ConditionsSummary(c)), QString());
        c.Apparent = true;
        QCOMPARE(QString::fromStdString(ConditionsSummary(c)),
                 QStringLiteral("apparent places of date, UT1 = UTC"));
        c.Refraction = true;
        c.PressureHpa = 1013.25;
        c.TemperatureC = -5;
        c.RelativeHumidityPercent = 80;
        c.FrequencyMHz = 10368;
        QCOMPARE(QString::fromUtf8(ConditionsSummary(c)),
                 QStringLiteral("apparent places of date, radio refraction 1013.25 hPa -5 \u00b0C "
                                "80 % 10368 MHz, UT1 = UTC"));
        // An IERS series (two days, the second predicted) over the table's days.
        c.Ut1 = ReadEarthOrientation(std::string(57, ' ') + "I 0.0412345\n" + std::string(57, ' ') +
                                         "P 0.0409443\n",
                                     "finals2000A.daily")
                    .Table;
        QVERIFY(c.Ut1 == nullptr); // no MJD: both lines damaged
        std::string days = "261120 61364.00";
        days += std::string(42, ' ') + "I 0.0412345\n261121 61365.00" + std::string(42, ' ') +
                "P 0.0409443\n";
        c.Ut1 = ReadEarthOrientation(days, "finals2000A.daily").Table;
        QVERIFY(c.Ut1 != nullptr);
        QVERIFY(QString::fromUtf8(ConditionsSummary(c, 61364.0, 61364.0))
                    .endsWith(QStringLiteral("MHz, UT1 from IERS finals2000A")));
        QVERIFY(QString::fromUtf8(ConditionsSummary(c, 61364.0, 61366.0))
                    .endsWith(QStringLiteral("MHz, UT1 from IERS finals2000A, predicted; its last "
                                             "value held after 2026-11-21")));
        // Dates beyond the file and its 30 held days: the file's end said.
        QVERIFY(QString::fromUtf8(ConditionsSummary(c, 61400.0, 61401.0))
                    .endsWith(QStringLiteral(
                        "MHz, finals2000A.daily ends 2026-11-21: UT1 = UTC for these dates")));
        c.Apparent = false;
        QVERIFY(QString::fromUtf8(ConditionsSummary(c)).endsWith(QStringLiteral("MHz")));
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::SettingsWindowTest)
#include "SettingsWindowTest.moc"
