#pragma once

#include "eme/DopplerFollowWorker.h"
#include "eme/HamlibDopplerRig.h"
#include "emewin/DopplerPanelSettings.h"

#include <QGroupBox>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace vantrel {

/// What the Doppler panel uses of the window around it.
struct DopplerPanelServices {
    /// A maker of the Doppler source for the follower's thread at the sked
    /// frequency `skedMHz`, or a sentence why there is none (no DX station
    /// for the DX signal, a station that is not valid).
    struct Source {
        std::function<eme::DopplerSource()> Make;
        QString Problem;
    };
    std::function<Source(double skedMHz, eme::DopplerToFollow follow)> MakeSource;
    /// The program's observing frequency, MHz: the sked frequency unless
    /// one is typed.
    std::function<double()> ProgramFrequencyMHz;
    /// The rig; empty: Hamlib's (eme::MakeHamlibDopplerRig).
    std::function<std::unique_ptr<eme::DopplerRig>(const eme::HamlibRigAddress&)> MakeRig;
    /// UTC now, seconds of eme::UtcSeconds; empty: the system clock.
    eme::DopplerFollowWorker::UtcClock Clock;
    /// Folder of "Vanset.ini"; the current one when empty.
    QString Directory;
};

/// Doppler following in the EME window: the choices (own echo or DX
/// signal, sked frequency, rig model and device, update, T/R cycle, dead
/// band), an On/Off button, the state and the last frequency set. The rig
/// is driven by an eme::DopplerFollowWorker on its own thread; this panel
/// only copies its state every 250 ms, so a rig that is gone never holds
/// the window up.
class DopplerPanel final : public QGroupBox {
    Q_OBJECT
public:
    explicit DopplerPanel(DopplerPanelServices services, QWidget* parent = nullptr);
    /// Stops following and waits for the rig to be back at the sked.
    ~DopplerPanel() override;

    /// Starts following with the choices shown: false (and the reason in
    /// State) when a choice is refused or the last run still ends.
    bool Start();
    /// Stops following: the rig goes back to the sked frequency.
    void Stop();
    bool Following() const { return worker_ != nullptr && !stopping_; }

    /// Copies the worker's state into the labels (the timer calls it).
    void ShowState();

    QPushButton* FollowButton = nullptr; ///< checkable: On/Off
    QComboBox* What = nullptr;           ///< own echo / DX signal
    QLineEdit* SkedMHz = nullptr;        ///< empty: the program's frequency
    QLineEdit* RigModel = nullptr;
    QLineEdit* RigDevice = nullptr;
    QLineEdit* UpdateS = nullptr;
    QLineEdit* PeriodS = nullptr; ///< empty or 0: no T/R cycle
    QCheckBox* TxFirst = nullptr;
    QLineEdit* DeadBandHz = nullptr; ///< empty: the default
    QLabel* State = nullptr;
    QLabel* LastSet = nullptr;
    QTimer* Poll = nullptr;

private:
    /// The choices as typed, or the sentence refusing one.
    std::optional<EmeDopplerSettings> Choices(QString& problem) const;
    void Store();

    DopplerPanelServices services_;
    std::unique_ptr<eme::DopplerFollowWorker> worker_;
    bool stopping_ = false;
    QString followText_; ///< "the echo" or "the DX signal"
};

} // namespace vantrel
