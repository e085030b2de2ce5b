#pragma once

// Bitmaps in and out of the system clipboard. Only pictures are exchanged; other clipboard
// contents count as "no picture".

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
// them; nullopt when the clipboard holds none.
std::optional<QImage> clipboardPicture();

// Calls changed whenever the clipboard's contents change, for as long as context lives. Without a
// GUI application there is no clipboard and nothing is ever called.
QMetaObject::Connection watchClipboard(QObject* context, std::function<void()> changed);

} // namespace quarbel::platform
