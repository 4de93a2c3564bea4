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
    /// Shows `snapshot`; `sdr`: IQ samples, drawn on the sky frequency in
    /// MHz about `centreMHz` (their offset from the centre on hover), else
    /// audio frequencies in Hz.
    void Show(const SpectrumSnapshot& snapshot, bool sdr, double centreMHz);
    /// Points of the trace.
    int Points() const;

private:
    QLineSeries* spectrumSeries_ = nullptr;
    QScatterSeries* droppedSeries_ = nullptr;
    std::vector<QAreaSeries*> usedAreas_;
    std::vector<BandHz> usedShown_;
    QValueAxis* spectrumFrequency_ = nullptr;
    QValueAxis* spectrumPower_ = nullptr;
    bool sdr_ = false;
    double centreMHz_ = 0; ///< the sky frequency of the SDR's centre, MHz
};

} // namespace vantrel
