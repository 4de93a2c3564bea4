// The elevation chart drawn from a real sweep: the curves, their widths,
// the shaded nights, the thinning of a month, the legend, the hover text
// and a picture of it saved to a file.

#include "skywin/ElevationView.h"
#include "skywin/SkyWindow.h"

#include "../RecordingMessages.h"
#include "astro/OrbexSunMoon.h"
#include "planner/GridLayout.h"
#include "skychart/ElevationCollector.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFontMetricsF>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedLayout>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace vantrel {

namespace {

/// Noon of 1 December 2026 in a zone without daylight time.
class NoonClock final : public LocalClock {
public:
    LocalClockReading Now() const override {
        return {EncodeDateTime(2026, 12, 1, 12, 0, 0), 0, 0, false};
    }
};

/// Pixels of exactly this colour on a picture, every second row and column.
int PixelsOf(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            n += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

} // namespace

class ElevationViewTest : public QObject {
    Q_OBJECT

    OrbexSunMoon library_;
    FixedDaylight daylight_{false};

    /// A station in the English Midlands from 1 December 2026, UTC+1.
    std::shared_ptr<const ElevationSeries> Sweep(int days, int intervalMin, int mode = 0) {
        HomeStation station;
        station.Latitude = 52.2L;
        station.Longitude = -1.5L;
        station.HeightAsl = 80;
        station.UtcOffset = 1;
        station.CalcInterval = intervalMin;
        station.DisplayMode = mode;
        SweepInputs in;
        in.StartDate = EncodeDate(2026, 12, 1);
        in.EndDate = in.StartDate + days - 1;
        in.Library = &library_;
        in.Daylight = &daylight_;
        GridCells grid;
        LayoutHeader(grid, station);
        ElevationCollector collector(
            station, ExpectedSweepRows(in.StartDate, in.EndDate, intervalMin), PairTitles(grid));
        RunPlanningSweep(grid, station, in, &collector);
        return collector.Finish();
    }
    static bool ShowsChart(const ElevationView& v) {
        return static_cast<QStackedLayout*>(v.layout())->currentWidget() == v.View();
    }

private slots:
    void emptyUntilASweepHasRun() {
        ElevationView view;
        QVERIFY(!ShowsChart(view));
        QVERIFY(view.EmptyNote()->text().contains(QStringLiteral("Calculate")));
        QCOMPARE(view.Chart()->series().size(), 0);
        view.SetSeries(Sweep(1, 10));
        QVERIFY(ShowsChart(view));
        view.SetSeries(nullptr);
        QVERIFY(!ShowsChart(view));
        QCOMPARE(view.Chart()->series().size(), 0);
        QVERIFY(view.HoverText(kSunSource, EncodeDate(2026, 12, 1)).isEmpty());
        view.SetSeries(std::make_shared<const ElevationSeries>());
        QVERIFY(!ShowsChart(view));
    }

