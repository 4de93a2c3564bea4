#include "controls/NumEdit.h"

#include "controls/NumberFieldText.h"
#include "controls/SystemColours.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace vantrel {

namespace {

constexpr int kMostDecimals = kFieldMostDecimals;
/// Largest decimal exponent of an extended value (about 1.19e4932).
constexpr int kLargestExponent = 4932;

QChar FirstChar(const QString& s, QChar fallback) {
    return s.isEmpty() ? fallback : s.front();
}

} // namespace

NumberConversionError::NumberConversionError(const QString& text)
    : std::runtime_error("'" + text.toLatin1().toStdString() +
                         "' is not a valid floating point value") {}

NumEdit::NumEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAcceptDrops(false); // dropped text would bypass the filter
    setAttribute(Qt::WA_InputMethodEnabled, false);
    decimalSeparator_ = FirstChar(locale().decimalPoint(), QLatin1Char('.'));
    thousandsSeparator_ = FirstChar(locale().groupSeparator(), QChar());
    setText(FormatValue(0));
    ApplyColours();
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!settingValue_) {
            changedSinceEntry_ = true;
        }
    });
}

// ---- settings ------------------------------------------------------------

void NumEdit::SetDecimals(int decimals) {
    if (decimals < 0) {
        decimals = -1;
    }
    if (decimals > kMostDecimals) {
        decimals = kMostDecimals;
    }
    if (maxLength_ > 0 && decimals > maxLength_ - 2) {
        decimals = maxLength_ - 2 < 0 ? -1 : maxLength_ - 2;
    }
    if (decimals == decimals_) {
        return;
    }
    long double value = 0;
    bool readable = true;
    try {
        value = AsFloat();
    } catch (const NumberConversionError&) {
        readable = false;
    }
    decimals_ = decimals;
    if (readable) {
        SetFloat(value);
    }
}

void NumEdit::SetMaxLength(int maxLength) {
    maxLength_ = maxLength < 0 ? 0 : maxLength;
    SetDecimals(decimals_);
}

void NumEdit::SetMinValue(long double value) {
    if (value <= maxValue_) {
        minValue_ = value;
    }
}

void NumEdit::SetMaxValue(long double value) {
    if (value >= minValue_) {
        maxValue_ = value;
    }
}

void NumEdit::SetRange(long double minValue, long double maxValue) {
    if (minValue > maxValue) {
        return;
    }
    if (minValue > maxValue_) {
        SetMaxValue(maxValue);
        SetMinValue(minValue);
    } else {
        SetMinValue(minValue);
        SetMaxValue(maxValue);
    }
}

void NumEdit::SetColor(Colour c) {
    color_ = c;
    ApplyColours();
}

void NumEdit::SetDisabledColor(Colour c) {
    disabledColor_ = c;
    ApplyColours();
}

void NumEdit::ApplyColours() {
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::Base, ResolveColour(color_));
    p.setColor(QPalette::Inactive, QPalette::Base, ResolveColour(color_));
    p.setColor(QPalette::Disabled, QPalette::Base, ResolveColour(disabledColor_));
    setPalette(p);
}

void NumEdit::SetReadOnly(bool on) {
    setReadOnly(on);
    setAttribute(Qt::WA_InputMethodEnabled, false); // setReadOnly turns it back on
}

// ---- value ---------------------------------------------------------------

QString NumEdit::FormatValue(long double value) const {
    QString text = QString::fromLatin1(FormatFieldNumber(value, decimals_));
    text.replace(QLatin1Char('.'), decimalSeparator_);
    return text;
}

