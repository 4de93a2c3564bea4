#pragma once

#include "controls/GridCells.h"
#include "controls/QtTextMeasurer.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

namespace vantrel {

class CommentHint;

/// The table control of both grids: a scrollable window that paints a
/// `GridCells` store. Header rows stay at the top; the rows below scroll by
/// whole rows. Only the visible cells are painted, a merged cell as one
/// rectangle. Colours with the window-system flag resolve through
/// `ResolveColour`, so the grids look alike on every desktop.
///
/// The user can move the current cell with the mouse and the keys and drag
/// a selection; the program never reads a cell back.
class GridControl final : public QAbstractScrollArea, private GridObserver {
    Q_OBJECT

public:
    explicit GridControl(GridSettings settings = {}, QWidget* parent = nullptr);
    ~GridControl() override;

    GridCells& Cells() { return cells_; }
    const GridCells& Cells() const { return cells_; }

    /// The tooltip text; over an existing cell it shows in the comment-style
    /// window, elsewhere as an ordinary tooltip. Empty shows nothing.
    void SetHint(const QString& hint) { hint_ = hint; }
    const QString& Hint() const { return hint_; }
    /// Whether the vertical scroll bar is offered (the planning grid) or not.
    void SetVerticalScrollBar(bool shown);
    /// Makes the columns share the grid's client width (less the vertical
    /// scroll bar while it shows, less the grid lines) in proportion to
    /// these design widths, px, column 0 first: whatever the grid's size,
    /// every column is in view and none lies under the scroll bar. Empty
    /// (the default) keeps every column at `DefaultColWidth`.
    void FitColumns(std::vector<int> designWidths);
    /// Left edge of a column in viewport pixels: the widths and grid lines
    /// of the columns before it.
    int ColLeft(int col) const;

    /// First row shown below the header rows.
    int TopRow() const { return topRow_; }
    void SetTopRow(int row);
    /// Rectangle of the cell covering (col, row) in viewport pixels, the
    /// whole span for a merged cell; null when it is not on screen.
    QRect CellRect(int col, int row) const;
    /// The position under a viewport point; (-1, -1) when none.
    QPoint CellAt(QPoint viewportPos) const;

    void SetCurrentCell(int col, int row);
    QPoint CurrentCell() const { return current_; }
    /// Selection from the anchor to the current cell.
    QRect Selection() const;

    /// Cells painted by the last paint event, for the tests of painting.
    int LastPaintedCells() const { return lastPainted_; }
    /// The comment window while it is shown, else null.
    QWidget* ShownCommentHint() const;

    /// Text area of a cell rectangle: less the margins (those of the header
    /// rows when `row` is one of them).
    QRect TextArea(const QRect& cellRect, int row = -1) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void CellChanged(const GridCell& cell) override;
    void LayoutChanged() override;
    void UpdateScrollRange();
    void RefitColumns();
    int RowTop(int row) const; // viewport y of a visible row, −1 when hidden
    int FirstScrolledRow() const { return cells_.FixedRows(); }
    bool IsFixedRow(int row) const { return row < cells_.FixedRows(); }
    void PaintCell(class QPainter& p, const GridCell* cell, int col, int row, const QRect& r);
    void PaintText(class QPainter& p, const QString& text, const QRect& area,
                   HorizontalAlignment a) const;
    void ShowCommentHint(int col, int row);
    void HideCommentHint();

    QFont font_;
    QtTextMeasurer measurer_;
    GridCells cells_;
    QString hint_;
    int topRow_;
    QPoint current_;
    QPoint anchor_;
    int lastPainted_ = 0;
    std::vector<int> designWidths_;
    std::vector<int> fitted_; // reused: the widths of the last fit
    bool fitting_ = false;
    bool refitOwed_ = false;
    QPointer<CommentHint> comment_;
    QPoint commentCell_{-1, -1};
};

} // namespace vantrel
