#include "controls/GridCells.h"

#include <algorithm>

namespace vantrel {

namespace {

bool Before(const GridCell& cell, int col, int row) {
    return cell.AbsoluteRow < row || (cell.AbsoluteRow == row && cell.AbsoluteCol < col);
}

} // namespace

std::string NormaliseLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else if (ch == '\n') {
            out += "\r\n";
        } else {
            out += ch;
        }
    }
    return out;
}

GridCells::GridCells(GridSettings settings, const TextMeasurer* measurer, GridObserver* observer)
    : settings_(settings), measurer_(measurer), observer_(observer) {}

void GridCells::CheckIndex(int col, int row) const {
    if (col < 0 || row < 0 || col >= settings_.ColCount || row >= settings_.RowCount) {
        throw GridIndexOutOfRange();
    }
}

std::size_t GridCells::LowerBound(int col, int row) const {
    // Rows are mostly written from the top down, so new cells go at the end.
    if (cells_.empty() || Before(cells_.back(), col, row)) {
        return cells_.size();
    }
    // Writing a row out of column order stays within the last few cells.
    constexpr std::size_t kTail = 64;
    auto from = cells_.begin();
    if (cells_.size() > kTail && Before(cells_[cells_.size() - kTail], col, row)) {
        from = cells_.end() - kTail;
    }
    const auto it = std::lower_bound(from, cells_.end(), std::pair{col, row},
                                     [](const GridCell& c, const std::pair<int, int>& p) {
                                         return Before(c, p.first, p.second);
                                     });
    return static_cast<std::size_t>(it - cells_.begin());
}

const GridCell* GridCells::FindCell(int col, int row) const {
    const std::size_t i = LowerBound(col, row);
    if (i < cells_.size() && cells_[i].AbsoluteCol == col && cells_[i].AbsoluteRow == row) {
        return &cells_[i];
    }
    if (row > mergedLastRow_) {
        return nullptr; // below every merged cell
    }
    for (const Span& m : merged_) {
        if (col >= m.Col && col <= m.LastCol && row >= m.Row && row <= m.LastRow) {
            return &cells_[LowerBound(m.Col, m.Row)];
        }
    }
    return nullptr;
}

std::size_t GridCells::IndexOf(int col, int row) {
    CheckIndex(col, row);
    // Callers set several attributes of one cell in turn. A cell whose
    // top-left corner is the position is the one that covers it, wherever
    // the vector has moved it since.
    if (hint_ < cells_.size() && cells_[hint_].AbsoluteCol == col &&
        cells_[hint_].AbsoluteRow == row) {
        return hint_;
    }
    if (const GridCell* found = FindCell(col, row)) {
        return hint_ = static_cast<std::size_t>(found - cells_.data());
    }
    const std::size_t i = LowerBound(col, row);
    GridCell cell;
    cell.AbsoluteCol = col;
    cell.AbsoluteRow = row;
    cells_.insert(cells_.begin() + static_cast<std::ptrdiff_t>(i), std::move(cell));
    return hint_ = i;
}

const GridCell& GridCells::Cell(int col, int row) {
    return cells_[IndexOf(col, row)];
}

Colour GridCells::EffectiveColor(const GridCell& cell) const {
    if (cell.OwnColor) {
        return cell.Color;
    }
    return cell.AbsoluteRow < settings_.FixedRows ? settings_.FixedColor : settings_.Color;
}

Colour GridCells::EffectiveFontColor(const GridCell& cell) const {
    return cell.OwnFont ? cell.FontColor : settings_.FontColor;
}

HorizontalAlignment GridCells::EffectiveAlignment(const GridCell& cell) const {
    // haGeneral resolves by the value; the grid only holds texts, which go left.
    const HorizontalAlignment a =
        cell.OwnAlignment ? cell.Alignment : HorizontalAlignment::haGeneral;
    return a == HorizontalAlignment::haGeneral ? HorizontalAlignment::haLeft : a;
}

void GridCells::Changed(std::size_t index) {
    if (updateCount_ > 0) {
        return;
    }
    if (observer_ != nullptr) {
        observer_->CellChanged(cells_[index]);
    }
}