long double NumEdit::Parse(const QString& text) const {
    QString t = text.trimmed();
    if (!thousandsSeparator_.isNull() && thousandsSeparator_ != decimalSeparator_) {
        t.remove(thousandsSeparator_);
    }
    if (t.isEmpty()) {
        t = QStringLiteral("0");
    } else if (t == QLatin1String("-")) {
        t = QStringLiteral("-0");
    }
    std::string ascii;
    for (const QChar c : t) {
        if (c == decimalSeparator_) {
            ascii.push_back('.');
        } else if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
                   c == QLatin1Char('-') || c == QLatin1Char('E') || c == QLatin1Char('e')) {
            ascii.push_back(static_cast<char>(c.unicode()));
        } else {
            throw NumberConversionError(text);
        }
    }
    const std::optional<long double> value = ParseFieldNumber(ascii);
    if (!value) {
        throw NumberConversionError(text);
    }
    return *value;
}

long double NumEdit::AsFloat() const {
    return Parse(text());
}

std::int32_t NumEdit::AsInteger() const {
    const long double v = std::trunc(AsFloat());
    constexpr auto kLow = static_cast<long double>(std::numeric_limits<std::int32_t>::min());
    constexpr auto kHigh = static_cast<long double>(std::numeric_limits<std::int32_t>::max());
    if (v <= kLow) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (v >= kHigh) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(v);
}

void NumEdit::SetFloat(long double value) {
    ShowText(FormatValue(value));
}

void NumEdit::ShowText(const QString& shown) {
    if (shown != text()) {
        settingValue_ = true;
        setText(shown);
        settingValue_ = false;
    }
}

void NumEdit::SetInteger(std::int32_t value) {
    SetFloat(static_cast<long double>(value));
}

// ---- editing -------------------------------------------------------------

void NumEdit::Begin() {
    edit_.text = text();
    edit_.caret = cursorPosition();
    edit_.selectionStart = hasSelectedText() ? selectionStart() : edit_.caret;
    edit_.selectionLength = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
}

void NumEdit::Commit() {
    const bool changed = edit_.text != text();
    if (changed) {
        setText(edit_.text);
    }
    const int length = static_cast<int>(text().size());
    if (edit_.selectionLength > 0 && edit_.selectionStart + edit_.selectionLength <= length) {
        setSelection(edit_.selectionStart, edit_.selectionLength);
    } else {
        setCursorPosition(std::min(edit_.caret, length));
    }
    if (changed) {
        emit UserEdited();
    }
}

void NumEdit::Beep() {
    QApplication::beep();
    emit WarningBeep();
}

bool NumEdit::IsSkipped(QChar ch) const {
    return ch == decimalSeparator_ || ch == QLatin1Char('E') ||
           (!thousandsSeparator_.isNull() && ch == thousandsSeparator_);
}

bool NumEdit::Insert(int at, QChar ch) {
    if (maxLength_ > 0 && edit_.text.size() >= maxLength_) {
        Beep();
        return false;
    }
    edit_.text.insert(at, ch);
    edit_.caret = at + 1;
    return true;
}

void NumEdit::Replace(int at, QChar ch) {
    edit_.text[at] = ch;
    edit_.caret = at + 1;
}

bool NumEdit::TypeChar(QChar ch) {
    if (keyPress_) {
        keyPress_(ch);
        if (ch.isNull()) {
            return false;
        }
    }
    if (ch == QLatin1Char('e')) {
        ch = QLatin1Char('E');
    }
    const bool digit = ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
    const bool separator = ch == decimalSeparator_;
    if (!digit && ch != QLatin1Char('-') && ch != QLatin1Char('E') &&
        !(separator && decimals_ != 0)) {
        Beep();
        return false;
    }
    if (ch == QLatin1Char('E') || separator) {
        edit_.caret = edit_.selectionStart;
        edit_.selectionLength = 0;
    } else if (edit_.selectionLength > 0) {
        DeleteSelection();
    }
    edit_.selectionLength = 0;
    // The caret never stands before a leading minus sign.
    if (edit_.caret == 0 && edit_.text.startsWith(QLatin1Char('-'))) {
        edit_.caret = 1;
    }
    if (ch == QLatin1Char('-')) {
        ToggleSign();
    } else if (separator) {
        TypeSeparator();
    } else if (ch == QLatin1Char('E')) {
        TypeExponent();
    } else {
        TypeDigit(ch);
    }
    return true;
}

