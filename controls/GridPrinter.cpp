#include "controls/GridPrinter.h"

#include "controls/CellText.h"

#include "controls/QtTextMeasurer.h"
#include "controls/SystemColours.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <deque>

namespace vantrel {

namespace {

/// Points per inch.
constexpr double kPointsPerInch = 72.0;

int Round(double v) {
    return static_cast<int>(std::lround(v));
}

/// Pages are laid out at the columns' design width, never at the widths a
/// window fitted them to, so they come out the same at every window size.
int DesignColWidth(const GridCells& grid, int col) {
    return col >= 0 ? grid.Settings().DefaultColWidth : 0;
}

} // namespace

/// The printing of one document: scale, font and the painting of cells.
class GridPrintJob {
public:
    GridPrintJob(const GridCells& grid, const QPaintDevice& device,
                 const GridPrintSettings& settings, const std::vector<int>* rowHeights)
        : grid_(grid), s_(grid.Settings()), rowHeights_(rowHeights),
          sx_(device.logicalDpiX() / std::max(1.0, settings.ScreenDpiX)),
          sy_(device.logicalDpiY() / std::max(1.0, settings.ScreenDpiY)),
          font_(PrintFont(settings, device, sy_)), metrics_(font_, &device),
          lineHeight_(std::max(1, static_cast<int>(std::ceil(metrics_.height())))), device_(device),
          header_(settings.Header) {
        x0_ = Round(device.width() * settings.Margins[0]);
        y0_ = Round(device.height() * settings.Margins[1]);
        if (!header_.isEmpty()) {
            // The header font of the grid's print settings: Arial, a 13-pixel
            // em (10 pt at 96 dpi), scaled as the cells are; half a line of
            // space below it.
            headerFont_ = QFont(QStringLiteral("Arial"));
            headerFont_.setStyleHint(QFont::SansSerif);
            headerFont_.setPixelSize(std::max(1, Round(kHeaderPixels * sy_)));
            const QFontMetricsF metrics(headerFont_, &device);
            headerHeight_ = static_cast<int>(std::ceil(metrics.height() * 1.5));
            y0_ += headerHeight_;
        }
    }

    double ScaleX() const { return sx_; }
    double ScaleY() const { return sy_; }
    /// Device pixels the header takes at the top of every page.
    int HeaderHeight() const { return headerHeight_; }

    void PaintPage(QPainter& p, const PrintPage& page) {
        p.save();
        if (!header_.isEmpty()) {
            p.setFont(headerFont_);
            p.setPen(Qt::black);
            p.drawText(QRect(x0_, y0_ - headerHeight_, device_.width() - x0_, headerHeight_),
                       Qt::AlignLeft | Qt::AlignTop, header_);
        }
        p.setFont(font_);
        const QRect area(
            QPoint(X(page.Cols, page.Cols.First), Y(page.Rows, page.Rows.First)),
            QPoint(X(page.Cols, page.Cols.Last + 1) - 1, Y(page.Rows, page.Rows.Last + 1) - 1));
        p.setClipRect(area);
        for (int r = page.Rows.First; r <= page.Rows.Last; ++r) {
            for (int c = page.Cols.First; c <= page.Cols.Last; ++c) {
                const GridCell* cell = grid_.FindCell(c, r);
                int c0 = c, r0 = r, c1 = c, r1 = r;
                if (cell != nullptr) {
                    c0 = cell->AbsoluteCol;
                    r0 = cell->AbsoluteRow;
                    c1 = c0 + cell->AddCols;
                    r1 = r0 + cell->AddRows;
                    // A merged cell prints once: where its span enters the page.
                    if (std::max(c0, page.Cols.First) != c || std::max(r0, page.Rows.First) != r) {
                        continue;
                    }
                }
                PaintCell(p, page, cell, c0, r0, c1, r1);
            }
        }
        PaintOuterLines(p, page);
        p.restore();
    }

private:
    /// The grid font for the printer: the screen height made one screen
    /// pixel smaller at a time until the printed text height, divided by the
    /// screen text height, is below the vertical scale.
    static QFont PrintFont(const GridPrintSettings& settings, const QPaintDevice& device,
                           double sy) {
        QFont screen = settings.Font;
        int heightPx = screen.pixelSize();
        if (heightPx <= 0) {
            heightPx =
                std::max(1, Round(screen.pointSizeF() * settings.ScreenDpiY / kPointsPerInch));
            screen.setPixelSize(heightPx);
        }
        const double screenHeight = std::max(1.0, QFontMetricsF(screen).height());
        QFont printed = screen;
        for (int h = heightPx; h >= 1; --h) {
            printed.setPixelSize(std::max(1, Round(h * sy)));
            if (QFontMetricsF(printed, &device).height() / screenHeight < sy) {
                break;
            }
        }
        return printed;
    }

