#include "platform/Clipboard.h"

#include "platform/Picture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <algorithm>

namespace quarbel::platform {

namespace {

QClipboard* systemClipboard() {
    // Without a GUI application there is no clipboard; callers then see an empty one.
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard()
                                                                        : nullptr;
}

} // namespace

void putClipboardPicture(const QImage& picture) {
    QClipboard* clipboard = systemClipboard();
    if (!clipboard) {
        return;
    }
    clipboard->clear();
    if (!picture.isNull()) {
        clipboard->setImage(picture);
    }
}

bool clipboardHasPicture() {
    QClipboard* clipboard = systemClipboard();
    if (!clipboard) {
        return false;
    }
    const QMimeData* data = clipboard->mimeData();
    if (!data) {
        return false;
    }
    // Another program's picture may come only as a file's bytes (image/png, image/bmp, ...).
    const QStringList formats = data->formats();
    return data->hasImage() || std::any_of(formats.begin(), formats.end(), [](const QString& format) {
               return format.startsWith(QLatin1String("image/"));
           });
}

PictureResult clipboardPicture() {
    const PictureResult none{QImage(), pictureError(ErrInvalidPicture)};
    if (!clipboardHasPicture()) {
        return none;
    }
    const QMimeData* data = systemClipboard()->mimeData();
    // Another program's picture comes as the bytes of a file: read by the same loader, with the
    // same checks, so that damaged data is refused and the libraries' complaints stay quiet.
    for (const QString& format : data->formats()) {
        if (format.startsWith(QLatin1String("image/"))) {
            if (const QByteArray bytes = data->data(format); !bytes.isEmpty()) {
                return loadPictureData(bytes);
            }
        }
    }
    const DecoderMessages quiet(true); // Qt may decode another program's PNG here
    const QImage image = systemClipboard()->image();
    if (image.isNull()) {
        return none;
    }
    // The same limit as for files: a picture the program holds is one it can read back once saved.
    if (!acceptablePictureSize(image.size())) {
        PictureResult refused = none;
        refused.error = pictureError(ErrOutOfMemory);
        refused.error->refusal = PictureRefusal::TooManyPixels;
        refused.error->size = image.size();
        return refused;
    }
    if (!image.hasAlphaChannel()) {
        return PictureResult{image.convertToFormat(QImage::Format_RGB32), std::nullopt};
    }
    QImage opaque(image.size(), QImage::Format_RGB32);
    if (opaque.isNull()) {
        return PictureResult{QImage(), pictureError(ErrOutOfMemory)}; // too large to hold
    }
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, image);
    painter.end();
    return PictureResult{std::move(opaque), std::nullopt};
}

QMetaObject::Connection watchClipboard(QObject* context, std::function<void()> changed) {
    QClipboard* clipboard = systemClipboard();
    if (!clipboard) {
        return {};
    }
    return QObject::connect(clipboard, &QClipboard::dataChanged, context, std::move(changed));
}

} // namespace quarbel::platform
