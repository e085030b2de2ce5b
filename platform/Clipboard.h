#pragma once

// Bitmaps in and out of the system clipboard. Only pictures are exchanged; other clipboard
// contents count as "no picture".

#include <QImage>
#include <optional>

namespace quarbel::platform {

// Empties the clipboard, then puts picture on it; a null picture leaves the clipboard empty.
void putClipboardPicture(const QImage& picture);

// True when the clipboard holds a picture.
bool clipboardHasPicture();

// The clipboard's picture as opaque RGB32, transparent parts laid over white as a pane shows
// them; nullopt when the clipboard holds none.
std::optional<QImage> clipboardPicture();

} // namespace quarbel::platform
