#pragma once

#include "astro/DateTime.h"

#include <QLabel>
#include <QString>

#include <cmath>
#include <string>

// The texts the Receiver window and its panels write alike.
namespace vantrel::receiver_text {

/// Sets a text only when it changes: a label laid out anew costs.
inline void SetText(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

/// UTF-8 text as a QString.
inline QString FromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// A value with `decimals` decimals; a dash for one that is not finite.
inline QString Fixed(double v, int decimals) {
    return std::isfinite(v) ? QString::number(v, 'f', decimals) : QStringLiteral("\u2014");
}

/// A number as short as it reads back (15 digits).
inline QString Number(double v) {
    return QString::number(v, 'g', 15);
}

/// "HH:MM:SS" of a UTC instant.
inline QString Clock(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    return QStringLiteral("%1:%2:%3")
        .arg(d.Hour, 2, 10, QLatin1Char('0'))
        .arg(d.Minute, 2, 10, QLatin1Char('0'))
        .arg(d.Second, 2, 10, QLatin1Char('0'));
}

/// "2.40 MHz", "2.50 kHz", "300 Hz" of a bandwidth.
inline QString Bandwidth(double hz) {
    if (!(hz > 0)) {
        return QStringLiteral("\u2014");
    }
    if (hz >= 1e6) {
        return QStringLiteral("%1 MHz").arg(hz / 1e6, 0, 'f', 2);
    }
    if (hz >= 1e3) {
        return QStringLiteral("%1 kHz").arg(hz / 1e3, 0, 'f', 2);
    }
    return QStringLiteral("%1 Hz").arg(hz, 0, 'f', 0);
}

} // namespace vantrel::receiver_text
