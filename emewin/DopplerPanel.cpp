#include "emewin/DopplerPanel.h"

#include "eme/EmeCsv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cmath>

namespace vantrel {

namespace {

constexpr int kPollMs = 250;
constexpr double kHzPerMHz = 1e6;
constexpr double kLowestSkedMHz = 1;
constexpr double kHighestSkedMHz = 300000;
constexpr double kWidestDeadBandHz = 1000;

/// The system clock's UTC in seconds of eme::UtcSeconds.
double SystemUtcS() {
    using namespace std::chrono;
    static const double kUnixEpochS =
        static_cast<double>(eme::UtcSecondsOf(EncodeDateTime(1970, 1, 1, 0, 0, 0, 0)));
    return duration<double>(system_clock::now().time_since_epoch()).count() + kUnixEpochS;
}

/// "18:00:10" of an instant in seconds of eme::UtcSeconds.
QString TimeOfDay(double utcS) {
    const std::string text = eme::UtcText(static_cast<eme::UtcSeconds>(std::floor(utcS)));
    return QString::fromStdString(text.substr(11, 8));
}

QString Signed(double hz) {
    return (hz >= 0 ? QStringLiteral("+") : QString()) + QString::number(hz, 'f', 0);
}

} // namespace

DopplerPanel::DopplerPanel(DopplerPanelServices services, QWidget* parent)
    : QGroupBox(QStringLiteral("Doppler following"), parent), services_(std::move(services)) {
    auto* grid = new QGridLayout(this);
    FollowButton = new QPushButton(QStringLiteral("Follow Doppler"), this);
    FollowButton->setCheckable(true);
    What = new QComboBox(this);
    What->addItem(QStringLiteral("own echo"));
    What->addItem(QStringLiteral("DX signal"));
    SkedMHz = new QLineEdit(this);
    SkedMHz->setPlaceholderText(QStringLiteral("observing frequency"));
    RigModel = new QLineEdit(this);
    RigDevice = new QLineEdit(this);
    UpdateS = new QLineEdit(this);
    PeriodS = new QLineEdit(this);
    PeriodS->setPlaceholderText(QStringLiteral("none"));
    TxFirst = new QCheckBox(QStringLiteral("Tx first"), this);
    DeadBandHz = new QLineEdit(this);
    DeadBandHz->setPlaceholderText(QStringLiteral("max(1, f/1 GHz)"));
    for (QLineEdit* e : {RigModel, UpdateS, PeriodS}) {
        e->setMaximumWidth(70);
    }
    grid->addWidget(FollowButton, 0, 0);
    grid->addWidget(What, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Sked MHz:"), this), 0, 2);
    grid->addWidget(SkedMHz, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Rig model:"), this), 0, 4);
    grid->addWidget(RigModel, 0, 5);
    grid->addWidget(new QLabel(QStringLiteral("Device:"), this), 0, 6);
    grid->addWidget(RigDevice, 0, 7);
    grid->addWidget(new QLabel(QStringLiteral("Every s:"), this), 1, 0);
    grid->addWidget(UpdateS, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("T/R cycle s:"), this), 1, 2);
    auto* cycle = new QHBoxLayout;
    cycle->addWidget(PeriodS);
    cycle->addWidget(TxFirst);
    grid->addLayout(cycle, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Dead band Hz:"), this), 1, 4);
    grid->addWidget(DeadBandHz, 1, 5, 1, 3);
    State = new QLabel(QStringLiteral("Not following."), this);
    State->setWordWrap(true);
    LastSet = new QLabel(this);
    grid->addWidget(State, 2, 0, 1, 6);
    grid->addWidget(LastSet, 2, 6, 1, 2);

    const EmeDopplerSettings stored = LoadEmeDopplerSettings(services_.Directory);
    What->setCurrentIndex(stored.Follow == eme::DopplerToFollow::Dx ? 1 : 0);
    SkedMHz->setText(stored.SkedMHz ? QString::number(*stored.SkedMHz, 'f', 6) : QString());
    RigModel->setText(QString::number(stored.Rig.Model));
    RigDevice->setText(QString::fromStdString(stored.Rig.Device));
    UpdateS->setText(QString::number(stored.UpdateS));
    PeriodS->setText(stored.Period.LengthS > 0 ? QString::number(stored.Period.LengthS)
                                               : QString());
    TxFirst->setChecked(stored.Period.TransmitFirst);
    DeadBandHz->setText(stored.DeadBandHz ? QString::number(*stored.DeadBandHz) : QString());

    connect(FollowButton, &QPushButton::toggled, this, [this](bool on) {
        if (on && !Following()) {
            if (!Start()) {
                const QSignalBlocker quiet(FollowButton);
                FollowButton->setChecked(false);
            }
        } else if (!on && Following()) {
            Stop();
        }
    });
    Poll = new QTimer(this);
    Poll->setInterval(kPollMs);
    connect(Poll, &QTimer::timeout, this, &DopplerPanel::ShowState);
}

DopplerPanel::~DopplerPanel() {
    worker_.reset(); // returns the rig to the sked frequency
}

std::optional<EmeDopplerSettings> DopplerPanel::Choices(QString& problem) const {
    EmeDopplerSettings s;
    s.Follow = What->currentIndex() == 1 ? eme::DopplerToFollow::Dx : eme::DopplerToFollow::OwnEcho;
    bool ok = false;
    if (const QString t = SkedMHz->text().trimmed(); !t.isEmpty()) {
        const double mhz = t.toDouble(&ok);
        if (!ok || !(mhz >= kLowestSkedMHz && mhz <= kHighestSkedMHz)) {
            problem = QStringLiteral("The sked frequency is not a number of MHz, 1 to 300000.");
            return std::nullopt;
        }
        s.SkedMHz = mhz;
    }
    const int model = RigModel->text().trimmed().toInt(&ok);
    if (!ok || model < 1) {
        problem = QStringLiteral("The rig model is not a Hamlib model number (2 for rigctld).");
        return std::nullopt;
    }
    s.Rig.Model = model;
    s.Rig.Device = RigDevice->text().trimmed().toStdString();
    s.UpdateS = UpdateS->text().trimmed().toDouble(&ok);
    if (!ok ||
        !(s.UpdateS >= eme::kShortestDopplerUpdateS && s.UpdateS <= eme::kLongestDopplerUpdateS)) {
        problem = QStringLiteral("The update period is not a number of seconds, 1 to 3600.");
        return std::nullopt;
    }
    if (const QString t = PeriodS->text().trimmed(); !t.isEmpty() && t != QLatin1String("0")) {
        const int period = t.toInt(&ok);
        if (!ok || period < eme::kShortestDopplerPeriodS || period > eme::kLongestDopplerPeriodS) {
            problem = QStringLiteral("The T/R cycle is not whole seconds, 4 to 3600 (empty for "
                                     "none).");
            return std::nullopt;
        }
        s.Period.LengthS = period;
    }
    s.Period.TransmitFirst = TxFirst->isChecked();
    if (const QString t = DeadBandHz->text().trimmed(); !t.isEmpty()) {
        const double hz = t.toDouble(&ok);
        if (!ok || !(hz >= 0 && hz <= kWidestDeadBandHz)) {
            problem = QStringLiteral("The dead band is not a number of Hz, 0 to 1000.");
            return std::nullopt;
        }
        s.DeadBandHz = hz;
    }
    return s;
}

bool DopplerPanel::Start() {
    if (worker_) {
        State->setText(QStringLiteral("Still returning the rig to the sked frequency."));
        return false;
    }
    QString problem;
    const std::optional<EmeDopplerSettings> choices = Choices(problem);
    if (!choices) {
        State->setText(problem);
        return false;
    }
    const double skedMHz =
        choices->SkedMHz ? *choices->SkedMHz
                         : (services_.ProgramFrequencyMHz ? services_.ProgramFrequencyMHz() : 0);
    DopplerPanelServices::Source source = services_.MakeSource(skedMHz, choices->Follow);
    if (!source.Make) {
        State->setText(source.Problem);
        return false;
    }
    Store();
    eme::DopplerFollowSettings settings;
    settings.SkedHz = std::llround(skedMHz * kHzPerMHz);
    settings.Follow = choices->Follow;
    settings.UpdateS = choices->UpdateS;
    settings.Period = choices->Period;
    settings.DeadBandHz = choices->DeadBandHz;
    auto makeRig = [make = services_.MakeRig, rig = choices->Rig] {
        return make ? make(rig) : eme::MakeHamlibDopplerRig(rig);
    };
    followText_ = choices->Follow == eme::DopplerToFollow::Dx ? QStringLiteral("the DX signal")
                                                              : QStringLiteral("the echo");
    stopping_ = false;
    worker_ = std::make_unique<eme::DopplerFollowWorker>(
        settings, std::move(makeRig), std::move(source.Make),
        services_.Clock ? services_.Clock : eme::DopplerFollowWorker::UtcClock(SystemUtcS));
    for (QWidget* w : std::initializer_list<QWidget*>{What, SkedMHz, RigModel, RigDevice, UpdateS,
                                                      PeriodS, TxFirst, DeadBandHz}) {
        w->setEnabled(false);
    }
    {
        const QSignalBlocker quiet(FollowButton);
        FollowButton->setChecked(true);
    }
    State->setText(QStringLiteral("Opening the rig…"));
    LastSet->clear(); // the last run's rig may be another
    Poll->start();
    return true;
}

void DopplerPanel::Stop() {
    if (worker_ && !stopping_) {
        stopping_ = true;
        worker_->Stop();
        {
            const QSignalBlocker quiet(FollowButton);
            FollowButton->setChecked(false);
        }
        ShowState();
    }
}

void DopplerPanel::ShowState() {
    if (!worker_) {
        return;
    }
    const eme::DopplerFollowState s = worker_->State();
    const std::int64_t sked = worker_->Settings().SkedHz;
    if (s.LastSetHz) {
        LastSet->setText(QStringLiteral("Rig: %1 Hz").arg(*s.LastSetHz));
    }
    using Phase = eme::DopplerFollowState::Phase;
    if (s.What == Phase::Ended) {
        State->setText(
            s.EndProblem.empty()
                ? QStringLiteral("Not following; the rig is back at the sked, %1 Hz.").arg(sked)
                : QString::fromStdString(s.EndProblem) +
                      QStringLiteral(" The rig is not back at %1 Hz.").arg(sked));
        worker_.reset();
        stopping_ = false;
        Poll->stop();
        for (QWidget* w : std::initializer_list<QWidget*>{What, SkedMHz, RigModel, RigDevice,
                                                          UpdateS, PeriodS, TxFirst, DeadBandHz}) {
            w->setEnabled(true);
        }
        return;
    }
    if (s.What == Phase::Returning || stopping_) {
        State->setText(QStringLiteral("Returning the rig to the sked, %1 Hz…").arg(sked));
        return;
    }
    if (!s.Problem.empty()) {
        State->setText(
            QString::fromStdString(s.Problem) +
            QStringLiteral(" Trying again every %1 s.").arg(worker_->Settings().UpdateS));
        return;
    }
    if (!s.Last) {
        State->setText(QStringLiteral("Opening the rig…"));
        return;
    }
    using Outcome = eme::DopplerStep::Outcome;
    const eme::DopplerStep& step = *s.Last;
    const QString shift = Signed(step.DopplerHz) + QStringLiteral(" Hz");
    QString text;
    if (step.What == Outcome::NoDoppler) {
        text = QStringLiteral("No Doppler shift for now; the rig stays.");
    } else if (s.LastSetHz) {
        text = QStringLiteral("Following %1: %2, set %3 Hz at %4")
                   .arg(followText_, shift)
                   .arg(*s.LastSetHz)
                   .arg(TimeOfDay(s.LastSetUtcS));
        if (step.What == Outcome::Transmitting) {
            text += QStringLiteral(" (transmitting: held)");
        } else if (step.What == Outcome::Held) {
            text += QStringLiteral(" (inside the dead band)");
        }
    } else {
        text = QStringLiteral("Following %1: %2, transmitting: the rig waits for the receive "
                              "half.")
                   .arg(followText_, shift);
    }
    State->setText(text);
}

void DopplerPanel::Store() {
    QString ignored;
    if (const auto choices = Choices(ignored)) {
        SaveEmeDopplerSettings(services_.Directory, *choices);
    }
}

} // namespace vantrel
