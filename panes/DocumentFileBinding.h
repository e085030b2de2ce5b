#pragma once

// A document window's binding to its document file: Save and Save As of the document (the pictures
// that exist in no file go beside it first, then the keys into the document file and the working
// file), and the save of a pane's picture. The window's working file is its live state; the document
// file changes here only.

#include "document/AppState.h"
#include "document/DocumentState.h"
#include "panes/DocumentWindow.h"
#include "panes/WindowServices.h"

#include <QString>

namespace quarbel::platform {
class Dialogs;
}

namespace quarbel::panes {

class DocumentHost;

class DocumentFileBinding {
public:
    // What a save works on besides the window's services: the form also gives the caption and the
    // panes, and whether a run is drawing the Stereo one.
    struct Window : WindowServices {
        HiddenLabels& labels; // the document file, the working file, the proposed name
        WindowFlags& flags;   // SaveFailed
    };

    explicit DocumentFileBinding(Window window);
    DocumentFileBinding(const DocumentFileBinding&) = delete;
    DocumentFileBinding& operator=(const DocumentFileBinding&) = delete;

    // Saves the document under a name chosen by the user and binds the window to it; the outcome is
    // left in SaveFailed.
    void saveAs();
    // Saves into the document file, or asks for a name when there is none.
    void save();
    // The pictures that exist in no file first, then the keys into the document file and the working
    // file. False when the user cancelled or a write failed (the user has been told).
    bool writeDocument(const QString& documentPath);
    // Saves a pane's picture into a BMP or PNG file the user chooses.
    void savePaneImage(DocumentWindow::PaneId pane);

private:
    bool storeUnfiledPictures(const QString& documentPath);
    // Writes the document's state into path.
    bool writeStateTo(const QString& path);
    // True, after telling the user, when path is a file a save must not replace: one of the
    // program's own files, or a document open in a window (this window's own only when
    // ownDocumentAllowed is false).
    bool refuseProtectedTarget(const QString& path, bool ownDocumentAllowed);
    // bytesNeeded: the size of what was being written, when it is more than a document's few lines.
    void reportSaveFailure(const QString& path, qint64 bytesNeeded = 0);

    Window m_window;
};

} // namespace quarbel::panes
