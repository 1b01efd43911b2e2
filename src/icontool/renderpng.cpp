// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: draws the program's icon from its SVG picture as PNG files
// for the icon theme, one per size, as OUTDIR/<size>x<size>/apps/NAME.png.
//
//   lanterra-renderpng PICTURE.svg OUTDIR NAME SIZE...
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv)
{
    // Drawing needs a GUI application object but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: lanterra-renderpng PICTURE.svg OUTDIR NAME SIZE...\n");
        return 2;
    }
    QSvgRenderer svg(args[0]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "lanterra-renderpng: %s: not an SVG picture\n", qPrintable(args[0]));
        return 1;
    }
    for (const QString &sizeText : args.mid(3)) {
        bool isNumber = false;
        const int size = sizeText.toInt(&isNumber);
        if (!isNumber || size <= 0 || size > 1024) {
            std::fprintf(stderr, "lanterra-renderpng: %s: not a size in pixels\n", qPrintable(sizeText));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(0, 0, size, size));
        painter.end();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args[1]).arg(size);
        const QString file = folder + u'/' + args[2] + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "lanterra-renderpng: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
