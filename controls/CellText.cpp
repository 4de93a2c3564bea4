#include "controls/CellText.h"

#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace vantrel {

Qt::Alignment QtAlignment(HorizontalAlignment a) {
    switch (a) {
    case HorizontalAlignment::haCenter:
        return Qt::AlignHCenter;
    case HorizontalAlignment::haRight:
        return Qt::AlignRight;
    default:
        return Qt::AlignLeft;
    }
}

void PaintCellText(QPainter& p, const QString& text, const QRect& area, HorizontalAlignment a,
                   const QFont& font, const QFontMetricsF& metrics, int lineHeight,
                   const QPaintDevice* device) {
    const bool oneLine = !text.contains(QChar::LineSeparator);
    if (oneLine && metrics.horizontalAdvance(text) <= area.width()) {
        p.drawText(area, static_cast<int>(Qt::AlignTop | QtAlignment(a) | Qt::TextSingleLine),
                   text);
        return;
    }
    QTextLayout layout(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<QTextLine> lines;
    for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
        l.setLineWidth(std::max(area.width(), 1));
        lines.push_back(l);
    }
    layout.endLayout();
    lineHeight = std::max(lineHeight, 1);
    const int fitting = std::max(1, area.height() / lineHeight);
    for (int i = 0; i < lines.size() && i < fitting; ++i) {
        const QTextLine& l = lines[i];
        const bool last = i == fitting - 1 && i + 1 < lines.size();
        QString part = text.mid(l.textStart(), last ? -1 : l.textLength());
        part.replace(QChar::LineSeparator, QLatin1Char(' '));
        if (last || l.naturalTextWidth() > area.width()) {
            part = metrics.elidedText(part.trimmed(), Qt::ElideRight, area.width());
        }
        p.drawText(QRect(area.left(), area.top() + i * lineHeight, area.width(), lineHeight),
                   static_cast<int>(Qt::AlignTop | Qt::AlignLeft | Qt::TextSingleLine), part);
    }
}

} // namespace vantrel
