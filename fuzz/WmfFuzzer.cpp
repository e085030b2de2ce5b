// Feeds arbitrary bytes to the metafile renderer: it must answer with a picture or a reason.
#include "codecs/WmfPicture.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Fonts need a GUI application; it lives for the whole run.
void startApplication() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "wmf_fuzzer";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // Smaller limits than the editor's keep each run short; the code paths are the same.
    quarbel::codecs::WmfRenderOptions options;
    options.maxSide = 1024;
    options.maxWork = qint64(1) << 26;
    // No wall-clock guard: a slow input should show up as a timeout of the fuzzer, since it
    // means the estimate of the work missed something.
    options.maxMilliseconds = 0;
    QString error;
    const QImage image = quarbel::codecs::renderWmf(bytes, options, &error);
    // A refusal always carries a reason, a picture never exceeds the limit.
    if (image.isNull() == error.isEmpty()) {
        std::abort();
    }
    if (!image.isNull() && (image.width() > options.maxSide || image.height() > options.maxSide)) {
        std::abort();
    }
    (void)quarbel::codecs::looksLikeWmf(bytes);
    // The font cache trims itself from timer events, which only an event loop delivers.
    static int runs = 0;
    if (++runs % 64 == 0) {
        QCoreApplication::processEvents();
    }
    return 0;
}
