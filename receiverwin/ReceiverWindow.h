#pragma once

#include "apparent/ObservingConditions.h"
#include "radiometer/AudioInput.h"
#include "radiometer/PointingSlot.h"
#include "radiometer/PowerLog.h"
#include "radiometer/PowerLogWriter.h"
#include "radiometer/PowerRunner.h"
#include "radiometer/SdrInput.h"
#include "radiometer/YUncertainty.h"
#include "receiverwin/ReceiverSetup.h"
#include "receiverwin/StripHistory.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

class QAreaSeries;
class QCategoryAxis;
class QChartView;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPlainTextEdit;
class QPushButton;
class QScatterSeries;
class QStackedWidget;
class QTimer;
class QValueAxis;

namespace vantrel {

class FieldReasons;
class ReceiverYPanel;
class SpectrumChart;
class UsedBlockFlagger;

/// Caption of the Receiver window.
inline constexpr const char* kReceiverCaption = "Receiver";
/// How often the window shows the runner's state and hands the pointing to
/// it, ms (4 Hz). Blocks and the spectrum are shown as they come.
inline constexpr int kReceiverRefreshMs = 250;
/// The strip chart shows the last this many minutes.
inline constexpr double kStripMinutes = 10.0;

/// What the Receiver window uses of the world outside: the program gives
/// the Track and Measure windows; tests give their own.
struct ReceiverWindowServices {
    /// The program's one observing frequency, read when the SDR is started
    /// and to say when it differs from the SDR's.
    ObservingConditions* Conditions = nullptr;
    /// Folder of "Vanset.ini" and of the power log; the current one when empty.
    QString Directory;
    /// How the runner retries an input that failed.
    InputRetry Retry;
    /// The runner's UTC clock: the blocks' times of readings and how long
    /// an input has been silent (tests give a faster one).
    BlockIntegrator::UtcSource UtcNow = SystemUtcNow;
    /// Where the antenna points while the Track window tracks: the source
    /// and the rotator's reported position; none otherwise. Asked on the
    /// user-interface thread only (at every refresh); the worker reads a
    /// copy.
    std::function<std::optional<BlockPointing>()> Pointing;
    /// The source a Y-factor is measured on ("Sun"); empty when none can
    /// take one.
    std::function<QString()> YTarget;
    /// Hands a Y-factor to the Measure window's measured Y: Y and its
    /// one-sigma uncertainty, dB, how σ was had, and the UTC span of the
    /// blocks it rests on.
    std::function<void(const YEstimate& y)> UseY;
    /// The half-power beamwidth of the antenna the Measure window holds,
    /// degrees; none when its values are refused.
    std::function<std::optional<double>()> BeamwidthDeg;
    /// Where the source of key `source` ("moon", "cas") stands at `utc`:
    /// azimuth and elevation, degrees, as the tracking aims at it; none
    /// for a source it does not know.
    std::function<std::optional<std::pair<double, double>>(const std::string& source, DateTime utc)>
        SourcePlace;
    /// The SDRs and the capture devices there are. They block (for seconds
    /// with some SDR modules): run off the user-interface thread.
    std::function<std::vector<FoundSdr>()> FindSdrs = vantrel::FindSdrs;
    std::function<std::vector<FoundAudioDevice>()> FindAudio = FindAudioCaptureDevices;
};

/// The Receiver window: the program as the radiometer. The input (an SDR
/// through SoapySDR, the sound card through ALSA, a power meter's command,
/// the rig's S-meter) and its settings, kept in "Vanset.ini" section
/// "Receiver"; Start and Stop; the present block in large figures with its
/// σ, and marked when it was clipped or is an S-meter's whole dB; a strip
/// chart of the last minutes; for the SDR and the sound card the averaged
/// spectrum of the last block, the bins measured shaded. "Reference" holds
/// the latest blocks as the cold-sky level, and the live Y of the latest
/// blocks since follows with a σ that covers the receiver's drift, and how
/// it was had; an off-on-off sequence takes the drift out; "Use this Y"
/// hands it to the Measure window (`ReceiverYPanel`, `LiveYFactor`). Every
/// block is appended to "Vantrel-power.csv" with its mark (the Mark box,
/// "reference" for the last block of a reference, "on" for the last block
/// of a Y used), the flag "used" on every block a Y handed on rests on,
/// and where the antenna points while tracking.
///
/// A `PowerRunner` owns the input on its own thread; the window takes what
/// it finished when the runner wakes it, and the power log is written on a
/// thread of its own: nothing here waits for a device or a disk. A failing
/// input is said in a sentence with what to try, and the runner opens it
/// again after a pause (or stops, when a setting is refused); a stopped
/// runner ends on a thread of its own, so Stop never waits for it.
class ReceiverWindow final : public QWidget {
    Q_OBJECT

public:
    explicit ReceiverWindow(ReceiverWindowServices services, QWidget* parent = nullptr);
    /// Shutdown().
    ~ReceiverWindow() override;

