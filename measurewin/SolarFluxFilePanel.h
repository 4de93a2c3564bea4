#pragma once

#include "astro/DateTime.h"
#include "measure/SolarFluxChoice.h"
#include "measure/SolarFluxFile.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;
template <typename T> class QFutureWatcher;

namespace vantrel {

/// The Measure window's line of the day's solar flux from an observatory's
/// file (NOAA SWPC's lists, Learmonth's day file, NCEI's yearly file,
/// Penticton's table; measure/SolarFluxFile.h): "Load solar flux…" asks for
/// the file and reads it off the user-interface thread; the label says the
/// choice for the present frequency and instant, in red when the day's
/// stations disagree by more than 20 % or the file is refused; "Typed"
/// forgets the file, and the Sun takes the typed flux again.
class SolarFluxFilePanel final : public QWidget {
    Q_OBJECT

public:
    explicit SolarFluxFilePanel(QWidget* parent = nullptr);

    QPushButton* Load = nullptr;   ///< "Load solar flux…"
    QPushButton* Forget = nullptr; ///< "Typed": back to the typed flux
    QLabel* Choice = nullptr;      ///< what the file gives, or why nothing

    /// Asks which file to read (a file dialog); empty: none.
    std::function<QString()> AskPath;

    /// Reads `path` off the user-interface thread; `Changed` follows.
    /// `asked`: the user chose it now (a refusal is then also `Refused`).
    void Read(const QString& path, bool asked);
    /// The file in use, read or being read; empty: none.
    QString Path() const { return path_; }
    /// True while a file is being read.
    bool Reading() const { return reading_; }

    /// The flux the file gives at `frequencyMHz` (MHz) for a measurement
    /// at `utc`; null without a file read. A file that was refused, a day
    /// without both frequencies or a flux no Sun gives (outside
    /// measure/InputRanges.h's solar range) is a choice with `Refused`.
    /// Kept until the frequency or the minute changes.
    const measure::SolarFluxChoice* ChoiceAt(double frequencyMHz, DateTime utc);
    /// Shows `choice` (null: the typed flux in use).
    void Show(const measure::SolarFluxChoice* choice);

signals:
    /// A file was read (or forgotten): the Sun's flux is another.
    void Changed();
    /// A file the user chose cannot be used: the sentence why.
    void Refused(const QString& why);

private:
    void Done();

    QString path_;
    bool reading_ = false;
    bool asked_ = false;
    struct FileRead {
        QString Path;
        std::shared_ptr<const measure::SolarFluxFileRead> Read;
    };
    std::shared_ptr<const measure::SolarFluxFileRead> read_;
    std::optional<measure::SolarFluxChoice> choice_;
    double choiceMHz_ = 0;
    long long choiceMinute_ = 0;
    QFutureWatcher<FileRead>* watcher_ = nullptr;
};

} // namespace vantrel
