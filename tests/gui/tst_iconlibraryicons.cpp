// SPDX-License-Identifier: GPL-3.0-or-later
// Icon library pictures decoded into Qt icons: stored bitmaps with their
// transparency, PNG pictures, and a missing number that keeps the picture.
#include "settings/resourcewriter.h"
#include "ui/toolkit/iconlibraryicons.h"

#include "resourcebuilders.h"

#include <QBuffer>
#include <QPixmap>
#include <QTest>

using namespace ResourceBuilders;

class IconLibraryIconsTest : public QObject
{
    Q_OBJECT

private:
    static QByteArray png(int size, QColor colour)
    {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

private slots:
    void bitmapsAndPngsBecomeIcons()
    {
        // Green 16 px bitmap with a transparent top-left pixel, red 32 px PNG.
        QList<quint32> pixels(16 * 16, 0xFF00FF00);
        pixels[0] = 0x00000000;
        CResourceModuleWriter writer;
        writer.AddIconGroup(4, {{16, 16, 32, IconBitmap(16, 16, pixels.constData())},
                                {32, 32, 32, png(32, Qt::red)}});
        CIconLibrary library;
        QVERIFY(library.LoadData(writer.Write()));

        const QIcon icon = IconFromLibrary(library, 4);
        QVERIFY(!icon.isNull());
        const QImage small = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(small.size(), QSize(16, 16));
        QCOMPARE(small.pixel(5, 5), QColor(Qt::green).rgba());
        QCOMPARE(qAlpha(small.pixel(0, 0)), 0);
        // Bottom-up rows come out the right way round.
        pixels.fill(0xFF0000FF);
        pixels[15 * 16] = 0xFFFF0000; // bottom-left red
        const QImage oriented = IconLibraryImage({16, 16, 32, false, QByteArray()});
        QVERIFY(oriented.isNull());
        CResourceModuleWriter second;
        second.AddIconGroup(9, {{16, 16, 32, IconBitmap(16, 16, pixels.constData())}});
        CIconLibrary other;
        QVERIFY(other.LoadData(second.Write()));
        const QImage decoded = IconLibraryImage(other.IconImages(9).value(0));
        QCOMPARE(decoded.pixel(0, 15), QColor(Qt::red).rgba());
        QCOMPARE(decoded.pixel(0, 0), QColor(Qt::blue).rgba());

        const QImage large = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(large.size(), QSize(32, 32));
        QCOMPARE(large.pixel(10, 10), QColor(Qt::red).rgba());
    }

    void missingNumberKeepsThePicture()
    {
        CResourceModuleWriter writer;
        writer.AddIconGroup(4, {SolidBitmap(16, 0xFF00FF00)});
        CIconLibrary library;
        QVERIFY(library.LoadData(writer.Write()));
        QPixmap blue(16, 16);
        blue.fill(Qt::blue);
        QIcon icon(blue);
        QVERIFY(!ReplaceFromLibrary(icon, &library, 5));
        QVERIFY(!ReplaceFromLibrary(icon, nullptr, 4));
        QCOMPARE(icon.pixmap(16, 16).toImage().pixel(3, 3), QColor(Qt::blue).rgb());
        QVERIFY(ReplaceFromLibrary(icon, &library, 4));
        QCOMPARE(icon.pixmap(16, 16).toImage().pixel(3, 3), QColor(Qt::green).rgb());
        // A damaged picture decodes to nothing and also keeps the old one.
        CIconLibrary broken;
        QByteArray module = writer.Write();
        QVERIFY(broken.LoadData(module.left(module.size() - 0x200 + 0x100)));
        QIcon kept(blue);
        ReplaceFromLibrary(kept, &broken, 4);
        QVERIFY(!kept.isNull());
    }
};

QTEST_MAIN(IconLibraryIconsTest)
#include "tst_iconlibraryicons.moc"
