#include "platform/DepthMapFile.h"

#include "engine/Colour.h"
#include "engine/GreyDepth.h"
#include "platform/ImageSurface.h"

#include <QFile>
#include <QImage>
#include <vector>

namespace quarbel::platform {

namespace {

// A PNG that holds more than 8 bits per sample, read as such; nothing for anything else (the
// ordinary loader then reads the file and reports what is wrong with it, a damaged PNG included).
std::optional<DepthMapResult> readDeepPng(const QString& path) {
    QFile file;
    if (std::optional<PictureError> error = openRegularFile(path, file)) {
        error->path = path;
        return DepthMapResult{DepthMap{}, std::move(error)};
    }
    if (!file.peek(8).startsWith("\x89PNG\r\n\x1A\n") || !pngIsWhole(file))
        return std::nullopt;
    const DecoderMessages complaints(true);
    const DeepPixelAllowance deep(QImage::Format_RGBA64);
    std::optional<DepthMap> map = codecs::readDeepPng(file);
    if (!map || complaints.any())
        return std::nullopt;
    return DepthMapResult{std::move(*map), std::nullopt};
}

} // namespace

DepthMapResult loadDepthMap(const QString& path) {
    if (std::optional<DepthMapResult> deep = readDeepPng(path))
        return std::move(*deep);
    PictureResult picture = loadPicture(path);
    if (!picture.ok())
        return DepthMapResult{DepthMap{}, picture.error};
    return DepthMapResult{codecs::depthMapOf(picture.image), std::nullopt};
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
