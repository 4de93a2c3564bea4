#include "controls/TooltipSettings.h"

#include "controls/SystemColours.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPalette>
#include <QProxyStyle>
#include <QToolTip>
#include <QWidget>

namespace vantrel {

namespace {

ApplicationTooltips* gInstance = nullptr;

/// Carries the tooltip delay, which Qt asks of the style.
class TooltipStyle final : public QProxyStyle {
public:
    int delayMs = 250;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_ToolTip_WakeUpDelay) {
            return delayMs;
        }
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

TooltipStyle* gStyle = nullptr;

QFont TooltipFont() {
    QFont font(QStringLiteral("Arial"), 10);
    font.setBold(true);
    return font;
}

} // namespace

TooltipBehaviour HintOptionBehaviour(int index, TooltipBehaviour current) {
    switch (index) {
    case 0:
        return {8000, 250, colour::kYellow};
    case 1:
        return {4000, 250, colour::kYellow};
    case 2:
        return {2000, 250, colour::kYellow};
    case 3:
        return {0, 10000, colour::kBlack};
    default:
        return current;
    }
}

ApplicationTooltips::ApplicationTooltips(QObject* parent) : QObject(parent) {
    gInstance = this;
    if (auto* app = qobject_cast<QApplication*>(QApplication::instance())) {
        gStyle = new TooltipStyle;
        app->setStyle(gStyle); // the application owns the style from here on
        app->installEventFilter(this);
    }
    Apply(behaviour_);
}

ApplicationTooltips::~ApplicationTooltips() {
    if (gInstance == this) {
        gInstance = nullptr;
    }
}

ApplicationTooltips* ApplicationTooltips::Instance() {
    return gInstance;
}

void ApplicationTooltips::Apply(const TooltipBehaviour& behaviour) {
    behaviour_ = behaviour;
    if (gStyle != nullptr) {
        gStyle->delayMs = behaviour.DelayMs;
    }
    QPalette palette = QToolTip::palette();
    palette.setColor(QPalette::ToolTipBase, ResolveColour(behaviour.Background));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::Window, ResolveColour(behaviour.Background));
    palette.setColor(QPalette::WindowText, Qt::black);
    QToolTip::setPalette(palette);
    QToolTip::setFont(TooltipFont());
}

void ApplicationTooltips::ApplyHintOption(int index) {
    Apply(HintOptionBehaviour(index, behaviour_));
    QToolTip::setFont(TooltipFont());
}

bool ApplicationTooltips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->toolTip().isEmpty()) {
        return false; // widgets with tooltips of their own (the grids) handle them
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    if (behaviour_.VisibleMs <= 0) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(),
                           behaviour_.VisibleMs);
    }
    return true;
}

} // namespace vantrel
