#include "platform/headless/memory_registry.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tk {

struct MemoryRegistry::Node {
  std::string name;
  Node* parent = nullptr;
  std::vector<std::pair<std::string, StoredValue>> values;  // in the order first written
  std::vector<std::shared_ptr<Node>> children;              // in name order
  bool denied = false;
  bool deleted = false;
};

namespace {

// Windows compares registry names by their upper-case forms; this hive only folds ASCII.
std::string Fold(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

bool SameName(std::string_view a, std::string_view b) {
  return Fold(a) == Fold(b);
}

std::string_view NameOrEmpty(const char* name) {
  return name != nullptr ? std::string_view(name) : "";
}

// The levels of a path, skipping empty ones (a doubled or trailing '\'), as Windows does.
std::vector<std::string_view> Levels(std::string_view path) {
  std::vector<std::string_view> levels;
  while (!path.empty()) {
    const size_t end = std::min(path.find('\\'), path.size());
    if (end > 0) levels.push_back(path.substr(0, end));
    path.remove_prefix(std::min(end + 1, path.size()));
  }
  return levels;
}

// A path given to the registry functions must be relative: Windows refuses a leading '\'.
std::optional<std::vector<std::string_view>> SplitPath(const char* path) {
  const std::string_view text = NameOrEmpty(path);
  if (!text.empty() && text.front() == '\\') return std::nullopt;
  return Levels(text);
}

}  // namespace

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Child(const Node& node, std::string_view name) {
  for (const auto& child : node.children) {
    if (SameName(child->name, name)) return child;
  }
  return nullptr;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::AddChild(Node& node, std::string_view name) {
  auto child = std::make_shared<Node>();
  child->name = std::string(name);
  child->parent = &node;
  const std::string folded = Fold(name);
  auto& siblings = node.children;
  siblings.insert(
      std::find_if(siblings.begin(), siblings.end(), [&](const auto& c) { return Fold(c->name) > folded; }),
      child);
  return child;
}

MemoryRegistry::MemoryRegistry() = default;
MemoryRegistry::~MemoryRegistry() = default;

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Root(HKey root) const {
  auto& node = roots_[static_cast<uintptr_t>(root)];
  if (!node) node = std::make_shared<Node>();
  return node;
}

RegStatus MemoryRegistry::Resolve(HKey key, RegSam rights, std::shared_ptr<Node>* node) const {
  if (IsPredefinedKey(key)) {
    *node = Root(key);
    return kErrorSuccess;
  }
  const auto found = handles_.find(static_cast<uintptr_t>(key));
  if (found == handles_.end()) return kErrorInvalidHandle;
  if (found->second.node->deleted) return kErrorKeyDeleted;
  if ((found->second.access & rights) != rights) return kErrorAccessDenied;
  *node = found->second.node;
  return kErrorSuccess;
}

HKey MemoryRegistry::NewHandle(std::shared_ptr<Node> node, RegSam access) {
  const uintptr_t value = nextHandle_;
  nextHandle_ += 4;  // like kernel handles, and never reused, so a stale handle stays invalid
  handles_[value] = Handle{std::move(node), access};
  return static_cast<HKey>(value);
}

RegStatus MemoryRegistry::OpenKey(HKey key, const char* subKey, RegSam access, HKey* result) {
  openCalls_.emplace_back(NameOrEmpty(subKey));
  if (result == nullptr) return kErrorInvalidParameter;
  *result = HKey::kNone;
  std::shared_ptr<Node> node;
  if (RegStatus status = Resolve(key, 0, &node); status != kErrorSuccess) return status;
  const auto levels = SplitPath(subKey);
  if (!levels) return kErrorBadPathname;
  for (std::string_view level : *levels) {
    node = Child(*node, level);
    if (!node) return kErrorFileNotFound;
  }
  if (node->denied) return kErrorAccessDenied;
  *result = NewHandle(std::move(node), access);
  return kErrorSuccess;
}

RegStatus MemoryRegistry::CreateKey(HKey key, const char* subKey, RegSam access, HKey* result,
                                    uint32_t* disposition) {
  openCalls_.emplace_back(NameOrEmpty(subKey));
  if (result == nullptr) return kErrorInvalidParameter;
  *result = HKey::kNone;
  std::shared_ptr<Node> node;
  if (RegStatus status = Resolve(key, 0, &node); status != kErrorSuccess) return status;
  const auto levels = SplitPath(subKey);
  if (!levels) return kErrorBadPathname;
  bool created = false;
  for (std::string_view level : *levels) {
    std::shared_ptr<Node> next = Child(*node, level);
    if (!next) {
      if (node->denied) return kErrorAccessDenied;
      next = AddChild(*node, level);
      created = true;
    }
    node = std::move(next);
  }
  if (node->denied) return kErrorAccessDenied;
  if (disposition != nullptr) *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
  *result = NewHandle(std::move(node), access);
  return kErrorSuccess;
}

RegStatus MemoryRegistry::FillData(const StoredValue& value, RegType* type, uint8_t* data,
                                   uint32_t* dataSize) {
  if (type != nullptr) *type = value.type;
  const auto size = static_cast<uint32_t>(value.bytes.size());
  if (dataSize == nullptr) return kErrorSuccess;
  if (data != nullptr) {
    if (*dataSize < size) {
      *dataSize = size;
      return kErrorMoreData;
    }
    std::memcpy(data, value.bytes.data(), size);
  }
  *dataSize = size;
  return kErrorSuccess;
}

RegStatus MemoryRegistry::QueryValue(HKey key, const char* valueName, RegType* type, uint8_t* data,
                                     uint32_t* dataSize) {
  if (data != nullptr && dataSize == nullptr) return kErrorInvalidParameter;
  if (data != nullptr && beforeNextDataRead_) std::exchange(beforeNextDataRead_, nullptr)();
  std::shared_ptr<Node> node;
  if (RegStatus status = Resolve(key, kKeyQueryValue, &node); status != kErrorSuccess) return status;
  for (const auto& [name, value] : node->values) {
    if (SameName(name, NameOrEmpty(valueName))) return FillData(value, type, data, dataSize);
  }
  return kErrorFileNotFound;
}

RegStatus MemoryRegistry::SetValue(HKey key, const char* valueName, RegType type, const uint8_t* data,
                                   uint32_t dataSize) {
  if (data == nullptr && dataSize != 0) return kErrorInvalidParameter;
  std::shared_ptr<Node> node;
  if (RegStatus status = Resolve(key, kKeySetValue, &node); status != kErrorSuccess) return status;
  // Like Windows, a string whose count leaves out the NUL right after it is stored with the NUL.
  const bool text = type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
  if (text && dataSize > 0 && data[dataSize - 1] != 0 && data[dataSize] == 0) ++dataSize;
  StoredValue stored{type, std::string(reinterpret_cast<const char*>(data), dataSize)};
  for (auto& [name, value] : node->values) {
    if (SameName(name, NameOrEmpty(valueName))) {
      value = std::move(stored);
      return kErrorSuccess;
    }
  }
  node->values.emplace_back(std::string(NameOrEmpty(valueName)), std::move(stored));
  return kErrorSuccess;
}

RegStatus MemoryRegistry::DeleteValue(HKey key, const char* valueName) {
  std::shared_ptr<Node> node;
  if (RegStatus status = Resolve(key, kKeySetValue, &node); status != kErrorSuccess) return status;
  auto& values = node->values;
  const auto found = std::find_if(values.begin(), values.end(),
                                  [&](const auto& v) { return SameName(v.first, NameOrEmpty(valueName)); });
  if (found == values.end()) return kErrorFileNotFound;
  values.erase(found);
  return kErrorSuccess;
}

RegStatus MemoryRegistry::DeleteKey(HKey key, const char* subKey) {
  std::shared_ptr<Node> node;
  if (RegStatus status = Resolve(key, 0, &node); status != kErrorSuccess) return status;
  const auto levels = SplitPath(subKey);
  if (!levels) return kErrorBadPathname;
  for (std::string_view level : *levels) {
    node = Child(*node, level);
    if (!node) return kErrorFileNotFound;
  }
  // A root cannot go, a refused key cannot be opened for deletion, and deletion never recurses.
  if (node->parent == nullptr || node->denied || !node->children.empty()) return kErrorAccessDenied;
  std::erase(node->parent->children, node);
  node->parent = nullptr;
  node->deleted = true;
  return kErrorSuccess;
}

RegStatus MemoryRegistry::QueryInfoKey(HKey key, RegKeyInfo* info) {
  std::shared_ptr<Node> node;
  if (RegStatus status = Resolve(key, kKeyQueryValue, &node); status != kErrorSuccess) return status;
  RegKeyInfo result;
  result.subKeys = static_cast<uint32_t>(node->children.size());
  result.values = static_cast<uint32_t>(node->values.size());
  for (const auto& child : node->children) {
    result.maxSubKeyLen = std::max(result.maxSubKeyLen, static_cast<uint32_t>(child->name.size()));
  }
  for (const auto& [name, value] : node->values) {
    result.maxValueNameLen = std::max(result.maxValueNameLen, static_cast<uint32_t>(name.size()));
    result.maxValueLen = std::max(result.maxValueLen, static_cast<uint32_t>(value.bytes.size()));
  }
  *info = result;
  return kErrorSuccess;
}

RegStatus MemoryRegistry::EnumValue(HKey key, uint32_t index, char* name, uint32_t* nameLen, RegType* type,
                                    uint8_t* data, uint32_t* dataSize) {
  if (name == nullptr || nameLen == nullptr) return kErrorInvalidParameter;
  if (data != nullptr && dataSize == nullptr) return kErrorInvalidParameter;
  if (data != nullptr && beforeNextDataRead_) std::exchange(beforeNextDataRead_, nullptr)();
  std::shared_ptr<Node> node;
  if (RegStatus status = Resolve(key, kKeyQueryValue, &node); status != kErrorSuccess) return status;
  if (index >= node->values.size()) return kErrorNoMoreItems;
  const auto& [valueName, value] = node->values[index];
  if (valueName.size() + 1 > *nameLen) return kErrorMoreData;
  if (RegStatus status = FillData(value, type, data, dataSize); status != kErrorSuccess) return status;
  std::memcpy(name, valueName.c_str(), valueName.size() + 1);
  *nameLen = static_cast<uint32_t>(valueName.size());
  return kErrorSuccess;
}

RegStatus MemoryRegistry::EnumKey(HKey key, uint32_t index, char* name, uint32_t nameCapacity) {
  std::shared_ptr<Node> node;
  if (RegStatus status = Resolve(key, kKeyEnumerateSubKeys, &node); status != kErrorSuccess) return status;
  if (index >= node->children.size()) return kErrorNoMoreItems;
  const std::string& childName = node->children[index]->name;
  if (name == nullptr || childName.size() + 1 > nameCapacity) return kErrorMoreData;
  std::memcpy(name, childName.c_str(), childName.size() + 1);
  return kErrorSuccess;
}

RegStatus MemoryRegistry::CloseKey(HKey key) {
  if (IsPredefinedKey(key)) return kErrorSuccess;
  if (handles_.erase(static_cast<uintptr_t>(key)) == 1) return kErrorSuccess;
  ++staleCloses_;
  return kErrorInvalidHandle;
}

MemoryRegistry::Node* MemoryRegistry::Find(HKey root, std::string_view path) const {
  std::shared_ptr<Node> node = Root(root);
  for (std::string_view level : Levels(path)) {
    node = Child(*node, level);
    if (!node) return nullptr;
  }
  return node.get();
}

MemoryRegistry::Node& MemoryRegistry::Ensure(HKey root, std::string_view path) {
  std::shared_ptr<Node> node = Root(root);
  for (std::string_view level : Levels(path)) {
    std::shared_ptr<Node> next = Child(*node, level);
    node = next ? std::move(next) : AddChild(*node, level);
  }
  return *node;
}

void MemoryRegistry::PresetKey(HKey root, std::string_view path) {
  Ensure(root, path);
}

void MemoryRegistry::PresetValue(HKey root, std::string_view path, std::string_view name, RegType type,
                                 std::string_view bytes) {
  Node& node = Ensure(root, path);
  StoredValue stored{type, std::string(bytes)};
  for (auto& [valueName, value] : node.values) {
    if (SameName(valueName, name)) {
      value = std::move(stored);
      return;
    }
  }
  node.values.emplace_back(std::string(name), std::move(stored));
}

void MemoryRegistry::PresetString(HKey root, std::string_view path, std::string_view name,
                                  std::string_view text) {
  std::string bytes(text);
  bytes.push_back('\0');
  PresetValue(root, path, name, kRegSz, bytes);
}

void MemoryRegistry::PresetDword(HKey root, std::string_view path, std::string_view name, uint32_t value) {
  // REG_DWORD is little-endian, whatever the host.
  const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                         static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
  PresetValue(root, path, name, kRegDword, std::string_view(bytes, 4));
}

void MemoryRegistry::DenyAccess(HKey root, std::string_view path) {
  Ensure(root, path).denied = true;
}

void MemoryRegistry::BeforeNextDataRead(std::function<void()> change) {
  beforeNextDataRead_ = std::move(change);
}

bool MemoryRegistry::KeyExists(HKey root, std::string_view path) const {
  return Find(root, path) != nullptr;
}

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::Value(HKey root, std::string_view path,
                                                                 std::string_view name) const {
  const Node* node = Find(root, path);
  if (node == nullptr) return std::nullopt;
  for (const auto& [valueName, value] : node->values) {
    if (SameName(valueName, name)) return value;
  }
  return std::nullopt;
}

std::vector<std::string> MemoryRegistry::SubKeyNames(HKey root, std::string_view path) const {
  std::vector<std::string> names;
  if (const Node* node = Find(root, path)) {
    for (const auto& child : node->children) names.push_back(child->name);
  }
  return names;
}

std::vector<std::string> MemoryRegistry::ValueNames(HKey root, std::string_view path) const {
  std::vector<std::string> names;
  if (const Node* node = Find(root, path)) {
    for (const auto& [name, value] : node->values) names.push_back(name);
  }
  return names;
}

}  // namespace tk