void GridCells::SetCellText(int col, int row, std::string_view text) {
    const std::size_t i = IndexOf(col, row);
    GridCell& cell = cells_[i];
    if (text.find_first_of("\r\n") == std::string_view::npos) {
        // Nearly every text has no line break: no copy to normalise.
        if (cell.Value == text) {
            return;
        }
        cell.Value.assign(text);
    } else {
        std::string value = NormaliseLineBreaks(text);
        if (cell.Value == value) {
            return;
        }
        cell.Value = std::move(value);
    }
    const int first = cell.AbsoluteRow;
    const int last = cell.AbsoluteRow + cell.AddRows;
    Changed(i);
    if (updateCount_ == 0) {
        if (RemeasureRows(first, last) && observer_ != nullptr) {
            observer_->LayoutChanged(); // rows below moved
        }
    } else {
        MarkDirty(first, last);
    }
}

void GridCells::MarkDirty(int firstRow, int lastRow) {
    if (dirtyFirst_ > dirtyLast_) {
        dirtyFirst_ = firstRow;
        dirtyLast_ = lastRow;
    } else {
        dirtyFirst_ = std::min(dirtyFirst_, firstRow);
        dirtyLast_ = std::max(dirtyLast_, lastRow);
    }
}

void GridCells::SetCellBackground(int col, int row, Colour c) {
    if (c == colour::kNone || c == colour::kDefault) {
        return;
    }
    const std::size_t i = IndexOf(col, row);
    GridCell& cell = cells_[i];
    if (EffectiveColor(cell) == c) {
        return; // keeps inheriting when the colour is the inherited one
    }
    cell.Color = c;
    cell.OwnColor = true;
    Changed(i);
}

void GridCells::SetCellFontColor(int col, int row, Colour c) {
    const std::size_t i = IndexOf(col, row);
    GridCell& cell = cells_[i];
    if (EffectiveFontColor(cell) == c) {
        return;
    }
    cell.FontColor = c;
    cell.OwnFont = true;
    Changed(i);
}

void GridCells::SetAlignment(int col, int row, int alignment) {
    const std::size_t i = IndexOf(col, row);
    GridCell& cell = cells_[i];
    const HorizontalAlignment now = EffectiveAlignment(cell);
    const int code = now == HorizontalAlignment::haCenter  ? kAlignCentre
                     : now == HorizontalAlignment::haRight ? kAlignRight
                                                           : kAlignLeft;
    if (code == alignment) {
        return;
    }
    cell.Alignment = alignment == kAlignRight    ? HorizontalAlignment::haRight
                     : alignment == kAlignCentre ? HorizontalAlignment::haCenter
                                                 : HorizontalAlignment::haLeft;
    cell.OwnAlignment = true;
    Changed(i);
}

bool GridCells::MergeCells(int firstCol, int lastCol, int row, std::string_view separator) {
    return MergeRect(firstCol, row, lastCol, row, {}, separator);
}

