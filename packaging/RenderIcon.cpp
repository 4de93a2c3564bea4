// vantrel-render-icon: renders the program's SVG icon into the PNG sizes of
// the desktop's hicolor icon theme, at build time.
//
//     vantrel-render-icon ICON.svg OUTPUT-FOLDER NAME SIZE...
//
// writes OUTPUT-FOLDER/SIZExSIZE/apps/NAME.png for each SIZE (pixels). Exit
// status 0 when every image was written, 1 otherwise, 2 for bad arguments.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

constexpr int kRefused = 2;
constexpr int kFailed = 1;
constexpr int kLargestSize = 1024; // pixels; the theme's largest folder is 512

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5) {
        std::fputs("usage: vantrel-render-icon ICON.svg OUTPUT-FOLDER NAME SIZE...\n", stderr);
        return kRefused;
    }
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "vantrel-render-icon: %s is not a usable SVG image\n",
                     qPrintable(args[1]));
        return kFailed;
    }
    const QDir output(args[2]);
    const QString& name = args[3];
    for (qsizetype i = 4; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size < 1 || size > kLargestSize) {
            std::fprintf(stderr, "vantrel-render-icon: bad size '%s'\n", qPrintable(args[i]));
            return kRefused;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            renderer.render(&painter, QRectF(0, 0, size, size));
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = output.filePath(folder + QLatin1Char('/') + name + ".png");
        if (!output.mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "vantrel-render-icon: cannot write %s\n", qPrintable(file));
            return kFailed;
        }
    }
    return 0;
}
