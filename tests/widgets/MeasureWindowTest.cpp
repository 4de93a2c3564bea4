#include "measurewin/MeasureWindow.h"

#include "astro/DateTime.h"
#include "measure/MeasureConstants.h"
#include "measure/MeasurementLog.h"
#include "measure/MoonBrightness.h"
#include "measure/YFactor.h"
#include "measurewin/GOverTBudgetPanel.h"
#include "measurewin/GOverTHistory.h"
#include "measurewin/MeasureSettings.h"
#include "measurewin/SolarFluxFilePanel.h"
#include "scan/ScanLog.h"
#include "settings/ObservingSettings.h"
#include "settings/SettingsWindow.h"

#include "../RecordingMessages.h"
#include "../WindowHarness.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace vantrel {

namespace {

constexpr int kCasARow = 2;
constexpr int kMoonRow = 7;
constexpr int kSunRow = 8;
constexpr int kElevationCol = 1;
constexpr int kYCol = 6;
constexpr int kTskyCol = 7;
constexpr int kNoteCol = 8;

} // namespace

class MeasureWindowTest : public QObject {
    Q_OBJECT

    test::SetClock clock_{EncodeDateTime(2026, 12, 9, 20, 0, 0)};
    test::KnownSunMoon library_;
    HomeStation station_; // option 0: Cassiopeia A in row 3
    ApparentPlaces places_;

