#pragma once

#include <QByteArray>
#include <QImage>
#include <QPicture>
#include <QRectF>
#include <QSize>
#include <QString>

#include <functional>

class QChart;
class QPainter;
class QPrinter;
class QWidget;

namespace vantrel {

/// Paints a chart into `area` of a painter (any device: the screen, an
/// image, an SVG generator, a printer), filling it as well as its shape
/// allows.
using ChartPainting = std::function<void(QPainter& painter, const QRectF& area)>;

/// A widget as it shows itself, scaled into the area (aspect kept, centred).
/// The widget must outlive the painting; user-interface thread only.
ChartPainting PaintingOf(QWidget* widget);

/// A Qt chart drawn afresh into the area (its scene rendered, aspect kept),
/// so a PNG or a print is as sharp as its device. User-interface thread only.
ChartPainting PaintingOf(QChart* chart);

/// Saving and printing a chart. Painting happens on the user-interface
/// thread (it reads the windows); what can block, encoding and writing the
/// file and spooling the print, is in the Write and Print functions, which
/// any thread may run. Each returns why it failed, empty on success.

/// The painting as an image of `pixels` on a white background.
QImage RenderImage(const ChartPainting& painting, QSize pixels);

/// The painting as an SVG document of `size` (pixels at 96 dpi, as a browser
/// counts them) with `title`: plain coordinates in those units.
QByteArray RenderSvg(const ChartPainting& painting, QSize size, const QString& title);

/// The painting recorded for a printer, at a logical size of `size`.
QPicture RecordPicture(const ChartPainting& painting, QSize size);

/// Writes `image` as a PNG file.
QString WritePng(const QImage& image, const QString& path);

/// Writes `bytes` to `path`, replacing the file whole (a failed write leaves
/// the previous file as it was).
QString WriteBytes(const QByteArray& bytes, const QString& path);

/// Prints `picture` (recorded at `size`) on one page of `printer`: `title`
/// on the first lines of the printable area (wrapped to its width), the
/// picture below it scaled to the rest of the area with its aspect kept and
/// centred, at the printer's resolution.
QString PrintPicture(const QPicture& picture, QSize size, const QString& title, QPrinter& printer);

/// The three at once on the calling thread, for callers that may block.
QString SavePng(const ChartPainting& painting, const QString& path, QSize pixels);
QString SaveSvg(const ChartPainting& painting, const QString& path, QSize size,
                const QString& title);
QString PrintChart(const ChartPainting& painting, QSize size, const QString& title,
                   QPrinter& printer);

} // namespace vantrel
