#include "skywin/SkyWindow.h"

#include "astro/OrbexSunMoon.h"
#include "controls/SystemColours.h"
#include "mainwin/MainWindow.h"
#include "planner/GridLayout.h"
#include "skywin/SkySettings.h"
#include "station/StationCheck.h"

#include "../RecordingMessages.h"
#include "../TickRhythm.h"
#include "../WindowHarness.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsLayout>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace vantrel {

namespace {

/// The Moon high in the east-south-east, the Sun below the horizon.
class KnownSunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant&, double, double, double, SunMoonBody b) override {
        body_ = b;
    }
    double GetAzimuth() override { return body_ == SunMoonBody::Sun ? 250.0 : 110.0; }
    double GetElevation() override { return body_ == SunMoonBody::Sun ? -12.0 : 40.0; }
    double GetGHA() override { return 10.0; }
    double GetDecTopo() override { return 5.0; }

private:
    SunMoonBody body_ = SunMoonBody::Moon;
};

constexpr std::size_t kMoonPair = 7;
constexpr std::size_t kSunPair = 8;

/// Runs one of Debian's tools on files of the test; its standard output,
/// empty when it failed.
QByteArray Run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
        return {};
    }
    return p.readAllStandardOutput().append('\n');
}

/// The bounding box of the pixels within `tolerance` of `colour`.
QRect BoxOf(const QImage& image, const QColor& colour, int tolerance) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance &&
                std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

