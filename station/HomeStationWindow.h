#pragma once

#include "station/DataFile.h"
#include "station/DegreesMinutesSeconds.h"
#include "station/HomeStation.h"
#include "station/UserMessages.h"

#include <QColor>
#include <QWidget>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrel {

class ClickPanel;
class ColorButton;
class NumEdit;
class RadioGroup;

/// Caption of the home station window.
inline constexpr const char* kHomeStationCaption = "Home Station Data";

/// The home station window: the station's position (decimal degrees,
/// degrees-minutes-seconds or grid locator), call sign, location, UTC offset
/// and height, the user-defined noise source, and the "On Screen Hints"
/// choice. Every edit changes the shared `HomeStation` at once; only "Save
/// Home Data" writes the data file. Refreshing the fields from the record
/// never writes to it, but for a UTC offset beyond ±23.5 h (or none), which
/// is shown and kept as 0: a value is stored only when the user edits its
/// field, and moving the focus through the fields without typing changes
/// nothing. Values that are no number or huge (a damaged data file) show
/// without degrees, minutes and seconds; the right ascension shows modulo
/// 24 h while the record keeps what it holds. A grid locator with a wrong
/// character shows red, its hint naming the character, until it is right or
/// the field is left.
///
/// The design client area is 511 × 360 pixels, not scaled. The window is
/// made hidden at start-up (reading the data file, the second read of the
/// run), opened non-modal by the main window's "Home Data" button through
/// `OpenBeside`, and only hidden when closed. While it is open the main
/// window's real-time display is halted: `OpenBeside` raises `StopTimer`;
/// "Close", a successful "Save Home Data" and the window's close box raise
/// `StartTimer`.
class TForm2 final : public QWidget {
    Q_OBJECT

public:
    /// Builds the window hidden, reads the data file (in the current
    /// directory) into `station` and shows the station fields from it.
    TForm2(HomeStation& station, UserMessages& messages, QWidget* parent = nullptr);

    /// The main window's "Home Data" command: the window's frame placed 270
    /// pixels right of and 120 pixels below the main window's frame corner,
    /// `StopTimer`, the user source sign and fields, the station fields and
    /// the hints choice shown from the record, then the window shown
    /// non-modal and raised.
    void OpenBeside(QWidget* mainWindow);

    // The controls, by the names of the window's design where it has them.
    ClickPanel* StationPanel = nullptr;
    ClickPanel* LatitudeCaption = nullptr;
    ClickPanel* LongitudeCaption = nullptr;
    NumEdit* LatitudeDegrees = nullptr;
    NumEdit* LatitudeMinutes = nullptr;
    NumEdit* LatitudeSeconds = nullptr;
    NumEdit* LatitudeDecimal = nullptr;
    NumEdit* LongitudeDegrees = nullptr;
    NumEdit* LongitudeMinutes = nullptr;
    NumEdit* LongitudeSeconds = nullptr;
    NumEdit* LongitudeDecimal = nullptr;
    ClickPanel* Panel11 = nullptr; ///< N/S
    ClickPanel* Panel12 = nullptr; ///< E/W
    QLineEdit* Edit11 = nullptr;   ///< call sign
    QLineEdit* Edit12 = nullptr;   ///< location
    NumEdit* UtcOffsetField = nullptr;
    NumEdit* HeightField = nullptr;
    ClickPanel* GridCaption = nullptr;
    QLineEdit* Edit2 = nullptr; ///< grid locator
    ColorButton* SaveHomeData = nullptr;
    ColorButton* GetHomeData = nullptr;
    QPushButton* Button1 = nullptr; ///< Close
    ClickPanel* UserSourcePanel = nullptr;
    QLineEdit* Edit1 = nullptr; ///< object name
    NumEdit* RaHours = nullptr;
    NumEdit* RaMinutes = nullptr;
    NumEdit* RaSeconds = nullptr;
    NumEdit* RaDecimal = nullptr;
    ClickPanel* Panel3 = nullptr; ///< declination sign
    NumEdit* DecDegrees = nullptr;
    NumEdit* DecMinutes = nullptr;
    NumEdit* DecSeconds = nullptr;
    NumEdit* DecDecimal = nullptr;
    RadioGroup* RadioGroup2 = nullptr; ///< "On Screen Hints"
    ClickPanel* NotePanel = nullptr;

signals:
    /// Halt the main window's real-time display (the window opens).
    void StopTimer();
    /// Resume it (the window closes).
    void StartTimer();

public slots:
    void GetHomeDataClick();
    void SaveHomeDataClick();
    void Button1Click();
    void Panel11Click();
    void Panel12Click();
    void Panel3Click();
    void RadioGroup2Click();
    /// A key released in the grid field: a complete, valid locator that
    /// differs from the station's present one moves the station to the
    /// centre of its subsquare and asks for call sign, location ("?") and
    /// height (0) again. A short or invalid text, or the present locator
    /// (as when tabbing through the field), leaves the station alone.
    void Edit2KeyUp();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildStationPanel();
    void BuildUserSourcePanel();
    void BuildHintsAndNote();
    void SetTabOrder();
    void ConnectReactions();
    NumEdit* MakeNumber(QWidget* parent, const char* name, int left, int top, int width,
                        int decimals, int maxLength, long double minValue, long double maxValue);

    /// Rewrites every station field from the record.
    void RefreshStationFields();
    /// Rewrites the user source fields from the record (not the sign). The
    /// right ascension shows modulo 24 h, in the decimal field too unless
    /// `raTyped` (the user is typing there).
    void RefreshUserSourceFields(bool raTyped = false);
    /// The sign from the declination, then the user source fields.
    void SetDeclinationSignAndRefresh(bool raTyped = false);
    /// The right ascension for the decimal field, hours: modulo 24 h (a value
    /// that would read 24.000000 reads 0), or as stored when `typed` or when
    /// it cannot be split.
    long double ShownRightAscension(bool typed) const;
    /// The locator of the stored position; empty when the position is no
    /// number (a damaged data file).
    std::string StoredLocator() const;
    /// Shows the grid field's text in red with `fault` as its hint, or in
    /// its usual colour without a hint when `fault` is empty.
    void ShowLocatorFault(const std::string& fault);
    void ShowSourceParts();
    void ShowStationParts();

    void StoreLatitudePart(NumEdit* field, std::int32_t DegreesMinutesSeconds::*part);
    void StoreLongitudePart(NumEdit* field, std::int32_t DegreesMinutesSeconds::*part);
    void StoreRaPart(NumEdit* field, std::int32_t DegreesMinutesSeconds::*part);
    void StoreDecPart(NumEdit* field, std::int32_t DegreesMinutesSeconds::*part);
    void LatitudeDecimalEdited();
    void LongitudeDecimalEdited();
    void RaDecimalEdited();
    void DecDecimalEdited();
    void CallSignEdited();
    void LocationEdited();
    void ObjectNameEdited();
    void UtcOffsetEdited();
    void HeightEdited();

    /// Runs a reaction; a field text that is no number stops it with the
    /// conversion error in an error box, and nothing is stored.
    template <class Reaction> void Guarded(Reaction&& reaction);

    HomeStation& station_;
    UserMessages& messages_;
    DataFile file_;
    QColor locatorTextColour_;
    // Magnitudes of the position and of the user source as the fields show them.
    DegreesMinutesSeconds latitude_;
    DegreesMinutesSeconds longitude_;
    DegreesMinutesSeconds ra_;
    DegreesMinutesSeconds dec_;
};

} // namespace vantrel
