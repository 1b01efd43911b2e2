// SPDX-License-Identifier: GPL-3.0-or-later
// Icon libraries read from their bytes: both module formats, icon groups by
// number with the best picture per size, and damaged files that must give
// "no picture" rather than a crash.
#include "platform/fileaccess.h"
#include "settings/detectdefaults.h"
#include "settings/iconlibrary.h"
#include "settings/resourcemodule.h"
#include "settings/versioninfo.h"

#include "resourcebuilders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace ResourceBuilders;
using Picture = CResourceModuleWriter::Picture;

namespace {

const QByteArray FakePng = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, 'p');

// Group 4 with 16 px at 8 and 32 bits and a 32 px picture; group 7 a PNG;
// no group 5.
QByteArray SampleLibrary(bool pe64)
{
    CResourceModuleWriter writer;
    Picture low = SolidBitmap(16, 0xFFFF0000);
    low.bitCount = 8;
    // An 8-bit bitmap header says 8 bits per pixel.
    put16(low.data, 14, 8);
    writer.AddIconGroup(4, {low, SolidBitmap(16, 0xFF00FF00), SolidBitmap(32, 0xFF0000FF)});
    writer.AddIconGroup(7, {{48, 48, 32, FakePng}});
    return writer.Write(pe64);
}

QByteArray SampleNeLibrary()
{
    const Picture small = SolidBitmap(16, 0xFF00FF00);
    const Picture large = SolidBitmap(32, 0xFF0000FF);
    return NeModule({{3, 1, small.data},
                     {3, 2, large.data},
                     {3, 3, FakePng},
                     {14, 4, IconGroup({{small, 1}, {large, 2}})},
                     {14, 6, IconGroup({{{16, 16, 32, FakePng}, 3}})}});
}

void expectSampleGroups(const CIconLibrary &library)
{
    const QList<IconImage> four = library.IconImages(4);
    ASSERT_EQ(four.size(), 2);
    EXPECT_EQ(four[0].width, 16);
    EXPECT_EQ(four[0].bitCount, 32) << "the deepest picture of a size wins";
    EXPECT_FALSE(four[0].png);
    // The bitmap is handed on as a one-picture .ico file.
    EXPECT_TRUE(four[0].file.startsWith(QByteArray("\0\0\1\0\1\0", 6)));
    EXPECT_EQ(four[1].width, 32);
    EXPECT_FALSE(library.HasIcon(5));
}

} // namespace

TEST(IconLibrary, ReadsGroupsOfA32BitModule)
{
    CIconLibrary library;
    ASSERT_TRUE(library.LoadData(SampleLibrary(false)));
    expectSampleGroups(library);
    const QList<IconImage> png = library.IconImages(7);
    ASSERT_EQ(png.size(), 1);
    EXPECT_TRUE(png[0].png);
    EXPECT_EQ(png[0].file, FakePng);
    EXPECT_EQ(library.IconNumbers(), (QList<int>{4, 7}));
}

TEST(IconLibrary, ReadsGroupsOfA64BitModule)
{
    CResourceModule module;
    ASSERT_TRUE(module.Parse(SampleLibrary(true)));
    EXPECT_EQ(module.format(), CResourceModule::PE64);
    CIconLibrary library;
    ASSERT_TRUE(library.LoadData(SampleLibrary(true)));
    expectSampleGroups(library);
}

TEST(IconLibrary, ReadsGroupsOfA16BitModule)
{
    CResourceModule module;
    ASSERT_TRUE(module.Parse(SampleNeLibrary()));
    EXPECT_EQ(module.format(), CResourceModule::NE);
    CIconLibrary library;
    ASSERT_TRUE(library.LoadData(SampleNeLibrary()));
    expectSampleGroups(library);
    const QList<IconImage> png = library.IconImages(6);
    ASSERT_EQ(png.size(), 1);
    EXPECT_TRUE(png[0].png);
    // The stored length is rounded up to the alignment; the PNG keeps its
    // signature and the decoder ignores what follows its end.
    EXPECT_TRUE(png[0].file.startsWith(FakePng));
}

TEST(IconLibrary, EveryTruncationOfAModuleIsSafe)
{
    for (const QByteArray &whole : {SampleLibrary(false), SampleLibrary(true), SampleNeLibrary()}) {
        for (qsizetype length = 0; length < whole.size(); length += 7) {
            CIconLibrary library;
            library.LoadData(whole.left(length));
            for (int number : {4, 5, 6, 7}) {
                for (const IconImage &image : library.IconImages(number)) {
                    EXPECT_GT(image.width, 0);
                    EXPECT_FALSE(image.file.isEmpty());
                }
            }
        }
    }
}

TEST(IconLibrary, FilesThatAreNoModuleAreRefused)
{
    CIconLibrary library;
    EXPECT_FALSE(library.LoadData(QByteArray()));
    EXPECT_FALSE(library.LoadData("just some text, long enough to have a header.........................."));
    QByteArray mzOnly(128, '\0');
    mzOnly[0] = 'M';
    mzOnly[1] = 'Z';
    put32(mzOnly, 0x3C, 0x7FFFFFF0); // header beyond the end
    EXPECT_FALSE(library.LoadData(mzOnly));
    EXPECT_FALSE(library.isLoaded());
    EXPECT_FALSE(library.HasIcon(4));

    // A directory entry pointing at itself must not loop.
    QByteArray looping = SampleLibrary(false);
    const qsizetype root = 0x200;
    put32(looping, root + 16 + 4, 0x80000000u);
    EXPECT_TRUE(library.LoadData(looping));
    EXPECT_FALSE(library.HasIcon(4));
}

