#include "skywin/SkyWindow.h"

#include "controls/SystemColours.h"
#include "help/ProcessPaths.h"
#include "mainwin/WindowPlacement.h"
#include "planner/GridLayout.h"
#include "skychart/SourceColours.h"
#include "skymodel/SkySurvey.h"
#include "skywin/SkyLayer.h"
#include "skywin/SkySettings.h"
#include "station/StationCheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <memory>
#include <string>

namespace vantrel {

namespace {

/// Where the window opens the first time, from the main window's corner.
const QPoint kOffsetFromMainWindow(60, 40);
const QSize kFirstSize(760, 820);

std::string Std(const QString& s) {
    return s.toStdString();
}

QString WithSuffix(QString path, const char* suffix) {
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + QLatin1String(suffix);
    }
    return path;
}

} // namespace

SkyWindow::SkyWindow(const HomeStation& station, const ObservingConditions& conditions,
                     SunMoonLibrary& library, const LocalClock& clock, UserMessages& messages,
                     QString directory, QWidget* parent)
    : QWidget(parent, Qt::Window), station_(station), conditions_(conditions), clock_(clock),
      messages_(messages), directory_(std::move(directory)), places_(library) {
    setWindowTitle(QLatin1String(kSkyCaption));
    // Closing the main window ends the program even while the sky is shown.
    setAttribute(Qt::WA_QuitOnClose, false);
    BuildControls();
    const SkySettings stored = LoadSkySettings(directory_, AvailableScreenRects());
    placed_ = RestorePlace(*this, stored.Geometry, kFirstSize);
    Orientation->setCurrentIndex(static_cast<int>(stored.Orientation));
    Chart->SetOrientation(stored.Orientation);
    SkyTemperature->setChecked(stored.SkyLayer);
    if (!stored.HorizonFile.isEmpty()) {
        const QByteArray text = [&] {
            QFile f(stored.HorizonFile);
            return f.size() <= static_cast<qint64>(kHorizonMaxFileBytes) &&
                           f.open(QIODevice::ReadOnly)
                       ? f.readAll()
                       : QByteArray();
        }();
        HorizonParse parsed = ParseHorizonProfile(
            std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        if (parsed.Profile) {
            horizon_ = std::move(parsed.Profile);
            horizonFile_ = stored.HorizonFile;
            Chart->SetHorizon(&*horizon_);
        } else {
            // Said in the status line, not in a box: the window is not open.
            shownStatus_ = QStringLiteral("Horizon profile %1 not read.").arg(stored.HorizonFile);
        }
    }
    Refresher = new QTimer(this);
    Refresher->setInterval(kSkyRefreshMs);
    connect(Refresher, &QTimer::timeout, this, &SkyWindow::Refresh);

    ChooseOpenFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileName(this, caption, QString(), filter);
    };
    ChooseSaveFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, QString(), filter);
    };
    ChoosePrinter = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
}

SkyWindow::~SkyWindow() {
    // A save or print still running holds only its own copies; wait for it
    // so no file is left half written when the program ends.
    for (QFutureWatcher<QString>* w : findChildren<QFutureWatcher<QString>*>()) {
        w->waitForFinished();
    }
}