    /// Shows the window non-modal beside `mainWindow`.
    void OpenBeside(QWidget* mainWindow);

    /// At the program's end: stops the input and waits for it and every
    /// stopping runner, appends the last block to the power log and waits
    /// for the log: when it takes more than a moment, a dialog says how
    /// many blocks wait and why, until they are written or the user exits
    /// without them (WaitForPowerLog). Idempotent.
    void Shutdown();

    const ReceiverSetup& Setup() const { return setup_; }
    bool IsRunning() const { return runner_ != nullptr; }

    /// Another window (`borrower`, its caption) reads this input now: the
    /// input stops here and Start is locked until `TakeBack`, so one device
    /// never has two readers.
    void Lend(const QString& borrower);
    void TakeBack();
    bool IsLent() const { return !lentTo_.isEmpty(); }
    /// The runner's state; an empty one while none runs.
    RunnerStatus Status() const;
    /// The block shown; none before the first.
    const std::optional<PowerBlock>& Present() const { return present_; }
    /// The reference held: its blocks as one, from the first one's start to
    /// the last one's end, at their mean power with the radiometer's σ of
    /// the mean; none before Reference.
    const std::optional<PowerBlock>& Reference() const { return reference_; }
    /// The Y-factor shown: the live one of the latest blocks against the
    /// reference, or the off-on-off sequence's; none without either.
    std::optional<YEstimate> LiveY() const;
    /// The power log the blocks go to.
    QString LogPath() const;
    /// Blocks handed to the power log so far (the present one waits for its
    /// mark until the next comes or the input stops).
    std::uint64_t BlocksLogged() const { return logged_; }
    /// Waits until the power log has written what it was given (tests).
    bool FlushLog(int timeoutMs);
    /// Blocks the power log could not write by the end of Shutdown (the
    /// user chose to exit without them); 0 when all were written.
    std::size_t LostAtExit() const { return lostAtExit_; }
    /// Why the text of a field is refused; empty when accepted.
    QString Problem(const QLineEdit* field) const;
    /// Points of the strip chart.
    int StripPoints() const;
    /// Segments of its line: one more after every gap between blocks.
    int StripSegments() const { return static_cast<int>(stripSegments_.size()); }
    /// Points of the spectrum's trace.
    int SpectrumPoints() const;

