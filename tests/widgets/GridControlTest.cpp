#include "controls/GridControl.h"
#include "SweepingSunMoon.h"
#include "controls/SystemColours.h"
#include "planner/GridLayout.h"
#include "planner/PlanningSweep.h"

#include <QHelpEvent>
#include <QImage>
#include <QScrollBar>
#include <QtTest>

#include <cstdlib>

namespace vantrel {

class GridControlTest : public QObject {
    Q_OBJECT

    static QColor Pixel(GridControl& grid, QPoint p) {
        return grid.viewport()->grab().toImage().pixelColor(p);
    }
    /// A point inside the cell, clear of its text and edges.
    static QPoint Inside(GridControl& grid, int col, int row) {
        return grid.CellRect(col, row).bottomRight() - QPoint(3, 2);
    }
    static void Fill(GridControl& grid, HomeStation& station, int days, int interval) {
        SweepingSunMoon library;
        FixedDaylight daylight(false);
        SweepInputs in;
        in.StartDate = EncodeDate(2015, 1, 1);
        in.EndDate = in.StartDate + days - 1;
        in.Library = &library;
        in.Daylight = &daylight;
        station.CalcInterval = interval;
        LayoutHeader(grid.Cells(), station);
        QCOMPARE(RunPlanningSweep(grid.Cells(), station, in), SweepResult::Done);
    }

private slots:
    void paintsCellColoursAndMergedHeaders() {
        GridControl grid;
        grid.resize(1009, 457);
        HomeStation station;
        station.Latitude = 52.2L;
        Fill(grid, station, 1, 30);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));

        QCOMPARE(Pixel(grid, Inside(grid, 0, 0)), QColor(255, 255, 255)); // "Time"
        QCOMPARE(Pixel(grid, Inside(grid, 1, 1)), ResolveColour(colour::kActiveBorder));
        QCOMPARE(Pixel(grid, Inside(grid, 16, 1)), QColor(202, 223, 247)); // Moon header
        QCOMPARE(Pixel(grid, Inside(grid, 0, 2)), QColor(255, 255, 0));    // day row

        // "Cygnus-A" spans columns 8 and 9 of row 0: no line between them,
        // while row 1 has one there.
        const int between = grid.CellRect(8, 1).right() + 1;
        const QColor gray(128, 128, 128);
        QVERIFY(Pixel(grid, QPoint(between, grid.CellRect(8, 0).bottom() - 2)) != gray);
        QCOMPARE(Pixel(grid, QPoint(between, grid.CellRect(8, 1).center().y())), gray);
        QCOMPARE(grid.CellRect(9, 0), grid.CellRect(8, 0));
        QCOMPARE(grid.CellRect(8, 0).width(), 2 * 50 + 1);

        // Below the horizon: white and empty. The fake Moon sets at 20:00.
        const int row = 3 + 42; // 21:00 UTC
        QCOMPARE(grid.Cells().FindCell(16, row)->Value, std::string());
        QCOMPARE(Pixel(grid, QPoint(0, 0)), QColor(255, 255, 255)); // edge of the "Time" cell
        grid.SetTopRow(row);
        QCOMPARE(Pixel(grid, Inside(grid, 16, row)), QColor(255, 255, 255));
        QCOMPARE(Pixel(grid, Inside(grid, 18, row)), QColor(255, 255, 255)); // Sun down too