void WriteText(const QString& path, const char* text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

class SkyWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecordingMessages messages_;
    test::SetClock clock_{EncodeDateTime(2026, 12, 9, 21, 30, 0)};
    KnownSunMoon library_;
    HomeStation station_;
    ObservingConditions conditions_;

    QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

    /// Saves through the window's button into `path` and waits for the
    /// background write; the problem, empty on success.
    static QString Export(SkyWindow& w, QPushButton* button, const QString& path) {
        w.ChooseSaveFile = [path](const QString&, const QString&) { return path; };
        QSignalSpy done(&w, &SkyWindow::ExportFinished);
        button->click();
        if (!done.wait(10000)) {
            return QStringLiteral("no answer");
        }
        return done.first().at(1).toString();
    }

private slots:
    void init() {
        QFile::remove(Path("Vanset.ini"));
        messages_.said.clear();
        clock_.reading.Local = EncodeDateTime(2026, 12, 9, 21, 30, 0);
        station_ = HomeStation{};
        station_.Latitude = 49.87L;
        station_.Longitude = 8.65L;
        station_.HeightAsl = 150;
    }

    void ChartShowsThePlacesOfTheRealTimeDisplay() {
        SkyWindow w(station_, conditions_, library_, clock_, messages_, dir_.path());
        w.resize(700, 760);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Refresh();

        KnownSunMoon other;
        SkyPlaces places(other);
        const DecodedInstant at = DecodeInstant(EncodeDateTime(2026, 12, 9, 21, 30, 0));
        const auto& shown = w.Chart->Sources();
        for (std::size_t pair = 0; pair < kDisplayedSourceCount; ++pair) {
            const SkySource source = *DisplayedSource(pair, station_);
            QCOMPARE(shown[pair].Source, source);
            const SkyPlaceDeg want = places.At(source, station_, conditions_, at);
            QCOMPARE(shown[pair].AzimuthDeg, want.AzimuthDeg);
            QCOMPARE(shown[pair].ElevationDeg, want.ElevationDeg);
            QCOMPARE(shown[pair].Title.toStdString(),
                     std::string(SkyPlaces::Title(source, station_)));
            QCOMPARE(shown[pair].Colour, ResolveColour(kPairBackground[pair]));
        }

        // Drawn where the projection puts it: the Moon's disc, in its grid
        // colour, left of the centre (east) and above it (north of east).
        const QImage image = w.Chart->grab().toImage();
        const QPointF moon = w.Chart->PixelOf(110.0, 40.0);
        const QPointF centre = w.Chart->PixelOf(0.0, 90.0);
        QVERIFY(moon.x() < centre.x());
        QVERIFY(moon.y() > centre.y());
        const qreal dpr = image.devicePixelRatio();
        QCOMPARE(image.pixelColor((moon * dpr).toPoint()),
                 ResolveColour(kPairBackground[kMoonPair]));
        // The Sun is below the horizon: no Sun colour anywhere on the chart.
        const QColor sun = ResolveColour(kPairBackground[kSunPair]);
        bool sunSeen = false;
        for (int y = 0; y < image.height() && !sunSeen; y += 2) {
            for (int x = 0; x < image.width() && !sunSeen; x += 2) {
                sunSeen = image.pixelColor(x, y) == sun;
            }
        }
        QVERIFY(!sunSeen);

        // The mouse reads the sky under it: the zenith, then 45° up in the
        // south, then nothing beyond the horizon.
        QTest::mouseMove(w.Chart, centre.toPoint());
        QCOMPARE(w.Status->text(), QStringLiteral("Az 0.0°  El 90.0°"));
        const QPointF south = w.Chart->PixelOf(180, 45);
        QTest::mouseMove(w.Chart, south.toPoint());
        const QRegularExpressionMatch read =
            QRegularExpression(QStringLiteral("^Az ([0-9.]+)°  El ([0-9.]+)°$"))
                .match(w.Status->text());
        QVERIFY2(read.hasMatch(), qPrintable(w.Status->text()));
        QVERIFY(std::abs(read.captured(1).toDouble() - 180) < 1); // within a pixel's rounding
        QVERIFY(std::abs(read.captured(2).toDouble() - 45) < 1);
        QTest::mouseMove(w.Chart, QPoint(1, 1));
        QCOMPARE(w.Status->text(), QString());

        // As on a map, east is to the right.
        w.Orientation->setCurrentIndex(1);
        QVERIFY(w.Chart->PixelOf(110.0, 40.0).x() > centre.x());
        QCOMPARE(LoadSkySettings(dir_.path(), {}).Orientation, ChartOrientation::EastRight);

        // The day tracks come within a few refreshes, without blocking.
        for (int i = 0; i < 5 && !w.TracksReady(); ++i) {
            w.Refresh();
        }
        QVERIFY(w.TracksReady());
        QVERIFY(w.Chart->HasTracks());
        // A new UTC day starts them afresh.
        clock_.reading.Local = EncodeDateTime(2026, 12, 10, 0, 0, 5);
        w.Refresh();
        QVERIFY(!w.Chart->HasTracks());
    }

    void StationOutOfRangeShowsNoSkyUntilCorrected() {
        SkyWindow w(station_, conditions_, library_, clock_, messages_, dir_.path());
        station_.Latitude = std::numeric_limits<long double>::quiet_NaN();
        w.Refresh();
        for (const ChartSource& s : w.Chart->Sources()) {
            QVERIFY(!s.Valid);
        }
        QVERIFY(!w.Chart->HasTracks());
        QVERIFY2(w.Chart->Caption().endsWith(QString::fromStdString(
                     "\n" + DescribeProblem(CheckStation(station_).front()))),
                 qPrintable(w.Chart->Caption()));

        // Corrected while open: places and day tracks come back.
        station_.Latitude = 49.87L;
        for (int i = 0; i < 6 && !w.TracksReady(); ++i) {
            w.Refresh();
        }
        QVERIFY(w.Chart->HasTracks());
        QVERIFY(w.Chart->Sources()[kMoonPair].Valid);
        QVERIFY(w.Chart->Caption().startsWith(QStringLiteral("UTC 2026-12-09")));
    }

    void PointingIsAskedForAtEveryRefresh() {
        SkyWindow w(station_, conditions_, library_, clock_, messages_, dir_.path());
        int asked = 0;
        w.Pointing = [&] {
            ++asked;
            PointingSnapshot s;
            s.Tracking = true;
            s.Target = SkyDirection{180, 30};
            s.Reported = SkyDirection{175, 28};
            return s;
        };
        w.resize(600, 660);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Refresh();
        QVERIFY(asked >= 1);
        // The target cross is drawn in yellow at its place.
        const QImage image = w.Chart->grab().toImage();
        const QPointF target = w.Chart->PixelOf(180, 30) * image.devicePixelRatio();
        const QColor c = image.pixelColor(target.toPoint() + QPoint(5, 0));
        QVERIFY2(c.red() > 200 && c.green() > 180 && c.blue() < 120, qPrintable(c.name()));
    }

    void RefusedHorizonFileKeepsThePreviousProfile() {
        SkyWindow w(station_, conditions_, library_, clock_, messages_, dir_.path());
        // A wall 50° high all round: the Moon at 40° is behind it.
        WriteText(Path("wall.csv"), "# a courtyard\n0,50\n120,50\n240,50\n");
        WriteText(Path("bad.csv"), "0,3\n90,5\n\n180,2\n# tower\n270,6\n300,95\n");
        QVERIFY(w.LoadHorizonFile(Path("wall.csv")));
        QVERIFY(messages_.said.empty());
        QVERIFY(w.Chart->Sources()[kMoonPair].Hidden);

        w.ChooseOpenFile = [this](const QString&, const QString&) { return Path("bad.csv"); };
        w.LoadHorizon->click();
        QCOMPARE(messages_.said.size(), std::size_t{1});
        QCOMPARE(messages_.said[0],
                 std::string(
                     "Warning|Horizon profile|bad.csv, line 7: elevation 95 is outside -5 to 90"));
        QVERIFY(w.Horizon().has_value());
        QCOMPARE(w.Horizon()->Points().size(), std::size_t{3});
        QCOMPARE(w.HorizonFile(), QFileInfo(Path("wall.csv")).absoluteFilePath());
        QVERIFY(w.Chart->Sources()[kMoonPair].Hidden);

        QVERIFY(!w.LoadHorizonFile(Path("missing.csv")));
        QCOMPARE(messages_.said.size(), std::size_t{2});
        QVERIFY(w.Horizon().has_value());

        // Kept for the next run, and gone after Clear horizon.
        SkyWindow again(station_, conditions_, library_, clock_, messages_, dir_.path());
        QVERIFY(again.Horizon().has_value());
        w.ClearHorizon->click();
        QVERIFY(!w.Horizon().has_value());
        QVERIFY(!w.Chart->Sources()[kMoonPair].Hidden);
        QVERIFY(LoadSkySettings(dir_.path(), {}).HorizonFile.isEmpty());
    }

    void ExportsAreWrittenAndReadable() {
        SkyWindow w(station_, conditions_, library_, clock_, messages_, dir_.path());
        w.resize(640, 700);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Refresh();

        w.PngSize = QSize(900, 700);
        QCOMPARE(Export(w, w.SavePng, Path("sky")), QString());
        const QImage png(Path("sky.png")); // the suffix added
        QCOMPARE(png.size(), QSize(900, 700));
        // The chart is on it: the night sky at the centre.
        QVERIFY(png.pixelColor(450, 350).blue() > png.pixelColor(450, 350).red());

        QCOMPARE(Export(w, w.SaveSvg, Path("sky.svg")), QString());
        QFile svgFile(Path("sky.svg"));
        QVERIFY(svgFile.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&svgFile);
        int elements = 0;
        while (!xml.atEnd()) {
            elements += xml.readNext() == QXmlStreamReader::StartElement ? 1 : 0;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(elements > 20);
        QVERIFY(QSvgRenderer(Path("sky.svg")).isValid());

        w.ChoosePrinter = [this](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(Path("sky.pdf"));
            return true;
        };
        QSignalSpy printed(&w, &SkyWindow::ExportFinished);
        w.Print->click();
        QVERIFY(printed.wait(10000));
        QCOMPARE(printed.first().at(1).toString(), QString());
        QFile pdf(Path("sky.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        QVERIFY(pdf.size() > 2000);

        // The other page is saved as it is shown.
        w.Pages->setCurrentIndex(1);
        w.PngSize = QSize(300, 200);
        QCOMPARE(Export(w, w.SavePng, Path("elevation.png")), QString());
        QCOMPARE(QImage(Path("elevation.png")).size(), QSize(300, 200));

        // A file that cannot be written is said, not passed over.
        QVERIFY(messages_.said.empty());
        const QString problem = Export(w, w.SavePng, Path("no/such/folder/x.png"));
        QVERIFY(!problem.isEmpty());
        QCOMPARE(messages_.said.size(), std::size_t{1});
        QVERIFY(messages_.said[0].starts_with("Warning|Sky|"));
    }

    void PrintedPagesAreWholeWithATitle_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("chartText");
        QTest::newRow("Sky now") << 0 << "UTC 2026-12-09 21:30:00";
        QTest::newRow("Elevation") << 1 << "Elevation test chart";
    }
    void PrintedPagesAreWholeWithATitle() {
        QFETCH(int, page);
        QFETCH(QString, chartText);
        station_.CallSign = "DL0TST";
        station_.Location = "Darmstadt";
        SkyWindow w(station_, conditions_, library_, clock_, messages_, dir_.path());
        // The elevation page's kind of chart, its background a colour of its
        // own to be found on the page.
        const QColor ground(20, 70, 40);
        auto* chart = new QChart;
        auto* line = new QLineSeries;
        *line << QPointF(0, 0) << QPointF(1, 50) << QPointF(2, 20);
        chart->addSeries(line);
        chart->createDefaultAxes();
        chart->setTitle(QStringLiteral("Elevation test chart"));
        chart->setBackgroundBrush(ground);
        chart->setBackgroundRoundness(0);
        chart->setMargins({});
        chart->layout()->setContentsMargins(0, 0, 0, 0);
        auto* view = new QChartView(chart);
        w.SetElevationView(view, PaintingOf(chart));
        w.resize(700, 640);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Refresh();
        w.Pages->setCurrentIndex(page);
        QTest::qWait(50);
        const QSize shown = w.Pages->currentWidget()->size();

        const QString pdf = Path("page.pdf");
        QRectF printable; // points, from the page's top-left corner
        w.ChoosePrinter = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printable = printer.pageLayout().paintRect(QPageLayout::Point);
            return true;
        };
        QSignalSpy printed(&w, &SkyWindow::ExportFinished);
        w.Print->click();
        QVERIFY(printed.wait(10000));
        QCOMPARE(printed.first().at(1).toString(), QString());

        // The title line, and the chart's own text whole.
        const QString text =
            QString::fromUtf8(Run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}))
                .simplified();
        for (const QString& wanted :
             {QStringLiteral("Vantrel ") + w.Pages->tabText(page), QStringLiteral("DL0TST"),
              QStringLiteral("Darmstadt"), QStringLiteral("49.870° N"),
              QStringLiteral("printed 2026-12-09 21:30 UTC"), QStringLiteral("no refraction"),
              chartText}) {
            QVERIFY2(text.contains(wanted), qPrintable(wanted + QStringLiteral(" in: ") + text));
        }

        // The drawing fills the printable area below the title as far as
        // its aspect allows, centred, nothing cut.
        constexpr int kDpi = 36;
        QVERIFY(!Run(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-png"),
                      QStringLiteral("-singlefile"), pdf, Path("page")})
                     .isEmpty());
        const QImage image(Path("page.png"));
        QVERIFY(!image.isNull());
        const QColor fill = page == 0 ? QColor(30, 30, 36) : ground;
        const QRect box = BoxOf(image, fill, 6);
        const double toPx = kDpi / 72.0;
        const QRectF area(printable.topLeft() * toPx, printable.size() * toPx);
        const QString seen = QStringLiteral("drawing %1,%2 %3x%4 on printable %5,%6 %7x%8")
                                 .arg(box.x())
                                 .arg(box.y())
                                 .arg(box.width())
                                 .arg(box.height())
                                 .arg(area.x())
                                 .arg(area.y())
                                 .arg(area.width())
                                 .arg(area.height());
        QVERIFY2(area.adjusted(-2, -2, 2, 2).contains(QRectF(box)), qPrintable(seen));
        const double aspect = static_cast<double>(shown.width()) / shown.height();
        QVERIFY2(std::abs(static_cast<double>(box.width()) / box.height() / aspect - 1) < 0.04,
                 qPrintable(seen));
        // Touching both sides, or the bottom with a title's height above.
        const bool fullWidth = box.width() >= area.width() - 4;
        const bool fullHeight =
            box.bottom() >= area.bottom() - 3 && box.top() - area.top() < 0.06 * area.height();
        QVERIFY2(fullWidth || fullHeight, qPrintable(seen));
        QVERIFY2(std::abs((box.left() - area.left()) - (area.right() - box.right())) < 4,
                 qPrintable(seen));
    }

    void SvgRendersAsThePng() {
        // Debian's own SVG renderer draws the saved SVG as the PNG export
        // shows the chart: compared in blocks of 8 × 8 pixels, so a glyph
        // drawn a little differently does not count.
        SkyWindow w(station_, conditions_, library_, clock_, messages_, dir_.path());
        WriteText(Path("hills.csv"), "0,6\n60,12\n120,3\n200,20\n240,4\n300,8\n");
        QVERIFY(w.LoadHorizonFile(Path("hills.csv")));
        w.Pointing = [] {
            PointingSnapshot s;
            s.Tracking = true;
            s.Target = SkyDirection{100, 30};
            s.Reported = SkyDirection{96, 28};
            return s;
        };
        w.resize(640, 700);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int i = 0; i < 5 && !w.TracksReady(); ++i) {
            w.Refresh();
        }
        QVERIFY(w.TracksReady());
        const QSize size = w.Chart->size();
        w.PngSize = size;
        QCOMPARE(Export(w, w.SavePng, Path("chart.png")), QString());
        QCOMPARE(Export(w, w.SaveSvg, Path("chart.svg")), QString());
        QVERIFY(!Run(QStringLiteral("rsvg-convert"),
                     {QStringLiteral("-w"), QString::number(size.width()), QStringLiteral("-h"),
                      QString::number(size.height()), QStringLiteral("-b"), QStringLiteral("white"),
                      QStringLiteral("-o"), Path("rsvg.png"), Path("chart.svg")})
                     .isNull());
        const QImage png = QImage(Path("chart.png")).convertToFormat(QImage::Format_RGB32);
        const QImage rsvg = QImage(Path("rsvg.png")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(rsvg.size(), png.size());
        constexpr int kBlock = 8;
        double worst = 0;
        double sum = 0;
        int blocks = 0;
        for (int by = 0; by + kBlock <= png.height(); by += kBlock) {
            for (int bx = 0; bx + kBlock <= png.width(); bx += kBlock) {
                std::array<double, 6> mean{};
                for (int y = by; y < by + kBlock; ++y) {
                    for (int x = bx; x < bx + kBlock; ++x) {
                        const QColor a = png.pixelColor(x, y);
                        const QColor b = rsvg.pixelColor(x, y);
                        mean[0] += a.red();
                        mean[1] += a.green();
                        mean[2] += a.blue();
                        mean[3] += b.red();
                        mean[4] += b.green();
                        mean[5] += b.blue();
                    }
                }
                double d = 0;
                for (int c = 0; c < 3; ++c) {
                    d = std::max(d, std::abs(mean[c] - mean[c + 3]) / (kBlock * kBlock));
                }
                worst = std::max(worst, d);
                sum += d;
                ++blocks;
            }
        }
        const double average = sum / blocks;
        qInfo("librsvg against the PNG: mean block difference %.2f, worst %.1f (of 255)", average,
              worst);
        // Tolerances: antialiasing and glyph shapes move a block's mean by a
        // few levels; a missing or misplaced line, disc or fill by far more.
        QVERIFY2(average < 3.0, qPrintable(QString::number(average)));
        QVERIFY2(worst < 60.0, qPrintable(QString::number(worst)));
        // Stroke widths in user units, as every reader takes them.
        QFile svg(Path("chart.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QVERIFY(!svg.readAll().contains("non-scaling-stroke"));
    }

    void QtChartsAreSavedAtTheAskedSize() {
        // The elevation page's kind of chart: drawn afresh at the asked size,
        // its aspect kept on a white ground.
        auto* chart = new QChart;
        auto* line = new QLineSeries;
        *line << QPointF(0, 0) << QPointF(1, 50) << QPointF(2, 20);
        chart->addSeries(line);
        chart->createDefaultAxes();
        QChartView view(chart);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(SavePng(PaintingOf(chart), Path("chart.png"), QSize(1200, 600)), QString());
        const QImage png(Path("chart.png"));
        QCOMPARE(png.size(), QSize(1200, 600));
        // The 4:3 chart fills 800 × 600 in the middle; white beside it.
        int inked = 0;
        int inkedBeside = 0;
        for (int y = 0; y < png.height(); y += 3) {
            for (int x = 0; x < png.width(); x += 3) {
                if (png.pixelColor(x, y) != QColor(Qt::white)) {
                    ++(x < 195 || x > 1005 ? inkedBeside : inked);
                }
            }
        }
        QVERIFY2(inked > 500, qPrintable(QString::number(inked)));
        QCOMPARE(inkedBeside, 0);
        QByteArray svg = RenderSvg(PaintingOf(chart), QSize(400, 300), QStringLiteral("t"));
        QVERIFY(QSvgRenderer(svg).isValid());
        // Nothing drawn is not a file.
        QVERIFY(!WriteBytes(QByteArray(), Path("empty.svg")).isEmpty());
        QVERIFY(!QFile::exists(Path("empty.svg")));
    }

    void PlaceAndSettingsKeptHostileValuesTakeDefaults() {
        {
            SkyWindow w(station_, conditions_, library_, clock_, messages_, dir_.path());
            w.OpenBeside(nullptr);
            w.move(120, 90);
            w.resize(790, 640);
            w.Orientation->setCurrentIndex(1);
            w.close();
        }
        const SkySettings kept = LoadSkySettings(dir_.path(), {});
        QVERIFY(kept.Geometry.has_value());
        QCOMPARE(kept.Geometry->size(), QSize(790, 640));
        QCOMPARE(kept.Orientation, ChartOrientation::EastRight);

        {
            QSettings ini(Path("Vanset.ini"), QSettings::IniFormat);
            ini.setValue(QStringLiteral("Sky/Width"), QStringLiteral("wide"));
            ini.setValue(QStringLiteral("Sky/Orientation"), QStringLiteral("7"));
            ini.setValue(QStringLiteral("Sky/HorizonFile"), Path("missing.csv"));
        }
        const SkySettings hostile = LoadSkySettings(dir_.path(), {});
        QVERIFY(!hostile.Geometry.has_value());
        QCOMPARE(hostile.Orientation, ChartOrientation::EastLeft);
        {
            QSettings ini(Path("Vanset.ini"), QSettings::IniFormat);
            ini.setValue(QStringLiteral("Sky/Width"), QStringLiteral("-40"));
            ini.setValue(QStringLiteral("Sky/Left"), QStringLiteral("2147483647"));
        }
        const SkySettings huge = LoadSkySettings(dir_.path(), {QRect(0, 0, 1280, 1024)});
        QVERIFY(huge.Geometry.has_value());
        QVERIFY(QRect(0, 0, 1280, 1024).intersects(*huge.Geometry));
        QVERIFY(huge.Geometry->width() > 0);
        // An unreadable stored horizon file opens without a profile and
        // without a box.
        SkyWindow w(station_, conditions_, library_, clock_, messages_, dir_.path());
        QVERIFY(!w.Horizon().has_value());
        QVERIFY(messages_.said.empty());
    }

    void SkyTemperatureLayerIsMadeOffTheThreadAndKept() {
        conditions_.FrequencyMHz = 144;
        {
            SkyWindow w(station_, conditions_, library_, clock_, messages_, dir_.path());
            w.OpenBeside(nullptr);
            QVERIFY(!w.Chart->HasSkyLayer());
            w.SkyTemperature->setChecked(true);
            // The maps are read and the layer made on a worker; the window
            // goes on refreshing meanwhile.
            QTRY_VERIFY_WITH_TIMEOUT(w.Chart->HasSkyLayer(), 20000);
            QVERIFY(w.Status->text().isEmpty() || !w.Status->text().contains("No sky"));
            w.close();
        }
        QVERIFY(LoadSkySettings(dir_.path(), {}).SkyLayer);
        SkyWindow again(station_, conditions_, library_, clock_, messages_, dir_.path());
        QVERIFY(again.SkyTemperature->isChecked());
        again.SkyTemperature->setChecked(false);
        QVERIFY(!again.Chart->HasSkyLayer());
        QVERIFY(!LoadSkySettings(dir_.path(), {}).SkyLayer);
        QVERIFY(messages_.said.empty());
    }

    void MainWindowKeepsItsRhythmWhileTheSkyIsShown() {
        // The real library and clock, as the program runs.
        OrbexSunMoon library;
        SystemLocalClock clock;
        FixedDaylight daylight(false);
        MainWindowServices services;
        services.Station = &station_;
        services.Messages = &messages_;
        services.Clock = &clock;
        services.Library = &library;
        services.Daylight = &daylight;
        services.Conditions = &conditions_;
        services.WorkingDirectory = dir_.path().toStdString();
        TForm1 form(services);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        SkyWindow sky(station_, conditions_, library, clock, messages_, dir_.path());
        form.OnSky = [&] { sky.OpenBeside(&form); };
        QTest::mouseClick(form.TabSet2, Qt::LeftButton, Qt::NoModifier,
                          form.TabSet2->TabRect(kSkyTab).center());
        QVERIFY(sky.isVisible());
        QVERIFY(sky.Refresher->isActive());

        int ticks = 0;
        connect(form.Timer1, &QTimer::timeout, this, [&] { ++ticks; });
        const qint64 longest = test::LoggedOwnTickGap(form.Timer1, 3000);
        QVERIFY2(longest < test::kLongestTickGapMs,
                 qPrintable(QStringLiteral("longest gap %1 ms").arg(longest)));
        QVERIFY(ticks > 40);
        QVERIFY(sky.TracksReady());

        sky.close();
        QVERIFY(!sky.Refresher->isActive());
        // Left open, it would not keep the program running without its main
        // window.
        QVERIFY(!sky.testAttribute(Qt::WA_QuitOnClose));
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::SkyWindowTest)
#include "SkyWindowTest.moc"
