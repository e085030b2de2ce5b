#include "platform/DepthMap.h"

#include "engine/Colour.h"
#include "engine/GreyDepth.h"
#include "platform/ImageSurface.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRgba64>

namespace quarbel::platform {

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

// A PNG that holds more than 8 bits per sample, read as such; nothing for anything else (the
// ordinary loader then reads the file and reports what is wrong with it).
std::optional<DepthMapResult> readDeepPng(const QString& path) {
    QFile file;
    if (std::optional<PictureError> error = openRegularFile(path, file)) {
        error->path = path;
        return DepthMapResult{DepthMap{}, std::move(error)};
    }
    if (!file.peek(8).startsWith("\x89PNG\r\n\x1A\n"))
        return std::nullopt;
    const auto damaged = [&path] {
        PictureError error = pictureError(ErrInvalidPicture);
        error.refusal = PictureRefusal::Damaged;
        error.path = path;
        return DepthMapResult{DepthMap{}, error};
    };
    if (!pngIsWhole(file))
        return damaged();
    const DecoderMessages complaints(true);
    QImageReader reader(&file, "png");
    reader.setAutoTransform(false);
    const QSize announced = reader.size();
    if (!announced.isValid() || !acceptablePictureSize(announced) || !sixteenBit(reader.imageFormat()))
        return std::nullopt;
    QImage image;
    const DeepPixelAllowance deep(reader.imageFormat());
    if (!reader.read(&image) || complaints.any())
        return damaged();
    if (!sixteenBit(image.format()) || !acceptablePictureSize(image.size()))
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
    return DepthMapResult{std::move(map), std::nullopt};
}

} // namespace

DepthMapResult loadDepthMap(const QString& path) {
    if (std::optional<DepthMapResult> deep = readDeepPng(path))
        return std::move(*deep);
    PictureResult picture = loadPicture(path);
    if (!picture.ok())
        return DepthMapResult{DepthMap{}, picture.error};
    const QImage& image = picture.image; // Format_RGB32
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
    return DepthMapResult{std::move(map), std::nullopt};
}

DepthRange defaultDepthRange(const DepthMap& map, bool blackNear) {
    return blackNear ? DepthRange{map.maxValue, 0} : DepthRange{0, map.maxValue};
}

QImage designFromLevels(int width, int height, const std::uint8_t* levels) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = rgbFromPacked(engine::DepthPalette[*levels++]);
    }
    return image;
}

QImage designFromDepthMap(const DepthMap& map, DepthRange range) {
    // One level per grey value, looked up per pixel.
    std::vector<std::uint8_t> levelOf(static_cast<std::size_t>(map.maxValue) + 1);
    for (int grey = 0; grey <= map.maxValue; ++grey)
        levelOf[static_cast<std::size_t>(grey)] =
            static_cast<std::uint8_t>(engine::greyDepthLevel(grey, range.far, range.near));
    std::vector<std::uint8_t> levels(map.values.size());
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = levelOf[map.values[i]];
    return designFromLevels(map.width, map.height, levels.data());
}

bool looksLikeGreyMap(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    bool otherGrey = false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int r = qRed(line[x]);
            if (r != qGreen(line[x]) || r != qBlue(line[x]))
                return false;
            otherGrey = otherGrey || (r != 0 && r != 128 && r != 192 && r != 255);
        }
    }
    return otherGrey;
}

} // namespace quarbel::platform
