#include "settings/reg_settings.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr char kDefaultCompany[] = "Quillfen";
constexpr char kDefaultAppName[] = "Lumora";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr uint32_t kKeyNameBufferChars = 260;

// Only spaces count as padding; a tab typed into a name is kept.
std::string TrimSpaces(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "*" stands for the key's default value, which the registry knows as the unnamed value.
const char* ValueName(const std::string& Key) {
  return Key == "*" ? nullptr : Key.c_str();
}

tk::UniqueRegKey OpenKey(tk::Registry& registry, tk::HKey parent, const std::string& path,
                         tk::RegSam access) {
  tk::HKey key = tk::HKey::kNone;
  if (registry.OpenKey(parent, path.c_str(), access, &key) != tk::kErrorSuccess) key = tk::HKey::kNone;
  return tk::UniqueRegKey(registry, key);
}

tk::UniqueRegKey CreateKey(tk::Registry& registry, tk::HKey parent, const std::string& path) {
  tk::HKey key = tk::HKey::kNone;
  if (registry.CreateKey(parent, path.c_str(), tk::kKeyAllAccess, &key, nullptr) != tk::kErrorSuccess) {
    key = tk::HKey::kNone;
  }
  return tk::UniqueRegKey(registry, key);
}

tk::RegStatus WriteText(tk::Registry& registry, tk::HKey key, const char* name, const std::string& text,
                        bool countNul) {
  const size_t count = text.size() + (countNul ? 1 : 0);
  if (count > std::numeric_limits<uint32_t>::max()) return tk::kErrorInvalidParameter;
  return registry.SetValue(key, name, tk::kRegSz, reinterpret_cast<const uint8_t*>(text.c_str()),
                           static_cast<uint32_t>(count));
}

// The stored bytes taken as text up to the first NUL, never past what the read returned, whatever the type:
// a value typed by hand as binary, or a string whose writer counted no NUL, keeps every byte it has.
std::string ValueText(const std::vector<uint8_t>& bytes, uint32_t size) {
  const auto* text = reinterpret_cast<const char*>(bytes.data());
  const size_t length = std::min<size_t>(size, bytes.size());
  return std::string(text, std::find(text, text + length, '\0'));
}

}  // namespace

void CRegSettings::Company(const std::string& NewVal) {
  std::string trimmed = TrimSpaces(NewVal);
  company_ = trimmed.empty() ? kDefaultCompany : std::move(trimmed);
}

void CRegSettings::AppName(const std::string& NewVal) {
  std::string trimmed = TrimSpaces(NewVal);
  appName_ = trimmed.empty() ? kDefaultAppName : std::move(trimmed);
}

std::string CRegSettings::BuildKeyPath(const std::string& Section) const {
  std::string path = "Software\\" + company_ + "\\" + appName_;
  if (!Section.empty()) path += "\\" + Section;
  return path;
}

std::string CRegSettings::GetSetting(const std::string& Section, const std::string& Key,
                                     const std::string& Default) const {
  const tk::UniqueRegKey key =
      OpenKey(registry_, tk::kHkeyCurrentUser, BuildKeyPath(Section), tk::kKeyAllAccess);
  if (!key) return Default;
  const char* name = ValueName(Key);
  uint32_t size = 0;
  if (registry_.QueryValue(key.get(), name, nullptr, nullptr, &size) != tk::kErrorSuccess || size == 0) {
    return Default;
  }
  std::vector<uint8_t> bytes(size);
  // A value that grew after its size was asked for answers kErrorMoreData; the default beats a torn read.
  if (registry_.QueryValue(key.get(), name, nullptr, bytes.data(), &size) != tk::kErrorSuccess || size == 0) {
    return Default;
  }
  return ValueText(bytes, size);
}

bool CRegSettings::SaveSetting(const std::string& Section, const std::string& Key,
                               const std::string& Setting) {
  const tk::UniqueRegKey key = CreateKey(registry_, tk::kHkeyCurrentUser, BuildKeyPath(Section));
  if (!key) return false;
  return WriteText(registry_, key.get(), ValueName(Key), Setting, true) == tk::kErrorSuccess;
}

