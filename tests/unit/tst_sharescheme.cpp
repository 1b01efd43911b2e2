// SPDX-License-Identifier: GPL-3.0-or-later
// Share schemes: classification, keyword lists, the scheme list and the
// schemes' XML form.
#include "settings/languagetable.h"
#include "settings/settings.h"
#include "settings/sharescheme.h"
#include "xml/xmlmapping.h"
#include "xml/xmlreader.h"
#include "xml/xmlwriter.h"

#include <gtest/gtest.h>

namespace {

class DefaultSchemes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LanguageTable().Clear();
        settings.BuildDefaultSchemes();
        LanguageTable().Clear();
    }

    QString groupOf(int scheme, const QString &share) const
    {
        const ShareScheme *s = settings.GetScheme(scheme);
        const int g = ClassifyShare(*s, share);
        return g < 0 ? QStringLiteral("-") : s->groups[g].name;
    }

    CSettings settings;
};

ShareGroup makeGroup(const QString &name, const QString &include, const QString &exclude = {})
{
    ShareGroup g;
    g.name = name;
    g.visible = 1;
    g.includeKeywords = SplitKeywords(include);
    g.excludeKeywords = SplitKeywords(exclude);
    return g;
}

} // namespace

TEST_F(DefaultSchemes, ClassifiesByFirstMatchingGroup)
{
    EXPECT_EQ(groupOf(0, u"MP3"_qs), u"Music");
    EXPECT_EQ(groupOf(0, u"Films and clips"_qs), u"Films");
    EXPECT_EQ(groupOf(0, u"C$"_qs), u"Other");
    EXPECT_EQ(groupOf(0, u"NETLOGON"_qs), u"System");
    EXPECT_EQ(groupOf(0, u"Downloads"_qs), u"Share");
    EXPECT_EQ(groupOf(0, u"Programs"_qs), u"Installs");
    EXPECT_EQ(groupOf(0, u"music videos"_qs), u"Music");
    // Visibility plays no part: in "Video resources" the share still lands in
    // the hidden Music group.
    const ShareScheme &video = *settings.GetScheme(1);
    const int g = ClassifyShare(video, u"music videos");
    EXPECT_EQ(video.groups[g].name, u"Music");
    EXPECT_EQ(video.groups[g].visible, 0);
}

TEST(ClassifyShare, ExcludeKeywordsAndFallback)
{
    ShareScheme scheme;
    scheme.groups << makeGroup(u"Music"_qs, u"mus; tune"_qs, u"video"_qs)
                  << makeGroup(u"Video"_qs, u"video"_qs)
                  << makeGroup(u"Tunes"_qs, u"tune"_qs);
    // Excluded from Music, then taken by the next group that matches.
    EXPECT_EQ(ClassifyShare(scheme, u"Music Video"), 1);
    // Exclusion is per group: Music's exclude keyword keeps "tune" shares
    // with "video" out of Music too, and Video takes them.
    EXPECT_EQ(ClassifyShare(scheme, u"tune video"), 1);
    EXPECT_EQ(ClassifyShare(scheme, u"TUNES"), 0);
    // No "*" anywhere: unmatched names belong to no group.
    EXPECT_EQ(ClassifyShare(scheme, u"docs"), -1);

    // The last group holding "*" is the fallback; "*" also matches by
    // substring a name that contains an asterisk.
    scheme.groups << makeGroup(u"Rest1"_qs, u"*"_qs) << makeGroup(u"Rest2"_qs, u"zzz; *"_qs);
    EXPECT_EQ(ClassifyShare(scheme, u"docs"), 4);
    EXPECT_EQ(ClassifyShare(scheme, u"a*b"), 3);

    // An excluded group still registers as the fallback.
    ShareScheme fallbackExcluded;
    fallbackExcluded.groups << makeGroup(u"All"_qs, u"*"_qs, u"x"_qs);
    EXPECT_EQ(ClassifyShare(fallbackExcluded, u"x*"), 0);
}

TEST(ClassifyShare, EmptyKeywordsMatchEverything)
{
    ShareScheme scheme;
    scheme.groups << makeGroup(u"Music"_qs, u"mp3; "_qs) << makeGroup(u"Other"_qs, u"*"_qs);
    EXPECT_EQ(ClassifyShare(scheme, u"anything"), 0);
    scheme.groups[0] = makeGroup(u"Music"_qs, u"mp3"_qs, u"x; "_qs);
    EXPECT_EQ(ClassifyShare(scheme, u"mp3"), 1);
}

