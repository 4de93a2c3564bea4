#include "skywin/ElevationView.h"

#include "skychart/MinMaxDecimation.h"
#include "skychart/SourceColours.h"
#include "skychart/TimeTicks.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QFontMetricsF>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QStackedLayout>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace vantrel {

namespace {

static_assert(static_cast<std::size_t>(kElevationSources) == kSourceColours.size(),
              "one colour per source of the planning grid");

constexpr double kMinutesPerDay = 1440.0;
constexpr qreal kThinPen = 1.5;
constexpr qreal kBoldPen = 3.5;
constexpr int kHiddenAlpha = 90;

const QColor kNightShade(40, 50, 90, 45);

QString ClockText(DateTime t) {
    const DecodedInstant d = DecodeInstant(t);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", static_cast<int>(d.Year),
                  static_cast<int>(d.Month), static_cast<int>(d.Day), static_cast<int>(d.Hour),
                  static_cast<int>(d.Minute));
    return QString::fromLatin1(text);
}

QString OffsetText(int minutes) {
    const QChar sign = minutes < 0 ? QLatin1Char('-') : QLatin1Char('+');
    const int m = std::abs(minutes);
    return m % 60 == 0 ? QStringLiteral("UTC%1%2").arg(sign).arg(m / 60)
                       : QStringLiteral("UTC%1%2:%3")
                             .arg(sign)
                             .arg(m / 60)
                             .arg(m % 60, 2, 10, QLatin1Char('0'));
}

/// Puts `ticks` on a category axis. Its labels must differ from one
/// another, so a repeated clock text gets invisible zero-width spaces.
void SetTicks(QCategoryAxis* axis, const std::vector<TimeTick>& ticks, double first, double last) {
    for (const QString& label : axis->categoriesLabels()) {
        axis->remove(label);
    }
    axis->setStartValue(first);
    QStringList used;
    for (const TimeTick& t : ticks) {
        QString label = QString::fromStdString(t.Label);
        while (used.contains(label)) {
            label += QChar(0x200B);
        }
        used << label;
        axis->append(label, t.Utc);
    }
    axis->setRange(first, last);
}

} // namespace

ElevationView::ElevationView(QWidget* parent) : QWidget(parent) {
    chart_ = new QChart();
    chart_->setObjectName(QStringLiteral("ElevationChart"));
    chart_->legend()->setAlignment(Qt::AlignRight);
    chart_->setMargins(QMargins(4, 4, 4, 4));

    utcAxis_ = new QCategoryAxis(chart_);
    utcAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    utcAxis_->setTitleText(QStringLiteral("UTC"));
    localAxis_ = new QCategoryAxis(chart_);
    localAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    localAxis_->setGridLineVisible(false);
    // Whole labels: as many marks as whole labels fit (FillTimeAxes), so
    // none needs cutting.
    utcAxis_->setTruncateLabels(false);
    localAxis_->setTruncateLabels(false);
    elevationAxis_ = new QValueAxis(chart_);
    elevationAxis_->setRange(kLowestElevationDeg, kHighestElevationDeg);
    elevationAxis_->setTickCount(11);
    elevationAxis_->setLabelFormat(QStringLiteral("%.0f"));
    elevationAxis_->setTitleText(QStringLiteral("Elevation (°)"));
    chart_->addAxis(utcAxis_, Qt::AlignBottom);
    chart_->addAxis(localAxis_, Qt::AlignTop);
    chart_->addAxis(elevationAxis_, Qt::AlignLeft);

    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("ElevationChartView"));
    view_->setRenderHint(QPainter::Antialiasing);
    empty_ =
        new QLabel(QStringLiteral("Press Calculate in the main window to fill this chart."), this);
    empty_->setObjectName(QStringLiteral("ElevationEmptyNote"));
    empty_->setAlignment(Qt::AlignCenter);
    auto* stack = new QStackedLayout(this);
    stack->addWidget(empty_);
    stack->addWidget(view_);
    Clear();
    // A wider or narrower plot takes more or fewer marks.
    connect(chart_, &QChart::plotAreaChanged, this, [this] {
        if (series_ != nullptr && !series_->Empty() && MaxTimeTicks() != shownMaxTicks_) {
            FillTimeAxes();
        }
    });
}

