#include "measurewin/MeasureSkyPanel.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace vantrel {

namespace {

/// How often the sky follows the turning sky, ms: it moves a quarter of a
/// degree a minute.
constexpr int kSkyRefreshMs = 60000;

QString Fixed(double v, int decimals) {
    return std::isfinite(v) ? QString::number(v, 'f', decimals) : QString();
}

} // namespace

MeasureSkyPanel::MeasureSkyPanel(QWidget* parent) : QWidget(parent) {
    Beam = new QLabel(this);
    Beam->setObjectName(QStringLiteral("SkyBeam"));
    Reference = new QLabel(this);
    Reference->setObjectName(QStringLiteral("ColdSky"));
    Reference->setWordWrap(true);
    Atmosphere = new QLabel(this);
    Atmosphere->setObjectName(QStringLiteral("Atmosphere"));
    Atmosphere->setWordWrap(true);
    Atmosphere->hide();
    auto* lines = new QVBoxLayout(this);
    lines->setContentsMargins(0, 0, 0, 0);
    auto* line = new QHBoxLayout;
    line->addWidget(Beam);
    line->addWidget(Reference, 1);
    lines->addLayout(line);
    lines->addWidget(Atmosphere);
    timer_ = new QTimer(this);
    timer_->setInterval(kSkyRefreshMs);
    connect(timer_, &QTimer::timeout, this, &MeasureSkyPanel::Start);
    runWatcher_ = new QFutureWatcher<Run>(this);
    connect(runWatcher_, &QFutureWatcher<Run>::finished, this, &MeasureSkyPanel::Done);
    surveyWatcher_ = new QFutureWatcher<sky::SharedSkySurvey>(this);
    connect(surveyWatcher_, &QFutureWatcher<sky::SharedSkySurvey>::finished, this,
            &MeasureSkyPanel::SurveyLoaded);
}

void MeasureSkyPanel::Load(const QString& folderGiven) {
    if (requested_) {
        return; // once a run: the maps do not change
    }
    requested_ = true;
    const std::string folder =
        folderGiven.isEmpty()
            ? sky::FindSkySurveyFolder(QCoreApplication::applicationDirPath().toStdString())
            : folderGiven.toStdString();
    if (folder.empty()) {
        problem_ = QStringLiteral("no sky map: the 408 MHz survey (data/sky408) was not found");
        emit Updated();
        return;
    }
    surveyWatcher_->setFuture(QtConcurrent::run([folder] { return sky::SkySurveyOf(folder); }));
    emit Updated();
}

void MeasureSkyPanel::SurveyLoaded() {
    const sky::SharedSkySurvey shared = surveyWatcher_->result();
    if (!shared.Survey) {
        problem_ = QStringLiteral("no sky map: ") + QString::fromStdString(shared.Problem);
        emit Updated();
        return;
    }
    survey_ = shared.Survey;
    Start();
}

void MeasureSkyPanel::Follow(bool on) {
    if (on) {
        timer_->start();
    } else {
        timer_->stop();
    }
}

void MeasureSkyPanel::Start() {
    if (!survey_) {
        return;
    }
    if (runWatcher_->isRunning()) {
        again_ = true; // the inputs changed meanwhile: once more after it
        return;
    }
    const std::optional<Request> request = Ask ? Ask() : std::nullopt;
    if (!request) {
        return;
    }
    std::shared_ptr<const sky::SkySurvey> survey = survey_;
    std::shared_ptr<const sky::SkyBrightness> brightness = brightness_;
    runWatcher_->setFuture(QtConcurrent::run([survey, brightness, r = *request] {
        Run run;
        run.Brightness = brightness && brightness->FrequencyMHz() == r.FrequencyMHz
                             ? brightness
                             : std::make_shared<const sky::SkyBrightness>(*survey, r.FrequencyMHz);
        run.Sky = ComputeMeasureSky(*run.Brightness, r.Query);
        return run;
    }));
}

void MeasureSkyPanel::Done() {
    const Run run = runWatcher_->result();
    brightness_ = run.Brightness;
    sky_ = run.Sky;
    if (again_) {
        again_ = false;
        Start();
    }
    emit Updated();
}

const MeasureSky* MeasureSkyPanel::Present(double frequencyMHz, double hpbwDeg) const {
    return sky_ && !Stale(frequencyMHz, hpbwDeg) ? &*sky_ : nullptr;
}

bool MeasureSkyPanel::Stale(double frequencyMHz, double hpbwDeg) const {
    return sky_ && (sky_->FrequencyMHz != frequencyMHz || sky_->HpbwDeg != hpbwDeg);
}

QString MeasureSkyPanel::TskyText(std::size_t row, double frequencyMHz, double hpbwDeg) const {
    if (const MeasureSky* present = Present(frequencyMHz, hpbwDeg)) {
        return Fixed(present->TskyK[row], 1);
    }
    if (!problem_.isEmpty()) {
        return QStringLiteral("no map");
    }
    return requested_ ? QStringLiteral("\u2026") : QString();
}

void MeasureSkyPanel::Show(double beam, bool typed, int chosen, const QString& title,
                           double frequencyMHz) {
    const QString beamText = std::isfinite(beam)
                                 ? QStringLiteral("Beam HPBW %1\u00b0 (%2)")
                                       .arg(Fixed(beam, 2), typed ? QStringLiteral("typed")
                                                                  : QStringLiteral("the antenna's"))
                                 : QStringLiteral("No beam: the antenna is refused.");
    if (Beam->text() != beamText) {
        Beam->setText(beamText);
    }
    QString cold;
    const MeasureSky* present = Present(frequencyMHz, beam);
    if (!problem_.isEmpty()) {
        cold = problem_;
    } else if (present == nullptr || chosen < 0 ||
               present->Chosen != static_cast<std::size_t>(chosen)) {
        cold = survey_ ? QStringLiteral("Cold-sky reference: being computed\u2026")
                       : QStringLiteral("Cold-sky reference: reading the sky map\u2026");
    } else if (present->Reference) {
        const DecodedInstant at = DecodeInstant(present->Utc);
        cold = QStringLiteral("Cold-sky reference for %1: azimuth %2\u00b0, elevation %3\u00b0, "
                              "Tsky %4 K (at %5 UTC)")
                   .arg(title, Fixed(present->Reference->AzimuthDeg, 1),
                        Fixed(present->Reference->ElevationDeg, 1),
                        Fixed(present->Reference->TskyK, 1),
                        QString::asprintf("%02d:%02d", at.Hour, at.Minute));
    } else {
        cold = QStringLiteral("Cold-sky reference for %1: %2")
                   .arg(title, QString::fromStdString(present->ReferenceProblem));
    }
    if (Reference->text() != cold) {
        Reference->setText(cold);
    }
}

} // namespace vantrel
