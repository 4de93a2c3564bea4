#include "controls/QtTextMeasurer.h"

#include <QTextLayout>

#include <cmath>

namespace vantrel {

QString GridTextToQt(std::string_view text) {
    QString s = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    return s;
}

QtTextMeasurer::QtTextMeasurer(const QFont& font)
    : font_(font), metrics_(font), lineHeight_(static_cast<int>(std::ceil(metrics_.height()))) {
    for (int ch = ' '; ch < 127; ++ch) {
        advance_[static_cast<std::size_t>(ch)] = metrics_.horizontalAdvance(QChar(ch));
    }
}

int QtTextMeasurer::WrappedTextHeight(std::string_view text, int widthPx) const {
    if (text.empty()) {
        return 0;
    }
    // Kerning can make the true width differ from the sum of advances by a
    // fraction of a pixel; near the edge the real layout decides.
    constexpr qreal kSafety = 1.0;
    qreal width = 0;
    bool simple = true;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < ' ' || c >= 127) {
            simple = false;
            break;
        }
        width += advance_[c];
    }
    if (simple && width + kSafety <= widthPx) {
        return lineHeight_;
    }
    QTextLayout layout(GridTextToQt(text), font_);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    int lines = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(widthPx, 1));
        ++lines;
    }
    layout.endLayout();
    return std::max(lines, 1) * lineHeight_;
}

} // namespace vantrel
