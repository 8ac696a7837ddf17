// The registry of the running Windows session: each call goes straight to its ANSI advapi32 function.
#pragma once

#include "platform/registry.h"

namespace tk {

class Win32Registry final : public Registry {
 public:
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
};

}  // namespace tk
