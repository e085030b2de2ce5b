#pragma once

// A plain, pixel-at-a-time transcription of the conversion steps, kept deliberately unlike the
// engine's table-driven code so that the two can be compared pixel for pixel.

#include "EngineFakes.h"
#include "engine/Random.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quarbel::engine::testing {

// The colour tables written out again from the design's own tables.
extern const Packed ReferencePalette[16];
extern const Packed ReferenceDotColours[16];

int referenceQuantise(int component);
int referenceLevel(Packed colour); // component bytes, thresholds, exact match, then nearest packed value
std::int64_t referenceShift(int depth, int level);

struct ReferenceParameters {
    int repeatWidth = 70;
    int depth = 20;
    int density = 30;
};

// Converts rows [firstRow, design.height()) of a random-dot run into image (width*height, row-major),
// after seeding random with seed. previousShift is read and left as the last pixel's shift.
void referenceRandomDotRun(const MemorySurface& design, const ReferenceParameters& p,
                           const std::string& monoOrColor, RandomSource& random, std::uint64_t seed,
                           int firstRow, int endRow, std::int64_t& previousShift, std::vector<Packed>& image);

// Rows [firstRow, endRow) of a colour-field run; the image has the Field image's size.
void referenceColorFieldRun(const MemorySurface& design, const MemorySurface& field,
                            const ReferenceParameters& p, int firstRow, int endRow,
                            std::vector<Packed>& image);

} // namespace quarbel::engine::testing
