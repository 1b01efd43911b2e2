// SPDX-License-Identifier: GPL-3.0-or-later
#include "preferencesdlg.h"

#include "platform/paths.h"
#include "settings/iconlibrary.h"
#include "settings/languagetable.h"
#include "settings/settings.h"
#include "settings/versioninfo.h"
#include "ui/commandids.h"
#include "ui/textkeys.h"
#include "ui/toolkit/iconlibraryicons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>

namespace {

const QString PrefsSection = QStringLiteral("Preferences Dialog");

QIcon ProgramIcon()
{
    return QIcon(QStringLiteral(":/icons/lanterra.svg"));
}

// A program's own icon (its desktop entry's, where it has one), else the
// icon of its file type.
QIcon FileIcon(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return QFileIconProvider().icon(QFileIconProvider::File);
    CVersionInfo version;
    if (version.Create(path) && !version.GetIconName().isEmpty()) {
        const QString name = version.GetIconName();
        const QIcon icon = QFileInfo(name).isAbsolute() ? QIcon(name) : QIcon::fromTheme(name);
        if (!icon.isNull())
            return icon;
    }
    return QFileIconProvider().icon(info);
}

// Icon 4 of a library shows it in the list.
QIcon LibraryIcon(const QString &path)
{
    CIconLibrary library;
    QIcon icon;
    if (library.Load(path))
        icon = IconFromLibrary(library, 4);
    return icon.isNull() ? QFileIconProvider().icon(QFileIconProvider::File) : icon;
}

#ifndef Q_OS_WIN
// Folders, and the files that may be run. The file dialog's model, given
// QDir::Executable, lists no file at all (not even in /usr/bin), so the
// chooser filters here.
class ProgramFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetProgramsOnly(bool programsOnly)
    {
        m_programsOnly = programsOnly;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!m_programsOnly || !files)
            return true;
        const QModelIndex index = files->index(row, 0, parent);
        return files->isDir(index) || files->fileInfo(index).isExecutable();
    }

private:
    bool m_programsOnly = true;
};
#endif

} // namespace

CPreferencesDlg::CPreferencesDlg(CSettings *settings, QWidget *parent)
    : CDialogBase(TemplateId, PrefsSection, QStringLiteral("Preferences"), parent),
      m_settings(settings ? settings : CSettings::instance())
{
    iconsFolder = Paths::iconsFolder();
    SetTemplate({225, 275}, false);
    PlaceGroup(IdGeneral, QStringLiteral(" General "), {7, 4, 211, 64});
    Place(IdAutoLoad, new QCheckBox(QStringLiteral("Autoload last saved document"), this), {14, 16, 198, 10});
    Place(IdAutoScan, new QCheckBox(QStringLiteral("Autoscan after document is loaded"), this), {14, 28, 198, 10});
    Place(IdAutoSave, new QCheckBox(QStringLiteral("Autosave after network scan"), this), {14, 40, 198, 10});
    Place(IdAllowSmb1, new QCheckBox(QStringLiteral("List hosts that speak only SMB1 (insecure)"), this),
          {14, 52, 198, 10});
    PlaceGroup(IdDisplay, QStringLiteral(" Display "), {7, 72, 211, 72});
    Place(IdMarkAfter, new QCheckBox(QStringLiteral("Mask shares as unknown after document load"), this),
          {14, 84, 198, 10});
    Place(IdMarkBefore, new QCheckBox(QStringLiteral("Mask shares as unknown before network scan"), this),
          {14, 96, 198, 10});
    Place(IdTaskbar, new QCheckBox(QStringLiteral("Show program on Taskbar"), this), {14, 114, 198, 10});
    Place(IdTray, new QCheckBox(QStringLiteral("Show program in Tray (near Clock)"), this), {14, 126, 198, 10});
    PlaceGroup(IdBrowsing, QStringLiteral(" Browsing "), {7, 148, 211, 46});
    Place(IdProgramLabel, new QLabel(QStringLiteral("Program for share browsing :"), this), {14, 160, 198, 8});
    auto *row = Place(IdProgramRow, new QListWidget(this), {14, 170, 172, 16});
    row->setIconSize(QSize(16, 16));
    row->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    row->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Place(IdProgramButton, new QPushButton(QStringLiteral("&..."), this), {190, 170, 21, 16});
    PlaceGroup(IdInterface, QStringLiteral(" Interface "), {7, 198, 211, 54});
    Place(IdLanguageLabel, new QLabel(QStringLiteral("Language:"), this), {14, 212, 86, 8});
    Place(IdLanguage, new QComboBox(this), {102, 210, 109, 14});
    Place(IdIconLabel, new QLabel(QStringLiteral("Use Icon Library (ICL):"), this), {14, 232, 86, 8});
    Place(IdIconLibrary, new QComboBox(this), {102, 230, 109, 14});
    PlaceButtons({61, 257, 50, 14}, {114, 257, 50, 14}, {168, 257, 50, 14});

    for (int id : {IdAutoLoad, IdAutoScan, IdAutoSave, IdAllowSmb1, IdMarkAfter, IdMarkBefore, IdTaskbar, IdTray})
        connect(ControlAs<QCheckBox>(id), &QCheckBox::clicked, this, [this] { SetModified(); });
    connect(ControlAs<QComboBox>(IdLanguage), &QComboBox::currentIndexChanged, this, &CPreferencesDlg::OnLanguageChange);
    connect(ControlAs<QComboBox>(IdIconLibrary), &QComboBox::currentIndexChanged, this,
            &CPreferencesDlg::OnIconLibraryChange);
    runProgramDialog = [this] {
        CProgramDlg dialog(m_settings, this);
        dialog.exec();
    };
    auto program = [this] {
        runProgramDialog();
        FillProgramRow();
    };
    connect(ControlAs<QPushButton>(IdProgramButton), &QPushButton::clicked, this, program);
    connect(row, &QListWidget::itemDoubleClicked, this, program);
}

