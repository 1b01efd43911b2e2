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
    LoginEntry = 30,
    LoginEntries = 31,
    NothingFound = 32,
    NothingFoundHint = 33,
    LoginNotKeptWhy = 34,
    NoSecretStore = 35,
    NoDefaultKeyring = 36,
    KeyringLocked = 37,
    SecretStoreSaid = 38,
    Smb1Entry = 40,
    Smb1Hint = 41,
    Smb1Question = 42,
    Smb1Listing = 43,
    OpenFailed = 50,
    BrowseFailed = 51,
    NoBrowsingProgram = 52,
    OpenLinkFailed = 53,
    SharesLeftOut = 60,
    SharesLeftOutHosts = 61,
};
}

// "Accessible Names": what screen readers call the parts of the window and
// its dialogs that show no words of their own, and the states the list
// shows only as pictures. The states are numbered as the list's pictures.
namespace AccessibleText {
enum : int {
    WindowMenu = 0,
    StateUnknown = 10,
    StateOffline = 11,
    StateOnline = 12,
    StateLoginNeeded = 13,
    ChooseWorkgroups = 20,
    ChooseHosts = 21,
    ChooseExcludedHosts = 22,
    ChooseExcludedWorkgroups = 23,
    MoveGroupUp = 30,
    MoveGroupDown = 31,
    ChooseBrowsingProgram = 40,
    ChooseProgramFile = 41,
};
}
