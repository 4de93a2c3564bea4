#pragma once

#include "measurewin/MeasureSky.h"
#include "skymodel/SkySurvey.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QTimer;
template <typename T> class QFutureWatcher;

namespace vantrel {

/// The Measure window's line of the sky: the beam the sky is averaged over
/// and the cold-sky reference for the chosen source. It reads the 408 MHz
/// survey once and computes `MeasureSky` off the user-interface thread,
/// every minute while running and whenever asked; `Updated` says a new sky
/// is there.
class MeasureSkyPanel final : public QWidget {
    Q_OBJECT

public:
    explicit MeasureSkyPanel(QWidget* parent = nullptr);

    QLabel* Beam = nullptr;      ///< "Beam HPBW 1.79° (the antenna's)"
    QLabel* Reference = nullptr; ///< the cold-sky reference, or why there is none
    /// The clear air's attenuation and emission above 1 GHz, set by the
    /// window; hidden below.
    QLabel* Atmosphere = nullptr;

    /// What a run is to compute, asked of the window at its start; none
    /// when nothing can be computed (no beam, no source chosen).
    struct Request {
        MeasureSkyQuery Query;
        double FrequencyMHz = 0;
    };
    std::function<std::optional<Request>()> Ask;

    /// Reads the survey in `folder` (empty: beside the program) off the
    /// user-interface thread; only the first call counts.
    void Load(const QString& folder);
    /// A run now, or after the one going.
    void Start();
    /// Runs every minute while `on`.
    void Follow(bool on);

    /// The sky last computed if it is for `frequencyMHz` and `hpbwDeg`.
    const MeasureSky* Present(double frequencyMHz, double hpbwDeg) const;
    /// True when the last sky is for another frequency or beam.
    bool Stale(double frequencyMHz, double hpbwDeg) const;
    /// Why there is no sky (the maps missing or refused); empty otherwise.
    QString Problem() const { return problem_; }
    /// The Tsky cell of table row `row` for the present sky.
    QString TskyText(std::size_t row, double frequencyMHz, double hpbwDeg) const;
    /// Shows the beam and the reference for the row `chosen` titled `title`.
    void Show(double hpbwDeg, bool typed, int chosen, const QString& title, double frequencyMHz);

signals:
    void Updated();

private:
    void SurveyLoaded();
    void Done();

    struct Run {
        MeasureSky Sky;
        std::shared_ptr<const sky::SkyBrightness> Brightness;
    };
    bool requested_ = false;
    bool again_ = false;
    QString problem_;
    std::shared_ptr<const sky::SkySurvey> survey_;
    std::shared_ptr<const sky::SkyBrightness> brightness_;
    std::optional<MeasureSky> sky_;
    QTimer* timer_ = nullptr;
    QFutureWatcher<Run>* runWatcher_ = nullptr;
    QFutureWatcher<sky::SharedSkySurvey>* surveyWatcher_ = nullptr;
};

} // namespace vantrel
