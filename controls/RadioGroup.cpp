#include "controls/RadioGroup.h"

#include "controls/SystemColours.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace vantrel {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent,
                       int columns)
    : QFrame(parent), caption_(caption), columns_(std::max(1, columns)) {
    group_.setExclusive(false); // index −1 must be possible; exclusivity is ours
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setAutoExclusive(false);
        b->setFocusPolicy(Qt::TabFocus);
        group_.addButton(b, i);
        buttons_.push_back(b);
    }
    connect(&group_, &QButtonGroup::idClicked, this, &RadioGroup::Chosen);
    setAutoFillBackground(false);
    Layout();
}

void RadioGroup::Chosen(int index) {
    // A click on the selected item would untick it; it stays selected.
    SetItemIndex(index);
    for (int i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setChecked(i == index_);
    }
}

void RadioGroup::SetItemIndex(int index) {
    if (index < -1 || index >= buttons_.size()) {
        index = -1;
    }
    for (int i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setChecked(i == index);
    }
    if (index != index_) {
        index_ = index;
        emit Click();
    }
}

void RadioGroup::SetBackground(Colour c) {
    background_ = c;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ResolveColour(c));
    pal.setColor(QPalette::Button, ResolveColour(c));
    for (QRadioButton* b : buttons_) {
        b->setPalette(pal);
        b->setAutoFillBackground(true);
    }
    update();
}

void RadioGroup::Layout() {
    const QFontMetrics fm(font());
    const int top = fm.height() + 2;
    const int rows = (static_cast<int>(buttons_.size()) + columns_ - 1) / columns_;
    const int w = std::max(1, (width() - 8) / columns_);
    const int h = rows > 0 ? std::max(1, (height() - top - 4) / rows) : 1;
    for (int i = 0; i < buttons_.size(); ++i) {
        const int col = i / std::max(1, rows);
        const int row = i % std::max(1, rows);
        buttons_[i]->setGeometry(4 + col * w, top + row * h, w, h);
        buttons_[i]->setFont(font());
    }
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Layout();
}

void RadioGroup::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        Layout();
    }
}

void RadioGroup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ResolveColour(background_));
    const QFontMetrics fm(font());
    const int y = fm.height() / 2;
    const QRect frame = rect().adjusted(0, y, -1, -1);
    p.setPen(ResolveColour(colour::kButtonShadow));
    p.drawRect(frame);
    p.setPen(ResolveColour(colour::kButtonHighlight));
    p.drawRect(frame.adjusted(1, 1, 1, 1));
    if (!caption_.isEmpty()) {
        const int w = fm.horizontalAdvance(caption_) + 4;
        p.fillRect(QRect(6, 0, w, fm.height()), ResolveColour(background_));
        p.setPen(Qt::black);
        p.drawText(QRect(8, 0, w, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, caption_);
    }
}

} // namespace vantrel
