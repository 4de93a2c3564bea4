#pragma once

#include "controls/GridCells.h"
#include "controls/PrintTarget.h"

#include <QFont>
#include <QString>

#include <array>
#include <memory>
#include <vector>

class QPrinter;

namespace vantrel {

/// What printing takes from the grid's window besides the cells.
struct GridPrintSettings {
    /// The font the cells inherit: Arial, an 11-pixel em (8 pt at 96 dpi).
    QFont Font = DefaultFont();
    /// Resolution of the screen the grid's pixel measures are meant for.
    double ScreenDpiX = 96;
    double ScreenDpiY = 96;
    /// Page margins, fractions of the page width (left, right) and height
    /// (top, bottom).
    std::array<double, 4> Margins{0, 0, 0, 0}; ///< left, top, right, bottom
    /// When set, the rows' heights are measured with it (in `Font`) at the
    /// columns' design width, so the pages do not depend on the size of the
    /// window the grid is shown in; null takes the grid's row heights.
    const TextMeasurer* RowMeasurer = nullptr;
    /// One line printed above the grid on every page (what the table holds,
    /// when that is not the classic table), in Arial 10 pt; the grid moves
    /// down by its height. Empty prints no header and the pages are exactly
    /// those of a grid alone.
    QString Header;

    static QFont DefaultFont();
};

/// A run of whole columns or whole rows printed on one page, first..last.
struct PrintBand {
    int First = 0;
    int Last = -1;
    bool operator==(const PrintBand&) const = default;
};

/// One page: the columns and rows it prints.
struct PrintPage {
    PrintBand Cols;
    PrintBand Rows;
    bool operator==(const PrintPage&) const = default;
};

/// Cuts the items first..last (columns or rows) into bands that fit a page.
/// An item belongs to the current band while the band's size in screen
/// pixels (each item's size plus one grid line), times `scale`, does not
/// exceed `available` − 1 device pixels; the first item that does not fit
/// starts the next band. An item larger than the page gets a band of its
/// own.
///
/// `sizes` holds the screen size of every item (index = column or row).
std::vector<PrintBand> CutIntoBands(const std::vector<int>& sizes, int first, int last,
                                    int gridLine, double scale, int available);

/// Heights of every row of the grid laid out at the design column width
/// (`DefaultColWidth`) with `measurer`, px, by the grid's rule: the tallest
/// wrapped text of the row plus the top and bottom margins, a cell spanning
/// rows giving what it lacks to its last row, `DefaultRowHeight` for a row
/// without text.
std::vector<int> DesignRowHeights(const GridCells& grid, const TextMeasurer& measurer);

/// The pages of a grid, in print order: row band by row band from the top,
/// and within each column band by column band from the left. Every row and
/// every column is printed once; leading and trailing columns of zero width
/// are left out; header rows are not repeated. `pageWidth` and `pageHeight`
/// are the printable area in device pixels, `scaleX` and `scaleY` device
/// pixels per screen pixel. Columns are taken at their design width
/// (`DefaultColWidth`), whatever width a window gives them on screen; rows
/// at `rowHeights` when given (one per row), else at the grid's heights.
std::vector<PrintPage> PlanPrintPages(const GridCells& grid, int pageWidth, int pageHeight,
                                      double scaleX, double scaleY,
                                      const std::array<double, 4>& margins = {0, 0, 0, 0},
                                      const std::vector<int>* rowHeights = nullptr);

class GridPrintJob;

/// One print of a grid, a page at a time, so that a window can keep its
/// event loop turning between pages (a page takes about 15 ms) and offer
/// Cancel. The pages are planned when the run is made; the grid must not
/// change until it has finished. `Start`, then `PrintNextPage` until it
/// returns false, then `Finish`; a run left unfinished ends its document
/// when destroyed.
class GridPrintRun {
public:
    GridPrintRun(const GridCells& grid, PrintTarget& target,
                 const GridPrintSettings& settings = {});
    ~GridPrintRun();
    GridPrintRun(const GridPrintRun&) = delete;
    GridPrintRun& operator=(const GridPrintRun&) = delete;

    /// Pages the whole grid takes; 0 when it has no column of any width.
    int PageCount() const { return static_cast<int>(pages_.size()); }
    /// Pages painted so far.
    int PagesDone() const { return done_; }
    /// Starts the document; false when it could not start (nothing printed).
    bool Start();
    /// Paints the next page; false when none is left, the run has not
    /// started, or the target failed or was cancelled.
    bool PrintNextPage();
    /// Ends the document after the pages painted so far, also when the user
    /// stopped before the last one. The pages painted, or −1 when the run
    /// never started or the target failed.
    int Finish();

private:
    PrintTarget& target_;
    std::vector<int> rowHeights_;
    std::unique_ptr<GridPrintJob> job_;
    std::vector<PrintPage> pages_;
    QPainter* painter_ = nullptr;
    int done_ = 0;
    bool failed_ = false;
    bool finished_ = false;
};

/// Prints every row and column of the grid (print grid) and returns the
/// number of pages printed, or −1 when printing could not start, was
/// cancelled or failed; nothing is printed when the grid has no column of
/// any width (0 pages).
///
/// Screen measures are scaled by the ratio of the device's resolution to
/// the screen's. Each cell prints its effective background and, in its own
/// font colour, its text in the grid font made one screen pixel smaller at a
/// time until its printed height is less than the scaled screen height, with
/// the screen's placement: left, centre or right when it fits one line,
/// else wrapped from the left edge and cut with "..." where it still does
/// not fit. A merged cell prints once over its whole span, cut at the page
/// edge. Grid lines: the right and bottom line of every cell, and the left
/// and top line of a page's first column and row, in `GridLineColor`
/// (`FixedGridLineColor` for header rows).
///
/// The caller chooses the printer and its orientation beforehand.
int PrintGrid(const GridCells& grid, PrintTarget& target, const GridPrintSettings& settings = {});
int PrintGrid(const GridCells& grid, QPrinter& printer, const GridPrintSettings& settings = {});

} // namespace vantrel
