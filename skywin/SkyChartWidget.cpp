#include "skywin/SkyChartWidget.h"

#include "skywin/SkyLayer.h"

#include <QFontMetricsF>
#include <QLineF>
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
const QColor kRing(58, 74, 108);
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

/// Pen widths, pixels of the area drawn into.
constexpr double kGridPen = 1.0;
constexpr double kSkylinePen = 1.5;
constexpr double kTrackPen = 1.6;
/// Day tracks: opacity 0..255, and how much lighter their names are
/// (QColor::lighter, per cent).
constexpr int kTrackAlpha = 210;
constexpr int kTrackNameLighter = 150;
/// A track's name is left out within this many lines of its source's marker.
constexpr double kTrackNameClearLines = 2.5;

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

void SkyChartWidget::SetSkyLayer(const QImage& image, double lowK, double highK,
                                 double frequencyMHz) {
    skyLayer_ = image;
    skyLowK_ = lowK;
    skyHighK_ = highK;
    skyMHz_ = frequencyMHz;
    background_ = QImage();
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
    background_ = QImage();
    for (std::size_t i = 0; i < kDisplayedSourceCount; ++i) {
        trackLines_[i].clear();
        trackNameAt_[i].reset();
        double highestDeg = -1;
        for (const TrackPiece& piece : tracks_[i].Pieces) {
            QPolygonF line;
            line.reserve(static_cast<qsizetype>(piece.size()));
            for (const TrackPlace& p : piece) {
                line << UnitPoint(p.AzimuthDeg, p.ElevationDeg, orientation_);
                if (p.ElevationDeg > highestDeg) {
                    highestDeg = p.ElevationDeg;
                    trackNameAt_[i] = line.back();
                }
            }
            trackLines_[i].push_back(std::move(line));
        }
    }
    skyline_ = QPainterPath();
    if (horizon_) {
        // The rim and the skyline filled even-odd: the ground between them.
        // A skyline below the horizon is drawn on the rim, so the ground
        // never leaves the disk and needs no clip (a clip path is not kept
        // alike by every SVG reader).
        skyline_.setFillRule(Qt::OddEvenFill);
        skyline_.addEllipse(QPointF(0, 0), 1.0, 1.0);
        QPolygonF edge;
        for (const HorizontalDeg& p : horizon_->Outline(kSkylineStepDeg)) {
            edge << UnitPoint(p.AzimuthDeg, std::max(p.ElevationDeg, 0.0), orientation_);
        }
        edge << edge.front();
        skyline_.addPolygon(edge);
    }
}

QTransform SkyChartWidget::UnitToArea(const Disk& disk) {
    return {disk.Radius, 0, 0, -disk.Radius, disk.Centre.x(), disk.Centre.y()};
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
    // What changes only with the size, the orientation, the tracks or the
    // skyline is kept as an image; a refresh draws the sources over it.
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = size() * dpr;
    if (background_.size() != pixels) {
        background_ = QImage();
    }
    if (background_.isNull()) {
        background_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        background_.setDevicePixelRatio(dpr);
        QPainter b(&background_);
        b.setRenderHint(QPainter::Antialiasing);
        PaintBackground(b, QRectF(rect()));
    }
    QPainter p(this);
    p.drawImage(QPointF(0, 0), background_);
    p.setRenderHint(QPainter::Antialiasing);
    PaintForeground(p, QRectF(rect()));
}

void SkyChartWidget::Paint(QPainter& p, const QRectF& area) const {
    PaintBackground(p, area);
    PaintForeground(p, area);
}

void SkyChartWidget::PaintBackground(QPainter& p, const QRectF& area) const {
    p.save();
    p.fillRect(area, kOutside);
    const Disk disk = DiskIn(area);
    p.setPen(Qt::NoPen);
    p.setBrush(kSky);
    p.drawEllipse(disk.Centre, disk.Radius, disk.Radius);
    PaintSkyLayer(p, disk.Centre, disk.Radius, skyLayer_);
    PaintGrid(p, disk);
    PaintTracks(p, disk);
    PaintSkyline(p, disk);
    p.restore();
}

void SkyChartWidget::PaintForeground(QPainter& p, const QRectF& area) const {
    p.save();
    const Disk disk = DiskIn(area);
    PaintTrackNames(p, disk);
    PaintSources(p, disk, area);
    PaintPointing(p, disk);
    if (!skyLayer_.isNull()) {
        PaintSkyLegend(p, area, disk.Radius, skyLowK_, skyHighK_, skyMHz_);
    }
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
    ring.setWidthF(kGridPen);
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
    QPen edge(kSkylineEdge);
    edge.setWidthF(kSkylinePen);
    p.setPen(edge);
    p.setBrush(kSkyline);
    p.drawPath(UnitToArea(disk).map(skyline_));
    p.restore();
}

