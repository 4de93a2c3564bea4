#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace vantrel {

/// Keeps a window's layout proportional to its client size: every control
/// (every named descendant widget) takes its position, size and font from
/// the design layout times the factors of the present client size, so
/// shrinking and enlarging never accumulates rounding.
///
/// Factors: dx = client width ÷ design width × design dpi ÷ screen dpi, dy
/// likewise, fonts f = min(dx, dy). Bounds are rounded half up and a width
/// or height of 0 becomes 1; control fonts are truncated to whole points (at least
/// 1), the window's own font rounded.
class FormScaler final : public QObject {
    Q_OBJECT

public:
    struct Settings {
        int DesignFrmW = 1026;
        int DesignFrmH = 666;
        int DesignDpiW = 96;
        int DesignDpiH = 96;
        bool ResizeFont = true;
        bool Enabled = true;
        QStringList NoResizeCtl;
        QStringList NoResizeFntCtl;
    };

    FormScaler(QWidget* window, Settings settings);

    /// Records the layout as designed and corrects it once for a screen
    /// resolution other than the design's; then follows every resize.
    void Start();
    /// Rescales from the reference layout for the present client size; a
    /// client of no width or height leaves everything as it is.
    void Rescale();

    /// Screen resolution; from the window's screen unless set (tests).
    void SetScreenDpi(double dpiX, double dpiY);
    double FactorX() const { return dx_; }
    double FactorY() const { return dy_; }
    double FontFactor() const { return std::min(dx_, dy_); }
    /// Called after each rescale with the vertical and horizontal factors.
    std::function<void(double dy, double dx)> OnExitResize;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Record {
        QPointer<QWidget> Control;
        QString Name;
        QRect Reference; // design bounds relative to the parent
        QFont Font;
        double FontSize = 0; // points
    };
    void Track(QWidget* w, double dx, double dy, double f);
    bool Scalable(const QWidget* w) const;
    double DpiX() const;
    double DpiY() const;

    QWidget* window_;
    Settings settings_;
    std::vector<Record> records_;
    QFont windowFont_;
    double windowFontSize_ = 0;
    double dpiX_ = 0;
    double dpiY_ = 0;
    double dx_ = 1;
    double dy_ = 1;
    int added_ = 0;
    bool started_ = false;
    bool rescaling_ = false;
};

/// Rounds half up: round(2.5) = 3, round(-2.5) = -2.
int RoundHalfUp(double v);

} // namespace vantrel
