#include "receiverwin/SpectrumChart.h"

#include "receiverwin/PeriodogramTrace.h"

#include <QAreaSeries>
#include <QChart>
#include <QLineSeries>
#include <QScatterSeries>
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
    setChart(spectrum);
    setObjectName(QStringLiteral("Spectrum"));
    setMinimumHeight(260);
}

int SpectrumChart::Points() const {
    return static_cast<int>(spectrumSeries_->count());
}

void SpectrumChart::Show(const SpectrumSnapshot& snapshot, bool sdr) {
    const PeriodogramTrace trace = TraceOf(snapshot, kSpectrumPoints);
    if (trace.Hz.empty()) {
        return;
    }
    // An SDR's offsets from the centre in kHz, audio in Hz.
    const double scale = sdr ? 1e-3 : 1.0;
    const QString title = sdr ? QStringLiteral("Offset from the centre (kHz)")
                              : QStringLiteral("Audio frequency (Hz)");
    if (spectrumFrequency_->titleText() != title) {
        spectrumFrequency_->setTitleText(title);
    }
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(trace.Hz.size()));
    for (std::size_t i = 0; i < trace.Hz.size(); ++i) {
        points.append(QPointF(trace.Hz[i] * scale, trace.Db[i]));
    }
    spectrumSeries_->replace(points);
    QList<QPointF> dropped;
    for (std::size_t i = 0; i < trace.DroppedHz.size(); ++i) {
        dropped.append(QPointF(trace.DroppedHz[i] * scale, trace.DroppedDb[i]));
    }
    droppedSeries_->replace(dropped);

    // The sampled band: −rate/2 to rate/2 for IQ samples, 0 to rate/2 for
    // audio, in quarters.
    const double lowHz = snapshot.FirstBinHz;
    const double highHz =
        sdr ? -snapshot.FirstBinHz
            : snapshot.FirstBinHz +
                  static_cast<double>(snapshot.PowerDb.size() - 1) * snapshot.BinHz;
    spectrumFrequency_->setRange(lowHz * scale, highHz * scale);
    spectrumFrequency_->setTickCount(kSpectrumTicks);
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
        const double lo = trace.Used[i].Lo * scale;
        const double hi = trace.Used[i].Hi * scale;
        usedAreas_[i]->upperSeries()->replace({QPointF(lo, high), QPointF(hi, high)});
        usedAreas_[i]->lowerSeries()->replace({QPointF(lo, low), QPointF(hi, low)});
    }
}

} // namespace vantrel
