#include "skywin/SkyChartWidget.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

/// Elevation between two rings, degrees.
constexpr double kRingStepDeg = 15.0;
/// Azimuth between two spokes, degrees.
constexpr double kSpokeStepDeg = 30.0;
/// Azimuth step of the drawn skyline, degrees.
constexpr double kSkylineStepDeg = 1.0;
/// Room around the disk for the compass letters, as a part of the radius.
constexpr double kMarginPart = 0.09;

// The night sky and what is drawn on it.
const QColor kSky(12, 24, 52);
const QColor kOutside(30, 30, 36);
const QColor kRing(92, 112, 150);
const QColor kGridText(170, 185, 215);
const QColor kLabel(235, 238, 245);
const QColor kDulledLabel(120, 125, 135);
const QColor kSkyline(62, 78, 48, 215);
const QColor kSkylineEdge(140, 170, 100);
const QColor kTarget(255, 220, 60);
const QColor kReported(90, 240, 120);
const QColor kSunRim(255, 200, 40);
const QColor kMoonRim(250, 250, 255);

/// Marker radii, pixels.
constexpr double kSourceRadius = 4.5;
constexpr double kSunRadius = 9.0;
constexpr double kMoonRadius = 8.0;
constexpr double kCrossHalf = 9.0;
constexpr double kReportedRadius = 7.0;

QPointF UnitPoint(double azimuthDeg, double elevationDeg, ChartOrientation o) {
    const DiskPoint d = ProjectSky(azimuthDeg, elevationDeg, o);
    return {d.X, d.Y};
}

} // namespace

SkyChartWidget::SkyChartWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkyChartWidget::SetOrientation(ChartOrientation orientation) {
    if (orientation == orientation_) {
        return;
    }
    orientation_ = orientation;
    Rebuild();
    update();
}

void SkyChartWidget::SetSources(const std::array<ChartSource, kDisplayedSourceCount>& sources) {
    sources_ = sources;
    update();
}

void SkyChartWidget::SetTracks(const std::array<DayTrack, kDisplayedSourceCount>& tracks) {
    tracks_ = tracks;
    hasTracks_ = true;
    Rebuild();
    update();
}

void SkyChartWidget::ClearTracks() {
    for (auto& t : tracks_) {
        t.Pieces.clear();
    }
    hasTracks_ = false;
    Rebuild();
    update();
}

void SkyChartWidget::SetHorizon(const HorizonProfile* profile) {
    horizon_.reset();
    if (profile != nullptr) {
        horizon_.emplace(*profile);
    }
    Rebuild();
    update();
}

void SkyChartWidget::SetPointing(const PointingSnapshot& pointing) {
    pointing_ = pointing;
    update();
}

void SkyChartWidget::SetCaption(const QString& caption) {
    if (caption != caption_) {
        caption_ = caption;
        update();
    }
}

void SkyChartWidget::Rebuild() {
    for (std::size_t i = 0; i < kDisplayedSourceCount; ++i) {
        trackLines_[i].clear();
        for (const TrackPiece& piece : tracks_[i].Pieces) {
            QPolygonF line;
            line.reserve(static_cast<qsizetype>(piece.size()));
            for (const TrackPlace& p : piece) {
                line << UnitPoint(p.AzimuthDeg, p.ElevationDeg, orientation_);
            }
            trackLines_[i].push_back(std::move(line));
        }
    }
    skyline_ = QPainterPath();
    if (horizon_) {
        // The rim and the skyline filled even-odd: the ground between them.
        skyline_.setFillRule(Qt::OddEvenFill);
        skyline_.addEllipse(QPointF(0, 0), 1.0, 1.0);
        QPolygonF edge;
        for (const HorizontalDeg& p : horizon_->Outline(kSkylineStepDeg)) {
            edge << UnitPoint(p.AzimuthDeg, p.ElevationDeg, orientation_);
        }
        edge << edge.front();
        skyline_.addPolygon(edge);
    }
}

