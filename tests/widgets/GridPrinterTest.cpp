// Printing a grid: pages planned and painted through the printing target,
// onto page images, a recording device and a PDF file.

#include "controls/GridPrinter.h"
#include "SweepingSunMoon.h"
#include "controls/GridControl.h"
#include "controls/QtTextMeasurer.h"
#include "controls/SystemColours.h"
#include "planner/GridLayout.h"
#include "planner/PlanningSweep.h"

#include <QFile>
#include <QImage>
#include <QPaintEngine>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <map>

namespace vantrel {

namespace {

/// Pages painted into images of a given size and resolution; can be told
/// to fail at the start or at a page, as a cancelled print job does.
class ImagePages final : public PrintTarget {
public:
    ImagePages(QSize page, int dpi) : current_(page, QImage::Format_RGB32) {
        const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
        current_.setDotsPerMeterX(dpm);
        current_.setDotsPerMeterY(dpm);
    }
    bool refuseStart = false;
    int failAtPage = -1; ///< NewPage fails when asked for this page (from 0)
    bool ended = false;
    std::vector<QImage> pages;

    QPainter* Begin() override {
        if (refuseStart) {
            return nullptr;
        }
        current_.fill(Qt::white);
        painter_.begin(&current_);
        return &painter_;
    }
    bool NewPage() override {
        painter_.end();
        pages.push_back(current_.copy());
        if (static_cast<int>(pages.size()) == failAtPage) {
            return false;
        }
        current_.fill(Qt::white);
        painter_.begin(&current_);
        return true;
    }
    bool End() override {
        if (painter_.isActive()) {
            painter_.end();
            pages.push_back(current_.copy());
        }
        ended = true;
        return failAtPage < 0;
    }
    const QPaintDevice& Device() const override { return current_; }

private:
    QImage current_;
    QPainter painter_;
};

/// A paint engine that keeps the texts drawn, with their page.
class TextRecorder final : public QPaintEngine {
public:
    TextRecorder() : QPaintEngine(QPaintEngine::AllFeatures) {}
    struct Text {
        int Page;
        QString Value;
        QPointF At;
        QFont Font;
    };
    std::vector<Text> texts;
    int page = 0;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        texts.push_back({page, item.text(), p, item.font()});
    }
    Type type() const override { return QPaintEngine::User; }
};

class RecordingPages final : public QPaintDevice, public PrintTarget {
public:
    RecordingPages(QSize page, int dpi) : size_(page), dpi_(dpi) {}
    TextRecorder engine;

    QPaintEngine* paintEngine() const override { return const_cast<TextRecorder*>(&engine); }
    QPainter* Begin() override { return painter_.begin(this) ? &painter_ : nullptr; }
    bool NewPage() override {
        ++engine.page;
        return true;
    }
    bool End() override { return painter_.end(); }
    const QPaintDevice& Device() const override { return *this; }

    int Count(int page, const QString& text) const {
        int n = 0;
        for (const auto& t : engine.texts) {
            n += t.Page == page && t.Value == text ? 1 : 0;
        }
        return n;
    }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmWidthMM:
            return static_cast<int>(size_.width() * 25.4 / dpi_);
        case PdmHeightMM:
            return static_cast<int>(size_.height() * 25.4 / dpi_);
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return dpi_;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize size_;
    int dpi_;
    QPainter painter_;
};

/// A4 in pixels at a resolution, either way round.
QSize A4(int dpi, bool landscape) {
    const QSize portrait(static_cast<int>(std::lround(210 / 25.4 * dpi)),
                         static_cast<int>(std::lround(297 / 25.4 * dpi)));
    return landscape ? portrait.transposed() : portrait;
}

/// Device pixels that rows first..last take on the page, lines included.
int BandHeight(const GridCells& grid, int first, int last, double scale) {
    int screen = 0;
    for (int r = first; r <= last; ++r) {
        screen += grid.RowHeight(r) + grid.Settings().GridLineWidth;
    }
    return static_cast<int>(std::lround(screen * scale));
}

/// Lowest pixel row of an image that is not white: where printing ended.
int LowestPaintedRow(const QImage& page) {
    for (int y = page.height() - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            if ((line[x] & 0xFFFFFF) != 0xFFFFFF) {
                return y;
            }
        }
    }
    return -1;
}

} // namespace

class GridPrinterTest : public QObject {
    Q_OBJECT

