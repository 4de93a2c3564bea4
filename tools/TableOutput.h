#pragma once

#include "controls/GridCells.h"
#include "planner/PlanningSweep.h"
#include "tools/TableOptions.h"

#include <string>
#include <vector>

namespace vantrel {

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
