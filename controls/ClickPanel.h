#pragma once

#include "controls/GridCells.h"

#include <QFrame>
#include <QString>

namespace vantrel {

/// A panel with a caption: a background colour of its own, an optional
/// raised inner edge, and a click. The windows use it for the clock
/// panels, the interval box, the display-mode and "More Sources" buttons,
/// the catalogue titles and the framed groups of controls.
class ClickPanel final : public QFrame {
    Q_OBJECT

public:
    explicit ClickPanel(const QString& caption = QString(), QWidget* parent = nullptr);

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    Colour Background() const { return background_; }
    void SetBackground(Colour c);
    void SetRaised(bool raised);
    void SetCaptionAlignment(Qt::Alignment a);
    void SetCaptionColour(Colour c);

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString caption_;
    Colour background_ = colour::kButtonFace;
    Colour captionColour_ = colour::kBlack;
    Qt::Alignment alignment_ = Qt::AlignCenter;
    bool raised_ = true;
};

} // namespace vantrel
