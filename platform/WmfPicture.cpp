// Placeholder until the metafile renderer lands: every metafile is refused as "not a picture".
#include "platform/WmfPicture.h"

namespace quarbel::platform {

bool looksLikeWmf(const QByteArray& data) {
    return data.size() >= 4 && static_cast<unsigned char>(data[0]) == 0xD7 &&
           static_cast<unsigned char>(data[1]) == 0xCD && static_cast<unsigned char>(data[2]) == 0xC6 &&
           static_cast<unsigned char>(data[3]) == 0x9A;
}

QImage renderWmf(const QByteArray&, QString* error) {
    if (error) {
        *error = QStringLiteral("WMF pictures are not supported yet");
    }
    return {};
}

} // namespace quarbel::platform
