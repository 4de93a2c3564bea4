// Pictures of the EME window for looking at it as a user would: a German
// station and a Texan DX station at a given instant, then with refraction,
// a minimum elevation at the DX station and a skyline at home.
// Usage: vantrel-eme-shots OUTPUT_FOLDER (run under Xvfb).

#include "astro/OrbexSunMoon.h"
#include "emewin/DopplerPanel.h"
#include "emewin/DxSkedPanel.h"
#include "emewin/EmeWindow.h"
#include "mainwin/MainWindow.h"

#include "../RecordingMessages.h"
#include "../WindowHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

bool Shoot(vantrel::EmeWindow& w, const QString& path) {
    QElapsedTimer waited;
    waited.start();
    while ((w.Searching() || w.Windows().empty() || (!w.SkyReady() && w.SkyProblem().isEmpty())) &&
           waited.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    w.Tick();
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
    return w.grab().save(path);
}

} // namespace

int main(int argc, char** argv) {
    using namespace vantrel;
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir work;
    HomeStation station;
    station.Latitude = 49.87L;
    station.Longitude = 8.65L;
    station.HeightAsl = 150;
    station.CallSign = "DL0ABC";
    ObservingConditions conditions;
    conditions.FrequencyMHz = 1296;
    test::SetClock clock(EncodeDateTime(2026, 3, 21, 19, 45, 12));
    RecordingMessages messages;
    std::optional<HorizonProfile> horizon;
    EmeWindowServices s;
    s.Station = &station;
    s.Conditions = &conditions;
    s.Clock = &clock;
    s.Messages = &messages;
    s.Horizon = [&]() -> const HorizonProfile* { return horizon ? &*horizon : nullptr; };
    s.Directory = work.path();
    // The Doppler following on the pictures' own instant.
    s.DopplerClock = [] {
        return static_cast<double>(eme::UtcSecondsOf(EncodeDateTime(2026, 3, 21, 19, 45, 12)));
    };
    EmeWindow w(s);
    w.SetDx(QStringLiteral("VK2XYZ QF56od"));
    w.SetDx(QStringLiteral("W5LUA EM13qc"));
    w.show();
    bool ok = Shoot(w, out + QStringLiteral("/eme-window.png"));

    conditions.Refraction = true;
    conditions.FrequencyMHz = 10368;
    horizon.emplace(std::vector<HorizontalDeg>{{0, 4}, {60, 9}, {100, 6}, {200, 3}, {300, 5}});
    w.SetMinElevation(true, QStringLiteral("10"));
    w.Tick();
    ok = Shoot(w, out + QStringLiteral("/eme-window-refraction.png")) && ok;

    // Two metres by day near new Moon: the Sun a few degrees from the Moon, in red,
    // and the galactic plane behind the Moon.
    conditions.Refraction = false;
    conditions.FrequencyMHz = 144;
    horizon.reset();
    w.SetMinElevation(true, QStringLiteral("0"));
    clock.reading.Local = EncodeDateTime(2026, 12, 9, 12, 0, 0);
    w.Tick();
    ok = Shoot(w, out + QStringLiteral("/eme-window-sun-near-moon.png")) && ok;

    // A week of one's own choosing on 23 cm, the window's own band, the Moon
    // by its phase.
    w.SetBand(QStringLiteral("1296"));
    w.SetSearchDays(QStringLiteral("2026-12-14"), QStringLiteral("2026-12-20"));
    ok = Shoot(w, out + QStringLiteral("/eme-window-week.png")) && ok;
    // The DX list over that week, the longest windows first.
    w.DxList->Order->setCurrentIndex(1);
    w.DxList->FindClick();
    {
        QElapsedTimer waited;
        waited.start();
        while (w.DxList->Busy() && waited.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }
    w.resize(w.width(), 1000);
    ok = Shoot(w, out + QStringLiteral("/eme-window-dx-list.png")) && ok;
    w.SetSearchDays(QString(), QString());
    w.SetBand(QString());

    // Doppler following of Hamlib's own dummy rig (model 1) at 1296 MHz,
    // then of a rigctld that is not running.
    conditions.FrequencyMHz = 1296;
    clock.reading.Local = EncodeDateTime(2026, 3, 21, 19, 45, 12);
    w.DopplerFollowing->RigModel->setText(QStringLiteral("1"));
    w.DopplerFollowing->RigDevice->clear();
    w.DopplerFollowing->PeriodS->setText(QStringLiteral("120"));
    w.DopplerFollowing->TxFirst->setChecked(true); // 19:45:12 is in the second minute: receiving
    w.DopplerFollowing->FollowButton->click();
    const auto settle = [&](const QString& wanted) {
        QElapsedTimer waited;
        waited.start();
        while (!w.DopplerFollowing->State->text().contains(wanted) && waited.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    };
    settle(QStringLiteral("Following"));
    ok = Shoot(w, out + QStringLiteral("/eme-window-doppler.png")) && ok;
    w.DopplerFollowing->FollowButton->click();
    settle(QStringLiteral("back at the sked"));
    w.DopplerFollowing->RigModel->setText(QStringLiteral("2"));
    w.DopplerFollowing->RigDevice->setText(QStringLiteral("127.0.0.1:1"));
    w.DopplerFollowing->FollowButton->click();
    settle(QStringLiteral("Trying again"));
    ok = Shoot(w, out + QStringLiteral("/eme-window-doppler-no-rig.png")) && ok;
    w.DopplerFollowing->FollowButton->click();
    settle(QStringLiteral("not back"));

    // The main window's tab strip with the EME tab among the program's own.
    OrbexSunMoon library;
    FixedDaylight daylight(false);
    MainWindowServices m;
    m.Station = &station;
    m.Messages = &messages;
    m.Clock = &clock;
    m.Library = &library;
    m.Daylight = &daylight;
    m.Conditions = &conditions;
    m.WorkingDirectory = work.path().toStdString();
    TForm1 form(m);
    form.resize(1026, 666);
    form.show();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    ok = form.TabSet2->grab().save(out + QStringLiteral("/main-window-tabs.png")) && ok;
    return ok ? 0 : 1;
}
