#pragma once

#include "apparent/ApparentPlaces.h"
#include "apparent/ObservingConditions.h"
#include "astro/Clock.h"
#include "astro/SunMoon.h"
#include "measure/GOverTBudget.h"
#include "measure/MeasurementLog.h"
#include "measurewin/MeasureSetup.h"
#include "measurewin/MeasureSkyPanel.h"
#include "scan/ScanLog.h"
#include "skychart/HorizonProfile.h"
#include "station/HomeStation.h"
#include "station/UserMessages.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

class QCategoryAxis;
class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QTableWidget;
class QTimer;
class QValueAxis;

namespace vantrel {

class FieldReasons;
class GOverTBudgetPanel;
class SettingsWindow;
class SolarFluxFilePanel;

/// Caption of the Measure window.
inline constexpr const char* kMeasureCaption = "Measure";
/// How often the table follows the sky while the window is shown, ms (2 Hz).
inline constexpr int kMeasureRefreshMs = 500;

/// The Measure window: the observing frequency (the program's one
/// `ObservingConditions::FrequencyMHz`, shared with the settings window),
/// the antenna, Tsys, the solar flux and the Moon's temperature; a table of
/// the nine sources of the present moment with elevation, flux density,
/// diameter, beam correction, expected ΔT and Y (grey below the horizon);
/// a measured Y on a chosen source (kept from one run to the next) giving
/// G/T at once; "Log" appending the measurement to
/// "Vantrel-measurements.csv", after asking when the source is below the
/// horizon or behind the horizon profile; the G/T of the log over time, one
/// line per source and band; and the log's entries, where a wrong one is
/// withdrawn (kept in the file, marked, left out of the chart) or taken
/// back into use.
///
/// Everything it shows is computed by `MeasureRows`, `GOverTHistoryOf` and
/// measure/; the window keeps nothing but the texts typed. A refused field
/// turns red and says why beside it (`FieldReasons`), and "Log" stays
/// disabled. The log is read when the window opens and after each Log or
/// withdrawal, never on the timer.
class MeasureWindow final : public QWidget {
    Q_OBJECT

public:
    /// `directory`: the folder of "Vanset.ini" and the measurement log (the
    /// current one when empty).
    MeasureWindow(ObservingConditions& conditions, const HomeStation& station,
                  SunMoonLibrary& library, const LocalClock& clock, UserMessages& messages,
                  QString directory, QWidget* parent = nullptr);

    /// Reads the log, fills the table and shows the window beside
    /// `mainWindow`, non-modal.
    void OpenBeside(QWidget* mainWindow);

    QLineEdit* Frequency = nullptr;
    QComboBox* Antenna = nullptr; ///< "Dish" or "Gain (yagi, array)"
    QLineEdit* Diameter = nullptr;
    QLineEdit* Efficiency = nullptr;
    QLineEdit* Gain = nullptr;
    QLineEdit* Tsys = nullptr;
    QLineEdit* SolarFlux = nullptr;
    QLineEdit* MoonTemperature = nullptr;
    /// Checked: the Moon's temperature typed; else by its phase.
    QCheckBox* MoonTyped = nullptr;
    /// The beamwidth the sky is averaged over, degrees; empty: the antenna's.
    QLineEdit* Hpbw = nullptr;
    /// "Load solar flux…", "Typed" and the day's flux an observatory's file
    /// gives the Sun (its path kept in Vanset.ini, read again at start).
    SolarFluxFilePanel* SolarFile = nullptr;
    QTableWidget* Table = nullptr;
    QComboBox* Source = nullptr;
    QLineEdit* MeasuredY = nullptr;
    /// "± 0.004 dB" of a Y given with its σ (by the Receiver window), while
    /// the Y field holds that Y; hidden otherwise.
    QLabel* MeasuredYSigma = nullptr;
    QLabel* GOverT = nullptr; ///< the G/T, or why there is none
    QPushButton* Log = nullptr;
    /// The budget of the G/T shown: Y, flux, background, K, atmosphere,
    /// pointing and their quadrature sum.
    GOverTBudgetPanel* Budget = nullptr;
    QChartView* History = nullptr;
    QTableWidget* Entries = nullptr; ///< the log's records, the latest first
    QPushButton* Withdraw = nullptr; ///< "Withdraw", or "Restore" for a withdrawn entry
    QPushButton* Report = nullptr;   ///< "Report…": the evening as a PDF
    /// Asks where the report goes (a file dialog); empty: not written.
    std::function<QString()> AskReportPath;
    QLabel* Skipped = nullptr; ///< "2 damaged lines skipped"
    QTimer* Refresher = nullptr;
    /// "Beam HPBW 1.79° (the antenna's)".
    QLabel* SkyBeam = nullptr;
    /// The cold-sky reference for the chosen source (azimuth, elevation,
    /// Tsky), or why there is none (no sky map, no cold sky at its
    /// elevation).
    QLabel* ColdSky = nullptr;
    /// Above 1 GHz: the clear air's attenuation at the chosen source and its
    /// emission there and at the reference; hidden below.
    QLabel* Atmosphere = nullptr;

    /// The folder of the 408 MHz survey; empty: `sky::FindSkySurveyFolder`
    /// beside the program. Read once, off the user-interface thread, when
    /// the window is first shown.
    QString SkyFolder;
    /// The sky behind the sources and the reference as last computed for
    /// the present frequency and beam; null before (or without the maps).
    const MeasureSky* PresentSky() const;
    /// Why there is no sky (the maps missing or refused); empty otherwise.
    QString SkyProblem() const { return sky_->Problem(); }

