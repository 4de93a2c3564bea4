#include "measurewin/MeasureReport.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QWidget>

#include <cmath>

namespace vantrel {

namespace {

/// The resolution of the report, dots an inch.
constexpr int kReportDpi = 300;
/// Page margin, millimetres.
constexpr double kMarginMm = 15.0;

QString Value(const std::optional<double>& v, int decimals) {
    return v ? QString::number(*v, 'f', decimals) : QString();
}

QString WithSigma(double v, const std::optional<double>& sigma, int decimals) {
    QString text = QString::number(v, 'f', decimals);
    if (sigma) {
        text += QStringLiteral(" \u00b1 ") + QString::number(*sigma, 'f', decimals);
    }
    return text;
}

} // namespace

std::optional<std::string> WriteMeasureReport(const QString& path, const MeasureReportContent& c) {
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly)) {
            return "Cannot write the report " + path.toStdString() + ": " +
                   probe.errorString().toStdString();
        }
    }
    QPdfWriter pdf(path);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(kReportDpi);
    pdf.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                       QPageLayout::Millimeter);
    pdf.setTitle(QStringLiteral("Vantrel measurement report"));
    QPainter p;
    if (!p.begin(&pdf)) {
        return "Cannot write the report " + path.toStdString();
    }
    const QRect page = p.viewport();
    const int width = page.width();
    QFont font = p.font();
    font.setPointSizeF(9);
    p.setFont(font);
    const int line = p.fontMetrics().height() * 12 / 10;
    int y = 0;

    QFont title = font;
    title.setPointSizeF(14);
    title.setBold(true);
    p.setFont(title);
    p.drawText(0, y + p.fontMetrics().ascent(), QStringLiteral("G/T measurements"));
    y += p.fontMetrics().height() * 3 / 2;
    p.setFont(font);
    for (const QString& text :
         {QStringLiteral("Station: ") + c.Station, QStringLiteral("Antenna: ") + c.Antenna,
          QStringLiteral("Written: ") + c.Generated}) {
        p.drawText(0, y + p.fontMetrics().ascent(), text);
        y += line;
    }
    y += line / 2;

    if (c.Chart != nullptr) {
        // The chart as the window shows it, scaled to the page's width.
        const QSize shown = c.Chart->size();
        const double scale = static_cast<double>(width) / std::max(1, shown.width());
        p.save();
        p.translate(0, y);
        p.scale(scale, scale);
        c.Chart->render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
        p.restore();
        y += static_cast<int>(shown.height() * scale) + line;
    }

    if (c.Budget) {
        p.drawText(0, y + p.fontMetrics().ascent(), QStringLiteral("Shown now: ") + c.GOverTShown);
        y += line;
        for (const measure::BudgetTerm& t : c.Budget->Terms) {
            p.drawText(width / 20, y + p.fontMetrics().ascent(), QString::fromStdString(t.Name));
            p.drawText(width / 5, y + p.fontMetrics().ascent(),
                       std::isfinite(t.SigmaDb) ? QString::number(t.SigmaDb, 'f', 3) + " dB"
                                                : QStringLiteral("\u2014"));
            p.drawText(width / 3, y + p.fontMetrics().ascent(), QString::fromStdString(t.Basis));
            y += line;
        }
        p.drawText(width / 20, y + p.fontMetrics().ascent(), QStringLiteral("total"));
        p.drawText(width / 5, y + p.fontMetrics().ascent(),
                   QString::number(c.Budget->TotalSigmaDb, 'f', 3) + " dB");
        y += line * 3 / 2;
    }

    // The entries: one row each, the columns at fixed fractions of the width.
    const double columns[] = {0.0, 0.19, 0.32, 0.40, 0.54, 0.68, 0.76, 0.86};
    const QString heads[] = {QStringLiteral("UTC"),       QStringLiteral("Source"),
                             QStringLiteral("MHz"),       QStringLiteral("Y (dB)"),
                             QStringLiteral("Flux from"), QStringLiteral("Tsky"),
                             QStringLiteral("Tsky ref"),  QStringLiteral("G/T (dB/K)")};
    const auto heading = [&] {
        QFont bold = font;
        bold.setBold(true);
        p.setFont(bold);
        for (std::size_t i = 0; i < std::size(heads); ++i) {
            p.drawText(static_cast<int>(columns[i] * width), y + p.fontMetrics().ascent(),
                       heads[i]);
        }
        p.setFont(font);
        y += line;
    };
    heading();
    for (const measure::MeasurementRecord& r : c.Log.Records) {
        if (r.Withdrawn) {
            continue;
        }
        if (y + line > page.height()) {
            pdf.newPage();
            y = 0;
            heading();
        }
        // "YYYY-MM-DD HH:MM" of the log's "YYYY-MM-DDTHH:MM:SSZ".
        const QString cells[] = {
            QString::fromStdString(r.Utc).left(16).replace(QLatin1Char('T'), QLatin1Char(' ')),
            QString::fromStdString(r.Source),
            QString::number(r.FrequencyMHz, 'g', 7),
            WithSigma(r.MeasuredYDb, r.YSigmaDb, 3),
            QString::fromStdString(r.FluxSource),
            Value(r.SkyTskyK, 1),
            Value(r.ReferenceTskyK, 1),
            WithSigma(r.GOverTDbPerK, r.GOverTSigmaDb, 2)};
        for (std::size_t i = 0; i < std::size(cells); ++i) {
            p.drawText(static_cast<int>(columns[i] * width), y + p.fontMetrics().ascent(),
                       cells[i]);
        }
        y += line;
    }
    if (!p.end()) {
        return "Cannot write the report " + path.toStdString();
    }
    return std::nullopt;
}

} // namespace vantrel