    /// Screen offset of column `c` from the first column of the band
    /// (negative left of it), widths plus one grid line each.
    int ColOffset(const PrintBand& band, int c) const {
        int offset = 0;
        const int pitch = s_.GridLineWidth;
        for (int k = band.First; k < c; ++k) {
            offset += DesignColWidth(grid_, k) + pitch;
        }
        for (int k = c; k < band.First; ++k) {
            offset -= DesignColWidth(grid_, k) + pitch;
        }
        return offset;
    }
    int RowOffset(const PrintBand& band, int r) const {
        int offset = 0;
        const int pitch = s_.GridLineWidth;
        for (int k = band.First; k < r; ++k) {
            offset += RowHeight(k) + pitch;
        }
        for (int k = r; k < band.First; ++k) {
            offset -= RowHeight(k) + pitch;
        }
        return offset;
    }
    int RowHeight(int r) const {
        return rowHeights_ != nullptr && r >= 0 && static_cast<std::size_t>(r) < rowHeights_->size()
                   ? (*rowHeights_)[static_cast<std::size_t>(r)]
                   : grid_.RowHeight(r);
    }
    int X(const PrintBand& band, int c) const { return x0_ + Round(ColOffset(band, c) * sx_); }
    int Y(const PrintBand& band, int r) const { return y0_ + Round(RowOffset(band, r) * sy_); }

    QColor LineColour(int row) const {
        return ResolveColour(row < grid_.FixedRows() ? s_.FixedGridLineColor : s_.GridLineColor);
    }

    void PaintCell(QPainter& p, const PrintPage& page, const GridCell* cell, int c0, int r0, int c1,
                   int r1) {
        const int line = s_.GridLineWidth;
        const int left = X(page.Cols, c0);
        const int top = Y(page.Rows, r0);
        const int rightScreen = ColOffset(page.Cols, c1) + DesignColWidth(grid_, c1);
        const int bottomScreen = RowOffset(page.Rows, r1) + RowHeight(r1);
        const int right = x0_ + Round(rightScreen * sx_);   // first pixel right of the cell
        const int bottom = y0_ + Round(bottomScreen * sy_); // first pixel below it
        const QRect rect(left, top, right - left, bottom - top);

        const bool fixed = r0 < grid_.FixedRows();
        const Colour background =
            cell != nullptr ? grid_.EffectiveColor(*cell) : (fixed ? s_.FixedColor : s_.Color);
        Fill(p, rect, ResolveColour(background));

        if (cell != nullptr && !cell->Value.empty()) {
            const QRect text =
                rect.adjusted(Round(s_.MarginLeft * sx_), Round(s_.MarginTop * sy_),
                              -Round(s_.MarginRight * sx_), -Round(s_.MarginBottom * sy_));
            p.setPen(ResolveColour(grid_.EffectiveFontColor(*cell)));
            PaintText(p, GridTextToQt(cell->Value), text, grid_.EffectiveAlignment(*cell));
        }

        if (line > 0) {
            const int lineRight = x0_ + Round((rightScreen + line) * sx_);
            const int lineBottom = y0_ + Round((bottomScreen + line) * sy_);
            const QColor colour = LineColour(r0);
            Fill(p, QRect(QPoint(right, top), QPoint(lineRight - 1, lineBottom - 1)), colour);
            Fill(p, QRect(QPoint(left, bottom), QPoint(lineRight - 1, lineBottom - 1)), colour);
        }
    }

