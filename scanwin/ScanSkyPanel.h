#pragma once

#include "apparent/ObservingConditions.h"
#include "astro/DateTime.h"
#include "astro/SunMoon.h"
#include "scan/OffPointChoice.h"
#include "skychart/HorizonProfile.h"
#include "station/HomeStation.h"

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

namespace vantrel {

class ColdSkySearch;

/// The Scan window's line for the off point of the sky model: asks for
/// it off the user-interface thread (ColdSkySearch), says the coldest sky
/// (az, el, Tsky) and the two sides' skies, and keeps the off point
/// (scan::ChooseOffPoint) of the settings asked for.
class ScanSkyPanel final : public QWidget {
    Q_OBJECT

public:
    /// `skyFolder`: the survey's folder; empty: beside the program.
    explicit ScanSkyPanel(const QString& skyFolder, QWidget* parent = nullptr);

    /// Asks for the off point of `settings` (a Y-factor whose OffBy is not
    /// Alternate) for its source at `utc`, with a beam of `beamDeg` (> 0)
    /// and the skyline `horizon` (null: none). False, with `why` said in
    /// the line, when it cannot be asked (the source below the horizon, no
    /// place): then no answer follows.
    bool Ask(const scan::ScanSettings& settings, double beamDeg, const HomeStation& station,
             const ObservingConditions& conditions, SunMoonLibrary& library, DateTime utc,
             const HorizonProfile* horizon, QString& why);
    bool Busy() const;

    /// The off point of the last answer; none, with Why(), when there is
    /// none.
    const std::optional<scan::OffPointPlan>& Plan() const { return plan_; }
    const QString& Why() const { return why_; }

    QLabel* Text = nullptr;

signals:
    /// The sky model answered the last request: Plan() or Why().
    void Answered();

private:
    void Found();

    ColdSkySearch* search_ = nullptr;
    scan::ScanSettings asked_;
    std::optional<scan::OffPointPlan> plan_;
    QString why_;
};

} // namespace vantrel
