// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the document tells its views.
enum ViewHint : int {
    HintNewDocument = 0,  // a new document has been set up
    HintDocumentLoad = 1, // a document is about to be loaded (the old one is gone)
    HintScanStarted = 2,
    HintScanStopped = 3,
};

// A view of the document. Hints are sent on the user-interface thread; between
// hints the view polls the document's read operations.
class DocumentView
{
public:
    virtual ~DocumentView() = default;
    virtual void OnDocumentUpdate(ViewHint hint) = 0;
};