bool GridCells::MergeRect(int left, int top, int right, int bottom, std::string_view rowSeparator,
                          std::string_view colSeparator) {
    const int fixed = settings_.FixedRows;
    if (left < 0 || left > right || right > settings_.ColCount - 1 || top < 0 || top > bottom ||
        bottom > settings_.RowCount - 1 || (left == right && top == bottom) ||
        (top < fixed && bottom >= fixed)) {
        return false;
    }
    const std::size_t a = IndexOf(left, top);
    const std::pair<int, int> topLeft{cells_[a].AbsoluteCol, cells_[a].AbsoluteRow};
    const std::size_t b = IndexOf(right, bottom);
    const std::size_t a2 = LowerBound(topLeft.first, topLeft.second); // b may have moved a
    if (a2 == b) {
        return false; // already one merged cell
    }

    // Grow the rectangle until no cell sticks out of it.
    // Only a merged cell can stick out; an ordinary one lies inside or outside.
    for (bool grown = true; grown;) {
        grown = false;
        for (const Span& m : merged_) {
            const bool overlaps =
                m.Col <= right && m.LastCol >= left && m.Row <= bottom && m.LastRow >= top;
            if (overlaps &&
                (m.Col < left || m.LastCol > right || m.Row < top || m.LastRow > bottom)) {
                left = std::min(left, m.Col);
                right = std::max(right, m.LastCol);
                top = std::min(top, m.Row);
                bottom = std::max(bottom, m.LastRow);
                grown = true;
                break;
            }
        }
    }
    if (top < fixed && bottom >= fixed) {
        return false;
    }

    // Join the texts row by row.
    std::string joined;
    int withValue = 0;
    std::string firstValue;
    for (int r = top; r <= bottom; ++r) {
        for (std::size_t i = LowerBound(left, r);
             i < cells_.size() && cells_[i].AbsoluteRow == r && cells_[i].AbsoluteCol <= right;
             ++i) {
            const GridCell& c = cells_[i];
            joined += c.Value;
            if (c.AbsoluteCol + c.AddCols < right) {
                joined += colSeparator;
            }
            if (!c.Value.empty()) {
                if (withValue++ == 0) {
                    firstValue = c.Value;
                }
            }
        }
        if (r < bottom) {
            joined += rowSeparator;
        }
    }

    // The top-left cell survives with its attributes; the others are destroyed.
    const std::size_t keep = IndexOf(left, top);
    GridCell survivor = cells_[keep];
    for (int r = top; r <= bottom; ++r) {
        const auto from = cells_.begin() + static_cast<std::ptrdiff_t>(LowerBound(left, r));
        const auto to = cells_.begin() + static_cast<std::ptrdiff_t>(LowerBound(right + 1, r));
        cells_.erase(from, to);
    }
    survivor.AbsoluteCol = left;
    survivor.AbsoluteRow = top;
    survivor.AddCols = static_cast<std::uint16_t>(right - left);
    survivor.AddRows = static_cast<std::uint16_t>(bottom - top);
    if (withValue > 1) {
        survivor.Value = joined;
    } else if (withValue == 1) {
        survivor.Value = firstValue;
    }
    const std::size_t at = LowerBound(left, top);
    cells_.insert(cells_.begin() + static_cast<std::ptrdiff_t>(at), std::move(survivor));
    std::erase_if(merged_, [&](const Span& m) {
        return m.Col >= left && m.LastCol <= right && m.Row >= top && m.LastRow <= bottom;
    });
    merged_.push_back({left, top, right, bottom});
    mergedLastRow_ = std::max(mergedLastRow_, bottom);
    if (updateCount_ == 0) {
        RemeasureRows(top, bottom);
        if (observer_ != nullptr) {
            observer_->LayoutChanged();
        }
    } else {
        MarkDirty(top, bottom);
    }
    return true;
}

void GridCells::SetRowCount(int n) {
    n = std::clamp(n, 1, kMaxRowCount);
    if (n == settings_.RowCount) {
        return;
    }
    BeginUpdate();
    if (n < settings_.FixedRows) {
        settings_.FixedRows = n;
    }
    const bool shrinking = n < settings_.RowCount;
    settings_.RowCount = n;
    if (shrinking) {
        const int last = n - 1;
        cells_.erase(cells_.begin() + static_cast<std::ptrdiff_t>(LowerBound(0, n)), cells_.end());
        std::erase_if(merged_, [&](const Span& m) { return m.Row > last; });
        for (Span& m : merged_) {
            if (m.LastRow > last) {
                GridCell& c = cells_[LowerBound(m.Col, m.Row)];
                c.AddRows = static_cast<std::uint16_t>(last - c.AbsoluteRow);
                m.LastRow = last;
                MarkDirty(m.Row, last);
            }
        }
        mergedLastRow_ = -1;
        for (const Span& m : merged_) {
            mergedLastRow_ = std::max(mergedLastRow_, m.LastRow);
        }
        if (dirtyLast_ > last) {
            dirtyLast_ = last;
        }
        if (rowHeights_.size() > static_cast<std::size_t>(n)) {
            rowHeights_.resize(static_cast<std::size_t>(n));
        }
    }
    EndUpdate();
}

void GridCells::ReserveRows(int rows) {
    rows = std::clamp(rows, 0, kMaxRowCount);
    const std::size_t before = cells_.capacity();
    cells_.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(settings_.ColCount));
    if (settings_.PrefaultPages && cells_.capacity() != before) {
        // A fresh block: its pages are made ready on another processor while
        // this thread writes the table into it from the front (a month at
        // one-minute steps is some 57 MB, whose first touch costs the first
        // table after start-up what later tables, reusing it, do not pay).
        prefault_.Start(cells_.data() + cells_.size(),
                        (cells_.capacity() - cells_.size()) * sizeof(GridCell));
    }
    rowHeights_.reserve(static_cast<std::size_t>(rows));
}

