// The EME window as a user meets it, headless: the DX station typed and
// remembered in Vanset.ini, the live values being the core's at the clock's
// instant and following the program's frequency, the common windows of the
// next seven days searched off the user-interface thread (again when the DX
// station or the skyline changes), Save CSV and Print, a station out of
// range, and a damaged [EME] section.

#include "emewin/EmeWindow.h"
#include "eme/DxSked.h"
#include "eme/EmeBeam.h"
#include "eme/SkyDegradation.h"
#include "emewin/EmeSkedSetup.h"

#include "eme/EmeCsv.h"
#include "emewin/DopplerPanel.h"
#include "emewin/DxSkedPanel.h"
#include "emewin/EmeSettings.h"

#include "../RecordingMessages.h"
#include "../WindowHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace vantrel {

class EmeWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    HomeStation station_;
    ObservingConditions conditions_;
    test::SetClock clock_{EncodeDateTime(2026, 3, 21, 20, 0, 0)};
    RecordingMessages messages_;
    std::optional<HorizonProfile> horizon_;

    EmeWindowServices Services() {
        EmeWindowServices s;
        s.Station = &station_;
        s.Conditions = &conditions_;
        s.Clock = &clock_;
        s.Messages = &messages_;
        s.Horizon = [this]() -> const HorizonProfile* { return horizon_ ? &*horizon_ : nullptr; };
        s.Directory = dir_.path();
        return s;
    }
    eme::UtcSeconds Now() const { return eme::UtcSecondsOf(clock_.reading.Local); }

    /// What the core finds for the window's inputs, from the window's start.
    std::vector<eme::MoonWindow> Expected(const EmeWindow& w) const {
        std::optional<eme::EmeSite> dx;
        if (w.Dx()) {
            dx = w.Dx()->Site;
        }
        eme::EmeCalculator calc({52.52, 13.405, 40}, dx, conditions_);
        eme::WindowSearch s;
        s.Start = Now();
        s.End = s.Start + eme::kWindowDaysAhead * eme::kWholeSecondsPerDay;
        s.StepS = kEmeSearchStepS;
        s.HomeHorizon = horizon_;
        return eme::FindMoonWindows(calc, s).Windows;
    }

    static void WaitForWindows(EmeWindow& w) {
        QSignalSpy shown(&w, &EmeWindow::WindowsShown);
        QVERIFY(w.Searching() || shown.count() > 0 || shown.wait(20000));
        while (w.Searching()) {
            QVERIFY(shown.wait(20000));
        }
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QFile::remove(dir_.filePath(QStringLiteral("Vanset.ini")));
        station_ = HomeStation{};
        station_.Latitude = 52.52L;
        station_.Longitude = 13.405L;
        station_.HeightAsl = 40;
        station_.CallSign = "DL0ABC";
        conditions_ = ObservingConditions{};
        conditions_.FrequencyMHz = 1296;
        horizon_.reset();
        messages_.said.clear();
    }

    void dopplerFollowingTunesTheRigOffTheWindowsThread() {
        // A rig on the follower's thread: what it was told, slow or away on demand.
        struct Shared {
            std::mutex Lock;
            std::vector<std::int64_t> Sets;
            std::atomic<bool> Away{false};
            std::atomic<int> SlowMs{0};
        };
        auto shared = std::make_shared<Shared>();
        class Rig final : public eme::DopplerRig {
        public:
            explicit Rig(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
            std::string SetFrequencyHz(std::int64_t hz) override {
                std::this_thread::sleep_for(std::chrono::milliseconds(s_->SlowMs.load()));
                if (s_->Away) {
                    return "The rig at 127.0.0.1:4532 refused the connection: is rigctld running?";
                }
                const std::lock_guard lock(s_->Lock);
                s_->Sets.push_back(hz);
                return {};
            }
            Reading FrequencyHz() override {
                const std::lock_guard lock(s_->Lock);
                return {s_->Sets.empty() ? 0 : s_->Sets.back(), {}};
            }

        private:
            std::shared_ptr<Shared> s_;
        };
        const auto last = [&] {
            const std::lock_guard lock(shared->Lock);
            return shared->Sets.empty() ? std::int64_t{0} : shared->Sets.back();
        };
        const double nowS = static_cast<double>(Now());
        EmeWindowServices services = Services();
        auto models = std::make_shared<std::atomic<int>>(0);
        services.MakeDopplerRig = [shared, models](const eme::HamlibRigAddress& address) {
            models->store(address.Model);
            return std::make_unique<Rig>(shared);
        };
        services.DopplerClock = [nowS] { return nowS; };
        const QString ini = dir_.filePath(QStringLiteral("Vanset.ini"));
        {
            EmeWindow w(services);
            w.show();
            DopplerPanel& d = *w.DopplerFollowing;
            QCOMPARE(d.State->text(), QStringLiteral("Not following."));
            // The DX signal without a DX station: refused in a sentence.
            d.What->setCurrentIndex(1);
            d.FollowButton->click();
            QVERIFY(!d.FollowButton->isChecked());
            QCOMPARE(d.State->text(),
                     QStringLiteral("Following the DX signal needs a DX station."));
            QVERIFY(!QSettings(ini, QSettings::IniFormat).contains("EME/DopplerRigModel"));

            // The echo at the program's 1296 MHz: sked + shift rounded.
            d.What->setCurrentIndex(0);
            d.RigModel->setText(QStringLiteral("2"));
            d.FollowButton->click();
            QVERIFY(d.FollowButton->isChecked());
            eme::EmeCalculator calc({52.52, 13.405, 40}, std::nullopt, conditions_);
            const std::int64_t expected = 1296000000 + std::llround(calc.At(Now()).EchoDopplerHz);
            QTRY_COMPARE(last(), expected);
            QCOMPARE(models->load(), 2);
            QTRY_VERIFY(d.State->text().startsWith(QStringLiteral("Following the echo: ")));
            QVERIFY2(
                d.State->text().contains(QStringLiteral("set %1 Hz at 20:00:00").arg(expected)),
                qPrintable(d.State->text()));
            QCOMPARE(d.LastSet->text(), QStringLiteral("Rig: %1 Hz").arg(expected));
            QVERIFY(!d.RigModel->isEnabled());
            d.FollowButton->click(); // Off
            QTRY_VERIFY(
                d.State->text().contains(QStringLiteral("back at the sked, 1296000000 Hz")));
            QCOMPARE(last(), 1296000000);
            QVERIFY(d.RigModel->isEnabled());

            // A rig that is gone and slow to say so: the click returns at
            // once, the window says why, and keeps trying.
            shared->Away = true;
            shared->SlowMs = 300;
            QElapsedTimer clicked;
            clicked.start();
            d.FollowButton->click();
            QVERIFY2(clicked.elapsed() < 150, "the rig's I/O is not on the window's thread");
            QTRY_VERIFY(
                d.State->text().contains(QStringLiteral("is rigctld running? Trying again")));
            QVERIFY(d.FollowButton->isChecked());
            shared->SlowMs = 0;
            w.close();
        } // closing waits for the follower's thread
        QSettings stored(ini, QSettings::IniFormat);
        QCOMPARE(stored.value("EME/DopplerRigModel").toString(), QStringLiteral("2"));
        QCOMPARE(stored.value("EME/DopplerFollow").toString(), QStringLiteral("own"));
        EmeWindow again(services);
        QCOMPARE(again.DopplerFollowing->RigModel->text(), QStringLiteral("2"));
        QCOMPARE(again.DopplerFollowing->UpdateS->text(), QStringLiteral("10"));
    }

    void dxIsTypedAndRemembered() {
        {
            EmeWindow w(Services());
            w.show();
            QVERIFY(!w.Dx());
            w.DxBox->setEditText(QStringLiteral("w5lua em13qc"));
            QTest::keyClick(w.DxBox->lineEdit(), Qt::Key_Return);
            QVERIFY(w.Dx());
            QCOMPARE(QString::fromStdString(w.Dx()->Text()), QStringLiteral("W5LUA EM13qc"));
            QVERIFY(w.DxWhere->text().contains(QStringLiteral("N")));
            QVERIFY(w.SetDx(QStringLiteral("-33.87, 151.21, 60")));
            QVERIFY(w.SetDx(QStringLiteral("W5LUA EM13qc")));
            QCOMPARE(w.RecentDx(), QStringList({QStringLiteral("W5LUA EM13qc"),
                                                QStringLiteral("-33.87,151.21,60")}));
            QVERIFY(w.SetMinElevation(false, QStringLiteral("5")));
            w.close();
        }
        // A window of the next run finds all of it in [EME].
        EmeWindow again(Services());
        QVERIFY(again.Dx());
        QCOMPARE(QString::fromStdString(again.Dx()->Text()), QStringLiteral("W5LUA EM13qc"));
        QCOMPARE(again.RecentDx().size(), 2);
        QCOMPARE(again.DxBox->count(), 2);
        QCOMPARE(again.HomeMinElevation->text(), QStringLiteral("5"));
    }

    /// A refused DX station or minimum elevation left with Tab or a click
    /// was neither taken nor said (the minimum put back, its sentence
    /// overwritten by the next tick): the reason stays beside the field
    /// however it is left, the text as typed, the value in force kept.
    void aRefusedValueSaysWhyHoweverTheFieldIsLeft_data() { test::AddLeaveRows(); }
    void aRefusedValueSaysWhyHoweverTheFieldIsLeft() {
        QFETCH(test::Leave, leave);
        EmeWindow w(Services());
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const auto typeAndLeave = [&](QLineEdit* field, const QString& text) {
            test::TypeAndLeave(field, text, leave, w.WindowTable->viewport());
            w.Tick(); // the next second's status line says nothing over it
        };
        const auto reasonOf = [&](const char* name) {
            auto* reason = w.findChild<QLabel*>(QLatin1String(name));
            return reason != nullptr && reason->isVisible() ? reason->text() : QString();
        };

        typeAndLeave(w.DxBox->lineEdit(), QStringLiteral("JO6"));
        QVERIFY(!w.Dx());
        QCOMPARE(w.DxBox->currentText(), QStringLiteral("JO6"));
        QVERIFY2(reasonOf("DxTextReason").contains(QStringLiteral("4 or 6 characters")),
                 qPrintable(reasonOf("DxTextReason")));
        typeAndLeave(w.DxBox->lineEdit(), QStringLiteral("EM13"));
        QVERIFY(w.Dx());
        QCOMPARE(QString::fromStdString(w.Dx()->Text()), QStringLiteral("EM13"));
        QVERIFY(reasonOf("DxTextReason").isEmpty());

        typeAndLeave(w.DxMinElevation, QStringLiteral("95"));
        QCOMPARE(w.DxMinElevation->text(), QStringLiteral("95")); // what was typed stays
        QVERIFY2(reasonOf("DxMinElevationReason").contains(QStringLiteral("-5 to 90")),
                 qPrintable(reasonOf("DxMinElevationReason")));
        QCOMPARE(LoadEmeSettings(dir_.path(), {}).DxMinElevationDeg, 0.0);
        typeAndLeave(w.DxMinElevation, QStringLiteral("7,5"));
        QVERIFY(reasonOf("DxMinElevationReason").contains(QStringLiteral("7.5")));
        typeAndLeave(w.DxMinElevation, QStringLiteral("7.5"));
        QVERIFY(reasonOf("DxMinElevationReason").isEmpty());
        QCOMPARE(LoadEmeSettings(dir_.path(), {}).DxMinElevationDeg, 7.5);
    }

    void liveValuesAreTheCoresAndFollowTheFrequency() {
        EmeWindow w(Services());
        QVERIFY(w.SetDx(QStringLiteral("EM13")));
        w.show();
        eme::EmeCalculator calc({52.52, 13.405, 40}, w.Dx()->Site, conditions_);
        const eme::EmeMoment core = calc.At(Now());
        QVERIFY(w.Live().Valid);
        QCOMPARE(w.Live().EchoDopplerHz, core.EchoDopplerHz);
        QCOMPARE(w.Live().DxDopplerHz, core.DxDopplerHz);
        QCOMPARE(w.Live().PolarisationOffsetDeg, core.PolarisationOffsetDeg);
        QCOMPARE(w.Live().Dx.ElevationDeg, core.Dx.ElevationDeg);
        QCOMPARE(w.LiveText(EmeWindow::kAzimuthRow, true),
                 QString::number(core.Dx.AzimuthDeg, 'f', 2) + QStringLiteral("\u00b0"));
        QVERIFY(w.LiveText(EmeWindow::kPathLossRow, false).endsWith(QStringLiteral(" dB")));
        // The program's one frequency: ten times higher, ten times the shift.
        conditions_.FrequencyMHz = 12960;
        clock_.reading.Local += 1.0 / 86400.0;
        w.Tick();
        const double tenfold = calc.At(Now()).EchoDopplerHz * 10;
        QVERIFY(std::fabs(w.Live().EchoDopplerHz - tenfold) < 1e-6 * std::fabs(tenfold));
        QVERIFY(w.Status->text().contains(QStringLiteral("12960 MHz")));
        // Shifts of tens of kilohertz are still said in Hz, as the CSV has
        // them: one unit in the whole window.
        QVERIFY(std::fabs(w.Live().EchoDopplerHz) > 10000);
        const QString sign = w.Live().EchoDopplerHz > 0 ? QStringLiteral("+") : QString();
        QCOMPARE(w.LiveText(EmeWindow::kEchoDopplerRow, false),
                 sign + QString::number(w.Live().EchoDopplerHz, 'f', 1) + QStringLiteral(" Hz"));
    }

    void windowsAreSearchedAgainWhenTheirInputsChange() {
        EmeWindow w(Services());
        w.show();
        WaitForWindows(w);
        QCOMPARE(w.Windows().size(), Expected(w).size());
        QCOMPARE(w.WindowTable->rowCount(), static_cast<int>(w.Windows().size()));

        // A DX station, and another at once: the search for the first is
        // stopped, or its windows never shown.
        QVERIFY(w.SetDx(QStringLiteral("JO62")));
        QVERIFY(w.SetDx(QStringLiteral("EM13")));
        WaitForWindows(w);
        const std::vector<eme::MoonWindow> expected = Expected(w);
        QCOMPARE(w.Windows().size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(w.Windows()[i].Start, expected[i].Start);
            QCOMPARE(w.Windows()[i].End, expected[i].End);
        }
        QVERIFY(w.WindowTable->item(0, 4)->text().endsWith(QStringLiteral("\u00b0")));

        // The sky window loads a ridge in the east: the Moon comes later.
        horizon_.emplace(std::vector<HorizontalDeg>{{40, 0}, {45, 20}, {135, 20}, {140, 0}});
        w.Tick();
        WaitForWindows(w);
        const std::vector<eme::MoonWindow> behind = Expected(w);
        QCOMPARE(w.Windows().size(), behind.size());
        QCOMPARE(w.Windows().back().Start, behind.back().Start);
        QVERIFY(w.Status->text().contains(QStringLiteral("horizon profile")));

        // Save CSV writes the windows with their middles.
        const QString csv = dir_.filePath(QStringLiteral("windows"));
        w.ChooseSaveFile = [&](const QString&, const QString&) { return QString(csv); };
        QSignalSpy saved(&w, &EmeWindow::ExportFinished);
        w.SaveCsv->click();
        QVERIFY(saved.wait(10000));
        QCOMPARE(saved.first().at(1).toString(), QString());
        QFile file(csv + QStringLiteral(".csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(), eme::WindowsCsv(w.Windows(), true));

        // Print: one page naming the DX station, the values and the windows.
        const QString pdf = dir_.filePath(QStringLiteral("eme.pdf"));
        w.ChoosePrinter = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        };
        QSignalSpy printed(&w, &EmeWindow::ExportFinished);
        w.Print->click();
        QVERIFY(printed.wait(10000));
        QCOMPARE(printed.first().at(1).toString(), QString());
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString& part :
             {QStringLiteral("DX EM13"), QStringLiteral("Echo Doppler"),
              QStringLiteral("Polarisation"), // "ff" comes out as a ligature
              QStringLiteral("Highest DX"), w.WindowTable->item(0, 0)->text()}) {
            QVERIFY2(page.contains(part), qPrintable(part + QStringLiteral(" in ") + page));
        }
        // The rows start under the title, not in the middle of the page
        // with a third of it blank above them.
        QProcess boxes;
        boxes.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        QVERIFY(boxes.waitForFinished(30000));
        const QString layout = QString::fromUtf8(boxes.readAllStandardOutput());
        const auto firstRow =
            QRegularExpression(QStringLiteral("yMin=\"([0-9.]+)\"[^>]*>Now<")).match(layout);
        const auto pageHeight =
            QRegularExpression(QStringLiteral("<page width=\"[0-9.]+\" height=\"([0-9.]+)\""))
                .match(layout);
        QVERIFY(firstRow.hasMatch() && pageHeight.hasMatch());
        QVERIFY2(firstRow.captured(1).toDouble() < 0.15 * pageHeight.captured(1).toDouble(),
                 qPrintable(firstRow.captured(1)));
        if (const QString shots = qEnvironmentVariable("VANTREL_SHOTS"); !shots.isEmpty()) {
            QFile::remove(shots + QStringLiteral("/eme-print.pdf"));
            QFile::copy(pdf, shots + QStringLiteral("/eme-print.pdf"));
        }
        QVERIFY(messages_.said.empty());
    }

    void theWindowsOwnBandAndDaysAreSearched() {
        conditions_.FrequencyMHz = 1296;
        {
            EmeWindow w(Services());
            QVERIFY(w.SetDx(QStringLiteral("W5LUA EM13")));
            w.show();
            QVERIFY(!w.SetBand(QStringLiteral("0.5")));
            QVERIFY(w.SetBand(QStringLiteral("144")));
            QCOMPARE(w.BandMHz(), 144.0);
            ObservingConditions at144 = conditions_;
            at144.FrequencyMHz = 144;
            eme::EmeCalculator calc({52.52, 13.405, 40}, w.Dx()->Site, at144);
            QCOMPARE(w.Live().EchoDopplerHz, calc.At(Now()).EchoDopplerHz);
            QVERIFY(w.Status->text().contains(QStringLiteral("144 MHz")));
            // A week of one's own choosing, and one refused.
            QVERIFY(!w.SetSearchDays(QStringLiteral("2026-12-20"), QStringLiteral("2026-12-14")));
            QVERIFY(w.WindowsTitle->text().contains(QStringLiteral("before its first")));
            QVERIFY(!w.SetSearchDays(QStringLiteral("2026-02-30"), QString()));
            QVERIFY(w.SetSearchDays(QStringLiteral("2027-01-04"), QStringLiteral("2027-01-10")));
            WaitForWindows(w);
            QVERIFY(w.WindowsTitle->text().contains(QStringLiteral("2027-01-04 to 2027-01-10")));
            const eme::UtcSeconds first = eme::UtcSecondsOf(EncodeDateTime(2027, 1, 4, 0, 0, 0));
            const eme::UtcSeconds end = eme::UtcSecondsOf(EncodeDateTime(2027, 1, 11, 0, 0, 0));
            QVERIFY(w.Windows().size() >= 5);
            for (const eme::MoonWindow& win : w.Windows()) {
                QVERIFY(win.Start >= first && win.End <= end);
            }
        }
        const EmeSettings kept = LoadEmeSettings(dir_.path(), {QRect(0, 0, 1280, 1024)});
        QCOMPARE(kept.FrequencyMHz, std::optional<double>(144.0));
        EmeWindow again(Services());
        QCOMPARE(again.Band->text(), QStringLiteral("144"));
    }

    void theRecentDxStationsWindowsAreListedInTheOrderAsked() {
        EmeWindow w(Services());
        w.show();
        w.DxList->FindClick();
        QVERIFY(w.DxList->State->text().contains(QStringLiteral("No DX station")));
        QVERIFY(w.SetDx(QStringLiteral("VK2XYZ QF56od")));
        QVERIFY(w.SetDx(QStringLiteral("W5LUA EM13qc")));
        QVERIFY(w.SetMinElevation(true, QStringLiteral("5")));
        QVERIFY(w.SetSearchDays(QStringLiteral("2027-01-04"), QStringLiteral("2027-01-07")));
        QSignalSpy found(w.DxList, &DxSkedPanel::Found);
        w.DxList->FindClick();
        QVERIFY(found.wait(20000));
        // As the core finds them for both stations over the four days.
        std::vector<eme::DxStation> dx = {*eme::ParseDxStation("W5LUA EM13qc").Station,
                                          *eme::ParseDxStation("VK2XYZ QF56od").Station};
        eme::DxSkedSearch search;
        search.Home = {52.52, 13.405, 40};
        search.Conditions = conditions_;
        search.Span.Start = eme::UtcSecondsOf(EncodeDateTime(2027, 1, 4, 0, 0, 0));
        search.Span.End = eme::UtcSecondsOf(EncodeDateTime(2027, 1, 8, 0, 0, 0));
        search.Span.StepS = kEmeSearchStepS;
        search.Span.DxMinElevationDeg = 5;
        bool complete = false;
        const auto core = eme::FindDxSkeds(dx, search, {}, complete);
        QCOMPARE(w.DxList->Rows().size(), core.size());
        QCOMPARE(w.DxList->Table->rowCount(), static_cast<int>(core.size()));
        QVERIFY(core.size() >= 4);
        w.DxList->Order->setCurrentIndex(
            w.DxList->Order->findData(static_cast<int>(eme::DxSkedOrder::Length)));
        for (std::size_t i = 1; i < w.DxList->Rows().size(); ++i) {
            QVERIFY(w.DxList->Rows()[i - 1].Window.DurationS() >=
                    w.DxList->Rows()[i].Window.DurationS());
        }
        QCOMPARE(w.DxList->Table->item(0, 0)->text(),
                 QString::fromStdString(w.DxList->Rows()[0].Dx));
        QVERIFY2(w.DxList->Table->item(0, 4)->text().endsWith(QStringLiteral("\u00b0")),
                 qPrintable(w.DxList->Table->item(0, 4)->text()));
        const std::string csv = w.DxList->CsvText();
        QVERIFY2(csv.starts_with("# station DL0ABC 52.5200,13.4050 frequency_mhz 1296.000 "
                                 "min_el_home_deg 0.0 min_el_dx_deg 5.0\n"),
                 csv.c_str());
        test::Shoot(w, "eme-dx-list.png");
    }

    void windowsAreRoundedInwardsToTheMinute_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("shownStart");
        QTest::addColumn<int>("shownEnd");
        QTest::addColumn<bool>("seconds");
        // Seconds after 2026-03-21 13:00:00 UTC.
        QTest::newRow("on whole minutes") << 3120 << 4200 << 3120 << 4200 << false;
        QTest::newRow("the start up, the end down") << 3160 << 4220 << 3180 << 4200 << false;
        QTest::newRow("shorter than its rounding") << 3125 << 3170 << 3125 << 3170 << true;
    }
    void windowsAreRoundedInwardsToTheMinute() {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, shownStart);
        QFETCH(int, shownEnd);
        QFETCH(bool, seconds);
        const eme::UtcSeconds base = eme::UtcSecondsOf(EncodeDateTime(2026, 3, 21, 13, 0, 0));
        eme::MoonWindow w;
        w.Start = base + start;
        w.End = base + end;
        const ShownWindow shown = InwardMinutes(w);
        QCOMPARE(shown.Start, base + shownStart);
        QCOMPARE(shown.End, base + shownEnd);
        QCOMPARE(shown.ToTheSecond, seconds);
    }

    void theMoonBelowTheRadioHorizonIsSaidToBeSo() {
        clock_.reading.Local = EncodeDateTime(2026, 3, 21, 5, 30, 0); // airless −1.4° at home
        conditions_.Refraction = true;
        EmeWindow w(Services());
        w.show();
        w.Tick();
        QVERIFY(w.Live().Home.BelowRadioHorizon);
        QVERIFY2(w.LiveText(EmeWindow::kElevationRow, false)
                     .endsWith(QStringLiteral(", below the radio horizon")),
                 qPrintable(w.LiveText(EmeWindow::kElevationRow, false)));
        conditions_.Refraction = false; // airless: no radio horizon to speak of
        w.Tick();
        QVERIFY(!w.LiveText(EmeWindow::kElevationRow, false).contains(QStringLiteral("radio")));
    }

    void stationOutOfRangeShowsNothing() {
        station_.Latitude = 95;
        EmeWindow w(Services());
        w.show();
        QVERIFY(!w.Live().Valid);
        QVERIFY(!w.Searching());
        QCOMPARE(w.LiveText(EmeWindow::kEchoDopplerRow, false), QStringLiteral("\u2014"));
        QVERIFY(w.Status->text().contains(QStringLiteral("out of range")));
    }

    void damagedSectionGivesDefaults() {
        {
            QSettings ini(dir_.filePath(QStringLiteral("Vanset.ini")), QSettings::IniFormat);
            ini.setValue(QStringLiteral("EME/Dx"), QStringLiteral("ZZ99zz"));
            ini.setValue(QStringLiteral("EME/Recent1"), QStringLiteral("JO62"));
            ini.setValue(QStringLiteral("EME/Recent2"), QStringLiteral("not a station"));
            ini.setValue(QStringLiteral("EME/Recent3"), QStringLiteral("jo62"));
            ini.setValue(QStringLiteral("EME/Recent4"), QStringLiteral("EM13"));
            ini.setValue(QStringLiteral("EME/HomeMinElevationDeg"), QStringLiteral("nan"));
            ini.setValue(QStringLiteral("EME/DxMinElevationDeg"), QStringLiteral("120"));
            ini.setValue(QStringLiteral("EME/ReceiverK"), QStringLiteral("-5"));
            ini.setValue(QStringLiteral("EME/HomeHpbwDeg"), QStringLiteral("0"));
            ini.setValue(QStringLiteral("EME/DxHpbwDeg"), QStringLiteral("7.5"));
        }
        const EmeSettings s = LoadEmeSettings(dir_.path(), {QRect(0, 0, 1280, 1024)});
        QVERIFY(s.Dx.empty());
        QCOMPARE(s.Recent, (std::vector<std::string>{"JO62", "EM13"}));
        QCOMPARE(s.HomeMinElevationDeg, 0.0);
        QCOMPARE(s.DxMinElevationDeg, 0.0);
        QCOMPARE(s.ReceiverK, 80.0);
        QVERIFY(!s.HomeHpbwDeg);
        QCOMPARE(s.DxHpbwDeg, std::optional<double>(7.5));
    }

    // The sked's figures: the sky behind the Moon as the core reads it from
    // the survey through the beams in use, DGRD with the receiver typed (its
    // formula in the tooltip), the Sun near the Moon in red at 144 MHz and
    // not at 10 GHz, the next perigee; the settings kept for the next run.
    void skedFiguresFollowTheirSettings() {
        clock_.reading.Local = EncodeDateTime(2026, 12, 10, 0, 0, 0); // Sun 11° from the Moon
        conditions_.FrequencyMHz = 144;
        EmeWindowServices services = Services();
        services.SkyFolder = QStringLiteral(EME_SKY408_FOLDER);
        {
            EmeWindow w(services);
            QVERIFY(w.SetDx(QStringLiteral("EM13")));
            w.show();
            QTRY_VERIFY_WITH_TIMEOUT(w.SkyReady(), 20000);
            w.Tick();
            const sky::SkySurveyLoad load = sky::LoadSkySurveyFrom(EME_SKY408_FOLDER);
            QVERIFY(load.Survey);
            const sky::SkyBrightness sky(*load.Survey, 144);
            eme::EmeCalculator calc({52.52, 13.405, 40}, w.Dx()->Site, conditions_);
            calc.SetSkyBehindMoon(&sky, eme::DefaultHpbwDeg(144), eme::DefaultHpbwDeg(144), 80);
            const eme::EmeMoment core = calc.At(Now());
            QCOMPARE(w.Live().SkyHomeK, core.SkyHomeK);
            QCOMPARE(w.Live().DxDegradationDb, core.DxDegradationDb);
            QVERIFY(core.SkyHomeK > 140);
            QCOMPARE(w.LiveText(EmeWindow::kSkyRow, false),
                     QString::number(core.SkyHomeK, 'f', 1) + QStringLiteral(" K"));
            QVERIFY(w.LiveText(EmeWindow::kSunMoonRow, false).startsWith(QStringLiteral("11.")));
            QLabel* sunMoon = nullptr;
            for (QLabel* l : w.findChildren<QLabel*>()) {
                if (l->text() == w.LiveText(EmeWindow::kSunMoonRow, false)) {
                    sunMoon = l;
                }
            }
            QVERIFY(sunMoon);
            QVERIFY(sunMoon->styleSheet().contains(QStringLiteral("color")));
            QVERIFY(w.ExtremesText->text().contains(QStringLiteral("2026-12-24")));

            // A receiver of 50 K and a 4° beam at home.
            QVERIFY(!w.SetReceiverK(QStringLiteral("0.5")));
            QVERIFY(!w.SetHpbw(false, QStringLiteral("0")));
            QVERIFY(w.SetReceiverK(QStringLiteral("50")));
            QVERIFY(w.SetHpbw(false, QStringLiteral("4")));
            const double homeK =
                sky.BeamAverageK({w.Live().Home.J2000RaDeg, w.Live().Home.J2000DecDeg}, 4.0);
            QCOMPARE(w.Live().SkyHomeK, homeK);
            QCOMPARE(w.Live().DegradationDb,
                     eme::DegradationDb(homeK, 50, 144, w.Live().Home.DistanceKm));
            bool tipSays50 = false;
            for (QLabel* l : w.findChildren<QLabel*>()) {
                tipSays50 = tipSays50 || l->toolTip().contains(QStringLiteral("Tr = 50 K"));
            }
            QVERIFY(tipSays50);

            // The Moon's own noise: the model by frequency and phase, or a
            // temperature typed.
            QCOMPARE(w.Live().MoonBrightnessK, core.MoonBrightnessK);
            QVERIFY(w.LiveText(EmeWindow::kMoonNoiseRow, false)
                        .startsWith(QString::number(core.MoonBrightnessK, 'f', 0) +
                                    QStringLiteral(" K (phase ")));
            QVERIFY2(w.LiveText(EmeWindow::kMoonNoiseRow, false).contains(QStringLiteral("model")),
                     qPrintable(w.LiveText(EmeWindow::kMoonNoiseRow, false)));
            QVERIFY(w.LiveText(EmeWindow::kMoonNoiseRow, true).startsWith(QStringLiteral("+")));
            QVERIFY(!w.SetMoonTemperature(QStringLiteral("0")));
            QVERIFY(w.SetMoonTemperature(QStringLiteral("250")));
            QCOMPARE(w.Live().MoonBrightnessK, 250.0);
            QVERIFY(w.LiveText(EmeWindow::kMoonNoiseRow, false)
                        .startsWith(QStringLiteral("250 K (phase ")));
            QVERIFY(w.LiveText(EmeWindow::kMoonNoiseRow, false).contains(QStringLiteral("typed")));

            // At 10 GHz the Sun in the side lobes does not matter.
            conditions_.FrequencyMHz = 10368;
            w.Tick();
            QTRY_VERIFY_WITH_TIMEOUT(w.SkyReady(), 20000);
            w.Tick();
            QVERIFY(sunMoon->styleSheet().isEmpty());
            QVERIFY(w.Live().SkyHomeK < 10);
        }
        const EmeSettings kept = LoadEmeSettings(dir_.path(), {QRect(0, 0, 1280, 1024)});
        QCOMPARE(kept.ReceiverK, 50.0);
        QCOMPARE(kept.HomeHpbwDeg, std::optional<double>(4.0));
        QVERIFY(!kept.DxHpbwDeg);
        QCOMPARE(kept.MoonTemperatureK, std::optional<double>(250.0));
    }

    void noSkyMapLeavesTheSkyFiguresEmpty() {
        EmeWindowServices services = Services();
        services.SkyFolder = dir_.filePath(QStringLiteral("no-such-folder"));
        EmeWindow w(services);
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(!w.SkyProblem().isEmpty(), 20000);
        w.Tick();
        QVERIFY(w.Live().Valid);
        QVERIFY(std::isnan(w.Live().SkyHomeK));
        QCOMPARE(w.LiveText(EmeWindow::kSkyRow, false), QStringLiteral("\u2014"));
        QVERIFY(std::isfinite(w.Live().EchoSpreadHz));
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::EmeWindowTest)
#include "EmeWindowTest.moc"
