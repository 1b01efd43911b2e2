// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's pictures from an icon library: toolbar and address bar
// icons by number, the start/stop swap while scanning, numbers the library
// lacks, and the way back to the built-in pictures.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "net/memorynetwork.h"
#include "settings/resourcewriter.h"
#include "ui/commandids.h"
#include "ui/frame/mainframe.h"
#include "ui/toolkit/toolbarex.h"

#include "resourcebuilders.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QToolButton>

using namespace gui;

class FramePicturesTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        TestSettings settings;
        CLanterraApp app{&settings.settings};
        std::shared_ptr<CMemoryNetwork> network = std::make_shared<CMemoryNetwork>();

        Fixture()
        {
            app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
            app.OnFileNew();
            network->SetWorkgroupLatency(3000);
            network->AddWorkgroup(QStringLiteral("HOME"), {});
            app.document().SetNetwork(network);
            qputenv("LANTERRA_DATA_DIR", settings.dir.path().toUtf8());
            QDir(settings.dir.path()).mkpath(QStringLiteral("Icons"));
        }
        ~Fixture()
        {
            app.document().HaltScan();
            qunsetenv("LANTERRA_DATA_DIR");
        }
        // A library "Test" with a solid colour per number.
        void WriteLibrary(const std::map<int, quint32> &colours)
        {
            CResourceModuleWriter writer;
            for (const auto &[number, colour] : colours)
                writer.AddIconGroup(number, {ResourceBuilders::SolidBitmap(16, colour)});
            QFile file(settings.dir.filePath(QStringLiteral("Icons/Test.icl")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(writer.Write());
        }
    };

    static QRgb Colour(const QIcon &icon)
    {
        return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32).pixel(8, 8);
    }
    static QRgb Colour(const char *builtIn)
    {
        return Colour(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(builtIn))));
    }

private slots:
    void libraryPicturesByNumber()
    {
        Fixture f;
        f.WriteLibrary({{4, 0xFF000001}, {5, 0xFF000002}, {6, 0xFF000003}, {7, 0xFF000004}, {13, 0xFF000005}});
        f.settings.settings.iconLibrary = QStringLiteral("Test");
        auto frame = std::make_unique<CMainFrame>(&f.app, &f.settings.settings);
        QVERIFY(frame->IconLibrary());
        QCOMPARE(Colour(frame->ToolBar()->Image(0)), 0xFF000004u);
        QCOMPARE(Colour(frame->ToolBar()->Image(9)), 0xFF000005u);
        // Icon 8 is missing: the built-in picture stays.
        QCOMPARE(Colour(frame->ToolBar()->Image(1)), Colour("open"));
        QCOMPARE(Colour(frame->SchemeButton()->icon()), 0xFF000001u);
        QCOMPARE(Colour(frame->RefreshButton()->icon()), 0xFF000002u);

        frame->RouteCommand(Cmd::Refresh);
        QVERIFY(f.app.document().IsScanning());
        QCOMPARE(Colour(frame->RefreshButton()->icon()), 0xFF000003u);
        f.app.document().HaltScan();
        frame->OnIdle();
        QCOMPARE(Colour(frame->RefreshButton()->icon()), 0xFF000002u);
    }

    void switchingLibraries()
    {
        Fixture f;
        auto frame = std::make_unique<CMainFrame>(&f.app, &f.settings.settings);
        QVERIFY(!frame->IconLibrary());
        QCOMPARE(Colour(frame->ToolBar()->Image(0)), Colour("new"));

        f.WriteLibrary({{7, 0xFF0000AA}, {8, 0xFF0000BB}});
        f.settings.settings.iconLibrary = QStringLiteral("Test");
        frame->OnIconLibraryChanged();
        QCOMPARE(Colour(frame->ToolBar()->Image(1)), 0xFF0000BBu);

        // A library lacking 8 leaves the picture that was there.
        f.WriteLibrary({{7, 0xFF0000CC}});
        frame->OnIconLibraryChanged();
        QCOMPARE(Colour(frame->ToolBar()->Image(0)), 0xFF0000CCu);
        QCOMPARE(Colour(frame->ToolBar()->Image(1)), 0xFF0000BBu);

        // A deleted library, or none chosen: the built-in pictures.
        QFile::remove(f.settings.dir.filePath(QStringLiteral("Icons/Test.icl")));
        frame->OnIconLibraryChanged();
        QVERIFY(!frame->IconLibrary());
        QCOMPARE(Colour(frame->ToolBar()->Image(1)), Colour("open"));
        QCOMPARE(Colour(frame->RefreshButton()->icon()), Colour("refresh"));
    }
};

QTEST_MAIN(FramePicturesTest)
#include "tst_framepictures.moc"
