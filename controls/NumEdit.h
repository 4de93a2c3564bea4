#pragma once

#include "controls/GridCells.h"

#include <QLineEdit>

#include <cstdint>
#include <functional>
#include <stdexcept>

namespace vantrel {

/// The error of reading a number from a text that is none. Its message is
/// "'%s' is not a valid floating point value" with the text for %s (8-bit
/// characters). The windows catch it and show the message in an error box.
class NumberConversionError : public std::runtime_error {
public:
    explicit NumberConversionError(const QString& text);
};

/// A one-line entry field that holds a single number as formatted text.
///
/// The text is the only store of the value: reading the value parses the
/// text, setting it formats the text. Typing is filtered so that only a
/// number can come out: digits, the locale's decimal separator (not with
/// `Decimals` 0), "E" for an exponent (up to 4932) and "-", which toggles
/// the sign of the number or of the exponent instead of being inserted. With
/// a fixed count of decimals a digit typed among them overwrites the next
/// one, and deleting one appends a "0". Backspace and Delete are the field's
/// own; clipboard text goes through the same filter. `MinValue`..`MaxValue`
/// (none while both are 0) is enforced only when the focus leaves the field
/// after its text was changed there (typed, pasted, or written by any means
/// other than `SetFloat` and the like): the value is pulled to the nearer
/// bound with a warning beep and the focus comes back. A value the program
/// showed and nobody changed since the focus arrived is left as it is, so
/// passing through a field never alters it.
///
/// Formatting is "Standard": "0" then, with `Decimals` 1 to 14, that many
/// decimals; with -1 up to 14 decimals, trailing zeros dropped. At most 15
/// significant digits are shown (zeros follow), rounded half away from zero
/// as decimal text. Values are extended precision (`long double`).
class NumEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit NumEdit(QWidget* parent = nullptr);

    /// Decimals shown: -1 as many as needed (up to 14), 0 none, 1..14 fixed.
    /// Below -1 gives -1, above 14 gives 14; with `MaxLength` above 0 the
    /// count is cut to `MaxLength` - 2. The text is formatted again.
    int Decimals() const { return decimals_; }
    void SetDecimals(int decimals);

    /// Most characters the user can type; 0 is no limit. Unlike the line
    /// edit's own limit it never cuts a text that the program sets.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int maxLength);

    /// The allowed range. A `MaxValue` below `MinValue`, or a `MinValue`
    /// above `MaxValue`, is ignored; `SetRange` sets both in a working order.
    long double MinValue() const { return minValue_; }
    long double MaxValue() const { return maxValue_; }
    void SetMinValue(long double value);
    void SetMaxValue(long double value);
    void SetRange(long double minValue, long double maxValue);

    /// Select the whole text when the field receives the focus [true].
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool on) { autoSelect_ = on; }

    /// Backgrounds while enabled [window colour] and disabled [button face].
    Colour Color() const { return color_; }
    Colour DisabledColor() const { return disabledColor_; }
    void SetColor(Colour c);
    void SetDisabledColor(Colour c);

    /// No filtering and no editing.
    void SetReadOnly(bool on);

    /// The text as a number. Throws `NumberConversionError` when it is none;
    /// an empty text reads as 0 and a lone "-" as -0.
    long double AsFloat() const;
    /// The number truncated toward zero, held within the 32-bit range.
    std::int32_t AsInteger() const;
    long double Value() const { return AsFloat(); }

    /// Formats `value`; the text is replaced only when it differs, so the
    /// value already shown raises no change. No range check.
    void SetFloat(long double value);
    void SetInteger(std::int32_t value);
    void SetValue(long double value) { SetFloat(value); }
    /// Shows `text` as the program's own, like `SetFloat` and unlike an
    /// entry of the user's: for a value the format cannot show well (a blank
    /// for none, an exponent form for a huge one). Replaced only if it
    /// differs.
    void ShowText(const QString& text);
    void SetBlank() { ShowText(QString()); }

    /// The text `value` is shown as, with this field's decimals.
    QString FormatValue(long double value) const;

    /// The decimal separator the text is written with.
    QChar DecimalSeparator() const { return decimalSeparator_; }

    /// Copy the selection without thousands separators; cut also deletes
    /// it; paste deletes the selection and types the clipboard text through
    /// the key filter; clear runs the clear handler or deletes the selection.
    void Copy() const;
    void Cut();
    void Paste();
    void Clear();

    /// Runs for every typed or pasted character before the field's filter;
    /// setting the character to QChar() drops it without a beep.
    void SetKeyPressHandler(std::function<void(QChar&)> handler) { keyPress_ = std::move(handler); }
    /// Replaces the pull to the nearer bound when the field is left.
    void SetInvalidEntryHandler(std::function<void()> handler) { invalid_ = std::move(handler); }
    /// Replaces deleting the selection on `Clear`.
    void SetClearHandler(std::function<void()> handler) { clear_ = std::move(handler); }

signals:
    /// The user changed the text: typing, deleting, the clipboard, or the
    /// pull to a bound when leaving. Not raised by `SetFloat` and the like.
    void UserEdited();
    /// Any key released in the field (Qt key code).
    void KeyReleased(int key);
    /// The focus left the field with a value within its range, or without a
    /// change of its text since the focus arrived.
    void Exited();
    /// The field's own reading of its text failed (when it was left); the
    /// text stays as typed. The message is that of `NumberConversionError`.
    void ConversionFailed(const QString& message);
    /// A refused key or an out-of-range value gave a warning beep.
    void WarningBeep();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    /// Text, caret and selection while one user action edits them.
    struct EditState {
        QString text;
        int caret = 0;
        int selectionStart = 0;
        int selectionLength = 0;
    };

    void Begin();
    void Commit();
    void Beep();
    bool TypeChar(QChar ch);
    void ToggleSign();
    void TypeSeparator();
    void TypeExponent();
    void TypeDigit(QChar digit);
    bool Insert(int at, QChar ch);
    void Replace(int at, QChar ch);
    void DeleteSelection();
    void DeleteOne(bool backspace);
    void DeleteAt(int index);
    bool IsSkipped(QChar ch) const;
    void Leave();
    void ApplyColours();
    void ApplyLocale();
    long double Parse(const QString& text) const;

    int decimals_ = -1;
    int maxLength_ = 0;
    long double minValue_ = 0;
    long double maxValue_ = 0;
    bool autoSelect_ = true;
    bool mouseFocus_ = false;
    /// The text changed, other than by `SetFloat`, since the focus arrived.
    bool changedSinceEntry_ = false;
    /// `SetFloat` is writing the text.
    bool settingValue_ = false;
    Colour color_ = 0xFF000005; ///< window
    Colour disabledColor_ = colour::kButtonFace;
    QChar decimalSeparator_;
    QChar thousandsSeparator_;
    EditState edit_;
    std::function<void(QChar&)> keyPress_;
    std::function<void()> invalid_;
    std::function<void()> clear_;
};

} // namespace vantrel
