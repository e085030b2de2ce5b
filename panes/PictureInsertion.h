#pragma once

// Pictures into a document window's Design, Field and Stereo panes: from a file the user picks, from
// the clipboard, from the paths an opened document names, or from a grey depth map read through
// DepthMapDialog. Every insertion ends the same way: the width check, the pane and its back buffer,
// the menus, and the document's state written into its file.

#include "document/AppState.h"
#include "document/DocumentState.h"
#include "document/Tags.h"
#include "panes/WindowServices.h"
#include "platform/Picture.h"

#include <QImage>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class QWidget;

namespace quarbel::platform {
class Dialogs;
}

namespace quarbel::panes {

class DocumentHost;
class DocumentWindow;
class PictureView;

class PictureInsertion {
public:
    // What an insertion works on besides the window's services: the form also gives the Stereo size
    // for the status bar.
    struct Window : WindowServices {
        std::array<PictureView*, 3> views; // Design, Field, Stereo
        QImage& design;                    // the back buffers the converters read
        QImage& field;
        // Leaves no pane chosen for the Edit commands.
        std::function<void()> forgetEditTarget;
        // The Edit entries as the chosen pane (if any) now allows.
        std::function<void()> updateChosenPaneEntries;
    };

    explicit PictureInsertion(Window window);
    PictureInsertion(const PictureInsertion&) = delete;
    PictureInsertion& operator=(const PictureInsertion&) = delete;

    // The three insert procedures; a source that is not theirs brings nothing new.
    void insertDesign(document::PicSource source);
    void insertField(document::PicSource source);
    void insertStereo(document::PicSource source);
    // The pictures an opened document names, in the fixed order its code's letters give ("DFS", ...).
    void insertOpened(const QString& openPicCode);
    // A grey depth map the user picks, made into the Design picture.
    void insertDepthMap();
    // Puts a picture into the Design pane as Paste does: a picture in no file, which a save writes
    // beside the document.
    void placeUnfiledDesign(const QImage& picture);

    // What loadReported gave: the picture, or why there is none.
    struct LoadedPicture {
        std::optional<QImage> picture;
        // No picture, and the user has been told (a missing file, drive or folder, a limit), so a
        // caller may carry on with its next step.
        bool reported = false;
        // No picture: wider than the caller's limit, found from the header; nothing was told, the
        // caller has its own message.
        bool tooWide = false;
    };
    // Loads path; maxWidth (0: none) refuses a wider picture from its header, undecoded.
    LoadedPicture loadReported(const QString& path, int maxWidth = 0);

private:
    struct Procedure;
    static const Procedure& procedure(std::size_t pane);
    void insertPicture(const Procedure& procedure, document::PicSource source);
    void acceptPicture(const Procedure& procedure, const QImage& picture, const QString& chosenPath);
    void refuseTooWide(const Procedure& procedure);
    // Reads a depth map through DepthMapDialog into the Design pane; false when nothing changed.
    bool insertDepthMapFrom(const QString& path);
    static QString greyMapQuestion(const QString& path);
    // Tells the user why a picture could not be read; true when it was told as a run-time error.
    bool reportPictureError(const QString& path, const platform::PictureError& error);
    // The Design rule: a random-dot document needs only the Design picture, a Field one both.
    bool documentReadyToConvert(bool fieldShown) const;
    QImage* backBuffer(const Procedure& procedure) const;
    QWidget* owner() const;

    Window m_window;
};

} // namespace quarbel::panes
