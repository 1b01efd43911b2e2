// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Command ids of menus, buttons and accelerators. Their numbers are also the
// keys of their texts in language files, so they must not change.
namespace Cmd {
enum : int {
    FileNew = 57600,
    FileOpen = 57601,
    FileSave = 57603,
    FileSaveAs = 57604,
    AppExit = 57665,
    ScanOptions = 32826,
    ShareProperties = 32850,
    EditScheme = 32823,
    ShowOffline = 32845,
    EditRefresh = 32828,
    ViewToolBar = 59392,
    ViewAddressBar = 32819,
    ViewStatusBar = 59393,
    LockToolbars = 32821,
    ShowOnTaskbar = 32847,
    ShowInTray = 32848,
    Preferences = 32837,
    HelpContents = 32863,
    HomePage = 32864,
    SendFeedback = 32865,
    About = 32862,
    Refresh = 32771,
    SchemeButton = 32788,
    ListViewButton = 32830,
    ViewTiles = 32834,
    ViewList = 32846,
    ViewDetails = 32836,
    StopScan = 32838,
    FocusSchemes = 32868,
    ApplyScheme = 108,
    // The View menu's Sort By pop-up (the key of its text) and its items.
    ViewSortBy = 32880,
    SortByShare = 32881,
    SortByHost = 32882,
    SortByWorkgroup = 32883,
    SortAscending = 32884,
    SortDescending = 32885,
    CopyWindowsPath = 32886,
    ShareOpen = 32849,
    ShareBrowse = 32853,
    // The framework's own numbers of Edit > Copy and Edit > Find.
    EditCopy = 57634,
    EditFind = 57636,
};
} // namespace Cmd

// Control ids of the frame's bars; the bars' band ids too.
namespace Ctl {
enum : int {
    AddressBar = 59392,
    ToolBar = 59494,
    StatusBar = 59393,
    SchemeBox = 2000,
};
} // namespace Ctl
