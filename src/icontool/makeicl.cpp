// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: draws SVG pictures at 16 and 32 pixels and writes them as an
// icon library (a resource-only module), one icon group per picture. The
// group number is the file name's leading number: "05-refresh.svg" is 5.
//
//   lanterra-makeicl OUTPUT.icl NN-name.svg...
#include "settings/resourcewriter.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <cstdio>

namespace {

CResourceModuleWriter::Picture render(QSvgRenderer &svg, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    // The stored bitmap is straight (not premultiplied) alpha.
    const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    QList<quint32> pixels;
    pixels.reserve(size * size);
    for (int y = 0; y < size; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(straight.constScanLine(y));
        pixels.append(QList<quint32>(row, row + size));
    }
    return {size, size, 32, IconBitmap(size, size, pixels.constData())};
}

} // namespace

int main(int argc, char **argv)
{
    // Drawing needs a GUI application object but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: lanterra-makeicl OUTPUT.icl NN-name.svg...\n");
        return 2;
    }
    static const QRegularExpression numbered(QStringLiteral("^(\\d+)-"));
    CResourceModuleWriter writer;
    for (const QString &source : args.mid(1)) {
        const QRegularExpressionMatch match = numbered.match(QFileInfo(source).fileName());
        QSvgRenderer svg(source);
        if (!match.hasMatch() || !svg.isValid()) {
            std::fprintf(stderr, "lanterra-makeicl: %s: not a numbered SVG picture\n", qPrintable(source));
            return 1;
        }
        writer.AddIconGroup(match.captured(1).toInt(), {render(svg, 16), render(svg, 32)});
    }
    QFile out(args.first());
    const QByteArray bytes = writer.Write();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "lanterra-makeicl: cannot write %s\n", qPrintable(args.first()));
        return 1;
    }
    return 0;
}
