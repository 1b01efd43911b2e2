// SPDX-License-Identifier: GPL-3.0-or-later
#include "versioninfo.h"

#include "desktopentry.h"
#include "resourcemodule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QtEndian>

namespace {

constexpr int fixedInfoSize = 52;
constexpr int maxDepth = 8;

// One node of the version resource tree, as the platform's query walks it:
// length, value length, type (1 text, 0 binary), key, value, children; each
// part aligned to 4 bytes from the start of the block.
struct Node
{
    qsizetype start = 0;
    qsizetype end = 0;
    QString key;
    qsizetype valueAt = 0;
    qsizetype valueBytes = 0;
    bool text = false;
    qsizetype childrenAt = 0;
};

class Tree
{
public:
    explicit Tree(const QByteArray &block) : m_block(block) {}

    bool node(qsizetype at, qsizetype limit, Node &out) const
    {
        if (at < 0 || at + 6 > limit)
            return false;
        const qsizetype length = u16(at);
        if (length < 6 || at + length > limit)
            return false;
        out.start = at;
        out.end = at + length;
        const qsizetype valueLength = u16(at + 2);
        out.text = u16(at + 4) == 1;
        qsizetype p = at + 6;
        out.key.clear();
        while (p + 2 <= out.end && u16(p) != 0) {
            out.key += QChar(u16(p));
            p += 2;
        }
        p = align(p + 2);
        out.valueAt = qMin(p, out.end);
        // Text values count characters; some writers count bytes, so the
        // value is also cut at the node's end and at its first NUL.
        out.valueBytes = qMin<qsizetype>(out.text ? valueLength * 2 : valueLength, out.end - out.valueAt);
        out.childrenAt = align(out.valueAt + out.valueBytes);
        return true;
    }

    // The node at the end of a path of keys ("StringFileInfo", "040904B0",
    // "CompanyName"), compared without regard to case; false when missing.
    bool find(const QStringList &path, Node &found) const
    {
        Node current;
        if (!node(0, m_block.size(), current))
            return false;
        for (qsizetype level = 0; level < path.size() && level < maxDepth; ++level) {
            bool matched = false;
            for (qsizetype at = current.childrenAt; at < current.end;) {
                Node child;
                if (!node(at, current.end, child))
                    break;
                if (child.key.compare(path[level], Qt::CaseInsensitive) == 0) {
                    current = child;
                    matched = true;
                    break;
                }
                at = align(child.end);
            }
            if (!matched)
                return false;
        }
        found = current;
        return true;
    }

    QByteArray value(const Node &n) const { return m_block.mid(n.valueAt, n.valueBytes); }

    QString text(const Node &n) const
    {
        QString result;
        for (qsizetype p = n.valueAt; p + 2 <= n.valueAt + n.valueBytes; p += 2) {
            const quint16 c = u16(p);
            if (c == 0)
                break;
            result += QChar(c);
        }
        return result;
    }

private:
    static qsizetype align(qsizetype at) { return (at + 3) & ~qsizetype(3); }
    quint16 u16(qsizetype at) const
    {
        return at >= 0 && at + 2 <= m_block.size() ? qFromLittleEndian<quint16>(m_block.constData() + at) : 0;
    }
    const QByteArray &m_block;
};

struct LanguageCode
{
    const char *code;
    quint16 primary;
};

// Primary language ids of the platform, by ISO 639-1 code.
constexpr LanguageCode primaryLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06}, {"de", 0x07},
    {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C}, {"he", 0x0D}, {"hu", 0x0E},
    {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14},
    {"nn", 0x14}, {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sr", 0x1A},
    {"sk", 0x1B}, {"sq", 0x1C}, {"sv", 0x1D}, {"th", 0x1E}, {"tr", 0x1F}, {"ur", 0x20}, {"id", 0x21},
    {"uk", 0x22}, {"be", 0x23}, {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27}, {"fa", 0x29},
    {"vi", 0x2A}, {"hy", 0x2B}, {"eu", 0x2D}, {"mk", 0x2F}, {"af", 0x36}, {"ka", 0x37}, {"hi", 0x39},
    {"ms", 0x3E}, {"kk", 0x3F}, {"gl", 0x56},
};

// Sublanguages other than the default (1) for the common country variants.
struct Variant
{
    const char *locale;
    quint16 id;
};
constexpr Variant variants[] = {
    {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409}, {"en_IE", 0x1809},
    {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C},
    {"es_MX", 0x080A}, {"it_CH", 0x0810}, {"nl_BE", 0x0813}, {"pt_PT", 0x0816}, {"zh_CN", 0x0804},
    {"zh_SG", 0x1004}, {"zh_HK", 0x0C04}, {"sv_FI", 0x081D}, {"nn_NO", 0x0814}, {"sr_RS", 0x0C1A},
};

// The locale the user asked for, without changing the program's own.
QString userLocaleName()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return QLocale::system().name();
}

} // namespace

