#include "engine/RowConverter.h"

#include "engine/DepthQuantiser.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <string>

namespace quarbel::engine {

RowConverter::RowConverter(ConversionState& state, RunFlags& flags, RowSink& stereo, int resumeIndex)
    : m_state(state), m_flags(flags), m_stereo(stereo), m_resumeIndex(static_cast<std::size_t>(resumeIndex)) {
}

void RowConverter::begin(const ConversionParameters& parameters) {
    const PixelSurface& source = sizeSource();
    const int w = source.width();
    const int h = source.height();
    // Refuse before anything changes.
    const int maxWidth = std::min<int>(m_state.MaxWidth, MaxConvertWidth);
    if (w > maxWidth)
        throw std::invalid_argument("picture wider than " + std::to_string(maxWidth) +
                                    " pixels: " + std::to_string(w));
    if (w < 0 || h < 0)
        throw std::invalid_argument("picture of negative size");

    m_flags.Converting = true;
    auto& resumeRow = m_state.ResumeState[m_resumeIndex];
    if (m_flags.AbortRequested) {
        m_flags.AbortRequested = false;
        m_flags.PauseRequested = false;
        resumeRow = 0;
    }
    if (resumeRow < 0) // only a damaged state gets here; start afresh rather than write above row 0
        resumeRow = 0;

    m_parameters = parameters;
    m_shifts = ShiftTable(m_parameters.depthFactor());
    m_linksInGuard = true;
    for (std::size_t level = 0; level < 16; ++level) {
        const std::int64_t separation =
            std::int64_t{m_parameters.repeatWidth} - m_shifts[static_cast<std::int32_t>(level)];
        m_separations[level] = separation;
        m_linksInGuard = m_linksInGuard && separation >= 1 && separation <= LinkGuard;
    }

    // The row buffers follow the picture; they only grow, so a resumed run reuses them.
    const auto columns = static_cast<std::size_t>(std::max(w, 1));
    if (m_in.size() < columns) {
        m_in.resize(columns);
        m_runStarts.resize(columns);
        m_out.resize(columns + LinkGuard);
    }
    if (m_state.DepthRow.size() < columns)
        m_state.DepthRow.resize(columns);

    m_width = w;
    m_height = h;
    m_state.LastColumn = w - 1;
    m_state.LastRow = h - 1;
    // Resizing to the same size keeps the rows a paused run has already drawn.
    m_stereo.resize(w, h);
    m_clearOwed = resumeRow == 0 && !m_stereo.shownWhileDrawn();
    if (resumeRow == 0 && !m_clearOwed)
        m_stereo.clear();
    m_state.CurrentRow = resumeRow;

    prepareRun();
    m_phase = Phase::Running;
}

void RowConverter::clearRowsNotReached() {
    const auto columns = static_cast<std::size_t>(m_width);
    std::fill_n(m_out.data(), columns, packRgb(255, 255, 255));
    for (int y = m_state.CurrentRow; y < m_height; ++y)
        m_stereo.writeRow(y, std::span<const Packed>(m_out.data(), columns));
}

RowOutcome RowConverter::end(RowOutcome outcome) {
    if (m_clearOwed && outcome != RowOutcome::Finished)
        clearRowsNotReached();
    m_clearOwed = false;
    m_phase = Phase::Ended;
    m_endOutcome = outcome;
    return outcome;
}

RowOutcome RowConverter::nextRow() {
    if (m_phase == Phase::NotStarted)
        throw std::logic_error("nextRow() before begin()");
    if (m_phase == Phase::Ended)
        return m_endOutcome;

    ConversionState& s = m_state;
    if (s.CurrentRow <= s.LastRow) {
        if (m_flags.PauseRequested) {
            m_flags.PauseRequested = false;
            s.ResumeState[m_resumeIndex] = s.CurrentRow;
            return end(RowOutcome::Paused);
        }
        if (s.Closing) {
            s.Closing = false;
            return end(RowOutcome::Closed);
        }

        const auto columns = static_cast<std::size_t>(m_width);
        design().readRow(s.CurrentRow, std::span<Packed>(m_in.data(), columns));
        QuantisedRow quantised{s.DepthRow.data()};
        if (m_linksInGuard)
            quantised.runStarts = m_runStarts.data();
        m_runCount = quantiseRow(m_in.data(), columns, quantised);
        convertRow();
        s.CurrentColumn = s.LastColumn + 1;
        m_stereo.writeRow(s.CurrentRow, std::span<const Packed>(m_out.data(), columns));
        ++s.CurrentRow;
        // No yield follows the last row, so a pause asked for during it is never seen.
        if (s.CurrentRow <= s.LastRow)
            return RowOutcome::Converted;
    }

    s.ResumeState[m_resumeIndex] = 0;
    m_flags.Converting = false;
    return end(RowOutcome::Finished);
}

} // namespace quarbel::engine