    QComboBox* Input = nullptr;
    QStackedWidget* Pages = nullptr;
    QComboBox* SdrDevice = nullptr; ///< editable: SoapySDR device arguments
    QPushButton* FindSdrButton = nullptr;
    QLineEdit* SdrFrequency = nullptr;
    QLineEdit* SdrRate = nullptr;
    QLineEdit* SdrGain = nullptr;
    QLineEdit* SdrAntenna = nullptr;
    QLineEdit* SdrBand = nullptr;
    QLineEdit* SdrPpm = nullptr;          ///< frequency correction, ppm; empty: the device's
    QLineEdit* SdrSettings = nullptr;     ///< "biastee=true, direct_samp=2"
    QLineEdit* SdrGainElements = nullptr; ///< "LNA=20, MIX=5"
    QComboBox* AudioDevice = nullptr;     ///< editable: ALSA device name
    QPushButton* FindAudioButton = nullptr;
    QLineEdit* AudioRate = nullptr;
    QLineEdit* AudioChannel = nullptr;
    QLineEdit* AudioBand = nullptr;
    QLineEdit* Command = nullptr;
    QComboBox* Unit = nullptr;
    QLineEdit* Column = nullptr;
    QLineEdit* CommandPoll = nullptr; ///< a polled meter's interval, s; empty: at once
    QLineEdit* RigModel = nullptr;
    QLineEdit* RigDevice = nullptr;
    QLineEdit* Tau = nullptr;
    QLineEdit* Bins = nullptr;
    QCheckBox* Rfi = nullptr;
    QComboBox* Mark = nullptr; ///< the mark of the blocks to come: none, on, off
    QPushButton* StartButton = nullptr;
    QPushButton* StopButton = nullptr;
    QLabel* State = nullptr;     ///< what the runner does
    QLabel* ErrorText = nullptr; ///< the last failure, and what to try; hidden while all is well
    QLabel* FrequencyText = nullptr; ///< the SDR's centre against the observing frequency
    QLabel* Power = nullptr;         ///< the present block, large
    QLabel* Detail = nullptr;        ///< its σ, scatter, samples and time
    QLabel* Flags = nullptr;         ///< overload, whole-dB readings
    /// The Y-factor: reference, live Y with σ and method, off-on-off.
    ReceiverYPanel* YPanel = nullptr;
    QPushButton* ReferenceButton = nullptr; ///< of the Y panel, as the ones below
    QLabel* ReferenceText = nullptr;
    QLabel* LiveYText = nullptr; ///< Y = on − reference with σ, large
    QPushButton* UseYButton = nullptr;
    QLabel* YNote = nullptr; ///< where the Y goes, or why it is not fit for G/T
    QChartView* Strip = nullptr;
    QChartView* Spectrum = nullptr;
    QPlainTextEdit* Messages = nullptr; ///< what happened, with UTC
    QLabel* LogText = nullptr;          ///< where the blocks go, or why they cannot
    QTimer* Refresher = nullptr;

public slots:
    void StartClick();
    void StopClick();
    void ReferenceClick();
    void UseYClick();
    /// Shows the observing frequency anew (another window changed it).
    void ShowFrequency();
    /// Says in the messages what the runner has reported since last asked.
    void SayEvents();
    /// Takes what the runner finished and shows it.
    void TakeNews();
    /// Shows the runner's state and hands it where the antenna points.
    void Refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    /// The input box: its pages, the integration and the mark
    /// (ReceiverInputPanel.cpp, with the fields' reading and Find).
    QGroupBox* BuildInputPanel();
    void BuildCharts();
    void ShowSetup();
    /// Reads every field into the setup; true when all are accepted.
    bool ReadFields();
    /// Takes the fields and stores the setup when it is accepted.
    void Edited();
    QString FieldProblem(const QLineEdit* edit, const QString& text) const;
    void ShowBlocks(const std::vector<PowerBlock>& blocks);
    void ShowPresent();
    void ShowY();
    /// Whether the present block is live; shown when it changes.
    void SetLive(bool live);
    /// Flags the blocks of a Y used in the power log: the one waiting for
    /// its mark at once, those written already on a thread of its own.
    void FlagUsed(const std::vector<PowerBlock>& blocks);
    /// How far the antenna was from the source during `block`, in
    /// half-power beamwidths; none when not known.
    std::optional<double> OffsetBeams(const PowerBlock& block) const;
    void ShowSpectrum(const SpectrumSnapshot& spectrum);
    /// Shows the spectrum last taken, unless one was shown within the
    /// refresh period (the refresh shows it then).
    void ShowPendingSpectrum();
    void ShowStatus(const RunnerStatus& status);
    void ShowStripAxes(double lastUtc);
    void ShowReferenceLine();
    void Say(const QString& text);
    /// Hands the block waiting for its mark to the power log.
    void LogPending();
    void TakeLogProblems();
    /// Where the blocks go, or why they cannot be written and how many wait.
    void ShowLogState();
    /// Starts a segment of the strip chart's line after a gap.
    QLineSeries* NewStripSegment();
    /// Drops the `count` oldest points, and the segments they empty.
    void DropStripPoints(std::size_t count);
    /// Empties the strip chart: one empty segment left.
    void ClearStrip();
    /// Ends the runner on a thread of its own.
    void Retire();
    void FindSdrClick();
    void FindAudioClick();
    /// The mark chosen in the Mark box.
    PowerMark ChosenMark() const;
    /// The frequency the power log gives for the running input, MHz.
    double LoggedFrequencyMHz() const;
    /// "dBFS", "dBm", "dB": the unit of the running (or last) input.
    QString UnitText() const;

