#pragma once

#include "engine/Conversion.h"
#include "engine/ShiftTable.h"

#include <array>
#include <vector>

namespace quarbel::engine {

// The run control both converters share: start and abort handling, the resume row, the pause and
// closing checks before each row and the finish after the last one. Subclasses convert one row.
class RowConverter : public Converter {
public:
    void begin(const ConversionParameters& parameters) final;
    RowOutcome nextRow() final;
    int width() const final { return m_width; }
    int height() const final { return m_height; }
    const ConversionParameters& parameters() const final { return m_parameters; }

protected:
    // resumeIndex: the ResumeState entry holding this converter's resume row.
    RowConverter(ConversionState& state, RunFlags& flags, RowSink& stereo, int resumeIndex);

    // The picture whose size the Stereo image takes.
    virtual const PixelSurface& sizeSource() const = 0;
    // Called by begin() once the parameters are read, before any row.
    virtual void prepareRun() {}
    // Fills m_out[0..LastColumn] for row state().CurrentRow; state().DepthRow is filled by then.
    virtual void convertRow() = 0;
    // The Design image, whose rows give the depth levels.
    virtual const PixelSurface& design() const = 0;

    ConversionState& state() { return m_state; }
    const ShiftTable& shifts() const { return m_shifts; }

    // Distance from a pixel to the pixel that repeats it, per depth level: RepeatWidth - shift.
    const std::array<std::int64_t, 16>& separations() const { return m_separations; }
    // True when every separation lies in 1..LinkGuard: each link then points right of its pixel
    // and lands inside m_out, so the row loops may store without a range check, and m_runStarts
    // holds the current row's runs.
    bool linksInGuard() const { return m_linksInGuard; }

    // Room after the last column for links that point past it; they are written there and never read.
    static constexpr int LinkGuard = 256;

    // Filled only when linksInGuard(): the first columns of the current row's runs of equal depth
    // level, along which the separation is constant.
    std::vector<std::int32_t> m_runStarts;
    std::size_t m_runCount = 0;

    // Scratch row for reading pictures.
    std::vector<Packed> m_in;
    // The working colour row and, once the row is done, the row handed to the sink. An entry is
    // final once its column has been passed, so later links and gap fills that point at or left
    // of the current column are not stored (the picture would not show them anyway).
    std::vector<Packed> m_out;

private:
    enum class Phase { NotStarted, Running, Ended };

    RowOutcome end(RowOutcome outcome);
    void clearRowsNotReached();

    ConversionState& m_state;
    RunFlags& m_flags;
    RowSink& m_stereo;
    const std::size_t m_resumeIndex;
    ConversionParameters m_parameters;
    ShiftTable m_shifts;
    std::array<std::int64_t, 16> m_separations{};
    bool m_linksInGuard = false;
    // A fresh run into a sink that is not shown while drawn: the clear is owed for the rows the
    // run does not reach.
    bool m_clearOwed = false;
    int m_width = 0;
    int m_height = 0;
    Phase m_phase = Phase::NotStarted;
    RowOutcome m_endOutcome = RowOutcome::Finished;
};

} // namespace quarbel::engine
