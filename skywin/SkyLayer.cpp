#include "skywin/SkyLayer.h"

#include "skymodel/SkyOverHorizon.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

/// The scale's colours, evenly spaced from cold to hot.
struct Stop {
    int R, G, B;
};
constexpr Stop kStops[] = {
    {8, 16, 70}, {72, 28, 130}, {178, 44, 96}, {236, 110, 32}, {252, 232, 150}};
/// The layer is laid over the chart's night blue, lightly transparent so
/// the rings show through.
constexpr int kLayerAlpha = 215;
constexpr double kSecondsPerDay = 86400.0;

} // namespace

QColor SkyLayerColour(double position) {
    const double x = std::clamp(position, 0.0, 1.0) * (std::size(kStops) - 1);
    const auto i = std::min(static_cast<std::size_t>(x), std::size(kStops) - 2);
    const double t = x - static_cast<double>(i);
    const auto mix = [&](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
    const Stop& a = kStops[i];
    const Stop& b = kStops[i + 1];
    return {mix(a.R, b.R), mix(a.G, b.G), mix(a.B, b.B)};
}

QImage SkyLayerImage(const SkyDiskLayer& layer) {
    QImage image(layer.Size, layer.Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const auto n = static_cast<std::size_t>(layer.Size);
    for (std::size_t row = 0; row < n; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(row)));
        for (std::size_t col = 0; col < n; ++col) {
            const float k = layer.Kelvin[row * n + col];
            if (std::isnan(k)) {
                continue;
            }
            const QColor c = SkyLayerColour(sky::SkyScalePosition(k, layer.LowK, layer.HighK));
            line[col] = qPremultiply(qRgba(c.red(), c.green(), c.blue(), kLayerAlpha));
        }
    }
    return image;
}

void PaintSkyLayer(QPainter& p, const QPointF& centre, double radius, const QImage& image) {
    if (image.isNull()) {
        return;
    }
    p.save();
    QPainterPath disk;
    disk.addEllipse(centre, radius, radius);
    p.setClipPath(disk);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), image);
    p.restore();
}

void PaintSkyLegend(QPainter& p, const QRectF& area, double radius, double lowK, double highK,
                    double frequencyMHz) {
    if (!(highK > lowK) || !(lowK > 0)) {
        return;
    }
    p.save();
    const double barW = std::max(60.0, radius * 0.55);
    const double barH = std::max(6.0, radius / 40);
    QFont f = p.font();
    f.setPixelSize(std::max(8, static_cast<int>(radius / 30)));
    p.setFont(f);
    const double line = f.pixelSize() * 1.3;
    const QRectF bar(area.right() - barW - 8, area.bottom() - 8 - barH - line, barW, barH);
    QLinearGradient g(bar.topLeft(), bar.topRight());
    for (int i = 0; i <= 8; ++i) {
        g.setColorAt(i / 8.0, SkyLayerColour(i / 8.0));
    }
    p.setPen(QColor(170, 185, 215));
    p.setBrush(g);
    p.drawRect(bar);
    const auto kelvin = [](double k) {
        return k >= 1000 ? QStringLiteral("%1 K").arg(k, 0, 'f', 0)
                         : QStringLiteral("%1 K").arg(k, 0, 'g', 3);
    };
    p.drawText(QRectF(bar.left(), bar.bottom() + 1, bar.width(), line), Qt::AlignLeft,
               kelvin(lowK));
    p.drawText(QRectF(bar.left(), bar.bottom() + 1, bar.width(), line), Qt::AlignRight,
               kelvin(highK));
    p.drawText(QRectF(bar.left() - 60, bar.top() - line - 1, bar.width() + 60, line),
               Qt::AlignRight,
               QStringLiteral("Sky at %1 MHz (408 MHz survey)").arg(frequencyMHz, 0, 'g', 6));
    p.restore();
}

SkyLayerSource::SkyLayerSource(std::string surveyFolder, QObject* parent)
    : QObject(parent), folder_(std::move(surveyFolder)) {
    connect(&watcher_, &QFutureWatcher<Made>::finished, this, &SkyLayerSource::Done);
}

SkyLayerSource::~SkyLayerSource() {
    watcher_.waitForFinished();
}

void SkyLayerSource::Follow(DateTime utc, const sky::SkyStation& station, double frequencyMHz,
                            ChartOrientation orientation) {
    if (watcher_.isRunning() || !problem_.isEmpty() || !(frequencyMHz > 0)) {
        return;
    }
    const bool same = madeAt_ && std::fabs(utc - *madeAt_) * kSecondsPerDay < kSkyLayerRefreshS &&
                      station.LatitudeDeg == station_.LatitudeDeg &&
                      station.LongitudeDeg == station_.LongitudeDeg &&
                      frequencyMHz == frequencyMHz_ && orientation == orientation_;
    if (same) {
        return;
    }
    madeAt_ = utc;
    station_ = station;
    frequencyMHz_ = frequencyMHz;
    orientation_ = orientation;
    auto survey = survey_;
    auto brightness = brightness_;
    const std::string folder = folder_;
    watcher_.setFuture(QtConcurrent::run([=]() mutable {
        Made made;
        if (!survey) {
            sky::SharedSkySurvey shared = sky::SkySurveyOf(folder);
            if (!shared.Survey) {
                made.Problem = QString::fromStdString(shared.Problem);
                return made;
            }
            survey = shared.Survey;
        }
        if (!brightness || brightness->FrequencyMHz() != frequencyMHz) {
            brightness = std::make_shared<const sky::SkyBrightness>(*survey, frequencyMHz);
        }
        const sky::SkyOverHorizon over(*brightness, station, utc);
        const SkyDiskLayer layer = MakeSkyDiskLayer(over, kSkyLayerCells, orientation);
        made.Image = SkyLayerImage(layer);
        made.LowK = layer.LowK;
        made.HighK = layer.HighK;
        made.FrequencyMHz = frequencyMHz;
        made.Survey = survey;
        made.Brightness = brightness;
        return made;
    }));
}

void SkyLayerSource::Done() {
    Made made = watcher_.result();
    if (!made.Problem.isEmpty()) {
        problem_ = made.Problem;
        emit Ready(QImage(), 0, 0, 0);
        return;
    }
    survey_ = made.Survey;
    brightness_ = made.Brightness;
    emit Ready(made.Image, made.LowK, made.HighK, made.FrequencyMHz);
}

} // namespace vantrel