std::size_t ElevationView::MaxTimeTicks() const {
    if (!view_->isVisible()) {
        return SIZE_MAX; // not laid out yet: the marks of the span alone
    }
    // The widest label either axis can have, and an em between two.
    const QFontMetricsF m(utcAxis_->labelsFont());
    double widest = 0;
    for (const char* label : {"00:00", "28 Sep", "30 May", "31 Dec"}) {
        widest = std::max(widest, m.horizontalAdvance(QLatin1String(label)));
    }
    const double room = widest + m.horizontalAdvance(QLatin1Char('M'));
    const double width = chart_->plotArea().width();
    return width > room ? static_cast<std::size_t>(width / room) + 1 : 2;
}

ElevationView::~ElevationView() = default;

QLineSeries* ElevationView::Curve(int source) const {
    return source >= 0 && source < kElevationSources ? curves_[static_cast<std::size_t>(source)]
                                                     : nullptr;
}

void ElevationView::SetSeries(std::shared_ptr<const ElevationSeries> series) {
    series_ = std::move(series);
    Clear();
    if (series_ == nullptr || series_->Empty()) {
        return;
    }
    Fill();
    static_cast<QStackedLayout*>(layout())->setCurrentWidget(view_);
}

void ElevationView::Clear() {
    chart_->removeAllSeries();
    curves_.fill(nullptr);
    night_ = nullptr;
    chart_->setTitle(QString());
    static_cast<QStackedLayout*>(layout())->setCurrentWidget(empty_);
}

void ElevationView::Fill() {
    const ElevationSeries& s = *series_;
    const std::span<const DateTime> utc = s.Utc();
    const double first = utc.front();
    const double last = utc.back() + s.IntervalMinutes() / kMinutesPerDay;

    // The nights first, so that every curve is drawn over them.
    auto* upper = new QLineSeries();
    auto* lower = new QLineSeries();
    for (const DarkInterval& d : s.SunBelowHorizon()) {
        upper->append(d.Start, kLowestElevationDeg);
        upper->append(d.Start, kHighestElevationDeg);
        upper->append(d.End, kHighestElevationDeg);
        upper->append(d.End, kLowestElevationDeg);
    }
    lower->append(first, kLowestElevationDeg);
    lower->append(last, kLowestElevationDeg);
    night_ = new QAreaSeries(upper, lower);
    upper->setParent(night_);
    lower->setParent(night_);
    night_->setName(QStringLiteral("Sun below the horizon"));
    night_->setPen(Qt::NoPen);
    night_->setBrush(kNightShade);
    chart_->addSeries(night_);
    night_->attachAxis(utcAxis_);
    night_->attachAxis(elevationAxis_);

    std::vector<std::uint32_t> rows;
    QList<QPointF> points;
    for (int source = 0; source < kElevationSources; ++source) {
        const std::span<const float> elevation = s.Elevation(source);
        MinMaxDecimate(elevation, kDrawBuckets, rows);
        points.clear();
        points.reserve(static_cast<qsizetype>(rows.size()));
        for (const std::uint32_t r : rows) {
            points.append(QPointF(utc[r], elevation[r]));
        }
        auto* curve = new QLineSeries();
        curve->setName(QString::fromStdString(s.Titles()[static_cast<std::size_t>(source)]));
        const SourceRgb rgb = kSourceColours[static_cast<std::size_t>(source)];
        QPen pen(QColor(rgb.R, rgb.G, rgb.B));
        pen.setWidthF(source == kSunSource || source == kMoonSource ? kBoldPen : kThinPen);
        curve->setPen(pen);
        curve->replace(points);
        chart_->addSeries(curve);
        curve->attachAxis(utcAxis_);
        curve->attachAxis(elevationAxis_);
        curves_[static_cast<std::size_t>(source)] = curve;
        connect(curve, &QLineSeries::hovered, this, [this, source](const QPointF& at, bool on) {
            if (on) {
                QToolTip::showText(QCursor::pos(), HoverText(source, at.x()), view_);
            } else {
                QToolTip::hideText();
            }
        });
    }

    const QList<QLegendMarker*> nightMarkers = chart_->legend()->markers(night_);
    for (QLegendMarker* m : nightMarkers) {
        m->setVisible(false);
    }
    for (int source = 0; source < kElevationSources; ++source) {
        for (QLegendMarker* m :
             chart_->legend()->markers(curves_[static_cast<std::size_t>(source)])) {
            connect(m, &QLegendMarker::clicked, this, [this, source] { ToggleCurve(source); });
        }
    }

    FillTimeAxes();
    const DecodedInstant a = DecodeInstant(first);
    const DecodedInstant b = DecodeInstant(utc.back());
    chart_->setTitle(a.Year == b.Year && a.Month == b.Month && a.Day == b.Day
                         ? QStringLiteral("Elevation on %1 %2 %3 (UTC)")
                               .arg(a.Day)
                               .arg(QString::fromLatin1(MonthName(a.Month).data()))
                               .arg(a.Year)
                         : QStringLiteral("Elevation from %1 %2 %3 to %4 %5 %6 (UTC)")
                               .arg(a.Day)
                               .arg(QString::fromLatin1(MonthName(a.Month).data()))
                               .arg(a.Year)
                               .arg(b.Day)
                               .arg(QString::fromLatin1(MonthName(b.Month).data()))
                               .arg(b.Year));
}

