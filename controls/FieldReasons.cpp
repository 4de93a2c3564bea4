#include "controls/FieldReasons.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTimer>

namespace vantrel {

namespace {

/// How a refused field and its reason look.
constexpr const char* kRefusedStyle = "color: #b00000; border: 1px solid #d00000";
constexpr const char* kReasonStyle = "color: #b00000";

/// Sets a style sheet only when it changes: a new one costs a restyle, and
/// some windows check their fields several times a second.
void Restyle(QWidget* widget, const QString& style) {
    if (widget->styleSheet() != style) {
        widget->setStyleSheet(style);
    }
}

} // namespace

QString DecimalCommaHint(const QString& text) {
    // One comma between digits, as a locale with a decimal comma writes a
    // number; a list such as "1415:70,2695:98" is not one.
    static const QRegularExpression kCommaNumber(QStringLiteral("^([+-]?\\d*),(\\d+)$"));
    const QRegularExpressionMatch m = kCommaNumber.match(text.trimmed());
    if (!m.hasMatch()) {
        return {};
    }
    return QStringLiteral("Use a point as the decimal separator: %1.%2.")
        .arg(m.captured(1), m.captured(2));
}

FieldReasons::FieldReasons(QWidget* window) : QObject(window), window_(window) {}

QLabel* FieldReasons::Watch(QLineEdit* edit, FieldCheck check, CheckWhen when) {
    auto* reason = new QLabel(window_);
    reason->setObjectName(edit->objectName() + QStringLiteral("Reason"));
    reason->setStyleSheet(QLatin1String(kReasonStyle));
    reason->setWordWrap(true);
    reason->hide();
    fields_.push_back({edit, reason, std::move(check), when, edit->toolTip(), QString()});
    if (when == CheckWhen::Typing) {
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { Check(edit); });
    }
    // Enter, or focus lost after a change; and any loss of focus, which
    // Qt reports as finished editing only when the text changed.
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] { Check(edit); });
    edit->installEventFilter(this);
    return reason;
}

FieldReasons::Watched* FieldReasons::Find(const QLineEdit* edit) {
    for (Watched& f : fields_) {
        if (f.Edit == edit) {
            return &f;
        }
    }
    return nullptr;
}

const FieldReasons::Watched* FieldReasons::Find(const QLineEdit* edit) const {
    for (const Watched& f : fields_) {
        if (f.Edit == edit) {
            return &f;
        }
    }
    return nullptr;
}

bool FieldReasons::Check(QLineEdit* edit) {
    Watched* f = Find(edit);
    if (f == nullptr) {
        return true;
    }
    QString reason = f->Rule(edit->text());
    if (!reason.isEmpty()) {
        if (const QString hint = DecimalCommaHint(edit->text()); !hint.isEmpty()) {
            reason += QLatin1Char(' ') + hint;
        }
    }
    Show(*f, reason);
    emit Checked(AllAccepted());
    return reason.isEmpty();
}

bool FieldReasons::CheckAll() {
    bool all = true;
    for (const Watched& f : fields_) {
        all = Check(f.Edit) && all;
    }
    return all;
}

void FieldReasons::Show(Watched& f, const QString& reason) {
    f.Shown = reason;
    if (f.Reason->text() != reason) {
        f.Reason->setText(reason);
    }
    if (f.Reason->isHidden() && !reason.isEmpty()) {
        // Once the layout has taken the new line in.
        QTimer::singleShot(0, this, &FieldReasons::FitWindow);
    }
    f.Reason->setVisible(!reason.isEmpty());
    Restyle(f.Edit, reason.isEmpty() ? QString() : QLatin1String(kRefusedStyle));
    f.Edit->setToolTip(reason.isEmpty() ? f.OwnToolTip : reason);
}

QString FieldReasons::Reason(const QLineEdit* edit) const {
    const Watched* f = Find(edit);
    return f == nullptr ? QString() : f->Shown;
}

QLabel* FieldReasons::ReasonLabel(const QLineEdit* edit) const {
    const Watched* f = Find(edit);
    return f == nullptr ? nullptr : f->Reason;
}

bool FieldReasons::AllAccepted() const {
    for (const Watched& f : fields_) {
        if (!f.Shown.isEmpty()) {
            return false;
        }
    }
    return true;
}

void FieldReasons::FitWindow() {
    // A window the user made small keeps its width, and grows only as much
    // as the reasons need to be read whole.
    const QLayout* layout = window_->layout();
    if (!window_->isVisible() || layout == nullptr || !layout->hasHeightForWidth()) {
        return;
    }
    const int needed = layout->totalHeightForWidth(window_->width());
    if (needed > window_->height()) {
        window_->resize(window_->width(), needed);
    }
}

bool FieldReasons::eventFilter(QObject* watched, QEvent* event) {
    // A context menu or a completer's list takes the focus for a moment:
    // the field is not left then.
    // A window being hidden (closed, or destroyed: its own part then gone
    // already) takes the focus away too: nothing is left by the user then.
    if (event->type() == QEvent::FocusOut && !window_->isHidden() &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
            Check(edit);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vantrel
