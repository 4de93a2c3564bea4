#pragma once

#include "controls/HugePageAllocator.h"
#include "controls/PagePrefault.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// A colour: 0x00BBGGRR (red in the low byte), or 0xFF000000 plus a
/// window-system colour index that the painting resolves.
using Colour = std::uint32_t;

namespace colour {
inline constexpr Colour kNone = 0x1FFFFFFF;    ///< marker: no colour (ignored by setters)
inline constexpr Colour kDefault = 0x20000000; ///< marker: default colour (ignored by setters)
inline constexpr Colour kBlack = 0x00000000;
inline constexpr Colour kWhite = 0x00FFFFFF;
inline constexpr Colour kYellow = 0x0000FFFF;
inline constexpr Colour kGray = 0x00808080;
inline constexpr Colour kMenu = 0xFF000004;
inline constexpr Colour kWindowText = 0xFF000008;
inline constexpr Colour kActiveBorder = 0xFF00000A;
inline constexpr Colour kButtonFace = 0xFF00000F;
inline constexpr Colour kButtonShadow = 0xFF000010;
inline constexpr Colour kButtonHighlight = 0xFF000014;
inline constexpr Colour kTooltipText = 0xFF000017;
inline constexpr Colour kTooltipBackground = 0xFF000018;
} // namespace colour

/// Horizontal alignment of a cell, stored in this order as 0..3.
enum class HorizontalAlignment : std::uint8_t { haGeneral, haLeft, haCenter, haRight };

/// Alignment codes of `SetAlignment`.
inline constexpr int kAlignLeft = 0;
inline constexpr int kAlignRight = 1;
inline constexpr int kAlignCentre = 2;

/// The error of a cell access outside the grid. The windows show its text in
/// a message box; the program keeps running.
class GridIndexOutOfRange : public std::out_of_range {
public:
    GridIndexOutOfRange() : std::out_of_range("Grid index out of range") {}
};

/// One cell. It covers columns AbsoluteCol..AbsoluteCol+AddCols and rows
/// AbsoluteRow..AbsoluteRow+AddRows. Every attribute is either the cell's own
/// (its flag set) or inherited from the grid. The cell's own font differs from
/// the grid font only in its colour, so only that colour is held.
///
/// The members are ordered so that a cell takes 56 bytes, not 64: a month's
/// table at one-minute steps holds some 900 000 of them, and every byte of
/// a fresh block is a byte the kernel clears before the table is written.
struct GridCell {
    std::int32_t AbsoluteCol = 0;
    std::int32_t AbsoluteRow = 0;
    std::uint16_t AddCols = 0;
    std::uint16_t AddRows = 0;
    Colour Color = 0;
    std::string Value; ///< empty means no value; texts are stored with CR LF line breaks
    Colour FontColor = 0;
    HorizontalAlignment Alignment = HorizontalAlignment::haGeneral;
    bool OwnColor = false;
    bool OwnFont = false;
    bool OwnAlignment = false;

    bool Covers(int col, int row) const {
        return col >= AbsoluteCol && col <= AbsoluteCol + AddCols && row >= AbsoluteRow &&
               row <= AbsoluteRow + AddRows;
    }
    bool IsMerged() const { return AddCols > 0 || AddRows > 0; }
};
static_assert(sizeof(GridCell) == sizeof(std::string) + 24, "a cell packs into 24 bytes more");

/// The cells of a grid, sorted by (row, column).
using CellList = std::vector<GridCell, HugePageAllocator<GridCell>>;

/// Measures how tall a text is when laid out with word wrap; pixels.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    /// Height of `text` wrapped at `widthPx` in the grid font.
    virtual int WrappedTextHeight(std::string_view text, int widthPx) const = 0;
};

/// Told when cells need repainting or the row layout changed.
class GridObserver {
public:
    virtual ~GridObserver() = default;
    virtual void CellChanged(const GridCell& cell) = 0;
    virtual void LayoutChanged() = 0;
};

/// The grid's fixed layout, set once when a window builds it.
struct GridSettings {
    int ColCount = 20;
    int RowCount = 30;
    int FixedRows = 2;
    int DefaultColWidth = 50;  ///< px
    int DefaultRowHeight = 15; ///< px
    int GridLineWidth = 1;     ///< px
    Colour Color = colour::kMenu;
    Colour FixedColor = colour::kButtonFace;
    Colour FontColor = colour::kWindowText;
    Colour GridLineColor = colour::kGray;
    Colour FixedGridLineColor = colour::kGray;
    Colour SelectionColor = 0x00EACAB6; ///< R 182, G 202, B 234
    Colour SelectionFontColor = colour::kWindowText;
    int MarginLeft = 2;
    int MarginTop = 0;
    int MarginRight = 4;
    int MarginBottom = 0;
    /// Left and right margins of the header rows on screen, px. Narrower
    /// than the data rows' so that a title such as "Elevation" shows whole
    /// in a column that holds "360.00" with room to spare.
    int FixedMarginLeft = 2;
    int FixedMarginRight = 4;
    /// Whether `ReserveRows` faults in the pages of a new block on another
    /// thread (`PagePrefault`). Worth it for a window whose first table
    /// after start-up should come as fast as the later ones, with a second
    /// processor free; a program that writes one table and ends gains
    /// nothing from it (the kernel clears the same pages either way) and
    /// pays a thread competing for its core, so it is off unless asked for.
    bool PrefaultPages = false;
};

