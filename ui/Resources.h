#pragma once

namespace quarbel::ui {

// Registers the frame's icons (and the document windows'); resources in a static library need this.
void initResources();

} // namespace quarbel::ui
