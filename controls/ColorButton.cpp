#include "controls/ColorButton.h"

#include "controls/SystemColours.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace vantrel {

ColorButton::ColorButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

void ColorButton::SetBackColor(Colour c) {
    if (c != back_) {
        back_ = c;
        update();
    }
}

void ColorButton::SetForeColor(Colour c) {
    if (c != fore_) {
        fore_ = c;
        update();
    }
}

void ColorButton::SetHoverColor(Colour c) {
    if (c != hover_) {
        hover_ = c;
        update();
    }
}

QSize ColorButton::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 16, fm.height() + 10};
}

void ColorButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (!inside_) {
        inside_ = true;
        remembered_ = back_;
        SetBackColor(hover_);
    }
}

void ColorButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    if (inside_) {
        inside_ = false;
        SetBackColor(remembered_);
    }
}

void ColorButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) {
        update();
    }
}

void ColorButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    if (hasFocus()) {
        p.setPen(ResolveColour(0xFF000006)); // window frame
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    QRect textArea = r;
    const QColor light = ResolveColour(colour::kButtonHighlight);
    const QColor shadow = ResolveColour(colour::kButtonShadow);
    const QColor dark = ResolveColour(0xFF000015); // 3-D dark shadow
    if (isDown()) {
        p.fillRect(r, ResolveColour(colour::kButtonFace));
        p.setPen(shadow);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
        textArea.translate(1, 1);
    } else {
        // The raised push-button frame: light top and left, dark bottom and right.
        p.setPen(light);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(dark);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        p.setPen(shadow);
        p.drawLine(r.bottomLeft() + QPoint(1, -1), r.bottomRight() + QPoint(-1, -1));
        p.drawLine(r.topRight() + QPoint(-1, 1), r.bottomRight() + QPoint(-1, -1));
        r.adjust(1, 1, -2, -2);
    }
    p.fillRect(r, ResolveColour(back_));
    if (isEnabled()) {
        p.setPen(ResolveColour(fore_));
        p.drawText(textArea, Qt::AlignCenter | Qt::TextSingleLine, text());
    } else {
        // Embossed, as disabled captions are drawn.
        p.setPen(light);
        p.drawText(textArea.translated(1, 1), Qt::AlignCenter | Qt::TextSingleLine, text());
        p.setPen(shadow);
        p.drawText(textArea, Qt::AlignCenter | Qt::TextSingleLine, text());
    }
    if (hasFocus()) { // a focused push button is the default one
        QPen pen(Qt::black);
        pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        p.drawRect(rect().adjusted(4, 4, -5, -5));
    }
}

} // namespace vantrel
