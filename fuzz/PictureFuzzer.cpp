// Feeds arbitrary bytes to the picture loader, from memory and from a file: it must answer with a
// picture within the limits or with a reason, and both ways must answer alike.
#include "FuzzSupport.h"
#include "platform/Picture.h"

#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <cstddef>
#include <cstdint>

using namespace quarbel::platform;
using quarbel::fuzz::require;

namespace {

void checkResult(const PictureResult& result) {
    if (result.ok()) {
        require(!result.image.isNull(), "a picture without an error");
        require(result.image.format() == QImage::Format_RGB32, "pictures come as RGB32");
        require(acceptablePictureSize(result.image.size()), "a picture beyond the size limits");
    } else {
        require(result.image.isNull(), "an error with a picture");
        require(result.error->number != 0 && !result.error->description.isEmpty(),
                "an error without a reason");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quarbel::fuzz::startApplication("picture_fuzzer");
    // A smaller allocation limit than the editor's keeps each run short; the checks are the same.
    QImageReader::setAllocationLimit(64);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const PictureResult fromMemory = loadPictureData(bytes);
    checkResult(fromMemory);

    const QString path = quarbel::fuzz::workFolder().filePath(QStringLiteral("input"));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
                "writing the input file");
    }
    const PictureResult fromFile = loadPicture(path);
    checkResult(fromFile);
    require(fromFile.ok() == fromMemory.ok(), "memory and file disagree on success");
    if (fromFile.ok()) {
        require(fromFile.image == fromMemory.image, "memory and file give different pictures");
    } else {
        require(fromFile.error->number == fromMemory.error->number, "memory and file give different errors");
    }
    static int runs = 0;
    if (++runs % 64 == 0) {
        QCoreApplication::processEvents(); // the font cache trims itself from timer events
    }
    return 0;
}