    void drawsEverySourceTheSunAndMoonBoldAndTheNights() {
        ElevationView view;
        const auto series = Sweep(1, 10);
        view.SetSeries(series);
        QCOMPARE(view.Chart()->series().size(), kElevationSources + 1);
        qreal thin = 0;
        for (int s = 0; s < kElevationSources; ++s) {
            QLineSeries* curve = view.Curve(s);
            QVERIFY(curve != nullptr);
            QCOMPARE(curve->name(),
                     QString::fromStdString(series->Titles()[static_cast<std::size_t>(s)]));
            QCOMPARE(curve->count(), 144); // a day at ten minutes: every row
            QCOMPARE(curve->at(36).y(), static_cast<qreal>(series->Elevation(s)[36]));
            if (s != kSunSource && s != kMoonSource) {
                thin = std::max(thin, curve->pen().widthF());
            }
        }
        QVERIFY(view.Curve(kSunSource)->pen().widthF() > 2 * thin);
        QVERIFY(view.Curve(kMoonSource)->pen().widthF() > 2 * thin);
        QVERIFY(view.Curve(kSunSource)->pen().color() != view.Curve(kMoonSource)->pen().color());

        // Two nights on a December day in England, each a raised block.
        QAreaSeries* night = view.Night();
        QVERIFY(night != nullptr);
        QCOMPARE(series->SunBelowHorizon().size(), std::size_t{2});
        QCOMPARE(night->upperSeries()->count(), 8);
        QCOMPARE(night->upperSeries()->at(1).y(), ElevationView::kHighestElevationDeg);
        QCOMPARE(night->upperSeries()->at(2).x(), series->SunBelowHorizon()[0].End);
        QVERIFY(night->brush().color().alpha() < 255); // the curves show through
        for (QLegendMarker* m : view.Chart()->legend()->markers(night)) {
            QVERIFY(!m->isVisible());
        }

        // UTC below, the station's local time above.
        QCOMPARE(view.UtcAxis()->categoriesLabels().front(), QStringLiteral("1 Dec"));
        QCOMPARE(view.LocalAxis()->categoriesLabels().front(), QStringLiteral("02:00"));
        QCOMPARE(view.LocalAxis()->titleText(), QStringLiteral("Local time (UTC+1)"));
        QVERIFY(view.Chart()->title().contains(QStringLiteral("1 December 2026")));
    }

    void aMonthAtOneMinuteIsThinnedKeepingItsPeaks() {
        ElevationView view;
        const auto series = Sweep(31, 1);
        QCOMPARE(series->Rows(), std::size_t{44640});
        view.SetSeries(series);
        for (int s = 0; s < kElevationSources; ++s) {
            const QLineSeries* curve = view.Curve(s);
            QVERIFY(curve->count() <= static_cast<int>(2 * ElevationView::kDrawBuckets + 2));
            const auto el = series->Elevation(s);
            const float high = *std::max_element(el.begin(), el.end());
            const float low = *std::min_element(el.begin(), el.end());
            qreal drawnHigh = -90;
            qreal drawnLow = 90;
            for (const QPointF& p : curve->points()) {
                drawnHigh = std::max(drawnHigh, p.y());
                drawnLow = std::min(drawnLow, p.y());
            }
            QCOMPARE(drawnHigh, static_cast<qreal>(high));
            QCOMPARE(drawnLow, static_cast<qreal>(low));
        }
        QCOMPARE(series->SunBelowHorizon().size(), std::size_t{32});
    }

    void theLegendShowsAndHidesACurve() {
        ElevationView view;
        view.SetSeries(Sweep(1, 10));
        QLineSeries* moon = view.Curve(kMoonSource);
        const QList<QLegendMarker*> markers = view.Chart()->legend()->markers(moon);
        QCOMPARE(markers.size(), 1);
        emit markers.front()->clicked();
        QVERIFY(!moon->isVisible());
        QCoreApplication::processEvents();     // the legend follows the curve a turn later
        QVERIFY(markers.front()->isVisible()); // still there to be clicked back
        QVERIFY(view.Curve(kSunSource)->isVisible());
        emit markers.front()->clicked();
        QVERIFY(moon->isVisible());
    }

    void hoverTellsTimeSourceAzimuthAndElevation() {
        ElevationView view;
        const auto series = Sweep(1, 10);
        view.SetSeries(series);
        const DateTime noon = EncodeDate(2026, 12, 1) + 0.5;
        const std::size_t row = series->RowAt(noon);
        // Three minutes past noon is nearer the 12:00 row than the 12:10 one.
        const QString text = view.HoverText(kSunSource, noon + 3.0 / 1440);
        QVERIFY2(text.startsWith(QStringLiteral("Sun\nUTC 2026-12-01 12:00\n"
                                                "Local 2026-12-01 13:00 (UTC+1)\n")),
                 qPrintable(text));
        QVERIFY(text.contains(
            QStringLiteral("Azimuth %1°")
                .arg(static_cast<double>(series->Azimuth(kSunSource)[row]), 0, 'f', 2)));
        QVERIFY(text.contains(
            QStringLiteral("Elevation %1°")
                .arg(static_cast<double>(series->Elevation(kSunSource)[row]), 0, 'f', 2)));
        QVERIFY(
            view.HoverText(2, noon + 7.0 / 1440).contains(QStringLiteral("UTC 2026-12-01 12:10")));
    }