SkyChartWidget::Disk SkyChartWidget::DiskIn(const QRectF& area) {
    const double side = std::min(area.width(), area.height());
    return {area.center(), std::max(1.0, side / 2 / (1 + kMarginPart))};
}

QPointF SkyChartWidget::Pixel(const Disk& disk, double azimuthDeg, double elevationDeg) const {
    const QPointF u = UnitPoint(azimuthDeg, elevationDeg, orientation_);
    return {disk.Centre.x() + disk.Radius * u.x(), disk.Centre.y() - disk.Radius * u.y()};
}

QPointF SkyChartWidget::PixelOf(double azimuthDeg, double elevationDeg) const {
    return Pixel(DiskIn(QRectF(rect())), azimuthDeg, elevationDeg);
}

void SkyChartWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    Paint(p, QRectF(rect()));
}

void SkyChartWidget::Paint(QPainter& p, const QRectF& area) const {
    p.save();
    p.fillRect(area, kOutside);
    const Disk disk = DiskIn(area);
    p.setPen(Qt::NoPen);
    p.setBrush(kSky);
    p.drawEllipse(disk.Centre, disk.Radius, disk.Radius);
    PaintGrid(p, disk);
    PaintTracks(p, disk);
    PaintSkyline(p, disk);
    PaintSources(p, disk);
    PaintPointing(p, disk);
    if (!caption_.isEmpty()) {
        QFont f = font();
        f.setPixelSize(std::max(9, static_cast<int>(disk.Radius / 24)));
        p.setFont(f);
        p.setPen(kGridText);
        p.drawText(area.adjusted(6, 4, -6, -4), Qt::AlignLeft | Qt::AlignTop, caption_);
    }
    p.restore();
}

void SkyChartWidget::PaintGrid(QPainter& p, const Disk& disk) const {
    QPen ring(kRing);
    ring.setCosmetic(true);
    ring.setWidthF(1.0);
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    for (double el = 0; el < 90; el += kRingStepDeg) {
        const double r = disk.Radius * (90 - el) / 90;
        p.drawEllipse(disk.Centre, r, r);
    }
    ring.setStyle(Qt::DotLine);
    p.setPen(ring);
    for (double az = 0; az < 360; az += kSpokeStepDeg) {
        p.drawLine(disk.Centre, Pixel(disk, az, 0));
    }
    QFont f = font();
    f.setPixelSize(std::max(8, static_cast<int>(disk.Radius / 30)));
    p.setFont(f);
    p.setPen(kGridText);
    // Ring labels along the spoke 15° east of north, clear of the sources'
    // usual paths through the meridian.
    for (double el = kRingStepDeg; el < 90; el += kRingStepDeg) {
        const QPointF at = Pixel(disk, 15, el);
        p.drawText(at + QPointF(2, -2), QStringLiteral("%1°").arg(el, 0, 'f', 0));
    }
    QFont compass = font();
    compass.setBold(true);
    compass.setPixelSize(std::max(10, static_cast<int>(disk.Radius / 16)));
    p.setFont(compass);
    const QFontMetricsF m(compass);
    constexpr std::array<std::pair<double, char>, 4> kPoints{
        {{0, 'N'}, {90, 'E'}, {180, 'S'}, {270, 'W'}}};
    for (const auto& [az, letter] : kPoints) {
        const QPointF at = Pixel(disk, az, -90 * kMarginPart / 2);
        const QString text{QLatin1Char(letter)};
        const QSizeF s = m.size(Qt::TextSingleLine, text);
        p.drawText(QRectF(at - QPointF(s.width() / 2, s.height() / 2), s), Qt::AlignCenter, text);
    }
}

void SkyChartWidget::PaintSkyline(QPainter& p, const Disk& disk) const {
    if (skyline_.isEmpty()) {
        return;
    }
    p.save();
    QPainterPath rim;
    rim.addEllipse(disk.Centre, disk.Radius, disk.Radius);
    p.setClipPath(rim);
    p.translate(disk.Centre);
    p.scale(disk.Radius, -disk.Radius);
    QPen edge(kSkylineEdge);
    edge.setCosmetic(true);
    edge.setWidthF(1.5);
    p.setPen(edge);
    p.setBrush(kSkyline);
    p.drawPath(skyline_);
    p.restore();
}