void GridCells::EndUpdate() {
    if (updateCount_ == 0) {
        return;
    }
    if (--updateCount_ == 0) {
        const int first = dirtyFirst_;
        const int last = std::min(dirtyLast_, settings_.RowCount - 1);
        dirtyFirst_ = 0;
        dirtyLast_ = -1;
        RemeasureRows(first, last);
        if (observer_ != nullptr) {
            observer_->LayoutChanged();
        }
    }
}

void GridCells::RemeasureAll() {
    if (RemeasureRows(0, std::min(settings_.RowCount - 1, MaxUsedRow())) && observer_ != nullptr) {
        observer_->LayoutChanged();
    }
}

int GridCells::RowHeight(int row) const {
    if (row >= 0 && static_cast<std::size_t>(row) < rowHeights_.size() && rowHeights_[row] > 0) {
        return rowHeights_[static_cast<std::size_t>(row)];
    }
    return settings_.DefaultRowHeight;
}

bool GridCells::RemeasureRows(int firstRow, int lastRow) {
    if (measurer_ == nullptr || firstRow > lastRow) {
        return false;
    }
    bool changed = false;
    if (rowHeights_.size() <= static_cast<std::size_t>(lastRow)) {
        rowHeights_.resize(static_cast<std::size_t>(lastRow) + 1, 0);
    }
    const auto needed = [&](const GridCell& c) {
        if (c.Value.empty()) {
            return 0;
        }
        int span = 0;
        for (int col = c.AbsoluteCol; col <= c.AbsoluteCol + c.AddCols; ++col) {
            span += ColWidth(col);
        }
        const bool fixed = c.AbsoluteRow < settings_.FixedRows;
        const int width = span - (fixed ? settings_.FixedMarginLeft : settings_.MarginLeft) -
                          (fixed ? settings_.FixedMarginRight : settings_.MarginRight) -
                          settings_.GridLineWidth;
        return measurer_->WrappedTextHeight(c.Value, width) + settings_.MarginTop +
               settings_.MarginBottom;
    };
    // The cells are sorted by row: one search for the first row, then a walk.
    std::size_t i = LowerBound(0, firstRow);
    for (int r = firstRow; r <= lastRow; ++r) {
        int height = 0;
        for (; i < cells_.size() && cells_[i].AbsoluteRow == r; ++i) {
            if (cells_[i].AddRows == 0) {
                height = std::max(height, needed(cells_[i]));
            }
        }
        const int now = height == 0 ? settings_.DefaultRowHeight : height;
        changed = changed || RowHeight(r) != now;
        rowHeights_[static_cast<std::size_t>(r)] = now;
    }
    // A cell spanning several rows gives the extra height it needs to its last row.
    for (const Span& m : merged_) {
        const GridCell& c = cells_[LowerBound(m.Col, m.Row)];
        const int last = c.AbsoluteRow + c.AddRows;
        if (c.AddRows == 0 || last < firstRow || c.AbsoluteRow > lastRow ||
            static_cast<std::size_t>(last) >= rowHeights_.size()) {
            continue;
        }
        int above = 0;
        for (int r = c.AbsoluteRow; r < last; ++r) {
            above += RowHeight(r);
        }
        const int extra = needed(c) - above;
        auto& h = rowHeights_[static_cast<std::size_t>(last)];
        if (extra > h) {
            h = extra;
            changed = true;
        }
    }
    return changed;
}

void GridCells::SetColWidths(std::vector<int> widths) {
    if (widths == colWidths_) {
        return;
    }
    colWidths_ = std::move(widths);
    RemeasureAll();
}

int GridCells::MaxUsedRow() const {
    int best = -1;
    for (const Span& m : merged_) {
        best = std::max(best, m.LastRow);
    }
    return cells_.empty() ? best : std::max(best, cells_.back().AbsoluteRow);
}

int GridCells::MaxUsedCol() const {
    int best = -1;
    for (const GridCell& c : cells_) {
        best = std::max(best, c.AbsoluteCol + c.AddCols);
    }
    return best;
}

} // namespace vantrel
