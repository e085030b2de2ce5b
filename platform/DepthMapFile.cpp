#include "platform/DepthMapFile.h"

#include <QFile>

namespace quarbel::platform {

DepthMapResult loadDepthMap(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        if (std::optional<codecs::DepthMap> deep = codecs::readDeepPng(file))
            return DepthMapResult{std::move(*deep), std::nullopt};
    }
    const PictureResult picture = loadPicture(path);
    if (!picture.ok())
        return DepthMapResult{codecs::DepthMap{}, picture.error};
    return DepthMapResult{codecs::depthMapOf(picture.image), std::nullopt};
}

} // namespace quarbel::platform
