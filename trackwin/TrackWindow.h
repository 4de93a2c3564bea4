#pragma once

#include "apparent/ObservingConditions.h"
#include "apparent/SkyPlaces.h"
#include "astro/Clock.h"
#include "astro/SunMoon.h"
#include "skychart/HorizonProfile.h"
#include "station/HomeStation.h"
#include "tracking/PointingSnapshot.h"
#include "tracking/RotatorLink.h"
#include "tracking/Tracking.h"
#include "trackwin/RetiredLinks.h"
#include "trackwin/TrackSetup.h"

#include <QString>
#include <QWidget>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace vantrel {

class ColdSkySearch;
class FieldReasons;

/// Caption of the Track window.
inline constexpr const char* kTrackCaption = "Track";
/// How often the window shows the rotator's state, ms (4 Hz): the link's
/// status is a copy under a lock, cheap to take.
inline constexpr int kTrackRefreshMs = 250;

/// What the Track window uses of the world outside. The program gives
/// Hamlib's rotators; tests give Hamlib's dummy, a rotctld on loopback or a
/// rotator that never answers.
struct TrackWindowServices {
    ObservingConditions* Conditions = nullptr; ///< the program's one set, read at every step
    const HomeStation* Station = nullptr;
    SunMoonLibrary* Library = nullptr;
    const LocalClock* Clock = nullptr;
    /// Folder of "Vanset.ini"; the current one when empty.
    QString Directory;
    /// Makes the rotator of the settings; called on the link's thread.
    std::function<std::unique_ptr<Rotator>(const RotatorSettings&)> MakeRotator;
    /// Hamlib's list of models, for the model box.
    std::function<std::vector<RotatorModel>()> Models;
    /// How often the link reads the rotator's position. A position not
    /// read again for longer than two of these is stale: shown as such,
    /// never "on target".
    std::chrono::milliseconds PollPeriod{500};
    RetryPolicy Retry = kAttendedRetry;
    /// The horizon profile in force (the sky window's); null, or returning
    /// null, when there is none. The off-source point is checked against it.
    std::function<const HorizonProfile*()> Horizon;
    /// The antenna's half-power beamwidth at the observing frequency,
    /// degrees (the Measure window's antenna, 70 λ/D for a dish); empty,
    /// or returning none, when not known. Asked at every step: the
    /// threshold and "on target" follow it (ThresholdInForceDeg).
    std::function<std::optional<double>()> Beamwidth;
    /// The folder of the 408 MHz survey for "Off source: coldest sky";
    /// empty: beside the program.
    QString SkyFolder;
};

/// The Track window: which source to follow and how (period, threshold,
/// azimuth range, elevation limits, offsets, off-source offset, parking),
/// which rotator (a Hamlib model, its device and serial speed), and the
/// commands Track, Stop, Park and Off source / On source; live, the source's
/// place, where the rotator is sent and where it reports to be, the state and
/// the last error with the time to the next try.
///
/// A `Tracker` decides at every period and a `RotatorLink` talks to the
/// rotator on its own thread: the window calls only members of the link that
/// do not wait for the controller, so the main window's real-time display
/// keeps its rhythm whatever the rotator does. A refused text stays red in
/// its field with the reason beside it, however the field is left
/// (`FieldReasons`); the value in force stays until one is accepted.
class TrackWindow final : public QWidget {
    Q_OBJECT

public:
    explicit TrackWindow(TrackWindowServices services, QWidget* parent = nullptr);
    /// Shutdown().
    ~TrackWindow() override;

    /// Shows the window non-modal at its stored place, else beside
    /// `mainWindow`.
    void OpenBeside(QWidget* mainWindow);

    /// Told the real-time grid's column pair (0..8) of the source while it is
    /// tracked, and empty when tracking ends.
    std::function<void(std::optional<std::size_t>)> OnTrackedPair;

    /// What the sky chart shows: the source, the target and the reported
    /// position, on the sky.
    PointingSnapshot Snapshot() const;

