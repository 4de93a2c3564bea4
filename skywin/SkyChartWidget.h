#pragma once

#include "apparent/SkySource.h"
#include "skychart/DayTracks.h"
#include "skychart/HorizonProfile.h"
#include "skychart/PolarProjection.h"
#include "tracking/PointingSnapshot.h"

#include <QColor>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

namespace vantrel {

/// One source as the chart draws it at the present moment.
struct ChartSource {
    bool Present = false; ///< the display has a source in this pair
    SkySource Source = SkySource::Aquarius;
    QString Title;
    QColor Colour;
    bool Valid = false;      ///< the place could be computed
    double AzimuthDeg = 0;   ///< degrees from north through east
    double ElevationDeg = 0; ///< degrees, as the real-time grid shows it
    bool Hidden = false;     ///< behind the horizon profile
};

/// The polar sky chart: the sky above the station as a disk (zenith in the
/// centre, horizon on the rim, north up, east left or right as chosen),
/// elevation rings every 15°, the nine sources of the real-time display at
/// their present places with their titles, their day tracks, the horizon
/// profile as a shaded skyline and, while a rotator tracks, where it is sent
/// (a cross) and where it reports to be (a circle).
///
/// Painted by hand with QPainter: Qt Charts' QPolarChart turns its angular
/// axis one way only, cannot shade the region between a skyline and the rim,
/// and lays its series out again on every change, where this chart changes
/// four times a second and must cost little. The widget only draws what it
/// is given; the sky window computes it. Tracks and the skyline are kept as
/// unit-disk polygons made when they change, so a repaint allocates nothing
/// but the labels' glyphs.
class SkyChartWidget final : public QWidget {
    Q_OBJECT

public:
    explicit SkyChartWidget(QWidget* parent = nullptr);

    void SetOrientation(ChartOrientation orientation);
    ChartOrientation Orientation() const { return orientation_; }
    /// The nine sources of the present moment.
    void SetSources(const std::array<ChartSource, kDisplayedSourceCount>& sources);
    const std::array<ChartSource, kDisplayedSourceCount>& Sources() const { return sources_; }
    /// The day tracks, drawn in their sources' colours; empty arrays clear them.
    void SetTracks(const std::array<DayTrack, kDisplayedSourceCount>& tracks);
    void ClearTracks();
    bool HasTracks() const { return hasTracks_; }
    /// The skyline; null clears it.
    void SetHorizon(const HorizonProfile* profile);
    /// What the rotator does; drawn while it tracks.
    void SetPointing(const PointingSnapshot& pointing);
    /// The line in the top left corner (date and time, station).
    void SetCaption(const QString& caption);

    /// Paints the chart into `area` of any painter (screen, image, SVG,
    /// printer).
    void Paint(QPainter& painter, const QRectF& area) const;

    /// The pixel of a sky place on the widget as last laid out (tests, hover).
    QPointF PixelOf(double azimuthDeg, double elevationDeg) const;

    QSize sizeHint() const override { return {640, 640}; }
    QSize minimumSizeHint() const override { return {240, 240}; }

signals:
    /// The place under the mouse, as text ("Az 123.4°  El 45.6°"); empty
    /// when the mouse leaves the sky.
    void Hovered(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Disk {
        QPointF Centre;
        double Radius = 1; ///< pixels from the zenith to the horizon
    };
    static Disk DiskIn(const QRectF& area);
    QPointF Pixel(const Disk& disk, double azimuthDeg, double elevationDeg) const;
    void Rebuild();
    void PaintGrid(QPainter& p, const Disk& disk) const;
    void PaintSkyline(QPainter& p, const Disk& disk) const;
    void PaintTracks(QPainter& p, const Disk& disk) const;
    void PaintSources(QPainter& p, const Disk& disk) const;
    void PaintPointing(QPainter& p, const Disk& disk) const;

    ChartOrientation orientation_ = ChartOrientation::EastLeft;
    std::array<ChartSource, kDisplayedSourceCount> sources_{};
    std::array<DayTrack, kDisplayedSourceCount> tracks_{};
    bool hasTracks_ = false;
    std::optional<HorizonProfile> horizon_;
    PointingSnapshot pointing_;
    QString caption_;
    // Unit-disk figures (y up), remade on a change of tracks, skyline or
    // orientation.
    std::array<std::vector<QPolygonF>, kDisplayedSourceCount> trackLines_{};
    QPainterPath skyline_;
};

} // namespace vantrel