    /// The left line of the page's first column and the top line of its
    /// first row, drawn over the cells' first pixels.
    void PaintOuterLines(QPainter& p, const PrintPage& page) {
        const int line = s_.GridLineWidth;
        if (line <= 0) {
            return;
        }
        const int lw = std::max(1, Round(line * sx_));
        const int lh = std::max(1, Round(line * sy_));
        const int left = X(page.Cols, page.Cols.First);
        const int right = X(page.Cols, page.Cols.Last + 1);
        const int top = Y(page.Rows, page.Rows.First);
        for (int r = page.Rows.First; r <= page.Rows.Last; ++r) {
            const int y0 = Y(page.Rows, r);
            const int y1 = Y(page.Rows, r + 1);
            Fill(p, QRect(left, y0, lw, y1 - y0), LineColour(r));
        }
        Fill(p, QRect(left, top, right - left, lh), LineColour(page.Rows.First));
    }

    /// What `fillRect` paints, in a way a recording keeps small: a print
    /// preview records every painter call of every page, and each
    /// `fillRect` there records a brush of its own (some 100 bytes) and two
    /// changes of the pen. One brush per colour, shared, is recorded as a
    /// reference to it, and the pen changes only when text follows.
    void Fill(QPainter& p, const QRect& r, const QColor& colour) {
        p.setPen(Qt::NoPen);
        p.setBrush(BrushOf(colour));
        p.drawRect(r);
    }
    const QBrush& BrushOf(const QColor& colour) {
        for (const QBrush& b : brushes_) {
            if (b.color() == colour) {
                return b;
            }
        }
        return brushes_.emplace_back(colour);
    }

    void PaintText(QPainter& p, const QString& text, const QRect& area,
                   HorizontalAlignment a) const {
        // As on screen.
        PaintCellText(p, text, area, a, font_, metrics_, lineHeight_, &device_);
    }

