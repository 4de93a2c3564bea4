#pragma once

#include "apparent/ObservingConditions.h"
#include "astro/Clock.h"
#include "eme/DopplerRig.h"
#include "eme/DxStation.h"
#include "eme/EmeCalculator.h"
#include "eme/HamlibDopplerRig.h"
#include "eme/MoonPerigee.h"
#include "eme/MoonWindows.h"
#include "skychart/HorizonProfile.h"
#include "skymodel/SkyBrightness.h"
#include "station/HomeStation.h"
#include "station/UserMessages.h"

#include <QFutureWatcher>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QTableWidget;
class QTimer;

namespace vantrel {

class DopplerPanel;
class DxSkedPanel;
class FieldReasons;

/// Caption of the EME window.
inline constexpr const char* kEmeCaption = "EME";
/// How often the live values follow the Moon while the window is shown, ms.
inline constexpr int kEmeTickMs = 1000;
/// Coarse step of the search for common windows, seconds; every edge is
/// then placed to the second.
inline constexpr std::int64_t kEmeSearchStepS = 300;
/// The windows are looked for again from the present moment this often,
/// seconds, so that the list keeps covering the next seven days.
inline constexpr std::int64_t kEmeSearchRenewS = 600;

/// What the EME window uses of the world outside; the program gives its
/// own, tests their fakes.
struct EmeWindowServices {
    /// The home station and the observing conditions (frequency, refraction)
    /// of the whole program, read at every tick: no copy is kept.
    const HomeStation* Station = nullptr;
    const ObservingConditions* Conditions = nullptr;
    const LocalClock* Clock = nullptr;
    UserMessages* Messages = nullptr;
    /// The home skyline the sky window has loaded; null while there is none.
    std::function<const HorizonProfile*()> Horizon;
    /// UT1 − UTC (empty: UT1 = UTC), also called off this thread by the
    /// search for windows.
    eme::Ut1MinusUtc Ut1;
    /// Which UT1 is in use over UTC instants first..last (`DateTime`s), for
    /// the status line; "UT1 = UTC" when empty.
    std::function<QString(DateTime first, DateTime last)> Ut1Text;
    /// Folder of "Vanset.ini"; the current one when empty.
    QString Directory;
    /// Folder of the 408 MHz sky survey; when empty, the one found beside
    /// the program (sky::FindSkySurveyFolder).
    QString SkyFolder;
    /// The rig of the Doppler following; empty: Hamlib's.
    std::function<std::unique_ptr<eme::DopplerRig>(const eme::HamlibRigAddress&)> MakeDopplerRig;
    /// UTC for the Doppler following, seconds of eme::UtcSeconds, called on
    /// its own thread; empty: the system clock.
    std::function<double()> DopplerClock;
};

/// The EME window: a DX station (by locator or coordinates, the recent ones
/// kept in "Vanset.ini" section "EME"), the live values of the Moon for the
/// home station and the DX station once a second (azimuth, elevation,
/// distance, echo delay and Doppler shift, the DX signal's Doppler shift,
/// path loss and its change, polarisation offset, declination,
/// semi-diameter; the sky temperature behind the Moon through each
/// station's beam, DGRD, the Sun-Moon angle, the Doppler rates and the
/// echo's spread; the next perigee and apogee) and the common Moon windows of the next seven days,
/// with Print and Save CSV.
///
/// The live values are computed on this thread (a few microseconds); the
/// windows are searched on a worker thread with copies of everything they
/// need, and a search whose inputs changed meanwhile is stopped and started
/// again. Nothing here reaches the sun/moon library's shared state.
class EmeWindow final : public QWidget {
    Q_OBJECT

public:
    explicit EmeWindow(EmeWindowServices services, QWidget* parent = nullptr);
    /// Stops a search under way and waits for it and for a file being written.
    ~EmeWindow() override;

    /// Shows the window non-modal: where it was last time, else beside
    /// `mainWindow`.
    void OpenBeside(QWidget* mainWindow);

    /// Takes a DX station as typed (eme::ParseDxStation; empty for none):
    /// true when taken, and it goes first in the recent list. A refused text
    /// stays in the box, red, with its reason below it, and the station in
    /// use stays. Leaving the box (Enter, Tab, a click elsewhere) takes it.
    bool SetDx(const QString& text);
    const std::optional<eme::DxStation>& Dx() const { return dx_; }
    /// The recent DX stations, the last used first.
    QStringList RecentDx() const;