bool CRegSettings::DeleteSetting(const std::string& Section, const std::string& Key) {
  if (!Key.empty()) {
    const tk::UniqueRegKey key =
        OpenKey(registry_, tk::kHkeyCurrentUser, BuildKeyPath(Section), tk::kKeyAllAccess);
    if (!key) return false;
    return registry_.DeleteValue(key.get(), ValueName(Key)) == tk::kErrorSuccess;
  }
  // An empty subkey name would make the registry delete the program key itself.
  if (Section.empty()) return false;
  const tk::UniqueRegKey key = OpenKey(registry_, tk::kHkeyCurrentUser, BuildKeyPath(""), tk::kKeyAllAccess);
  if (!key) return false;
  return registry_.DeleteKey(key.get(), Section.c_str()) == tk::kErrorSuccess;
}

std::optional<std::vector<SettingRow>> CRegSettings::GetAllSettings(const std::string& Section) const {
  const tk::UniqueRegKey key = OpenKey(registry_, tk::kHkeyCurrentUser, BuildKeyPath(Section), tk::kKeyRead);
  if (!key) return std::nullopt;
  tk::RegKeyInfo info;
  if (registry_.QueryInfoKey(key.get(), &info) != tk::kErrorSuccess) return std::nullopt;
  std::vector<char> name(static_cast<size_t>(info.maxValueNameLen) + 1);
  std::vector<uint8_t> data(static_cast<size_t>(info.maxValueLen) + 1);
  std::vector<SettingRow> rows;
  for (uint32_t index = 0;; ++index) {
    auto nameLen = static_cast<uint32_t>(name.size());
    auto dataLen = static_cast<uint32_t>(data.size());
    tk::RegType type = tk::kRegNone;
    if (registry_.EnumValue(key.get(), index, name.data(), &nameLen, &type, data.data(), &dataLen) !=
        tk::kErrorSuccess) {
      break;
    }
    if (type != tk::kRegSz) continue;
    rows.push_back(SettingRow{std::string(name.data(), std::min<size_t>(nameLen, name.size())),
                              ValueText(data, dataLen)});
  }
  if (rows.empty()) return std::nullopt;
  return rows;
}

std::vector<std::string> CRegSettings::EnumRegistryKeys(tk::HKey hKey, const std::string& KeyName) const {
  std::vector<std::string> names;
  tk::UniqueRegKey opened(registry_);
  tk::HKey parent = hKey;
  if (!KeyName.empty()) {
    opened = OpenKey(registry_, hKey, BuildKeyPath(KeyName), tk::kKeyRead);
    if (!opened) return names;
    parent = opened.get();
  }
  char buffer[kKeyNameBufferChars];
  for (uint32_t index = 0; registry_.EnumKey(parent, index, buffer, kKeyNameBufferChars) == tk::kErrorSuccess;
       ++index) {
    names.emplace_back(buffer, strnlen(buffer, kKeyNameBufferChars));
  }
  return names;
}

bool CRegSettings::RunNextBoot(const std::string& AppName, const std::string& CmdLine, int16_t Action) {
  switch (Action) {
    case 0: {
      const tk::UniqueRegKey key = OpenKey(registry_, tk::kHkeyCurrentUser, kRunKey, tk::kKeyAllAccess);
      if (!key) return false;
      return registry_.DeleteValue(key.get(), AppName.c_str()) == tk::kErrorSuccess;
    }
    case 1: {
      const tk::UniqueRegKey key = CreateKey(registry_, tk::kHkeyCurrentUser, kRunKey);
      if (!key) return false;
      // With its terminating NUL, as every REG_SZ should be: readers must not run past the text.
      return WriteText(registry_, key.get(), AppName.c_str(), CmdLine, true) == tk::kErrorSuccess;
    }
    default:
      return false;
  }
}