    ReceiverWindowServices services_;
    ReceiverSetup setup_;
    FieldReasons* reasons_ = nullptr;
    std::vector<QLineEdit*> fields_;

    std::unique_ptr<PowerRunner> runner_;
    ReceiverSetup runningSetup_;
    StreamDescription stream_; ///< of the input last opened
    std::shared_ptr<std::atomic<bool>> wakePending_;
    std::shared_ptr<PointingSlot> pointing_;
    /// Runners being stopped, each on a thread of its own.
    struct Retiring {
        std::thread Thread;
        std::shared_ptr<std::atomic<bool>> Done;
    };
    std::vector<Retiring> retiring_;
    std::unique_ptr<PowerLogWriter> log_;
    std::uint64_t logged_ = 0;
    std::size_t lostAtExit_ = 0;
    bool shutDown_ = false;
    QString lentTo_; ///< the window reading the input; empty while this one may
    QString lastShownError_;

    std::optional<PowerBlock> present_;
    bool live_ = false; ///< the input delivers: the present block is live
    std::optional<PowerBlock> reference_;
    ReceiverSetup referenceSetup_;
    QString referenceUnit_;
    /// Flags used blocks in the power log, on threads of their own.
    UsedBlockFlagger* flagger_ = nullptr;
    /// The present block until the next comes: its mark may still change.
    struct PendingBlock {
        PowerBlock Block;
        PowerMark Mark = PowerMark::None;
        bool Used = false; ///< a Y handed on rests on it
        std::string Input;
        double FrequencyMHz = 0;
        StreamDescription Stream; ///< of the input that gave it
        std::optional<SpectrumSettings> Spectrum;
    };
    std::optional<PendingBlock> pending_;

    StripHistory history_{kStripMinutes / (24.0 * 60.0)};
    std::string stripScale_; ///< the input and unit of the strip chart's points
    /// The strip chart's line in segments, oldest first, broken where no
    /// blocks came (StripGap); stripSeries_ is the newest.
    std::deque<QLineSeries*> stripSegments_;
    QLineSeries* stripSeries_ = nullptr;
    QLineSeries* referenceSeries_ = nullptr;
    QCategoryAxis* stripTime_ = nullptr;
    QValueAxis* stripPower_ = nullptr;
    double stripFirstMarkUtc_ = -1;
    double stripLastMarkUtc_ = -1;
    SpectrumChart* spectrumChart_ = nullptr;
    std::optional<SpectrumSnapshot> spectrum_; ///< taken, not yet shown
    QElapsedTimer spectrumShown_;
};

} // namespace vantrel
