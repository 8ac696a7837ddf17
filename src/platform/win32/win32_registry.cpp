#include "platform/win32/win32_registry.h"

#include <windows.h>

namespace tk {

namespace {

// The predefined roots are 32-bit values that <windows.h> sign-extends into a 64-bit HKEY; every other
// handle is the HKEY itself.
HKEY ToNative(HKey key) {
  const auto value = static_cast<uintptr_t>(key);
  if (IsPredefinedKey(key)) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<uint32_t>(value))));
  }
  return reinterpret_cast<HKEY>(value);
}

HKey FromNative(HKEY key) {
  return static_cast<HKey>(reinterpret_cast<uintptr_t>(key));
}

}  // namespace

RegStatus Win32Registry::OpenKey(HKey key, const char* subKey, RegSam access, HKey* result) {
  HKEY opened = nullptr;
  const LONG status = RegOpenKeyExA(ToNative(key), subKey, 0, access, &opened);
  *result = status == ERROR_SUCCESS ? FromNative(opened) : HKey::kNone;
  return status;
}

RegStatus Win32Registry::CreateKey(HKey key, const char* subKey, RegSam access, HKey* result,
                                   uint32_t* disposition) {
  HKEY opened = nullptr;
  DWORD how = 0;
  const LONG status = RegCreateKeyExA(ToNative(key), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                      nullptr, &opened, &how);
  *result = status == ERROR_SUCCESS ? FromNative(opened) : HKey::kNone;
  if (disposition != nullptr) *disposition = status == ERROR_SUCCESS ? how : 0;
  return status;
}

// DWORD is unsigned long here, not uint32_t, so sizes and types travel through locals.
RegStatus Win32Registry::QueryValue(HKey key, const char* valueName, RegType* type, uint8_t* data,
                                    uint32_t* dataSize) {
  DWORD kind = 0;
  DWORD size = dataSize != nullptr ? *dataSize : 0;
  const LONG status =
      RegQueryValueExA(ToNative(key), valueName, nullptr, &kind, data, dataSize != nullptr ? &size : nullptr);
  if (type != nullptr) *type = kind;
  if (dataSize != nullptr) *dataSize = size;
  return status;
}

RegStatus Win32Registry::SetValue(HKey key, const char* valueName, RegType type, const uint8_t* data,
                                  uint32_t dataSize) {
  return RegSetValueExA(ToNative(key), valueName, 0, type, data, dataSize);
}

RegStatus Win32Registry::DeleteValue(HKey key, const char* valueName) {
  return RegDeleteValueA(ToNative(key), valueName);
}

RegStatus Win32Registry::DeleteKey(HKey key, const char* subKey) {
  return RegDeleteKeyA(ToNative(key), subKey);
}

RegStatus Win32Registry::QueryInfoKey(HKey key, RegKeyInfo* info) {
  DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0;
  const LONG status = RegQueryInfoKeyA(ToNative(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen,
                                       nullptr, &values, &maxValueNameLen, &maxValueLen, nullptr, nullptr);
  *info = RegKeyInfo{subKeys, maxSubKeyLen, values, maxValueNameLen, maxValueLen};
  return status;
}

RegStatus Win32Registry::EnumValue(HKey key, uint32_t index, char* name, uint32_t* nameLen, RegType* type,
                                   uint8_t* data, uint32_t* dataSize) {
  DWORD nameSize = *nameLen;
  DWORD kind = 0;
  DWORD size = dataSize != nullptr ? *dataSize : 0;
  const LONG status = RegEnumValueA(ToNative(key), index, name, &nameSize, nullptr, &kind, data,
                                    dataSize != nullptr ? &size : nullptr);
  *nameLen = nameSize;
  if (type != nullptr) *type = kind;
  if (dataSize != nullptr) *dataSize = size;
  return status;
}

RegStatus Win32Registry::EnumKey(HKey key, uint32_t index, char* name, uint32_t nameCapacity) {
  return RegEnumKeyA(ToNative(key), index, name, nameCapacity);
}

RegStatus Win32Registry::CloseKey(HKey key) {
  return RegCloseKey(ToNative(key));
}

}  // namespace tk
