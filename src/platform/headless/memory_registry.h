// An in-memory hive with the Win32 registry's rules, for tests: key names compare case-insensitively (ASCII),
// subkeys enumerate in name order and values in the order they were first written, a key with subkeys
// cannot be deleted, handles carry their access rights, and a deleted key's handles answer
// kErrorKeyDeleted. Tests preset what a real profile might hold (raw bytes of any type, keys that refuse to
// open) and inspect what the code left behind, including whether every handle was closed.
// tests/settings/registry_contract.h holds it to what the real registry does.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace tk {

class MemoryRegistry final : public Registry {
 public:
  // A value's type and raw bytes (a std::string used as a byte buffer).
  struct StoredValue {
    RegType type = kRegNone;
    std::string bytes;
    bool operator==(const StoredValue&) const = default;
  };

  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  RegStatus OpenKey(HKey key, const char* subKey, RegSam access, HKey* result) override;
  RegStatus CreateKey(HKey key, const char* subKey, RegSam access, HKey* result,
                      uint32_t* disposition) override;
  RegStatus QueryValue(HKey key, const char* valueName, RegType* type, uint8_t* data,
                       uint32_t* dataSize) override;
  RegStatus SetValue(HKey key, const char* valueName, RegType type, const uint8_t* data,
                     uint32_t dataSize) override;
  RegStatus DeleteValue(HKey key, const char* valueName) override;
  RegStatus DeleteKey(HKey key, const char* subKey) override;
  RegStatus QueryInfoKey(HKey key, RegKeyInfo* info) override;
  RegStatus EnumValue(HKey key, uint32_t index, char* name, uint32_t* nameLen, RegType* type, uint8_t* data,
                      uint32_t* dataSize) override;
  RegStatus EnumKey(HKey key, uint32_t index, char* name, uint32_t nameCapacity) override;
  RegStatus CloseKey(HKey key) override;

  // Presetting. Paths are relative to a predefined root, levels separated by '\'; every missing level is
  // created. An empty value name is the key's default value.
  void PresetKey(HKey root, std::string_view path);
  void PresetValue(HKey root, std::string_view path, std::string_view name, RegType type,
                   std::string_view bytes);
  // REG_SZ with its terminating NUL, as a well-behaved writer stores text.
  void PresetString(HKey root, std::string_view path, std::string_view name, std::string_view text);
  void PresetDword(HKey root, std::string_view path, std::string_view name, uint32_t value);
  // Opening or creating this key (created now if missing), or creating a subkey under it, fails with
  // kErrorAccessDenied, as for a key whose security forbids this user.
  void DenyAccess(HKey root, std::string_view path);
  // Runs `change` once, right before the next read that fills a data buffer (QueryValue or EnumValue), as
  // another program writing between a size query and the read would.
  void BeforeNextDataRead(std::function<void()> change);

  // Inspecting.
  bool KeyExists(HKey root, std::string_view path) const;
  std::optional<StoredValue> Value(HKey root, std::string_view path, std::string_view name) const;
  std::vector<std::string> SubKeyNames(HKey root, std::string_view path) const;  // enumeration order
  std::vector<std::string> ValueNames(HKey root, std::string_view path) const;   // enumeration order
  int OpenHandleCount() const { return static_cast<int>(handles_.size()); }
  // CloseKey calls on a handle that was not open (closed twice, or never opened).
  int StaleCloseCount() const { return staleCloses_; }
  // The subkey path of every OpenKey and CreateKey call, in order.
  const std::vector<std::string>& OpenCalls() const { return openCalls_; }

 private:
  struct Node;
  struct Handle {
    std::shared_ptr<Node> node;
    RegSam access = 0;
  };

  // Resolves `key` for an operation needing `rights`; predefined roots have every right.
  RegStatus Resolve(HKey key, RegSam rights, std::shared_ptr<Node>* node) const;
  std::shared_ptr<Node> Root(HKey root) const;
  static std::shared_ptr<Node> Child(const Node& node, std::string_view name);
  static std::shared_ptr<Node> AddChild(Node& node, std::string_view name);
  Node* Find(HKey root, std::string_view path) const;
  Node& Ensure(HKey root, std::string_view path);
  HKey NewHandle(std::shared_ptr<Node> node, RegSam access);
  RegStatus FillData(const StoredValue& value, RegType* type, uint8_t* data, uint32_t* dataSize);

  mutable std::map<uintptr_t, std::shared_ptr<Node>> roots_;
  std::map<uintptr_t, Handle> handles_;
  uintptr_t nextHandle_ = 0x100;
  int staleCloses_ = 0;
  std::vector<std::string> openCalls_;
  std::function<void()> beforeNextDataRead_;
};

}  // namespace tk
