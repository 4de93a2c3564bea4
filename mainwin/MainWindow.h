#pragma once

#include "apparent/ObservingConditions.h"
#include "astro/Clock.h"
#include "astro/SunMoon.h"
#include "controls/ClickPanel.h"
#include "controls/ColorButton.h"
#include "controls/FormScaler.h"
#include "controls/GridControl.h"
#include "controls/RadioGroup.h"
#include "controls/SpinButton.h"
#include "controls/TabStrip.h"
#include "mainwin/RealTimeDisplay.h"
#include "mainwin/VersionInfo.h"
#include "skychart/ElevationSeries.h"
#include "station/HomeStation.h"
#include "station/UserMessages.h"

#include <QDate>
#include <QDateEdit>
#include <QFutureWatcher>
#include <QLabel>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

/// What the main window uses of the world outside: the shared station
/// record, the boxes that speak to the user, the clock, the sun/moon
/// library and the daylight rules of each planning row. Tests give fakes.
struct MainWindowServices {
    HomeStation* Station = nullptr;
    UserMessages* Messages = nullptr;
    const LocalClock* Clock = nullptr;
    SunMoonLibrary* Library = nullptr;
    const DaylightRules* Daylight = nullptr;
    /// Folder of "Vantrel.dat" and "Vanset.ini"; the current one when empty.
    std::string WorkingDirectory;
    /// File whose version information and date the window shows; the
    /// running executable when empty.
    std::string Executable;
    /// The program's observing conditions (apparent places, refraction),
    /// read at every sweep and tick; null computes the classic table.
    const ObservingConditions* Conditions = nullptr;
};

/// The caption before the version.
inline constexpr const char* kCaptionStem = "Tamsel Vantrel Ver ";
inline constexpr const char* kExitQuestion = "Do you wish to exit now ?";

/// The tabs of the strip in the top right corner, left to right: the
/// program's own windows (Measure, Track, Sky, Receiver, Scan, Settings,
/// EME),
/// then Help, About and Exit.
enum MainWindowTab : int {
    kMeasureTab = 0,
    kTrackTab = 1,
    kSkyTab = 2,
    kReceiverTab = 3,
    kScanTab = 4,
    kSettingsTab = 5,
    kEmeTab = 6,
    kHelpTab = 7,
    kAboutTab = 8,
    kExitTab = 9
};

/// The main window: the planning grid, the real-time display, the controls
/// that choose what is computed, and the commands. Its design client area
/// is 1026 × 666 pixels; a form scaler keeps the layout proportional to
/// the window's size. Reactions carry the names of the program's handlers.
class TForm1 final : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(const MainWindowServices& services, QWidget* parent = nullptr);
    ~TForm1() override;

    /// Opens the home station window (set by the program once it exists).
    std::function<void()> OnHomeData;
    /// Shows the help file's contents.
    std::function<void()> OnHelp;
    /// Opens the settings window (the "Settings" tab).
    std::function<void()> OnSettings;
    /// Opens the Measure window (the "Measure" tab).
    std::function<void()> OnMeasure;
    /// Opens the tracking window (the "Track" tab).
    std::function<void()> OnTrack;
    /// Opens the sky window (the "Sky" tab).
    std::function<void()> OnSky;
    /// Opens the Receiver window (the "Receiver" tab).
    std::function<void()> OnReceiver;
    /// Opens the EME window (the "EME" tab).
    std::function<void()> OnEme;
    /// Opens the Scan window (the "Scan" tab).
    std::function<void()> OnScan;
    /// Lets the user choose the printer, copies and pages (the print
    /// dialog); false when the user cancels. Tests choose a PDF file.
    std::function<bool(QPrinter& printer)> ChoosePrinter;
    /// Pages printed by the last Print command (those done before the user
    /// stopped it), −1 when it could not print.
    int LastPrintedPages() const { return printedPages_; }
    /// Shows the print preview dialog (modal by default); tests drive it.
    std::function<void(QPrintPreviewDialog& preview)> ShowPreview;
    /// The progress of the print under way, else null.
    QProgressDialog* PrintProgress() const { return printProgress_; }
    /// Asks where "Save table as CSV…" writes; an empty name cancels. Tests
    /// give a path.
    std::function<QString()> ChooseCsvFile;
    /// Elevation and azimuth of every source at every row of the last
    /// successful sweep, for the elevation chart; empty before the first.
    std::shared_ptr<const ElevationSeries> LastSeries() const { return lastSeries_; }
    /// Whether a CSV file is being written.
    bool SavingTable() const { return saveWatcher_.isRunning(); }

    // The controls, by the names of the window's design.
    GridControl* PlanningGrid = nullptr;
    GridControl* RealTimeGrid = nullptr;
    QLabel* RealTimeTitle = nullptr;
    QLabel* ConditionsLabel = nullptr; ///< says when an observing option is on
    /// Over the real-time grid's source pairs while the station is out of
    /// range: why nothing is shown there.
    QLabel* StationRefusal = nullptr;
    ClickPanel* Panel1 = nullptr; // UTC clock
    ClickPanel* Panel2 = nullptr; // local clock
    ClickPanel* DatePanel = nullptr;
    QDateEdit* DateTimePicker1 = nullptr;
    QDateEdit* DateTimePicker2 = nullptr;
    ClickPanel* IntervalPanel = nullptr;
    ClickPanel* Panel501 = nullptr;
    SpinButton* SpinButton4 = nullptr;
    QPushButton* Calculate = nullptr;
    ColorButton* ColorButton1 = nullptr;
    ClickPanel* Panel7 = nullptr;
    RadioGroup* NoiseSourceGroup = nullptr;
    ClickPanel* Panel8 = nullptr;
    RadioGroup* RadioGroup1 = nullptr;
    RadioGroup* RadioGroup2 = nullptr;
    RadioGroup* RadioGroup3 = nullptr;
    ClickPanel* Panel9 = nullptr;
    ClickPanel* Panel10 = nullptr;
    ClickPanel* Panel11 = nullptr;
    QPushButton* BitBtn3 = nullptr; // Print
    QPushButton* Button4 = nullptr; // Reset Screen size
    TabStrip* TabSet2 = nullptr;
    QTimer* Timer1 = nullptr;
    /// The planning grid's context menu: "Save table as CSV…" and "Copy".
    QMenu* PlanningMenu = nullptr;
    QAction* SaveCsvAction = nullptr;
    QAction* CopyAction = nullptr;

    FormScaler& Scaler() { return *scaler_; }
    RealTimeDisplay& Display() { return *display_; }
    QDate StartDate() const { return startDate_; }
    QDate EndDate() const { return endDate_; }
    const VersionTexts& Versions() const { return versions_; }
    std::int32_t ExecutableFileDate() const { return fileDate_; }
    /// The About text, lines separated by a carriage return.
    std::string AboutText() const;
    /// Sweeps run since the window was made (for the tests of commands).
    int SweepCount() const { return sweeps_; }

