#pragma once

#include "controls/GridCells.h"
#include "controls/PrintTarget.h"

#include <QFont>

#include <array>
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

/// The pages of a grid, in print order: row band by row band from the top,
/// and within each column band by column band from the left. Every row and
/// every column is printed once; leading and trailing columns of zero width
/// are left out; header rows are not repeated. `pageWidth` and `pageHeight`
/// are the printable area in device pixels, `scaleX` and `scaleY` device
/// pixels per screen pixel.
std::vector<PrintPage> PlanPrintPages(const GridCells& grid, int pageWidth, int pageHeight,
                                      double scaleX, double scaleY,
                                      const std::array<double, 4>& margins = {0, 0, 0, 0});

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
