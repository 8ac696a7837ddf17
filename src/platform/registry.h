// The registry, as the settings store reaches it: the ANSI Win32 registry functions, one virtual per
// function, with their status codes and their buffer conventions. win32 calls the real functions; headless
// keeps an in-memory hive that tests preset and inspect.
#pragma once

#include <cstdint>
#include <utility>

namespace tk {

// A key handle as an opaque value: a predefined root or a handle returned by OpenKey/CreateKey.
enum class HKey : uintptr_t { kNone = 0 };

// The predefined roots, with the values Win32 gives them (the win32 backend sign-extends them as <windows.h>
// does on 64-bit builds).
inline constexpr HKey kHkeyClassesRoot{0x80000000u};
inline constexpr HKey kHkeyCurrentUser{0x80000001u};
inline constexpr HKey kHkeyLocalMachine{0x80000002u};
inline constexpr HKey kHkeyUsers{0x80000003u};

inline constexpr bool IsPredefinedKey(HKey key) {
  return static_cast<uintptr_t>(key) >= 0x80000000u && static_cast<uintptr_t>(key) <= 0x80000006u;
}

// Win32 status codes (LONG results of the registry functions).
using RegStatus = int32_t;
inline constexpr RegStatus kErrorSuccess = 0;
inline constexpr RegStatus kErrorFileNotFound = 2;
inline constexpr RegStatus kErrorAccessDenied = 5;
inline constexpr RegStatus kErrorInvalidHandle = 6;
inline constexpr RegStatus kErrorInvalidParameter = 87;
inline constexpr RegStatus kErrorBadPathname = 161;
inline constexpr RegStatus kErrorMoreData = 234;
inline constexpr RegStatus kErrorNoMoreItems = 259;
inline constexpr RegStatus kErrorKeyDeleted = 1018;

// Access rights (REGSAM).
using RegSam = uint32_t;
inline constexpr RegSam kKeyQueryValue = 0x0001;
inline constexpr RegSam kKeySetValue = 0x0002;
inline constexpr RegSam kKeyCreateSubKey = 0x0004;
inline constexpr RegSam kKeyEnumerateSubKeys = 0x0008;
inline constexpr RegSam kKeyNotify = 0x0010;
inline constexpr RegSam kKeyCreateLink = 0x0020;
inline constexpr RegSam kKeyRead = 0x20019;
inline constexpr RegSam kKeyWrite = 0x20006;
inline constexpr RegSam kKeyAllAccess = 0xF003F;

// Value types.
using RegType = uint32_t;
inline constexpr RegType kRegNone = 0;
inline constexpr RegType kRegSz = 1;
inline constexpr RegType kRegExpandSz = 2;
inline constexpr RegType kRegBinary = 3;
inline constexpr RegType kRegDword = 4;
inline constexpr RegType kRegMultiSz = 7;
inline constexpr RegType kRegQword = 11;

// CreateKey dispositions.
inline constexpr uint32_t kRegCreatedNewKey = 1;
inline constexpr uint32_t kRegOpenedExistingKey = 2;

// What RegQueryInfoKeyA reports about a key. Lengths of names are in characters without the NUL, lengths
// of data in bytes.
struct RegKeyInfo {
  uint32_t subKeys = 0;
  uint32_t maxSubKeyLen = 0;
  uint32_t values = 0;
  uint32_t maxValueNameLen = 0;
  uint32_t maxValueLen = 0;
};

// Names are NUL-terminated ANSI strings. A null or empty value name is the key's default (unnamed) value; a
// null or empty subkey name in OpenKey/CreateKey opens a new handle to `key` itself. Every handle returned
// must be given back to CloseKey (UniqueRegKey does it).
class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExA: opens an existing key. On failure *result is kNone.
  virtual RegStatus OpenKey(HKey key, const char* subKey, RegSam access, HKey* result) = 0;
  // RegCreateKeyExA with no class, REG_OPTION_NON_VOLATILE and no security attributes: opens the key,
  // creating every missing level. `disposition` may be null. On failure *result is kNone.
  virtual RegStatus CreateKey(HKey key, const char* subKey, RegSam access, HKey* result,
                              uint32_t* disposition) = 0;
  // RegQueryValueExA. With `data` null, *dataSize receives the size in bytes. With a buffer of *dataSize
  // bytes: fills it and sets *dataSize to the bytes written, or returns kErrorMoreData with the size
  // needed (the buffer's contents are then undefined). `type` may be null.
  virtual RegStatus QueryValue(HKey key, const char* valueName, RegType* type, uint8_t* data,
                               uint32_t* dataSize) = 0;
  // RegSetValueExA: stores exactly `dataSize` bytes with the given type.
  virtual RegStatus SetValue(HKey key, const char* valueName, RegType type, const uint8_t* data,
                             uint32_t dataSize) = 0;
  // RegDeleteValueA: kErrorFileNotFound when there is no such value.
  virtual RegStatus DeleteValue(HKey key, const char* valueName) = 0;
  // RegDeleteKeyA: removes a subkey that has no subkeys of its own (kErrorAccessDenied otherwise).
  virtual RegStatus DeleteKey(HKey key, const char* subKey) = 0;
  // RegQueryInfoKeyA: the counts and longest lengths.
  virtual RegStatus QueryInfoKey(HKey key, RegKeyInfo* info) = 0;
  // RegEnumValueA. *nameLen is the name buffer's capacity in characters including the NUL; on success it
  // becomes the name's length without the NUL. `type`, `data` and `dataSize` may be null; data as for
  // QueryValue. kErrorNoMoreItems past the last value; kErrorMoreData when a buffer is too small.
  virtual RegStatus EnumValue(HKey key, uint32_t index, char* name, uint32_t* nameLen, RegType* type,
                              uint8_t* data, uint32_t* dataSize) = 0;
  // RegEnumKeyA: the NUL-terminated name of the subkey at `index` into a buffer of `nameCapacity`
  // characters. kErrorNoMoreItems past the last subkey; kErrorMoreData when the buffer is too small.
  virtual RegStatus EnumKey(HKey key, uint32_t index, char* name, uint32_t nameCapacity) = 0;
  // RegCloseKey. Closing a predefined root does nothing and succeeds.
  virtual RegStatus CloseKey(HKey key) = 0;
};

// Owns one open key and closes it through the registry that opened it, so a key is closed on every path.
class UniqueRegKey {
 public:
  explicit UniqueRegKey(Registry& registry) : registry_(&registry) {}
  UniqueRegKey(Registry& registry, HKey key) : registry_(&registry), key_(key) {}
  UniqueRegKey(UniqueRegKey&& other) noexcept : registry_(other.registry_), key_(other.release()) {}
  UniqueRegKey& operator=(UniqueRegKey&& other) noexcept {
    if (this != &other) {
      reset();
      registry_ = other.registry_;
      key_ = other.release();
    }
    return *this;
  }
  UniqueRegKey(const UniqueRegKey&) = delete;
  UniqueRegKey& operator=(const UniqueRegKey&) = delete;
  ~UniqueRegKey() { reset(); }

  HKey get() const { return key_; }
  explicit operator bool() const { return key_ != HKey::kNone; }
  HKey release() { return std::exchange(key_, HKey::kNone); }
  void reset(HKey key = HKey::kNone) {
    HKey old = std::exchange(key_, key);
    if (old != HKey::kNone) registry_->CloseKey(old);
  }

 private:
  Registry* registry_;
  HKey key_ = HKey::kNone;
};

}  // namespace tk