void NumEdit::ToggleSign() {
    QString& t = edit_.text;
    const int e = static_cast<int>(t.indexOf(QLatin1Char('E')));
    if (e >= 0 && edit_.caret > e) {
        if (e + 1 < t.size() && t[e + 1] == QLatin1Char('-')) {
            t.remove(e + 1, 1);
            if (edit_.caret > e + 1) {
                --edit_.caret;
            }
        } else {
            t.insert(e + 1, QLatin1Char('-'));
            ++edit_.caret;
        }
        return;
    }
    if (t.startsWith(QLatin1Char('-'))) {
        t.remove(0, 1);
        edit_.caret = std::max(0, edit_.caret - 1);
    } else {
        t.prepend(QLatin1Char('-'));
        ++edit_.caret;
    }
}

void NumEdit::TypeSeparator() {
    const QString& t = edit_.text;
    const int existing = static_cast<int>(t.indexOf(decimalSeparator_));
    if (existing >= 0) {
        edit_.caret = existing + 1;
        return;
    }
    const int e = static_cast<int>(t.indexOf(QLatin1Char('E')));
    const int at = e >= 0 ? e : static_cast<int>(t.size());
    const int sign = t.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (at == sign) { // no digit before it: "0" first, so the text stays a number
        if (!Insert(at, QLatin1Char('0'))) {
            return;
        }
        if (!Insert(at + 1, decimalSeparator_)) {
            edit_.text.remove(at, 1);
            edit_.caret = at;
        }
        return;
    }
    Insert(at, decimalSeparator_);
}

void NumEdit::TypeExponent() {
    const int e = static_cast<int>(edit_.text.indexOf(QLatin1Char('E')));
    if (e >= 0) {
        edit_.caret = e + 1;
        return;
    }
    Insert(static_cast<int>(edit_.text.size()), QLatin1Char('E'));
}

void NumEdit::TypeDigit(QChar digit) {
    QString& t = edit_.text;
    const int length = static_cast<int>(t.size());
    int& caret = edit_.caret;
    const bool negative = t.startsWith(QLatin1Char('-'));
    if (negative && length > 1 && t[1] == QLatin1Char('0') && caret <= 2) {
        Replace(1, digit);
        return;
    }
    if (!negative && t.startsWith(QLatin1Char('0')) && caret <= 1) {
        Replace(0, digit);
        return;
    }
    const int e = static_cast<int>(t.indexOf(QLatin1Char('E')));
    if (e >= 0 && caret > e) {
        int digitsStart = e + 1;
        if (digitsStart < length &&
            (t[digitsStart] == QLatin1Char('-') || t[digitsStart] == QLatin1Char('+'))) {
            ++digitsStart;
        }
        caret = std::max(caret, digitsStart);
        if (caret == digitsStart && digitsStart < length && t[digitsStart] == QLatin1Char('0')) {
            Replace(digitsStart, digit);
            return;
        }
        QString exponent = t.mid(digitsStart);
        exponent.insert(caret - digitsStart, digit);
        if (exponent.size() > 4 || exponent.toInt() > kLargestExponent) {
            Beep();
            return;
        }
        Insert(caret, digit);
        return;
    }
    const int separator = static_cast<int>(t.indexOf(decimalSeparator_));
    if (decimals_ > 0 && separator >= 0 && caret > separator) {
        const int decimalsEnd = e >= 0 ? e : length;
        if (caret < decimalsEnd) {
            Replace(caret, digit);
            return;
        }
        if (decimalsEnd - separator - 1 >= decimals_) {
            Beep(); // after the last decimal
            return;
        }
    }
    Insert(caret, digit);
}

