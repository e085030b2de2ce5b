#include "app/cli/BmpFileSink.h"

#include "codecs/BmpCodec.h"

#include <QtEndian>
#include <algorithm>

namespace quarbel::cli {

using codecs::Bmp24HeaderSize;
using codecs::bmp24Stride;

namespace {
// Rows per write: a few hundred kilobytes at most, a few dozen writes for a large picture.
constexpr int PendingRows = 32;
} // namespace

BmpFileSink::BmpFileSink(const QString& path) : m_file(path) {}

void BmpFileSink::failWith(int number) {
    if (!m_error) {
        m_error = platform::pictureError(number);
    }
}

void BmpFileSink::resize(int width, int height) {
    if (m_error) {
        return;
    }
    if (!m_file.isOpen()) {
        if (std::optional<platform::PictureError> error = platform::openForReplace(m_file)) {
            m_error = error;
            return;
        }
    }
    if (width == m_width && height == m_height) {
        return;
    }
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_stride = bmp24Stride(m_width);
    m_written.assign(static_cast<std::size_t>(m_height), false);
    m_pending.assign(static_cast<std::size_t>(m_stride * PendingRows), 0);
    m_words.assign(static_cast<std::size_t>(m_width), 0);
    m_pendingCount = 0;
}

void BmpFileSink::clear() {
    m_pendingCount = 0;
    std::fill(m_written.begin(), m_written.end(), false);
}

bool BmpFileSink::writeAt(int y, const uchar* rows) {
    // Bottom-up, as every BMP reader expects.
    const qint64 offset = Bmp24HeaderSize + m_stride * (m_height - 1 - y);
    return m_file.seek(offset) && m_file.write(reinterpret_cast<const char*>(rows), m_stride) == m_stride;
}

bool BmpFileSink::flushPending() {
    if (m_pendingCount == 0) {
        return true;
    }
    const int last = m_pendingFirst + m_pendingCount - 1;
    const qint64 offset = Bmp24HeaderSize + m_stride * (m_height - 1 - last);
    const qint64 bytes = m_stride * m_pendingCount;
    const char* block =
        reinterpret_cast<const char*>(m_pending.data()) + m_stride * (PendingRows - m_pendingCount);
    m_pendingCount = 0;
    return m_file.seek(offset) && m_file.write(block, bytes) == bytes;
}

void BmpFileSink::writeRow(int y, std::span<const engine::Packed> colours) {
    if (m_error || y < 0 || y >= m_height) {
        return;
    }
    const bool continues =
        m_pendingCount > 0 && y == m_pendingFirst + m_pendingCount && m_pendingCount < PendingRows;
    if (!continues) {
        if (!flushPending()) {
            failWith(platform::ErrDiskIo);
            return;
        }
        m_pendingFirst = y;
    }
    uchar* const slot = m_pending.data() + m_stride * (PendingRows - 1 - m_pendingCount);
    ++m_pendingCount;
    const std::size_t count = std::min(colours.size(), static_cast<std::size_t>(m_width));
    // A packed colour is R + 256 G + 65536 B, 0x00BBGGRR; the packing wants 0x??RRGGBB.
    for (std::size_t x = 0; x < count; ++x) {
        const auto c = static_cast<quint32>(colours[x]);
        m_words[x] = ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
    }
    codecs::packBgr24(m_words.data(), static_cast<int>(count), slot);
    std::fill(slot + 3 * count, slot + m_stride,
              uchar(0)); // a short row is black beyond its end; padding is zero
    m_written[static_cast<std::size_t>(y)] = true;
}

std::optional<platform::PictureError> BmpFileSink::commit() {
    if (!m_error && !m_file.isOpen()) {
        failWith(platform::ErrInvalidPicture); // never sized: there is no picture
    }
    const QByteArray header = m_error ? QByteArray() : codecs::bmp24Header(m_width, m_height);
    if (!m_error && header.isEmpty()) {
        failWith(platform::ErrInvalidPicture);
    }
    if (!m_error && !flushPending()) {
        failWith(platform::ErrDiskIo);
    }
    if (!m_error) {
        std::vector<uchar> white(static_cast<std::size_t>(m_stride), 0xFF);
        std::fill(white.begin() + 3 * m_width, white.end(), uchar(0)); // padding stays zero
        for (int y = 0; y < m_height && !m_error; ++y) {
            if (!m_written[static_cast<std::size_t>(y)] && !writeAt(y, white.data())) {
                failWith(platform::ErrDiskIo);
            }
        }
    }
    if (!m_error && !(m_file.seek(0) && m_file.write(header) == header.size())) {
        failWith(platform::ErrDiskIo);
    }
    if (!m_error) {
        m_error = platform::commitReplacement(m_file);
    }
    if (m_error && m_file.isOpen()) {
        m_file.cancelWriting();
    }
    if (m_error && m_error->path.isEmpty()) {
        m_error->path = m_file.fileName();
    }
    return m_error;
}

} // namespace quarbel::cli
