#include "codecs/DepthMap.h"

#include "codecs/PictureLimits.h"

#include <QImageReader>
#include <QRgba64>

namespace quarbel::codecs {

namespace {

bool sixteenBit(QImage::Format format) {
    switch (format) {
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<DepthMap> readDeepPng(QIODevice& device) {
    if (!device.peek(8).startsWith("\x89PNG\r\n\x1A\n"))
        return std::nullopt;
    QImageReader reader(&device, "png");
    reader.setAutoTransform(false);
    const QSize announced = reader.size();
    if (!announced.isValid() || !acceptablePictureSize(announced) || !sixteenBit(reader.imageFormat()))
        return std::nullopt;
    QImage image;
    if (!reader.read(&image) || !sixteenBit(image.format()) || !acceptablePictureSize(image.size()))
        return std::nullopt;

    DepthMap map;
    map.width = image.width();
    map.height = image.height();
    map.maxValue = 65535;
    map.values.resize(static_cast<std::size_t>(map.width) * static_cast<std::size_t>(map.height));
    auto* out = map.values.data();
    if (image.format() == QImage::Format_Grayscale16) {
        for (int y = 0; y < map.height; ++y) {
            const auto* line = reinterpret_cast<const quint16*>(image.constScanLine(y));
            out = std::copy_n(line, map.width, out);
        }
    } else {
        image.convertTo(QImage::Format_RGBX64); // drops any alpha: depth lies in the colour
        for (int y = 0; y < map.height; ++y) {
            const auto* line = reinterpret_cast<const QRgba64*>(image.constScanLine(y));
            for (int x = 0; x < map.width; ++x)
                *out++ =
                    static_cast<std::uint16_t>(luminance(line[x].red(), line[x].green(), line[x].blue()));
        }
    }
    return map;
}

DepthMap depthMapOf(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    DepthMap map;
    map.width = image.width();
    map.height = image.height();
    map.values.resize(static_cast<std::size_t>(map.width) * static_cast<std::size_t>(map.height));
    auto* out = map.values.data();
    for (int y = 0; y < map.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < map.width; ++x)
            *out++ = static_cast<std::uint16_t>(luminance(qRed(line[x]), qGreen(line[x]), qBlue(line[x])));
    }
    return map;
}

} // namespace quarbel::codecs
