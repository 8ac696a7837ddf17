// The address launcher and the Help command.
#include "online/help_launch.h"

#include "app/form1.h"

namespace modHelpLaunch {

namespace {
constexpr int kShowDefault = 10;  // SW_SHOWDEFAULT
}  // namespace

int32_t OpenUrl(tk::Form& owner, const std::string& url) {
  return owner.app.system.ShellExecute(owner.hWnd(), "open", url, "", "", kShowDefault);
}

std::string FileInFolder(const std::string& folder, const std::string& name) {
  const bool separated = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
  return folder + (separated ? "" : "\\") + name;
}

}  // namespace modHelpLaunch

void Form1::mnupophlp_Click() {
  constexpr uint32_t kDisplayToc = 1;  // HH_DISPLAY_TOC: the contents first
  const std::string path = modHelpLaunch::FileInFolder(app.Path(), "lumo.chm");
  // The viewer opens nothing for a missing or unreadable file, so say why the click did nothing.
  if (!app.system.ShowHtmlHelp(hWnd(), path, kDisplayToc, 0))
    app.system.MsgBox("The help file \"" + path + "\" could not be opened.", "Help Unavailable",
                      tk::kMbIconExclamation);
}