/// The sparse cell store and the operations of the grid control, without any
/// window system. Cells are kept in one vector sorted by (row, column), found
/// by binary search; merged cells are also listed separately, so that a
/// position inside a merged span is found by a short scan.
///
/// Positions are (column, row) from 0. References returned by `Cell` stay
/// valid until the next operation that creates or destroys a cell.
class GridCells {
public:
    /// Largest row count; larger requests are clamped.
    static constexpr int kMaxRowCount = 134217725;

    explicit GridCells(GridSettings settings = {}, const TextMeasurer* measurer = nullptr,
                       GridObserver* observer = nullptr);

    const GridSettings& Settings() const { return settings_; }
    GridSettings& MutableSettings() { return settings_; }
    void SetMeasurer(const TextMeasurer* measurer) { measurer_ = measurer; }
    void SetObserver(GridObserver* observer) { observer_ = observer; }

    int ColCount() const { return settings_.ColCount; }
    int RowCount() const { return settings_.RowCount; }
    int FixedRows() const { return settings_.FixedRows; }

    /// The cell covering (col, row), created empty and inheriting if none does.
    /// Throws GridIndexOutOfRange outside 0..ColCount-1 × 0..RowCount-1.
    const GridCell& Cell(int col, int row);

    /// The cell covering (col, row) if one exists; never creates one.
    const GridCell* FindCell(int col, int row) const;

    /// Sets the value; line breaks become CR LF; re-measures the row.
    void SetCellText(int col, int row, std::string_view text);
    /// Sets the background; the two marker values and the colour already in
    /// effect change nothing.
    void SetCellBackground(int col, int row, Colour c);
    /// Sets the colour of the cell's own font (created on first use).
    void SetCellFontColor(int col, int row, Colour c);
    /// 0 left, 1 right, 2 centre; nothing happens when already in effect.
    void SetAlignment(int col, int row, int alignment);
    /// Joins columns first..last of one row; false when refused.
    bool MergeCells(int firstCol, int lastCol, int row, std::string_view separator);
    /// The general rectangle merge, cells read row by row.
    bool MergeRect(int left, int top, int right, int bottom, std::string_view rowSeparator,
                   std::string_view colSeparator);
    /// Changes the row count (clamped to 1..kMaxRowCount), destroying the
    /// cells at and below a cut and shortening merged cells that cross it.
    void SetRowCount(int n);

    /// Makes room for the cells of `rows` full rows, so that a table written
    /// from the top down does not move the cells already written; with
    /// `GridSettings::PrefaultPages` the pages of a new block are made ready
    /// on another thread meanwhile (`PagePrefault`). Changes nothing a caller
    /// can see.
    void ReserveRows(int rows);

    /// Suspended-painting periods nest; when the last one ends the rows
    /// changed during the period are re-measured and the grid repainted.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }

    /// The effective background, font colour and alignment code of a cell.
    Colour EffectiveColor(const GridCell& cell) const;
    Colour EffectiveFontColor(const GridCell& cell) const;
    HorizontalAlignment EffectiveAlignment(const GridCell& cell) const;

    int RowHeight(int row) const;
    /// Measures every row again (after the font changed).
    void RemeasureAll();
    /// Width of a column on screen, px: the width given by `SetColWidths`,
    /// else `DefaultColWidth`; 0 for a negative column. Rows are measured at
    /// these widths.
    int ColWidth(int col) const {
        if (col < 0) {
            return 0;
        }
        return static_cast<std::size_t>(col) < colWidths_.size()
                   ? colWidths_[static_cast<std::size_t>(col)]
                   : settings_.DefaultColWidth;
    }
    /// Gives the columns their own widths (px, column 0 first; columns
    /// beyond the list keep `DefaultColWidth`, an empty list gives it back
    /// to all) and measures every row again when a width changed.
    /// `DefaultColWidth` itself stays the grid's design width.
    void SetColWidths(std::vector<int> widths);

    /// All cells, sorted by (row, column).
    const CellList& Cells() const { return cells_; }
    /// Highest column and row holding a cell; −1 when there are none.
    int MaxUsedCol() const;
    int MaxUsedRow() const;

private:
    void CheckIndex(int col, int row) const;
    std::size_t IndexOf(int col, int row); // creates when missing
    std::size_t LowerBound(int col, int row) const;
    void Changed(std::size_t index);
    bool RemeasureRows(int firstRow, int lastRow); // true when a height changed
    struct Span {
        int Col, Row, LastCol, LastRow;
    };
    void MarkDirty(int firstRow, int lastRow);

    GridSettings settings_;
    const TextMeasurer* measurer_;
    GridObserver* observer_;
    CellList cells_;
    std::vector<Span> merged_;    // spans of the merged cells
    int mergedLastRow_ = -1;      // lowest row any merged cell reaches
    std::size_t hint_ = 0;        // index of the cell addressed last
    std::vector<int> rowHeights_; // only rows that differ from the default are > 0
    std::vector<int> colWidths_;  // own widths of the first columns; empty: the default
    int updateCount_ = 0;
    int dirtyFirst_ = 0; // rows whose height is owed when the update period ends
    int dirtyLast_ = -1;
    PagePrefault prefault_; // of the block `ReserveRows` made last
};

/// Normalises every line break to CR LF.
std::string NormaliseLineBreaks(std::string_view text);

} // namespace vantrel
