#pragma once

#include "apparent/ObservingConditions.h"
#include "apparent/SkyPlaces.h"
#include "astro/Clock.h"
#include "astro/SunMoon.h"
#include "measure/MeasurementLog.h"
#include "measurewin/MeasureSetup.h"
#include "radiometer/PowerLogWriter.h"
#include "radiometer/PowerRunner.h"
#include "scan/OffPointChoice.h"
#include "scan/Procedure.h"
#include "scan/ProcedurePowerLog.h"
#include "scanwin/ScanSetup.h"
#include "skychart/HorizonProfile.h"
#include "station/HomeStation.h"
#include "station/UserMessages.h"
#include "tracking/RotatorLink.h"
#include "tracking/Tracking.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class QCheckBox;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QProgressBar;
class QPushButton;
class QScatterSeries;
class QTimer;
class QValueAxis;

namespace vantrel {

class ScanSkyPanel;
class FieldReasons;

/// Caption of the Scan window.
inline constexpr const char* kScanCaption = "Scan";
/// How often a running procedure is stepped, ms: the program's rhythm.
inline constexpr int kScanStepMs = 50;

/// The radiometer lent for a procedure: the input as the Receiver window is
/// set up, and how its blocks are integrated there (the procedure's τ
/// replaces its τ).
struct RadiometerLoan {
    PowerRunner::Factory Input;
    IntegrationSettings Integration;
    QString Summary; ///< "SDR driver=rtlsdr at 1420 MHz", for the status line
    /// The input's key as the power log names it ("sdr", "audio",
    /// "command", "rig"): the procedure's blocks go to the Receiver
    /// window's power log under it.
    std::string InputKey = "command";
};

/// What the Scan window uses of the world outside. The program lends it
/// the Track window's rotator and the Receiver window's radiometer for each
/// procedure; tests give their own.
struct ScanWindowServices {
    ObservingConditions* Conditions = nullptr; ///< the program's one set: the frequency
    const HomeStation* Station = nullptr;
    SunMoonLibrary* Library = nullptr;
    const LocalClock* Clock = nullptr;
    UserMessages* Messages = nullptr;
    /// Folder of "Vanset.ini" and of the logs; the current one when empty.
    QString Directory;
    /// The Measure window's antenna, as last accepted there.
    std::function<MeasureSetup()> Antenna;
    /// The tracking options in force (offsets, azimuth range, elevation
    /// limits, period): a procedure points as tracking would.
    std::function<TrackingOptions()> Pointing;
    /// Lends the rotator for a procedure: no other window drives it until
    /// it is returned. Null, with the reason, when it cannot be lent.
    std::function<RotatorLink*(QString& why)> BorrowRotator;
    /// Returns it: with a source, tracking takes it over (the procedure's
    /// "leave the rotator tracking"); without, it stays stopped.
    std::function<void(std::optional<SkySource> track)> ReturnRotator;
    /// Adds offsets to the Track window's (degrees of the rotator's azimuth
    /// and of elevation); the reason when refused.
    std::function<QString(double azimuthDeg, double elevationDeg)> ApplyOffsets;
    /// Lends the radiometer: its input stops in the Receiver window (one
    /// device, one reader); none, with the reason, when there is none.
    std::function<std::optional<RadiometerLoan>(QString& why)> BorrowRadiometer;
    /// Returns it (the Receiver window starts again if it ran).
    std::function<void()> ReturnRadiometer;
    /// A Y-factor sequence's G/T was appended to the measurement log.
    std::function<void()> Logged;
    /// The folder of the 408 MHz survey for the off points of the sky
    /// model; empty: beside the program.
    QString SkyFolder;
    /// The station's skyline (the sky window's horizon profile); null, or
    /// returning null, when there is none: the sky model's off points keep
    /// above it.
    std::function<const HorizonProfile*()> Horizon;
    /// How the radiometer retries its input.
    InputRetry Retry{std::chrono::milliseconds{500}, std::chrono::milliseconds{5000}, 2.0};
};

/// The Scan window: a Y-factor sequence, a cross-scan or a drift scan with
/// the rotator and the radiometer, at one press. The procedure, the source
/// and the parameters (kept in "Vanset.ini" [Scan]; the beamwidth by
/// default from the Measure window's antenna, 70 λ/D for a dish, at the
/// program's observing frequency); Start and Abort; the progress ("pair 2
/// of 4, settling", the time left); the live power with the readings
/// marked (on source, off source, scan points); the scan's points with the
/// fitted beam; the result with its uncertainty, logged; "Apply to
/// tracking" for the offsets a scan found, after asking.
///
/// One rotator is never driven by two windows: a procedure borrows the
/// Track window's rotator (tracking stops and its commands are locked
/// meanwhile) and hands it back at the end, tracking the source again or
/// stopped, as chosen. The radiometer is borrowed from the Receiver window
/// alike. The procedure is stepped on this thread every 50 ms and never
/// waits: the rotator and the radiometer run on threads of their own, and
/// a radiometer is stopped on a thread of its own. Every block a
/// procedure is handed goes to the power log ("Vantrel-power.csv", the
/// Receiver window's), the readings with their role and offset
/// (ProcedurePowerLog).
class ScanWindow final : public QWidget {
    Q_OBJECT

public:
    explicit ScanWindow(ScanWindowServices services, QWidget* parent = nullptr);
    /// Shutdown().
    ~ScanWindow() override;

