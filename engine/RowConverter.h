#pragma once

#include <array>

#include "engine/Conversion.h"
#include "engine/ShiftTable.h"

namespace quarbel::engine {

// The run control both converters share: start and abort handling, the resume row, the pause and
// closing checks before each row and the finish after the last one. Subclasses convert one row.
class RowConverter : public Converter {
public:
    void begin(const IniReader& reader, const std::string& iniPath) final;
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
    int lastColumn() const { return m_state.LastColumn; }

    // Scratch row for reading pictures and the row handed to the sink.
    std::array<Packed, RowBufferSize> m_in{};
    std::array<Packed, RowBufferSize> m_out{};

private:
    enum class Phase { NotStarted, Running, Ended };

    RowOutcome end(RowOutcome outcome);

    ConversionState& m_state;
    RunFlags& m_flags;
    RowSink& m_stereo;
    const std::size_t m_resumeIndex;
    ConversionParameters m_parameters;
    ShiftTable m_shifts;
    int m_width = 0;
    int m_height = 0;
    Phase m_phase = Phase::NotStarted;
    RowOutcome m_endOutcome = RowOutcome::Finished;
};

} // namespace quarbel::engine
