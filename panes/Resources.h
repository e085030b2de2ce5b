#pragma once

namespace quarbel::panes {

// Registers the document window's icons; resources in a static library need this once.
void initResources();

} // namespace quarbel::panes
