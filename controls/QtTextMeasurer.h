#pragma once

#include "controls/GridCells.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <array>

namespace vantrel {

/// The grid text as a Qt string: CR LF becomes the line separator that
/// Qt's text layout breaks at.
QString GridTextToQt(std::string_view text);

/// Lays out cell texts the way the grid paints them: word wrap at the given
/// width, one line height per line. Most cell texts are short numbers that
/// fit on one line; their width is summed from a table of character
/// advances, so the sweep's row measuring does not lay out every text.
class QtTextMeasurer final : public TextMeasurer {
public:
    explicit QtTextMeasurer(const QFont& font);
    int WrappedTextHeight(std::string_view text, int widthPx) const override;
    /// Height of one line of text, px.
    int LineHeight() const { return lineHeight_; }
    const QFont& Font() const { return font_; }
    const QFontMetricsF& Metrics() const { return metrics_; }

private:
    QFont font_;
    QFontMetricsF metrics_;
    int lineHeight_;
    std::array<qreal, 128> advance_{}; // printable ASCII
};

} // namespace vantrel