    static QString Cell(const MeasureWindow& w, int row, int col) {
        return w.Table->item(row, col)->text();
    }
    static QStringList LogLines(const MeasureWindow& w) {
        QFile f(w.LogPath());
        if (!f.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    /// Points on the chart, all lines together.
    static int Points(const MeasureWindow& w) {
        int n = 0;
        for (const QLineSeries* s : w.HistorySeries()) {
            n += s->count();
        }
        return n;
    }
    static measure::MeasurementRecord Record(const char* utc, const char* source, double mhz,
                                             double gt) {
        measure::MeasurementRecord r;
        r.Utc = utc;
        r.Source = source;
        r.ElevationDeg = 30;
        r.FrequencyMHz = mhz;
        r.Antenna = "dish 3 m, efficiency 0.55";
        r.TsysK = 60;
        r.MeasuredYDb = 2.5;
        r.GOverTDbPerK = gt;
        return r;
    }
    /// A measured Y on the Moon, every value accepted: Log is possible.
    static void MeasureOnMoon(MeasureWindow& w, const char* yDb = "3") {
        w.Source->setCurrentIndex(kMoonRow);
        w.MeasuredY->setText(QLatin1String(yDb));
    }

private slots:
    void TypingValuesRefreshesTheTable() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        QCOMPARE(w.Table->rowCount(), 9);
        QCOMPARE(Cell(w, 0, 0), QStringLiteral("Aquarius"));
        QCOMPARE(Cell(w, kCasARow, 0), QStringLiteral("Cassiopeia-A"));
        QCOMPARE(Cell(w, kMoonRow, 0), QStringLiteral("Moon"));
        QCOMPARE(Cell(w, kSunRow, 0), QStringLiteral("Sun"));
        QCOMPARE(Cell(w, 0, kNoteCol), QStringLiteral("no model"));
        QCOMPARE(Cell(w, 0, kYCol), QString());
        QCOMPARE(Cell(w, kMoonRow, kElevationCol), QStringLiteral("33.30"));

        w.Tsys->setText(QStringLiteral("200"));
        const double warm = Cell(w, kMoonRow, kYCol).toDouble();
        w.Tsys->setText(QStringLiteral("50"));
        const double cold = Cell(w, kMoonRow, kYCol).toDouble();
        QVERIFY2(warm > 0 && cold > 3 * warm,
                 qPrintable(QStringLiteral("%1 %2").arg(warm).arg(cold)));
        w.Diameter->setText(QStringLiteral("10"));
        QVERIFY(Cell(w, kMoonRow, kYCol).toDouble() > cold);

        // A gain antenna instead of a dish: only the gain counts then.
        w.Antenna->setCurrentIndex(static_cast<int>(AntennaKind::Gain));
        w.Diameter->setText(QStringLiteral("bad"));
        w.Gain->setText(QStringLiteral("13"));
        QVERIFY(w.Problem(w.Diameter).isEmpty());
        QVERIFY(!Cell(w, kMoonRow, kYCol).isEmpty());

        // Below the horizon in grey, as the real-time display shows it.
        QCOMPARE(w.Table->item(kSunRow, 0)->foreground().color(), QColor(Qt::gray));
        QVERIFY(w.Table->item(kMoonRow, 0)->foreground().color() != QColor(Qt::gray));
    }

    void BadInputSaysWhyAndDisablesLog_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no frequency") << "Frequency"
                                      << "0"
                                      << "Frequency must be from 1 MHz to 1000 GHz.";
        QTest::newRow("frequency text") << "Frequency"
                                        << "10 GHz"
                                        << "Frequency must be a number.";
        QTest::newRow("diameter") << "Diameter"
                                  << "-3"
                                  << "The dish diameter must be a positive number.";
        QTest::newRow("efficiency") << "Efficiency"
                                    << "1.01"
                                    << "The aperture efficiency must be above 0 and at most 1.";
        QTest::newRow("no efficiency") << "Efficiency"
                                       << "0"
                                       << "The aperture efficiency must be above 0 and at most 1.";
        QTest::newRow("tsys") << "Tsys"
                              << "nan"
                              << "The system temperature must be a positive number.";
        QTest::newRow("decimal comma") << "Tsys"
                                       << "75,5"
                                       << "The system temperature must be a positive number. "
                                          "Use a point as the decimal separator: 75.5.";
        QTest::newRow("solar") << "SolarFlux"
                               << "-70"
                               << "The solar flux must be a positive number of sfu, or a table "
                                  "MHz:sfu,MHz:sfu,...";
        QTest::newRow("solar table") << "SolarFlux"
                                     << "1415:70,1415:72"
                                     << "";
        QTest::newRow("moon") << "MoonTemperature"
                              << "inf"
                              << "The Moon's temperature must be a positive number.";
        // As vantrel-noise holds it: a lunar disk is 50 to 400 K.
        QTest::newRow("moon too hot") << "MoonTemperature"
                                      << "4500"
                                      << "The Moon's temperature must be 50 to 400 K.";
    }
    void BadInputSaysWhyAndDisablesLog() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        MeasureOnMoon(w);
        QVERIFY(w.Log->isEnabled());
        QVERIFY(w.GOverT->text().startsWith(QLatin1String("G/T ")));
        auto* edit = w.findChild<QLineEdit*>(field);
        QVERIFY(edit != nullptr);
        edit->setText(text);
        if (reason.isEmpty()) {
            QVERIFY(!w.Problem(edit).isEmpty()); // the core's own sentence
        } else {
            QCOMPARE(w.Problem(edit), reason);
        }
        const QList<QLabel*> shown = edit->parentWidget()->findChildren<QLabel*>();
        bool said = false;
        for (const QLabel* l : shown) {
            said = said || (l->isVisibleTo(&w) && l->text() == w.Problem(edit));
        }
        QVERIFY(said);
        QVERIFY(!w.Log->isEnabled());
        QVERIFY(!w.GOverT->text().startsWith(QLatin1String("G/T ")));
        // A refused frequency never reaches the program's conditions.
        QCOMPARE(conditions.FrequencyMHz, ObservingConditions{}.FrequencyMHz);
        w.LogClick();
        QVERIFY(!QFile::exists(w.LogPath()));
    }

    void AMeasuredYOfZeroHasNoGOverT_data() {
        QTest::addColumn<QString>("y");
        QTest::newRow("zero") << "0";
        QTest::newRow("negative") << "-0.5";
        QTest::newRow("text") << "three";
    }
    void AMeasuredYOfZeroHasNoGOverT() {
        QFETCH(QString, y);
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        MeasureOnMoon(w);
        w.MeasuredY->setText(y);
        QVERIFY(!w.Problem(w.MeasuredY).isEmpty());
        QCOMPARE(w.GOverT->text(), w.Problem(w.MeasuredY));
        QVERIFY(!w.Log->isEnabled());
        // A source without a flux model has no G/T either, whatever Y.
        w.MeasuredY->setText(QStringLiteral("1"));
        w.Source->setCurrentIndex(0);
        QCOMPARE(w.GOverT->text(), QStringLiteral("Aquarius has no flux model: no G/T."));
        QVERIFY(!w.Log->isEnabled());
    }

    void LogAppendsAndTheChartGainsAPoint() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        conditions.FrequencyMHz = 10368;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        w.LoadHistory();
        QCOMPARE(Points(w), 0);
        MeasureOnMoon(w, "2.5");
        const QString gt = w.GOverT->text();
        w.Log->click();
        QVERIFY(messages.said.empty());
        QStringList lines = LogLines(w);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QString::fromLatin1(measure::kMeasurementLogHeader.data(),
                                               measure::kMeasurementLogHeader.size()));
        QVERIFY2(lines[1].startsWith(QLatin1String("2026-12-09T20:00:00Z,Moon,33.3,10368,")),
                 qPrintable(lines[1]));
        QCOMPARE(Points(w), 1);
        // The G/T shown, with the budget's σ without the Y's own.
        QVERIFY2(gt.startsWith(QStringLiteral("G/T %1 dB/K (\u03c3 at least ")
                                   .arg(w.HistorySeries().front()->at(0).y(), 0, 'f', 2)),
                 qPrintable(gt));

        clock_.reading.Local += 1.0 / 24;
        w.MeasuredY->setText(QStringLiteral("2.4"));
        w.Log->click();
        QCOMPARE(LogLines(w).size(), 3);
        QCOMPARE(w.HistorySeries().size(), 1);
        const QLineSeries* moon = w.HistorySeries().front();
        QCOMPARE(moon->count(), 2);
        QVERIFY(moon->at(1).x() > moon->at(0).x());
        QVERIFY(moon->at(1).y() < moon->at(0).y());
        clock_.reading.Local -= 1.0 / 24;
    }

    /// What Log writes of a Y: typed by hand, "typed" and the σ typed with
    /// it ("2.5 ± 0.05") or none; taken from the Receiver window, its
    /// method, σ and the span of its blocks. Tsys is the measurement's,
    /// G/(G/T); every value rounded as the log rounds; the list shows σ,
    /// method and antenna.
    void LogKeepsHowTheYWasMeasured() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        conditions.FrequencyMHz = 10368;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        MeasureOnMoon(w, "2.5");
        w.Log->click();
        w.MeasuredY->setText(QStringLiteral("2.5 \u00b1 0.05"));
        QVERIFY2(w.GOverT->text().contains(QStringLiteral("\u00b1")), qPrintable(w.GOverT->text()));
        w.Log->click();
        TakenY taken;
        taken.YDb = 2.4567;
        taken.SigmaDb = 0.03125;
        taken.Method = "off-on-off, gain drift over 26 s";
        taken.FirstUtc = EncodeDateTime(2026, 12, 9, 19, 58, 0) + 0.25 / 86400.0;
        taken.LastUtc = EncodeDateTime(2026, 12, 9, 19, 59, 0);
        w.TakeMeasuredY(taken);
        w.Log->click();
        QVERIFY(messages.said.empty());
        const auto& records = w.LogRead().Records;
        QCOMPARE(records.size(), std::size_t{3});
        QCOMPARE(records[0].Method, std::string("typed"));
        QVERIFY(!records[0].YSigmaDb && !records[0].GOverTSigmaDb);
        QCOMPARE(records[1].Method, std::string("typed"));
        QCOMPARE(records[1].YSigmaDb, std::optional<double>(0.05));
        QVERIFY(records[1].GOverTSigmaDb && *records[1].GOverTSigmaDb > 0);
        const measure::MeasurementRecord& r = records[2];
        QCOMPARE(r.Method, taken.Method);
        QCOMPARE(r.MeasuredYDb, 2.457);
        QCOMPARE(r.YSigmaDb, std::optional<double>(0.0313));
        QCOMPARE(r.BlocksUtcStart, std::string("2026-12-09T19:58:00.250Z"));
        QCOMPARE(r.BlocksUtcEnd, std::string("2026-12-09T19:59:00.000Z"));
        // Tsys = G/(G/T) of the 3 m dish, to 0.1 K.
        const auto beam = BeamOf(w.Setup(), conditions.FrequencyMHz);
        const double tsys = measure::SystemTemperatureFromGOverTK(beam->GainDbi, r.GOverTDbPerK);
        QVERIFY2(std::abs(r.TsysK - tsys) <= 0.05 + 1e-9,
                 qPrintable(QStringLiteral("%1 K, %2 expected").arg(r.TsysK).arg(tsys)));
        QCOMPARE(r.TsysK, std::round(r.TsysK * 10.0) / 10.0);
        // The list, the latest first.
        const QString y = w.Entries->item(0, 3)->text();
        QVERIFY2(y == QStringLiteral("2.457 \u00b1 0.031"), qPrintable(y));
        QCOMPARE(w.Entries->item(0, 6)->text(), QString::fromStdString(taken.Method));
        QCOMPARE(w.Entries->item(0, 7)->text(), QStringLiteral("dish 3 m, efficiency 0.55"));
        QCOMPARE(w.Entries->item(2, 6)->text(), QStringLiteral("typed"));
        QCOMPARE(w.Entries->item(2, 3)->text(), QStringLiteral("2.500"));
    }

    void DamagedLinesAreSkippedAndCounted() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        measure::MeasurementRecord r;
        r.Utc = "2026-12-01T20:00:00Z";
        r.Source = "Moon";
        r.ElevationDeg = 30;
        r.FrequencyMHz = 10368;
        r.Antenna = "dish 3 m, efficiency 0.55";
        r.TsysK = 60;
        r.MeasuredYDb = 2.5;
        r.GOverTDbPerK = 30.1;
        QVERIFY(!measure::AppendMeasurement(w.LogPath().toStdString(), r));
        QFile f(w.LogPath());
        QVERIFY(f.open(QIODevice::Append));
        f.write("2026-12-02T20:00:00Z,Moon,30\n\"unterminated,quote\n");
        f.close();
        w.OpenBeside(nullptr);
        QCOMPARE(Points(w), 1);
        QVERIFY2(w.Skipped->text().contains(QLatin1String("2 damaged lines skipped")),
                 qPrintable(w.Skipped->text()));
        w.close();
    }

    void AnUnwritableLogIsReportedAndNothingElseIsLost() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        // A folder where the log should be: no file can be opened there, for
        // root as for anyone.
        QVERIFY(QDir(dir.path()).mkdir(QLatin1String(measure::kMeasurementLogName)));
        w.Tsys->setText(QStringLiteral("75"));
        MeasureOnMoon(w, "2.5");
        const QString gt = w.GOverT->text();
        w.Log->click();
        QCOMPARE(messages.said.size(), std::size_t{1});
        QVERIFY2(messages.said[0].starts_with("Error||"), messages.said[0].c_str());
        QCOMPARE(w.Tsys->text(), QStringLiteral("75"));
        QCOMPARE(w.MeasuredY->text(), QStringLiteral("2.5"));
        QCOMPARE(w.Source->currentIndex(), kMoonRow);
        QCOMPARE(w.GOverT->text(), gt);
        QVERIFY(w.Log->isEnabled());
        QCOMPARE(Points(w), 0);
    }

    void TheFrequencyIsSharedWithTheSettings() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        MeasureWindow measure(conditions, station_, library_, clock_, messages, dir.path());
        SettingsWindow settings(conditions, messages, dir.path());
        ShareFrequency(measure, settings);
        QSignalSpy applied(&settings, &SettingsWindow::Applied);
        QCOMPARE(measure.Frequency->text(), QStringLiteral("1420"));

        QSignalSpy stored(&measure, &MeasureWindow::FrequencyChanged);
        measure.Frequency->setText(QStringLiteral("10368"));
        emit measure.Frequency->editingFinished();
        emit measure.Frequency->editingFinished(); // focus left again: nothing new
        QCOMPARE(stored.count(), 1);
        QCOMPARE(conditions.FrequencyMHz, 10368.0);
        QCOMPARE(settings.Frequency->text(), QStringLiteral("10368"));
        QCOMPARE(LoadObservingConditions(dir.path()).FrequencyMHz, 10368.0);
        // Applying the settings now keeps it.
        settings.ApplyClick();
        QCOMPARE(conditions.FrequencyMHz, 10368.0);

        settings.Frequency->setText(QStringLiteral("1296"));
        settings.ApplyClick();
        QCOMPARE(applied.count(), 1);
        QCOMPARE(measure.Frequency->text(), QStringLiteral("1296"));
        const QString y1296 = Cell(measure, kMoonRow, kYCol);
        measure.Frequency->setText(QStringLiteral("2304"));
        QVERIFY(Cell(measure, kMoonRow, kYCol) != y1296);
    }

    void TheValuesAreKeptInVanset() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        {
            MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
            w.Diameter->setText(QStringLiteral("5"));
            emit w.Diameter->editingFinished();
            w.Antenna->setCurrentIndex(static_cast<int>(AntennaKind::Gain));
            w.Gain->setText(QStringLiteral("17.5"));
            w.Diameter->setText(QStringLiteral("x")); // not used by a gain antenna
            w.SolarFlux->setText(QStringLiteral("1415:70,2695:98"));
            emit w.SolarFlux->editingFinished();
        }
        const MeasureSetup back = LoadMeasureSetup(dir.path());
        QCOMPARE(back.Antenna, AntennaKind::Gain);
        QCOMPARE(back.GainDbi, 17.5);
        QCOMPARE(back.DishDiameterM, 5.0); // kept though its field now reads "x"
        QCOMPARE(back.SolarFlux, std::string("1415:70,2695:98"));
        MeasureWindow again(conditions, station_, library_, clock_, messages, dir.path());
        QCOMPARE(again.Gain->text(), QStringLiteral("17.5"));
        QCOMPARE(again.Antenna->currentIndex(), static_cast<int>(AntennaKind::Gain));

        // Damaged values read as their defaults.
        QFile ini(dir.path() + QStringLiteral("/Vanset.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[Measure]\nAntennaKind=7\nDishDiameterM=-1\nEfficiency=1.5\nGainDbi=x\n"
                  "TsysK=nan\nSolarFlux=abc\nMoonTemperatureK=0\n");
        ini.close();
        QCOMPARE(LoadMeasureSetup(dir.path()), MeasureSetup{});
    }

    /// A wrong entry could only be taken out by editing the file by hand.
    void AWithdrawnEntryStaysInTheLogAndLeavesTheChart() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        const std::string path = w.LogPath().toStdString();
        QVERIFY(
            !measure::AppendMeasurement(path, Record("2026-12-01T20:00:00Z", "Moon", 10368, 30.1)));
        QVERIFY(
            !measure::AppendMeasurement(path, Record("2026-12-02T20:00:00Z", "Moon", 10368, 12.0)));
        QVERIFY(
            !measure::AppendMeasurement(path, Record("2026-12-03T20:00:00Z", "Moon", 10368, 30.3)));
        w.LoadHistory();
        QCOMPARE(Points(w), 3);
        QCOMPARE(w.Entries->rowCount(), 3);
        QVERIFY(!w.Withdraw->isEnabled());
        w.Entries->selectRow(1); // the latest first: the wrong one of 2 December
        QCOMPARE(w.Entries->item(1, 4)->text(), QStringLiteral("12.00"));
        QCOMPARE(w.Withdraw->text(), QStringLiteral("Withdraw"));

        messages.answer = false; // asked, and thought better of it
        w.Withdraw->click();
        QCOMPARE(messages.said.size(), std::size_t{1});
        QVERIFY(messages.said[0].starts_with("Question|"));
        QCOMPARE(Points(w), 3);

        messages.answer = true;
        w.Withdraw->click();
        QCOMPARE(Points(w), 2);
        QVERIFY(w.Skipped->text().contains(QStringLiteral("2 measurements")) &&
                w.Skipped->text().contains(QStringLiteral("1 withdrawn")));
        QCOMPARE(w.Entries->item(1, 5)->text(), QStringLiteral("withdrawn"));
        QVERIFY(w.Entries->item(1, 4)->font().strikeOut());
        QCOMPARE(w.Withdraw->text(), QStringLiteral("Restore"));
        for (const QLineSeries* line : w.HistorySeries()) {
            for (const QPointF& p : line->points()) {
                QVERIFY(p.y() > 30); // the withdrawn 12 dB/K is not drawn
            }
        }
        // Kept in the file, marked, read so by anyone.
        const QStringList lines = LogLines(w);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[2].startsWith(QLatin1String("2026-12-02T20:00:00Z,")) &&
                lines[2].endsWith(QLatin1String(",withdrawn")));
        measure::MeasurementLog read;
        QVERIFY(!measure::ReadMeasurementLog(path, read));
        QVERIFY(!read.Records[0].Withdrawn && read.Records[1].Withdrawn &&
                !read.Records[2].Withdrawn);

        // Taken back into use without a question.
        w.Withdraw->click();
        QCOMPARE(Points(w), 3);
        QCOMPARE(messages.said.size(), std::size_t{2});
        QCOMPARE(w.Withdraw->text(), QStringLiteral("Withdraw"));
    }

    /// All sources and frequencies were joined in one line, with ticks at
    /// odd times and 1970 on an empty chart.
    void TheChartHasALinePerSourceAndBand() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        auto* time =
            qobject_cast<QCategoryAxis*>(w.History->chart()->axes(Qt::Horizontal).value(0));
        QVERIFY(time != nullptr);
        w.LoadHistory(); // no log yet: the present day
        QCOMPARE(Points(w), 0);
        QVERIFY(time->min() >= EncodeDate(2026, 12, 9) && time->max() <= EncodeDate(2026, 12, 11));

        const std::string path = w.LogPath().toStdString();
        const measure::MeasurementRecord records[] = {
            Record("2026-12-01T20:17:00Z", "Moon", 10368, 30.1),
            Record("2026-12-04T03:00:00Z", "Moon", 1296, 14.0),
            Record("2026-12-05T21:40:00Z", "Sun", 10368.2, 29.5),
            Record("2026-12-08T22:05:00Z", "Moon", 10368.1, 30.4),
        };
        for (const auto& r : records) {
            QVERIFY(!measure::AppendMeasurement(path, r));
        }
        w.LoadHistory();
        QStringList names;
        for (const QLineSeries* line : w.HistorySeries()) {
            names << QStringLiteral("%1:%2").arg(line->name()).arg(line->count());
        }
        QCOMPARE(names, (QStringList{QStringLiteral("Moon, 1296 MHz:1"),
                                     QStringLiteral("Moon, 10368-10368.2 MHz:2"),
                                     QStringLiteral("Sun, 10368-10368.2 MHz:1")}));
        // Marks on midnights (RoundTimeAxis) from before the first to after
        // the last.
        QVERIFY(time->min() <= EncodeDateTime(2026, 12, 1, 20, 17, 0) &&
                time->max() >= EncodeDateTime(2026, 12, 8, 22, 5, 0));
        QCOMPARE(std::fmod(time->min(), 1.0), 0.0);
        QVERIFY(time->categoriesLabels().contains(QStringLiteral("2026-12-07"))); // a Monday
    }

    /// The Measure window always started on Aquarius, which has no flux.
    void TheSourceMeasuredOnIsKept() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        {
            MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
            QCOMPARE(w.Source->currentText(), QStringLiteral("Cassiopeia-A"));
            QVERIFY(w.GOverT->styleSheet().isEmpty());
            w.Source->setCurrentIndex(kMoonRow);
        }
        MeasureWindow again(conditions, station_, library_, clock_, messages, dir.path());
        QCOMPARE(again.Source->currentIndex(), kMoonRow);
        QCOMPARE(LoadMeasureSetup(dir.path()).Source, std::string("Moon"));
        QVERIFY(messages.said.empty());
    }

    void LoggingBelowOrBehindTheHorizonAsksFirst_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<double>("skylineDeg"); // at the Moon's azimuth 100°
        QTest::addColumn<bool>("asks");
        QTest::newRow("Sun below the horizon") << kSunRow << 0.0 << true;
        QTest::newRow("Moon behind a wall") << kMoonRow << 40.0 << true;
        QTest::newRow("Moon above the skyline") << kMoonRow << 20.0 << false;
    }
    void LoggingBelowOrBehindTheHorizonAsksFirst() {
        QFETCH(int, row);
        QFETCH(double, skylineDeg);
        QFETCH(bool, asks);
        QTemporaryDir dir;
        ObservingConditions conditions;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        const HorizonProfile horizon({{0, 0}, {90, skylineDeg}, {110, skylineDeg}, {200, 0}});
        w.Horizon = [&horizon] { return &horizon; };
        w.Source->setCurrentIndex(row);
        w.MeasuredY->setText(QStringLiteral("0.5"));
        QVERIFY(w.Log->isEnabled());
        messages.answer = false;
        w.Log->click();
        QCOMPARE(messages.said.size(), std::size_t{asks ? 1U : 0U});
        QCOMPARE(LogLines(w).size(), asks ? 0 : 2);
        if (asks) {
            QVERIFY(messages.said[0].starts_with("Question|"));
            messages.answer = true;
            w.Log->click();
            QCOMPARE(LogLines(w).size(), 2);
        }
    }

    /// The Moon by its phase unless its temperature is typed: an explicit
    /// choice, kept in Vanset.ini.
    void TheMoonIsTakenByItsPhaseUnlessTyped() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        conditions.FrequencyMHz = 10368;
        RecordingMessages messages;
        {
            MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
            w.Refresh();
            QVERIFY(!w.MoonTyped->isChecked());
            QVERIFY(!w.MoonTemperature->isEnabled());
            const QRegularExpression phase(QStringLiteral("(\\d+) K at phase ([+-]\\d+)\u00b0"));
            const QRegularExpressionMatch m = phase.match(Cell(w, kMoonRow, kNoteCol));
            QVERIFY2(m.hasMatch(), qPrintable(Cell(w, kMoonRow, kNoteCol)));
            const measure::MoonBrightnessModel model = measure::MoonBrightnessAt(10368);
            const double k = m.captured(1).toDouble();
            QVERIFY(k >= model.MeanK - model.AmplitudeK - 1 &&
                    k <= model.MeanK + model.AmplitudeK + 1);
            QCOMPARE(std::round(measure::MoonBrightnessK(10368, m.captured(2).toDouble())), k);
            const QString byPhase = Cell(w, kMoonRow, kYCol);
            w.MoonTemperature->setText(QStringLiteral("120"));
            QCOMPARE(Cell(w, kMoonRow, kYCol), byPhase); // the typed value does not count

            w.MoonTyped->setChecked(true);
            QVERIFY(w.MoonTemperature->isEnabled());
            QVERIFY(!Cell(w, kMoonRow, kNoteCol).contains(QStringLiteral("phase")));
            QVERIFY(Cell(w, kMoonRow, kYCol).toDouble() < byPhase.toDouble()); // 120 K is cold
        }
        QCOMPARE(LoadMeasureSetup(dir.path()).MoonTemperatureTyped, true);
        MeasureWindow again(conditions, station_, library_, clock_, messages, dir.path());
        QVERIFY(again.MoonTyped->isChecked());
        again.MoonTyped->setChecked(false);
        QCOMPARE(LoadMeasureSetup(dir.path()).MoonTemperatureTyped, false);
        QFile ini(dir.path() + QStringLiteral("/Vanset.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(!ini.readAll().contains("MoonTemperatureTyped")); // no key for the default
    }

    /// The sky behind each source from the survey (read off the user
    /// interface thread), the cold-sky reference for the chosen source, and
    /// a G/T measured against it corrected for the background and logged
    /// so.
    void TheSkyBehindTheSourcesCorrectsTheGOverT() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        conditions.FrequencyMHz = 1296;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        w.SkyFolder = QStringLiteral(VANTREL_SKY408_DIR);
        w.Source->setCurrentIndex(kCasARow);
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(w.PresentSky() != nullptr && w.PresentSky()->Reference, 20000);
        const MeasureSky& sky = *w.PresentSky();
        QCOMPARE(Cell(w, kCasARow, kTskyCol), QString::number(sky.TskyK[kCasARow], 'f', 1));
        QVERIFY(sky.TskyK[kCasARow] > 2.7 && sky.TskyK[kCasARow] < 100);
        QCOMPARE(sky.HpbwDeg, SkyBeamDeg(w.Setup(), 1296));
        QVERIFY2(w.ColdSky->text().contains(
                     QStringLiteral("Tsky %1 K").arg(sky.Reference->TskyK, 0, 'f', 1)),
                 qPrintable(w.ColdSky->text()));

        // The chosen source's expected Y against its reference holds the
        // sky's difference: 10 log10(1 + (ΔT + T_sky,source − T_sky,ref)/Tsys).
        const MeasureRow casA = MeasureRows(UtcClock(clock_).UtcNow(), station_, conditions,
                                            library_, places_, w.Setup())[kCasARow];
        const double difference = sky.TskyK[kCasARow] - sky.Reference->TskyK;
        const double y =
            10 * std::log10(1 + (casA.Expected.DeltaTK + difference) / w.Setup().TsysK);
        // By hand, at 1296 MHz at 20:00 UTC: ΔT 1.72 K, the sky 4.65 K behind
        // Cas A and 3.29 K at the reference, Tsys 100 K: 10 log10(1 + 3.08/100)
        // = 0.132 dB, not the 0.074 dB of the source alone.
        QVERIFY2(std::abs(y - 0.132) < 0.002 && std::abs(casA.Expected.YDb - 0.0743) < 0.001,
                 qPrintable(QStringLiteral("%1 %2").arg(y).arg(casA.Expected.YDb)));
        QCOMPARE(Cell(w, kCasARow, kYCol), QString::number(y, 'f', 3));
        QVERIFY(Cell(w, kCasARow, kYCol) != QString::number(casA.Expected.YDb, 'f', 3));
        QVERIFY2(Cell(w, kCasARow, kNoteCol)
                     .contains(QStringLiteral("Y with the sky's difference %1 K")
                                   .arg(QString::asprintf("%+.1f", difference))),
                 qPrintable(Cell(w, kCasARow, kNoteCol)));

        w.MeasuredY->setText(QStringLiteral("0.3"));
        const double plain = measure::MeasuredGOverTDbPerK(
            0.3,
            MeasureRows(UtcClock(clock_).UtcNow(), station_, conditions, library_, places_,
                        w.Setup())[kCasARow]
                .Expected,
            1296);
        QVERIFY2(w.GOverT->text().contains(QStringLiteral("corrected for the background")),
                 qPrintable(w.GOverT->text()));
        w.Log->click();
        const measure::MeasurementRecord& r = w.LogRead().Records.back();
        QVERIFY(r.BackgroundCorrectionDb && r.SkyTskyK && r.ReferenceTskyK);
        QCOMPARE(*r.ReferenceTskyK, std::round(sky.Reference->TskyK * 10) / 10);
        QVERIFY(std::abs(r.GOverTDbPerK - (plain + *r.BackgroundCorrectionDb)) < 0.011);
        QVERIFY(*r.BackgroundCorrectionDb != 0);
        QVERIFY(LogLines(w).last().endsWith(
            QStringLiteral(",%1,\"5.0 %, model\"").arg(*r.BackgroundCorrectionDb, 0, 'g', 6)));
        w.close();
    }

    /// The G/T's budget in the window: its terms and their quadrature sum,
    /// the pointing from the last cross-scan of this source and band, the
    /// sum logged as the G/T's σ with the flux's source.
    void TheGOverTCarriesItsBudget() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        conditions.FrequencyMHz = 10368;
        RecordingMessages messages;
        scan::ScanRecord scan;
        scan.Utc = "2026-12-09T19:40:00Z";
        scan.Procedure = "cross";
        scan.Source = "Moon";
        scan.FrequencyMHz = 10368;
        scan.AzOffsetDeg = 0.03;
        scan.ElOffsetDeg = 0.04;
        scan.HpbwAzDeg = 0.5;
        scan.HpbwElDeg = 0.5;
        const std::string scans =
            (dir.path() + QLatin1Char('/') + scan::kScanLogName).toStdString();
        QVERIFY(!scan::AppendScanRecord(scans, scan));
        scan.Source = "Sun"; // another source: not this one's pointing
        scan.AzOffsetDeg = 0.3;
        QVERIFY(!scan::AppendScanRecord(scans, scan));
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        w.LoadHistory();
        w.Source->setCurrentIndex(kMoonRow);
        w.TakeMeasuredY(TakenY{2.5, 0.04, "off-on-off, scatter of 24 blocks", 0, 0});
        QVERIFY(w.BudgetShown());
        const measure::GOverTBudget& b = *w.BudgetShown();
        QCOMPARE(w.Budget->rowCount(), 7);
        double sum = 0;
        for (int r = 0; r < 6; ++r) {
            if (w.Budget->item(r, 1)->text() != QStringLiteral("\u2014")) {
                sum += std::pow(w.Budget->item(r, 1)->text().toDouble(), 2);
            }
        }
        QVERIFY(std::abs(std::sqrt(sum) - w.Budget->item(6, 1)->text().toDouble()) < 0.003);
        // 0.1 HPBW off (0.05° of 0.5°): 0.120 dB.
        QCOMPARE(w.Budget->item(5, 1)->text(), QStringLiteral("0.120"));
        QVERIFY(w.Budget->item(5, 2)->text().startsWith(QStringLiteral("cross-scan 2026-12-09")));
        // The air at 10368 MHz (1013 hPa, 10 °C, 50 %): 0.0511 dB at the
        // zenith, 0.0930 dB at the Moon's 33.3°, 20 % of it the σ.
        QCOMPARE(w.Budget->item(4, 2)->text(),
                 QStringLiteral("20 % of 0.093 dB at the source (assumed)"));
        QCOMPARE(w.Budget->item(4, 1)->text(), QStringLiteral("0.019"));
        QVERIFY(!w.Atmosphere->isHidden());
        QVERIFY2(w.Atmosphere->text().contains(QStringLiteral("0.093 dB at Moon")),
                 qPrintable(w.Atmosphere->text()));
        QVERIFY(b.Complete); // every term estimated now, the atmosphere too
        QVERIFY2(w.GOverT->text().contains(
                     QStringLiteral("\u00b1 %1 dB/K").arg(b.TotalSigmaDb, 0, 'f', 2)),
                 qPrintable(w.GOverT->text()));
        w.Log->click();
        const measure::MeasurementRecord& r = w.LogRead().Records.back();
        QVERIFY(r.GOverTSigmaDb);
        QCOMPARE(*r.GOverTSigmaDb, std::round(b.TotalSigmaDb * 1000) / 1000);
        QCOMPARE(r.FluxSource, std::string("5.0 %, model"));
    }

    /// "Load solar flux…": NOAA's list read off the user-interface thread,
    /// the Sun's flux of the station nearest the measurement between the two
    /// frequencies around the observing one, its scatter as the budget's
    /// flux σ and its provenance in the log; the path kept in Vanset.ini and
    /// read again at start; a day whose stations disagree flagged; "Typed"
    /// back to the flux typed.
    void TheSunTakesTheDaysFluxFromAnObservatoryFile() {
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/solar_radio_flux.txt");
        QVERIFY(QFile::copy(QStringLiteral(VANTREL_SOLAR_FLUX_DIR "/solar_radio_flux.txt"), file));
        ObservingConditions conditions;
        conditions.FrequencyMHz = 10368;
        RecordingMessages messages;
        messages.answer = true; // the Sun is below the horizon at 20:00 UTC: log it all the same
        {
            MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
            w.SolarFile->AskPath = [file] { return file; };
            w.SolarFile->Load->click();
            QTRY_VERIFY_WITH_TIMEOUT(!w.SolarFile->Reading(), 5000);
            // 2026-12-09 20:00 UTC: Sagamore Hill's 17:00 flux is nearest, 255
            // sfu at 8800 and 510 at 15400 MHz; at 10368 MHz 255 · 2^0.29301
            // = 312.42 sfu. The three stations of the day: 318.6, 330.8 and
            // 312.4 sfu, a scatter of 2.92 %.
            QVERIFY2(std::abs(Cell(w, kSunRow, 2).toDouble() / measure::kJanskyPerSfu - 312.42) <
                         0.05,
                     qPrintable(Cell(w, kSunRow, 2)));
            const QString note = Cell(w, kSunRow, kNoteCol);
            QVERIFY2(note.startsWith(QStringLiteral(
                         "solar flux Sagamore Hill 2026-12-09 17:00 UTC from 8800 and 15400 MHz; "
                         "3 stations scatter 2.9 %")),
                     qPrintable(note));
            QVERIFY2(w.SolarFile->Choice->text().startsWith(
                         QStringLiteral("solar_radio_flux.txt: 312.4 sfu, solar flux Sagamore")),
                     qPrintable(w.SolarFile->Choice->text()));
            QVERIFY(w.SolarFile->Choice->styleSheet().isEmpty());
            w.Source->setCurrentIndex(kSunRow);
            w.MeasuredY->setText(QStringLiteral("10"));
            QVERIFY(w.BudgetShown());
            // 10/ln 10 · 0.0292 = 0.127 dB.
            QCOMPARE(w.Budget->item(1, 1)->text(), QStringLiteral("0.127"));
            QVERIFY2(w.Budget->item(1, 2)->text().startsWith(
                         QStringLiteral("2.9 %, solar flux Sagamore Hill 2026-12-09 17:00 UTC")),
                     qPrintable(w.Budget->item(1, 2)->text()));
            w.Log->click();
            const measure::MeasurementRecord& r = w.LogRead().Records.back();
            QVERIFY2(r.FluxSource.find("solar flux Sagamore Hill 2026-12-09 17:00 UTC from 8800 "
                                       "and 15400 MHz") != std::string::npos,
                     r.FluxSource.c_str());
            QVERIFY(r.SolarFluxSfu && std::abs(*r.SolarFluxSfu - 312.42) < 0.05);
        }
        QCOMPARE(QString::fromStdString(LoadMeasureSetup(dir.path()).SolarFluxFile), file);

        // Read again at start. 2026-12-10 23:00 UTC: Palehua's 8800 MHz flux,
        // 360 sfu against Sagamore Hill's 257, 40 % apart: flagged.
        clock_.reading.Local += 27.0 / 24;
        MeasureWindow again(conditions, station_, library_, clock_, messages, dir.path());
        QTRY_VERIFY_WITH_TIMEOUT(!again.SolarFile->Reading(), 5000);
        again.Refresh();
        clock_.reading.Local -= 27.0 / 24;
        const QString flagged = Cell(again, kSunRow, kNoteCol);
        QVERIFY2(flagged.startsWith(QStringLiteral("solar flux Palehua 2026-12-10 23:00 UTC")) &&
                     flagged.contains(QStringLiteral("stations disagree by 40 %")),
                 qPrintable(flagged));
        QVERIFY(!again.SolarFile->Choice->styleSheet().isEmpty());

        // "Typed": the typed 70 sfu again, and no key.
        again.SolarFile->Forget->click();
        QCOMPARE(Cell(again, kSunRow, 2), QStringLiteral("700000.0"));
        QVERIFY(!Cell(again, kSunRow, kNoteCol).contains(QStringLiteral("solar flux")));
        QVERIFY(LoadMeasureSetup(dir.path()).SolarFluxFile.empty());

        // A file of no known layout is said, and the typed flux stays.
        const QString bad = dir.path() + QStringLiteral("/notes.txt");
        QFile notes(bad);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("nothing of the Sun here\n");
        notes.close();
        messages.said.clear();
        again.SolarFile->AskPath = [bad] { return bad; };
        again.SolarFile->Load->click();
        QTRY_VERIFY_WITH_TIMEOUT(!messages.said.empty(), 5000);
        QVERIFY2(messages.said.front().rfind("Error||The solar flux file", 0) == 0,
                 messages.said.front().c_str());
        QCOMPARE(Cell(again, kSunRow, 2), QStringLiteral("700000.0"));
    }

    /// The window as a user sees it, at 144 MHz (no air: its line hidden,
    /// the budget's atmosphere "none below 1 GHz") and at 10368 MHz (the
    /// air's line and its σ), with the cold-sky reference and a solar flux
    /// file; pictures of both and a report with VANTREL_SHOTS set.
    void TheAirShowsAboveOneGigahertzOnly() {
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/solar_radio_flux.txt");
        QVERIFY(QFile::copy(QStringLiteral(VANTREL_SOLAR_FLUX_DIR "/solar_radio_flux.txt"), file));
        ObservingConditions conditions;
        conditions.FrequencyMHz = 144;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        w.SkyFolder = QStringLiteral(VANTREL_SKY408_DIR);
        w.SolarFile->AskPath = [file] { return file; };
        w.Source->setCurrentIndex(kMoonRow);
        w.Antenna->setCurrentIndex(static_cast<int>(AntennaKind::Gain)); // a yagi at 144 MHz
        w.Gain->setText(QStringLiteral("21"));
        w.resize(1300, 1000);
        w.show();
        w.SolarFile->Load->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.SolarFile->Reading(), 5000);
        w.MeasuredY->setText(QStringLiteral("3.0 \u00b1 0.05"));
        QTRY_VERIFY_WITH_TIMEOUT(w.PresentSky() != nullptr && w.PresentSky()->Reference &&
                                     w.PresentSky()->Chosen == kMoonRow,
                                 20000);
        QVERIFY(w.Atmosphere->isHidden());
        QVERIFY2(w.BudgetShown(), qPrintable(w.GOverT->text()));
        QCOMPARE(w.Budget->item(4, 2)->text(), QStringLiteral("none below 1 GHz"));
        test::Shoot(w, "measure-144.png");

        w.Frequency->setText(QStringLiteral("10368"));
        w.Antenna->setCurrentIndex(static_cast<int>(AntennaKind::Dish)); // the 3 m dish
        w.MeasuredY->setText(QStringLiteral("2.5 \u00b1 0.02"));
        QTRY_VERIFY_WITH_TIMEOUT(w.PresentSky() != nullptr && w.PresentSky()->Reference &&
                                     w.PresentSky()->FrequencyMHz == 10368,
                                 20000);
        QVERIFY(!w.Atmosphere->isHidden());
        QVERIFY2(w.Atmosphere->text().startsWith(QStringLiteral("Atmosphere (ITU-R P.676-10)")),
                 qPrintable(w.Atmosphere->text()));
        QVERIFY(w.Budget->item(4, 2)->text().startsWith(QStringLiteral("20 % of ")));
        test::Shoot(w, "measure-10368.png");
        const QString shots = qEnvironmentVariable("VANTREL_SHOTS");
        if (!shots.isEmpty()) {
            w.Log->click();
            w.AskReportPath = [shots] { return shots + QStringLiteral("/measure-report.pdf"); };
            w.Report->click();
        }
        w.close();
    }

    /// "Report…" writes the evening as a PDF that reads back: a page for a
    /// few entries, more for many, a page rendered to an image that is not
    /// blank; a report that cannot be written is said.
    void TheReportIsAReadablePdf() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) {
            QSKIP("poppler-utils (pdfinfo, pdftoppm) not installed");
        }
        QTemporaryDir dir;
        ObservingConditions conditions;
        conditions.FrequencyMHz = 10368;
        RecordingMessages messages;
        const QString log = dir.path() + QLatin1Char('/') + measure::kMeasurementLogName;
        for (int i = 0; i < 120; ++i) {
            measure::MeasurementRecord r = Record("2026-12-01T20:00:00Z", "Moon", 10368, 29.5);
            r.Utc = QStringLiteral("2026-12-%1T20:00:00Z")
                        .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                        .toStdString();
            r.FluxSource = "5.0 %, model";
            QVERIFY(!measure::AppendMeasurement(log.toStdString(), r));
        }
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        w.OpenBeside(nullptr);
        MeasureOnMoon(w, "2.5");
        const auto pages = [](const QString& pdf) {
            QProcess info;
            info.start(QStringLiteral("pdfinfo"), {pdf});
            info.waitForFinished(10000);
            const QString out = QString::fromUtf8(info.readAllStandardOutput());
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
            return m.hasMatch() ? m.captured(1).toInt() : -1;
        };
        const QString many = dir.path() + QStringLiteral("/many.pdf");
        w.AskReportPath = [many] { return many; };
        w.Report->click();
        QVERIFY(messages.said.empty());
        const int manyPages = pages(many);
        QVERIFY2(manyPages >= 2, qPrintable(QString::number(manyPages)));

        const QString png = dir.path() + QStringLiteral("/page");
        QCOMPARE(QProcess::execute(QStringLiteral("pdftoppm"),
                                   {QStringLiteral("-png"), QStringLiteral("-r"),
                                    QStringLiteral("60"), QStringLiteral("-f"), QStringLiteral("1"),
                                    QStringLiteral("-l"), QStringLiteral("1"), many, png}),
                 0);
        QDir pngs(dir.path(), QStringLiteral("page*.png"));
        QCOMPARE(pngs.entryList().size(), 1);
        const QImage page(dir.path() + QLatin1Char('/') + pngs.entryList().front());
        QVERIFY(!page.isNull());
        int dark = 0;
        for (int yy = 0; yy < page.height(); yy += 2) {
            for (int xx = 0; xx < page.width(); xx += 2) {
                dark += qGray(page.pixel(xx, yy)) < 128;
            }
        }
        QVERIFY2(dark > 500, qPrintable(QString::number(dark))); // text and the chart on it
        const QByteArray shots = qgetenv("VANTREL_MEASURE_SHOTS");
        if (!shots.isEmpty()) {
            QProcess::execute(QStringLiteral("pdftoppm"),
                              {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("90"),
                               QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                               QStringLiteral("1"), QStringLiteral("-singlefile"), many,
                               QString::fromLocal8Bit(shots) + QStringLiteral("/report-page1")});
        }

        w.AskReportPath = [&dir] { return dir.path() + QStringLiteral("/no/such/folder/r.pdf"); };
        w.Report->click();
        QCOMPARE(messages.said.size(), std::size_t{1});
        QVERIFY(messages.said[0].find("Cannot write the report") != std::string::npos);
        w.close();
    }

    /// Without the maps the column and the reference say why; the G/T is
    /// the plain one, logged without sky columns.
    void WithoutTheSkyMapTheColumnSaysWhy() {
        QTemporaryDir dir;
        ObservingConditions conditions;
        conditions.FrequencyMHz = 1296;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        w.SkyFolder = dir.path(); // no maps in it
        w.Source->setCurrentIndex(kCasARow);
        w.show();
        QTRY_COMPARE_WITH_TIMEOUT(Cell(w, kCasARow, kTskyCol), QStringLiteral("no map"), 10000);
        QVERIFY2(w.ColdSky->text().startsWith(QStringLiteral("no sky map: ")),
                 qPrintable(w.ColdSky->text()));
        QVERIFY(w.ColdSky->text().contains(QStringLiteral("408mhz_ra_dec.fits")));
        w.MeasuredY->setText(QStringLiteral("0.3"));
        QVERIFY(!w.GOverT->text().contains(QStringLiteral("corrected")));
        w.Log->click();
        QVERIFY(!w.LogRead().Records.back().BackgroundCorrectionDb);
        // The sky columns empty, the flux's source after them.
        QVERIFY2(LogLines(w).last().endsWith(QStringLiteral(",,,,\"5.0 %, model\"")),
                 qPrintable(LogLines(w).last()));
        w.close();
    }

    /// With VANTREL_MEASURE_SHOTS set to a folder: a picture of the window
    /// with a G/T history of two sources in two bands and a withdrawn entry.
    void Screenshot() {
        const QByteArray shots = qgetenv("VANTREL_MEASURE_SHOTS");
        if (shots.isEmpty()) {
            QSKIP("VANTREL_MEASURE_SHOTS not set");
        }
        QTemporaryDir dir;
        ObservingConditions conditions;
        conditions.FrequencyMHz = 10368;
        RecordingMessages messages;
        MeasureWindow w(conditions, station_, library_, clock_, messages, dir.path());
        const char* ys[] = {"2.6", "2.5", "2.55", "0.9", "2.2", "2.45"};
        const DateTime start = clock_.reading.Local;
        for (const char* y : ys) {
            MeasureOnMoon(w, y);
            w.Log->click();
            clock_.reading.Local += 1.0;
        }
        // Two taken from the Receiver window, with their σ and method.
        w.Source->setCurrentIndex(kMoonRow);
        w.TakeMeasuredY(TakenY{2.512, 0.0412, "off-on-off, gain drift over 23 s",
                               clock_.reading.Local - 0.001, clock_.reading.Local - 0.0005});
        w.Log->click();
        clock_.reading.Local += 0.5;
        w.TakeMeasuredY(TakenY{2.538, 0.0967, "gain drift over 30 s", clock_.reading.Local - 0.001,
                               clock_.reading.Local - 0.0005});
        w.Log->click();
        clock_.reading.Local += 0.5;
        // A second band, and the Sun (below the horizon here: logged after
        // the question).
        conditions.FrequencyMHz = 1296;
        w.ShowFrequency();
        messages.answer = true;
        for (const char* y : {"0.35", "0.33"}) {
            MeasureOnMoon(w, y);
            w.Log->click();
            w.Source->setCurrentIndex(kSunRow);
            w.MeasuredY->setText(QStringLiteral("9"));
            w.Log->click();
            clock_.reading.Local += 1.5;
        }
        clock_.reading.Local = start;
        w.SkyFolder = QStringLiteral(VANTREL_SKY408_DIR);
        w.OpenBeside(nullptr);
        // The odd reading of the fourth night withdrawn.
        w.Entries->selectRow(8);
        w.Withdraw->click();
        MeasureOnMoon(w, "2.4");
        w.resize(1600, 1000); // the list's method and antenna in sight
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY_WITH_TIMEOUT(w.PresentSky() != nullptr && w.PresentSky()->Chosen == kMoonRow,
                                 20000);
        QTest::qWait(200);
        QDir().mkpath(QString::fromLocal8Bit(shots));
        QVERIFY(w.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/measure.png")));
        w.close();
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::MeasureWindowTest)
#include "MeasureWindowTest.moc"
