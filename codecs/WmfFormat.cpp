#include "codecs/WmfFormat.h"

namespace quarbel::codecs::wmf {

ByteView ByteView::mid(qsizetype offset, qsizetype count) const {
    if (offset < 0 || offset >= m_size) {
        return {};
    }
    const qsizetype left = m_size - offset;
    return ByteView(m_data + offset, count < 0 || count > left ? left : count);
}

namespace {

bool plainHeaderAt(ByteView data, qsizetype offset) {
    const quint16 type = data.u16(offset);
    const quint16 headerWords = data.u16(offset + 2);
    const quint16 version = data.u16(offset + 4);
    return data.has(offset, 6) && (type == 1 || type == 2) && headerWords == 9 &&
           (version == 0x0100 || version == 0x0300);
}

} // namespace

bool looksLikeMetafile(ByteView data) {
    return (data.has(0, 4) && data.u32(0) == PlaceableKey) || plainHeaderAt(data, 0);
}

std::optional<Header> readHeader(ByteView data, QString* error) {
    auto fail = [error](const char* why) -> std::optional<Header> {
        if (error) {
            *error = QString::fromLatin1(why);
        }
        return std::nullopt;
    };
    Header header;
    qsizetype at = 0;
    if (data.has(0, 4) && data.u32(0) == PlaceableKey) {
        if (!data.has(0, PlaceableHeaderBytes)) {
            return fail("the placeable header is cut off");
        }
        header.placeable = true;
        header.left = data.i16(6);
        header.top = data.i16(8);
        header.right = data.i16(10);
        header.bottom = data.i16(12);
        header.unitsPerInch = data.u16(14);
        at = PlaceableHeaderBytes;
    }
    if (!data.has(at, MetaHeaderBytes)) {
        return fail("the metafile header is cut off");
    }
    // A placeable file is already known by its key, so its inner header may carry any version.
    const quint16 type = data.u16(at);
    if ((type != 1 && type != 2) || data.u16(at + 2) != 9 ||
        (!header.placeable && !plainHeaderAt(data, at))) {
        return fail("not a metafile header");
    }
    header.objectCount = data.u16(at + 10);
    header.recordsOffset = at + MetaHeaderBytes;
    return header;
}

bool RecordReader::next(Record& record) {
    if (m_done) {
        return false;
    }
    if (!m_data.has(m_offset, RecordHeaderBytes)) {
        // Bytes left over after the last whole record are not a record.
        m_done = true;
        m_malformed = m_offset != m_data.size();
        return false;
    }
    const quint64 bytes = quint64(m_data.u32(m_offset)) * 2u;
    const quint16 function = m_data.u16(m_offset + 4);
    if (bytes < quint64(RecordHeaderBytes) || bytes > quint64(m_data.size() - m_offset)) {
        // A record shorter than its own header would never move the walk forward, and one longer
        // than the file cannot be trusted: either way nothing after it can be found.
        m_done = true;
        m_malformed = true;
        return false;
    }
    if (function == EofRecord) {
        m_done = true;
        m_sawEof = true;
        return false;
    }
    record.function = function;
    record.offset = m_offset;
    record.params = m_data.mid(m_offset + RecordHeaderBytes, qsizetype(bytes) - RecordHeaderBytes);
    m_offset += qsizetype(bytes);
    return true;
}

} // namespace quarbel::codecs::wmf
