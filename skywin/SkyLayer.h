#pragma once

#include "astro/DateTime.h"
#include "skychart/PolarProjection.h"
#include "skychart/SkyDiskLayer.h"
#include "skymodel/HorizontalSky.h"
#include "skymodel/SkyBrightness.h"
#include "skymodel/SkySurvey.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QPainter;
class QPointF;
class QRectF;

namespace vantrel {

/// Cells a side of the sky layer's image: 0.35° of zenith distance a cell,
/// the survey's own pixel.
inline constexpr int kSkyLayerCells = 512;
/// How often the layer follows the turning sky, seconds: 0.25° of sky.
inline constexpr double kSkyLayerRefreshS = 60.0;

/// The colours of the sky layer: `layer` on a logarithmic scale from its
/// lowest to its highest value, dark blue through red to pale yellow, and
/// transparent outside the horizon circle.
QImage SkyLayerImage(const SkyDiskLayer& layer);

/// The colour of a position 0..1 on the scale (the legend's too).
QColor SkyLayerColour(double position);

/// Draws the layer image onto the chart's disk of `radius` pixels about
/// `centre`, clipped to the horizon circle.
void PaintSkyLayer(QPainter& painter, const QPointF& centre, double radius, const QImage& image);

/// Draws the layer's legend in the bottom right corner of `area`: the
/// colour bar, its lowest and highest temperature and the frequency.
void PaintSkyLegend(QPainter& painter, const QRectF& area, double radius, double lowK, double highK,
                    double frequencyMHz);

/// Makes the sky layer of the sky window off the user-interface thread:
/// reads the survey once (a few megabytes), scales it to the observing
/// frequency, and renders the sky over the station's horizon again when a
/// minute has passed or the frequency, the station or the orientation
/// changed. `Ready` is emitted on the user-interface thread with the image.
class SkyLayerSource final : public QObject {
    Q_OBJECT

public:
    /// `surveyFolder`: where the two maps are (FindSkySurveyFolder).
    explicit SkyLayerSource(std::string surveyFolder, QObject* parent = nullptr);
    ~SkyLayerSource() override;

    /// Asks for the layer at `utc`; does nothing while the last one is still
    /// good or one is being made.
    void Follow(DateTime utc, const sky::SkyStation& station, double frequencyMHz,
                ChartOrientation orientation);

    /// Why there is no layer (the maps cannot be read); empty otherwise.
    const QString& Problem() const { return problem_; }
    /// True while a layer is being made.
    bool Busy() const { return watcher_.isRunning(); }

signals:
    /// A new layer: its image, its scale (K) and the frequency (MHz).
    void Ready(const QImage& image, double lowK, double highK, double frequencyMHz);

private:
    struct Made {
        QImage Image;
        double LowK = 0;
        double HighK = 0;
        double FrequencyMHz = 0;
        QString Problem;
        std::shared_ptr<const sky::SkySurvey> Survey;
        std::shared_ptr<const sky::SkyBrightness> Brightness;
    };
    void Done();

    std::string folder_;
    std::shared_ptr<const sky::SkySurvey> survey_;
    std::shared_ptr<const sky::SkyBrightness> brightness_;
    QFutureWatcher<Made> watcher_;
    QString problem_;
    // What the last layer was made for.
    std::optional<DateTime> madeAt_;
    sky::SkyStation station_;
    double frequencyMHz_ = 0;
    ChartOrientation orientation_ = ChartOrientation::EastLeft;
};

} // namespace vantrel
