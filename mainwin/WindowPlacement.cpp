#include "mainwin/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace vantrel {

QList<QRect> AvailableScreenRects() {
    QList<QRect> rects;
    for (const QScreen* s : QGuiApplication::screens()) {
        rects << s->availableGeometry();
    }
    return rects;
}

bool RestorePlace(QWidget& window, const std::optional<QRect>& stored, QSize firstSize) {
    if (!stored) {
        window.resize(firstSize);
        return false;
    }
    window.move(stored->topLeft());
    window.resize(stored->size());
    return true;
}

void OpenOnceBeside(QWidget& window, bool& placed, const QWidget* mainWindow, QPoint offset) {
    if (!placed && mainWindow != nullptr) {
        window.move(mainWindow->window()->pos() + offset);
    }
    placed = true;
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace vantrel
