#include "platform/win32/win32_menu.h"

#include <vector>

#include "platform/win32/handle.h"

namespace tk::win32 {

MenuItem* TrackPopup(HWND window, MenuItem& menu, int flags, std::optional<std::pair<int, int>> pixels,
                     const MenuItem* defaultItem) {
  UniqueHmenu popup(::CreatePopupMenu());
  if (!popup) return nullptr;

  // Command n is entries[n - 1]; 0 is what TrackPopupMenu returns when nothing was chosen.
  std::vector<MenuItem*> entries;
  for (MenuItem* item : menu.Items) {
    if (!item->Visible) continue;
    if (item->IsSeparator()) {
      ::AppendMenuA(popup.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    entries.push_back(item);
    const UINT command = static_cast<UINT>(entries.size());
    ::AppendMenuA(popup.get(), MF_STRING, command, item->Caption.c_str());
    if (item == defaultItem) ::SetMenuDefaultItem(popup.get(), command, FALSE);
  }

  POINT at{};
  if (pixels) {
    at = {pixels->first, pixels->second};
    ::ClientToScreen(window, &at);
  } else {
    ::GetCursorPos(&at);
  }

  // Without the foreground the menu would not close when the user clicks elsewhere; the posted WM_NULL
  // makes the switch away take effect at once.
  ::SetForegroundWindow(window);
  const UINT how = TPM_RETURNCMD | (static_cast<UINT>(flags) & TPM_RIGHTBUTTON);
  const int command = static_cast<int>(::TrackPopupMenu(popup.get(), how, at.x, at.y, 0, window, nullptr));
  ::PostMessageA(window, WM_NULL, 0, 0);

  if (command <= 0 || static_cast<size_t>(command) > entries.size()) return nullptr;
  return entries[static_cast<size_t>(command) - 1];
}

}  // namespace tk::win32
