#include "platform/Clipboard.h"

#include "platform/Picture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>

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
    return data && data->hasImage();
}

std::optional<QImage> clipboardPicture() {
    if (!clipboardHasPicture()) {
        return std::nullopt;
    }
    const QImage image = systemClipboard()->image();
    // The same limit as for files: a picture the program holds is one it can read back once saved.
    if (image.isNull() || !acceptablePictureSize(image.size())) {
        return std::nullopt;
    }
    if (!image.hasAlphaChannel()) {
        return image.convertToFormat(QImage::Format_RGB32);
    }
    QImage opaque(image.size(), QImage::Format_RGB32);
    if (opaque.isNull()) {
        return std::nullopt; // too large to hold
    }
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, image);
    painter.end();
    return opaque;
}

QMetaObject::Connection watchClipboard(QObject* context, std::function<void()> changed) {
    QClipboard* clipboard = systemClipboard();
    if (!clipboard) {
        return {};
    }
    return QObject::connect(clipboard, &QClipboard::dataChanged, context, std::move(changed));
}

} // namespace quarbel::platform