    void timeLabelsAreWholeAndApart_data() {
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("width");
        QTest::newRow("a day, narrow") << 1 << 420;
        QTest::newRow("two days, narrow") << 2 << 520;
        QTest::newRow("two days, wide") << 2 << 1200;
        QTest::newRow("a month, narrow") << 31 << 460;
    }
    void timeLabelsAreWholeAndApart() {
        QFETCH(int, days);
        QFETCH(int, width);
        ElevationView view;
        view.resize(width, 480);
        view.SetSeries(Sweep(days, 30));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::qWait(50);
        for (QCategoryAxis* axis : {view.UtcAxis(), view.LocalAxis()}) {
            QVERIFY(!axis->labelsTruncated());
            const QStringList labels = axis->categoriesLabels();
            QVERIFY2(labels.size() >= 2, qPrintable(labels.join(QLatin1Char(' '))));
            // Each label has the room between its mark and the next.
            const QFontMetricsF m(axis->labelsFont());
            const auto x = [&](const QString& label) {
                return view.Chart()
                    ->mapToPosition(QPointF(axis->endValue(label), 0), view.Curve(0))
                    .x();
            };
            for (qsizetype i = 0; i + 1 < labels.size(); ++i) {
                const double room = x(labels[i + 1]) - x(labels[i]);
                const double need = (m.horizontalAdvance(labels[i].trimmed()) +
                                     m.horizontalAdvance(labels[i + 1].trimmed())) /
                                    2;
                QVERIFY2(room >= need, qPrintable(QStringLiteral("%1 | %2: %3 px for %4 px")
                                                      .arg(labels[i], labels[i + 1])
                                                      .arg(room)
                                                      .arg(need)));
            }
        }
        // The date once a day while days are apart, at 00:00 UTC.
        if (days == 2) {
            QVERIFY(view.UtcAxis()->categoriesLabels().contains(QStringLiteral("2 Dec")));
        }
    }

    void savesAsAPicture() {
        ElevationView view;
        view.resize(900, 600);
        view.SetSeries(Sweep(1, 5));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("elevation.png"));
        QVERIFY(view.View()->grab().save(file));
        const QImage image(file);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 800);
        // The Sun's orange curve is on the picture.
        QVERIFY(PixelsOf(image, view.Curve(kSunSource)->pen().color()) > 50);
    }

    void savedAsPngFromTheSkyWindowsElevationPage() {
        HomeStation station;
        ObservingConditions conditions;
        NoonClock clock;
        RecordingMessages messages;
        QTemporaryDir dir;
        SkyWindow sky(station, conditions, library_, clock, messages, dir.path());
        auto* view = new ElevationView();
        sky.SetElevationView(view, PaintingOf(view->Chart()));
        view->SetSeries(Sweep(1, 5));
        sky.resize(900, 700);
        sky.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sky));
        sky.Pages->setCurrentWidget(view);
        QCOMPARE(sky.ElevationPage, view);

        const QString path = dir.filePath(QStringLiteral("elevation.png"));
        sky.PngSize = QSize(1600, 1000);
        sky.ChooseSaveFile = [path](const QString&, const QString&) { return path; };
        QSignalSpy done(&sky, &SkyWindow::ExportFinished);
        sky.SavePng->click();
        QVERIFY(done.wait(10000));
        QCOMPARE(done.front().at(1).toString(), QString());
        const QImage png(path);
        QCOMPARE(png.size(), QSize(1600, 1000));
        // Drawn afresh at the file's size: the Sun's curve is there, thick.
        QVERIFY(PixelsOf(png, view->Curve(kSunSource)->pen().color()) > 200);
        QVERIFY(messages.said.empty());
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::ElevationViewTest)
#include "ElevationViewTest.moc"
