#pragma once

#include "scan/ColdSkyReference.h"
#include "skymodel/SkyBrightness.h"
#include "skymodel/SkySurvey.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

template <typename T> class QFutureWatcher;

namespace vantrel {

/// The search for the cold-sky reference of a source on a worker thread,
/// for the Track and Scan windows ("Off source: coldest sky"): the 408 MHz
/// survey read once for the process (SkySurveyOf), the sky scaled to the
/// frequency once per frequency, then scan::FindColdSkyReference. The
/// window makes the request on its own thread (the places need its
/// SkyPlaces) and is told when the answer is there; it never waits.
class ColdSkySearch final : public QObject {
    Q_OBJECT

public:
    explicit ColdSkySearch(QObject* parent = nullptr);
    ~ColdSkySearch() override;

    /// The survey's folder; empty: beside the program (FindSkySurveyFolder).
    void SetFolder(const QString& folder) { folder_ = folder; }

    /// Searches `request` at `frequencyMHz` (> 0). Asked while a search
    /// runs, it runs after it (the latest request only).
    void Find(const scan::ColdSkyRequest& request, double frequencyMHz);
    bool Busy() const;

    /// The last answer; none before the first or when the sky could not
    /// be had (then `Problem`).
    const std::optional<scan::ColdSkyReference>& Last() const { return last_; }
    /// Why there is no answer ("no sky map: ..."); empty with one.
    const QString& Problem() const { return problem_; }

signals:
    /// A search ended: Last() or Problem() holds its answer.
    void Found();

private:
    struct Answer {
        std::optional<scan::ColdSkyReference> Reference;
        QString Problem;
        std::shared_ptr<const sky::SkySurvey> Survey;
        std::shared_ptr<const sky::SkyBrightness> Brightness;
    };
    void Start(const scan::ColdSkyRequest& request, double frequencyMHz);
    void Done();

    QString folder_;
    QFutureWatcher<Answer>* watcher_ = nullptr;
    std::shared_ptr<const sky::SkySurvey> survey_;
    std::shared_ptr<const sky::SkyBrightness> brightness_;
    std::optional<std::pair<scan::ColdSkyRequest, double>> waiting_;
    std::optional<scan::ColdSkyReference> last_;
    QString problem_;
};

} // namespace vantrel