    /// Takes a minimum elevation as typed (degrees, −5..90) for home or the
    /// DX station: true when taken. A refused text stays in its field, red,
    /// with its reason below it, and the value in force stays.
    bool SetMinElevation(bool dx, const QString& text);

    /// Takes the receiver temperature of DGRD as typed (K, 1..10000), or a
    /// half-power beamwidth for home or the DX station (degrees, 0.05..120;
    /// empty: derived from the frequency): true when taken. A refused text
    /// stays, red, with its reason below it.
    bool SetReceiverK(const QString& text);
    bool SetHpbw(bool dx, const QString& text);
    /// Takes the Moon's brightness temperature as typed (K, 1..1000; empty:
    /// the model by frequency and phase): true when taken.
    bool SetMoonTemperature(const QString& text);
    /// Takes the window's own band (MHz, 1..1 000 000; empty: the program's
    /// observing frequency), kept in [EME]; true when taken.
    bool SetBand(const QString& text);
    /// Takes the days the common windows are searched over ("YYYY-MM-DD",
    /// UTC, from the first's 00:00 to the last's end, at most 366 days;
    /// empty: from now, and seven days on): true when taken.
    bool SetSearchDays(const QString& from, const QString& to);
    /// The band in use, MHz.
    double BandMHz() const;
    /// The sky map is loaded for the frequency in use (loading runs off
    /// this thread); its problem when it cannot be.
    bool SkyReady() const;
    const QString& SkyProblem() const { return skyProblem_; }
    /// The next perigee and apogee as shown.
    const eme::PerigeeApogee& Extremes() const { return extremes_; }

    /// The live values of the last tick.
    const eme::EmeMoment& Live() const { return live_; }
    /// The common windows of the last finished search, and whether one is
    /// under way.
    const std::vector<eme::MoonWindow>& Windows() const { return windows_; }
    bool Searching() const { return watcher_.isRunning(); }
    /// The CSV that Save CSV writes: the windows with the values at their
    /// middles (eme::WindowsCsv).
    std::string WindowsCsvText() const;

    // Platform dialogs, replaced by tests.
    std::function<QString(const QString& caption, const QString& filter)> ChooseSaveFile;
    std::function<bool(QPrinter& printer)> ChoosePrinter;

    QComboBox* DxBox = nullptr; ///< editable: the DX station, recent ones in its list
    QLabel* DxWhere = nullptr;  ///< where the DX station in use is
    QLineEdit* HomeMinElevation = nullptr;
    QLineEdit* DxMinElevation = nullptr;
    QLineEdit* ReceiverTemperature = nullptr;
    QLineEdit* HomeHpbw = nullptr;
    QLineEdit* DxHpbw = nullptr;
    QLineEdit* MoonTemperature = nullptr; ///< empty: the model
    QLineEdit* Band = nullptr;            ///< MHz; empty: the observing frequency
    QLineEdit* SearchFrom = nullptr;      ///< YYYY-MM-DD; empty: now
    QLineEdit* SearchTo = nullptr;        ///< YYYY-MM-DD; empty: seven days on
    QLabel* WindowsTitle = nullptr;       ///< what the list covers
    QLabel* ExtremesText = nullptr;       ///< the next perigee and apogee
    QTableWidget* WindowTable = nullptr;
    QPushButton* SaveCsv = nullptr;
    QPushButton* Print = nullptr;
    QLabel* Status = nullptr;
    QTimer* Ticker = nullptr;
    /// Doppler following of the rig (its own thread drives the rig).
    DopplerPanel* DopplerFollowing = nullptr;
    /// The common windows of every recent DX station over the days asked.
    DxSkedPanel* DxList = nullptr;

