#pragma once

// What a window test puts around the window: a clock at a chosen instant,
// the Sun and Moon where the test wants them, a field typed into and left
// as a user leaves it, and pictures of the window to look at.

#include "astro/Clock.h"
#include "astro/DateTime.h"
#include "astro/SunMoon.h"
#include "measure/MeasureConstants.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QString>
#include <QTest>
#include <QWidget>

namespace vantrel::test {

/// The local clock at a chosen instant (local time = UTC, days), in a zone
/// without daylight time; the test may move it.
class SetClock final : public LocalClock {
public:
    explicit SetClock(DateTime local) : reading{local, 0, 0, false} {}
    LocalClockReading reading;
    LocalClockReading Now() const override { return reading; }
};

/// The Moon high (azimuth 100°, elevation 33.3°) at its mean distance, the
/// Sun below the horizon (elevation -5°) at 1 AU.
class KnownSunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant&, double, double, double, SunMoonBody b) override {
        body_ = b;
    }
    double GetAzimuth() override { return 100.0; }
    double GetElevation() override { return body_ == SunMoonBody::Sun ? -5.0 : 33.3; }
    double GetGHA() override { return 10.0; }
    double GetDecTopo() override { return 0.0; }
    double GetDistanceKm() override {
        return body_ == SunMoonBody::Sun ? measure::kAstronomicalUnitKm
                                         : measure::kMoonMeanDistanceKm;
    }

private:
    SunMoonBody body_ = SunMoonBody::Moon;
};

/// Puts `text` in `edit` and finishes the edit, as leaving the field does.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->editingFinished();
}

/// Runs the event loop until `done` holds or `ms` have passed; whether it
/// holds.
template <typename Done> bool WaitFor(Done done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QTest::qWait(20);
    }
    return done();
}

/// The ways a user leaves a field, as the rows of a data-driven test.
enum class Leave { Tab, Click, Enter };

/// Adds the column "leave" and a row for each way of leaving a field.
inline void AddLeaveRows() {
    QTest::addColumn<Leave>("leave");
    QTest::newRow("Tab") << Leave::Tab;
    QTest::newRow("click elsewhere") << Leave::Click;
    QTest::newRow("Enter") << Leave::Enter;
}

/// Types `text` over what `field` holds and leaves it by `leave`, a click
/// going to `elsewhere`.
inline void TypeAndLeave(QLineEdit* field, const QString& text, Leave leave, QWidget* elsewhere) {
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
    if (leave == Leave::Tab) {
        QTest::keyClick(field, Qt::Key_Tab);
    } else if (leave == Leave::Click) {
        QTest::mouseClick(elsewhere, Qt::LeftButton);
    } else {
        QTest::keyClick(field, Qt::Key_Return);
    }
    QTest::qWait(20);
}

/// Pictures to look at: with VANTREL_SHOTS set to a folder, `w` as shown is
/// saved there as `name`.
inline void Shoot(QWidget& w, const char* name) {
    const QString folder = qEnvironmentVariable("VANTREL_SHOTS");
    if (!folder.isEmpty()) {
        w.grab().save(folder + QLatin1Char('/') + QLatin1String(name));
    }
}

} // namespace vantrel::test

Q_DECLARE_METATYPE(vantrel::test::Leave)