    /// The station's horizon profile (the one the sky window loads from its
    /// settings); null, or returning null, when there is none.
    std::function<const HorizonProfile*()> Horizon;

    /// The chart's lines, one per source and band, named "Moon, 10368 MHz".
    QList<QLineSeries*> HistorySeries() const;
    /// The budget of the G/T shown; none without a G/T.
    const std::optional<measure::GOverTBudget>& BudgetShown() const { return budget_; }
    /// The log as last read.
    const measure::MeasurementLog& LogRead() const { return log_; }
    /// Why the text of a field is refused; empty when accepted.
    QString Problem(const QLineEdit* field) const;
    /// The log file written by "Log".
    QString LogPath() const;
    /// The values as last accepted.
    const MeasureSetup& Setup() const { return setup_; }

    /// Takes a Y-factor measured elsewhere (the Receiver window) with its
    /// one-sigma uncertainty, dB, as the measured Y of the source of table
    /// row `row` (0..8; none: the source chosen now): G/T follows at once,
    /// with its σ, until the Y is typed over.
    void TakeMeasuredY(double yDb, double sigmaDb, std::optional<std::size_t> row = std::nullopt);
    /// The same with how σ was had and the UTC span of the blocks the Y
    /// rests on, which "Log" writes with it (method, y_sigma_db,
    /// g_over_t_sigma_db, blocks_utc_start, blocks_utc_end). A Y typed by
    /// hand is logged with the method "typed" and the σ typed with it
    /// ("3.12 ± 0.05"), if any.
    void TakeMeasuredY(const TakenY& y, std::optional<std::size_t> row = std::nullopt);
    /// The title of the source of table row `row` (0..8; none: the source
    /// chosen now), "Sun"; empty before the table is filled.
    QString SourceTitle(std::optional<std::size_t> row = std::nullopt) const;

signals:
    /// The observing frequency was changed here and stored.
    void FrequencyChanged();

public slots:
    /// Recomputes the table and the G/T for the present moment.
    void Refresh();
    /// Shows the program's frequency (after the settings window changed it).
    void ShowFrequency();
    /// Appends the measurement to the log and draws the history again.
    void LogClick();
    /// Reads the log, draws G/T over time and lists the entries.
    void LoadHistory();
    /// Withdraws the chosen entry (after asking) or takes a withdrawn one
    /// back into use.
    void WithdrawClick();
    /// Writes the measurement report (a PDF) where `AskReportPath` says.
    void ReportClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Edited();
    void FrequencyEdited();
    void StoreFrequency();
    void StoreSetup();
    /// Reads every field; true when all are accepted.
    bool ReadFields();
    void ShowRows();
    void ShowGOverT();
    /// Why `text` is refused in the field `edit`; empty when accepted.
    QString FieldProblem(const QLineEdit* edit, const QString& text) const;
    /// The source chosen to measure on: kept in Vanset.ini.
    void SourceChosen();
    /// Selects the stored source, else the first with a flux model.
    void ShowStoredSource();
    /// True when the measurement on `row` may be logged: asks first when
    /// the source is below the horizon or behind the horizon profile.
    bool MayLog(const MeasureRow& row);
    void ShowHistory();
    void ShowEntries();
    /// The record of the chosen entry; -1 for none.
    int ChosenRecord() const;
    void ShowWithdrawButton();
    /// What the sky panel is to compute now; none without a beam or a source.
    std::optional<MeasureSkyPanel::Request> SkyRequest() const;
    void ShowSky();
    /// The budget of the G/T shown (gOverT_, gOverTSigma_ and the
    /// correction set) for a Y of `yDb` on row `chosen`.
    std::optional<measure::GOverTBudget> BudgetOf(std::size_t chosen, double yDb, bool taken,
                                                  bool typedSigma) const;

    ObservingConditions& conditions_;
    const HomeStation& station_;
    SunMoonLibrary& library_;
    UtcClock clock_;
    UserMessages& messages_;
    QString directory_;
    ApparentPlaces places_;
    MeasureSetup setup_;
    bool fieldsAccepted_ = true;
    std::array<MeasureRow, kMeasureRowCount> rows_{};
    DateTime rowsUtc_ = 0;
    double gOverT_ = 0;
    /// The Y text last given by TakeMeasuredY and its σ, dB.
    QString takenYText_;
    TakenY taken_;
    double gOverTSigma_ = 0; ///< σ of the G/T shown, dB; NaN when none
    /// The frequency last stored or shown from the conditions, MHz.
    double storedFrequencyMHz_ = 0;
    FieldReasons* reasons_ = nullptr;
    std::array<QLineEdit*, 8> fields_{};
    measure::MeasurementLog log_;
    QCategoryAxis* timeAxis_ = nullptr;
    QValueAxis* gOverTAxis_ = nullptr;
    MeasureSkyPanel* sky_ = nullptr;
    /// The background correction of the G/T shown, and the skies it took.
    std::optional<CorrectedGOverT> correction_;
    std::optional<measure::GOverTBudget> budget_;
    /// The Sun's flux from the solar flux file at the last refresh; none
    /// without a file read.
    std::optional<measure::SolarFluxChoice> fileFlux_;
    scan::ScanLog scans_; ///< the scans log as last read with the measurement log
    double correctionTskyK_ = 0;
    double correctionReferenceK_ = 0;
};

/// Wires the two windows that show the program's one observing frequency:
/// a frequency stored by the Measure window is shown by the settings
/// window, and conditions applied in the settings window by the Measure
/// window.
void ShareFrequency(MeasureWindow& measure, SettingsWindow& settings);

} // namespace vantrel
