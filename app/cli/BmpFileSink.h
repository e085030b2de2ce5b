#pragma once

// A Stereo image written straight into a 24-bit BMP file as the converter produces its rows, so
// that a batch run never holds the whole picture in memory. The file appears only on commit().

#include "engine/PixelSurface.h"
#include "platform/Picture.h"

#include <QSaveFile>
#include <QString>
#include <optional>
#include <vector>

namespace quarbel::cli {

class BmpFileSink : public engine::RowSink {
public:
    explicit BmpFileSink(const QString& path);

    // Opens the file on the first call; a later size change forgets the rows written so far.
    void resize(int width, int height) override;
    // Rows not written by the time of commit() are white.
    void clear() override;
    void writeRow(int y, std::span<const engine::Packed> colours) override;

    // Completes and replaces the file; the first failure of any step, in which case no file is
    // left and an existing one keeps its content. Without a commit nothing is written at all.
    std::optional<platform::PictureError> commit();

private:
    bool writeAt(int y, const uchar* row);
    // Writes the rows gathered in m_pending as one block.
    bool flushPending();
    void failWith(int number);

    QSaveFile m_file;
    int m_width = 0;
    int m_height = 0;
    std::vector<bool> m_written;
    qint64 m_stride = 0;
    // Consecutive rows m_pendingFirst .. m_pendingFirst + m_pendingCount - 1, gathered so that they
    // reach the file in one write: in a bottom-up file they form one block, in reverse order.
    // Row m_pendingFirst + i sits in slot PendingRows - 1 - i.
    std::vector<uchar> m_pending;
    std::vector<quint32> m_words; // one row as 0x00RRGGBB
    int m_pendingFirst = 0;
    int m_pendingCount = 0;
    std::optional<platform::PictureError> m_error;
};

} // namespace quarbel::cli
