#include "controls/SpinButton.h"

#include "controls/SystemColours.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

namespace vantrel {

SpinButton::SpinButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::TabFocus);
}

void SpinButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int half = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        const QRect r = halves[i];
        const bool down = pressed_ == (i == 0 ? 1 : -1);
        p.fillRect(r, ResolveColour(colour::kButtonFace));
        DrawEdge(p, r, !down);
        const QPoint c = r.center();
        const int s = std::max(2, std::min(r.width(), r.height()) / 4);
        QPolygon arrow =
            i == 0
                ? QPolygon({c + QPoint(-s, s / 2), c + QPoint(s, s / 2), c + QPoint(0, -s / 2 - 1)})
                : QPolygon(
                      {c + QPoint(-s, -s / 2), c + QPoint(s, -s / 2), c + QPoint(0, s / 2 + 1)});
        p.setPen(Qt::NoPen);
        p.setBrush(isEnabled() ? Qt::black : Qt::gray);
        p.drawPolygon(arrow);
    }
}

void SpinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = event->position().y() < height() / 2.0 ? 1 : -1;
        update();
    }
}

void SpinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || pressed_ == 0) {
        return;
    }
    const int was = pressed_;
    pressed_ = 0;
    update();
    if (rect().contains(event->position().toPoint())) {
        if (was > 0) {
            emit UpClick();
        } else {
            emit DownClick();
        }
    }
}

} // namespace vantrel
