#include "planner/GridLayout.h"

#include "astro/Catalogue.h"

namespace vantrel {

namespace {

void HeaderCell(GridCells& grid, int col, int row, Colour background) {
    grid.Cell(col, row);
    grid.SetAlignment(col, row, kAlignCentre);
    grid.SetCellFontColor(col, row, colour::kBlack);
    grid.SetCellBackground(col, row, background);
}

} // namespace

void LayoutHeader(GridCells& grid, const HomeStation& station) {
    HeaderCell(grid, 0, 0, gridcolour::kTimeHeader);
    grid.SetCellText(0, 0, "Time");
    grid.MergeCells(0, 1, 0, "");
    HeaderCell(grid, 0, 1, gridcolour::kBlue);
    grid.SetCellText(0, 1, "UTC");
    HeaderCell(grid, 1, 1, colour::kActiveBorder);
    grid.SetCellText(1, 1, "Local");

    const bool azEl = station.DisplayMode == 0;
    for (std::size_t pair = 0; pair < kPairBackground.size(); ++pair) {
        const int c = kFirstPairColumn + 2 * static_cast<int>(pair);
        const Colour background = kPairBackground[pair];

        HeaderCell(grid, c, 0, background);
        if (pair < kFixedSourceCount) {
            // Planning and real-time sets share their titles.
            if (const auto source = FixedSourceAt(CoordinateSet::Planning, pair, station)) {
                grid.SetCellText(c, 0, source->Title);
            }
        } else {
            grid.SetCellText(c, 0, c == kMoonColumn ? kMoonTitle : kSunTitle);
        }
        HeaderCell(grid, c + 1, 0, background);
        grid.MergeCells(c, c + 1, 0, "");

        HeaderCell(grid, c, 1, background);
        grid.SetCellText(c, 1, azEl ? "Azimuth" : "GHA");
        HeaderCell(grid, c + 1, 1, background);
        grid.SetCellText(c + 1, 1, azEl ? "Elevation" : "Dec");
    }
}

} // namespace vantrel
