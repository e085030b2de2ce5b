// Bit-block transfers: bitmaps from the record drawn onto the picture, or pattern operations.

#include "codecs/WmfDib.h"
#include "codecs/WmfPlayer_p.h"

namespace quarbel::codecs::wmf {

namespace {

// The composition of a bit-block transfer with a source; unknown operations copy.
QPainter::CompositionMode rop3Mode(quint32 rop) {
    switch (rop >> 16) {
    case 0xEE: // SRCPAINT
        return QPainter::RasterOp_SourceOrDestination;
    case 0x88: // SRCAND
        return QPainter::RasterOp_SourceAndDestination;
    case 0x66: // SRCINVERT
        return QPainter::RasterOp_SourceXorDestination;
    case 0x44: // SRCERASE
        return QPainter::RasterOp_SourceAndNotDestination;
    case 0x33: // NOTSRCCOPY
        return QPainter::RasterOp_NotSource;
    case 0x11: // NOTSRCERASE
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case 0xBB: // MERGEPAINT
        return QPainter::RasterOp_NotSourceOrDestination;
    case 0x22: // DSna, the mask step of transparent blits
        return QPainter::RasterOp_NotSourceAndDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

bool ropUsesSource(quint32 rop) {
    const quint32 code = rop >> 16;
    // A ternary operation uses the source when its result changes with the source bit.
    return ((code >> 2) & 0x33u) != (code & 0x33u);
}

} // namespace

// Draws the part (sx, sy, sw, sh) of a bitmap onto the logical rectangle (dx, dy, dw, dh).
// Source coordinates count from the bottom row of a bottom-up bitmap, as the interface does;
// negative sizes on either side mirror the picture.
void Player::drawBitmap(const QImage& image, bool bottomUp, int sx, int sy, int sw, int sh,
                        const DeviceBox& dest, bool mirrorX, bool mirrorY, quint32 rop) {
    if (sw < 0) {
        sx += sw;
        sw = -sw;
        mirrorX = !mirrorX;
    }
    if (sh < 0) {
        sy += sh;
        sh = -sh;
        mirrorY = !mirrorY;
    }
    if (sw == 0 || sh == 0 || dest.empty()) {
        return;
    }
    const int top = bottomUp ? image.height() - sy - sh : sy;
    const QRect source(sx, top, sw, sh);
    const QRect part = source.intersected(image.rect());
    if (part.isEmpty()) {
        return;
    }
    // The visible part keeps its place inside the destination.
    const double kx = (dest.x1 - dest.x0) / sw, ky = (dest.y1 - dest.y0) / sh;
    const double left = mirrorX ? source.right() - part.right() : part.left() - source.left();
    const double upper = mirrorY ? source.bottom() - part.bottom() : part.top() - source.top();
    const QRectF target(dest.x0 + left * kx, dest.y0 + upper * ky, part.width() * kx, part.height() * ky);
    if (!spend(visibleArea(target) * ScaledPixelCost + qint64(part.width()) * part.height())) {
        return;
    }
    QImage piece = image.copy(part);
    if (mirrorX || mirrorY) {
        piece = piece.mirrored(mirrorX, mirrorY);
    }
    applyClip();
    m_painter.setCompositionMode(rop3Mode(rop));
    m_painter.drawImage(target, piece);
}

// Destination of a transfer: its device box and whether the mapping turns it around.
std::pair<DeviceBox, std::pair<bool, bool>> Player::destination(int x, int y, int width, int height) const {
    const double xa = deviceX(x), xb = deviceX(double(x) + width);
    const double ya = deviceY(y), yb = deviceY(double(y) + height);
    DeviceBox b{std::min(xa, xb), std::min(ya, yb), std::max(xa, xb), std::max(ya, yb)};
    return {b, {xb < xa, yb < ya}};
}

std::optional<QImage> Player::dib(ByteView bits, quint16 usage, bool* bottomUp) {
    const auto info = readDibInfo(bits);
    if (info) {
        // Decoding costs its pixels whether or not they end up visible.
        if (!spend(qint64(info->width) * info->height)) {
            return std::nullopt;
        }
    }
    QImage image = decodeDib(bits, usage, m_state.palette.colors, m_limits.maxBitmapPixels);
    if (image.isNull()) {
        m_report.invalid++;
        return std::nullopt;
    }
    *bottomUp = info && !info->topDown;
    return image;
}

// A transfer record: with a source bitmap it draws it, without one it is a pattern operation.
// The function's high byte is the size in words of the form without a bitmap, less the header.
void Player::transfer(ByteView p, quint16 function) {
    const bool stretch = function == StretchBlt || function == DIBStretchBlt;
    const bool dibSource = function == DIBBitBlt || function == DIBStretchBlt;
    const bool noSource = (p.size() + RecordHeaderBytes) / 2 == qsizetype(function >> 8) + 3;
    const qsizetype skip = noSource ? 2 : 0; // the form without a bitmap has a reserved word
    const quint32 rop = p.u32(0);
    int sw, sh, sx, sy, dw, dh, dx, dy;
    qsizetype at = 4 + skip;
    if (stretch) {
        sh = p.i16(at);
        sw = p.i16(at + 2);
        sy = p.i16(at + 4);
        sx = p.i16(at + 6);
        dh = p.i16(at + 8);
        dw = p.i16(at + 10);
        dy = p.i16(at + 12);
        dx = p.i16(at + 14);
        at += 16;
    } else {
        sy = p.i16(at);
        sx = p.i16(at + 2);
        dh = sh = p.i16(at + 4);
        dw = sw = p.i16(at + 6);
        dy = p.i16(at + 8);
        dx = p.i16(at + 10);
        at += 12;
    }
    if (!p.has(0, at)) {
        m_report.invalid++;
        return;
    }
    if (noSource || !ropUsesSource(rop)) {
        patternBlt(dx, dy, dw, dh, rop);
        return;
    }
    const auto [dest, mirror] = destination(dx, dy, dw, dh);
    if (dibSource) {
        bool bottomUp = true;
        if (const auto image = dib(p.mid(at), DibRgbColors, &bottomUp)) {
            drawBitmap(*image, bottomUp, sx, sy, sw, sh, dest, mirror.first, mirror.second, rop);
        }
        return;
    }
    QImage mono = decodeMonoBitmap16(p.mid(at), m_limits.maxBitmapPixels);
    if (mono.isNull()) {
        m_report.unsupported++;
        return;
    }
    mono.setColor(0, m_state.textColor);
    mono.setColor(1, m_state.bkColor);
    drawBitmap(mono.convertToFormat(QImage::Format_RGB32), false, sx, sy, sw, sh, dest, mirror.first,
               mirror.second, rop);
}

void Player::stretchDib(ByteView p) {
    if (!p.has(0, 22)) {
        m_report.invalid++;
        return;
    }
    const quint32 rop = p.u32(0);
    const quint16 usage = p.u16(4);
    const int sh = p.i16(6), sw = p.i16(8), sy = p.i16(10), sx = p.i16(12);
    const int dh = p.i16(14), dw = p.i16(16), dy = p.i16(18), dx = p.i16(20);
    if (!ropUsesSource(rop)) {
        patternBlt(dx, dy, dw, dh, rop);
        return;
    }
    const auto [dest, mirror] = destination(dx, dy, dw, dh);
    bool bottomUp = true;
    if (const auto image = dib(p.mid(22), usage, &bottomUp)) {
        drawBitmap(*image, bottomUp, sx, sy, sw, sh, dest, mirror.first, mirror.second, rop);
    }
}

void Player::setDibToDevice(ByteView p) {
    if (!p.has(0, 18)) {
        m_report.invalid++;
        return;
    }
    const quint16 usage = p.u16(0);
    const int sy = p.i16(6), sx = p.i16(8), height = p.u16(10), width = p.u16(12);
    const QPointF at = device(p.i16(16), p.i16(14));
    // Sizes here are pixels of the picture, never scaled.
    const DeviceBox dest{at.x(), at.y(), at.x() + width, at.y() + height};
    bool bottomUp = true;
    if (const auto image = dib(p.mid(18), usage, &bottomUp)) {
        drawBitmap(*image, bottomUp, sx, sy, width, height, dest, false, false, 0x00CC0020u);
    }
}

} // namespace quarbel::codecs::wmf