signals:
    /// A page of a print or preview has been painted.
    void PagePrinted(int done, int total);
    /// A sweep has filled the planning grid; `LastSeries` holds its series.
    void SweepFinished();
    /// "Save table as CSV…" has finished: true when the file was written.
    void TableSaveFinished(bool saved);

public slots:
    /// The pages as they would print, in Qt's preview dialog.
    void PrintPreview();
    void Timer1Timer();
    void CalculateClick();
    void DateTimePicker1Click();
    void DateTimePicker2Click();
    void SpinButton4UpClick();
    void SpinButton4DownClick();
    void ColorButton1Click();
    void Panel7Click();
    void Panel8Click();
    void Panel9Click();
    void Panel10Click();
    void Panel11Click();
    void RadioGroup1Click();
    void RadioGroup2Click();
    void RadioGroup3Click();
    void NoiseSourceGroupClick();
    void BitBtn3Click();
    void Button4Click();
    void TabSet2Click();
    /// The observing conditions changed: both headers and the planning grid
    /// again, as a change of display mode does, and the caption.
    void ObservingConditionsChanged();
    /// Marks the real-time cells of the source the rotator tracks (column
    /// pair 0..8 of `DisplayPairOf`); empty while nothing is tracked.
    void SetTrackedPair(std::optional<std::size_t> pair);
    /// Writes the planning table as CSV, the text `vantrel-table --format
    /// csv` prints, to a file the user chooses; the disk is written off
    /// this thread and a failure is said with its reason.
    void SaveTableAsCsv();
    /// Puts the planning grid's selected cells on the clipboard as
    /// tab-separated text.
    void CopySelection();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildControls();
    void FormCreate();
    void FormShow();
    void FormActivate();
    /// "Tamsel Vantrel Ver " and the version, and what the tables hold when
    /// an observing option is on.
    void ShowCaption();
    /// The label over the real-time grid, shown while an option is on.
    void ShowConditionsLabel();
    /// What the tables hold in words; empty for the classic table.
    QString ConditionsText();
    void SaveWindowPosition();
    /// Shows or hides `StationRefusal` by the real-time display's last tick.
    void ShowStationRefusal();
    /// The three "More Sources" lists and their titles.
    std::array<QWidget*, 6> CatalogueWidgets() const;
    /// The user's decimal separator, for the Sun and Moon values.
    static char DecimalSeparator();
    void HideCatalogue();
    void RefreshDaylight();
    void RunSweep();
    void LayoutHeaders();
    void CatalogueChosen(int list, int index);
    void ShowInterval();
    void ConfirmExit();
    /// Prints the planning grid's design layout on `printer`, a page per turn
    /// of the event loop under a progress dialog over `over`; the pages
    /// printed (fewer when the user cancelled), −1 on failure.
    int PrintPages(QPrinter& printer, QWidget* over);
    void ShowAbout();
    QDate Today() const;
    QString WorkingDirectory() const;
    std::string ExecutableFile() const;

    MainWindowServices services_;
    HomeStation& station_;
    UserMessages& messages_;
    UtcClock utcClock_;
    std::unique_ptr<RealTimeDisplay> display_;
    FormScaler* scaler_ = nullptr;
    QDate startDate_;
    QDate endDate_;
    VersionTexts versions_;
    std::int32_t fileDate_ = -1;
    int sweeps_ = 0;
    QPrinter printer_; // kept between prints, as a printer is
    int printedPages_ = 0;
    bool printing_ = false;
    bool previewChosen_ = false;
    QProgressDialog* printProgress_ = nullptr;
    std::shared_ptr<const ElevationSeries> lastSeries_;
    QFutureWatcher<QString> saveWatcher_;
    QString savePath_;
    bool shown_ = false;
    /// What is out of range in the station file read at start-up, said once
    /// when the window is first shown; empty when all is well.
    std::string stationProblems_;
    bool saved_ = false;
};

} // namespace vantrel