void NumEdit::DeleteSelection() {
    if (edit_.selectionLength <= 0) {
        return;
    }
    const int length = static_cast<int>(edit_.text.size());
    if (edit_.selectionStart == 0 && edit_.selectionLength >= length) {
        edit_.text = FormatValue(0);
        edit_.caret = 0;
        edit_.selectionLength = 0;
        return;
    }
    const QString selected = edit_.text.mid(edit_.selectionStart, edit_.selectionLength);
    int count = edit_.selectionLength;
    if (!thousandsSeparator_.isNull()) {
        count -= static_cast<int>(selected.count(thousandsSeparator_));
    }
    if (selected.contains(decimalSeparator_)) {
        --count;
    }
    edit_.caret = edit_.selectionStart + edit_.selectionLength;
    edit_.selectionLength = 0;
    for (int i = 0; i < count; ++i) {
        DeleteOne(true);
    }
}

void NumEdit::DeleteOne(bool backspace) {
    const QString& t = edit_.text;
    const int length = static_cast<int>(t.size());
    int index = 0;
    if (backspace) {
        if (edit_.caret <= 0) {
            return;
        }
        index = edit_.caret - 1;
        if (IsSkipped(t[index])) {
            if (index == 0) {
                return;
            }
            --index;
        }
    } else {
        if (edit_.caret >= length) {
            return;
        }
        index = edit_.caret;
        if (IsSkipped(t[index])) {
            if (index + 1 >= length) {
                return;
            }
            ++index;
        }
    }
    DeleteAt(index);
}

void NumEdit::DeleteAt(int index) {
    QString& t = edit_.text;
    const int length = static_cast<int>(t.size());
    const int separator = static_cast<int>(t.indexOf(decimalSeparator_));
    const int e = static_cast<int>(t.indexOf(QLatin1Char('E')));
    edit_.caret = index;
    if (separator >= 0 && index > separator && (e < 0 || index < e)) {
        // A decimal: with a fixed count a "0" closes the gap at their end.
        t.remove(index, 1);
        if (decimals_ > 0) {
            t.insert(e >= 0 ? e - 1 : static_cast<int>(t.size()), QLatin1Char('0'));
        }
        return;
    }
    if (index == 0 && t.startsWith(QLatin1Char('-'))) {
        t.remove(0, 1);
        if (t.isEmpty()) {
            t = QStringLiteral("0");
        }
        return;
    }
    const int integerStart = t.startsWith(QLatin1Char('-')) ? 1 : 0;
    const int integerEnd = separator >= 0 ? separator : (e >= 0 ? e : length);
    if (length == 1 ||
        (index >= integerStart && index < integerEnd && integerEnd - integerStart == 1)) {
        t[index] = QLatin1Char('0'); // the only digit before the point
        return;
    }
    t.remove(index, 1);
}

// ---- clipboard -----------------------------------------------------------

void NumEdit::Copy() const {
    if (!hasSelectedText()) {
        return;
    }
    QString s = selectedText();
    if (!thousandsSeparator_.isNull()) {
        s.remove(thousandsSeparator_);
    }
    QGuiApplication::clipboard()->setText(s);
}

void NumEdit::Cut() {
    if (isReadOnly() || !hasSelectedText()) {
        return;
    }
    Copy();
    Begin();
    DeleteSelection();
    Commit();
}

void NumEdit::Paste() {
    if (isReadOnly()) {
        return;
    }
    const QString pasted = QGuiApplication::clipboard()->text();
    Begin();
    DeleteSelection();
    for (const QChar c : pasted) {
        TypeChar(c);
    }
    Commit();
}

void NumEdit::Clear() {
    if (clear_) {
        clear_();
        return;
    }
    if (isReadOnly()) {
        return;
    }
    Begin();
    DeleteSelection();
    Commit();
}

// ---- events --------------------------------------------------------------