QStringList CPreferencesDlg::IconLibraries(const QString &folder)
{
    return ListIconLibraries(folder);
}

void CPreferencesDlg::InitDialog()
{
    if (m_initialised || !m_settings)
        return;
    CSettings &s = *m_settings;
    ControlAs<QCheckBox>(IdAutoLoad)->setChecked(s.autoLoad);
    ControlAs<QCheckBox>(IdAutoScan)->setChecked(s.autoScan);
    ControlAs<QCheckBox>(IdAutoSave)->setChecked(s.autoSave);
    ControlAs<QCheckBox>(IdAllowSmb1)->setChecked(s.allowSmb1);
    ControlAs<QCheckBox>(IdMarkAfter)->setChecked(s.markAfterLoad);
    ControlAs<QCheckBox>(IdMarkBefore)->setChecked(s.markBeforeScan);
    ControlAs<QCheckBox>(IdTaskbar)->setChecked(s.showOnTaskBar);
    ControlAs<QCheckBox>(IdTray)->setChecked(s.showInTray);
    SetBoldFont({IdGeneral, IdDisplay, IdBrowsing, IdInterface});
    TranslateCaptions({IdGeneral, IdAutoLoad, IdAutoScan, IdAutoSave, IdAllowSmb1, IdMarkAfter, IdMarkBefore, IdDisplay,
                       IdTaskbar, IdTray, IdBrowsing, IdProgramLabel, IdInterface, IdLanguageLabel, IdIconLabel, IdOk,
                       IdCancel, IdApply});
    BindLabels({{IdProgramLabel, IdProgramRow}, {IdLanguageLabel, IdLanguage}, {IdIconLabel, IdIconLibrary}});
    NameControls({{IdProgramButton, AccessibleText::ChooseBrowsingProgram, "Choose the program for browsing"}});

    auto *language = ControlAs<QComboBox>(IdLanguage);
    {
        const QSignalBlocker blocker(language);
        // The built-in English comes first, so that the user can go back
        // to it from a language file.
        language->addItem(ProgramIcon(), QStringLiteral("English (Build-In)"), -1);
        for (int i = 0; i < s.languages.size(); ++i) {
            const LanguageRecord &record = s.languages[i];
            const QIcon icon = QFileInfo::exists(record.iconPath) ? QIcon(record.iconPath) : QIcon();
            language->addItem(icon, record.title.isEmpty() ? record.folder : record.title, i);
        }
        language->setCurrentIndex(s.languageIndex >= 0 && s.languageIndex < s.languages.size() ? s.languageIndex + 1 : 0);
    }

    auto *icons = ControlAs<QComboBox>(IdIconLibrary);
    {
        const QSignalBlocker blocker(icons);
        int selected = -1;
        const QStringList libraries = IconLibraries(iconsFolder);
        for (int i = 0; i < libraries.size(); ++i) {
            icons->addItem(LibraryIcon(QDir(iconsFolder).filePath(libraries[i] + QStringLiteral(".icl"))), libraries[i]);
            if (libraries[i] == s.iconLibrary)
                selected = i;
        }
        icons->addItem(ProgramIcon(), LookupText(PrefsSection, BuiltInIconsKey, QStringLiteral("Build-in Icons")));
        icons->setCurrentIndex(s.iconLibrary.isEmpty() || selected < 0 ? icons->count() - 1 : selected);
    }
    FillProgramRow();
    m_initialised = true;
}

