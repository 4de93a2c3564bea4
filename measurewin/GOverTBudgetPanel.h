#pragma once

#include "measure/GOverTBudget.h"

#include <QTableWidget>

namespace vantrel {

/// The budget of the G/T shown, as a small table: term, σ (dB) and how it
/// was had, the total last. Empty when there is no G/T.
class GOverTBudgetPanel final : public QTableWidget {
    Q_OBJECT

public:
    explicit GOverTBudgetPanel(QWidget* parent = nullptr);

    /// Shows `budget`; none clears the table.
    void Show(const measure::GOverTBudget* budget);
};

} // namespace vantrel
