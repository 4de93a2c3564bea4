#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QEvent;
class QLabel;
class QLineEdit;
class QWidget;

namespace vantrel {

/// Why the text of an entry field is refused, as a sentence for the user;
/// empty when the text is accepted.
using FieldCheck = std::function<QString(const QString& text)>;

/// When a watched field is checked.
enum class CheckWhen {
    Typing,  ///< at every change of its text, and again when it is left
    Leaving, ///< only when it is left: a field typed into to search a list
};

/// The reasons of a window's entry fields. Each watched field is checked by
/// the window's own rule; a refused one turns red and says why in a line of
/// its own that the window places beside the field, and keeps saying it
/// until its text is accepted, however the field is left (Tab, a click
/// elsewhere, Enter) or whatever else the window does meanwhile. The typed
/// text stays in the field, so nothing is lost and the user sees what was
/// refused; the focus is never pulled back. A window too short for a reason
/// grows until it can be read whole. What the window does with an
/// accepted text (store it, take it at once or at Apply) is its own affair.
///
/// A refused text that is a number written with a decimal comma ("1013,25")
/// gets the hint to write it with a point.
///
/// Made by the window before the fields it watches, so that it is gone
/// before them when the window is destroyed.
class FieldReasons final : public QObject {
    Q_OBJECT

public:
    explicit FieldReasons(QWidget* window);

    /// Watches `edit` with `check` and returns the line of its reason,
    /// hidden while the text is accepted, for the window to lay out next to
    /// the field. The field's own tooltip comes back when it is accepted.
    QLabel* Watch(QLineEdit* edit, FieldCheck check, CheckWhen when = CheckWhen::Typing);

    /// Checks `edit` now and shows the outcome; true when it is accepted
    /// (and for a field not watched).
    bool Check(QLineEdit* edit);
    /// Checks every field; true when all are accepted.
    bool CheckAll();

    /// The reason shown for `edit`; empty while it is accepted.
    QString Reason(const QLineEdit* edit) const;
    /// The line that shows the reason of `edit`; null for a field not watched.
    QLabel* ReasonLabel(const QLineEdit* edit) const;
    /// True when no watched field shows a reason.
    bool AllAccepted() const;

signals:
    /// A field was checked; `allAccepted` as `AllAccepted()`.
    void Checked(bool allAccepted);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Watched {
        QLineEdit* Edit = nullptr;
        QLabel* Reason = nullptr;
        FieldCheck Rule;
        CheckWhen When = CheckWhen::Typing;
        QString OwnToolTip;
        QString Shown; ///< the reason shown; empty while accepted
    };
    Watched* Find(const QLineEdit* edit);
    const Watched* Find(const QLineEdit* edit) const;
    void Show(Watched& field, const QString& reason);
    /// Makes the window tall enough for every reason shown.
    void FitWindow();

    QWidget* window_;
    std::vector<Watched> fields_;
};

/// The hint for a number written with a decimal comma, "Use a point as the
/// decimal separator: 1013.25."; empty for any other text.
QString DecimalCommaHint(const QString& text);

} // namespace vantrel
