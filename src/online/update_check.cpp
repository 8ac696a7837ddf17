// The update check. The server's answer is a one-line file; everything else about it (the download page,
// what counts as a version) is fixed here, so a forged or broken answer can at most make an offer.
#include "online/update_check.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "online/help_launch.h"

namespace {

constexpr const char* kLocalName = "lumoversiontmp.txt";
constexpr const char* kVersionFile = "/versionfiles/lumo_version.html";
constexpr const char* kDownloadPage = "/download_file.php?file=lumora.exe";
// The answer's first line is ten bytes at most; a huge answer must not cost memory.
constexpr size_t kReadLimit = 4096;

// The number on the first line when that line is 1 to 9 decimal digits (a CR before its end allowed).
std::optional<int32_t> VersionOnFirstLine(std::string_view text) {
  std::string_view line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (line.empty() || line.size() > 9 || !std::all_of(line.begin(), line.end(), digit)) return std::nullopt;
  int32_t number = 0;
  std::from_chars(line.data(), line.data() + line.size(), number);
  return number;
}

// Major, minor and revision written one after the other: 1.0.0 is 100, 1.10.0 is 1100.
std::optional<int64_t> RunningVersion(const tk::App& app) {
  const std::string joined =
      std::to_string(app.Major) + std::to_string(app.Minor) + std::to_string(app.Revision);
  int64_t number = 0;
  const auto [end, error] = std::from_chars(joined.data(), joined.data() + joined.size(), number);
  if (error != std::errc() || end != joined.data() + joined.size()) return std::nullopt;
  return number;
}

}  // namespace

std::string GetTempDir(tk::System& system) {
  return system.TempPath();
}

void CheckForUpdate(tk::Form& overlay) {
  tk::System& system = overlay.app.system;
  // Without a temporary directory there is no private place to put the answer: no check.
  const std::string folder = GetTempDir(system);
  if (folder.empty()) return;
  const std::string local = modHelpLaunch::FileInFolder(folder, kLocalName);

  // Only this download's answer may be read: a leftover that cannot be removed ends the check.
  if (!system.RemoveFile(local) && system.FileExists(local)) return;
  // Not ended by the deadline: the transfer is abandoned and cleans up after itself.
  if (!system.DownloadToFile(std::string(kServerAddress) + kVersionFile, local, kUpdateDeadlineMs)) return;
  const std::optional<std::string> head = system.ReadFileHead(local, kReadLimit);
  system.RemoveFile(local);

  const std::optional<int32_t> latest = head ? VersionOnFirstLine(*head) : std::nullopt;
  const std::optional<int64_t> running = RunningVersion(overlay.app);
  if (!latest || !running || *latest <= *running) return;
  if (system.MsgBox("There is a new version of the program available. Would you like to download the latest "
                    "version?",
                    "Lumora - New Version", tk::kMbYesNo | tk::kMbIconInformation) != tk::kIdYes)
    return;
  if (modHelpLaunch::OpenUrl(overlay, std::string(kServerAddress) + kDownloadPage) ==
      modHelpLaunch::kNoAssociation)
    system.MsgBox("Error opening Web browser.", "Error", tk::kMbIconExclamation);
}