void ElevationView::FillTimeAxes() {
    const ElevationSeries& s = *series_;
    const double first = s.Utc().front();
    const double last = s.Utc().back() + s.IntervalMinutes() / kMinutesPerDay;
    auto offsetAt = [&s](DateTime t) {
        const std::size_t r = std::min(s.RowAt(t), s.Rows() - 1);
        return s.LocalOffsetMinutes(r);
    };
    shownMaxTicks_ = MaxTimeTicks();
    SetTicks(utcAxis_,
             TimeTicks(
                 first, last, [](DateTime) { return 0; }, shownMaxTicks_),
             first, last);
    SetTicks(localAxis_, TimeTicks(first, last, offsetAt, shownMaxTicks_), first, last);
    const int start = s.LocalOffsetMinutes(0);
    const int end = s.LocalOffsetMinutes(s.Rows() - 1);
    localAxis_->setTitleText(
        start == end
            ? QStringLiteral("Local time (%1)").arg(OffsetText(start))
            : QStringLiteral("Local time (%1, later %2)").arg(OffsetText(start), OffsetText(end)));
}

void ElevationView::ToggleCurve(int source) {
    QLineSeries* curve = Curve(source);
    if (curve == nullptr) {
        return;
    }
    curve->setVisible(!curve->isVisible());
    // A hidden curve keeps its marker, dimmed, so it can be clicked back.
    for (QLegendMarker* m : chart_->legend()->markers(curve)) {
        m->setVisible(true);
        QColor text = m->labelBrush().color();
        text.setAlpha(curve->isVisible() ? 255 : kHiddenAlpha);
        m->setLabelBrush(text);
        QBrush box = m->brush();
        QColor c = box.color();
        c.setAlpha(curve->isVisible() ? 255 : kHiddenAlpha);
        box.setColor(c);
        m->setBrush(box);
    }
}

QString ElevationView::HoverText(int source, double utc) const {
    if (series_ == nullptr || series_->Empty() || source < 0 || source >= kElevationSources) {
        return {};
    }
    const ElevationSeries& s = *series_;
    std::size_t r = std::min(s.RowAt(utc), s.Rows() - 1);
    if (r > 0 && utc - s.Utc()[r - 1] < s.Utc()[r] - utc) {
        r -= 1; // the nearer of the two rows around the mouse
    }
    const DateTime t = s.Utc()[r];
    const int offset = s.LocalOffsetMinutes(r);
    return QStringLiteral("%1\nUTC %2\nLocal %3 (%4)\nAzimuth %5°\nElevation %6°")
        .arg(QString::fromStdString(s.Titles()[static_cast<std::size_t>(source)]), ClockText(t),
             ClockText(t + offset / kMinutesPerDay), OffsetText(offset))
        .arg(static_cast<double>(s.Azimuth(source)[r]), 0, 'f', 2)
        .arg(static_cast<double>(s.Elevation(source)[r]), 0, 'f', 2);
}

} // namespace vantrel
