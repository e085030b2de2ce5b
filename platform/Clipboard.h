#pragma once

// Bitmaps in and out of the system clipboard. Only pictures are exchanged; other clipboard
// contents count as "no picture".

#include "platform/Picture.h"

#include <QImage>
#include <QMetaObject>
#include <functional>
#include <optional>

class QObject;

namespace quarbel::platform {

// Empties the clipboard, then puts picture on it; a null picture leaves the clipboard empty.
void putClipboardPicture(const QImage& picture);

// True when the clipboard holds a picture.
bool clipboardHasPicture();

// The clipboard's picture as opaque RGB32, transparent parts laid over white as a pane shows
// them. Without a picture: an error without a refusal; a picture over the size limit or damaged
// data (another program's PNG, BMP, ...) is refused as a file would be.
PictureResult clipboardPicture();

// Calls changed whenever the clipboard's contents change, for as long as context lives. Without a
// GUI application there is no clipboard and nothing is ever called.
QMetaObject::Connection watchClipboard(QObject* context, std::function<void()> changed);

} // namespace quarbel::platform
