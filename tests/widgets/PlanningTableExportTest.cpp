// What leaves the planning grid: the table saved as CSV from its context
// menu must be the very bytes `vantrel-table --format csv` prints for the
// same station, dates and options (the tool runs as a child process);
// a file that cannot be written is said and leaves nothing; Copy gives the
// selection as tab-separated text; every sweep offers its elevation series.

#include "astro/OrbexSunMoon.h"
#include "mainwin/MainWindow.h"
#include "planner/PlanningSweep.h"
#include "station/DataFile.h"

#include "../RecordingMessages.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace vantrel {

namespace {

/// The local clock at noon on 1 December 2026, in a zone without daylight time.
class NoonClock final : public LocalClock {
public:
    LocalClockReading Now() const override {
        return {EncodeDateTime(2026, 12, 1, 12, 0, 0), 0, 0, false};
    }
};

/// The Moon always at azimuth 250.25, elevation 33.3; the Sun always down.
class SteadySunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant&, double, double, double, SunMoonBody b) override {
        body_ = b;
    }
    double GetAzimuth() override { return body_ == SunMoonBody::Sun ? 5.5 : 250.25; }
    double GetElevation() override { return body_ == SunMoonBody::Sun ? -3.0 : 33.3; }
    double GetGHA() override { return 100.0; }
    double GetDecTopo() override { return -10.0; }

private:
    SunMoonBody body_ = SunMoonBody::Moon;
};

} // namespace

class PlanningTableExportTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecordingMessages messages_;
    NoonClock clock_;
    OrbexSunMoon orbex_;
    SteadySunMoon steady_;
    FixedDaylight daylight_{false};
    HomeStation station_;

    MainWindowServices Services(SunMoonLibrary& library) {
        MainWindowServices s;
        s.Station = &station_;
        s.Messages = &messages_;
        s.Clock = &clock_;
        s.Library = &library;
        s.Daylight = &daylight_;
        s.WorkingDirectory = dir_.path().toStdString();
        return s;
    }
    QString DataFilePath() const { return dir_.filePath(QStringLiteral("Vantrel.dat")); }
    /// A station in the English Midlands in the data file, as Save Home Data keeps it.
    void StoreStation(int displayMode, int intervalMin) {
        HomeStation h;
        h.Latitude = 52.2L;
        h.Longitude = -1.5L;
        h.HeightAsl = 80;
        h.UtcOffset = 1;
        h.CalcInterval = intervalMin;
        h.DisplayMode = displayMode;
        h.CallSign = "G0XYZ";
        RecordingMessages quiet;
        QVERIFY(DataFile(quiet, dir_.path().toStdString()).Write(h));
    }
    static void ChooseDates(TForm1& form, QDate start, QDate end) {
        form.DateTimePicker1->setDate(start);
        form.DateTimePicker2->setDate(end);
    }
    /// Runs "Save table as CSV…" into `path` and waits for the disk.
    static bool SaveCsv(TForm1& form, const QString& path) {
        form.ChooseCsvFile = [path] { return path; };
        QSignalSpy done(&form, &TForm1::TableSaveFinished);
        form.SaveCsvAction->trigger();
        if (!done.wait(10000)) {
            return false;
        }
        return done.front().front().toBool();
    }
    static QByteArray ReadAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init() {
        QFile::setPermissions(dir_.filePath(QStringLiteral("locked")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
        messages_.said.clear();
        station_ = HomeStation{};
    }

    void savedCsvIsWhatTheTableToolPrints_data() {
        QTest::addColumn<int>("displayMode");
        QTest::addColumn<int>("pick"); // entry of the supernova remnant list, −1 none
        QTest::addColumn<QStringList>("extra");
        QTest::newRow("Az/El") << 0 << -1 << QStringList();
        QTest::newRow("Polar") << 1 << -1 << QStringList();
        QTest::newRow("catalogue pick")
            << 0 << 3 << QStringList{QStringLiteral("--pick"), QStringLiteral("snr:3")};
    }
    void savedCsvIsWhatTheTableToolPrints() {
        QFETCH(int, displayMode);
        QFETCH(int, pick);
        QFETCH(QStringList, extra);
        StoreStation(displayMode, 15);
        TForm1 form(Services(orbex_));
        ChooseDates(form, QDate(2026, 12, 1), QDate(2026, 12, 2));
        if (pick >= 0) {
            form.RadioGroup1->SetItemIndex(pick);
            form.RadioGroup1Click();
        } else {
            form.CalculateClick();
        }
        const QString csv = dir_.filePath(QStringLiteral("table.csv"));
        QVERIFY(SaveCsv(form, csv));
        const QByteArray saved = ReadAll(csv);
        QVERIFY(saved.startsWith("Time,,"));
        QVERIFY(saved.count('\n') > 190); // two days at 15 minutes and the headers

        QProcess tool;
        tool.setProgram(QStringLiteral(VANTREL_TABLE_TOOL));
        tool.setArguments(QStringList{QStringLiteral("--data"), DataFilePath(),
                                      QStringLiteral("--start"), QStringLiteral("2026-12-01"),
                                      QStringLiteral("--end"), QStringLiteral("2026-12-02"),
                                      QStringLiteral("--no-dst"), QStringLiteral("--format"),
                                      QStringLiteral("csv")} +
                          extra);
        tool.start();
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);
        const QByteArray printed = tool.readAllStandardOutput();
        if (saved != printed) {
            // The first line that differs, to say what went wrong.
            const QList<QByteArray> a = saved.split('\n');
            const QList<QByteArray> b = printed.split('\n');
            for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i) {
                QCOMPARE(a[i], b[i]);
            }
        }
        QCOMPARE(saved, printed);
        QVERIFY(messages_.said.empty());
    }

    void aFileThatCannotBeWrittenIsSaidAndLeavesNothing_data() {
        QTest::addColumn<QString>("target");
        // The parent is a regular file: no folder to write into, even for root.
        QTest::newRow("parent is a file") << QStringLiteral("plain/table.csv");
        QTest::newRow("target is a folder") << QStringLiteral("folder");
        // Root writes into any folder: this row checks only as an ordinary user.
        QTest::newRow("read-only folder") << QStringLiteral("locked/table.csv");
    }
    void aFileThatCannotBeWrittenIsSaidAndLeavesNothing() {
        QFETCH(QString, target);
        StoreStation(0, 60);
        {
            QFile plain(dir_.filePath(QStringLiteral("plain")));
            QVERIFY(plain.open(QIODevice::WriteOnly));
            plain.write("not a folder\n");
        }
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("folder")));
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("locked")));
        QFile::setPermissions(dir_.filePath(QStringLiteral("locked")),
                              QFile::ReadOwner | QFile::ExeOwner);
        if (target.startsWith(QStringLiteral("locked")) && ::geteuid() == 0) {
            QSKIP("root may write into a read-only folder");
        }
        const QStringList before =
            QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        TForm1 form(Services(orbex_));
        form.CalculateClick();
        const QString path = dir_.filePath(target);
        QVERIFY(!SaveCsv(form, path));
        QCOMPARE(messages_.said.size(), std::size_t{1});
        const QString said = QString::fromStdString(messages_.said.front());
        QVERIFY2(said.startsWith(QStringLiteral("Error||The table could not be saved to ") + path +
                                 QStringLiteral(": ")),
                 qPrintable(said));
        QVERIFY2(said.size() > QStringLiteral("Error||The table could not be saved to ").size() +
                                   path.size() + 4,
                 "the reason is given");
        // Nothing appeared and nothing changed.
        QCOMPARE(
            QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            before);
        QCOMPARE(ReadAll(dir_.filePath(QStringLiteral("plain"))), QByteArray("not a folder\n"));
        QVERIFY(QFileInfo(dir_.filePath(QStringLiteral("folder"))).isDir());
        QVERIFY(form.SaveCsvAction->isEnabled()); // ready for another try
    }

    void aSaveReplacesAnOlderFileWhole() {
        StoreStation(0, 60);
        const QString csv = dir_.filePath(QStringLiteral("table.csv"));
        {
            QFile old(csv);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(200000, 'x')); // longer than the new table
        }
        TForm1 form(Services(orbex_));
        ChooseDates(form, QDate(2026, 12, 1), QDate(2026, 12, 1));
        form.CalculateClick();
        QVERIFY(SaveCsv(form, csv));
        const QByteArray saved = ReadAll(csv);
        QVERIFY(!saved.contains('x'));
        QCOMPARE(saved.count('\n'), 2 + 1 + 24);
    }

    void theMenuOffersSaveAndCopy() {
        StoreStation(0, 60);
        TForm1 form(Services(steady_));
        QCOMPARE(form.PlanningGrid->contextMenuPolicy(), Qt::CustomContextMenu);
        QStringList texts;
        for (const QAction* a : form.PlanningMenu->actions()) {
            texts << a->text();
        }
        QCOMPARE(texts,
                 (QStringList{QStringLiteral("Save table as CSV\u2026"), QStringLiteral("Copy")}));
    }

    void copyGivesTheSelectionTabSeparated() {
        StoreStation(0, 60);
        TForm1 form(Services(steady_));
        ChooseDates(form, QDate(2015, 1, 1), QDate(2015, 1, 1));
        form.CalculateClick();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget* grid = form.PlanningGrid->viewport();
        auto at = [&](int col, int row) { return form.PlanningGrid->CellRect(col, row).center(); };
        QClipboard* clipboard = QGuiApplication::clipboard();

        // The Moon and the Sun of the first two hours: the Sun blank below the horizon.
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, at(16, 3));
        QTest::mouseClick(grid, Qt::LeftButton, Qt::ShiftModifier, at(19, 4));
        form.CopySelection();
        QCOMPARE(clipboard->text(), QStringLiteral("250.25\t33.30\t\t\n250.25\t33.30\t\t\n"));

        // A right click inside the selection keeps it for the menu's Copy.
        QTest::mouseClick(grid, Qt::RightButton, Qt::NoModifier, at(17, 4));
        form.CopyAction->trigger();
        QCOMPARE(clipboard->text(), QStringLiteral("250.25\t33.30\t\t\n250.25\t33.30\t\t\n"));

        // The day row's merged date once, its other columns empty.
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, at(1, 2));
        QTest::mouseClick(grid, Qt::LeftButton, Qt::ShiftModifier, at(0, 3));
        form.CopySelection();
        QCOMPARE(clipboard->text(), QStringLiteral("Thursday 1/1/2015\t\n0000\t0100\n"));

        // A right click outside the selection moves it, as a left click does.
        QTest::mouseClick(grid, Qt::RightButton, Qt::NoModifier, at(16, 5));
        form.CopySelection();
        QCOMPARE(clipboard->text(), QStringLiteral("250.25\n"));

        // Ctrl+C in the grid copies too.
        clipboard->clear();
        QTest::keyClick(form.PlanningGrid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("250.25\n"));
    }

    void everySweepOffersItsElevationSeries() {
        StoreStation(1, 30);
        TForm1 form(Services(orbex_));
        QVERIFY(form.LastSeries() == nullptr);
        QSignalSpy finished(&form, &TForm1::SweepFinished);
        ChooseDates(form, QDate(2026, 12, 1), QDate(2026, 12, 3));
        form.CalculateClick();
        QCOMPARE(finished.size(), 1);
        const auto first = form.LastSeries();
        QVERIFY(first != nullptr);
        QCOMPARE(first->Rows(), std::size_t{3 * 48});
        QCOMPARE(first->Titles()[2], std::string("Cassiopeia-A"));
        QCOMPARE(first->LocalOffsetMinutes(0), 60);
        // Polar mode: the elevations are worked out, and Cassiopeia A is
        // circumpolar at 52° N.
        const auto cas = first->Elevation(2);
        QVERIFY(*std::min_element(cas.begin(), cas.end()) > 0);

        // A sweep that does not run leaves the last series as it was.
        station_.CalcInterval = 0;
        form.CalculateClick();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(form.LastSeries(), first);
        QCOMPARE(messages_.said.back(),
                 std::string("Warning|Warning|") + std::string(kIntervalTooSmall));
        station_.CalcInterval = 60;
        form.CalculateClick();
        QCOMPARE(finished.size(), 2);
        QCOMPARE(form.LastSeries()->Rows(), std::size_t{3 * 24});
        QCOMPARE(first->Rows(), std::size_t{3 * 48}); // a chart holding the old one keeps it
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::PlanningTableExportTest)
#include "PlanningTableExportTest.moc"