void SkyChartWidget::PaintTracks(QPainter& p, const Disk& disk) const {
    p.save();
    p.translate(disk.Centre);
    p.scale(disk.Radius, -disk.Radius);
    p.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < kDisplayedSourceCount; ++i) {
        if (!sources_[i].Present) {
            continue;
        }
        QColor c = sources_[i].Colour;
        c.setAlpha(150);
        QPen pen(c);
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
        p.setPen(pen);
        for (const QPolygonF& line : trackLines_[i]) {
            p.drawPolyline(line);
        }
    }
    p.restore();
}

void SkyChartWidget::PaintSources(QPainter& p, const Disk& disk) const {
    QFont f = font();
    f.setPixelSize(std::max(9, static_cast<int>(disk.Radius / 22)));
    p.setFont(f);
    for (const ChartSource& s : sources_) {
        if (!s.Present || !s.Valid || s.ElevationDeg < 0) {
            continue; // below the horizon: not on the chart
        }
        const QPointF at = Pixel(disk, s.AzimuthDeg, s.ElevationDeg);
        p.setOpacity(s.Hidden ? 0.35 : 1.0);
        double radius = kSourceRadius;
        QColor rim = s.Colour.darker(160);
        if (s.Source == SkySource::Sun) {
            radius = kSunRadius;
            rim = kSunRim;
        } else if (s.Source == SkySource::Moon) {
            radius = kMoonRadius;
            rim = kMoonRim;
        }
        QPen pen(rim);
        pen.setWidthF(s.Source == SkySource::Sun || s.Source == SkySource::Moon ? 2.0 : 1.0);
        p.setPen(pen);
        p.setBrush(s.Colour);
        p.drawEllipse(at, radius, radius);
        p.setOpacity(1.0);
        p.setPen(s.Hidden ? kDulledLabel : kLabel);
        p.drawText(at + QPointF(radius + 3, 4), s.Title);
    }
}

void SkyChartWidget::PaintPointing(QPainter& p, const Disk& disk) const {
    if (!pointing_.Tracking) {
        return;
    }
    if (pointing_.Reported) {
        QPen pen(kReported);
        pen.setWidthF(2.0);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(Pixel(disk, pointing_.Reported->AzimuthDeg, pointing_.Reported->ElevationDeg),
                      kReportedRadius, kReportedRadius);
    }
    if (pointing_.Target) {
        QPen pen(kTarget);
        pen.setWidthF(2.0);
        p.setPen(pen);
        const QPointF at =
            Pixel(disk, pointing_.Target->AzimuthDeg, pointing_.Target->ElevationDeg);
        p.drawLine(at - QPointF(kCrossHalf, 0), at + QPointF(kCrossHalf, 0));
        p.drawLine(at - QPointF(0, kCrossHalf), at + QPointF(0, kCrossHalf));
    }
}

void SkyChartWidget::mouseMoveEvent(QMouseEvent* event) {
    const Disk disk = DiskIn(QRectF(rect()));
    const QPointF d = event->position() - disk.Centre;
    const auto place = UnprojectSky({d.x() / disk.Radius, -d.y() / disk.Radius}, orientation_);
    if (!place) {
        emit Hovered(QString());
        return;
    }
    QString text = QStringLiteral("Az %1°  El %2°")
                       .arg(place->AzimuthDeg, 0, 'f', 1)
                       .arg(place->ElevationDeg, 0, 'f', 1);
    if (horizon_ && horizon_->Hides(place->AzimuthDeg, place->ElevationDeg)) {
        text += QStringLiteral("  behind the horizon profile");
    }
    emit Hovered(text);
}

void SkyChartWidget::leaveEvent(QEvent* event) {
    emit Hovered(QString());
    QWidget::leaveEvent(event);
}

} // namespace vantrel