void SkyWindow::BuildControls() {
    auto* column = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    Orientation = new QComboBox(this);
    Orientation->addItem(QStringLiteral("East left (as seen from below)"));
    Orientation->addItem(QStringLiteral("East right (as on a map)"));
    Orientation->setToolTip(QStringLiteral("Which way east lies on the chart; north is up"));
    LoadHorizon = new QPushButton(QStringLiteral("Load horizon…"), this);
    LoadHorizon->setToolTip(QStringLiteral("A file of azimuth,elevation points of the skyline"));
    ClearHorizon = new QPushButton(QStringLiteral("Clear horizon"), this);
    SavePng = new QPushButton(QStringLiteral("Save PNG…"), this);
    SaveSvg = new QPushButton(QStringLiteral("Save SVG…"), this);
    Print = new QPushButton(QStringLiteral("Print…"), this);
    buttons->addWidget(Orientation);
    buttons->addWidget(LoadHorizon);
    buttons->addWidget(ClearHorizon);
    SkyTemperature = new QCheckBox(QStringLiteral("Sky temperature"), this);
    SkyTemperature->setToolTip(
        QStringLiteral("The sky's brightness at the observing frequency under the chart, from "
                       "the 408 MHz survey (Haslam et al. 1982) scaled with its spectral index"));
    buttons->addStretch(1);
    buttons->addWidget(SavePng);
    buttons->addWidget(SaveSvg);
    buttons->addWidget(Print);
    column->addLayout(buttons);

    Pages = new QTabWidget(this);
    Chart = new SkyChartWidget(Pages);
    Chart->setToolTip(QStringLiteral("The sky now: zenith in the centre, horizon on the rim"));
    Pages->addTab(Chart, QStringLiteral("Sky now"));
    auto* placeholder =
        new QLabel(QStringLiteral("The elevation chart is not part of this build."));
    placeholder->setAlignment(Qt::AlignCenter);
    ElevationPage = placeholder;
    Pages->addTab(ElevationPage, QStringLiteral("Elevation"));
    column->addWidget(Pages, 1);

    Status = new QLabel(this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Status, 1);
    bottom->addWidget(SkyTemperature);
    column->addLayout(bottom);

    connect(Orientation, &QComboBox::currentIndexChanged, this, &SkyWindow::OrientationChosen);
    connect(SkyTemperature, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) {
            Chart->SetSkyLayer(QImage(), 0, 0, 0);
        } else if (StationInRange(station_)) {
            FollowSkyLayer(clock_.UtcNow());
        }
        StoreSettings();
    });
    connect(LoadHorizon, &QPushButton::clicked, this, &SkyWindow::LoadHorizonClick);
    connect(ClearHorizon, &QPushButton::clicked, this, &SkyWindow::ClearHorizonClick);
    connect(SavePng, &QPushButton::clicked, this, &SkyWindow::SavePngClick);
    connect(SaveSvg, &QPushButton::clicked, this, &SkyWindow::SaveSvgClick);
    connect(Print, &QPushButton::clicked, this, &SkyWindow::PrintClick);
    connect(Chart, &SkyChartWidget::Hovered, this, [this](const QString& text) {
        hover_ = text;
        ShowStatus();
    });
}

void SkyWindow::SetElevationView(QWidget* view, ChartPainting painting) {
    if (view == nullptr) {
        return;
    }
    elevationPainting_ = std::move(painting);
    const int index = Pages->indexOf(ElevationPage);
    Pages->removeTab(index);
    delete ElevationPage;
    ElevationPage = view;
    Pages->insertTab(index, view, QStringLiteral("Elevation"));
}

void SkyWindow::OpenBeside(QWidget* mainWindow) {
    OpenOnceBeside(*this, placed_, mainWindow, kOffsetFromMainWindow);
}

void SkyWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    Refresher->start();
}

void SkyWindow::hideEvent(QHideEvent* event) {
    Refresher->stop();
    StoreSettings();
    QWidget::hideEvent(event);
}

void SkyWindow::StoreSettings() {
    SkySettings s;
    if (placed_) {
        s.Geometry = QRect(pos(), size());
    }
    s.Orientation = Chart->Orientation();
    s.HorizonFile = horizonFile_;
    s.SkyLayer = SkyTemperature->isChecked();
    SaveSkySettings(directory_, s);
}

void SkyWindow::FollowSkyLayer(DateTime utc) {
    if (!SkyTemperature->isChecked()) {
        return;
    }
    if (skyLayer_ == nullptr) {
        skyLayer_ = new SkyLayerSource(sky::FindSkySurveyFolder(ExecutableDirectory()), this);
        connect(skyLayer_, &SkyLayerSource::Ready, this,
                [this](const QImage& image, double lowK, double highK, double mhz) {
                    if (!SkyTemperature->isChecked()) {
                        return;
                    }
                    if (image.isNull()) {
                        shownStatus_ =
                            QStringLiteral("No sky temperature: %1").arg(skyLayer_->Problem());
                        ShowStatus();
                        return;
                    }
                    Chart->SetSkyLayer(image, lowK, highK, mhz);
                });
    }
    skyLayer_->Follow(utc,
                      {static_cast<double>(station_.Latitude),
                       static_cast<double>(station_.Longitude),
                       static_cast<double>(station_.HeightAsl)},
                      conditions_.FrequencyMHz, Chart->Orientation());
}

void SkyWindow::OrientationChosen(int index) {
    Chart->SetOrientation(index == 1 ? ChartOrientation::EastRight : ChartOrientation::EastLeft);
    if (Chart->HasSkyLayer()) {
        Chart->SetSkyLayer(QImage(), 0, 0, 0);
        FollowSkyLayer(clock_.UtcNow());
    }
    StoreSettings();
}

