#pragma once

// In-memory stand-ins for the pictures, the Stereo pane and the parameters the converters take.

#include "engine/Colour.h"
#include "engine/Conversion.h"
#include "engine/PixelSurface.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace quarbel::engine::testing {

class MemorySurface : public PixelSurface {
public:
    MemorySurface(int width, int height, Packed fill = 0)
        : m_width(width), m_height(height),
          m_pixels(static_cast<std::size_t>(width > 0 && height > 0 ? width * height : 0), fill) {}

    int width() const override { return m_width; }
    int height() const override { return m_height; }

    void readRow(int y, std::span<Packed> out) const override {
        for (std::size_t x = 0; x < out.size(); ++x)
            out[x] = pixel(static_cast<int>(x), y);
    }

    // -1 outside, as a picture area reads.
    Packed pixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height)
            return -1;
        return m_pixels[index(x, y)];
    }
    void set(int x, int y, Packed colour) { m_pixels[index(x, y)] = colour; }

private:
    std::size_t index(int x, int y) const { return static_cast<std::size_t>(y) * m_width + x; }

    int m_width;
    int m_height;
    std::vector<Packed> m_pixels;
};

// The Stereo image. A cleared pixel holds Background, so a clear can be told from black.
class MemorySink : public RowSink {
public:
    static constexpr Packed Background = 0x00ABCDEF;

    void resize(int width, int height) override {
        ++resizes;
        std::vector<Packed> resized(static_cast<std::size_t>(width) * height, Unwritten);
        for (int y = 0; y < std::min(height, m_height); ++y)
            for (int x = 0; x < std::min(width, m_width); ++x)
                resized[static_cast<std::size_t>(y) * width + x] = at(x, y);
        m_width = width;
        m_height = height;
        m_pixels = std::move(resized);
    }
    void clear() override {
        ++clears;
        std::fill(m_pixels.begin(), m_pixels.end(), Background);
    }
    void writeRow(int y, std::span<const Packed> colours) override {
        ASSERT_EQ(colours.size(), static_cast<std::size_t>(m_width));
        ASSERT_GE(y, 0);
        ASSERT_LT(y, m_height);
        rowsWritten.push_back(y);
        std::copy(colours.begin(), colours.end(),
                  m_pixels.begin() + static_cast<std::ptrdiff_t>(y) * m_width);
    }

    int width() const { return m_width; }
    int height() const { return m_height; }
    Packed at(int x, int y) const { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }
    const std::vector<Packed>& pixels() const { return m_pixels; }

    int resizes = 0;
    int clears = 0;
    std::vector<int> rowsWritten;

private:
    static constexpr Packed Unwritten = 0x00FEDCBA;
    int m_width = 0;
    int m_height = 0;
    std::vector<Packed> m_pixels;
};

// The parameters of a new document (repeat width, depth, density): a run's usual values.
inline constexpr ConversionParameters UsualParameters{70, 20, 30};

// The widest picture the editor hands a converter.
inline constexpr int EditorWidth = 1024;

} // namespace quarbel::engine::testing