void SkyChartWidget::PaintTracks(QPainter& p, const Disk& disk) const {
    p.save();
    const QTransform toArea = UnitToArea(disk);
    p.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < kDisplayedSourceCount; ++i) {
        if (!sources_[i].Present) {
            continue;
        }
        QColor c = sources_[i].TrackColour;
        c.setAlpha(kTrackAlpha);
        QPen pen(c);
        pen.setWidthF(kTrackPen);
        p.setPen(pen);
        for (const QPolygonF& line : trackLines_[i]) {
            p.drawPolyline(toArea.map(line));
        }
    }
    p.restore();
}

void SkyChartWidget::PaintTrackNames(QPainter& p, const Disk& disk) const {
    // Under each track's highest place, in its colour made light enough to
    // read on the night sky; left out while the source itself stands there
    // with its own label.
    const QTransform toArea = UnitToArea(disk);
    QFont f = font();
    f.setPixelSize(std::max(8, static_cast<int>(disk.Radius / 30)));
    p.setFont(f);
    const QFontMetricsF metrics(f);
    const double near = kTrackNameClearLines * metrics.height();
    for (std::size_t i = 0; i < kDisplayedSourceCount; ++i) {
        const ChartSource& s = sources_[i];
        if (!s.Present || !trackNameAt_[i]) {
            continue;
        }
        const QPointF at = toArea.map(*trackNameAt_[i]);
        if (s.Valid && s.ElevationDeg >= 0 &&
            QLineF(at, Pixel(disk, s.AzimuthDeg, s.ElevationDeg)).length() < near) {
            continue;
        }
        const QSizeF size = metrics.size(Qt::TextSingleLine, s.Title);
        p.setPen(s.TrackColour.lighter(kTrackNameLighter));
        p.drawText(QRectF(at + QPointF(-size.width() / 2, 2), size), Qt::AlignCenter, s.Title);
    }
}

double SkyChartWidget::MarkerRadius(SkySource source) {
    if (source == SkySource::Sun) {
        return kSunRadius;
    }
    return source == SkySource::Moon ? kMoonRadius : kSourceRadius;
}

void SkyChartWidget::PaintSources(QPainter& p, const Disk& disk, const QRectF& area) const {
    const auto shown = [](const ChartSource& s) {
        return s.Present && s.Valid && s.ElevationDeg >= 0; // below the horizon: not drawn
    };
    // Markers first, so that no label is put over one.
    std::array<QRectF, 2 * kDisplayedSourceCount> taken{};
    std::size_t takenCount = 0;
    for (const ChartSource& s : sources_) {
        if (!shown(s)) {
            continue;
        }
        const QPointF at = Pixel(disk, s.AzimuthDeg, s.ElevationDeg);
        const double radius = MarkerRadius(s.Source);
        const bool bright = s.Source == SkySource::Sun || s.Source == SkySource::Moon;
        QPen pen(s.Source == SkySource::Sun    ? kSunRim
                 : s.Source == SkySource::Moon ? kMoonRim
                                               : s.Colour.darker(160));
        pen.setWidthF(bright ? 2.0 : 1.0);
        p.setOpacity(s.Hidden ? 0.35 : 1.0);
        p.setPen(pen);
        p.setBrush(s.Colour);
        p.drawEllipse(at, radius, radius);
        taken[takenCount++] = QRectF(at - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    }
    p.setOpacity(1.0);

    // Each label where it covers no marker or label placed before and stays
    // on the chart: right of its marker, else left, above or below. The Sun
    // and the Moon are labelled first and take the best places.
    QFont f = font();
    f.setPixelSize(std::max(9, static_cast<int>(disk.Radius / 22)));
    p.setFont(f);
    const QFontMetricsF metrics(f);
    const auto free = [&](const QRectF& r) {
        if (!area.contains(r)) {
            return false;
        }
        for (std::size_t i = 0; i < takenCount; ++i) {
            if (taken[i].intersects(r)) {
                return false;
            }
        }
        return true;
    };
    constexpr std::array<std::size_t, kDisplayedSourceCount> kOrder{8, 7, 0, 1, 2, 3, 4, 5, 6};
    for (const std::size_t i : kOrder) {
        const ChartSource& s = sources_[i];
        if (!shown(s)) {
            continue;
        }
        const QPointF at = Pixel(disk, s.AzimuthDeg, s.ElevationDeg);
        const QSizeF text = metrics.size(Qt::TextSingleLine, s.Title);
        const double gap = MarkerRadius(s.Source) + 3;
        const std::array<QPointF, 4> corners{
            at + QPointF(gap, -text.height() / 2),                 // right
            at + QPointF(-gap - text.width(), -text.height() / 2), // left
            at + QPointF(-text.width() / 2, -gap - text.height()), // above
            at + QPointF(-text.width() / 2, gap)};                 // below
        QRectF label(corners[0], text);
        for (const QPointF& c : corners) {
            if (free(QRectF(c, text))) {
                label = QRectF(c, text);
                break;
            }
        }
        if (takenCount < taken.size()) {
            taken[takenCount++] = label;
        }
        p.setPen(s.Hidden ? kDulledLabel : kLabel);
        p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, s.Title);
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
