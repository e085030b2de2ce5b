#pragma once

// What a document window needs from the frame it lives in. The main window implements it; the
// document window never sees the frame's own class, so the dependencies keep pointing down.

#include "document/SharedControls.h"

#include <QPoint>
#include <QString>

namespace quarbel::platform {
class Printer;
}

namespace quarbel::panes {

class DocumentWindow;

class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    // The menus, toolbar buttons and sliders that every document shares.
    virtual document::SharedControls& sharedControls() = 0;

    // Status bar panel 1..5.
    virtual void setStatusPanelText(int panel, const QString& text) = 0;

    // Puts the frame into the no-document state.
    virtual void ResetMenus() = 0;

    // Document windows that are open and not on their way out.
    virtual int openDocumentCount() const = 0;

    // The window whose document file is path (also through "..", a linked folder or a hard link), or
    // null.
    virtual DocumentWindow* windowOfDocument(const QString& path) = 0;

    // True while the shared controls show this window's state (it is the active document).
    virtual bool isCurrent(const DocumentWindow& form) const = 0;

    // Brings the window to the front and makes its state the one the shared controls show and
    // change, first writing the previous window's state into that window's own file. Commands and
    // the close question act through the shared controls, so they call this when they run on a
    // window that is not current.
    virtual void makeCurrent(DocumentWindow& form) = 0;

    // While a conversion runs or is paused, only its own document window may be used.
    virtual void lockOtherDocuments(const DocumentWindow& form) = 0;
    // Every document window usable again.
    virtual void unlockDocuments() = 0;

    // Writes what the frame still holds back for the active document's file (slider moves are
    // written in batches), so that a reader of the file finds it current.
    virtual void flushStateWrites() {}

    // The printer for the Print command; null when the frame has none.
    virtual platform::Printer* printer() { return nullptr; }

    // Shows the Edit menu as a pop-up at globalPos (a right click on a pane); a frame without
    // an Edit menu shows nothing.
    virtual void popupEditMenu(const QPoint& globalPos) { (void)globalPos; }
};

} // namespace quarbel::panes
