#pragma once

#include "measure/GOverTBudget.h"
#include "measure/MeasurementLog.h"

#include <QString>

#include <optional>
#include <string>

class QWidget;

namespace vantrel {

/// What the measurement report of an evening holds.
struct MeasureReportContent {
    QString Station;             ///< "PA0ABC, Amsterdam, 52.3700N 4.9000E"
    QString Antenna;             ///< "dish 3 m, efficiency 0.55"
    QString Generated;           ///< "2026-12-09 21:30 UTC"
    measure::MeasurementLog Log; ///< the entries in use are listed, the latest last
    /// The G/T shown in the window and its budget, if any.
    QString GOverTShown;
    std::optional<measure::GOverTBudget> Budget;
    /// The G/T chart by source and band, drawn into the page as it is
    /// shown; null: none.
    QWidget* Chart = nullptr;
};

/// Writes the report as a PDF (A4) at `path`: the station and antenna, the
/// G/T chart, the table of the entries in use (UTC, source, MHz, Y ± σ,
/// the flux's source, the skies, G/T ± σ, method), the G/T shown with its
/// budget. Entries that do not fit go on further pages. Returns the reason
/// when the file could not be written.
std::optional<std::string> WriteMeasureReport(const QString& path,
                                              const MeasureReportContent& content);

} // namespace vantrel
