#pragma once

// A Stereo image written straight into a 24-bit BMP file as the converter produces its rows, so
// that a batch run never holds the whole picture in memory. The file appears only on commit().

#include <QSaveFile>
#include <QString>

#include <optional>
#include <vector>

#include "engine/PixelSurface.h"
#include "platform/Picture.h"

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
    bool writeAt(int y, const std::vector<uchar>& row);
    void failWith(int number);

    QSaveFile m_file;
    int m_width = 0;
    int m_height = 0;
    std::vector<bool> m_written;
    std::vector<uchar> m_row;
    std::optional<platform::PictureError> m_error;
};

} // namespace quarbel::cli