    /// At the program's end: stops tracking, stops a connected rotator and
    /// ends the link (bounded by the rotator's timeout), keeps the window's
    /// place. Idempotent.
    void Shutdown();

    /// Lends the rotator to another window (the Scan window) for a
    /// procedure, so that one rotator is never driven by two windows at
    /// once: tracking stops, Track, Park, Off source and the rotator's
    /// fields are locked, and the state line names `borrower`; Stop stays
    /// and tells the borrower (OnLentStop). The link, made when there is
    /// none; null, with `why` set, when the setup is refused or the rotator
    /// is lent already.
    RotatorLink* LendRotator(const QString& borrower, QString& why);
    /// The rotator is back: the commands work again; with `track`, the
    /// window tracks that source at once, as Track does.
    void ReturnRotator(std::optional<SkySource> track);
    bool IsLent() const { return !lentTo_.isEmpty(); }
    /// Told when Stop is pressed while the rotator is lent.
    std::function<void()> OnLentStop;
    /// Adds a scan's offsets to the tracking offsets: degrees of the
    /// rotator's azimuth and of elevation, each rounded to 0.001° (the sum
    /// to 0.000001°). Shown in their fields and stored as if typed; the
    /// reason when the sum is refused (nothing changes).
    QString AddOffsets(double azimuthDeg, double elevationDeg);

    bool IsTracking() const { return tracking_; }
    const TrackSetup& Setup() const { return setup_; }
    /// The link's status, or an empty one before any command.
    RotatorStatus LinkStatus() const;
    /// The rotator's position as it reports it (the offsets not taken off),
    /// while it is fresh; none when stale or never read.
    std::optional<RotatorPosition> ReportedPosition() const { return FreshPosition(LinkStatus()); }
    /// The last decision of the tracker.
    const TrackDecision& LastDecision() const { return decision_; }
    /// Why the text of a field is refused, as shown beside it; empty when
    /// it is accepted.
    QString Problem(const QLineEdit* field) const;

