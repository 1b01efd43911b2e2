// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// The fixed part of a version resource (the platform's 52-byte record).
struct FixedFileInfo
{
    quint32 signature = 0;
    quint32 strucVersion = 0;
    quint32 fileVersionMS = 0;
    quint32 fileVersionLS = 0;
    quint32 productVersionMS = 0;
    quint32 productVersionLS = 0;
    quint32 fileFlagsMask = 0;
    quint32 fileFlags = 0;
    quint32 fileOS = 0;
    quint32 fileType = 0;
    quint32 fileSubtype = 0;
    quint32 fileDateMS = 0;
    quint32 fileDateLS = 0;
};

// The version information of an executable: the fixed numbers and the
// twelve standard strings, from the string table that best fits the user's
// language. Windows programs carry it as a version resource, read here from
// the file's bytes; for other programs the desktop entry that launches them
// gives the name, description and icon.
class CVersionInfo
{
public:
    enum Field {
        CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright, OriginalFileName,
        ProductName, ProductVersion, Comments, LegalTrademarks, PrivateBuild, SpecialBuild,
        FieldCount
    };

    CVersionInfo() = default;
    virtual ~CVersionInfo() = default;
    virtual void Reset();

    // Reads the version information of the file; false when it has none.
    bool Create(const QString &path);
    // The same, choosing the string table for `userLanguage` (a Windows
    // language id such as 0x0407) instead of the user's own.
    bool Create(const QString &path, quint16 userLanguage);
    // The version information of the running program's own file.
    bool CreateForProgram();
    // Parses a version resource block (what a module holds under type 16).
    bool CreateFromResource(const QByteArray &block, quint16 userLanguage);

    const FixedFileInfo &fixedInfo() const { return m_fixed; }
    QString field(Field which) const { return m_strings[which]; }
    QString GetCompanyName() const { return m_strings[CompanyName]; }
    QString GetFileDescription() const { return m_strings[FileDescription]; }
    QString GetFileVersion() const { return m_strings[FileVersion]; }
    QString GetInternalName() const { return m_strings[InternalName]; }
    QString GetLegalCopyright() const { return m_strings[LegalCopyright]; }
    QString GetOriginalFileName() const { return m_strings[OriginalFileName]; }
    QString GetProductName() const { return m_strings[ProductName]; }
    QString GetProductVersion() const { return m_strings[ProductVersion]; }
    QString GetComments() const { return m_strings[Comments]; }
    QString GetLegalTrademarks() const { return m_strings[LegalTrademarks]; }
    QString GetPrivateBuild() const { return m_strings[PrivateBuild]; }
    QString GetSpecialBuild() const { return m_strings[SpecialBuild]; }
    // Icon name or path of the desktop entry (programs without a version
    // resource); empty otherwise.
    QString GetIconName() const { return m_iconName; }

    // The key under which a field is looked up ("CompanyName", ...).
    static QString FieldKey(Field which);

private:
    bool createFromDesktopEntry(const QString &path);

    FixedFileInfo m_fixed;
    std::array<QString, FieldCount> m_strings;
    QString m_iconName;
};

// The user's default language as a Windows language id (primary language
// in the low ten bits, sublanguage above), from the system locale; U.S.
// English (0x0409) when the language has no id here.
quint16 UserDefaultLanguageId();
// The same for a locale name such as "de_DE" or "pt_BR".
quint16 LanguageIdForLocale(const QString &localeName);

// Index of the translation the choice rules pick for `userLanguage` among
// entries of (code page << 16 | language); -1 for an empty array.
int ChooseTranslation(const QList<quint32> &translations, quint16 userLanguage);
