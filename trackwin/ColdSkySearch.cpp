#include "trackwin/ColdSkySearch.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace vantrel {

ColdSkySearch::ColdSkySearch(QObject* parent) : QObject(parent) {
    watcher_ = new QFutureWatcher<Answer>(this);
    connect(watcher_, &QFutureWatcher<Answer>::finished, this, &ColdSkySearch::Done);
}

ColdSkySearch::~ColdSkySearch() {
    // The search holds only its own copies: let it end before the watcher goes.
    watcher_->waitForFinished();
}

bool ColdSkySearch::Busy() const {
    return watcher_->isRunning() || waiting_.has_value();
}

void ColdSkySearch::Find(const scan::ColdSkyRequest& request, double frequencyMHz) {
    if (watcher_->isRunning()) {
        waiting_ = std::make_pair(request, frequencyMHz);
        return;
    }
    Start(request, frequencyMHz);
}

void ColdSkySearch::Start(const scan::ColdSkyRequest& request, double frequencyMHz) {
    const std::string folder =
        folder_.isEmpty()
            ? sky::FindSkySurveyFolder(QCoreApplication::applicationDirPath().toStdString())
            : folder_.toStdString();
    auto survey = survey_;
    auto brightness = brightness_;
    watcher_->setFuture(QtConcurrent::run([folder, survey, brightness, request,
                                           frequencyMHz]() mutable {
        Answer a;
        if (!survey) {
            if (folder.empty()) {
                a.Problem =
                    QStringLiteral("no sky map: the 408 MHz survey (data/sky408) was not found");
                return a;
            }
            const sky::SharedSkySurvey shared = sky::SkySurveyOf(folder);
            if (!shared.Survey) {
                a.Problem = QStringLiteral("no sky map: ") + QString::fromStdString(shared.Problem);
                return a;
            }
            survey = shared.Survey;
        }
        if (!brightness || brightness->FrequencyMHz() != frequencyMHz) {
            brightness = std::make_shared<const sky::SkyBrightness>(*survey, frequencyMHz);
        }
        a.Survey = survey;
        a.Brightness = brightness;
        a.Reference = scan::FindColdSkyReference(*brightness, request);
        return a;
    }));
}

void ColdSkySearch::Done() {
    const Answer a = watcher_->result();
    if (a.Survey) {
        survey_ = a.Survey;
        brightness_ = a.Brightness;
    }
    last_ = a.Reference;
    problem_ = a.Problem;
    if (waiting_) {
        const auto next = *waiting_;
        waiting_.reset();
        Start(next.first, next.second);
        return; // the answer that counts is the next one
    }
    emit Found();
}

} // namespace vantrel