void CPreferencesDlg::FillProgramRow()
{
    auto *row = ControlAs<QListWidget>(IdProgramRow);
    row->clear();
    if (m_settings)
        row->addItem(new QListWidgetItem(FileIcon(m_settings->programPath), m_settings->programName));
}

void CPreferencesDlg::OnLanguageChange(int index)
{
    if (!m_settings || m_settings->languages.isEmpty() || index < 0)
        return;
    const int language = ControlAs<QComboBox>(IdLanguage)->itemData(index).toInt();
    // Takes effect at once; the main window hears of it and re-translates.
    setUpdatesEnabled(false);
    if (language < 0)
        SelectBuiltInLanguage(*m_settings);
    else
        SelectLanguage(*m_settings, language);
    RetranslateCaptions();
    auto *icons = ControlAs<QComboBox>(IdIconLibrary);
    icons->setItemText(icons->count() - 1, LookupText(PrefsSection, BuiltInIconsKey, QStringLiteral("Build-in Icons")));
    SetModified();
    setUpdatesEnabled(true);
    update();
}

void CPreferencesDlg::OnIconLibraryChange(int index)
{
    if (!m_settings || index < 0)
        return;
    auto *icons = ControlAs<QComboBox>(IdIconLibrary);
    m_settings->iconLibrary = index == icons->count() - 1 ? QString() : icons->itemText(index);
    emit iconLibraryChanged();
    SetModified();
}

void CPreferencesDlg::OnApply()
{
    if (!m_settings)
        return;
    CSettings &s = *m_settings;
    // The main window toggles these itself, so it can show or hide its
    // taskbar button and tray icon.
    if (ControlAs<QCheckBox>(IdTray)->isChecked() != s.showInTray)
        emit postCommand(Cmd::ShowInTray);
    if (ControlAs<QCheckBox>(IdTaskbar)->isChecked() != s.showOnTaskBar)
        emit postCommand(Cmd::ShowOnTaskbar);
    s.autoLoad = ControlAs<QCheckBox>(IdAutoLoad)->isChecked();
    s.autoSave = ControlAs<QCheckBox>(IdAutoSave)->isChecked();
    s.autoScan = ControlAs<QCheckBox>(IdAutoScan)->isChecked();
    // Taken by the next listing; a running scan's probes of SMB1-only hosts
    // still say so.
    s.allowSmb1 = ControlAs<QCheckBox>(IdAllowSmb1)->isChecked();
    s.markAfterLoad = ControlAs<QCheckBox>(IdMarkAfter)->isChecked();
    s.markBeforeScan = ControlAs<QCheckBox>(IdMarkBefore)->isChecked();
}

// --- Program For Browsing ------------------------------------------------------