    /// Shows the window non-modal at its stored place, else beside
    /// `mainWindow`.
    void OpenBeside(QWidget* mainWindow);

    /// At the program's end: aborts a procedure (the rotator stopped and
    /// handed back, the partial result logged), ends the radiometer and
    /// keeps the window's place. Idempotent; before the Track window's own.
    void Shutdown();

    bool IsRunning() const { return procedure_ != nullptr; }
    const ScanSetup& Setup() const { return setup_; }
    /// The procedure under way or the last one; null before the first.
    const scan::Procedure* Procedure() const { return last_.get(); }
    /// Why the text of a field is refused; empty when accepted.
    QString Problem(const QLineEdit* field) const;
    /// The beamwidth a procedure would use now, degrees; none when the
    /// Measure window's antenna gives none.
    std::optional<double> Beamwidth() const;
    /// The offsets of the last cross or drift scan for "Apply to tracking":
    /// degrees of the rotator's azimuth and of elevation.
    std::optional<std::pair<double, double>> OffsetsToApply() const { return toApply_; }
    /// Shows a procedure that has ended elsewhere (a replay, a test) as at
    /// its end: its readings, fits and result, nothing logged. Nothing while
    /// one runs here.
    void Review(std::shared_ptr<scan::Procedure> ended, DateTime startedUtc);
    /// Y-factor results not yet in the measurement log (it could not be
    /// written): kept, and tried again every 5 s and at the end.
    std::size_t UnsavedResults() const { return unsavedY_.size(); }
    /// What the sky chart shows while a procedure runs: its source, where
    /// it sends the rotator and where the rotator reports to be, on the
    /// sky; not tracking (nothing drawn) otherwise.
    PointingSnapshot Snapshot() const;
    /// Points of the live power chart.
    int PowerPoints() const;
    /// Points and fitted curves of the scan chart.
    int ScanPoints() const;
    int FitPoints() const;