    /// The planning grid of one day, as the main window fills it.
    static void FillDay(GridControl& grid, int interval) {
        HomeStation station;
        station.Latitude = 52.2L;
        station.Longitude = -1.5L;
        station.CalcInterval = interval;
        SweepingSunMoon library;
        FixedDaylight daylight(false);
        SweepInputs in;
        in.StartDate = EncodeDate(2015, 1, 1);
        in.EndDate = in.StartDate;
        in.Library = &library;
        in.Daylight = &daylight;
        LayoutHeader(grid.Cells(), station);
        QCOMPARE(RunPlanningSweep(grid.Cells(), station, in), SweepResult::Done);
    }

private slots:
    void bandsHoldWholeItemsAndSplitWhereTheyMust() {
        const std::vector<int> sizes{50, 50, 0, 50, 120, 50};
        // scale 2: a column with its line takes 102; 305 device pixels leave 304.
        const auto bands = CutIntoBands(sizes, 0, 5, 1, 2.0, 305);
        QCOMPARE(bands.size(), std::size_t{4});
        QCOMPARE(bands[0], (PrintBand{0, 2})); // 102 + 102 + 2 = 206; + 102 would be 308
        QCOMPARE(bands[1], (PrintBand{3, 3}));
        QCOMPARE(bands[2], (PrintBand{4, 4})); // 242 alone
        QCOMPARE(bands[3], (PrintBand{5, 5}));
        // One item larger than the page still gets a band; nothing is lost.
        const auto big = CutIntoBands(std::vector<int>{500, 10}, 0, 1, 1, 1.0, 100);
        QCOMPARE(big.size(), std::size_t{2});
        QCOMPARE(big[0], (PrintBand{0, 0}));
        QCOMPARE(big[1], (PrintBand{1, 1}));
        QVERIFY(CutIntoBands(sizes, 3, 2, 1, 1.0, 100).empty());
        // Exactly at the limit (page − 1) still fits.
        QCOMPARE(CutIntoBands(std::vector<int>{49, 49}, 0, 1, 1, 1.0, 101).size(), std::size_t{1});
        QCOMPARE(CutIntoBands(std::vector<int>{49, 49}, 0, 1, 1, 1.0, 100).size(), std::size_t{2});
    }

    void dayAtFiveMinutesOnLandscapePages() {
        GridControl grid;
        FillDay(grid, 5);
        const GridCells& cells = grid.Cells();
        QCOMPARE(cells.RowCount(), 2 + 1 + 288);

        const int dpi = 150;
        const QSize page = A4(dpi, true);
        const double scale = dpi / 96.0;
        const auto plan = PlanPrintPages(cells, page.width(), page.height(), scale, scale);
        ImagePages out(page, dpi);
        const int printed = PrintGrid(cells, out);
        QCOMPARE(printed, static_cast<int>(plan.size()));
        QCOMPARE(out.pages.size(), plan.size());
        QVERIFY(printed > 1);

        // The twenty columns fit the landscape width: one column band.
        int nextRow = 0;
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const PrintPage& p = plan[i];
            QCOMPARE(p.Cols, (PrintBand{0, 19}));
            QCOMPARE(p.Rows.First, nextRow); // top to bottom, every row once
            nextRow = p.Rows.Last + 1;
            const int height = BandHeight(cells, p.Rows.First, p.Rows.Last, scale);
            QVERIFY(height <= page.height() - 1);
            if (nextRow < cells.RowCount()) { // the next row would not have fitted
                QVERIFY(BandHeight(cells, p.Rows.First, nextRow, scale) > page.height() - 1);
            }
            // Whole rows: the printing ends with the bottom line of the band's
            // last row, not at the bottom edge of the paper.
            const int lowest = LowestPaintedRow(out.pages[i]);
            QVERIFY2(std::abs(lowest - (height - 1)) <= 1,
                     qPrintable(QString("page %1: printed to %2, rows end at %3")
                                    .arg(i)
                                    .arg(lowest)
                                    .arg(height - 1)));
            QVERIFY(lowest < page.height() - 2);
        }
        QCOMPARE(nextRow, cells.RowCount());

        // Headers on the first page only: its top-left cell is the white
        // "Time" header; the second page starts with a data row (UTC column blue).
        // The points lie in the cells' last pixel row, clear of the texts.
        const auto inside = [&](int row) {
            return QPoint(static_cast<int>(8 * scale), BandHeight(cells, row, row, scale) - 3);
        };
        QCOMPARE(out.pages[0].pixelColor(inside(0)), QColor(Qt::white));
        QCOMPARE(out.pages[1].pixelColor(inside(plan[1].Rows.First)),
                 ResolveColour(gridcolour::kBlue));

