// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keys of the window's own texts in language files, one namespace per
// section. Like the command ids, the numbers are what language files hold,
// so they must not change. Dialogs keep theirs beside their control ids.

// "File Dialogs": the choosers' type filters.
namespace FileDialogText {
enum : int {
    Networks = 0,
    ExecutableFiles = 1,
    AllFiles = 2,
};
}

// "Address ToolBar": the bar's buttons and the quick filter's placeholder.
namespace AddressText {
enum : int {
    SchemeButton = 0,
    Refresh = 1,
    Stop = 2,
    Filter = 20,
    FilterTip = 21,
};
}

// "Rebar Menu": the bands' names.
namespace RebarText {
enum : int {
    AddressBar = 0,
    ToolBar = 1,
};
}

// "Status Bar": the sweep's pane.
namespace StatusBarText {
enum : int {
    SweepAddresses = 0,
    SweepNarrowed = 1,
};
}

// "View messages": what the share list says in its status and over itself.
namespace ViewMessage {
enum : int {
    Searching = 0,
    Ready = 1,
    RefreshHint = 2,
    LoginNeeded = 3,
    LoggingIn = 4,
    LoginRefused = 5,
    LoginNotKept = 6,
    ConfirmMove = 7,
    MovedEntry = 8,
    ReadyFiltered = 20,
    Filtered = 21,
    SharesLeftOut = 30,
    SharesLeftOutHosts = 31,
};
}
