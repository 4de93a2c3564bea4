#include "controls/GridControl.h"

#include "controls/CellText.h"
#include "controls/SystemColours.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRegion>
#include <QScrollBar>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace vantrel {

/// The comment-style tooltip window over an existing cell: a pointer
/// triangle at its top-left, a framed box with a two-pixel shadow, the hint
/// text inside. Shaped by a mask, so nothing but the drawing covers the
/// window below, with or without a compositor.
class CommentHint final : public QWidget {
public:
    static constexpr int kWidth = 159;
    static constexpr int kHeight = 101;

    CommentHint(const QString& text, const QFont& font)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint), text_(text) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_DeleteOnClose);
        setFixedSize(kWidth, kHeight);
        setFont(font);
        QRegion shape(Frame().adjusted(0, 0, kShadow + 1, kShadow + 1));
        shape -= QRegion(Frame().right() + 1, Frame().top(), kShadow, kShadow);
        shape -= QRegion(Frame().left(), Frame().bottom() + 1, kShadow, kShadow);
        shape += QRegion(Pointer());
        setMask(shape);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect box = Frame();
        p.fillRect(box.translated(kShadow, kShadow), Qt::black);
        p.fillRect(box, ResolveColour(colour::kTooltipBackground));
        p.setPen(Qt::black);
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.setBrush(Qt::black);
        p.drawPolygon(Pointer());
        p.setPen(ResolveColour(colour::kTooltipText));
        p.drawText(box.adjusted(kPadding, kPadding, -kPadding, -kPadding),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text_);
    }

private:
    static constexpr int kShadow = 2;
    static constexpr int kPadding = 4;
    static QRect Frame() { return QRect(QPoint(15, 15), QPoint(143, 89)); }
    static QPolygon Pointer() { return QPolygon({QPoint(0, 0), QPoint(24, 15), QPoint(15, 24)}); }

    QString text_;
};

