// modHelpLaunch: handing work to programs outside, the web browser and the help viewer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/form.h"

namespace modHelpLaunch {

// ShellExecuteA's answer when no program is associated with the address.
constexpr int32_t kNoAssociation = 31;

// Opens `url` with the system's handler for it (the web browser), `owner` owning any window it shows.
// Returns ShellExecuteA's result unchanged: above 32 is success; the caller decides what to report.
int32_t OpenUrl(tk::Form& owner, const std::string& url);

// `name` in `folder`, with one separator between them: a folder at the root of a drive, or as the system
// gives the temporary one, already ends in a separator.
std::string FileInFolder(const std::string& folder, const std::string& name);

}  // namespace modHelpLaunch
