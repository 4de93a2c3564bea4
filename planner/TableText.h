#pragma once

#include "controls/GridCells.h"
#include "planner/PlanningSweep.h"

#include <string>
#include <vector>

namespace vantrel {

/// How the planning table is written as text: comma-separated values (what
/// "Save table as CSV…" writes and `vantrel-table --format csv` prints), or
/// aligned columns for a terminal.
enum class TableFormat { Csv, Text };

/// Keeps the unrounded values of every data row a sweep writes, by grid row.
class PreciseRows final : public PreciseRowSink {
public:
    void Row(const PreciseRow& row) override { rows_.push_back(row); }
    const std::vector<PreciseRow>& Rows() const { return rows_; }

private:
    std::vector<PreciseRow> rows_; // in increasing grid row
};

/// Width of one column of the text format, in characters.
inline constexpr int kTextColumnWidth = 9;

/// Every row of the grid, header rows included, as `vantrel-table` prints
/// it. Csv: one line per grid row with one field per column, cell texts with
/// the surrounding blanks trimmed, a merged cell once in its first column,
/// fields quoted as RFC 4180 asks when they hold a comma, a quote or a line
/// break. Text: columns of `kTextColumnWidth` characters separated by a
/// blank, merged cells over their columns, texts centred or placed as the
/// cell's alignment says. With `precise`, each data row is followed by a line
/// starting with "#" and its eighteen unrounded values in degrees with six
/// decimals.
std::string RenderTable(const GridCells& grid, TableFormat format,
                        const std::vector<PreciseRow>* precise);

/// A field as RFC 4180 writes it: quoted, inner quotes doubled, when it holds
/// a comma, a quote, CR or LF; as it is otherwise.
std::string CsvField(std::string_view text);

} // namespace vantrel

namespace vantrel {

/// The cells of columns `left`..`right` and rows `top`..`bottom` of a grid
/// (inclusive, clipped to the grid) as tab-separated text, what "Copy" puts
/// on the clipboard: one line per row, each ended by a line feed, one field
/// per column. Texts are trimmed of surrounding blanks and their tabs and
/// line breaks become blanks, so a spreadsheet keeps the rows and columns.
/// A merged cell gives its text once, in the first selected column and row
/// it covers; the other columns it covers give empty fields. Empty when the
/// rectangle holds no cell of the grid.
std::string SelectionText(const GridCells& grid, int left, int top, int right, int bottom);

} // namespace vantrel