TEST(IconLibrary, LibrariesAreFoundInTheIconsFolder)
{
    QTemporaryDir data;
    ASSERT_TRUE(QDir(data.path()).mkpath(QStringLiteral("Icons/folder.icl")));
    for (const char *name : {"Icons/Zeta.icl", "Icons/alpha.icl", "Icons/readme.txt"}) {
        QFile file(data.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(SampleLibrary(false));
    }
    qputenv("LANTERRA_DATA_DIR", data.path().toUtf8());
    EXPECT_EQ(ListIconLibraries(data.filePath(QStringLiteral("Icons"))), (QStringList{"alpha", "Zeta"}));
    EXPECT_EQ(LoadIconLibrary(QString()), nullptr);
    EXPECT_EQ(LoadIconLibrary(QStringLiteral("missing")), nullptr);
    EXPECT_EQ(LoadIconLibrary(QStringLiteral("readme")), nullptr);
    const std::unique_ptr<CIconLibrary> library = LoadIconLibrary(QStringLiteral("Zeta"));
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(library->HasIcon(4));
    qunsetenv("LANTERRA_DATA_DIR");
}

// Crafted modules: each must come back quickly as a library without the
// crafted pictures, whatever the numbers in it promise.
TEST(IconLibrary, CraftedResourceTreesAreWalkedWithinOneBudget)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
    };
    const Case cases[] = {
        // 65,535 entries per level, cubed, before any directory was read once.
        {"a directory that is its own three levels", LoopingModule(65535)},
        {"two directories pointing at each other", LoopingModule(65535, 2)},
        {"three directories in a ring", LoopingModule(30000, 3)},
        // No directory twice, yet more entries than any library has.
        {"wide levels", WideModule(65535, 4)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CResourceModule module;
        EXPECT_TRUE(module.Parse(c.bytes));
        EXPECT_GT(module.walkedEntries(), 0);
        EXPECT_LE(module.walkedEntries(), CResourceModule::maxWalkEntries);
        EXPECT_TRUE(module.Ids(CResourceModule::TypeGroupIcon).isEmpty());
        CIconLibrary library;
        library.LoadData(c.bytes);
        EXPECT_FALSE(library.HasIcon(4));
    }
}

TEST(IconLibrary, APictureNamedUnderManySizesIsTakenOnce)
{
    const Picture small = SolidBitmap(32, 0xFF0000FF);
    struct Case
    {
        const char *name;
        QByteArray picture;
        qsizetype pictures;
    };
    const Case cases[] = {
        {"an icon", small.data, 1},
        // 16 MB: no icon is that large; a copy per size took gigabytes.
        {"a 16 MB picture", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(16 << 20, '\0'), 0},
        {"a PNG saying it is 100000 pixels wide",
         QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\x86\xa0\0\0\0\x20", 24) + QByteArray(64, '\0'), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CIconLibrary library;
        ASSERT_TRUE(library.LoadData(OneIconUnderManySizes(c.picture, 1000)));
        const QList<IconImage> images = library.IconImages(4);
        EXPECT_EQ(images.size(), c.pictures);
        if (!images.isEmpty()) {
            EXPECT_EQ(images[0].width, 1) << "under the first size that names it";
            EXPECT_TRUE(images[0].file.endsWith(c.picture));
        }
    }
}

// A name in the Icons folder, a program picked for browsing: whatever the
// name stands for, reading it neither waits nor fills the memory.
TEST(IconLibrary, OnlyRegularFilesAreRead)
{
    QTemporaryDir dir;
    const QString icons = dir.filePath(QStringLiteral("Icons"));
    ASSERT_TRUE(QDir().mkpath(icons + QStringLiteral("/folder.icl")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(icons + QStringLiteral("/pipe.icl")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), icons + QStringLiteral("/zero.icl")));
    ASSERT_TRUE(QFile::link(icons + QStringLiteral("/pipe.icl"), icons + QStringLiteral("/pipelink.icl")));
    {
        QFile good(icons + QStringLiteral("/good.icl"));
        ASSERT_TRUE(good.open(QIODevice::WriteOnly));
        good.write(SampleLibrary(false));
    }
    qputenv("LANTERRA_DATA_DIR", dir.path().toUtf8());
    for (const char *name : {"folder", "pipe", "zero", "pipelink"}) {
        SCOPED_TRACE(name);
        const QString path = icons + u'/' + QLatin1String(name) + QStringLiteral(".icl");
        CIconLibrary library;
        EXPECT_FALSE(library.Load(path));
        EXPECT_EQ(LoadIconLibrary(QLatin1String(name)), nullptr);
        CVersionInfo version;
        EXPECT_FALSE(version.Create(path));
        const Result<QByteArray> bytes = FileAccess::ReadRegularFile(path, CResourceModule::maxModuleSize);
        EXPECT_FALSE(bytes);
        EXPECT_FALSE(bytes.reason().isEmpty());
    }
    // Neither a first start nor Preferences offers them.
    EXPECT_EQ(ListIconLibraries(icons), QStringList{u"good"_qs});
    EXPECT_EQ(FirstIconLibrary(icons), u"good");
    EXPECT_NE(LoadIconLibrary(QStringLiteral("good")), nullptr);
    qunsetenv("LANTERRA_DATA_DIR");
}
