#include "controls/TabStrip.h"

#include "controls/SystemColours.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace vantrel {

TabStrip::TabStrip(const QStringList& tabs, QWidget* parent) : QWidget(parent), tabs_(tabs) {}

void TabStrip::SetTabIndex(int index) {
    if (index < -1 || index >= tabs_.size()) {
        index = -1;
    }
    if (index != index_) {
        index_ = index;
        update();
    }
}

void TabStrip::SetTabWidths(const QList<int>& widths) {
    widths_ = widths.size() == tabs_.size() ? widths : QList<int>();
    update();
}

QRect TabStrip::TabRect(int i) const {
    if (tabs_.isEmpty()) {
        return {};
    }
    if (widths_.isEmpty()) {
        const int w = width() / static_cast<int>(tabs_.size());
        return QRect(i * w, 0, w, height());
    }
    // Edges at the running sums of the design widths, scaled to the strip.
    long long total = 0;
    long long before = 0;
    for (int k = 0; k < widths_.size(); ++k) {
        total += widths_[k];
        if (k < i) {
            before += widths_[k];
        }
    }
    const auto edge = [&](long long sum) {
        return total > 0 ? static_cast<int>(sum * width() / total) : 0;
    };
    const int left = edge(before);
    const int right = edge(before + (i >= 0 && i < widths_.size() ? widths_[i] : 0));
    return QRect(left, 0, right - left, height());
}

void TabStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), ResolveColour(StripColour));
    p.setFont(font());
    for (int i = 0; i < tabs_.size(); ++i) {
        const QRectF r = QRectF(TabRect(i)).adjusted(1, 2, -1, 0);
        QPainterPath path; // soft edges: rounded top corners
        const qreal k = 4;
        path.moveTo(r.bottomLeft());
        path.lineTo(r.left(), r.top() + k);
        path.quadTo(r.topLeft(), QPointF(r.left() + k, r.top()));
        path.lineTo(r.right() - k, r.top());
        path.quadTo(r.topRight(), QPointF(r.right(), r.top() + k));
        path.lineTo(r.bottomRight());
        p.fillPath(path, ResolveColour(i == index_ ? SelectedColour : TabColour));
        p.setPen(ResolveColour(colour::kButtonShadow));
        p.drawPath(path);
        p.setPen(Qt::black);
        p.drawText(r, Qt::AlignCenter, tabs_[i]);
    }
}

void TabStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    for (int i = 0; i < tabs_.size(); ++i) {
        if (TabRect(i).contains(event->position().toPoint())) {
            SetTabIndex(i);
            emit Click();
            return;
        }
    }
}

} // namespace vantrel
