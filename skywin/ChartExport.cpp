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

QString PrintPicture(const QPicture& picture, QSize size, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return Text("The printer could not be started.");
    }
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRectF target = Fitted(QSizeF(size), QRectF(QPointF(0, 0), page.size()));
    painter.translate(target.topLeft());
    painter.scale(target.width() / size.width(), target.height() / size.height());
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

QString PrintChart(const ChartPainting& painting, QSize size, QPrinter& printer) {
    return PrintPicture(RecordPicture(painting, size), size, printer);
}

} // namespace vantrel
