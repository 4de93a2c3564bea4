#pragma once

#include "apparent/ObservingConditions.h"
#include "station/UserMessages.h"

#include <QString>
#include <QWidget>

#include <array>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrel {

class FieldReasons;

/// Caption of the settings window.
inline constexpr const char* kSettingsCaption = "Settings";

/// The settings window: the options "Apparent places of date" (with the
/// UT1 it uses) and "Radio refraction" with the air at the station
/// (pressure, temperature, relative humidity) and the observing frequency,
/// which the refraction and the noise measurement share.
///
/// It edits the program's one `ObservingConditions`; nothing is kept here
/// but the texts being typed. A field whose text is refused (not a number,
/// or out of its range) turns red and says why beside it (`FieldReasons`),
/// however it is left, and "Apply" stays
/// disabled until every field is accepted, so a refused value never reaches
/// the conditions or "Vanset.ini". "Apply" stores the conditions, writes
/// them to section "Observing" of "Vanset.ini" and raises `Applied`, after
/// which the main window computes both grids again.
class SettingsWindow final : public QWidget {
    Q_OBJECT

public:
    /// `directory`: the folder of "Vanset.ini" (the current one when empty).
    SettingsWindow(ObservingConditions& conditions, UserMessages& messages, QString directory,
                   QWidget* parent = nullptr);

    /// Fills the fields from the conditions and shows the window beside
    /// `mainWindow`, non-modal.
    void OpenBeside(QWidget* mainWindow);

    QCheckBox* ApparentPlaces = nullptr;
    /// Which UT1 apparent places use: the IERS series found in the data
    /// folder, or UT1 = UTC and why.
    QLabel* Ut1Source = nullptr;
    QCheckBox* RadioRefraction = nullptr;
    QLineEdit* Pressure = nullptr;
    QLineEdit* Temperature = nullptr;
    QLineEdit* Humidity = nullptr;
    QLineEdit* Frequency = nullptr;
    QPushButton* Apply = nullptr;
    QPushButton* Close = nullptr;

    /// Why the IERS file of the data folder gave no series (one sentence),
    /// for the UT1 line; empty when there is a series or no file.
    void SetUt1Problem(const std::string& problem);

    /// Why the text of a field is refused, as shown beside it; empty when it
    /// is accepted.
    QString Problem(const QLineEdit* field) const;

signals:
    /// The conditions changed: both grids are to be computed again.
    void Applied();

public slots:
    void ApplyClick();
    /// Shows the program's observing frequency, after another window (the
    /// Measure window) changed it; the other fields keep what is typed.
    void ShowFrequency();

private:
    struct Field {
        QLineEdit* Edit = nullptr;
        ConditionField Kind = ConditionField::Pressure;
    };
    void ShowConditions();
    /// The conditions as the window shows them; meaningful when all fields
    /// are accepted.
    ObservingConditions Shown() const;

    ObservingConditions& conditions_;
    UserMessages& messages_;
    QString directory_;
    std::string ut1Problem_;
    FieldReasons* reasons_ = nullptr;
    std::array<Field, 4> fields_{};
};

} // namespace vantrel
