// Pictures of the sky window for looking at it as a user would: a given
// instant at a German station with the real sun/moon library, without and
// with a horizon profile, in both orientations, and while tracking.
// Usage: vantrel-sky-shots OUTPUT_FOLDER (run under Xvfb).

#include "astro/OrbexSunMoon.h"
#include "planner/GridLayout.h"
#include "planner/PlanningSweep.h"
#include "skychart/ElevationCollector.h"
#include "skywin/ElevationView.h"
#include "skywin/SkyWindow.h"

#include "../RecordingMessages.h"
#include "../WindowHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char** argv) {
    using namespace vantrel;
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir work;
    const QString horizon = work.filePath(QStringLiteral("horizon.csv"));
    {
        QFile f(horizon);
        if (!f.open(QIODevice::WriteOnly)) {
            return 1;
        }
        f.write("# Hills to the north-east, a house to the south-west\n"
                "0,6\n30,12\n60,9\n100,8\n150,2\n180,3\n200,4\n210,22\n230,22\n240,5\n300,3\n");
    }
    HomeStation station;
    station.Latitude = 49.87L;
    station.Longitude = 8.65L;
    station.HeightAsl = 150;
    station.CallSign = "DL0ABC";
    ObservingConditions conditions;
    OrbexSunMoon library;
    test::SetClock clock(EncodeDateTime(2026, 12, 9, 11, 15, 0));
    RecordingMessages messages;
    SkyWindow w(station, conditions, library, clock, messages, work.path());
    // The elevation page filled from a sweep of two days at ten minutes.
    auto* elevation = new ElevationView();
    w.SetElevationView(elevation, [elevation](QPainter& painter, const QRectF& area) {
        PaintingOf(elevation->Chart())(painter, area);
    });
    {
        station.CalcInterval = 10;
        FixedDaylight daylight(false);
        SweepInputs in;
        in.StartDate = EncodeDate(2026, 12, 9);
        in.EndDate = in.StartDate + 1;
        in.Library = &library;
        in.Daylight = &daylight;
        GridCells grid;
        LayoutHeader(grid, station);
        ElevationCollector collector(station, ExpectedSweepRows(in.StartDate, in.EndDate, 10),
                                     PairTitles(grid));
        RunPlanningSweep(grid, station, in, &collector);
        elevation->SetSeries(collector.Finish());
    }
    w.resize(760, 820);
    w.show();
    const auto shoot = [&](const char* name) {
        for (int i = 0; i < 6; ++i) {
            w.Refresh();
        }
        QApplication::processEvents();
        w.grab().save(out + QLatin1Char('/') + QLatin1String(name));
    };
    shoot("sky-eastleft.png");
    w.Orientation->setCurrentIndex(1);
    shoot("sky-eastright.png");
    w.LoadHorizonFile(horizon);
    shoot("sky-horizon-eastright.png");
    for (const ChartSource& s : w.Chart->Sources()) {
        qInfo("%s az %.2f el %.2f skyline %.2f%s", qPrintable(s.Title), s.AzimuthDeg,
              s.ElevationDeg, w.Horizon()->ElevationAt(s.AzimuthDeg), s.Hidden ? " hidden" : "");
    }
    w.Orientation->setCurrentIndex(0);
    shoot("sky-horizon-eastleft.png");
    // The sky's brightness under the chart at 144 and 1296 MHz: the
    // Galactic plane and the cold regions.
    for (const double mhz : {144.0, 1296.0}) {
        conditions.FrequencyMHz = mhz;
        w.SkyTemperature->setChecked(true);
        for (int i = 0; i < 400 && !w.Chart->HasSkyLayer(); ++i) {
            w.Refresh();
            QTest::qWait(25);
        }
        for (int i = 0; i < 400 && w.Chart->HasSkyLayer(); ++i) {
            w.Refresh();
            QTest::qWait(25);
            if (i > 4) {
                break;
            }
        }
        shoot(mhz < 200 ? "sky-layer-144.png" : "sky-layer-1296.png");
        w.SkyTemperature->setChecked(false);
    }
    w.Pointing = [] {
        PointingSnapshot s;
        s.Tracking = true;
        s.Source = SkySource::Sun;
        s.Target = SkyDirection{170.0, 17.0};
        s.Reported = SkyDirection{166.0, 15.5};
        return s;
    };
    shoot("sky-tracking.png");
    // The saved picture, and a printed page as the printer receives it (the
    // recorded picture played onto an A4 page at 150 dpi).
    w.PngSize = QSize(1000, 1000);
    w.ChooseSaveFile = [&](const QString&, const QString&) { return out + "/sky-saved.png"; };
    QEventLoop saved;
    QObject::connect(&w, &SkyWindow::ExportFinished, &saved, &QEventLoop::quit);
    w.SavePng->click();
    saved.exec();
    {
        const QSize size = w.Chart->size();
        const QPicture picture =
            RecordPicture([&](QPainter& p, const QRectF& area) { w.Chart->Paint(p, area); }, size);
        QImage page(1240, 1754, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter p(&page);
        const double scale = 1240.0 / size.width();
        p.scale(scale, scale);
        p.drawPicture(0, 0, picture);
        p.end();
        page.save(out + "/sky-printed-page.png");
    }
    // Printed to PDF through the window's own Print (pdftoppm makes pages
    // of it to look at) and saved as SVG (rsvg-convert renders it).
    const auto print = [&](const char* name) {
        w.ChoosePrinter = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(out + QLatin1Char('/') + QLatin1String(name));
            return true;
        };
        QEventLoop printed;
        QObject::connect(&w, &SkyWindow::ExportFinished, &printed, &QEventLoop::quit);
        w.Print->click();
        printed.exec();
    };
    print("sky-printed.pdf");
    w.ChooseSaveFile = [&](const QString&, const QString&) { return out + "/sky-saved.svg"; };
    w.SaveSvg->click();
    saved.exec();
    w.Pages->setCurrentIndex(1);
    shoot("sky-elevation-page.png");
    w.resize(520, 560); // narrow: whole time labels, fewer of them
    shoot("sky-elevation-narrow.png");
    print("sky-elevation-printed.pdf");
    // Refraction on at 52.5° N through Cygnus A's lower culmination
    // (−6.3°, below the radio horizon: the airless elevation, nothing added).
    {
        HomeStation north = station;
        north.Latitude = 52.5L;
        north.Longitude = 5.0L;
        north.CalcInterval = 10;
        ObservingConditions refracted;
        refracted.Refraction = true;
        FixedDaylight daylight(false);
        SweepInputs in;
        in.StartDate = EncodeDate(2026, 12, 9);
        in.EndDate = in.StartDate + 1;
        in.Library = &library;
        in.Daylight = &daylight;
        in.Conditions = &refracted;
        GridCells grid;
        LayoutHeader(grid, north);
        ElevationCollector collector(north, ExpectedSweepRows(in.StartDate, in.EndDate, 10),
                                     PairTitles(grid));
        RunPlanningSweep(grid, north, in, &collector);
        elevation->SetSeries(collector.Finish());
        w.resize(760, 820);
        shoot("sky-elevation-refraction.png");
    }
    return messages.said.empty() ? 0 : 2;
}