        if (const char* dir = std::getenv("VANTREL_SCREENSHOTS")) {
            grid.SetTopRow(2);
            grid.grab().save(QString::fromLocal8Bit(dir) + "/grid.png");
        }
    }

    void fittedColumnsFillTheViewportAndHitTestRight() {
        GridControl grid;
        grid.resize(700, 200);
        std::vector<int> shares(20, 50);
        shares[0] = shares[1] = 40;
        grid.FitColumns(shares);
        grid.Cells().SetCellText(2, 0, "Aquarius");
        QVERIFY(grid.Cells().MergeCells(2, 3, 0, ""));
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const GridCells& cells = grid.Cells();
        for (const int width : {700, 1009, 1573, 310}) {
            grid.resize(width, 200);
            const int room = grid.viewport()->width();
            const QString at = QString("at %1 px").arg(width);
            // The columns and their lines fill the client width exactly.
            QVERIFY2(grid.ColLeft(20) == room,
                     qPrintable(at + QString(": columns and lines end at %1, room %2")
                                         .arg(grid.ColLeft(20))
                                         .arg(room)));
            QVERIFY2(cells.ColWidth(0) < cells.ColWidth(2), qPrintable(at));
            const int y = grid.CellRect(0, 1).center().y();
            for (int c = 0; c < 20; ++c) {
                const QString where = at + QString(", column %1").arg(c);
                QVERIFY2(grid.CellAt(QPoint(grid.ColLeft(c), y)) == QPoint(c, 1),
                         qPrintable(where));
                // The line right of a column belongs to it.
                QVERIFY2(grid.CellAt(QPoint(grid.ColLeft(c + 1) - 1, y)) == QPoint(c, 1),
                         qPrintable(where));
                QCOMPARE(grid.CellRect(c, 1).width(), cells.ColWidth(c));
            }
            QCOMPARE(grid.CellAt(QPoint(grid.ColLeft(20), y)), QPoint(-1, -1));
            // A merged title spans its columns and the line between them.
            QCOMPARE(grid.CellRect(3, 0), grid.CellRect(2, 0));
            QCOMPARE(grid.CellRect(2, 0).width(), cells.ColWidth(2) + 1 + cells.ColWidth(3));
            // The last column's line is painted at the client's right edge.
            QCOMPARE(Pixel(grid, QPoint(room - 1, y)), QColor(128, 128, 128));
        }
        grid.FitColumns({});
        for (int c = 0; c < 20; ++c) {
            QCOMPARE(cells.ColWidth(c), 50);
        }
    }

    void selectionShowsOnlyWithTheFocus() {
        GridControl grid;
        grid.resize(600, 300);
        HomeStation station;
        Fill(grid, station, 1, 60);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.SetCurrentCell(3, 4);
        QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(grid.Selection(), QRect(QPoint(3, 4), QPoint(3, 5)));
        const QColor selection = ResolveColour(grid.Cells().Settings().SelectionColor);

        grid.clearFocus();
        QVERIFY(Pixel(grid, Inside(grid, 3, 4)) != selection);
        grid.setFocus();
        QTRY_VERIFY(grid.hasFocus());
        QCOMPARE(Pixel(grid, Inside(grid, 3, 4)), selection);  // selected, not current
        QVERIFY(Pixel(grid, Inside(grid, 3, 5)) != selection); // the current cell
    }

    void wideCentredTextStartsAtTheLeftEdge() {
        GridControl grid;
        grid.resize(400, 200);
        grid.Cells().SetCellText(4, 0, "A long header title");
        grid.Cells().SetAlignment(4, 0, kAlignCentre);
        grid.Cells().SetCellText(6, 0, "Sun");
        grid.Cells().SetAlignment(6, 0, kAlignCentre);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const QImage image = grid.viewport()->grab().toImage();
        const auto firstInk = [&](int col) {
            const QRect r = grid.TextArea(grid.CellRect(col, 0));
            for (int x = r.left(); x <= r.right(); ++x) {
                for (int y = r.top(); y <= r.bottom(); ++y) {
                    if (image.pixelColor(x, y).lightness() < 100) {
                        return x - r.left();
                    }
                }
            }
            return -1;
        };
        QVERIFY(firstInk(4) >= 0);
        QVERIFY(firstInk(4) <= 1);  // from the left edge
        QVERIFY(firstInk(6) >= 10); // "Sun" fits: centred
        QVERIFY(grid.Cells().RowHeight(0) > grid.Cells().Settings().DefaultRowHeight); // wrapped
    }

    void commentHintOverExistingCells() {
        GridControl grid;
        grid.resize(600, 200);
        grid.SetHint("Real time display. Below the Horizon are dulled.");
        grid.Cells().SetCellText(2, 0, "Aquarius");
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));

        const QRect r = grid.CellRect(2, 0);
        QHelpEvent over(QEvent::ToolTip, r.center(), grid.viewport()->mapToGlobal(r.center()));
        QApplication::sendEvent(grid.viewport(), &over);
        QWidget* hint = grid.ShownCommentHint();
        QVERIFY(hint != nullptr);
        QCOMPARE(hint->size(), QSize(159, 101));
        QCOMPARE(hint->pos(), grid.viewport()->mapToGlobal(QPoint(r.right() + 1, r.top() - 26)));

        const QRect empty = grid.CellRect(5, 3);
        QHelpEvent elsewhere(QEvent::ToolTip, empty.center(),
                             grid.viewport()->mapToGlobal(empty.center()));
        QApplication::sendEvent(grid.viewport(), &elsewhere);
        QVERIFY(grid.ShownCommentHint() == nullptr);

        grid.SetHint(QString());
        QApplication::sendEvent(grid.viewport(), &over);
        QVERIFY(grid.ShownCommentHint() == nullptr);
    }

    void scrollingAMonthPaintsOnlyTheVisibleRows() {
        GridControl grid;
        grid.resize(1009, 457);
        HomeStation station;
        Fill(grid, station, 31, 1);
        QCOMPARE(grid.Cells().RowCount(), 2 + 31 + 44640);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QVERIFY(grid.verticalScrollBar()->maximum() > 44000);

        grid.SetTopRow(30000);
        QCOMPARE(grid.TopRow(), 30000);
        grid.viewport()->repaint();
        const int visibleRows = 457 / (grid.Cells().RowHeight(30000) + 1) + 2;
        QVERIFY(grid.LastPaintedCells() > 0);
        QVERIFY(grid.LastPaintedCells() <= visibleRows * 20);

        // The last row can be reached and is drawn.
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(grid.CurrentCell().y(), grid.Cells().RowCount() - 1);
        QVERIFY(!grid.CellRect(19, grid.Cells().RowCount() - 1).isNull());
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::GridControlTest)
#include "GridControlTest.moc"
