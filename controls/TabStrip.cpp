#include "controls/TabStrip.h"

#include "controls/SystemColours.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace vantrel {

TabStrip::TabStrip(const QStringList& tabs, QWidget* parent) : QWidget(parent), tabs_(tabs) {
    // A click chooses without taking the focus, so Enter still prints after it.
    setFocusPolicy(Qt::TabFocus);
}

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
        if (i == keyed_ && hasFocus()) {
            QPen frame(Qt::black);
            frame.setStyle(Qt::DotLine);
            p.setPen(frame);
            p.drawRect(r.adjusted(3, 3, -3, -2));
        }
    }
}

void TabStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    for (int i = 0; i < tabs_.size(); ++i) {
        if (TabRect(i).contains(event->position().toPoint())) {
            Choose(i);
            return;
        }
    }
}

void TabStrip::keyPressEvent(QKeyEvent* event) {
    const int count = static_cast<int>(tabs_.size());
    if (count == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    int keyed = keyed_;
    switch (event->key()) {
    case Qt::Key_Left:
        keyed = (keyed_ + count - 1) % count;
        break;
    case Qt::Key_Right:
        keyed = (keyed_ + 1) % count;
        break;
    case Qt::Key_Home:
        keyed = 0;
        break;
    case Qt::Key_End:
        keyed = count - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Choose(keyed_);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    keyed_ = keyed;
    update();
}

void TabStrip::Choose(int index) {
    keyed_ = index;
    SetTabIndex(index);
    emit Click();
}

} // namespace vantrel
