#pragma once

#include "eme/DxSked.h"
#include "skymodel/SkyBrightness.h"

#include <QFutureWatcher>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace vantrel {

/// What the DX list is searched with: the recent DX stations, the search
/// of the EME window (band, days, minimum elevations, skyline, beams), the
/// sky map it keeps alive, and the station as the CSV names it.
struct DxSkedAsk {
    std::vector<eme::DxStation> Dx;
    eme::DxSkedSearch Search;
    std::shared_ptr<const sky::SkyBrightness> Sky; ///< null: no DGRD
    std::string Station;                           ///< "DL0ABC 52.52,13.405"
};

/// The EME window's DX list: the common windows of each recent DX station
/// over the window's days (eme::FindDxSkeds on a worker thread), in a table
/// put in order by start, length, highest common elevation or DGRD, and
/// saved as CSV naming the station, the band and the minimum elevations.
class DxSkedPanel final : public QWidget {
    Q_OBJECT

public:
    explicit DxSkedPanel(QWidget* parent = nullptr);
    ~DxSkedPanel() override;

    /// The search as the window has it now; none, with `why`, when it
    /// cannot be made (no DX station, a home station out of range).
    std::function<std::optional<DxSkedAsk>(QString& why)> Ask;
    /// The file to save to; empty: cancelled.
    std::function<QString(const QString& caption, const QString& filter)> ChooseSaveFile;

    const std::vector<eme::DxSkedWindow>& Rows() const { return rows_; }
    bool Busy() const { return watcher_.isRunning(); }
    /// The list as Save writes it (eme::DxSkedsCsv), in the order shown.
    std::string CsvText() const;

    QPushButton* FindButton = nullptr; ///< "Windows of the recent DX stations"
    QComboBox* Order = nullptr;        ///< start, length, common elevation, DGRD
    QTableWidget* Table = nullptr;
    QPushButton* SaveButton = nullptr;
    QLabel* State = nullptr;

signals:
    /// A search ended and its rows are shown.
    void Found();
    /// A save has finished: `problem` is empty on success.
    void Saved(const QString& path, const QString& problem);

public slots:
    void FindClick();
    void SaveClick();
    /// Shows the rows in the order chosen.
    void ShowRows();

private:
    struct Result {
        std::vector<eme::DxSkedWindow> Rows;
        bool Complete = true;
    };
    QFutureWatcher<Result> watcher_;
    QFutureWatcher<QString> saver_;
    std::optional<DxSkedAsk> asked_;
    std::vector<eme::DxSkedWindow> rows_;
};

} // namespace vantrel
