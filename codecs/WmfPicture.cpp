#include "codecs/WmfPicture.h"

#include "codecs/WmfFormat.h"
#include "codecs/WmfPlayer.h"

#include <cmath>
#include <cstdlib>
#include <optional>

namespace quarbel::codecs {

namespace {

using namespace wmf;

struct Frame {
    QSize size;
    InitialWindow window;
};

void setError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

// A file without a placeable header is as many pixels as its window has logical units.
std::optional<QPoint> firstWindowExtent(ByteView data, const Header& header) {
    RecordReader reader(data, header.recordsOffset);
    Record record;
    while (reader.next(record)) {
        if (record.function == SetWindowExt && record.params.has(0, 4)) {
            const QPoint extent(record.params.i16(2), record.params.i16(0));
            if (extent.x() != 0 && extent.y() != 0) {
                return extent;
            }
        }
    }
    return std::nullopt;
}

std::optional<Frame> frameOf(ByteView data, const Header& header, int maxSide, QString* error) {
    Frame frame;
    if (header.placeable && header.unitsPerInch > 0) {
        const int width = std::abs(int(header.right) - int(header.left));
        const int height = std::abs(int(header.bottom) - int(header.top));
        if (width == 0 || height == 0) {
            setError(error, QStringLiteral("the bounding box is empty"));
            return std::nullopt;
        }
        const auto pixels = [&header](int units) {
            return std::max(1, int(std::lround(units * 96.0 / header.unitsPerInch)));
        };
        frame.size = QSize(pixels(width), pixels(height));
        // The bounding box is the window until the records set their own.
        frame.window.origin = QPoint(header.left, header.top);
        frame.window.extent =
            QPoint(int(header.right) - int(header.left), int(header.bottom) - int(header.top));
    } else {
        const auto extent = firstWindowExtent(data, header);
        if (!extent) {
            setError(error, QStringLiteral("the metafile has no size: no bounding box and no window extent"));
            return std::nullopt;
        }
        frame.size = QSize(std::abs(extent->x()), std::abs(extent->y()));
        frame.window.extent = QPoint(frame.size.width(), frame.size.height());
    }
    if (frame.size.width() > maxSide || frame.size.height() > maxSide) {
        setError(error, QStringLiteral("the picture is too large: %1 x %2 pixels, at most %3 x %3")
                            .arg(frame.size.width())
                            .arg(frame.size.height())
                            .arg(maxSide));
        return std::nullopt;
    }
    return frame;
}

} // namespace

bool looksLikeWmf(const QByteArray& data) {
    return looksLikeMetafile(ByteView(data.constData(), data.size()));
}

QSize wmfPictureSize(const QByteArray& data, int maxSide, QString* error) {
    const ByteView bytes(data.constData(), data.size());
    const auto header = readHeader(bytes, error);
    if (!header) {
        return {};
    }
    const auto frame = frameOf(bytes, *header, maxSide, error);
    return frame ? frame->size : QSize();
}

QImage renderWmf(const QByteArray& data, QString* error) {
    return renderWmf(data, WmfRenderOptions{}, error);
}

QImage renderWmf(const QByteArray& data, const WmfRenderOptions& options, QString* error,
                 WmfRenderReport* report) {
    const ByteView bytes(data.constData(), data.size());
    const auto header = readHeader(bytes, error);
    if (!header) {
        return {};
    }
    const auto frame = frameOf(bytes, *header, options.maxSide, error);
    if (!frame) {
        return {};
    }
    QImage image(frame->size, QImage::Format_RGB32);
    if (image.isNull()) {
        setError(error, QStringLiteral("not enough memory for the picture"));
        return {};
    }
    image.fill(Qt::white);

    PlayLimits limits;
    limits.maxWork = options.maxWork;
    limits.maxMilliseconds = options.maxMilliseconds;
    limits.maxBitmapPixels = qint64(options.maxSide) * options.maxSide;
    const PlayReport played = playRecords(image, bytes, *header, frame->window, limits);
    if (report) {
        report->records = played.records;
        report->unsupported = played.unsupported;
        report->invalid = played.invalid;
        report->sawEof = played.sawEof;
        report->malformed = played.malformed;
        report->workLimitReached = played.workLimitReached;
        report->timeLimitReached = played.timeLimitReached;
    }
    if (played.records == 0 && !played.sawEof) {
        setError(error, QStringLiteral("the metafile has no readable records"));
        return {};
    }

    // Raster operations may leave the unused alpha byte at zero; the picture is opaque.
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            line[x] |= 0xFF000000u;
        }
    }
    return image;
}

} // namespace quarbel::codecs