CProgramDlg::CProgramDlg(CSettings *settings, QWidget *parent)
    : CDialogBase(TemplateId, QStringLiteral("Program For Browsing"), QStringLiteral("Program For Browsing"), parent),
      m_settings(settings ? settings : CSettings::instance())
{
    if (m_settings) {
        name = m_settings->programName;
        path = m_settings->programPath;
        parameters = m_settings->programParameters;
        browseByDefault = m_settings->browseByDefault;
    }
    SetTemplate({243, 162}, false);
    PlaceGroup(IdGroup, QStringLiteral(" Program for Browsing "), {7, 4, 229, 132});
    Place(IdNameLabel, new QLabel(QStringLiteral("Name:"), this), {14, 17, 200, 8});
    Place(IdName, new QLineEdit(this), {14, 27, 214, 12})->setMaxLength(128);
    Place(IdPathLabel, new QLabel(QStringLiteral("Program to execute :"), this), {14, 45, 190, 8});
    Place(IdPath, new QLineEdit(this), {14, 55, 190, 12})->setMaxLength(512);
    Place(IdBrowse, new QPushButton(QStringLiteral("&>>"), this), {207, 54, 21, 14});
    Place(IdParmLabel, new QLabel(QStringLiteral("Parameters:"), this), {14, 73, 200, 8});
    Place(IdParm, new QLineEdit(this), {14, 83, 214, 12})->setMaxLength(128);
    Place(IdHint, new QLabel(QStringLiteral("Use %s instead of actual path"), this), {14, 98, 214, 8});
    Place(IdDefault, new QCheckBox(QStringLiteral("Use browse as default action"), this), {14, 116, 214, 10});
    PlaceButtons({132, 142, 50, 14}, {186, 142, 50, 14});
    connect(ControlAs<QPushButton>(IdBrowse), &QPushButton::clicked, this, &CProgramDlg::OnBrowse);
    chooseProgram = [this] {
        QFileDialog dialog(this);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
#ifdef Q_OS_WIN
        dialog.setNameFilters({QStringLiteral("Executable File (*.exe)"), QStringLiteral("All Files (*.*)")});
#else
        // Programs here carry no extension: the first filter shows the
        // files that may be run.
        const QString section = QStringLiteral("File Dialogs");
        const QString executables =
            LookupText(section, FileDialogText::ExecutableFiles, QStringLiteral("Executable Files (*)"));
        dialog.setNameFilters(
            {executables, LookupText(section, FileDialogText::AllFiles, QStringLiteral("All Files (*)"))});
        auto *programs = new ProgramFilter(&dialog);
        dialog.setProxyModel(programs);
        connect(&dialog, &QFileDialog::filterSelected, &dialog,
                [programs, executables](const QString &filter) { programs->SetProgramsOnly(filter == executables); });
#endif
        if (!path.isEmpty())
            dialog.setDirectory(QFileInfo(path).absolutePath());
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                      : QString();
    };
}

QString CProgramDlg::ProgramDisplayName(const QString &path)
{
    CVersionInfo version;
    if (!version.Create(path))
        return {};
    const QString product = version.GetProductName();
    return product.isEmpty() ? version.GetInternalName() : product;
}

void CProgramDlg::UpdateData(bool save)
{
    auto *nameEdit = ControlAs<QLineEdit>(IdName);
    auto *pathEdit = ControlAs<QLineEdit>(IdPath);
    auto *parmEdit = ControlAs<QLineEdit>(IdParm);
    auto *box = ControlAs<QCheckBox>(IdDefault);
    if (save) {
        name = nameEdit->text();
        path = pathEdit->text();
        parameters = parmEdit->text();
        browseByDefault = box->isChecked();
    } else {
        nameEdit->setText(name);
        pathEdit->setText(path);
        parmEdit->setText(parameters);
        box->setChecked(browseByDefault);
    }
}

void CProgramDlg::InitDialog()
{
    UpdateData(false);
    TranslateCaptions({IdGroup, IdNameLabel, IdPathLabel, IdParmLabel, IdHint, IdDefault, IdOk, IdCancel});
    SetBoldFont({IdGroup});
    BindLabels({{IdNameLabel, IdName}, {IdPathLabel, IdPath}, {IdParmLabel, IdParm}});
    NameControls({{IdBrowse, AccessibleText::ChooseProgramFile, "Choose the program file"}});
}

void CProgramDlg::OnBrowse()
{
    UpdateData(true);
    const QString chosen = chooseProgram ? chooseProgram() : QString();
    if (chosen.isEmpty())
        return;
    path = chosen;
    name = ProgramDisplayName(chosen);
    UpdateData(false);
}

void CProgramDlg::OnOk()
{
    UpdateData(true);
    if (m_settings) {
        m_settings->programName = name.isEmpty() ? path : name;
        m_settings->programPath = path;
        m_settings->programParameters = parameters;
        m_settings->browseByDefault = browseByDefault;
    }
    accept();
}
