#pragma once

#include "apparent/ObservingConditions.h"
#include "apparent/SkyPlaces.h"
#include "astro/Clock.h"
#include "astro/SunMoon.h"
#include "skychart/DayTracks.h"
#include "skychart/HorizonProfile.h"
#include "skywin/ChartExport.h"
#include "skywin/SkyChartWidget.h"
#include "station/HomeStation.h"
#include "station/UserMessages.h"
#include "tracking/PointingSnapshot.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QTabWidget;
class QTimer;

namespace vantrel {

class SkyLayerSource;

/// Caption of the sky window.
inline constexpr const char* kSkyCaption = "Sky";
/// How often the chart follows the sky while the window is shown, ms.
inline constexpr int kSkyRefreshMs = 250;
/// Instants of the day tracks computed per refresh (nine sources each):
/// a few milliseconds, so the whole day is there within a second.
inline constexpr int kTrackInstantsPerRefresh = 100;

/// The sky window: the sky above the station now, as a polar chart ("Sky
/// now") with the day's tracks and the horizon profile, and the elevation
/// of the sources over the planning range ("Elevation"). It saves the shown
/// page as PNG or SVG and prints it.
///
/// It follows the real-time display: the same station, observing conditions,
/// sun/moon library and clock, places from SkyPlaces, four times a second
/// while it is shown; closed, its timer stops and it costs nothing. The
/// library is the program's one instance: every place is asked for on the
/// user-interface thread and SkyPlaces hands the library its request before
/// each read, so the real-time display and this window take turns safely.
class SkyWindow final : public QWidget {
    Q_OBJECT

public:
    /// `directory`: the folder of "Vanset.ini" (the current one when empty).
    SkyWindow(const HomeStation& station, const ObservingConditions& conditions,
              SunMoonLibrary& library, const LocalClock& clock, UserMessages& messages,
              QString directory, QWidget* parent = nullptr);
    ~SkyWindow() override;

    /// Shows the window, non-modal: where it was last time, else beside
    /// `mainWindow`.
    void OpenBeside(QWidget* mainWindow);

    /// What the rotator does, asked at every refresh; null while the
    /// program has no tracking.
    std::function<PointingSnapshot()> Pointing;

    /// Puts `view` on the "Elevation" page in place of the placeholder (the
    /// window takes it over); `painting` draws it for Save and Print (the
    /// widget as shown when empty). The elevation view is built apart from
    /// this window; this is where it is joined in.
    void SetElevationView(QWidget* view, ChartPainting painting = {});

    // Platform dialogs, replaced by tests.
    /// Asks for a file to open; empty when cancelled.
    std::function<QString(const QString& caption, const QString& filter)> ChooseOpenFile;
    /// Asks for a file to save; empty when cancelled.
    std::function<QString(const QString& caption, const QString& filter)> ChooseSaveFile;
    /// Lets the user choose the printer; false when cancelled.
    std::function<bool(QPrinter& printer)> ChoosePrinter;

    QTabWidget* Pages = nullptr;
    SkyChartWidget* Chart = nullptr;
    QWidget* ElevationPage = nullptr; ///< the placeholder or the elevation view
    QComboBox* Orientation = nullptr;
    QPushButton* LoadHorizon = nullptr;
    QPushButton* ClearHorizon = nullptr;
    /// The sky's brightness at the observing frequency under the chart.
    QCheckBox* SkyTemperature = nullptr;
    QPushButton* SavePng = nullptr;
    QPushButton* SaveSvg = nullptr;
    QPushButton* Print = nullptr;
    QLabel* Status = nullptr;
    QTimer* Refresher = nullptr;

    /// Pixel size of a saved PNG; empty for twice the page's size on screen.
    QSize PngSize;

    /// Reads a horizon file and shows it; a refused or unreadable file is
    /// said in a message (naming the line) and the previous profile stays.
    bool LoadHorizonFile(const QString& path);
    const std::optional<HorizonProfile>& Horizon() const { return horizon_; }
    QString HorizonFile() const { return horizonFile_; }
    /// True when the day tracks of the present day are complete.
    bool TracksReady() const { return builder_.Done(); }

signals:
    /// A save or a print has finished: `problem` is empty on success.
    void ExportFinished(const QString& path, const QString& problem);

public slots:
    /// Computes the present places and draws them; goes on with the day
    /// tracks while they are not complete.
    void Refresh();
    void LoadHorizonClick();
    void ClearHorizonClick();
    void SavePngClick();
    void SaveSvgClick();
    void PrintClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void OrientationChosen(int index);
    void StoreSettings();
    /// The painting and logical size of the page shown.
    ChartPainting ShownPainting() const;
    QSize ShownSize() const;
    QString ShownName() const;
    /// The title line of a printed page: the page, the station, the time and
    /// the options in force.
    QString PrintTitle();
    /// Runs `work` off the user-interface thread, then says what came of it.
    void Finish(const QString& path, std::function<QString()> work);
    void ShowStatus();
    /// Asks for the sky layer of this moment while it is on.
    void FollowSkyLayer(DateTime utc);

    const HomeStation& station_;
    const ObservingConditions& conditions_;
    UtcClock clock_;
    UserMessages& messages_;
    QString directory_;
    SkyPlaces places_;
    DayTrackBuilder builder_;
    std::array<ChartSource, kDisplayedSourceCount> sources_{};
    std::optional<HorizonProfile> horizon_;
    QString horizonFile_;
    QString hover_;
    QString shownStatus_;
    ChartPainting elevationPainting_;
    int lastSecond_ = -1;
    /// The last refresh found the station out of range: the next one in
    /// range starts the day tracks afresh.
    bool stationRefused_ = false;
    bool placed_ = false;
    SkyLayerSource* skyLayer_ = nullptr;
};

} // namespace vantrel
