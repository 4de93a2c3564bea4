#include "station/HomeStationWindow.h"

#include "controls/ClickPanel.h"
#include "controls/ColorButton.h"
#include "controls/Fonts.h"
#include "controls/NumEdit.h"
#include "controls/RadioGroup.h"
#include "controls/SystemColours.h"
#include "controls/TooltipSettings.h"
#include "station/DataFile.h"
#include "station/GridLocator.h"

#include "../RecordingMessages.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <set>

#include <sys/stat.h>

namespace vantrel {

class HomeStationWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString home_;
    RecordingMessages messages_;
    HomeStation station_;

    QString DataPath() const { return dir_.path() + QStringLiteral("/Vantrel.dat"); }
    void Store(const HomeStation& h) {
        RecordingMessages quiet;
        QVERIFY(DataFile(quiet, dir_.path().toStdString()).Write(h));
    }
    QByteArray FileBytes() const {
        QFile f(DataPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static HomeStation Sample() {
        HomeStation h;
        h.Latitude = -26.3L;
        h.Longitude = 27.6L;
        h.HeightAsl = 123.7L;
        h.UtcOffset = 5.75L;
        h.UserSourceRa = 18.5L;
        h.UserSourceDec = -16.25L;
        h.UserSourceName = "W38 M17";
        h.Location = "Johannesburg";
        h.CallSign = "ZS6ABC";
        h.CalcInterval = 15;
        h.HintOption = 2;
        return h;
    }
    /// Gives `field` the focus as the Tab key does.
    static void Enter(QWidget* field) {
        field->window()->setFocus(); // away first, so that the field is entered anew
        field->setFocus(Qt::TabFocusReason);
    }
    static void Open(TForm2& w, QWidget& main) { w.OpenBeside(&main); }
    static QString Parts(NumEdit* d, NumEdit* m, NumEdit* s) {
        return d->text() + ' ' + m->text() + ' ' + s->text();
    }

    /// The record bit for bit: the ten significant bytes of every extended
    /// value (so NaNs and signed zeros compare too), the texts and settings.
    static QByteArray Bits(const HomeStation& h) {
        QByteArray b;
        for (const long double* v : {&h.Latitude, &h.Longitude, &h.HeightAsl, &h.UtcOffset,
                                     &h.UserSourceRa, &h.UserSourceDec}) {
            b.append(reinterpret_cast<const char*>(v), 10);
        }
        for (const std::string* t : {&h.Location, &h.UserSourceName, &h.CallSign}) {
            b.append(QByteArray::fromStdString(*t)).append('\0');
        }
        for (const std::int32_t* i : {&h.CalcInterval, &h.HintOption, &h.SourceOption}) {
            b.append(reinterpret_cast<const char*>(i), sizeof *i);
        }
        b.append(static_cast<char>(h.DisplayMode));
        return b;
    }
    /// Presses `key` where the focus is and releases it where the focus
    /// went, as a keyboard does: the release runs the new field's reactions.
    static QWidget* Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyPress(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
        QWidget* now = QApplication::focusWidget();
        QTest::keyRelease(now, static_cast<Qt::Key>(key), modifiers);
        QCoreApplication::processEvents(); // a pulled field would take the focus back here
        return QApplication::focusWidget();
    }
    static std::vector<NumEdit*> NumberFields(TForm2& w) {
        return {w.LatitudeDegrees,  w.LatitudeMinutes,  w.LatitudeSeconds,  w.LatitudeDecimal,
                w.LongitudeDegrees, w.LongitudeMinutes, w.LongitudeSeconds, w.LongitudeDecimal,
                w.UtcOffsetField,   w.HeightField,      w.RaHours,          w.RaMinutes,
                w.RaSeconds,        w.RaDecimal,        w.DecDegrees,       w.DecMinutes,
                w.DecSeconds,       w.DecDecimal};
    }

private slots:
    void initTestCase() {
        InstallFontSubstitutes();
        QVERIFY(dir_.isValid());
        home_ = QDir::currentPath();
    }
    void init() {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
        QVERIFY(QDir::setCurrent(dir_.path()));
        messages_.said.clear();
        station_ = HomeStation{};
    }
    void cleanup() {
        ::chmod(DataPath().toLocal8Bit().constData(), 0644);
        QDir::setCurrent(home_);
    }

    void withoutDataFileShowsTheZeroStation() {
        TForm2 w(station_, messages_);
        QCOMPARE(messages_.said, std::vector<std::string>{"Warning|Warning|File not found"});
        QVERIFY(!w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("Home Station Data"));
        QCOMPARE(w.Panel11->Caption(), QStringLiteral("N"));
        QCOMPARE(w.Panel12->Caption(), QStringLiteral("W"));
        QCOMPARE(Parts(w.LatitudeDegrees, w.LatitudeMinutes, w.LatitudeSeconds),
                 QStringLiteral("0 0 0"));
        QCOMPARE(w.LatitudeDecimal->text(), QStringLiteral("0.000000"));
        QCOMPARE(w.Edit2->text(), QStringLiteral("IJ90xa"));
        QCOMPARE(w.HeightField->text(), QStringLiteral("0"));
        QCOMPARE(w.UtcOffsetField->text(), QStringLiteral("0.00"));
        QCOMPARE(w.Edit11->text(), QString());
        QCOMPARE(w.Edit12->text(), QString());
        // The user source panel and the hints keep their design until opened.
        QCOMPARE(w.Edit1->text(), QStringLiteral("User Defined"));
        QCOMPARE(w.Panel3->Caption(), QStringLiteral("+"));
        QCOMPARE(w.RadioGroup2->ItemIndex(), -1);
        QCOMPARE(station_, HomeStation{});
    }

    void refreshingChangesOnlyAnOffsetBeyondADay() {
        HomeStation h = Sample();
        h.UtcOffset = 30; // no local time of day: shown and kept as 0
        Store(h);
        TForm2 w(station_, messages_);
        QVERIFY(messages_.said.empty());
        QVERIFY(station_.UtcOffset == 0);
        QCOMPARE(w.UtcOffsetField->text(), QStringLiteral("0.00"));
        h.UtcOffset = 0;
        QCOMPARE(station_, h);
        QCOMPARE(w.HeightField->text(), QStringLiteral("124"));
        QWidget main;
        Open(w, main);
        QCOMPARE(station_, h); // the opening refreshes do not store either

        h.UtcOffset = 5.75L;
        Store(h);
        w.GetHomeDataClick();
        QCOMPARE(w.UtcOffsetField->text(), QStringLiteral("5.75"));
        QVERIFY(station_.HeightAsl == 123.7L);
        QVERIFY(station_.UtcOffset == 5.75L);
        // Tabbing through the fields stores nothing either.
        for (NumEdit* f : {w.LatitudeDecimal, w.LatitudeDegrees, w.HeightField, w.UtcOffsetField}) {
            Enter(f);
            QTest::keyClick(f, Qt::Key_Tab);
        }
        QCOMPARE(station_, h);
    }

    void openingSequence() {
        Store(Sample());
        TForm2 w(station_, messages_);
        QWidget main;
        main.move(100, 50);
        main.resize(400, 300);
        main.show();
        QSignalSpy stops(&w, &TForm2::StopTimer);
        QSignalSpy starts(&w, &TForm2::StartTimer);
        Open(w, main);
        QCOMPARE(stops.count(), 1);
        QCOMPARE(starts.count(), 0);
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowModality(), Qt::NonModal);
        QCOMPARE(w.pos(), main.pos() + QPoint(270, 120));
        QCOMPARE(w.RadioGroup2->ItemIndex(), 2);
        QCOMPARE(w.Panel3->Caption(), QStringLiteral("-"));
        QCOMPARE(Parts(w.RaHours, w.RaMinutes, w.RaSeconds), QStringLiteral("18 30 0"));
        QCOMPARE(Parts(w.DecDegrees, w.DecMinutes, w.DecSeconds), QStringLiteral("16 15 0"));
        QCOMPARE(w.RaDecimal->text(), QStringLiteral("18.500000"));
        QCOMPARE(w.DecDecimal->text(), QStringLiteral("-16.250000"));
        QCOMPARE(w.Edit1->text(), QStringLiteral("W38 M17"));

        // Opening again does not read the file again.
        HomeStation other = Sample();
        other.CallSign = "G4XYZ";
        Store(other);
        station_.Location = "Pretoria";
        Open(w, main);
        QCOMPARE(station_.CallSign, std::string("ZS6ABC"));
        QCOMPARE(w.Edit12->text(), QStringLiteral("Pretoria"));
        QCOMPARE(stops.count(), 2);
    }

    void paintsPanelsAndFollowsTheTabOrder() {
        TForm2 w(station_, messages_);
        QCOMPARE(w.size(), QSize(511, 360));
        QCOMPARE(w.Panel3->toolTip(), QStringLiteral("Select + or -ve Declination"));
        QCOMPARE(w.Panel11->focusPolicy(), Qt::NoFocus);

        // The panels paint their design colours.
        const QImage image = w.grab().toImage();
        QCOMPARE(image.pixelColor(5, 250), ResolveColour(0x00FBEBCA));
        QCOMPARE(image.pixelColor(240, 190), ResolveColour(0x00C6C9FF));
        QCOMPARE(image.pixelColor(52, 350), ResolveColour(0x009FFFF1));
        QCOMPARE(image.pixelColor(500, 357), ResolveColour(colour::kButtonFace));

        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const std::vector<QWidget*> order{w.LatitudeDegrees,
                                          w.LatitudeMinutes,
                                          w.LatitudeSeconds,
                                          w.LatitudeDecimal,
                                          w.LongitudeDegrees,
                                          w.LongitudeMinutes,
                                          w.LongitudeSeconds,
                                          w.LongitudeDecimal,
                                          w.Edit11,
                                          w.Edit12,
                                          w.UtcOffsetField,
                                          w.HeightField,
                                          w.SaveHomeData,
                                          w.GetHomeData,
                                          w.Button1,
                                          w.Edit2,
                                          w.Edit1,
                                          w.RaHours,
                                          w.RaMinutes,
                                          w.RaSeconds,
                                          w.DecDegrees,
                                          w.DecMinutes,
                                          w.DecSeconds,
                                          w.RaDecimal,
                                          w.DecDecimal,
                                          w.RadioGroup2->Item(0),
                                          w.LatitudeDegrees};
        // The hints group is one stop, at its selected item; then the
        // order starts again.
        w.LatitudeDegrees->setFocus(Qt::TabFocusReason);
        for (std::size_t i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(QApplication::focusWidget() == order[i], qPrintable(QString::number(i)));
        }
    }

    void decimalLatitudeTypedNegative() {
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Enter(w.LatitudeDecimal);
        QTest::keyClicks(w.LatitudeDecimal, QStringLiteral("-33.5"));
        QVERIFY(station_.Latitude == -33.5L);
        QCOMPARE(w.Panel11->Caption(), QStringLiteral("S"));
        QCOMPARE(Parts(w.LatitudeDegrees, w.LatitudeMinutes, w.LatitudeSeconds),
                 QStringLiteral("33 30 0"));
        QCOMPARE(w.LatitudeDecimal->text(), QStringLiteral("-33.500000"));

        // 10.99999 shows 11 0 0, never a 60.
        Enter(w.LatitudeDecimal);
        QTest::keyClicks(w.LatitudeDecimal, QStringLiteral("10.99999"));
        QCOMPARE(Parts(w.LatitudeDegrees, w.LatitudeMinutes, w.LatitudeSeconds),
                 QStringLiteral("11 0 0"));
        Enter(w.LatitudeDecimal);
        QTest::keyClicks(w.LatitudeDecimal, QStringLiteral("27.0165"));
        QCOMPARE(Parts(w.LatitudeDegrees, w.LatitudeMinutes, w.LatitudeSeconds),
                 QStringLiteral("27 0 59"));
        QCOMPARE(w.Panel11->Caption(), QStringLiteral("N"));
    }

    void hemisphereToggles() {
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // At zero a click has no lasting effect.
        QTest::mouseClick(w.Panel11, Qt::LeftButton);
        QCOMPARE(w.Panel11->Caption(), QStringLiteral("N"));
        QTest::mouseClick(w.Panel12, Qt::LeftButton);
        QCOMPARE(w.Panel12->Caption(), QStringLiteral("W"));
        QCOMPARE(station_, HomeStation{});

        // With "S" shown, degrees typed give a southern latitude.
        station_.Latitude = -10;
        Open(w, main);
        QCOMPARE(w.Panel11->Caption(), QStringLiteral("S"));
        Enter(w.LatitudeDegrees);
        w.LatitudeDegrees->selectAll();
        QTest::keyClicks(w.LatitudeDegrees, QStringLiteral("45"));
        QVERIFY(station_.Latitude == -45.0L);
        QCOMPARE(w.Edit2->text().mid(1, 1), QStringLiteral("E")); // field 40 to 50 S
        QTest::mouseClick(w.Panel11, Qt::LeftButton);
        QVERIFY(station_.Latitude == 45.0L);
        QCOMPARE(w.Panel11->Caption(), QStringLiteral("N"));
        QCOMPARE(w.LatitudeDecimal->text(), QStringLiteral("45.000000"));

        // E/W both ways, with the locator following.
        station_.Longitude = 27.5L;
        Open(w, main);
        QCOMPARE(w.Panel12->Caption(), QStringLiteral("E"));
        QCOMPARE(w.Edit2->text().left(1), QStringLiteral("K"));
        QTest::mouseClick(w.Panel12, Qt::LeftButton);
        QVERIFY(station_.Longitude == -27.5L);
        QCOMPARE(w.Panel12->Caption(), QStringLiteral("W"));
        QCOMPARE(w.Edit2->text().left(1), QStringLiteral("H"));

        // A minus typed into the degrees changes neither side nor size.
        station_.Longitude = -5.5L;
        Open(w, main);
        Enter(w.LongitudeDegrees);
        w.LongitudeDegrees->setCursorPosition(0);
        QTest::keyClick(w.LongitudeDegrees, Qt::Key_Minus);
        QVERIFY(station_.Longitude == -5.5L);
        QCOMPARE(w.LongitudeDegrees->text(), QStringLiteral("5"));
    }

    void degreesBeyondTheBoundAreStoredAsCorrected() {
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Enter(w.LatitudeDegrees);
        w.LatitudeDegrees->selectAll();
        QTest::keyClicks(w.LatitudeDegrees, QStringLiteral("95"));
        QVERIFY(station_.Latitude == 95.0L); // typed values are stored at once
        QTest::keyClick(w.LatitudeDegrees, Qt::Key_Tab);
        QCOMPARE(w.LatitudeDegrees->text(), QStringLiteral("90"));
        QVERIFY(station_.Latitude == 90.0L);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.LatitudeDegrees));
    }

    void gridFieldDecodesOnlyANewLocator() {
        Store(Sample());
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const HomeStation before = station_;
        QCOMPARE(w.Edit2->text(), QStringLiteral("KG33tq"));

        // Tabbing into and through the field leaves everything alone.
        w.Button1->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w.Button1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Edit2));
        QTest::keyClick(w.Edit2, Qt::Key_Right);
        QTest::keyClick(w.Edit2, Qt::Key_Tab);
        QCOMPARE(station_, before);

        // An incomplete or invalid locator neither moves the station nor
        // forgets its call sign, location and height.
        for (const char* typed : {"kg33X", "JJ00ay", "JJ0Aaa", "TA00aa"}) {
            Enter(w.Edit2);
            w.Edit2->selectAll();
            QTest::keyClicks(w.Edit2, QString::fromLatin1(typed));
            QCOMPARE(station_, before);
            QCOMPARE(w.Edit2->text(), QString::fromLatin1(typed));
        }

        // A complete new locator moves the station to its centre.
        Enter(w.Edit2);
        w.Edit2->selectAll();
        QTest::keyClicks(w.Edit2, QStringLiteral("kg33XS"));
        QCOMPARE(w.Edit2->text(), QStringLiteral("KG33xs"));
        QCOMPARE(Parts(w.LatitudeDegrees, w.LatitudeMinutes, w.LatitudeSeconds),
                 QStringLiteral("26 13 45"));
        QCOMPARE(Parts(w.LongitudeDegrees, w.LongitudeMinutes, w.LongitudeSeconds),
                 QStringLiteral("27 57 30"));
        QCOMPARE(w.Panel11->Caption(), QStringLiteral("S"));
        QCOMPARE(w.Panel12->Caption(), QStringLiteral("E"));
        QCOMPARE(w.LatitudeDecimal->text(), QStringLiteral("-26.229167"));
        QCOMPARE(w.LongitudeDecimal->text(), QStringLiteral("27.958333"));
        QCOMPARE(station_.CallSign, std::string("?"));
        QCOMPARE(station_.Location, std::string("?"));
        QVERIFY(station_.HeightAsl == 0);
        QCOMPARE(w.Edit11->text(), QStringLiteral("?"));
        QCOMPARE(w.HeightField->text(), QStringLiteral("0"));
        QVERIFY(station_.UtcOffset == before.UtcOffset);

        struct Case {
            const char* typed;
            const char* shown;
            const char* latitude;
            const char* longitude;
            const char* ns;
            const char* ew;
        };
        const Case cases[] = {
            {"IO91xl", "IO91xl", "51 28 45", "0 2 30", "N", "W"},
            {"JJ00aa", "JJ00aa", "0 1 15", "0 2 30", "N", "E"},
            {"jj00AA", "JJ00aa", "0 1 15", "0 2 30", "N", "E"}, // the same: nothing moves
            {"JS00aa", "JS00aa", "90 0 0", "0 2 30", "N", "E"}, // held to the pole
            {"IJ90xa", "IJ90xa", "0 1 15", "0 2 30", "N", "W"},
            {"AA00aaq", "AA00aa", "89 58 45", "179 57 30", "S", "W"}, // cut to six
        };
        for (const Case& c : cases) {
            Enter(w.Edit2);
            w.Edit2->selectAll();
            QTest::keyClicks(w.Edit2, QString::fromLatin1(c.typed));
            QCOMPARE(w.Edit2->text(), QString::fromLatin1(c.shown));
            QCOMPARE(Parts(w.LatitudeDegrees, w.LatitudeMinutes, w.LatitudeSeconds),
                     QString::fromLatin1(c.latitude));
            QCOMPARE(Parts(w.LongitudeDegrees, w.LongitudeMinutes, w.LongitudeSeconds),
                     QString::fromLatin1(c.longitude));
            QCOMPARE(w.Panel11->Caption(), QString::fromLatin1(c.ns));
            QCOMPARE(w.Panel12->Caption(), QString::fromLatin1(c.ew));
        }
        QVERIFY(station_.Latitude < -89.97L);

        // From 0/0 its own locator IJ90xa is no move.
        station_ = before;
        station_.Latitude = 0;
        station_.Longitude = 0;
        Open(w, main);
        QCOMPARE(w.Edit2->text(), QStringLiteral("IJ90xa"));
        Enter(w.Edit2);
        w.Edit2->selectAll();
        QTest::keyClicks(w.Edit2, QStringLiteral("IJ90xa"));
        QVERIFY(station_.Latitude == 0 && station_.Longitude == 0);
        QCOMPARE(station_.CallSign, before.CallSign);
    }

    void utcOffsetBounds() {
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Enter(w.UtcOffsetField);
        QTest::keyClicks(w.UtcOffsetField, QStringLiteral("2"));
        QVERIFY(station_.UtcOffset == 2);
        QTest::keyClicks(w.UtcOffsetField, QStringLiteral("4"));
        QVERIFY(station_.UtcOffset == 0);
        QCOMPARE(w.UtcOffsetField->text(), QStringLiteral("0.00"));

        struct Case {
            const char* typed;
            long double stored;
            const char* shown;
        };
        const Case cases[] = {{"-23.5", -23.5L, "-23.50"}, {"-23.6", 0, "0.00"},
                              {"12.75", 12.75L, "12.75"},  {"5.75", 5.75L, "5.75"},
                              {"23.5", 23.5L, "23.50"},    {"23.51", 0, "0.00"}};
        for (const Case& c : cases) {
            Enter(w.UtcOffsetField);
            QTest::keyClicks(w.UtcOffsetField, QString::fromLatin1(c.typed));
            QVERIFY2(station_.UtcOffset == c.stored, c.typed);
            QCOMPARE(w.UtcOffsetField->text(), QString::fromLatin1(c.shown));
        }
        // Height: whole metres shown, what is typed stored.
        Enter(w.HeightField);
        QTest::keyClicks(w.HeightField, QStringLiteral("1450"));
        QVERIFY(station_.HeightAsl == 1450);
    }

    void textFieldsAreCutToTheirCapacity() {
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Enter(w.Edit11);
        QTest::keyClicks(w.Edit11, QStringLiteral("ZS6ABCDEF"));
        QCOMPARE(w.Edit11->text(), QStringLiteral("ZS6ABCDE"));
        QCOMPARE(station_.CallSign, std::string("ZS6ABCDE"));
        Enter(w.Edit12);
        QTest::keyClicks(w.Edit12, QStringLiteral("Johannesburg North"));
        QCOMPARE(w.Edit12->text(), QStringLiteral("Johannesburg No"));
        QCOMPARE(station_.Location, std::string("Johannesburg No"));
        Enter(w.Edit1);
        w.Edit1->selectAll();
        QTest::keyClicks(w.Edit1, QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(w.Edit1->text(), QStringLiteral("ABCDEFGHIJKLMNO"));
        QCOMPARE(station_.UserSourceName, std::string("ABCDEFGHIJKLMNO"));
    }

    void userSourceEntry() {
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Enter(w.RaDecimal);
        QTest::keyClicks(w.RaDecimal, QStringLiteral("12.5"));
        QVERIFY(station_.UserSourceRa == 12.5L);
        QCOMPARE(Parts(w.RaHours, w.RaMinutes, w.RaSeconds), QStringLiteral("12 30 0"));
        Enter(w.DecDecimal);
        QTest::keyClicks(w.DecDecimal, QStringLiteral("-43.01"));
        QVERIFY(station_.UserSourceDec == -43.01L);
        QCOMPARE(Parts(w.DecDegrees, w.DecMinutes, w.DecSeconds), QStringLiteral("43 0 36"));
        QCOMPARE(w.Panel3->Caption(), QStringLiteral("-"));

        // Degrees typed with "-" shown keep the declination southern.
        Enter(w.DecMinutes);
        QTest::keyClicks(w.DecMinutes, QStringLiteral("1"));
        QCOMPARE(Parts(w.DecDegrees, w.DecMinutes, w.DecSeconds), QStringLiteral("43 1 36"));
        QVERIFY(station_.UserSourceDec < -43.02L);
        Enter(w.DecDegrees);
        QTest::keyClicks(w.DecDegrees, QStringLiteral("30"));
        Enter(w.DecMinutes);
        QTest::keyClicks(w.DecMinutes, QStringLiteral("0"));
        Enter(w.DecSeconds);
        QTest::keyClicks(w.DecSeconds, QStringLiteral("0"));
        QVERIFY(station_.UserSourceDec == -30.0L);
        QCOMPARE(w.Panel3->Caption(), QStringLiteral("-"));
        QTest::mouseClick(w.Panel3, Qt::LeftButton);
        QVERIFY(station_.UserSourceDec == 30.0L);
        QCOMPARE(w.Panel3->Caption(), QStringLiteral("+"));
        QCOMPARE(w.DecDecimal->text(), QStringLiteral("30.000000"));
        QTest::mouseClick(w.Panel3, Qt::LeftButton);
        QVERIFY(station_.UserSourceDec == -30.0L);
        QCOMPARE(w.Panel3->Caption(), QStringLiteral("-"));

        // At zero the sign does not change.
        Enter(w.DecDecimal);
        QTest::keyClicks(w.DecDecimal, QStringLiteral("0"));
        QCOMPARE(w.Panel3->Caption(), QStringLiteral("+"));
        QTest::mouseClick(w.Panel3, Qt::LeftButton);
        QCOMPARE(w.Panel3->Caption(), QStringLiteral("+"));
        QVERIFY(station_.UserSourceDec == 0);
    }

    void userSourceBounds() {
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        struct Case {
            NumEdit* field;
            const char* typed;
            const char* corrected;
        };
        const Case cases[] = {
            {w.RaHours, "30", "23"},           {w.RaMinutes, "75", "59"},
            {w.RaSeconds, "99", "59"},         {w.RaDecimal, "25", "24.000000"},
            {w.DecDegrees, "95", "90"},        {w.DecMinutes, "60", "59"},
            {w.DecSeconds, "61", "59"},        {w.DecDecimal, "-95", "-90.000000"},
            {w.RaDecimal, "-2.5", "0.000000"},
        };
        for (const Case& c : cases) {
            // Minutes and seconds carry at once; the bound applies to what
            // the field shows when it is left.
            c.field->SetKeyPressHandler(nullptr);
            Enter(c.field);
            c.field->setText(QString::fromLatin1(c.typed)); // as if typed there
            QTest::keyClick(c.field, Qt::Key_Tab);
            QCOMPARE(c.field->text(), QString::fromLatin1(c.corrected));
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(c.field));
        }
        QVERIFY(station_.UserSourceRa == 0);
        QVERIFY(station_.UserSourceDec == -90.0L);
        // Within the bounds nothing is pulled.
        Enter(w.RaDecimal);
        QTest::keyClicks(w.RaDecimal, QStringLiteral("23.75"));
        QTest::keyClick(w.RaDecimal, Qt::Key_Tab);
        QVERIFY(station_.UserSourceRa == 23.75L);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.DecDecimal));
    }

    void badFieldTextIsReportedAndNothingStored() {
        TForm2 w(station_, messages_);
        messages_.said.clear();
        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.LatitudeDecimal->setText(QStringLiteral("abc"));
        Enter(w.LatitudeDecimal);
        w.LatitudeDecimal->setCursorPosition(3);
        QTest::keyClick(w.LatitudeDecimal, Qt::Key_Backspace);
        QCOMPARE(messages_.said,
                 std::vector<std::string>{"Error||'ab' is not a valid floating point value"});
        QCOMPARE(station_, HomeStation{});
    }

    void saveWritesConfirmsAndCloses() {
        TForm2 w(station_, messages_);
        messages_.said.clear();
        QWidget main;
        Open(w, main);
        QSignalSpy starts(&w, &TForm2::StartTimer);
        station_ = Sample();
        QTest::mouseClick(w.RadioGroup2->Item(3), Qt::LeftButton);
        QCOMPARE(station_.HintOption, 3);
        QTest::mouseClick(w.SaveHomeData, Qt::LeftButton);
        QCOMPARE(messages_.said, std::vector<std::string>{"Information|Information|The Home Set "
                                                          "up Data File has been updated."});
        QVERIFY(!w.isVisible());
        QCOMPARE(starts.count(), 1);
        QCOMPARE(FileBytes().size(), 120);
        HomeStation back;
        RecordingMessages quiet;
        QVERIFY(DataFile(quiet, dir_.path().toStdString()).Read(back));
        QCOMPARE(back, station_);
    }

    void failedSaveKeepsWindowAndFile() {
        Store(Sample());
        TForm2 w(station_, messages_);
        const QByteArray old = FileBytes();
        messages_.said.clear();
        QWidget main;
        Open(w, main);
        QSignalSpy starts(&w, &TForm2::StartTimer);
        station_.CallSign = "G4XYZ";
        QVERIFY(::chmod(DataPath().toLocal8Bit().constData(), 0444) == 0);
        w.SaveHomeDataClick();
        QCOMPARE(messages_.said, std::vector<std::string>{"Error||File access denied"});
        QVERIFY(w.isVisible());
        QCOMPARE(starts.count(), 0);
        QCOMPARE(FileBytes(), old);
    }

    void getHomeDataReloadsAndCloseWritesNothing() {
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        Store(Sample());
        const QByteArray written = FileBytes();
        messages_.said.clear();
        QTest::mouseClick(w.GetHomeData, Qt::LeftButton);
        QVERIFY(messages_.said.empty());
        QCOMPARE(station_, Sample());
        QCOMPARE(w.Edit11->text(), QStringLiteral("ZS6ABC"));
        QCOMPARE(w.LatitudeDecimal->text(), QStringLiteral("-26.300000"));
        QCOMPARE(w.Edit1->text(), QString()); // the user source panel waits for the next opening

        QSignalSpy starts(&w, &TForm2::StartTimer);
        station_.CallSign = "CHANGED";
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(starts.count(), 1);
        QCOMPARE(FileBytes(), written);

        // The close box resumes the real-time display too.
        Open(w, main);
        w.close();
        QVERIFY(!w.isVisible());
        QCOMPARE(starts.count(), 2);
    }

    void hintsChoiceAppliesTheOption() {
        ApplicationTooltips tooltips;
        HomeStation h;
        h.HintOption = 1;
        Store(h);
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QCOMPARE(w.RadioGroup2->ItemIndex(), 1);
        QCOMPARE(tooltips.Behaviour().VisibleMs, 4000);
        QTest::mouseClick(w.RadioGroup2->Item(3), Qt::LeftButton);
        QCOMPARE(station_.HintOption, 3);
        QCOMPARE(tooltips.Behaviour().VisibleMs, 0);
        // An option from a damaged file selects nothing and is not replaced.
        station_.HintOption = 9;
        Open(w, main);
        QCOMPARE(station_.HintOption, 9);
    }

    void passingThroughTheFieldsChangesNothing() {
        // Values at the edges of every field, and values of a damaged file:
        // tabbing through the whole window forwards and backwards, without
        // typing, leaves the record bit for bit as it was opened.
        using R = long double HomeStation::*;
        const long double nan = std::nanl("");
        const long double inf = HUGE_VALL;
        const long double carry = 10 + 59 / 60.0L + 59.9999L / 3600; // 10 59 59.9999
        struct Case {
            const char* name;
            R field;
            long double value;
            bool inRange; ///< every field shows a value within its own bounds
        };
        const Case cases[] = {
            {"RA 23.99999 h", &HomeStation::UserSourceRa, 23.99999L, true},
            {"RA 24 h", &HomeStation::UserSourceRa, 24, true},
            {"RA 0 h", &HomeStation::UserSourceRa, 0, true},
            {"RA -0.00001 h", &HomeStation::UserSourceRa, -0.00001L, true},
            {"RA 59.9999 s carry", &HomeStation::UserSourceRa, 5 + 59 / 60.0L + 59.9999L / 3600,
             true},
            {"RA 23 59 59.9999", &HomeStation::UserSourceRa, 23 + 59 / 60.0L + 59.9999L / 3600,
             true},
            {"RA 25 h", &HomeStation::UserSourceRa, 25, true},
            {"RA -2.5 h", &HomeStation::UserSourceRa, -2.5L, true},
            {"RA NaN", &HomeStation::UserSourceRa, nan, false},
            {"RA infinite", &HomeStation::UserSourceRa, inf, false},
            {"RA 1e30", &HomeStation::UserSourceRa, 1e30L, false},
            {"latitude 89.99999", &HomeStation::Latitude, 89.99999L, true},
            {"latitude -89.99999", &HomeStation::Latitude, -89.99999L, true},
            {"latitude 90", &HomeStation::Latitude, 90, true},
            {"latitude -90", &HomeStation::Latitude, -90, true},
            {"latitude -0.00001", &HomeStation::Latitude, -0.00001L, true},
            {"latitude -0", &HomeStation::Latitude, -0.0L, true},
            {"latitude seconds carry", &HomeStation::Latitude, carry, true},
            {"latitude 95", &HomeStation::Latitude, 95, false},
            {"latitude NaN", &HomeStation::Latitude, nan, false},
            {"latitude -infinite", &HomeStation::Latitude, -inf, false},
            {"latitude 1e30", &HomeStation::Latitude, 1e30L, false},
            {"longitude 179.99999", &HomeStation::Longitude, 179.99999L, true},
            {"longitude -179.99999", &HomeStation::Longitude, -179.99999L, true},
            {"longitude 180", &HomeStation::Longitude, 180, true},
            {"longitude -180", &HomeStation::Longitude, -180, true},
            {"longitude -0.00001", &HomeStation::Longitude, -0.00001L, true},
            {"longitude seconds carry", &HomeStation::Longitude, -carry, true},
            {"longitude NaN", &HomeStation::Longitude, nan, false},
            {"longitude -1e30", &HomeStation::Longitude, -1e30L, false},
            {"declination 89.99999", &HomeStation::UserSourceDec, 89.99999L, true},
            {"declination -89.99999", &HomeStation::UserSourceDec, -89.99999L, true},
            {"declination 90", &HomeStation::UserSourceDec, 90, true},
            {"declination -90", &HomeStation::UserSourceDec, -90, true},
            {"declination -0.00001", &HomeStation::UserSourceDec, -0.00001L, true},
            {"declination seconds carry", &HomeStation::UserSourceDec, -carry, true},
            {"declination 179.99999", &HomeStation::UserSourceDec, 179.99999L, false},
            {"declination -179.99999", &HomeStation::UserSourceDec, -179.99999L, false},
            {"declination NaN", &HomeStation::UserSourceDec, nan, false},
            {"declination 1e30", &HomeStation::UserSourceDec, 1e30L, false},
            {"UTC offset 23.5", &HomeStation::UtcOffset, 23.5L, true},
            {"UTC offset -23.5", &HomeStation::UtcOffset, -23.5L, true},
            {"UTC offset 30", &HomeStation::UtcOffset, 30, true}, // made 0 when shown
            {"UTC offset NaN", &HomeStation::UtcOffset, nan, true},
            {"height 123.7", &HomeStation::HeightAsl, 123.7L, true},
            {"height NaN", &HomeStation::HeightAsl, nan, true},
            {"height -infinite", &HomeStation::HeightAsl, -inf, true},
            {"height 1e30", &HomeStation::HeightAsl, 1e30L, true},
        };
        TForm2 w(station_, messages_);
        QWidget main;
        const std::vector<QWidget*> stops{w.LatitudeDegrees,
                                          w.LatitudeMinutes,
                                          w.LatitudeSeconds,
                                          w.LatitudeDecimal,
                                          w.LongitudeDegrees,
                                          w.LongitudeMinutes,
                                          w.LongitudeSeconds,
                                          w.LongitudeDecimal,
                                          w.Edit11,
                                          w.Edit12,
                                          w.UtcOffsetField,
                                          w.HeightField,
                                          w.SaveHomeData,
                                          w.GetHomeData,
                                          w.Button1,
                                          w.Edit2,
                                          w.Edit1,
                                          w.RaHours,
                                          w.RaMinutes,
                                          w.RaSeconds,
                                          w.DecDegrees,
                                          w.DecMinutes,
                                          w.DecSeconds,
                                          w.RaDecimal,
                                          w.DecDecimal};
        const auto inHints = [&w](QWidget* f) {
            return f != nullptr && f->parentWidget() == w.RadioGroup2;
        };
        for (const Case& c : cases) {
            station_ = Sample();
            station_.*(c.field) = c.value;
            messages_.said.clear();
            Open(w, main);
            QVERIFY(QTest::qWaitForWindowActive(&w));
            const QByteArray opened = Bits(station_);
            if (c.inRange) {
                for (NumEdit* f : NumberFields(w)) {
                    if (f->MinValue() != 0 || f->MaxValue() != 0) {
                        const long double v = f->AsFloat();
                        QVERIFY2(v >= f->MinValue() && v <= f->MaxValue(),
                                 qPrintable(
                                     QStringLiteral("%1: %2 shows %3")
                                         .arg(QLatin1String(c.name), f->objectName(), f->text())));
                    }
                }
            }
            std::set<QWidget*> visited;
            w.LatitudeDegrees->setFocus(Qt::TabFocusReason);
            visited.insert(QApplication::focusWidget());
            // Every stop and the hints group once, and back to the start.
            for (std::size_t i = 0; i <= stops.size(); ++i) {
                visited.insert(Press(Qt::Key_Tab));
            }
            QWidget* const turned = QApplication::focusWidget();
            for (std::size_t i = 0; i <= stops.size(); ++i) {
                visited.insert(Press(Qt::Key_Backtab, Qt::ShiftModifier));
            }
            QTest::qWait(1);
            QVERIFY2(Bits(station_) == opened, c.name);
            QVERIFY2(messages_.said.empty(), c.name);
            // No field held the focus back: the walk went round both ways.
            QCOMPARE(turned, static_cast<QWidget*>(w.LatitudeDegrees));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.LatitudeDegrees));
            QVERIFY(std::any_of(visited.begin(), visited.end(), inHints));
            for (QWidget* stop : stops) {
                QVERIFY2(visited.count(stop) == 1,
                         qPrintable(QLatin1String(c.name) + ' ' + stop->objectName() + ' ' +
                                    stop->metaObject()->className()));
            }
        }
    }

    void rightAscensionShowsModulo24Hours() {
        struct Case {
            long double ra;
            const char* parts;
            const char* decimal;
        };
        const Case cases[] = {
            {23.99999L, "0 0 0", "23.999990"},  {24, "0 0 0", "0.000000"},
            {23.9999999L, "0 0 0", "0.000000"}, {25.5L, "1 30 0", "1.500000"},
            {-2.5L, "21 30 0", "21.500000"},    {-0.00001L, "0 0 0", "23.999990"},
            {18.5L, "18 30 0", "18.500000"},
        };
        TForm2 w(station_, messages_);
        QWidget main;
        for (const Case& c : cases) {
            station_.UserSourceRa = c.ra;
            Open(w, main);
            QCOMPARE(Parts(w.RaHours, w.RaMinutes, w.RaSeconds), QString::fromLatin1(c.parts));
            QCOMPARE(w.RaDecimal->text(), QString::fromLatin1(c.decimal));
            QVERIFY(station_.UserSourceRa == c.ra); // shown, not stored
        }
        // Shift+Tab into the hours and out again: still 23.99999 h.
        station_.UserSourceRa = 23.99999L;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.RaMinutes->setFocus(Qt::TabFocusReason);
        QCOMPARE(Press(Qt::Key_Backtab, Qt::ShiftModifier), static_cast<QWidget*>(w.RaHours));
        QCOMPARE(Press(Qt::Key_Tab), static_cast<QWidget*>(w.RaMinutes));
        QVERIFY(station_.UserSourceRa == 23.99999L);
        // Hours typed beyond a day are the same hour of the turn.
        Enter(w.RaHours);
        QTest::keyClicks(w.RaHours, QStringLiteral("30"));
        QVERIFY(station_.UserSourceRa == 6);
        QCOMPARE(Parts(w.RaHours, w.RaMinutes, w.RaSeconds), QStringLiteral("6 0 0"));
        // Typed into the decimal field, the digits stay as typed.
        Enter(w.RaDecimal);
        QTest::keyClicks(w.RaDecimal, QStringLiteral("-2.5"));
        QVERIFY(station_.UserSourceRa == -2.5L);
        QCOMPARE(w.RaDecimal->text(), QStringLiteral("-2.500000"));
        QCOMPARE(Parts(w.RaHours, w.RaMinutes, w.RaSeconds), QStringLiteral("21 30 0"));
    }

    void damagedValuesShowSanely() {
        const long double nan = std::nanl("");
        HomeStation h = Sample();
        h.Latitude = nan;
        h.Longitude = 1e30L;
        h.UserSourceRa = HUGE_VALL;
        h.UserSourceDec = -1e30L;
        h.HeightAsl = nan;
        h.UtcOffset = -99;
        station_ = h;
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QVERIFY(station_.UtcOffset == 0);
        QCOMPARE(w.UtcOffsetField->text(), QStringLiteral("0.00"));
        // No part of a number that is none, nor a ten-digit degree field.
        for (NumEdit* f : {w.LatitudeDegrees, w.LatitudeMinutes, w.LatitudeSeconds,
                           w.LongitudeDegrees, w.LongitudeMinutes, w.LongitudeSeconds, w.RaHours,
                           w.RaMinutes, w.RaSeconds, w.DecDegrees, w.DecMinutes, w.DecSeconds}) {
            QVERIFY2(f->text().isEmpty(), qPrintable(f->objectName() + ' ' + f->text()));
        }
        QCOMPARE(w.LatitudeDecimal->text(), QStringLiteral("NAN"));
        QCOMPARE(w.RaDecimal->text(), QStringLiteral("INF"));
        // A huge number reads as one, in exponent form, not as 31 digits.
        QCOMPARE(w.LongitudeDecimal->text(), QStringLiteral("1.000000E+30"));
        QCOMPARE(w.DecDecimal->text(), QStringLiteral("-1.000000E+30"));
        QCOMPARE(w.HeightField->text(), QStringLiteral("NAN"));
        QCOMPARE(w.Edit2->text(), QString()); // no locator for no position
        QVERIFY(std::isnan(station_.Latitude) && std::isnan(station_.HeightAsl));

        // A value typed into an empty part starts from nothing.
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Enter(w.LatitudeDegrees);
        QTest::keyClicks(w.LatitudeDegrees, QStringLiteral("45"));
        QVERIFY(station_.Latitude == 45);
        QCOMPARE(Parts(w.LatitudeDegrees, w.LatitudeMinutes, w.LatitudeSeconds),
                 QStringLiteral("45 0 0"));
        // A locator typed gives the whole position back.
        Enter(w.Edit2);
        QTest::keyClicks(w.Edit2, QStringLiteral("IJ90xa"));
        QVERIFY(std::isfinite(station_.Longitude) && station_.Longitude < 0);
        QCOMPARE(w.Edit2->text(), QStringLiteral("IJ90xa"));

        // The offset rule at creation, from the file.
        for (const long double offset : {30.0L, -99.0L, nan, 23.6L}) {
            HomeStation f = Sample();
            f.UtcOffset = offset;
            Store(f);
            TForm2 created(station_, messages_);
            QVERIFY(station_.UtcOffset == 0);
            QCOMPARE(created.UtcOffsetField->text(), QStringLiteral("0.00"));
        }
    }

    void invalidLocatorShowsRedUntilLeft() {
        Store(Sample());
        TForm2 w(station_, messages_);
        QWidget main;
        Open(w, main);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const HomeStation before = station_;
        const QColor usual = w.Edit2->palette().color(QPalette::Text);
        QVERIFY(usual != QColor(Qt::red));
        struct Case {
            const char* typed;
            const char* hint;
        };
        const Case cases[] = {
            {"JJ00ay", "Not a locator: the 6th character must be a letter from A to X"},
            {"JT00aa", "Not a locator: the 2nd character must be a letter from A to S"},
            {"JJ0A", "Not a locator: the 4th character must be a digit from 0 to 9"},
        };
        for (const Case& c : cases) {
            Enter(w.Edit2);
            w.Edit2->selectAll();
            QTest::keyClicks(w.Edit2, QString::fromLatin1(c.typed));
            QCOMPARE(w.Edit2->text(), QString::fromLatin1(c.typed));
            QCOMPARE(w.Edit2->palette().color(QPalette::Text), QColor(Qt::red));
            QCOMPARE(w.Edit2->toolTip(), QString::fromLatin1(c.hint));
            QCOMPARE(station_, before);
            // Leaving returns the field to the station's own locator.
            QTest::keyClick(w.Edit2, Qt::Key_Tab);
            QCOMPARE(w.Edit2->text(), QStringLiteral("KG33tq"));
            QCOMPARE(w.Edit2->palette().color(QPalette::Text), usual);
            QCOMPARE(w.Edit2->toolTip(), QString());
        }
        // Corrected in place, it decodes and the red goes.
        Enter(w.Edit2);
        w.Edit2->selectAll();
        QTest::keyClicks(w.Edit2, QStringLiteral("JJ00ay"));
        QTest::keyClick(w.Edit2, Qt::Key_Backspace);
        QCOMPARE(w.Edit2->palette().color(QPalette::Text), usual); // "JJ00a" may yet be one
        QTest::keyClicks(w.Edit2, QStringLiteral("b"));
        QCOMPARE(w.Edit2->text(), QStringLiteral("JJ00ab"));
        QCOMPARE(w.Edit2->palette().color(QPalette::Text), usual);
        QCOMPARE(w.Edit2->toolTip(), QString());
        QVERIFY(station_.Latitude > 0 && station_.Latitude < 0.1L);
        // A position off the globe (a damaged file) has a locator that does
        // not decode; tabbing into the field does not flag it.
        station_.Latitude = 100;
        Open(w, main);
        w.Button1->setFocus(Qt::TabFocusReason);
        QCOMPARE(Press(Qt::Key_Tab), static_cast<QWidget*>(w.Edit2));
        QVERIFY(!LocatorFault(w.Edit2->text().toStdString()).empty());
        QCOMPARE(w.Edit2->palette().color(QPalette::Text), usual);
        QVERIFY(station_.Latitude == 100);
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::HomeStationWindowTest)
#include "HomeStationWindowTest.moc"
