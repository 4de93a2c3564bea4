#include "skywin/ChartExport.h"

#include <QBuffer>
#include <QChart>
#include <QGraphicsScene>
#include <QPainter>
#include <QPrinter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWidget>

namespace vantrel {

namespace {

/// The largest rectangle of `shape`'s aspect centred in `area`.
QRectF Fitted(QSizeF shape, const QRectF& area) {
    if (shape.isEmpty()) {
        return area;
    }
    const QSizeF fit = shape.scaled(area.size(), Qt::KeepAspectRatio);
    return {area.center().x() - fit.width() / 2, area.center().y() - fit.height() / 2, fit.width(),
            fit.height()};
}

/// The title line of a printed page: its size, points, and the gap below
/// it, inches.
constexpr double kTitlePoints = 9.0;
constexpr double kTitleGapInches = 0.12;
/// The resolution of a CSS pixel (CSS Values and Units Level 3, 5.2), per
/// inch.
constexpr int kCssDpi = 96;

QString Text(const char* s) {
    return QString::fromLatin1(s);
}

} // namespace

ChartPainting PaintingOf(QWidget* widget) {
    return [widget](QPainter& painter, const QRectF& area) {
        const QSizeF shown = widget->size();
        const QRectF target = Fitted(shown, area);
        painter.save();
        painter.translate(target.topLeft());
        painter.scale(target.width() / shown.width(), target.height() / shown.height());
        widget->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painter.restore();
    };
}

ChartPainting PaintingOf(QChart* chart) {
    return [chart](QPainter& painter, const QRectF& area) {
        const QRectF source = chart->sceneBoundingRect();
        if (chart->scene() != nullptr) {
            chart->scene()->render(&painter, Fitted(source.size(), area), source);
        }
    };
}

QImage RenderImage(const ChartPainting& painting, QSize pixels) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return image;
    }
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painting(painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    return image;
}

QByteArray RenderSvg(const ChartPainting& painting, QSize size, const QString& title) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    // At the CSS pixel's 96 per inch, a browser shows it at its pixel size.
    svg.setResolution(kCssDpi);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(title);
    svg.setDescription(Text("Vantrel"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        return {};
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painting(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return bytes;
}

QPicture RecordPicture(const ChartPainting& painting, QSize size) {
    QPicture picture;
    picture.setBoundingRect(QRect(QPoint(0, 0), size));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painting(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return picture;
}

QString WritePng(const QImage& image, const QString& path) {
    if (image.isNull()) {
        return Text("The image is too large to be made.");
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        return Text("The image could not be encoded as PNG.");
    }
    return WriteBytes(bytes, path);
}

QString WriteBytes(const QByteArray& bytes, const QString& path) {
    if (bytes.isEmpty()) {
        return Text("Nothing was drawn to save.");
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
    }
    return {};
}

QString PrintPicture(const QPicture& picture, QSize size, const QString& title, QPrinter& printer) {
    if (size.isEmpty()) {
        return Text("Nothing was drawn to print.");
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        return Text("The printer could not be started.");
    }
    // The painter's origin is the top-left corner of the printable area.
    const QRectF page(QPointF(0, 0),
                      printer.pageLayout().paintRectPixels(printer.resolution()).size());
    QRectF area = page;
    if (!title.isEmpty()) {
        QFont font = painter.font();
        font.setPointSizeF(kTitlePoints);
        painter.setFont(font);
        painter.setPen(Qt::black);
        constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        const QRectF used = painter.boundingRect(page, kFlags, title);
        painter.drawText(page, kFlags, title);
        area.setTop(used.bottom() + kTitleGapInches * printer.resolution());
    }
    const QRectF target = Fitted(QSizeF(size), area);
    // QPicture::play scales by the device's logical resolution over its own
    // (a picture is meant to keep its size in inches): taken back, so that
    // the picture fills the target whatever the printer's resolution.
    const QPaintDevice* device = painter.device();
    const double dpiX = static_cast<double>(picture.logicalDpiX()) / device->logicalDpiX();
    const double dpiY = static_cast<double>(picture.logicalDpiY()) / device->logicalDpiY();
    painter.translate(target.topLeft());
    painter.scale(target.width() / size.width() * dpiX, target.height() / size.height() * dpiY);
    painter.drawPicture(0, 0, picture);
    return painter.end() ? QString() : Text("The page could not be printed.");
}

QString SavePng(const ChartPainting& painting, const QString& path, QSize pixels) {
    return WritePng(RenderImage(painting, pixels), path);
}

QString SaveSvg(const ChartPainting& painting, const QString& path, QSize size,
                const QString& title) {
    return WriteBytes(RenderSvg(painting, size, title), path);
}

QString PrintChart(const ChartPainting& painting, QSize size, const QString& title,
                   QPrinter& printer) {
    return PrintPicture(RecordPicture(painting, size), size, title, printer);
}

} // namespace vantrel
