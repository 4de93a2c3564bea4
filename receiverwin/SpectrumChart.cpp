#include "receiverwin/SpectrumChart.h"

#include "receiverwin/PeriodogramTrace.h"

#include <QAreaSeries>
#include <QChart>
#include <QCursor>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>
#include <QXYSeries>

#include <initializer_list>

namespace vantrel {

namespace {

/// The spectrum is drawn in at most this many points.
constexpr std::size_t kSpectrumPoints = 1024;
/// Marks asked of the value axes before they are rounded.
constexpr int kSpectrumTicks = 5;
/// The spectrum's power axis reaches this far beyond the trace, dB.
constexpr double kSpectrumPadDb = 3.0;
/// The power axis of the spectrum before the first one, dB of full scale.
constexpr double kEmptySpectrumLowDb = -100.0;

} // namespace

SpectrumChart::SpectrumChart(QWidget* parent) : QChartView(parent) {
    auto* spectrum = new QChart;
    spectrum->setTitle(QStringLiteral("Averaged spectrum of the last block"));
    spectrum->legend()->hide();
    spectrumFrequency_ = new QValueAxis(spectrum);
    spectrumPower_ = new QValueAxis(spectrum);
    spectrumPower_->setTitleText(QStringLiteral("dB of full scale"));
    spectrumPower_->setLabelFormat(QStringLiteral("%.0f"));
    spectrumFrequency_->setLabelFormat(QStringLiteral("%g"));
    // Until the first spectrum: whole dB of full scale that read as such,
    // not 0 to 1 written without decimals.
    spectrumPower_->setRange(kEmptySpectrumLowDb, 0);
    spectrumPower_->setTickCount(kSpectrumTicks);
    spectrum->addAxis(spectrumFrequency_, Qt::AlignBottom);
    spectrum->addAxis(spectrumPower_, Qt::AlignLeft);
    spectrumSeries_ = new QLineSeries(spectrum);
    droppedSeries_ = new QScatterSeries(spectrum);
    droppedSeries_->setMarkerSize(6);
    droppedSeries_->setColor(QColor(0xd0, 0x00, 0x00));
    droppedSeries_->setBorderColor(QColor(0xd0, 0x00, 0x00));
    for (QXYSeries* s : std::initializer_list<QXYSeries*>{spectrumSeries_, droppedSeries_}) {
        spectrum->addSeries(s);
        s->attachAxis(spectrumFrequency_);
        s->attachAxis(spectrumPower_);
    }
    // On hover: the point's frequency and, for an SDR, its offset from the
    // centre.
    connect(spectrumSeries_, &QXYSeries::hovered, this, [this](const QPointF& p, bool on) {
        if (!on) {
            QToolTip::hideText();
            return;
        }
        QToolTip::showText(
            QCursor::pos(),
            sdr_ ? QStringLiteral("%1 MHz, %2 kHz from the centre: %3 dB")
                       .arg(p.x(), 0, 'f', 6)
                       .arg((p.x() - centreMHz_) * 1e3, 0, 'f', 3)
                       .arg(p.y(), 0, 'f', 1)
                 : QStringLiteral("%1 Hz: %2 dB").arg(p.x(), 0, 'f', 1).arg(p.y(), 0, 'f', 1));
    });
    // The default chart a view makes for itself is let go of by setChart,
    // not deleted.
    QChart* made = chart();
    setChart(spectrum);
    delete made;
    setObjectName(QStringLiteral("Spectrum"));
    setMinimumHeight(260);
}

int SpectrumChart::Points() const {
    return static_cast<int>(spectrumSeries_->count());
}

void SpectrumChart::Show(const SpectrumSnapshot& snapshot, bool sdr, double centreMHz) {
    const PeriodogramTrace trace = TraceOf(snapshot, kSpectrumPoints);
    if (trace.Hz.empty()) {
        return;
    }
    // An SDR's spectrum on the sky frequency in MHz (its offsets from the
    // centre on hover), audio in Hz.
    sdr_ = sdr;
    centreMHz_ = sdr ? centreMHz : 0.0;
    const auto axis = [this](double hz) { return sdr_ ? centreMHz_ + hz * 1e-6 : hz; };
    const QString title =
        sdr ? QStringLiteral("Frequency (MHz), centre %1 MHz").arg(centreMHz_, 0, 'f', 6)
            : QStringLiteral("Audio frequency (Hz)");
    if (spectrumFrequency_->titleText() != title) {
        spectrumFrequency_->setTitleText(title);
    }
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(trace.Hz.size()));
    for (std::size_t i = 0; i < trace.Hz.size(); ++i) {
        points.append(QPointF(axis(trace.Hz[i]), trace.Db[i]));
    }
    spectrumSeries_->replace(points);
    QList<QPointF> dropped;
    for (std::size_t i = 0; i < trace.DroppedHz.size(); ++i) {
        dropped.append(QPointF(axis(trace.DroppedHz[i]), trace.DroppedDb[i]));
    }
    droppedSeries_->replace(dropped);

    // The sampled band: −rate/2 to rate/2 for IQ samples, 0 to rate/2 for
    // audio, in quarters.
    const double lowHz = snapshot.FirstBinHz;
    const double highHz =
        sdr ? -snapshot.FirstBinHz
            : snapshot.FirstBinHz +
                  static_cast<double>(snapshot.PowerDb.size() - 1) * snapshot.BinHz;
    spectrumFrequency_->setRange(axis(lowHz), axis(highHz));
    spectrumFrequency_->setTickCount(kSpectrumTicks);
    spectrumFrequency_->setLabelFormat(sdr ? QStringLiteral("%.%1f").arg(FrequencyAxisDecimals(
                                                 (highHz - lowHz) * 1e-6, kSpectrumTicks))
                                           : QStringLiteral("%g"));
    spectrumPower_->setRange(trace.LowDb - kSpectrumPadDb, trace.HighDb + kSpectrumPadDb);
    spectrumPower_->setTickCount(kSpectrumTicks);
    spectrumPower_->applyNiceNumbers();
    const double low = spectrumPower_->min();
    const double high = spectrumPower_->max();

    // The bands measured, shaded from the bottom of the axis to its top.
    QChart* chart = this->chart();
    if (trace.Used != usedShown_ || usedAreas_.size() != trace.Used.size()) {
        for (QAreaSeries* a : usedAreas_) {
            chart->removeSeries(a);
            delete a;
        }
        usedAreas_.clear();
        for (std::size_t i = 0; i < trace.Used.size(); ++i) {
            // An area does not own its edges: as its children they go with it.
            auto* area = new QAreaSeries;
            area->setUpperSeries(new QLineSeries(area));
            area->setLowerSeries(new QLineSeries(area));
            area->setColor(QColor(0x30, 0xa0, 0x30, 0x38));
            area->setBorderColor(Qt::transparent);
            chart->addSeries(area);
            area->attachAxis(spectrumFrequency_);
            area->attachAxis(spectrumPower_);
            usedAreas_.push_back(area);
        }
        usedShown_ = trace.Used;
    }
    for (std::size_t i = 0; i < trace.Used.size(); ++i) {
        const double lo = axis(trace.Used[i].Lo);
        const double hi = axis(trace.Used[i].Hi);
        usedAreas_[i]->upperSeries()->replace({QPointF(lo, high), QPointF(hi, high)});
        usedAreas_[i]->lowerSeries()->replace({QPointF(lo, low), QPointF(hi, low)});
    }
}

} // namespace vantrel