    QComboBox* Source = nullptr;
    QComboBox* Model = nullptr; ///< "number manufacturer name", searchable
    QLineEdit* Device = nullptr;
    QLineEdit* Speed = nullptr;
    QLineEdit* Period = nullptr;
    QLineEdit* Threshold = nullptr;
    QCheckBox* ThresholdFromBeam = nullptr; ///< "0.1 HPBW" instead of the threshold typed
    QComboBox* Range = nullptr;
    QLineEdit* MinElevation = nullptr;
    QLineEdit* MaxElevation = nullptr;
    QLineEdit* AzimuthOffset = nullptr;
    QLineEdit* ElevationOffset = nullptr;
    QLineEdit* OffSource = nullptr;
    QCheckBox* OwnPark = nullptr;
    QLineEdit* ParkAzimuth = nullptr;
    QLineEdit* ParkElevation = nullptr;
    QCheckBox* ParkWhenSet = nullptr;
    QPushButton* TrackButton = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* ParkButton = nullptr;
    QPushButton* OffSourceButton = nullptr;
    /// "Off source: coldest sky": searches the coldest sky on the source's
    /// elevation circle (off this thread), takes its azimuth step as the
    /// off-source offset and goes off source.
    QPushButton* ColdSkyButton = nullptr;
    QLabel* ColdSkyText = nullptr;      ///< the reference's az, el and Tsky, or why there is none
    QPushButton* RetryButton = nullptr; ///< "Retry now", while waiting to try again
    QLabel* OffSourceWarning = nullptr; ///< the off-source point behind the horizon profile
    QPushButton* OtherSideButton = nullptr; ///< takes the off-source step to the other side
    QLabel* Refusal = nullptr;       ///< what holds for the whole window (Vanset.ini not written)
    QLabel* SkyPlace = nullptr;      ///< where the source stands
    QLabel* Target = nullptr;        ///< the last position sent to the rotator
    QLabel* ThresholdText = nullptr; ///< "threshold 0.18° = 0.1 HPBW"
    QLabel* Reported = nullptr;      ///< where it reports to be
    QLabel* State = nullptr;
    QLabel* LastError = nullptr; ///< the last error and the next try
    QTimer* Stepper = nullptr;   ///< the tracking period
    QTimer* Refresher = nullptr; ///< the live texts

signals:
    /// The target or the reported position may have changed (every refresh).
    void PointingChanged();

public slots:
    void TrackClick();
    void StopClick();
    void ParkClick();
    void OffSourceClick();
    void ColdSkyClick();
    void RetryClick();
    /// Takes the off-source step to the other side of the source.
    void OtherSideClick();
    /// One tracking period: decide and hand the decision to the link.
    void Step();
    /// Shows the source's place and the link's status.
    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    /// A number field and how it is read.
    struct NumberField {
        QLineEdit* Edit = nullptr;
        TrackField Kind{};
    };
    void BuildControls();
    void ShowSetup();
    /// The sources' titles as the grids give them for the station now.
    void ShowTitles();
    /// The setup with `text` taken into the field `edit`, or the setup in
    /// force and why the text is refused.
    std::pair<TrackSetup, QString> WithField(const QLineEdit* edit, const QString& text) const;
    /// The model box's entry for a typed text (its full text or a model
    /// number); -1 for none.
    int ModelIndex(const QString& text) const;
    /// Takes the field's text when it is accepted; refused, it stays with
    /// its reason and false is returned.
    bool TakeField(QLineEdit* edit);
    bool TakeModel();
    /// Takes a changed setup: stores it, and while tracking follows it.
    void Apply(const TrackSetup& changed);
    /// Says what holds for the whole window; empty hides it.
    void Refuse(const QString& why);
    RotatorLink& EnsureLink();
    void PublishTrackedPair();
    /// Ends tracking (the rotator is told separately).
    void StopTracking();
    /// True when the link has read no position for longer than two poll
    /// periods (counted from its start while it has read none).
    bool PositionStale(const RotatorStatus& status) const;
    /// The reported position while it is fresh.
    std::optional<RotatorPosition> FreshPosition(const RotatorStatus& status) const;
    /// The state line while tracking or parking.
    QString StateText(const RotatorStatus& status, bool stale);
    /// Says whether the off-source point is behind the horizon profile.
    void ShowOffSourceCheck();
    /// The source's title in the list; a user source without a name is
    /// "User source".
    QString SourceTitle(SkySource source) const;
    void ShowOffSourceButton();
    /// The cold-sky search answered.
    void ColdSkyFound();
    void SaveRect();
    /// The options of the setup with the antenna's beamwidth filled in.
    TrackingOptions OptionsInForce() const;

    TrackWindowServices services_;
    UtcClock clock_;
    SkyPlaces places_;
    Tracker tracker_;
    TrackSetup setup_;
    FieldReasons* reasons_ = nullptr;
    std::vector<NumberField> numbers_;
    std::unique_ptr<RotatorLink> link_;
    RetiredLinks retired_;
    bool tracking_ = false;
    /// Since Park until Track or Stop; where to, when not the controller's own.
    bool parking_ = false;
    std::optional<RotatorPosition> parkAt_;
    /// The last position read while parking and since when it stands still.
    std::optional<RotatorPosition> stillAt_;
    std::chrono::steady_clock::time_point stillSince_{};
    std::chrono::steady_clock::time_point linkStarted_{};
    bool wasConnected_ = false;
    TrackDecision decision_;
    std::optional<std::size_t> publishedPair_;
    /// When the failure count last changed, for the time to the next try.
    int seenFailures_ = 0;
    std::chrono::steady_clock::time_point failureSeenAt_{};
    bool shutDown_ = false;
    bool placed_ = false;
    QString lentTo_; ///< the window driving the rotator; empty while this one does
    ColdSkySearch* coldSky_ = nullptr;
    void ShowLent();
};

} // namespace vantrel
