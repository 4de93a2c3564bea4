#include "measurewin/GOverTBudgetPanel.h"

#include <QHeaderView>

#include <cmath>

namespace vantrel {

GOverTBudgetPanel::GOverTBudgetPanel(QWidget* parent) : QTableWidget(0, 3, parent) {
    setObjectName(QStringLiteral("Budget"));
    setHorizontalHeaderLabels(
        {QStringLiteral("G/T budget"), QStringLiteral("\u03c3 (dB)"), QStringLiteral("From")});
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setStretchLastSection(true);
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    setFixedHeight(rowHeight * 8 + 8); // six terms, the total and the header
}

void GOverTBudgetPanel::Show(const measure::GOverTBudget* budget) {
    if (budget == nullptr) {
        setRowCount(0);
        return;
    }
    setRowCount(static_cast<int>(budget->Terms.size()) + 1);
    const auto put = [this](int row, const QString& name, double sigma, const QString& basis) {
        const QString texts[] = {
            name, std::isfinite(sigma) ? QString::number(sigma, 'f', 3) : QStringLiteral("\u2014"),
            basis};
        for (int c = 0; c < 3; ++c) {
            QTableWidgetItem* it = item(row, c);
            if (it == nullptr) {
                it = new QTableWidgetItem;
                setItem(row, c, it);
            }
            it->setText(texts[c]);
            it->setTextAlignment(c == 1 ? Qt::AlignRight | Qt::AlignVCenter
                                        : Qt::AlignLeft | Qt::AlignVCenter);
        }
    };
    int row = 0;
    for (const measure::BudgetTerm& t : budget->Terms) {
        put(row++, QString::fromStdString(t.Name), t.SigmaDb, QString::fromStdString(t.Basis));
    }
    put(row, QStringLiteral("total (quadrature)"), budget->TotalSigmaDb,
        budget->Complete ? QString() : QStringLiteral("without the terms not estimated"));
}

} // namespace vantrel
