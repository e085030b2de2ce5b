// Reads an arbitrary file as a Quarbel document the way `quarbel-convert document` does, pictures
// and conversion included: it must write a complete picture or say why not and write nothing.
#include "FuzzSupport.h"
#include "app/cli/Commands.h"
#include "engine/Colour.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QTextStream>
#include <cstddef>
#include <cstdint>

using quarbel::fuzz::require;

namespace {

// Small Design and Field pictures beside the document, which the seeds name.
void writePictures(const QDir& dir) {
    QImage design(24, 6, QImage::Format_RGB32);
    QImage field(30, 7, QImage::Format_RGB32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 30; ++x) {
            const quarbel::engine::Packed level =
                quarbel::engine::DepthPalette[static_cast<std::size_t>((x / 3 + y) % 16)];
            if (x < 24 && y < 6)
                design.setPixel(x, y, qRgb(level & 0xFF, (level >> 8) & 0xFF, (level >> 16) & 0xFF));
            field.setPixel(x, y, qRgb(x * 8, y * 30, (x * y) & 0xFF));
        }
    require(design.save(dir.filePath(QStringLiteral("design.bmp")), "BMP") &&
                field.save(dir.filePath(QStringLiteral("field.bmp")), "BMP"),
            "writing the pictures");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quarbel::fuzz::startApplication("document_fuzzer");
    writePictures(quarbel::fuzz::workFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Pictures are looked for beside the document only: a document naming another folder could make
    // the fuzzer read the machine's files (a device that never ends, say).
    if (bytes.contains('/') || bytes.contains('\\') || bytes.contains(':'))
        return 0;
    const QDir& dir = quarbel::fuzz::workFolder();
    const QString document = dir.filePath(QStringLiteral("fuzz.qbd"));
    const QString output = dir.filePath(QStringLiteral("out.bmp"));
    {
        QFile file(document);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
                "writing the document");
    }
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int status =
        quarbel::cli::runConvertTool({QStringLiteral("document"), document, QStringLiteral("-o"), output,
                                      QStringLiteral("--seed"), QStringLiteral("1")},
                                     outStream, errStream);
    require(status == 0 || status == 1, "an exit status other than 0 or 1");
    if (status == 0) {
        const QImage written(output);
        require(!written.isNull() && written.width() >= 1, "a success without a picture");
        require(QFile::remove(output), "removing the output");
    } else {
        require(!QFile::exists(output), "a failure left an output");
        require(err.startsWith(QStringLiteral("quarbel-convert: ")), "a failure without a message");
    }
    return 0;
}
