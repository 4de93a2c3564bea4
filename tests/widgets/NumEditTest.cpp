#include "controls/NumEdit.h"
#include "controls/Fonts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <cmath>

namespace vantrel {

/// A window with the field under test and a neighbour to move the focus to.
class Host {
public:
    Host() {
        auto* layout = new QVBoxLayout(&window);
        field = new NumEdit(&window);
        other = new QLineEdit(&window);
        layout->addWidget(field);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
    }
    bool Ready() { return QTest::qWaitForWindowActive(&window); }
    /// Gives the field the focus as the Tab key does (whole text selected
    /// when AutoSelect is on).
    void Enter() {
        other->setFocus(Qt::TabFocusReason);
        field->setFocus(Qt::TabFocusReason);
    }

    QWidget window;
    NumEdit* field = nullptr;
    QLineEdit* other = nullptr;
};

class NumEditTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallFontSubstitutes(); }

    void formatsStandard_data() {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("six decimals round") << 6 << 37.1234567 << "37.123457";
        QTest::newRow("one decimal pads") << 1 << 10.0 << "10.0";
        QTest::newRow("none rounds") << 0 << 123.6 << "124";
        QTest::newRow("half away from zero") << 0 << 122.5 << "123";
        QTest::newRow("negative half away from zero") << 0 << -122.5 << "-123";
        QTest::newRow("two decimals half up") << 2 << 0.125 << "0.13";
        QTest::newRow("zero free") << -1 << 0.0 << "0";
        QTest::newRow("zero one") << 1 << 0.0 << "0.0";
        QTest::newRow("zero six") << 6 << 0.0 << "0.000000";
        QTest::newRow("free whole") << -1 << 45.0 << "45";
        QTest::newRow("free half") << -1 << 37.5 << "37.5";
        QTest::newRow("free third") << -1 << 1.0 / 3 << "0.33333333333333";
        QTest::newRow("fifteen significant digits")
            << 6 << 123456789012.345678 << "123456789012.346000";
        QTest::newRow("carry into a new digit") << 6 << 999.9999996 << "1000.000000";
        QTest::newRow("below the last decimal") << 6 << 0.0000004 << "0.000000";
        QTest::newRow("half of the last decimal") << 6 << 0.0000005 << "0.000001";
        QTest::newRow("negative") << 6 << -33.5 << "-33.500000";
    }
    void formatsStandard() {
        QFETCH(int, decimals);
        QFETCH(double, value);
        QFETCH(QString, text);
        NumEdit f;
        f.SetDecimals(decimals);
        f.SetFloat(value);
        QCOMPARE(f.text(), text);
        QCOMPARE(f.FormatValue(value), text);
    }

    void settingsAreHeldInTheirRanges() {
        NumEdit f;
        QCOMPARE(f.text(), QStringLiteral("0"));
        QCOMPARE(f.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        f.SetDecimals(-5);
        QCOMPARE(f.Decimals(), -1);
        f.SetDecimals(20);
        QCOMPARE(f.Decimals(), 14);
        f.SetMaxLength(5);
        QCOMPARE(f.Decimals(), 3);
        QCOMPARE(f.text(), QStringLiteral("0.000"));

        f.SetMinValue(5); // above MaxValue 0: ignored
        QCOMPARE(double(f.MinValue()), 0.0);
        f.SetMaxValue(59);
        f.SetMinValue(5);
        QCOMPARE(double(f.MinValue()), 5.0);
        f.SetMaxValue(1); // below MinValue: ignored
        QCOMPARE(double(f.MaxValue()), 59.0);
        f.SetRange(100, 200);
        QCOMPARE(double(f.MinValue()), 100.0);
        QCOMPARE(double(f.MaxValue()), 200.0);
        f.SetRange(-90, -80);
        QCOMPARE(double(f.MinValue()), -90.0);
        QCOMPARE(double(f.MaxValue()), -80.0);
    }

    void readsNumbersAndRefusesOtherTexts() {
        NumEdit f;
        f.setText(QStringLiteral("-7.9"));
        QCOMPARE(f.AsInteger(), -7);
        QCOMPARE(double(f.AsFloat()), -7.9);
        f.setText(QString());
        QCOMPARE(double(f.AsFloat()), 0.0);
        f.setText(QStringLiteral("-"));
        QCOMPARE(double(f.AsFloat()), 0.0);
        f.setText(QStringLiteral("12."));
        QCOMPARE(double(f.AsFloat()), 12.0);
        f.setText(QStringLiteral("1.5E3"));
        QCOMPARE(double(f.AsFloat()), 1500.0);
        f.setText(QStringLiteral("1E-6000"));
        QCOMPARE(double(f.AsFloat()), 0.0);
        f.setText(QStringLiteral("1E99999"));
        QVERIFY_THROWS_EXCEPTION(NumberConversionError, f.AsFloat());
        f.setText(QStringLiteral("3000000000"));
        QCOMPARE(f.AsInteger(), std::numeric_limits<std::int32_t>::max());

        for (const char* bad : {"1E", "E", "abc", "1.2.3", "--1", "1-", "."}) {
            f.setText(QString::fromLatin1(bad));
            try {
                f.AsFloat();
                QFAIL(qPrintable(QStringLiteral("read a number from '%1'").arg(bad)));
            } catch (const NumberConversionError& e) {
                QCOMPARE(QString::fromLatin1(e.what()),
                         QStringLiteral("'%1' is not a valid floating point value").arg(bad));
            }
        }
    }

    void settingTheValueShownRaisesNoChange() {
        NumEdit f;
        QSignalSpy changes(&f, &QLineEdit::textChanged);
        QSignalSpy edits(&f, &NumEdit::UserEdited);
        f.SetInteger(45);
        QCOMPARE(f.text(), QStringLiteral("45"));
        QCOMPARE(changes.count(), 1);
        f.SetInteger(45);
        f.SetFloat(45.0L);
        QCOMPARE(changes.count(), 1);
        f.SetDecimals(6);
        QCOMPARE(f.text(), QStringLiteral("45.000000"));
        f.SetValue(45);
        QCOMPARE(changes.count(), 2);
        QCOMPARE(edits.count(), 0); // set by the program, not edited by the user
        // No range check when the program sets a value.
        f.SetRange(0, 59);
        f.SetValue(75);
        QCOMPARE(f.text(), QStringLiteral("75.000000"));
    }

    void typingIntoFixedDecimals() {
        Host h;
        QVERIFY(h.Ready());
        h.field->SetDecimals(6);
        h.Enter();
        QVERIFY(h.field->hasFocus());
        QCOMPARE(h.field->selectedText(), QStringLiteral("0.000000"));
        QSignalSpy beeps(h.field, &NumEdit::WarningBeep);
        QSignalSpy edits(h.field, &NumEdit::UserEdited);
        QTest::keyClicks(h.field, QStringLiteral("45.1"));
        QCOMPARE(h.field->text(), QStringLiteral("45.100000"));
        QCOMPARE(h.field->cursorPosition(), 4);
        QCOMPARE(beeps.count(), 0);
        QCOMPARE(edits.count(), 3); // the separator only moved the caret

        // After the sixth decimal a further digit beeps and changes nothing.
        h.field->setCursorPosition(9);
        QTest::keyClick(h.field, Qt::Key_7);
        QCOMPARE(h.field->text(), QStringLiteral("45.100000"));
        QCOMPARE(beeps.count(), 1);

        // Backspace over a decimal keeps their count.
        h.field->setText(QStringLiteral("45.123456"));
        h.field->setCursorPosition(8);
        QTest::keyClick(h.field, Qt::Key_Backspace);
        QCOMPARE(h.field->text(), QStringLiteral("45.123460"));
        QCOMPARE(h.field->cursorPosition(), 7);
        // Delete of the separator deletes the digit beyond it.
        h.field->setCursorPosition(2);
        QTest::keyClick(h.field, Qt::Key_Delete);
        QCOMPARE(h.field->text(), QStringLiteral("45.234600"));
    }

    void minusTogglesTheSign() {
        Host h;
        QVERIFY(h.Ready());
        h.Enter();
        for (int caret = 0; caret <= 4; ++caret) {
            h.field->setText(QStringLiteral("12.5"));
            h.field->setCursorPosition(caret);
            QTest::keyClick(h.field, Qt::Key_Minus);
            QCOMPARE(h.field->text(), QStringLiteral("-12.5"));
            QCOMPARE(h.field->cursorPosition(), caret + 1); // on the same digit
            QTest::keyClick(h.field, Qt::Key_Minus);
            QCOMPARE(h.field->text(), QStringLiteral("12.5"));
            QCOMPARE(h.field->cursorPosition(), caret);
        }
        // In an exponent it toggles the exponent's sign.
        h.field->setText(QStringLiteral("1.5E3"));
        h.field->setCursorPosition(5);
        QTest::keyClick(h.field, Qt::Key_Minus);
        QCOMPARE(h.field->text(), QStringLiteral("1.5E-3"));
        QCOMPARE(h.field->cursorPosition(), 6);
    }

    void digitsReplaceALeadingZero() {
        Host h;
        QVERIFY(h.Ready());
        h.field->SetDecimals(6);
        h.Enter();
        // Minus first, then the digits: the zero after the sign is replaced.
        QTest::keyClicks(h.field, QStringLiteral("-33.5"));
        QCOMPARE(h.field->text(), QStringLiteral("-33.500000"));
        QCOMPARE(double(h.field->AsFloat()), -33.5);

        h.field->SetDecimals(-1);
        h.field->setText(QStringLiteral("0"));
        h.field->setCursorPosition(1);
        QTest::keyClick(h.field, Qt::Key_5);
        QCOMPARE(h.field->text(), QStringLiteral("5"));
    }

    void refusedKeysBeep() {
        Host h;
        QVERIFY(h.Ready());
        h.field->SetDecimals(0);
        h.Enter();
        QSignalSpy beeps(h.field, &NumEdit::WarningBeep);
        QTest::keyClicks(h.field, QStringLiteral("12"));
        QTest::keyClick(h.field, Qt::Key_Period);
        QCOMPARE(h.field->text(), QStringLiteral("12"));
        QCOMPARE(beeps.count(), 1);
        QTest::keyClicks(h.field, QStringLiteral("a /"));
        QCOMPARE(h.field->text(), QStringLiteral("12"));
        QCOMPARE(beeps.count(), 4);

        // The character limit applies to what is typed.
        h.field->SetMaxLength(3);
        QTest::keyClicks(h.field, QStringLiteral("34"));
        QCOMPARE(h.field->text(), QStringLiteral("123"));
        QCOMPARE(beeps.count(), 5);
        // The program may still set a longer text.
        h.field->SetInteger(123456);
        QCOMPARE(h.field->text(), QStringLiteral("123456"));
    }

    void exponentRules() {
        Host h;
        QVERIFY(h.Ready());
        h.Enter();
        QSignalSpy beeps(h.field, &NumEdit::WarningBeep);
        QTest::keyClicks(h.field, QStringLiteral("2e493"));
        QCOMPARE(h.field->text(), QStringLiteral("2E493"));
        QTest::keyClick(h.field, Qt::Key_3); // 4933 is beyond the extended range
        QCOMPARE(h.field->text(), QStringLiteral("2E493"));
        QCOMPARE(beeps.count(), 1);
        QTest::keyClick(h.field, Qt::Key_2);
        QCOMPARE(h.field->text(), QStringLiteral("2E4932"));
        // A second "E" only moves the caret behind the first.
        h.field->setCursorPosition(0);
        QTest::keyClick(h.field, Qt::Key_E);
        QCOMPARE(h.field->text(), QStringLiteral("2E4932"));
        QCOMPARE(h.field->cursorPosition(), 2);
    }

    void deletingKeepsANumber() {
        Host h;
        QVERIFY(h.Ready());
        h.Enter();
        // The only digit before the point leaves a 0.
        h.field->setText(QStringLiteral("5.25"));
        h.field->setCursorPosition(1);
        QTest::keyClick(h.field, Qt::Key_Backspace);
        QCOMPARE(h.field->text(), QStringLiteral("0.25"));
        QCOMPARE(h.field->cursorPosition(), 0);
        // Deleting the leading minus removes it.
        h.field->setText(QStringLiteral("-7"));
        h.field->setCursorPosition(0);
        QTest::keyClick(h.field, Qt::Key_Delete);
        QCOMPARE(h.field->text(), QStringLiteral("7"));
        // Nothing to delete at the ends.
        QTest::keyClick(h.field, Qt::Key_Backspace);
        QCOMPARE(h.field->text(), QStringLiteral("7"));
        // A whole selection deleted gives the formatted 0.
        h.field->SetDecimals(2);
        h.field->setText(QStringLiteral("12.50"));
        h.field->selectAll();
        QTest::keyClick(h.field, Qt::Key_Delete);
        QCOMPARE(h.field->text(), QStringLiteral("0.00"));
        // A part selected: Backspace once per character, the point not counted.
        h.field->setText(QStringLiteral("123.45"));
        h.field->setSelection(1, 2); // "23"
        QTest::keyClick(h.field, Qt::Key_Backspace);
        QCOMPARE(h.field->text(), QStringLiteral("1.45"));
        h.field->setText(QStringLiteral("123.45"));
        h.field->setSelection(2, 3); // "3.4"
        QTest::keyClick(h.field, Qt::Key_Backspace);
        QCOMPARE(h.field->text(), QStringLiteral("12.50"));
    }

    void boundsApplyWhenLeaving() {
        Host h;
        QVERIFY(h.Ready());
        h.field->SetRange(0, 59);
        h.Enter();
        QSignalSpy beeps(h.field, &NumEdit::WarningBeep);
        QSignalSpy exits(h.field, &NumEdit::Exited);
        QSignalSpy edits(h.field, &NumEdit::UserEdited);
        QTest::keyClicks(h.field, QStringLiteral("75"));
        QCOMPARE(h.field->text(), QStringLiteral("75")); // typed values are not refused
        edits.clear();
        QTest::keyClick(h.field, Qt::Key_Tab);
        QCOMPARE(h.field->text(), QStringLiteral("59"));
        QCOMPARE(beeps.count(), 1);
        QCOMPARE(exits.count(), 0);
        QCOMPARE(edits.count(), 1); // the pull to the bound is the user's change
        QTRY_VERIFY(h.field->hasFocus());

        h.field->selectAll();
        QTest::keyClicks(h.field, QStringLiteral("30"));
        QTest::keyClick(h.field, Qt::Key_Tab);
        QCOMPARE(h.field->text(), QStringLiteral("30"));
        QCOMPARE(exits.count(), 1);
        QTest::qWait(20);
        QVERIFY(h.other->hasFocus());

        // Below the range: the lower bound.
        h.field->SetRange(10, 59);
        h.Enter();
        QTest::keyClicks(h.field, QStringLiteral("5"));
        QTest::keyClick(h.field, Qt::Key_Tab);
        QCOMPARE(h.field->text(), QStringLiteral("10"));
        QTRY_VERIFY(h.field->hasFocus());
    }

    void passingThroughChangesNothing_data() {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<double>("shown");
        QTest::newRow("above the bound") << -1 << 0.0 << 23.0 << 24.0;
        QTest::newRow("below the bound") << 6 << 0.0 << 24.0 << -0.00001;
        QTest::newRow("far beyond") << 6 << -90.0 << 90.0 << 1e30;
        QTest::newRow("not a number") << 6 << -90.0 << 90.0 << std::nan("");
        QTest::newRow("infinite") << 0 << 0.0 << 59.0 << -HUGE_VAL;
    }
    void passingThroughChangesNothing() {
        // A value the program shows, even out of range or no number at all
        // (a damaged data file), is neither corrected nor reported when the
        // focus merely passes through the field.
        QFETCH(int, decimals);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(double, shown);
        Host h;
        QVERIFY(h.Ready());
        h.field->SetDecimals(decimals);
        h.field->SetRange(low, high);
        h.field->SetFloat(static_cast<long double>(shown));
        const QString before = h.field->text();
        QSignalSpy beeps(h.field, &NumEdit::WarningBeep);
        QSignalSpy edits(h.field, &NumEdit::UserEdited);
        QSignalSpy exits(h.field, &NumEdit::Exited);
        QSignalSpy failures(h.field, &NumEdit::ConversionFailed);
        for (int i = 0; i < 2; ++i) {
            h.Enter();
            QTest::keyClick(h.field, Qt::Key_Right); // moves the caret, types nothing
            QTest::keyClick(h.field, Qt::Key_Tab);
            QTest::qWait(5);
            QVERIFY(h.other->hasFocus());
        }
        QCOMPARE(h.field->text(), before);
        QCOMPARE(beeps.count(), 0);
        QCOMPARE(edits.count(), 0);
        QCOMPARE(failures.count(), 0);
        QVERIFY(exits.count() >= 2); // ordinary exits, the focus not held
    }

    void leavingRewritesAndReportsBadTexts() {
        Host h;
        QVERIFY(h.Ready());
        // A field without bounds keeps a negative value.
        h.field->SetDecimals(1);
        h.Enter();
        QTest::keyClicks(h.field, QStringLiteral("-11.5"));
        QTest::keyClick(h.field, Qt::Key_Tab);
        QCOMPARE(h.field->text(), QStringLiteral("-11.5"));
        QTRY_VERIFY(h.other->hasFocus());

        // A partial entry is formatted again.
        h.field->SetDecimals(-1);
        h.Enter();
        QTest::keyClicks(h.field, QStringLiteral("12."));
        QCOMPARE(h.field->text(), QStringLiteral("12."));
        QTest::keyClick(h.field, Qt::Key_Tab);
        QCOMPARE(h.field->text(), QStringLiteral("12"));

        // A text that is no number is reported and left as it is.
        QSignalSpy failures(h.field, &NumEdit::ConversionFailed);
        h.Enter();
        h.field->setText(QStringLiteral("1E"));
        QTest::keyClick(h.field, Qt::Key_Tab);
        QCOMPARE(failures.count(), 1);
        QCOMPARE(failures.at(0).at(0).toString(),
                 QStringLiteral("'1E' is not a valid floating point value"));
        QCOMPARE(h.field->text(), QStringLiteral("1E"));
    }

    void autoSelectAlsoOnAMouseClick() {
        Host h;
        QVERIFY(h.Ready());
        h.field->SetDecimals(6);
        h.field->SetFloat(12.5);
        h.other->setFocus();
        QTest::mouseClick(h.field, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QVERIFY(h.field->hasFocus());
        QCOMPARE(h.field->selectedText(), QStringLiteral("12.500000"));
        // A later click inside the field places the caret as usual.
        QTest::mouseClick(h.field, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QVERIFY(!h.field->hasSelectedText());

        h.field->SetAutoSelect(false);
        h.other->setFocus();
        h.Enter();
        QVERIFY(!h.field->hasSelectedText());
    }

    void clipboardGoesThroughTheFilter() {
        Host h;
        QVERIFY(h.Ready());
        h.Enter();
        QSignalSpy beeps(h.field, &NumEdit::WarningBeep);
        QGuiApplication::clipboard()->setText(QStringLiteral("12a.5"));
        QTest::keySequence(h.field, QKeySequence::Paste);
        QCOMPARE(h.field->text(), QStringLiteral("12.5"));
        QCOMPARE(beeps.count(), 1);

        h.field->setSelection(0, 2);
        QTest::keySequence(h.field, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("12"));
        h.field->setSelection(3, 1);
        QTest::keySequence(h.field, QKeySequence::Cut);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("5"));
        QCOMPARE(h.field->text(), QStringLiteral("12."));
    }

    void keyPressHandlerRunsFirst() {
        Host h;
        QVERIFY(h.Ready());
        h.field->SetKeyPressHandler([](QChar& c) {
            if (c == QLatin1Char('E') || c == QLatin1Char('e')) {
                c = QChar();
            }
        });
        h.Enter();
        QSignalSpy beeps(h.field, &NumEdit::WarningBeep);
        QTest::keyClicks(h.field, QStringLiteral("3e2"));
        QCOMPARE(h.field->text(), QStringLiteral("32"));
        QCOMPARE(beeps.count(), 0); // dropped by the handler, silently
    }

    void followsTheLocaleSeparators() {
        Host h;
        QVERIFY(h.Ready());
        h.field->SetDecimals(2);
        h.field->SetFloat(12.5);
        QCOMPARE(h.field->text(), QStringLiteral("12.50"));
        h.field->setLocale(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(h.field->DecimalSeparator(), QLatin1Char(','));
        QCOMPARE(h.field->text(), QStringLiteral("12,50"));
        QCOMPARE(double(h.field->AsFloat()), 12.5);
        h.Enter();
        QSignalSpy beeps(h.field, &NumEdit::WarningBeep);
        QTest::keyClicks(h.field, QStringLiteral("3.7"));
        QCOMPARE(beeps.count(), 1); // "." is no separator here
        QTest::keyClicks(h.field, QStringLiteral(",2"));
        QCOMPARE(h.field->text(), QStringLiteral("37,20"));
        h.field->setText(QStringLiteral("1.234,5")); // thousands separators are dropped
        QCOMPARE(double(h.field->AsFloat()), 1234.5);
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::NumEditTest)
#include "NumEditTest.moc"