    /// The live values as shown: one row per quantity, the home and DX
    /// columns (empty where a value has no DX side).
    enum LiveRow : int {
        kAzimuthRow,
        kElevationRow,
        kDistanceRow,
        kDeclinationRow,
        kEchoDelayRow,
        kEchoDopplerRow,
        kDxDopplerRow,
        kPathLossRow,
        kPathLossChangeRow,
        kPolarisationRow,
        kSemiDiameterRow,
        kSkyRow,
        kDegradationRow,
        kSunMoonRow,
        kDopplerRateRow,
        kSpreadRow,
        kMoonNoiseRow,
        kLiveRowCount
    };
    QString LiveText(LiveRow row, bool dx) const;

signals:
    /// A search finished and its windows are shown.
    void WindowsShown();
    /// A save or a print has finished: `problem` is empty on success.
    void ExportFinished(const QString& path, const QString& problem);

public slots:
    /// The live values now; a new search when its inputs changed or the
    /// last one is older than kEmeSearchRenewS.
    void Tick();
    void SaveCsvClick();
    void PrintClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    /// Everything a search and the live values depend on.
    struct Inputs {
        eme::EmeSite Home;
        std::optional<eme::EmeSite> Dx;
        ObservingConditions Conditions;
        double HomeMinDeg = 0;
        double DxMinDeg = 0;
        std::vector<HorizontalDeg> Horizon;
        std::optional<eme::UtcSeconds> From; ///< the first day's 00:00 UTC; none: now
        std::optional<eme::UtcSeconds> To;   ///< the last day's 00:00 UTC; none: 7 days on

        bool operator==(const Inputs& o) const;
    };

    void BuildControls();
    DopplerPanel* MakeDopplerPanel();
    Inputs CurrentInputs() const;
    void StartSearch(const Inputs& inputs, eme::UtcSeconds now);
    void SearchFinished();
    void ShowLive();
    /// Loads the survey and scales it to `frequencyMHz` off this thread.
    void StartSky(double frequencyMHz);
    void ShowExtremes(eme::UtcSeconds now);
    void ShowWindows();
    void ShowStatus();
    void StoreSettings();
    void FillRecent();
    /// The title of a printed page: the station, the DX station, the time,
    /// the frequency and the options in force.
    QString PrintTitle() const;
    /// Runs `work` off this thread, then says what came of it.
    void Finish(const QString& path, std::function<QString()> work);

    EmeWindowServices services_;
    UtcClock clock_;
    bool placed_ = false;

    std::optional<eme::DxStation> dx_;
    std::vector<std::string> recent_;
    double homeMinDeg_ = 0;
    double dxMinDeg_ = 0;
    /// The reasons of refused fields, beside them (made before the fields).
    FieldReasons* reasons_ = nullptr;

    // The live values: a calculator of this thread, made again when its
    // inputs change.
    std::optional<Inputs> liveInputs_;
    std::unique_ptr<eme::EmeCalculator> liveCalculator_;
    eme::EmeMoment live_;
    bool stationRefused_ = false;

    // The search.
    QFutureWatcher<eme::WindowSearchResult> watcher_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::shared_ptr<std::atomic<int>> progress_;
    std::optional<Inputs> searched_; ///< the inputs of the search under way or last shown
    eme::UtcSeconds searchStart_ = 0;
    eme::UtcSeconds shownStart_ = 0; ///< the start of the search whose windows are shown
    bool searchAgain_ = false;       ///< inputs changed while a search ran
    std::vector<eme::MoonWindow> windows_;
    bool haveWindows_ = false;

    std::array<std::array<QLabel*, 2>, kLiveRowCount> liveLabels_{};
    QLabel* degradationName_ = nullptr;

    // The sked's settings and the sky map at the frequency in use.
    double receiverK_ = 80.0;
    std::optional<double> homeHpbwDeg_;
    std::optional<double> dxHpbwDeg_;
    std::optional<double> moonTemperatureK_;
    std::optional<double> bandMHz_;
    std::optional<eme::UtcSeconds> searchFrom_;
    std::optional<eme::UtcSeconds> searchTo_;
    struct SkyMade {
        std::shared_ptr<const sky::SkySurvey> Survey;
        std::shared_ptr<const sky::SkyBrightness> Brightness;
        QString Problem;
    };
    QFutureWatcher<SkyMade> skyWatcher_;
    std::shared_ptr<const sky::SkySurvey> survey_;
    std::shared_ptr<const sky::SkyBrightness> brightness_;
    QString skyProblem_;
    bool skyFailed_ = false;
    eme::PerigeeApogee extremes_;
};

} // namespace vantrel