namespace {

QFont GridFont() {
    // Arial 8 pt at 96 dpi, an 11-pixel em; Liberation Sans stands in where
    // Arial is not installed, with the same metrics.
    QFont font(QStringLiteral("Arial"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

GridControl::GridControl(GridSettings settings, QWidget* parent)
    : QAbstractScrollArea(parent), font_(GridFont()), measurer_(font_),
      cells_(settings, &measurer_, this), topRow_(settings.FixedRows) {
    setFont(font_);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    current_ = anchor_ = QPoint(0, settings.FixedRows);
    verticalScrollBar()->setSingleStep(1);
    UpdateScrollRange();
}

GridControl::~GridControl() {
    cells_.SetObserver(nullptr);
    HideCommentHint();
}

void GridControl::SetVerticalScrollBar(bool shown) {
    setVerticalScrollBarPolicy(shown ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

QWidget* GridControl::ShownCommentHint() const {
    return comment_ && comment_->isVisible() ? comment_.data() : nullptr;
}

void GridControl::SetTopRow(int row) {
    const int first = FirstScrolledRow();
    const int last = first + verticalScrollBar()->maximum();
    row = std::clamp(row, first, std::max(first, last));
    if (row != topRow_) {
        verticalScrollBar()->setValue(row - first); // scrolls through scrollContentsBy
    }
}

void GridControl::scrollContentsBy(int, int) {
    topRow_ = FirstScrolledRow() + verticalScrollBar()->value();
    HideCommentHint();
    viewport()->update();
}

void GridControl::FitColumns(std::vector<int> designWidths) {
    designWidths_ = std::move(designWidths);
    if (designWidths_.empty()) {
        cells_.SetColWidths({});
        UpdateScrollRange();
        viewport()->update();
        return;
    }
    RefitColumns();
}

void GridControl::RefitColumns() {
    if (designWidths_.empty()) {
        return;
    }
    if (fitting_) {
        refitOwed_ = true; // the scroll bar came or went during a fit
        return;
    }
    fitting_ = true;
    // Showing or hiding the scroll bar changes the room, which can change
    // the rows' heights and so the scroll bar again; narrower columns only
    // make rows taller, so this settles within a few rounds.
    constexpr int kRounds = 4;
    for (int round = 0; round < kRounds; ++round) {
        refitOwed_ = false;
        const int count = cells_.ColCount();
        const int line = cells_.Settings().GridLineWidth;
        const auto design = [&](int c) {
            return static_cast<std::size_t>(c) < designWidths_.size()
                       ? std::max(0, designWidths_[static_cast<std::size_t>(c)])
                       : cells_.Settings().DefaultColWidth;
        };
        long long total = 0;
        for (int c = 0; c < count; ++c) {
            total += design(c);
        }
        const long long room = std::max(0, viewport()->width() - count * line);
        fitted_.resize(static_cast<std::size_t>(std::max(0, count)));
        // Each column ends where its share of the room ends, rounded: the
        // widths add up to the room exactly.
        long long before = 0;
        long long edge = 0;
        for (int c = 0; c < count; ++c) {
            before += design(c);
            const long long next = total > 0 ? (room * before * 2 + total) / (2 * total) : 0;
            fitted_[static_cast<std::size_t>(c)] = static_cast<int>(std::max(1LL, next - edge));
            edge = next;
        }
        cells_.SetColWidths(fitted_);
        UpdateScrollRange();
        viewport()->update();
        if (!refitOwed_) {
            break;
        }
    }
    fitting_ = false;
}

void GridControl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    RefitColumns();
    UpdateScrollRange();
}

int GridControl::ColLeft(int col) const {
    const int line = cells_.Settings().GridLineWidth;
    int x = 0;
    for (int c = 0; c < col; ++c) {
        x += cells_.ColWidth(c) + line;
    }
    return x;
}

void GridControl::UpdateScrollRange() {
    const int line = cells_.Settings().GridLineWidth;
    int fixedHeight = 0;
    for (int r = 0; r < std::min(cells_.FixedRows(), cells_.RowCount()); ++r) {
        fixedHeight += cells_.RowHeight(r) + line;
    }
    const int room = std::max(0, viewport()->height() - fixedHeight);
    // The highest top row that still fills the window down to the last row.
    int maxTop = cells_.RowCount();
    for (int used = 0; maxTop > FirstScrolledRow();) {
        const int h = cells_.RowHeight(maxTop - 1) + line;
        if (used + h > room) {
            break;
        }
        used += h;
        --maxTop;
    }
    maxTop = std::max(maxTop, FirstScrolledRow());
    if (maxTop >= cells_.RowCount()) {
        maxTop = std::max(FirstScrolledRow(), cells_.RowCount() - 1);
    }
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, maxTop - FirstScrolledRow()));
    bar->setPageStep(std::max(1, room / (cells_.Settings().DefaultRowHeight + line)));
    topRow_ = FirstScrolledRow() + bar->value();
}

int GridControl::RowTop(int row) const {
    const int line = cells_.Settings().GridLineWidth;
    if (row < 0 || row >= cells_.RowCount()) {
        return -1;
    }
    int y = 0;
    for (int r = 0; r < cells_.FixedRows(); ++r) {
        if (r == row) {
            return y;
        }
        y += cells_.RowHeight(r) + line;
    }
    if (row < topRow_) {
        return -1;
    }
    for (int r = topRow_; r < row; ++r) {
        y += cells_.RowHeight(r) + line;
        if (y >= viewport()->height()) {
            return -1;
        }
    }
    return y < viewport()->height() ? y : -1;
}

QRect GridControl::CellRect(int col, int row) const {
    const int line = cells_.Settings().GridLineWidth;
    int c0 = col;
    int r0 = row;
    int c1 = col;
    int r1 = row;
    if (const GridCell* cell = cells_.FindCell(col, row)) {
        c0 = cell->AbsoluteCol;
        r0 = cell->AbsoluteRow;
        c1 = c0 + cell->AddCols;
        r1 = r0 + cell->AddRows;
    }
    // Find the first row of the span on screen, then walk back to its top.
    int visible = -1;
    int y = -1;
    for (int r = r0; r <= r1; ++r) {
        if ((y = RowTop(r)) >= 0) {
            visible = r;
            break;
        }
    }
    if (visible < 0) {
        return {};
    }
    for (int r = visible - 1; r >= r0; --r) {
        y -= cells_.RowHeight(r) + line;
    }
    int height = -line;
    for (int r = r0; r <= r1; ++r) {
        height += cells_.RowHeight(r) + line;
    }
    const int left = ColLeft(c0);
    return QRect(left, y, ColLeft(c1 + 1) - left - line, height);
}

QPoint GridControl::CellAt(QPoint pos) const {
    const GridSettings& s = cells_.Settings();
    const int line = s.GridLineWidth;
    if (pos.x() < 0 || pos.y() < 0) {
        return {-1, -1};
    }
    int col = 0; // a grid line belongs to the column on its left
    while (col < cells_.ColCount() && pos.x() >= ColLeft(col + 1)) {
        ++col;
    }
    if (col >= cells_.ColCount()) {
        return {-1, -1};
    }
    int y = 0;
    const auto hit = [&](int r) {
        const int h = cells_.RowHeight(r) + line;
        if (pos.y() < y + h) {
            return true;
        }
        y += h;
        return false;
    };
    for (int r = 0; r < cells_.FixedRows() && r < cells_.RowCount(); ++r) {
        if (hit(r)) {
            return {col, r};
        }
    }
    for (int r = topRow_; r < cells_.RowCount() && y < viewport()->height(); ++r) {
        if (hit(r)) {
            return {col, r};
        }
    }
    return {-1, -1};
}

QRect GridControl::Selection() const {
    return QRect(QPoint(std::min(current_.x(), anchor_.x()), std::min(current_.y(), anchor_.y())),
                 QPoint(std::max(current_.x(), anchor_.x()), std::max(current_.y(), anchor_.y())));
}

void GridControl::SetCurrentCell(int col, int row) {
    col = std::clamp(col, 0, cells_.ColCount() - 1);
    row = std::clamp(row, FirstScrolledRow(), std::max(FirstScrolledRow(), cells_.RowCount() - 1));
    current_ = anchor_ = QPoint(col, row);
    viewport()->update();
}

QRect GridControl::TextArea(const QRect& r, int row) const {
    const GridSettings& s = cells_.Settings();
    const bool fixed = row >= 0 && IsFixedRow(row);
    return r.adjusted(fixed ? s.FixedMarginLeft : s.MarginLeft, s.MarginTop,
                      -(fixed ? s.FixedMarginRight : s.MarginRight), -s.MarginBottom);
}

void GridControl::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    p.setFont(font_);
    const GridSettings& s = cells_.Settings();
    const int line = s.GridLineWidth;
    const QRect dirty = event->rect();
    p.fillRect(dirty, ResolveColour(s.Color));
    lastPainted_ = 0;

    int y = 0;
    int fixedBottom = 0;
    const auto paintRow = [&](int r, bool scrolled) {
        const int h = cells_.RowHeight(r);
        for (int c = 0, x = 0; c < cells_.ColCount(); x += cells_.ColWidth(c) + line, ++c) {
            const GridCell* cell = cells_.FindCell(c, r);
            QRect rect(x, y, cells_.ColWidth(c), h);
            if (cell != nullptr && cell->IsMerged()) {
                // A merged cell paints once: at its top-left corner, or in
                // the first scrolled row when its top lies above it.
                const bool first = cell->AbsoluteRow == r || (scrolled && r == topRow_);
                for (; c < cell->AbsoluteCol + cell->AddCols; ++c) {
                    x += cells_.ColWidth(c) + line;
                }
                if (!first) {
                    continue;
                }
                rect = CellRect(cell->AbsoluteCol, r);
            }
            if (rect.intersects(dirty)) {
                PaintCell(p, cell, cell != nullptr ? cell->AbsoluteCol : c, r, rect);
                ++lastPainted_;
            }
        }
    };
    for (int r = 0; r < cells_.FixedRows() && r < cells_.RowCount(); ++r) {
        paintRow(r, false);
        y += cells_.RowHeight(r) + line;
    }
    fixedBottom = y;
    p.setClipRect(QRect(0, fixedBottom, viewport()->width(), viewport()->height() - fixedBottom));
    for (int r = topRow_; r < cells_.RowCount() && y < viewport()->height(); ++r) {
        paintRow(r, true);
        y += cells_.RowHeight(r) + line;
    }
}

void GridControl::PaintCell(QPainter& p, const GridCell* cell, int col, int row, const QRect& r) {
    const GridSettings& s = cells_.Settings();
    const bool fixed = IsFixedRow(row);
    const bool focus = hasFocus();
    const bool selected =
        focus && !fixed && Selection().contains(col, row) && QPoint(col, row) != current_;
    Colour background = fixed ? s.FixedColor : s.Color;
    Colour text = s.FontColor;
    if (cell != nullptr) {
        background = cells_.EffectiveColor(*cell);
        text = cells_.EffectiveFontColor(*cell);
    }
    if (selected) {
        background = s.SelectionColor;
        text = s.SelectionFontColor;
    }
    p.fillRect(r, ResolveColour(background));

    // Grid lines right of and below the cell.
    const int line = s.GridLineWidth;
    if (line > 0) {
        const QColor lineColour = ResolveColour(fixed ? s.FixedGridLineColor : s.GridLineColor);
        p.fillRect(QRect(r.right() + 1, r.top(), line, r.height() + line), lineColour);
        p.fillRect(QRect(r.left(), r.bottom() + 1, r.width() + line, line), lineColour);
    }
    if (fixed) {
        // The raised inner edge of a header cell.
        DrawEdge(p, r);
    }
    if (cell != nullptr && !cell->Value.empty()) {
        p.setPen(ResolveColour(text));
        PaintText(p, GridTextToQt(cell->Value), TextArea(r, row), cells_.EffectiveAlignment(*cell));
    }
    if (focus && QPoint(col, row) == current_ && !fixed) {
        QPen pen(ResolveColour(colour::kWindowText));
        pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void GridControl::PaintText(QPainter& p, const QString& text, const QRect& area,
                            HorizontalAlignment a) const {
    PaintCellText(p, text, area, a, font_, measurer_.Metrics(), measurer_.LineHeight());
}

void GridControl::CellChanged(const GridCell& cell) {
    const QRect r = CellRect(cell.AbsoluteCol, cell.AbsoluteRow);
    if (!r.isNull()) {
        viewport()->update(
            r.adjusted(0, 0, cells_.Settings().GridLineWidth, cells_.Settings().GridLineWidth));
    }
}

void GridControl::LayoutChanged() {
    UpdateScrollRange();
    if (current_.y() >= cells_.RowCount()) {
        SetCurrentCell(current_.x(), cells_.RowCount() - 1);
    }
    viewport()->update();
}

void GridControl::mousePressEvent(QMouseEvent* event) {
    const QPoint cell = CellAt(event->position().toPoint());
    // A right click inside the selection keeps it, for the context menu's Copy.
    const bool keep = event->button() == Qt::RightButton && Selection().contains(cell);
    if (cell.x() >= 0 && !IsFixedRow(cell.y()) && !keep) {
        current_ = cell;
        if (!(event->modifiers() & Qt::ShiftModifier)) {
            anchor_ = cell;
        }
        viewport()->update();
    }
    setFocus(Qt::MouseFocusReason);
}

void GridControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint cell = CellAt(event->position().toPoint());
    if (comment_ && cell != commentCell_) {
        HideCommentHint();
    }
    if ((event->buttons() & Qt::LeftButton) && cell.x() >= 0 && !IsFixedRow(cell.y()) &&
        cell != current_) {
        current_ = cell;
        viewport()->update();
    }
}

void GridControl::keyPressEvent(QKeyEvent* event) {
    QPoint to = current_;
    const int page = std::max(1, verticalScrollBar()->pageStep());
    switch (event->key()) {
    case Qt::Key_Up:
        to.ry() -= 1;
        break;
    case Qt::Key_Down:
        to.ry() += 1;
        break;
    case Qt::Key_Left:
        to.rx() -= 1;
        break;
    case Qt::Key_Right:
        to.rx() += 1;
        break;
    case Qt::Key_PageUp:
        to.ry() -= page;
        break;
    case Qt::Key_PageDown:
        to.ry() += page;
        break;
    case Qt::Key_Home:
        to = event->modifiers() & Qt::ControlModifier ? QPoint(0, FirstScrolledRow())
                                                      : QPoint(0, to.y());
        break;
    case Qt::Key_End:
        to = event->modifiers() & Qt::ControlModifier
                 ? QPoint(cells_.ColCount() - 1, cells_.RowCount() - 1)
                 : QPoint(cells_.ColCount() - 1, to.y());
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const QPoint anchor = anchor_;
    SetCurrentCell(to.x(), to.y());
    if (event->modifiers() & Qt::ShiftModifier) {
        anchor_ = anchor;
    }
    if (current_.y() < topRow_) {
        SetTopRow(current_.y());
    } else if (RowTop(current_.y()) < 0 ||
               RowTop(current_.y()) + cells_.RowHeight(current_.y()) > viewport()->height()) {
        SetTopRow(topRow_ + (current_.y() - topRow_) - page + 1);
    }
}

void GridControl::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange && font() != font_) {
        // The window's scaler changes the font with the window's size; the
        // rows follow their text.
        font_ = font();
        measurer_ = QtTextMeasurer(font_);
        cells_.RemeasureAll();
        UpdateScrollRange();
        viewport()->update();
    }
}

void GridControl::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void GridControl::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

bool GridControl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) {
        RefitColumns(); // the scroll bar came or went
    }
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QPoint cell = CellAt(help->pos());
        if (hint_.isEmpty() || cell.x() < 0) {
            HideCommentHint();
            QToolTip::hideText();
            return true;
        }
        if (cells_.FindCell(cell.x(), cell.y()) != nullptr) {
            QToolTip::hideText();
            ShowCommentHint(cell.x(), cell.y());
        } else {
            HideCommentHint();
            QToolTip::showText(help->globalPos(), hint_, this);
        }
        return true;
    }
    if (event->type() == QEvent::Leave) {
        HideCommentHint();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void GridControl::ShowCommentHint(int col, int row) {
    const QRect r = CellRect(col, row);
    if (r.isNull()) {
        return;
    }
    if (comment_ && commentCell_ == QPoint(col, row)) {
        return;
    }
    HideCommentHint();
    comment_ = new CommentHint(hint_, font_);
    commentCell_ = QPoint(col, row);
    comment_->move(viewport()->mapToGlobal(QPoint(r.right() + 1, r.top() - 26)));
    comment_->show();
}

void GridControl::HideCommentHint() {
    if (comment_) {
        comment_->close();
        comment_ = nullptr;
    }
    commentCell_ = QPoint(-1, -1);
}

} // namespace vantrel
