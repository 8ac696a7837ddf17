// Popup menus: a native menu built from a toolkit menu item's visible children for one showing.
#pragma once

#include <windows.h>

#include <optional>
#include <utility>

#include "platform/controls.h"

namespace tk::win32 {

// Shows the visible children of `menu` (separators for "-") with `defaultItem` in bold, at the client
// pixel `pixels` of `window` or, without one, at the pointer. `flags` may hold TPM_RIGHTBUTTON. Returns the
// chosen item, or nullptr when the menu was dismissed.
MenuItem* TrackPopup(HWND window, MenuItem& menu, int flags, std::optional<std::pair<int, int>> pixels,
                     const MenuItem* defaultItem);

}  // namespace tk::win32