    const GridCells& grid_;
    const GridSettings& s_;
    const std::vector<int>* rowHeights_;
    double sx_;
    double sy_;
    QFont font_;
    QFontMetricsF metrics_;
    int lineHeight_;
    const QPaintDevice& device_;
    int x0_ = 0;
    int y0_ = 0;
    QString header_;
    QFont headerFont_;
    int headerHeight_ = 0;
    static constexpr int kHeaderPixels = 13;
    std::deque<QBrush> brushes_; // one per colour painted; references stay valid
};

QFont GridPrintSettings::DefaultFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

std::vector<PrintBand> CutIntoBands(const std::vector<int>& sizes, int first, int last,
                                    int gridLine, double scale, int available) {
    std::vector<PrintBand> bands;
    if (first > last) {
        return bands;
    }
    PrintBand band{first, first - 1};
    long long used = 0; // screen pixels of the band so far
    for (int i = first; i <= last; ++i) {
        const long long size = sizes[static_cast<std::size_t>(i)] + gridLine;
        if (band.Last >= band.First && static_cast<double>(used + size) * scale > available - 1) {
            bands.push_back(band);
            band = {i, i - 1};
            used = 0;
        }
        used += size;
        band.Last = i;
    }
    bands.push_back(band);
    return bands;
}

std::vector<int> DesignRowHeights(const GridCells& grid, const TextMeasurer& measurer) {
    const GridSettings& s = grid.Settings();
    const int rows = std::max(0, grid.RowCount());
    std::vector<int> heights(static_cast<std::size_t>(rows), 0);
    const auto needed = [&](const GridCell& c) {
        const int width =
            (c.AddCols + 1) * s.DefaultColWidth - s.MarginLeft - s.MarginRight - s.GridLineWidth;
        return measurer.WrappedTextHeight(c.Value, width) + s.MarginTop + s.MarginBottom;
    };
    for (const GridCell& c : grid.Cells()) {
        if (!c.Value.empty() && c.AddRows == 0 && c.AbsoluteRow < rows) {
            auto& h = heights[static_cast<std::size_t>(c.AbsoluteRow)];
            h = std::max(h, needed(c));
        }
    }
    for (int& h : heights) {
        h = h == 0 ? s.DefaultRowHeight : h;
    }
    for (const GridCell& c : grid.Cells()) {
        const int last = c.AbsoluteRow + c.AddRows;
        if (c.Value.empty() || c.AddRows == 0 || last >= rows) {
            continue;
        }
        int above = 0;
        for (int r = c.AbsoluteRow; r < last; ++r) {
            above += heights[static_cast<std::size_t>(r)];
        }
        auto& h = heights[static_cast<std::size_t>(last)];
        h = std::max(h, needed(c) - above);
    }
    return heights;
}

std::vector<PrintPage> PlanPrintPages(const GridCells& grid, int pageWidth, int pageHeight,
                                      double scaleX, double scaleY,
                                      const std::array<double, 4>& margins,
                                      const std::vector<int>* rowHeights) {
    std::vector<int> widths(static_cast<std::size_t>(std::max(0, grid.ColCount())));
    for (int c = 0; c < grid.ColCount(); ++c) {
        widths[static_cast<std::size_t>(c)] = DesignColWidth(grid, c);
    }
    int firstCol = 0;
    int lastCol = grid.ColCount() - 1;
    while (firstCol <= lastCol && widths[static_cast<std::size_t>(firstCol)] == 0) {
        ++firstCol;
    }
    while (lastCol >= firstCol && widths[static_cast<std::size_t>(lastCol)] == 0) {
        --lastCol;
    }
    std::vector<int> heights(static_cast<std::size_t>(std::max(0, grid.RowCount())));
    for (int r = 0; r < grid.RowCount(); ++r) {
        heights[static_cast<std::size_t>(r)] =
            rowHeights != nullptr && static_cast<std::size_t>(r) < rowHeights->size()
                ? (*rowHeights)[static_cast<std::size_t>(r)]
                : grid.RowHeight(r);
    }
    const int line = grid.Settings().GridLineWidth;
    const int availableX =
        pageWidth - Round(pageWidth * margins[0]) - Round(pageWidth * margins[2]);
    const int availableY =
        pageHeight - Round(pageHeight * margins[1]) - Round(pageHeight * margins[3]);
    const auto cols = CutIntoBands(widths, firstCol, lastCol, line, scaleX, availableX);
    const auto rows = CutIntoBands(heights, 0, grid.RowCount() - 1, line, scaleY, availableY);
    std::vector<PrintPage> pages;
    for (const PrintBand& r : rows) {
        for (const PrintBand& c : cols) {
            pages.push_back({c, r});
        }
    }
    return pages;
}

GridPrintRun::GridPrintRun(const GridCells& grid, PrintTarget& target,
                           const GridPrintSettings& settings)
    : target_(target) {
    if (settings.RowMeasurer != nullptr) {
        rowHeights_ = DesignRowHeights(grid, *settings.RowMeasurer);
    }
    const std::vector<int>* rows = settings.RowMeasurer != nullptr ? &rowHeights_ : nullptr;
    const QPaintDevice& device = target.Device();
    job_ = std::make_unique<GridPrintJob>(grid, device, settings, rows);
    pages_ = PlanPrintPages(grid, device.width(), device.height() - job_->HeaderHeight(),
                            job_->ScaleX(), job_->ScaleY(), settings.Margins, rows);
}

GridPrintRun::~GridPrintRun() {
    if (painter_ != nullptr && !finished_) {
        target_.End();
    }
}

bool GridPrintRun::Start() {
    if (painter_ != nullptr || pages_.empty()) {
        return painter_ != nullptr;
    }
    painter_ = target_.Begin();
    failed_ = painter_ == nullptr;
    return !failed_;
}

bool GridPrintRun::PrintNextPage() {
    if (painter_ == nullptr || failed_ || finished_ || done_ >= PageCount()) {
        return false;
    }
    if (done_ > 0 && !target_.NewPage()) {
        failed_ = true;
        return false;
    }
    job_->PaintPage(*painter_, pages_[static_cast<std::size_t>(done_)]);
    ++done_;
    return true;
}

int GridPrintRun::Finish() {
    if (finished_) {
        return failed_ ? -1 : done_;
    }
    finished_ = true;
    if (painter_ == nullptr) {
        return -1;
    }
    const bool ended = target_.End();
    failed_ = failed_ || !ended;
    return failed_ ? -1 : done_;
}

int PrintGrid(const GridCells& grid, PrintTarget& target, const GridPrintSettings& settings) {
    GridPrintRun run(grid, target, settings);
    if (run.PageCount() == 0) {
        return 0;
    }
    if (!run.Start()) {
        return -1;
    }
    while (run.PrintNextPage()) {
    }
    return run.Finish();
}

int PrintGrid(const GridCells& grid, QPrinter& printer, const GridPrintSettings& settings) {
    PrinterTarget target(printer);
    return PrintGrid(grid, target, settings);
}

} // namespace vantrel