TEST(Keywords, SplitAndJoin)
{
    const QStringList four = {u"musi"_qs, u"muz"_qs, u"mp3"_qs, u"sound"_qs};
    EXPECT_EQ(SplitKeywords(u"musi; muz; mp3; sound"_qs), four);
    EXPECT_EQ(JoinKeywords(four), u"musi; muz; mp3; sound");
    EXPECT_EQ(SplitKeywords(u"musi;muz"_qs), QStringList{u"musi;muz"_qs});
    EXPECT_TRUE(SplitKeywords(QString()).isEmpty());
    EXPECT_EQ(JoinKeywords({}), QString());
    EXPECT_EQ(SplitKeywords(u"a; ; b"_qs), (QStringList{u"a"_qs, QString(), u"b"_qs}));
    EXPECT_EQ(SplitKeywords(u"a; "_qs), (QStringList{u"a"_qs, QString()}));
    EXPECT_EQ(SplitKeywords(u"; "_qs), (QStringList{QString(), QString()}));
    EXPECT_EQ(SplitKeywords(u" a ;  b"_qs), (QStringList{u" a "_qs, u" b"_qs}));
    EXPECT_EQ(SplitKeywords(u"a|b|"_qs, u"|"), (QStringList{u"a"_qs, u"b"_qs, QString()}));
    EXPECT_EQ(JoinKeywords(SplitKeywords(u"a; ; b; "_qs)), u"a; ; b; ");
}

TEST(SchemeList, AddGetRemoveDuplicate)
{
    CSettings settings;
    EXPECT_EQ(settings.AddScheme(u"first"_qs), 0);
    EXPECT_EQ(settings.AddScheme(u"second"_qs), 1);
    const ShareScheme &added = *settings.GetScheme(1);
    EXPECT_EQ(added.groupByHost, 0);
    EXPECT_EQ(added.placeOnlineFirst, 1);
    EXPECT_EQ(added.showHiddenShares, 0);
    EXPECT_EQ(added.hideDiskShares, 1);
    EXPECT_TRUE(added.groups.isEmpty());
    EXPECT_EQ(settings.GetScheme(2), nullptr);
    EXPECT_EQ(settings.GetScheme(-1), nullptr);

    EXPECT_TRUE(settings.SchemeExists(u"second"_qs));
    EXPECT_FALSE(settings.SchemeExists(u"Second"_qs));

    ShareScheme &source = *settings.GetScheme(0);
    source.groupByHost = 1;
    source.placeOnlineFirst = 0;
    source.showHiddenShares = 1;
    source.hideDiskShares = 0;
    source.groups << makeGroup(u"G"_qs, u"a; b"_qs, u"c"_qs);
    ShareScheme *copy = settings.DuplicateScheme(0, u"copy"_qs);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(settings.GetSchemeCount(), 3);
    EXPECT_EQ(settings.GetScheme(2), copy);
    EXPECT_EQ(copy->name, u"copy");
    EXPECT_EQ(source.name, u"first");
    EXPECT_EQ(copy->groupByHost, 1);
    EXPECT_EQ(copy->placeOnlineFirst, 0);
    EXPECT_EQ(copy->showHiddenShares, 1);
    EXPECT_EQ(copy->hideDiskShares, 0);
    ASSERT_EQ(copy->groups.size(), 1);
    EXPECT_EQ(copy->groups[0].includeKeywords, (QStringList{u"a"_qs, u"b"_qs}));
    EXPECT_EQ(copy->groups[0].excludeKeywords, QStringList{u"c"_qs});
    // A deep copy: editing the copy leaves the original alone.
    copy->groups[0].includeKeywords << u"d"_qs;
    EXPECT_EQ(source.groups[0].includeKeywords.size(), 2);
    EXPECT_EQ(settings.DuplicateScheme(7, u"x"_qs), nullptr);
    EXPECT_EQ(settings.GetSchemeCount(), 3);

    std::unique_ptr<ShareScheme> removed = settings.RemoveScheme(0);
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->name, u"first");
    EXPECT_EQ(settings.GetSchemeCount(), 2);
    EXPECT_EQ(settings.GetScheme(0)->name, u"second");
    EXPECT_EQ(settings.GetScheme(1), copy);
    EXPECT_FALSE(settings.RemoveScheme(2));
}

