#pragma once

// The two fixed enable tables of the main window: no document open, and a new document.

#include "document/SharedControls.h"
#include "document/Tags.h"

#include <array>
#include <string_view>

namespace quarbel::ui {

// Puts the shared controls into the no-document state.
void ResetMenus(document::SharedControls& controls);

// The table part of SetNewDocumentMenus; the kind decides the Field-image insert entries.
void applyNewDocumentMenus(document::SharedControls& controls, document::StereoKind kind);

// Menu items that keep no state of their own: each is enabled exactly when its leader is, so the
// state file, the enable tables and every document's saved state carry them without a key.
struct FollowingMenu {
    std::string_view name; // object name of the item
    document::Menu leader;
};
inline constexpr std::array<FollowingMenu, 2> FollowingMenus{{
    // A depth map is a way of inserting a Design image.
    {"mnuInsDepthMap", document::Menu::mnuInsDesign},
    // Reading the Stereo picture back needs what printing needs: a Stereo picture and no run.
    {"mnuConvReveal", document::Menu::mnuPrint},
}};

} // namespace quarbel::ui