void SkyWindow::Refresh() {
    // A station out of range has no sky: nothing is drawn where it would
    // stand, and the caption says why until the station is corrected.
    if (!StationInRange(station_)) {
        for (ChartSource& s : sources_) {
            s.Valid = false;
        }
        Chart->SetSources(sources_);
        Chart->ClearTracks();
        std::string caption = "Station out of range, no sky to show:";
        for (const StationProblem& problem : CheckStation(station_)) {
            caption += "\n" + DescribeProblem(problem);
        }
        Chart->SetCaption(QString::fromStdString(caption));
        lastSecond_ = -1;
        stationRefused_ = true;
        return;
    }
    const DateTime utc = clock_.UtcNow();
    const DecodedInstant at = DecodeInstant(utc);
    FollowSkyLayer(utc);
    if (stationRefused_ || !builder_.Started() ||
        !DayTrackKeyMatches(builder_.Key(), utc, station_, conditions_)) {
        stationRefused_ = false;
        builder_.Start(DayTrackKeyFor(utc, station_, conditions_));
        Chart->ClearTracks();
        for (std::size_t pair = 0; pair < kDisplayedSourceCount; ++pair) {
            ChartSource& s = sources_[pair];
            const auto source = DisplayedSource(pair, station_);
            s.Present = source.has_value();
            s.Source = source.value_or(SkySource::Aquarius);
            const std::string_view title = SkyPlaces::Title(s.Source, station_);
            s.Title = QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size()));
            s.Colour = ResolveColour(kPairBackground[pair]);
            const SourceRgb track = kSourceColours[pair];
            s.TrackColour = QColor(track.R, track.G, track.B);
        }
    }
    if (!builder_.Done() && builder_.Advance(places_, kTrackInstantsPerRefresh)) {
        Chart->SetTracks(builder_.Tracks());
    }
    for (ChartSource& s : sources_) {
        if (!s.Present) {
            continue;
        }
        const SkyPlaceDeg p = places_.At(s.Source, station_, conditions_, at);
        s.Valid = p.Valid;
        s.AzimuthDeg = p.AzimuthDeg;
        s.ElevationDeg = p.ElevationDeg;
        s.Hidden = p.Valid && horizon_ && horizon_->Hides(p.AzimuthDeg, p.ElevationDeg);
    }
    Chart->SetSources(sources_);
    if (Pointing) {
        Chart->SetPointing(Pointing());
    }
    if (at.Second != lastSecond_) {
        lastSecond_ = at.Second;
        Chart->SetCaption(QString::asprintf(
            "UTC %04u-%02u-%02u %02u:%02u:%02u   %.3f° %c  %.3f° %c", at.Year, at.Month, at.Day,
            at.Hour, at.Minute, at.Second, std::fabs(static_cast<double>(station_.Latitude)),
            station_.Latitude < 0 ? 'S' : 'N', std::fabs(static_cast<double>(station_.Longitude)),
            station_.Longitude < 0 ? 'W' : 'E'));
    }
}

void SkyWindow::ShowStatus() {
    QString text = hover_;
    if (!shownStatus_.isEmpty()) {
        text = text.isEmpty() ? shownStatus_ : text + QStringLiteral("    ") + shownStatus_;
    }
    Status->setText(text);
}

bool SkyWindow::LoadHorizonFile(const QString& path) {
    const auto refuse = [&](const QString& why) {
        messages_.Warning("Horizon profile", Std(why));
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return refuse(QStringLiteral("%1 could not be read: %2").arg(path, file.errorString()));
    }
    if (file.size() > static_cast<qint64>(kHorizonMaxFileBytes)) {
        return refuse(QStringLiteral("%1 is larger than %2 bytes; it is not a horizon profile.")
                          .arg(path)
                          .arg(kHorizonMaxFileBytes));
    }
    const QByteArray text = file.read(static_cast<qint64>(kHorizonMaxFileBytes) + 1);
    HorizonParse parsed = ParseHorizonProfile(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (!parsed.Profile) {
        return refuse(QFileInfo(path).fileName() + QStringLiteral(", ") +
                      QString::fromStdString(parsed.Problem));
    }
    horizon_ = std::move(parsed.Profile);
    horizonFile_ = QFileInfo(path).absoluteFilePath();
    Chart->SetHorizon(&*horizon_);
    shownStatus_ = QStringLiteral("Horizon: %1").arg(QFileInfo(path).fileName());
    ShowStatus();
    StoreSettings();
    Refresh();
    return true;
}

void SkyWindow::LoadHorizonClick() {
    const QString path =
        ChooseOpenFile(QStringLiteral("Load horizon profile"),
                       QStringLiteral("Horizon profiles (*.csv *.txt);;All files (*)"));
    if (!path.isEmpty()) {
        LoadHorizonFile(path);
    }
}

void SkyWindow::ClearHorizonClick() {
    horizon_.reset();
    horizonFile_.clear();
    Chart->SetHorizon(nullptr);
    shownStatus_.clear();
    ShowStatus();
    StoreSettings();
    Refresh();
}

ChartPainting SkyWindow::ShownPainting() const {
    if (Pages->currentWidget() == Chart) {
        const SkyChartWidget* chart = Chart;
        return [chart](QPainter& p, const QRectF& area) { chart->Paint(p, area); };
    }
    if (elevationPainting_) {
        return elevationPainting_;
    }
    return PaintingOf(Pages->currentWidget());
}

QSize SkyWindow::ShownSize() const {
    const QWidget* page = Pages->currentWidget();
    const QSize shown = page->size();
    return shown.width() >= 100 && shown.height() >= 100 ? shown : page->sizeHint();
}

QString SkyWindow::ShownName() const {
    return Pages->tabText(Pages->currentIndex());
}

void SkyWindow::Finish(const QString& path, std::function<QString()> work) {
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher, path] {
        const QString problem = watcher->result();
        watcher->deleteLater();
        if (!problem.isEmpty()) {
            messages_.Warning("Sky", Std(problem));
        }
        emit ExportFinished(path, problem);
    });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