        if (const QByteArray dir = qgetenv("VANTREL_SCREENSHOT_DIR"); !dir.isEmpty()) {
            out.pages[0].save(QString::fromLocal8Bit(dir) + "/print-page1.png");
            out.pages[1].save(QString::fromLocal8Bit(dir) + "/print-page2.png");
        }
    }

    void widerThanThePageGivesColumnBandsLeftToRight() {
        GridControl grid;
        FillDay(grid, 10); // 144 steps: more rows than one page holds
        const GridCells& cells = grid.Cells();
        const int dpi = 96;
        const QSize page = A4(dpi, false); // 794 px wide: less than the 1020 of the grid
        const auto plan = PlanPrintPages(cells, page.width(), page.height(), 1.0, 1.0);
        ImagePages out(page, dpi);
        QCOMPARE(PrintGrid(cells, out), static_cast<int>(plan.size()));

        // Two column bands per row band, the left one first.
        QVERIFY(plan.size() >= 4);
        QCOMPARE(plan[0].Cols.First, 0);
        const int second = plan[0].Cols.Last + 1;
        QCOMPARE(plan[1].Cols, (PrintBand{second, 19}));
        QCOMPARE(plan[0].Rows, plan[1].Rows);
        QCOMPARE(plan[2].Cols, plan[0].Cols);
        QCOMPARE(plan[2].Rows.First, plan[0].Rows.Last + 1);

        // Page 2 starts with the header of its first column; page 3, the
        // second row band, starts without header rows. The points lie in the
        // cells' last pixel row, clear of the texts.
        const int header = cells.RowHeight(0) - 1;
        QCOMPARE(out.pages[0].pixelColor(8, header), QColor(Qt::white)); // "Time"
        const Colour secondHeader = kPairBackground[static_cast<std::size_t>((second - 2) / 2)];
        QCOMPARE(out.pages[1].pixelColor(45, header), ResolveColour(secondHeader));
        const int data = cells.RowHeight(plan[2].Rows.First) - 1;
        QCOMPARE(out.pages[2].pixelColor(45, data), ResolveColour(gridcolour::kBlue));
    }

    void mergedCellsPrintOncePerPage() {
        GridControl grid;
        FillDay(grid, 60);
        const GridCells& cells = grid.Cells();
        RecordingPages landscape(A4(96, true), 96);
        QCOMPARE(PrintGrid(cells, landscape), 1);
        QCOMPARE(landscape.Count(0, QStringLiteral("Cygnus-A")), 1);
        QCOMPARE(landscape.Count(0, QStringLiteral("Time")), 1);
        QCOMPARE(landscape.Count(0, QStringLiteral("Thursday 1/1/2015")), 1);
        QCOMPARE(landscape.Count(0, QStringLiteral("Azimuth")), 9);

        // A merged title across the cut between two column bands: printed on
        // both pages, each time once, clipped to its page.
        GridCells wide;
        const int cut = 15; // 15 columns of 51 px fit 794 px, the 16th does not
        wide.SetCellText(cut - 1, 0, "Across");
        QVERIFY(wide.MergeCells(cut - 1, cut, 0, ""));
        RecordingPages portrait(A4(96, false), 96);
        const int pages = PrintGrid(wide, portrait);
        const auto plan = PlanPrintPages(wide, A4(96, false).width(), A4(96, false).height(), 1, 1);
        QCOMPARE(pages, static_cast<int>(plan.size()));
        QCOMPARE(plan[0].Cols.Last, cut - 1);
        QCOMPARE(portrait.Count(0, QStringLiteral("Across")), 1);
        QCOMPARE(portrait.Count(1, QStringLiteral("Across")), 1);
    }

    void coloursLinesAndFont() {
        GridSettings settings;
        settings.RowCount = 4;
        settings.GridLineColor = 0x000000FF;      // red
        settings.FixedGridLineColor = 0x00FF0000; // blue
        settings.GridLineWidth = 1;
        GridCells cells(settings);
        cells.SetCellText(0, 2, "dark");
        cells.SetCellBackground(0, 2, 0x0000FFFF); // yellow
        cells.SetCellFontColor(0, 2, 0x00008000);  // green text
        cells.SetCellText(1, 2, "plain");

        const int dpi = 192; // scale 2: lines 2 px, cells 100 × 30 px
        ImagePages out(QSize(2200, 400), dpi);
        QCOMPARE(PrintGrid(cells, out), 1);
        const QImage& page = out.pages.at(0);
        const int rowTop2 = 2 * (15 + 1) * 2; // two rows of 15 px + line, doubled
        // Header lines blue, lines between normal cells red.
        QCOMPARE(page.pixelColor(100, 10), QColor(0, 0, 255));           // right of (0, 0)
        QCOMPARE(page.pixelColor(100, rowTop2 + 10), QColor(255, 0, 0)); // right of (0, 2)
        QCOMPARE(page.pixelColor(50, 30), QColor(0, 0, 255));            // below (0, 0)
        QCOMPARE(page.pixelColor(50, rowTop2 + 30), QColor(255, 0, 0));  // below (0, 2)
        // Backgrounds: own, fixed (button face), normal (menu).
        QCOMPARE(page.pixelColor(95, rowTop2 + 27), QColor(255, 255, 0));
        QCOMPARE(page.pixelColor(95, 27), ResolveColour(colour::kButtonFace));
        QCOMPARE(page.pixelColor(195, rowTop2 + 27), ResolveColour(colour::kMenu));
        // The text in its own colour: green pixels in the yellow cell only.
        int green = 0;
        for (int y = rowTop2; y < rowTop2 + 30; ++y) {
            for (int x = 0; x < 100; ++x) {
                const QColor c = page.pixelColor(x, y);
                green += c.green() > 60 && c.red() < 100 && c.blue() < 100 ? 1 : 0;
            }
        }
        QVERIFY(green > 10);

        // The printed font is smaller than the scaled screen font's height.
        RecordingPages recorded(QSize(2200, 400), dpi);
        QCOMPARE(PrintGrid(cells, recorded), 1);
        QVERIFY(!recorded.engine.texts.empty());
        const QFont screen = GridPrintSettings::DefaultFont();
        const double screenHeight = QFontMetricsF(screen).height();
        for (const auto& t : recorded.engine.texts) {
            const double printed = QFontMetricsF(t.Font, &recorded).height();
            QVERIFY2(printed / screenHeight < 2.0, qPrintable(t.Value));
            QVERIFY(printed / screenHeight > 1.5); // made smaller, not tiny
        }
    }

    void cancelledOrUnstartablePrintsGiveMinusOne() {
        GridControl grid;
        FillDay(grid, 5);
        const QSize page = A4(96, true);

        ImagePages refused(page, 96);
        refused.refuseStart = true;
        QCOMPARE(PrintGrid(grid.Cells(), refused), -1);
        QVERIFY(refused.pages.empty());
        QVERIFY(!refused.ended);

        ImagePages cancelled(page, 96);
        cancelled.failAtPage = 2;
        QCOMPARE(PrintGrid(grid.Cells(), cancelled), -1);
        QVERIFY(cancelled.ended); // the document is ended, not left open
        QCOMPARE(cancelled.pages.size(), std::size_t{2});

        QPrinter nowhere(QPrinter::ScreenResolution);
        nowhere.setOutputFormat(QPrinter::PdfFormat);
        nowhere.setOutputFileName(QStringLiteral("/nonexistent-dir/vantrel/out.pdf"));
        QCOMPARE(PrintGrid(grid.Cells(), nowhere), -1);

        // A grid without any column width prints nothing and starts nothing.
        GridSettings none;
        none.DefaultColWidth = 0;
        ImagePages empty(page, 96);
        QCOMPARE(PrintGrid(GridCells(none), empty), 0);
        QVERIFY(!empty.ended);
    }

    void pageByPageRunsStopCleanly() {
        GridControl grid;
        FillDay(grid, 5);
        const QSize page = A4(96, true);
        ImagePages whole(page, 96);
        const int all = PrintGrid(grid.Cells(), whole);
        QVERIFY(all > 3);

        // Stopped by the user after two pages: the document is ended with
        // those two, the same as the first two of the whole print.
        ImagePages stopped(page, 96);
        {
            GridPrintRun run(grid.Cells(), stopped);
            QCOMPARE(run.PageCount(), all);
            QVERIFY(!run.PrintNextPage()); // not started
            QVERIFY(run.Start());
            QVERIFY(run.PrintNextPage());
            QVERIFY(run.PrintNextPage());
            QCOMPARE(run.PagesDone(), 2);
            QCOMPARE(run.Finish(), 2);
            QVERIFY(!run.PrintNextPage()); // finished
        }
        QVERIFY(stopped.ended);
        QCOMPARE(stopped.pages.size(), std::size_t{2});
        QCOMPARE(stopped.pages[1], whole.pages[1]);

        // Left unfinished: the document is still ended.
        ImagePages dropped(page, 96);
        {
            GridPrintRun run(grid.Cells(), dropped);
            QVERIFY(run.Start());
            QVERIFY(run.PrintNextPage());
        }
        QVERIFY(dropped.ended);
    }

    void pagesUseTheDesignWidthsWhateverTheScreenGives() {
        GridControl grid;
        FillDay(grid, 5);
        const QSize page = A4(150, true);
        const double scale = 150 / 96.0;
        const auto design = PlanPrintPages(grid.Cells(), page.width(), page.height(), scale, scale);
        ImagePages before(page, 150);
        QCOMPARE(PrintGrid(grid.Cells(), before), static_cast<int>(design.size()));

        // Narrow columns on screen make rows wrap there; the pages measured
        // at the design widths stay as they were.
        grid.Cells().SetColWidths(std::vector<int>(20, 20));
        QVERIFY(grid.Cells().RowHeight(0) >
                DesignRowHeights(grid.Cells(), QtTextMeasurer(grid.font()))[0]);
        GridPrintSettings settings;
        settings.Font = grid.font();
        const QtTextMeasurer rows(grid.font());
        settings.RowMeasurer = &rows;
        ImagePages after(page, 150);
        QCOMPARE(PrintGrid(grid.Cells(), after, settings), static_cast<int>(design.size()));
        QCOMPARE(after.pages.size(), before.pages.size());
        for (std::size_t i = 0; i < after.pages.size(); ++i) {
            QVERIFY2(after.pages[i] == before.pages[i], qPrintable(QString("page %1").arg(i)));
        }
    }

    void headerLineOnEveryPageAboveTheGrid() {
        GridControl grid;
        FillDay(grid, 5);
        const int dpi = 150;
        const QSize page = A4(dpi, true);
        ImagePages plain(page, dpi);
        const int plainPages = PrintGrid(grid.Cells(), plain);
        GridPrintSettings settings;
        settings.Header = QStringLiteral("apparent places of date");
        ImagePages headed(page, dpi);
        const int headedPages = PrintGrid(grid.Cells(), headed, settings);
        QVERIFY(headedPages >= plainPages);
        QCOMPARE(static_cast<int>(headed.pages.size()), headedPages);
        // The grid's top line starts at the top edge without a header, and
        // lower with one; the header's text is painted above it on every page.
        const auto firstPaintedRow = [](const QImage& image) {
            for (int y = 0; y < image.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    if ((line[x] & 0xFFFFFF) != 0xFFFFFF) {
                        return y;
                    }
                }
            }
            return -1;
        };
        const auto gridTop = [](const QImage& image) {
            // The first row whose pixels are grey from the left edge on: a grid line.
            for (int y = 0; y < image.height(); ++y) {
                if ((image.pixel(0, y) & 0xFFFFFF) != 0xFFFFFF &&
                    (image.pixel(image.width() / 4, y) & 0xFFFFFF) != 0xFFFFFF) {
                    return y;
                }
            }
            return -1;
        };
        QCOMPARE(gridTop(plain.pages.at(0)), 0);
        for (const QImage& p : headed.pages) {
            const int top = gridTop(p);
            QVERIFY2(top > 10, qPrintable(QString::number(top)));
            QVERIFY(firstPaintedRow(p) < top - 2); // the header's text
        }
    }

    void pdfThroughThePrinter() {
        GridControl grid;
        FillDay(grid, 5);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray keep = qgetenv("VANTREL_SCREENSHOT_DIR");
        const QString file =
            (keep.isEmpty() ? dir.path() : QString::fromLocal8Bit(keep)) + "/planning-day.pdf";
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Landscape);
        const double sx = printer.logicalDpiX() / 96.0;
        const double sy = printer.logicalDpiY() / 96.0;
        const auto plan = PlanPrintPages(grid.Cells(), printer.width(), printer.height(), sx, sy);

        QCOMPARE(PrintGrid(grid.Cells(), printer), static_cast<int>(plan.size()));
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(pdf.readAll());
        const auto pages = text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)")));
        QCOMPARE(pages, static_cast<qsizetype>(plan.size()));
        for (const PrintPage& p : plan) {
            QCOMPARE(p.Cols, (PrintBand{0, 19}));
        }
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::GridPrinterTest)
#include "GridPrinterTest.moc"
