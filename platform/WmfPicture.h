#pragma once

// Windows Metafiles drawn into a raster picture.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace quarbel::platform {

// True when data starts like a placeable or a plain WMF.
bool looksLikeWmf(const QByteArray& data);

// Draws the metafile on a white background; a null image and a reason in *error when it cannot.
QImage renderWmf(const QByteArray& data, QString* error = nullptr);

} // namespace quarbel::platform