void SkyWindow::SavePngClick() {
    QString path = ChooseSaveFile(QStringLiteral("Save PNG"), QStringLiteral("PNG images (*.png)"));
    if (path.isEmpty()) {
        return;
    }
    path = WithSuffix(path, "png");
    const QSize pixels = PngSize.isEmpty() ? ShownSize() * 2 : PngSize;
    QImage image = RenderImage(ShownPainting(), pixels);
    Finish(path, [image = std::move(image), path] { return WritePng(image, path); });
}

void SkyWindow::SaveSvgClick() {
    QString path =
        ChooseSaveFile(QStringLiteral("Save SVG"), QStringLiteral("SVG drawings (*.svg)"));
    if (path.isEmpty()) {
        return;
    }
    path = WithSuffix(path, "svg");
    QByteArray svg =
        RenderSvg(ShownPainting(), ShownSize(), QStringLiteral("Vantrel: ") + ShownName());
    Finish(path, [svg = std::move(svg), path] { return WriteBytes(svg, path); });
}

void SkyWindow::PrintClick() {
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(QStringLiteral("Vantrel ") + ShownName());
    const QSize size = ShownSize();
    // The page turned as the chart is: the user may still turn it.
    printer->setPageOrientation(size.width() > size.height() ? QPageLayout::Landscape
                                                             : QPageLayout::Portrait);
    if (!ChoosePrinter(*printer)) {
        return;
    }
    const QPicture picture = RecordPicture(ShownPainting(), size); // shared, cheap to copy
    const QString title = PrintTitle();
    const QString target =
        printer->outputFileName().isEmpty() ? printer->printerName() : printer->outputFileName();
    Finish(target, [printer, picture, size, title] {
        return PrintPicture(picture, size, title, *printer);
    });
}

QString SkyWindow::PrintTitle() {
    const DecodedInstant at = DecodeInstant(clock_.UtcNow());
    QStringList station;
    for (const std::string* s : {&station_.CallSign, &station_.Location}) {
        const QString text = QString::fromLatin1(s->data(), static_cast<qsizetype>(s->size()));
        if (!text.trimmed().isEmpty()) {
            station << text.trimmed();
        }
    }
    const auto lat = static_cast<double>(station_.Latitude);
    const auto lon = static_cast<double>(station_.Longitude);
    station << QString::asprintf("%.3f° %c  %.3f° %c  %.0f m", std::fabs(lat), lat < 0 ? 'S' : 'N',
                                 std::fabs(lon), lon < 0 ? 'W' : 'E',
                                 static_cast<double>(station_.HeightAsl));
    QStringList options;
    if (Pages->currentWidget() == Chart) {
        options << (Chart->Orientation() == ChartOrientation::EastRight
                        ? QStringLiteral("east right")
                        : QStringLiteral("east left"));
        options << (horizon_ ? QStringLiteral("horizon %1").arg(QFileInfo(horizonFile_).fileName())
                             : QStringLiteral("no horizon profile"));
    }
    options << (conditions_.Apparent ? QStringLiteral("apparent places")
                                     : QStringLiteral("catalogue places"));
    options << (conditions_.Refraction ? QStringLiteral("refraction at %1 hPa, %2 °C, %3 %")
                                             .arg(conditions_.PressureHpa)
                                             .arg(conditions_.TemperatureC)
                                             .arg(conditions_.RelativeHumidityPercent)
                                       : QStringLiteral("no refraction"));
    return QStringLiteral("Vantrel %1 \u2014 %2 \u2014 printed %3 UTC \u2014 %4")
        .arg(ShownName(), station.join(QStringLiteral(", ")),
             QString::asprintf("%04u-%02u-%02u %02u:%02u", at.Year, at.Month, at.Day, at.Hour,
                               at.Minute),
             options.join(QStringLiteral("; ")));
}

} // namespace vantrel
