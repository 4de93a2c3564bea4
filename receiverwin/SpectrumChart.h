#pragma once

#include "radiometer/Periodogram.h"

#include <QChartView>

#include <vector>

class QAreaSeries;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

namespace vantrel {

/// The Receiver window's averaged spectrum of the last block: the trace in
/// dB (at most 1024 points, `TraceOf`), the bins the RFI filter dropped in
/// red, the bands measured shaded from the bottom of the axis to its top.
class SpectrumChart final : public QChartView {
public:
    explicit SpectrumChart(QWidget* parent = nullptr);
    /// Shows `snapshot`; `sdr`: offsets from the centre in kHz (IQ
    /// samples), else audio frequencies in Hz.
    void Show(const SpectrumSnapshot& snapshot, bool sdr);
    /// Points of the trace.
    int Points() const;

private:
    QLineSeries* spectrumSeries_ = nullptr;
    QScatterSeries* droppedSeries_ = nullptr;
    std::vector<QAreaSeries*> usedAreas_;
    std::vector<BandHz> usedShown_;
    QValueAxis* spectrumFrequency_ = nullptr;
    QValueAxis* spectrumPower_ = nullptr;
};

} // namespace vantrel
