#pragma once

// Shared controls as plain data, for tests of the state file and the enable tables.

#include "document/DocumentState.h"

namespace quarbel::testing {

struct FakeSharedControls : document::DocumentControls {
    void setAll(bool enabled) {
        menus.fill(enabled);
        buttons.fill(enabled);
        buttons[0] = false; // buttons are numbered from 1
        captions.fill(enabled);
        slidersEnabled.fill(enabled);
        buttonMenus[{9, 2}] = enabled;
    }
};

} // namespace quarbel::testing