TEST(SchemeDefaults, LanguageRenamesOnlyWhatItDefines)
{
    LanguageTable().Clear();
    LanguageTable().LookupText(u"Schemes names"_qs, 3, u"Programme"_qs);
    LanguageTable().LookupText(u"Schemes values"_qs, 20, u"Filme"_qs);
    LanguageTable().LookupText(u"Schemes values"_qs, 21, u"film; kino"_qs);
    LanguageTable().LookupText(u"Schemes values"_qs, 122, u"tmp"_qs);
    CSettings settings;
    settings.BuildDefaultSchemes();
    LanguageTable().Clear();

    ASSERT_EQ(settings.GetSchemeCount(), 7);
    EXPECT_EQ(settings.GetScheme(2)->name, u"Music resources");
    EXPECT_EQ(settings.GetScheme(3)->name, u"Programme");
    EXPECT_EQ(settings.GetScheme(4)->name, u"Photo and Images");
    for (int s = 0; s < 7; ++s) {
        const ShareScheme &scheme = *settings.GetScheme(s);
        EXPECT_EQ(scheme.groups[0].name, u"Music");
        EXPECT_EQ(scheme.groups[1].name, u"Filme");
        EXPECT_EQ(scheme.groups[1].includeKeywords, (QStringList{u"film"_qs, u"kino"_qs}));
        EXPECT_EQ(scheme.groups[11].excludeKeywords, QStringList{u"tmp"_qs});
    }
}

namespace {

QString writeSchemes(std::vector<std::unique_ptr<ShareScheme>> &schemes)
{
    CXmlMapperRef writer(new CXmlWriter);
    writer->Token(u"<schemes>");
    writer->Token(u"<scheme>");
    MapList(*writer, schemes, MapScheme);
    writer->Token(u"</scheme>");
    writer->Token(u"</schemes>");
    QStringView out;
    writer->Text(out);
    return out.toString();
}

std::vector<std::unique_ptr<ShareScheme>> readSchemes(const QString &text)
{
    std::vector<std::unique_ptr<ShareScheme>> schemes;
    CXmlMapperRef reader(new CXmlReader);
    QStringView view = text;
    reader->Text(view);
    reader->Token(u"<schemes>");
    reader->Token(u"<scheme>");
    MapList(*reader, schemes, MapScheme);
    reader->Token(u"</scheme>");
    reader->Token(u"</schemes>");
    return schemes;
}

} // namespace

TEST(SchemeMapping, WrittenForm)
{
    std::vector<std::unique_ptr<ShareScheme>> schemes;
    schemes.push_back(std::make_unique<ShareScheme>());
    schemes[0]->name = u"All resources"_qs;
    ShareGroup music = makeGroup(u"Music"_qs, u"musi; muz; mp3; sound"_qs);
    music.includeFilter = u"stale"_qs; // rebuilt from the keywords on writing
    schemes[0]->groups << music;

    const QStringList expected = {
        u"<schemes>"_qs,
        u" <scheme name=\"All resources\">"_qs,
        u"  <options groupByHost=\"0\" placeOnlineFirst=\"1\" showHiddenShares=\"0\" hideDiskShares=\"1\" />"_qs,
        u"  <groups>"_qs,
        u"   <group name=\"Music\" visible=\"1\">"_qs,
        u"    <include filter=\"musi; muz; mp3; sound\" />"_qs,
        u"    <exclude filter=\"\" />"_qs,
        u"   </group>"_qs,
        u"  </groups>"_qs,
        u" </scheme>"_qs,
        u"</schemes>"_qs,
    };
    const QString text = writeSchemes(schemes);
    EXPECT_EQ(text.split(u"\r\n"_qs), expected);

    const auto read = readSchemes(text);
    ASSERT_EQ(read.size(), 1u);
    ASSERT_EQ(read[0]->groups.size(), 1);
    EXPECT_EQ(read[0]->groups[0].includeFilter, u"musi; muz; mp3; sound");
    EXPECT_EQ(read[0]->groups[0].includeKeywords.size(), 4);
    EXPECT_TRUE(read[0]->groups[0].excludeKeywords.isEmpty());
}