    QComboBox* ProcedureBox = nullptr;
    QComboBox* Source = nullptr;
    QCheckBox* BeamFromAntenna = nullptr;
    QLineEdit* Beamwidth_ = nullptr; ///< typed when not from the antenna
    QLabel* BeamText = nullptr;      ///< the beamwidth in use and where it comes from
    QLineEdit* Tau = nullptr;
    QLineEdit* Settle = nullptr;
    QLineEdit* Pairs = nullptr;
    QLineEdit* OffBeams = nullptr;
    /// Y-factor: "east and west in turn", "the colder side (sky model)",
    /// "Off source: coldest sky", "a cold-sky point of my own".
    QComboBox* OffPoint = nullptr;
    QLabel* ColdSkyText = nullptr; ///< the sky model's off point: az, el, Tsky; or why none
    QLineEdit* ColdAzimuth = nullptr;
    QLineEdit* ColdElevation = nullptr;
    QLineEdit* Span = nullptr;
    QLineEdit* Points = nullptr;
    QCheckBox* Continuous = nullptr;
    QComboBox* After = nullptr; ///< "Leave it tracking the source", "Stop the rotator"
    QPushButton* StartButton = nullptr;
    QPushButton* AbortButton = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* ProgressText = nullptr;     ///< "pair 2 of 4, settling: about 40 s left"
    QLabel* Sentence = nullptr;         ///< why it cannot start, or why it stopped
    QLabel* Result = nullptr;           ///< the result with its uncertainty
    QPushButton* ApplyButton = nullptr; ///< "Apply to tracking"
    QChartView* PowerChart = nullptr;
    QChartView* ScanChart = nullptr;
    QTimer* Stepper = nullptr;
    QTimer* YRetry = nullptr; ///< writes the kept Y-factor results

public slots:
    void StartClick();
    /// Aborts the procedure: it stops at the next step.
    void AbortClick();
    /// Aborts it with the rotator stopped, whatever "At the end" says: the
    /// user pressed Stop in the Track window.
    void StopFromTrack();
    /// Adds the offsets found to the tracking offsets, after asking.
    void ApplyClick();
    /// One step of the procedure.
    void Step();
    /// The beamwidth again (the observing frequency or the antenna changed).
    void ShowBeam();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    /// Closed while a procedure runs: asks whether it goes on in the
    /// background or is aborted.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    /// Asks the sky model for the off point of the source now (off this
    /// thread); with `thenStart` the procedure starts when it answers.
    void SearchSky(bool thenStart);
    void SkyFound();
    /// Starts the procedure of `settings` (the checks passed), with the
    /// off point the sky model chose.
    void Begin(scan::ScanSettings settings, std::optional<scan::OffPointPlan> off);
    void BuildCharts();
    void ShowSetup();
    /// Takes an accepted field into the setup and stores it.
    void Edited();
    bool ReadFields(ScanSetup& setup) const;
    void ShowProcedureFields();
    /// The scan chart's titles and ranges for a procedure.
    void ShowScanAxes(const scan::ScanSettings& settings);
    void Say(const QString& text, bool problem);
    void Finish();
    void ShowResult();
    void ShowFits();
    void AddBlocks(const std::vector<PowerBlock>& blocks);
    void MarkReadings();
    void StopRunner();
    void SaveRect();
    /// Appends the kept Y-factor results to the measurement log, oldest
    /// first; what happened, as a sentence.
    QString FlushY();

    ScanWindowServices services_;
    UtcClock clock_;
    SkyPlaces places_;
    ScanSetup setup_;
    FieldReasons* reasons_ = nullptr;
    std::vector<std::pair<QLineEdit*, ScanField>> fields_;

    // A procedure under way: its rotator and radiometer are lent.
    std::unique_ptr<scan::Procedure> procedure_;
    std::shared_ptr<scan::Procedure> last_;
    RotatorLink* link_ = nullptr;
    std::unique_ptr<PowerRunner> runner_;
    std::vector<std::thread> stopping_; ///< runners being stopped
    DateTime startedUtc_ = 0;
    std::size_t readingsShown_ = 0;
    double powerMin_ = 0;
    double powerMax_ = 0;
    std::optional<std::pair<double, double>> toApply_;
    double frequencyMHz_ = 0;
    MeasureSetup antenna_;
    bool shutDown_ = false;
    bool placed_ = false;
    bool stopAtEnd_ = false; ///< the rotator stays stopped whatever "At the end" says
    bool reviewing_ = false; ///< showing a procedure run elsewhere: nothing is logged
    std::vector<measure::MeasurementRecord> unsavedY_;
    /// The procedure's blocks on their way to the power log (the Receiver
    /// window's file), and the writer that appends them off this thread.
    std::unique_ptr<scan::ProcedurePowerLog> procedureLog_;
    std::unique_ptr<PowerLogWriter> powerLog_;
    TrackingOptions pointing_; ///< the pointing options of the procedure under way
    ScanSkyPanel* sky_ = nullptr;
    /// The settings to start with when the sky model answers.
    std::optional<scan::ScanSettings> startWhenFound_;

    QChart* powerChart_ = nullptr;
    QLineSeries* power_ = nullptr;
    QScatterSeries* onMarks_ = nullptr;
    QScatterSeries* offMarks_ = nullptr;
    QScatterSeries* scanMarks_ = nullptr;
    QValueAxis* powerTime_ = nullptr;
    QValueAxis* powerDb_ = nullptr;
    QChart* scanChart_ = nullptr;
    QScatterSeries* axisPoints_[2] = {nullptr, nullptr};
    QLineSeries* axisFits_[2] = {nullptr, nullptr};
    QValueAxis* scanX_ = nullptr;
    QValueAxis* scanY_ = nullptr;
};

} // namespace vantrel
