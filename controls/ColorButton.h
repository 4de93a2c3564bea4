#pragma once

#include "controls/GridCells.h"

#include <QAbstractButton>

namespace vantrel {

/// A push button that paints itself with a chosen background, which turns
/// to the hover colour while the mouse is over it. Colours are grid colour
/// values (0x00BBGGRR or a window-system colour).
class ColorButton final : public QAbstractButton {
    Q_OBJECT

public:
    explicit ColorButton(const QString& caption = QString(), QWidget* parent = nullptr);

    Colour BackColor() const { return back_; }
    Colour ForeColor() const { return fore_; }
    Colour HoverColor() const { return hover_; }
    void SetBackColor(Colour c);
    void SetForeColor(Colour c);
    void SetHoverColor(Colour c);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Colour back_ = colour::kButtonFace;
    Colour fore_ = 0xFF000012; // button text
    Colour hover_ = colour::kButtonFace;
    Colour remembered_ = colour::kButtonFace;
    bool inside_ = false;
};

} // namespace vantrel
