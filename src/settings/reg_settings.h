// The settings store: short text values under HKEY_CURRENT_USER\Software\<Company>\<AppName>\<Section>, and
// the program's entry in the current user's Run key. Nothing here raises or shows anything; every failure
// comes back as the operation's fallback result, and every key opened is closed before returning.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

// One value of a section, as GetAllSettings lists it.
struct SettingRow {
  std::string name;
  std::string text;
  bool operator==(const SettingRow&) const = default;
};

class CRegSettings {
 public:
  explicit CRegSettings(tk::Registry& registry) : registry_(registry) {}

  // The first and second path levels under Software. Values are stored without leading or trailing spaces;
  // an empty value restores the built-in name.
  const std::string& Company() const { return company_; }
  void Company(const std::string& NewVal);
  const std::string& AppName() const { return appName_; }
  void AppName(const std::string& NewVal);

  // The text of Section's value Key ("*" is the section's default value), or Default when the key or value
  // is missing, empty or unreadable.
  std::string GetSetting(const std::string& Section, const std::string& Key,
                         const std::string& Default = "") const;
  // Stores Setting as REG_SZ, creating every missing level; true when the value was written.
  bool SaveSetting(const std::string& Section, const std::string& Key, const std::string& Setting);
  // With a Key, deletes that value; without one, deletes the section key itself (only if it has no
  // subkeys). True when the deletion succeeded.
  bool DeleteSetting(const std::string& Section, const std::string& Key = "");
  // Every REG_SZ value of Section in enumeration order; nullopt when there is none or the key cannot be read.
  std::optional<std::vector<SettingRow>> GetAllSettings(const std::string& Section) const;
  // The subkey names, in enumeration order, of hKey's program key for section KeyName, or of hKey itself
  // when KeyName is empty. hKey is never closed.
  std::vector<std::string> EnumRegistryKeys(tk::HKey hKey, const std::string& KeyName) const;
  // Action 0 removes the Run entry named AppName, 1 writes it with CmdLine; anything else does nothing and
  // gives false. Company and this object's AppName play no part.
  bool RunNextBoot(const std::string& AppName, const std::string& CmdLine, int16_t Action);

 private:
  std::string BuildKeyPath(const std::string& Section) const;

  tk::Registry& registry_;
  std::string company_ = "Quillfen";
  std::string appName_ = "Lumora";
};
