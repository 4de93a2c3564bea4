#include "planner/TableText.h"

#include <algorithm>
#include <cstdio>

namespace vantrel {

namespace {

std::string_view Trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

void AppendPrecise(std::string& out, const PreciseRow& row, TableFormat format) {
    out += '#';
    char number[64];
    for (const long double v : row.Degrees) {
        std::snprintf(number, sizeof number, format == TableFormat::Csv ? ",%.6Lf" : " %11.6Lf", v);
        out += number;
    }
    out += '\n';
}

void AppendTextCell(std::string& out, const GridCells& grid, const GridCell& cell, int width) {
    std::string text(Trimmed(cell.Value));
    for (char& ch : text) {
        if (ch == '\r' || ch == '\n') {
            ch = ' ';
        }
    }
    // Characters, not bytes: the tool's names are UTF-8, and a byte that
    // continues a character takes no column of its own.
    const int length = static_cast<int>(std::count_if(text.begin(), text.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0U) != 0x80U;
    }));
    const int room = width > length ? width - length : 0;
    const HorizontalAlignment a = grid.EffectiveAlignment(cell);
    const int left = a == HorizontalAlignment::haCenter  ? room / 2
                     : a == HorizontalAlignment::haRight ? room
                                                         : 0;
    out.append(static_cast<std::size_t>(left), ' ');
    out += text;
    out.append(static_cast<std::size_t>(room - left), ' ');
}

} // namespace

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char ch : text) {
        if (ch == '"') {
            quoted += '"';
        }
        quoted += ch;
    }
    quoted += '"';
    return quoted;
}

std::string RenderTable(const GridCells& grid, TableFormat format,
                        const std::vector<PreciseRow>* precise) {
    const CellList& cells = grid.Cells();
    const int columns = grid.ColCount();
    std::string out;
    out.reserve(static_cast<std::size_t>(grid.RowCount()) *
                (format == TableFormat::Csv ? 100 : 200));
    std::size_t next = 0;        // first cell of the row being written
    std::size_t nextPrecise = 0; // first precise row not yet written
    for (int r = 0; r < grid.RowCount(); ++r) {
        while (next < cells.size() && cells[next].AbsoluteRow < r) {
            ++next;
        }
        int col = 0; // next column to write
        std::size_t i = next;
        for (; i < cells.size() && cells[i].AbsoluteRow == r; ++i) {
            const GridCell& c = cells[i];
            for (; col < c.AbsoluteCol; ++col) {
                if (format == TableFormat::Csv) {
                    out += col > 0 ? "," : "";
                } else {
                    out.append(col > 0 ? kTextColumnWidth + 1 : kTextColumnWidth, ' ');
                }
            }
            const int span = c.AddCols + 1;
            if (format == TableFormat::Csv) {
                if (col > 0) {
                    out += ',';
                }
                out += CsvField(Trimmed(c.Value));
                out.append(static_cast<std::size_t>(span - 1), ',');
            } else {
                if (col > 0) {
                    out += ' ';
                }
                AppendTextCell(out, grid, c, span * kTextColumnWidth + (span - 1));
            }
            col = c.AbsoluteCol + span;
        }
        for (; col < columns; ++col) {
            if (format == TableFormat::Csv) {
                out += col > 0 ? "," : "";
            } else {
                out.append(col > 0 ? kTextColumnWidth + 1 : kTextColumnWidth, ' ');
            }
        }
        if (format == TableFormat::Text) {
            while (!out.empty() && out.back() == ' ') {
                out.pop_back();
            }
        }
        out += '\n';
        if (precise != nullptr) {
            while (nextPrecise < precise->size() && (*precise)[nextPrecise].GridRow < r) {
                ++nextPrecise;
            }
            if (nextPrecise < precise->size() && (*precise)[nextPrecise].GridRow == r) {
                AppendPrecise(out, (*precise)[nextPrecise], format);
            }
        }
    }
    return out;
}

} // namespace vantrel

namespace vantrel {

std::string SelectionText(const GridCells& grid, int left, int top, int right, int bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, grid.ColCount() - 1);
    bottom = std::min(bottom, grid.RowCount() - 1);
    std::string out;
    for (int row = top; row <= bottom; ++row) {
        for (int col = left; col <= right; ++col) {
            if (col > left) {
                out += '\t';
            }
            const GridCell* c = grid.FindCell(col, row);
            if (c == nullptr || col != std::max(left, c->AbsoluteCol) ||
                row != std::max(top, c->AbsoluteRow)) {
                continue;
            }
            const std::size_t start = out.size();
            out += Trimmed(c->Value);
            for (std::size_t i = start; i < out.size(); ++i) {
                if (out[i] == '\t' || out[i] == '\r' || out[i] == '\n') {
                    out[i] = ' ';
                }
            }
        }
        out += '\n';
    }
    return out;
}

} // namespace vantrel
