#include "controls/ClickPanel.h"

#include "controls/SystemColours.h"

#include <QMouseEvent>
#include <QPainter>

namespace vantrel {

ClickPanel::ClickPanel(const QString& caption, QWidget* parent)
    : QFrame(parent), caption_(caption) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClickPanel::SetCaption(const QString& caption) {
    if (caption != caption_) {
        caption_ = caption;
        update();
    }
}

void ClickPanel::SetBackground(Colour c) {
    if (c != background_) {
        background_ = c;
        update();
    }
}

void ClickPanel::SetRaised(bool raised) {
    raised_ = raised;
    update();
}

void ClickPanel::SetCaptionAlignment(Qt::Alignment a) {
    alignment_ = a;
    update();
}

void ClickPanel::SetCaptionColour(Colour c) {
    captionColour_ = c;
    update();
}

void ClickPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, ResolveColour(background_));
    if (raised_) {
        DrawEdge(p, r);
    }
    if (!caption_.isEmpty()) {
        p.setPen(ResolveColour(captionColour_));
        p.setFont(font());
        p.drawText(r.adjusted(2, 1, -2, -1), static_cast<int>(alignment_ | Qt::TextSingleLine),
                   caption_);
    }
}

void ClickPanel::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit Clicked();
    }
}

} // namespace vantrel