void NumEdit::keyPressEvent(QKeyEvent* event) {
    mouseFocus_ = false;
    if (isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        Cut();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        Begin();
        if (edit_.selectionLength > 0) {
            DeleteSelection();
        } else {
            DeleteOne(event->key() == Qt::Key_Backspace);
        }
        Commit();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        QLineEdit::keyPressEvent(event); // caret and selection moves
        return;
    default:
        break;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    const QString typed = event->text();
    const Qt::KeyboardModifiers shortcut = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (typed.isEmpty() || (event->modifiers() & shortcut) || !typed.front().isPrint()) {
        event->ignore(); // Enter, Escape, shortcuts: the window's
        return;
    }
    Begin();
    for (const QChar c : typed) {
        TypeChar(c);
    }
    Commit();
}

void NumEdit::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    emit KeyReleased(event->key());
}

void NumEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (isReadOnly() || event->commitString().isEmpty()) {
        event->ignore();
        return;
    }
    Begin();
    for (const QChar c : event->commitString()) {
        TypeChar(c);
    }
    Commit();
    event->accept();
}

void NumEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        return; // back from another window or a menu: as it was
    }
    changedSinceEntry_ = false;
    if (autoSelect_) {
        selectAll();
        mouseFocus_ = reason == Qt::MouseFocusReason;
    } else {
        deselect();
    }
}

void NumEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    mouseFocus_ = false;
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        return; // the focus stays in this field within its window
    }
    Leave();
}

void NumEdit::Leave() {
    if (isReadOnly() || !changedSinceEntry_) {
        // Nothing entered here: what the program showed is not the user's to
        // correct, even beyond the bounds (a value from the data file).
        emit Exited();
        return;
    }
    long double value = 0;
    try {
        value = AsFloat();
    } catch (const NumberConversionError& error) {
        emit ConversionFailed(QString::fromLatin1(error.what()));
        return;
    }
    SetFloat(value); // "12." becomes "12"
    if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_)) {
        if (invalid_) {
            invalid_();
            return;
        }
        SetFloat(value < minValue_ ? minValue_ : maxValue_);
        Beep();
        emit UserEdited();
        // The focus is on its way to another widget; take it back after.
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && isEnabled()) {
                setFocus(Qt::OtherFocusReason);
            }
        });
        return;
    }
    emit Exited();
}

void NumEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        return; // the selection clipboard would bypass the filter
    }
    QLineEdit::mousePressEvent(event);
}

void NumEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
    if (mouseFocus_ && event->button() == Qt::LeftButton) {
        mouseFocus_ = false;
        if (!hasSelectedText()) {
            selectAll(); // the click that brought the focus keeps the selection
        }
    }
}

void NumEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const bool editable = !isReadOnly();
    const bool selection = hasSelectedText();
    menu.addAction(tr("Cu&t"), this, &NumEdit::Cut)->setEnabled(editable && selection);
    menu.addAction(tr("&Copy"), this, &NumEdit::Copy)->setEnabled(selection);
    menu.addAction(tr("&Paste"), this, &NumEdit::Paste)
        ->setEnabled(editable && !QGuiApplication::clipboard()->text().isEmpty());
    menu.addAction(tr("Delete"), this, &NumEdit::Clear)->setEnabled(editable && selection);
    menu.addSeparator();
    menu.addAction(tr("Select All"), this, &QLineEdit::selectAll);
    menu.exec(event->globalPos());
}

void NumEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::LocaleChange) {
        ApplyLocale();
    }
}

void NumEdit::ApplyLocale() {
    const QChar decimal = FirstChar(locale().decimalPoint(), QLatin1Char('.'));
    const QChar thousands = FirstChar(locale().groupSeparator(), QChar());
    if (decimal == decimalSeparator_ && thousands == thousandsSeparator_) {
        return;
    }
    QString t = text();
    for (QChar& c : t) {
        if (c == decimalSeparator_) {
            c = decimal;
        } else if (!thousandsSeparator_.isNull() && c == thousandsSeparator_) {
            c = thousands.isNull() ? QChar() : thousands;
        }
    }
    t.remove(QChar());
    decimalSeparator_ = decimal;
    thousandsSeparator_ = thousands;
    if (t != text()) {
        setText(t);
    }
}

} // namespace vantrel