quint16 LanguageIdForLocale(const QString &localeName)
{
    const QString name = localeName.section(u'.', 0, 0).section(u'@', 0, 0).replace(u'-', u'_');
    for (const Variant &v : variants)
        if (name.compare(QLatin1String(v.locale), Qt::CaseInsensitive) == 0)
            return v.id;
    const QString language = name.section(u'_', 0, 0).toLower();
    for (const LanguageCode &l : primaryLanguages)
        if (language == QLatin1String(l.code))
            return quint16(0x0400 | l.primary);
    return 0x0409;
}

quint16 UserDefaultLanguageId()
{
    QString name = userLocaleName();
    if (name == u"C" || name.startsWith(u"C.") || name == u"POSIX")
        name = QLocale::system().name();
    return LanguageIdForLocale(name);
}

int ChooseTranslation(const QList<quint32> &translations, quint16 userLanguage)
{
    if (translations.isEmpty())
        return -1;
    auto language = [&](int i) { return quint16(translations[i] & 0xFFFF); };
    auto firstWhere = [&](auto &&fits) {
        for (int i = 0; i < translations.size(); ++i)
            if (fits(language(i)))
                return i;
        return -1;
    };
    const quint16 primary = userLanguage & 0xFF;
    const int rules[] = {
        firstWhere([&](quint16 l) { return l == userLanguage; }),
        firstWhere([&](quint16 l) { return (l & 0xFF) == primary; }),
        firstWhere([](quint16 l) { return l == 0; }),
        firstWhere([](quint16 l) { return (l & 0xFF) == 0; }),
        firstWhere([](quint16 l) { return l == 9; }),
        firstWhere([](quint16 l) { return (l & 0xFF) == 9; }),
    };
    for (int found : rules)
        if (found >= 0)
            return found;
    return 0;
}

QString CVersionInfo::FieldKey(Field which)
{
    static const char *const keys[FieldCount] = {
        "CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright", "OriginalFileName",
        "ProductName", "ProductVersion", "Comments", "LegalTrademarks", "PrivateBuild", "SpecialBuild",
    };
    return QLatin1String(keys[which]);
}

void CVersionInfo::Reset()
{
    m_fixed = {};
    for (QString &s : m_strings)
        s.clear();
    m_iconName.clear();
}

bool CVersionInfo::Create(const QString &path)
{
    return Create(path, UserDefaultLanguageId());
}

bool CVersionInfo::Create(const QString &path, quint16 userLanguage)
{
    Reset();
    CResourceModule module;
    if (module.Load(path)) {
        const QList<int> ids = module.Ids(CResourceModule::TypeVersion);
        if (ids.isEmpty())
            return false;
        return CreateFromResource(module.Find(CResourceModule::TypeVersion, ids.first()), userLanguage);
    }
    return createFromDesktopEntry(path);
}

bool CVersionInfo::CreateForProgram()
{
    return Create(QCoreApplication::applicationFilePath());
}

bool CVersionInfo::CreateFromResource(const QByteArray &block, quint16 userLanguage)
{
    Reset();
    const Tree tree(block);
    Node root;
    if (!tree.find({}, root))
        return false;
    if (root.valueBytes == fixedInfoSize) {
        const QByteArray fixed = tree.value(root);
        static_assert(sizeof(FixedFileInfo) == fixedInfoSize);
        std::array<quint32, fixedInfoSize / 4> fields;
        for (size_t i = 0; i < fields.size(); ++i)
            fields[i] = qFromLittleEndian<quint32>(fixed.constData() + i * 4);
        const auto &f = fields;
        m_fixed = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], f[12]};
    }

    Node translation;
    if (!tree.find({QStringLiteral("VarFileInfo"), QStringLiteral("Translation")}, translation))
        return true;
    const QByteArray array = tree.value(translation);
    QList<quint32> entries;
    for (qsizetype at = 0; at + 4 <= array.size(); at += 4)
        entries.append(qFromLittleEndian<quint32>(array.constData() + at));
    const int chosen = ChooseTranslation(entries, userLanguage);
    if (chosen < 0)
        return true;
    const QString table = QStringLiteral("%1%2")
                              .arg(entries[chosen] & 0xFFFF, 4, 16, QLatin1Char('0'))
                              .arg(entries[chosen] >> 16, 4, 16, QLatin1Char('0'))
                              .toUpper();
    for (int i = 0; i < FieldCount; ++i) {
        Node string;
        if (tree.find({QStringLiteral("StringFileInfo"), table, FieldKey(Field(i))}, string))
            m_strings[i] = tree.text(string);
    }
    return true;
}

bool CVersionInfo::createFromDesktopEntry(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile() || !file.isExecutable())
        return false;
    const std::optional<DesktopEntry> entry = DesktopEntryForProgram(file.absoluteFilePath());
    if (!entry)
        return false;
    const QString locale = userLocaleName();
    m_strings[ProductName] = entry->localizedValue(QStringLiteral("Name"), locale);
    m_strings[FileDescription] = entry->localizedValue(QStringLiteral("Comment"), locale);
    if (m_strings[FileDescription].isEmpty())
        m_strings[FileDescription] = entry->localizedValue(QStringLiteral("GenericName"), locale);
    m_strings[InternalName] = file.fileName();
    m_strings[OriginalFileName] = file.fileName();
    m_iconName = entry->value(QStringLiteral("Icon"));
    return true;
}
