#pragma once

#include "apparent/SkySource.h"
#include "skychart/DayTracks.h"
#include "skychart/HorizonProfile.h"
#include "skychart/PolarProjection.h"
#include "tracking/PointingSnapshot.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QTransform>
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
    QColor Colour;           ///< of its marker: the pair's colour in the real-time grid
    bool Valid = false;      ///< the place could be computed
    double AzimuthDeg = 0;   ///< degrees from north through east
    double ElevationDeg = 0; ///< degrees, as the real-time grid shows it
    bool Hidden = false;     ///< behind the horizon profile
    QColor TrackColour;      ///< of its day track: its curve's colour in the elevation chart
};

/// The polar sky chart: the sky above the station as a disk (zenith in the
/// centre, horizon on the rim, north up, east left or right as chosen),
/// elevation rings every 15°, the nine sources of the real-time display at
/// their present places with their titles, their day tracks, the horizon
/// profile as a shaded skyline and, while a rotator tracks, where it is sent
/// (a cross) and where it reports to be (a circle). Each day track carries
/// its source's name at its highest place.
///
/// Painted by hand with QPainter: Qt Charts' QPolarChart turns its angular
/// axis one way only, cannot shade the region between a skyline and the rim,
/// and lays its series out again on every change, where this chart changes
/// four times a second and must cost little. Everything is drawn in plain
/// coordinates of the area with pens whose widths are in those units (no
/// scaling transform, no cosmetic pen), so an SVG of it renders alike in
/// every SVG reader. The widget only draws what it
/// is given; the sky window computes it. Tracks and the skyline are kept as
/// unit-disk polygons made when they change, and on the screen the rings,
/// tracks and skyline as an image made when they or the size change, so a
/// refresh draws only the sources, the rotator and the caption over it.
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
    /// The sky's brightness laid under the chart (SkyLayerSource), with its
    /// scale (K) and frequency (MHz) for the legend; a null image clears it.
    void SetSkyLayer(const QImage& image, double lowK, double highK, double frequencyMHz);
    bool HasSkyLayer() const { return !skyLayer_.isNull(); }
    /// The line in the top left corner (date and time, station).
    void SetCaption(const QString& caption);
    const QString& Caption() const { return caption_; }

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
    void PaintBackground(QPainter& p, const QRectF& area) const;
    void PaintForeground(QPainter& p, const QRectF& area) const;
    void PaintGrid(QPainter& p, const Disk& disk) const;
    void PaintSkyline(QPainter& p, const Disk& disk) const;
    void PaintTracks(QPainter& p, const Disk& disk) const;
    /// Maps unit-disk figures (y up) onto `disk`.
    static QTransform UnitToArea(const Disk& disk);
    void PaintTrackNames(QPainter& p, const Disk& disk) const;
    static double MarkerRadius(SkySource source);
    void PaintSources(QPainter& p, const Disk& disk, const QRectF& area) const;
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
    /// Where each track is named: its highest place; empty without a track.
    std::array<std::optional<QPointF>, kDisplayedSourceCount> trackNameAt_{};
    QPainterPath skyline_;
    /// The rings, tracks and skyline at the widget's size; null when stale.
    QImage background_;
    QImage skyLayer_;
    double skyLowK_ = 0;
    double skyHighK_ = 0;
    double skyMHz_ = 0;
};

} // namespace vantrel
