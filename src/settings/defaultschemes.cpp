// SPDX-License-Identifier: GPL-3.0-or-later
// The seven schemes a new installation starts with. Names and keywords are
// looked up in the language in use so that a language file can translate
// them (ids 0-6 in "Schemes names"; 10*g, 10*g+1, 10*g+2 in "Schemes values").
#include "languagetable.h"
#include "settings.h"

#include <array>

namespace {

struct DefaultGroup
{
    const char16_t *name;
    const char16_t *include;
};

constexpr std::array<DefaultGroup, 12> Groups = {{
    {u"Music", u"musi; muz; mp3; sound"},
    {u"Films", u"film; cinema"},
    {u"Clips", u"clip; klip"},
    {u"Video", u"video"},
    {u"Animation", u"anime; cartoon; flash"},
    {u"Installs", u"inst; dist; prog; soft"},
    {u"Games", u"game"},
    {u"Share", u"incom; share; load"},
    {u"Texts", u"lib; book; text; doc"},
    {u"Images", u"image; pict; photo"},
    {u"System", u"vphome; vplogon; netlogon; sysvol"},
    {u"Other", u"*"},
}};

struct DefaultScheme
{
    const char16_t *name;
    std::array<int, 12> visible;
};

constexpr std::array<DefaultScheme, 7> Schemes = {{
    {u"All resources", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {u"Video resources", {0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}},
    {u"Music resources", {1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {u"Install and software", {0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0}},
    {u"Photo and Images", {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}},
    {u"Texts and books", {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}},
    {u"All hosts", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
}};

} // namespace

void CSettings::BuildDefaultSchemes()
{
    const QString namesSection = QStringLiteral("Schemes names");
    const QString valuesSection = QStringLiteral("Schemes values");
    for (int s = 0; s < int(Schemes.size()); ++s) {
        const int index = AddScheme(LookupText(namesSection, s, QString::fromUtf16(Schemes[s].name)));
        ShareScheme &scheme = *schemes[index];
        for (int g = 1; g <= int(Groups.size()); ++g) {
            ShareGroup group;
            group.name = LookupText(valuesSection, 10 * g, QString::fromUtf16(Groups[g - 1].name));
            group.visible = Schemes[s].visible[g - 1];
            group.includeKeywords = SplitKeywords(LookupText(valuesSection, 10 * g + 1, QString::fromUtf16(Groups[g - 1].include)));
            group.excludeKeywords = SplitKeywords(LookupText(valuesSection, 10 * g + 2, QString()));
            group.includeFilter = JoinKeywords(group.includeKeywords);
            group.excludeFilter = JoinKeywords(group.excludeKeywords);
            scheme.groups.append(std::move(group));
        }
    }
    schemes.back()->groupByHost = 1;
}
