#pragma once

// Grey depth maps (a Z pass, a depth-estimation result, another program's map) to the 16 depth
// levels of a Design image.

namespace quarbel::engine {

// The grey values from far to near (inclusive) split into 16 equal steps, level 0 at far and 15 at
// near; values beyond either end take the end's level. far above near reads maps where black is
// near. far and near must differ.
int greyDepthLevel(int grey, int far, int near);

} // namespace quarbel::engine
