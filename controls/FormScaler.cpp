#include "controls/FormScaler.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

double PointSize(const QFont& f) {
    if (f.pointSizeF() > 0) {
        return f.pointSizeF();
    }
    constexpr double kPointsPerPixelAt96 = 72.0 / 96.0;
    return f.pixelSize() * kPointsPerPixelAt96;
}

} // namespace

int RoundHalfUp(double v) {
    return static_cast<int>(std::floor(v + 0.5));
}

FormScaler::FormScaler(QWidget* window, Settings settings)
    : QObject(window), window_(window), settings_(std::move(settings)) {}

void FormScaler::SetScreenDpi(double dpiX, double dpiY) {
    dpiX_ = dpiX;
    dpiY_ = dpiY;
}

double FormScaler::DpiX() const {
    if (dpiX_ > 0) {
        return dpiX_;
    }
    const QScreen* s = window_->screen();
    return s != nullptr ? s->logicalDotsPerInchX() : settings_.DesignDpiW;
}

double FormScaler::DpiY() const {
    if (dpiY_ > 0) {
        return dpiY_;
    }
    const QScreen* s = window_->screen();
    return s != nullptr ? s->logicalDotsPerInchY() : settings_.DesignDpiH;
}

bool FormScaler::Scalable(const QWidget* w) const {
    // Our controls carry names; the parts Qt builds inside its widgets
    // (editors of date pickers, scroll bars, viewports) do not, or are "qt_".
    const QString name = w->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
           !settings_.NoResizeCtl.contains(name);
}

void FormScaler::Start() {
    const double p = settings_.DesignDpiW / DpiX();
    const double q = settings_.DesignDpiH / DpiY();
    windowFont_ = window_->font();
    windowFontSize_ = RoundHalfUp(PointSize(windowFont_) / p);
    windowFont_.setPointSizeF(windowFontSize_);
    if (p != 1.0 || q != 1.0) {
        window_->setFont(windowFont_);
    }
    records_.clear();
    for (QWidget* w : window_->findChildren<QWidget*>()) {
        if (!Scalable(w)) {
            continue;
        }
        Record r;
        r.Control = w;
        r.Name = w->objectName();
        r.Font = w->font();
        r.FontSize = PointSize(r.Font);
        if (w->testAttribute(Qt::WA_SetFont)) {
            r.FontSize = RoundHalfUp(r.FontSize / p);
            r.Font.setPointSizeF(r.FontSize);
            if (p != 1.0) {
                w->setFont(r.Font);
            }
        }
        const QRect g = w->geometry();
        r.Reference = QRect(RoundHalfUp(g.x() / p), RoundHalfUp(g.y() / q),
                            RoundHalfUp(g.width() / p), RoundHalfUp(g.height() / q));
        if (p != 1.0 || q != 1.0) {
            w->setGeometry(r.Reference);
        }
        records_.push_back(r);
    }
    if (!started_) {
        window_->installEventFilter(this);
        started_ = true;
    }
}

void FormScaler::Track(QWidget* w, double dx, double dy, double f) {
    Record r;
    r.Control = w;
    if (w->objectName().isEmpty()) {
        w->setObjectName(QStringLiteral("ScalerAdd%1").arg(++added_, 4, 10, QLatin1Char('0')));
    }
    r.Name = w->objectName();
    const QRect g = w->geometry();
    r.Reference = QRect(RoundHalfUp(g.x() / dx), RoundHalfUp(g.y() / dy),
                        RoundHalfUp(g.width() / dx), RoundHalfUp(g.height() / dy));
    r.Font = w->font();
    r.FontSize = PointSize(r.Font) / f;
    records_.push_back(r);
}

void FormScaler::Rescale() {
    if (!settings_.Enabled || rescaling_ || window_->isMinimized()) {
        return;
    }
    const QSize client = window_->size();
    // A window of no width or height has nothing to scale into: its factors
    // would be 0, and a control made while they stood could never be taken
    // back to the design (its bounds divided by 0).
    if (client.width() <= 0 || client.height() <= 0) {
        return;
    }
    rescaling_ = true;
    const double dx =
        static_cast<double>(client.width()) / settings_.DesignFrmW * settings_.DesignDpiW / DpiX();
    const double dy =
        static_cast<double>(client.height()) / settings_.DesignFrmH * settings_.DesignDpiH / DpiY();
    const double f = std::min(dx, dy);

    // Controls that have gone are dropped; controls made since the last
    // rescale join with their present bounds taken back to the design.
    std::erase_if(records_, [](const Record& r) { return r.Control.isNull(); });
    for (QWidget* w : window_->findChildren<QWidget*>()) {
        const bool known = std::any_of(records_.begin(), records_.end(),
                                       [w](const Record& r) { return r.Control == w; });
        if (!known && Scalable(w)) {
            Track(w, dx_, dy_, std::min(dx_, dy_));
        }
    }

    const bool fonts = settings_.ResizeFont;
    if (fonts && !settings_.NoResizeFntCtl.contains(window_->objectName())) {
        QFont wf = windowFont_;
        wf.setPointSizeF(std::max(1, RoundHalfUp(windowFontSize_ * f)));
        window_->setFont(wf);
    }
    window_->setUpdatesEnabled(false);
    for (const Record& r : records_) {
        QWidget* w = r.Control;
        if (w == nullptr) {
            continue;
        }
        if (fonts && !settings_.NoResizeFntCtl.contains(r.Name)) {
            QFont font = r.Font;
            font.setPointSizeF(std::max(1, static_cast<int>(r.FontSize * f)));
            w->setFont(font);
        }
        // A size never comes out 0; a position of 0 stays at the edge.
        const auto size = [](double v) { return std::max(1, RoundHalfUp(v)); };
        w->setGeometry(RoundHalfUp(r.Reference.x() * dx), RoundHalfUp(r.Reference.y() * dy),
                       size(r.Reference.width() * dx), size(r.Reference.height() * dy));
    }
    dx_ = dx;
    dy_ = dy;
    window_->setUpdatesEnabled(true);
    rescaling_ = false;
    if (OnExitResize) {
        OnExitResize(dy, dx);
    }
}

bool FormScaler::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Resize) {
        Rescale();
    }
    return false;
}

} // namespace vantrel
