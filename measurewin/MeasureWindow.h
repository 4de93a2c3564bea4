#pragma once

#include "apparent/ApparentPlaces.h"
#include "apparent/ObservingConditions.h"
#include "astro/Clock.h"
#include "astro/SunMoon.h"
#include "measure/MeasurementLog.h"
#include "measurewin/MeasureSetup.h"
#include "station/HomeStation.h"
#include "station/UserMessages.h"

#include <QString>
#include <QWidget>

#include <array>

class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QTableWidget;
class QTimer;
class QValueAxis;

namespace vantrel {

class SettingsWindow;

/// Caption of the Measure window.
inline constexpr const char* kMeasureCaption = "Measure";
/// How often the table follows the sky while the window is shown, ms (2 Hz).
inline constexpr int kMeasureRefreshMs = 500;

/// The Measure window: the observing frequency (the program's one
/// `ObservingConditions::FrequencyMHz`, shared with the settings window),
/// the antenna, Tsys, the solar flux and the Moon's temperature; a table of
/// the nine sources of the present moment with elevation, flux density,
/// diameter, beam correction, expected ΔT and Y (grey below the horizon);
/// a measured Y on a chosen source giving G/T at once; "Log" appending the
/// measurement to "Vantrel-measurements.csv"; and the G/T of the log over
/// time.
///
/// Everything it shows is computed by `MeasureRows` and measure/; the
/// window keeps nothing but the texts typed. A refused field turns red and
/// says why, and "Log" stays disabled. The log is read when the window
/// opens and after each Log, never on the timer.
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
    QTableWidget* Table = nullptr;
    QComboBox* Source = nullptr;
    QLineEdit* MeasuredY = nullptr;
    QLabel* GOverT = nullptr; ///< the G/T, or why there is none
    QPushButton* Log = nullptr;
    QChartView* History = nullptr;
    QLineSeries* HistorySeries = nullptr;
    QLabel* Skipped = nullptr; ///< "2 damaged lines skipped"
    QTimer* Refresher = nullptr;

    /// Why the text of a field is refused; empty when accepted.
    QString Problem(const QLineEdit* field) const;
    /// The log file written by "Log".
    QString LogPath() const;
    /// The values as last accepted.
    const MeasureSetup& Setup() const { return setup_; }

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
    /// Reads the log and draws G/T over time.
    void LoadHistory();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Field {
        QLineEdit* Edit = nullptr;
        QLabel* Reason = nullptr;
    };
    void Edited();
    void FrequencyEdited();
    void StoreFrequency();
    void StoreSetup();
    void ShowProblem(const Field& field, const QString& problem);
    /// Reads every field; true when all are accepted.
    bool ReadFields();
    void ShowRows();
    void ShowGOverT();
    QString FieldProblem(const QLineEdit* edit) const;

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
    /// The frequency last stored or shown from the conditions, MHz.
    double storedFrequencyMHz_ = 0;
    std::array<Field, 7> fields_{};
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* gOverTAxis_ = nullptr;
};

/// Wires the two windows that show the program's one observing frequency:
/// a frequency stored by the Measure window is shown by the settings
/// window, and conditions applied in the settings window by the Measure
/// window.
void ShareFrequency(MeasureWindow& measure, SettingsWindow& settings);

} // namespace vantrel
