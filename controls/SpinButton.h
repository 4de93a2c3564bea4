#pragma once

#include <QWidget>

namespace vantrel {

/// A pair of arrow buttons one above the other, each half of the control:
/// a click on the upper half is an up click, on the lower half a down click.
class SpinButton final : public QWidget {
    Q_OBJECT

public:
    explicit SpinButton(QWidget* parent = nullptr);

signals:
    void UpClick();
    void DownClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int pressed_ = 0; // +1 upper half, -1 lower half, 0 none
};

} // namespace vantrel
