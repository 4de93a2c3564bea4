#pragma once

#include "skychart/ElevationSeries.h"

#include <QWidget>

#include <array>
#include <memory>

class QAreaSeries;
class QCategoryAxis;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QValueAxis;

namespace vantrel {

/// The elevation chart of the planning range: one curve per source of the
/// planning grid over the dates of the last sweep, the Sun's and the Moon's
/// bold, the hours when the Sun is below the horizon shaded. UTC runs along
/// the bottom axis, the station's local time along the top one, elevation
/// (−10° to 90°) up the left. Clicking a source in the legend shows or hides
/// its curve; hovering a curve tells the time (UTC and local), the source,
/// its azimuth and elevation.
///
/// Long ranges are thinned for drawing only: each curve is cut into
/// `kDrawBuckets` runs and keeps the lowest and highest row of each (see
/// `MinMaxDecimate`), so a month at one minute draws at most about 3000
/// points per curve with the same outline; hover texts read the full rows.
class ElevationView : public QWidget {
    Q_OBJECT

public:
    /// Runs of rows per curve when thinning; more than the chart has pixels.
    static constexpr std::size_t kDrawBuckets = 1500;
    /// Elevation axis, degrees: a little below the horizon shows rises and sets.
    static constexpr double kLowestElevationDeg = -10;
    static constexpr double kHighestElevationDeg = 90;

    explicit ElevationView(QWidget* parent = nullptr);
    ~ElevationView() override;

    /// Draws a sweep's series; null or empty shows a note instead of a chart.
    void SetSeries(std::shared_ptr<const ElevationSeries> series);
    std::shared_ptr<const ElevationSeries> Series() const { return series_; }

    /// The chart, for saving as a picture or printing.
    QChart* Chart() const { return chart_; }
    QChartView* View() const { return view_; }
    /// The curve of a source (0..8 in the grid's column order), the night
    /// shading, the note shown while there is nothing to draw.
    QLineSeries* Curve(int source) const;
    QAreaSeries* Night() const { return night_; }
    QLabel* EmptyNote() const { return empty_; }
    QCategoryAxis* UtcAxis() const { return utcAxis_; }
    QCategoryAxis* LocalAxis() const { return localAxis_; }

    /// What hovering shows for `source` at the row nearest `utc` (days since
    /// 30 December 1899): time in UTC and local, the source, azimuth and
    /// elevation. Empty without a series.
    QString HoverText(int source, double utc) const;

private:
    void Clear();
    void Fill();
    void FillTimeAxes();
    /// How many whole time labels fit along the plot as it is laid out.
    std::size_t MaxTimeTicks() const;
    void ToggleCurve(int source);

    std::shared_ptr<const ElevationSeries> series_;
    QChart* chart_ = nullptr;
    QChartView* view_ = nullptr;
    QLabel* empty_ = nullptr;
    QCategoryAxis* utcAxis_ = nullptr;
    QCategoryAxis* localAxis_ = nullptr;
    QValueAxis* elevationAxis_ = nullptr;
    QAreaSeries* night_ = nullptr;
    std::array<QLineSeries*, kElevationSources> curves_{};
    std::size_t shownMaxTicks_ = 0; ///< the marks' limit the axes were filled for
};

} // namespace vantrel
