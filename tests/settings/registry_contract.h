// What the settings store relies on from the registry, as cases that both the in-memory hive and the real
// registry must pass: settings_tests runs them on the hive, lumora_backend_tests on advapi32 under Wine. A
// case that passes on the hive alone proves nothing about a user's profile.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/registry.h"

template <class Registry>
class RegistryContract : public ::testing::Test {
 protected:
  static constexpr tk::HKey kHkcu = tk::kHkeyCurrentUser;
  static constexpr const char* kBase = "Software\\Lumora Contract";

  RegistryContract() { DeleteTree(kHkcu, kBase); }
  ~RegistryContract() override {
    DeleteTree(kHkcu, kBase);
    if constexpr (requires { registry.OpenHandleCount(); }) {
      EXPECT_EQ(registry.OpenHandleCount(), 0);
    }
  }

  // A key under the base, created with every missing level.
  tk::HKey Create(const std::string& path, tk::RegSam access = tk::kKeyAllAccess) {
    tk::HKey key = tk::HKey::kNone;
    const std::string full = std::string(kBase) + "\\" + path;
    EXPECT_EQ(registry.CreateKey(kHkcu, full.c_str(), access, &key, nullptr), tk::kErrorSuccess) << path;
    return key;
  }
  tk::RegStatus Set(tk::HKey key, const char* name, tk::RegType type, const std::string& bytes) {
    return registry.SetValue(key, name, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                             static_cast<uint32_t>(bytes.size()));
  }
  std::vector<std::string> SubKeys(tk::HKey key) {
    std::vector<std::string> names;
    char name[64];
    for (uint32_t i = 0; registry.EnumKey(key, i, name, sizeof name) == tk::kErrorSuccess; ++i)
      names.push_back(name);
    return names;
  }
  // Deletion does not recurse, so a tree goes leaves first.
  void DeleteTree(tk::HKey parent, const std::string& path) {
    tk::HKey key = tk::HKey::kNone;
    if (registry.OpenKey(parent, path.c_str(), tk::kKeyAllAccess, &key) != tk::kErrorSuccess) return;
    for (const std::string& child : SubKeys(key)) DeleteTree(key, child);
    registry.CloseKey(key);
    registry.DeleteKey(parent, path.c_str());
  }

  Registry registry;
};

TYPED_TEST_SUITE_P(RegistryContract);

TYPED_TEST_P(RegistryContract, KeysAreFoundWhateverTheCaseAndListedInNameOrder) {
  auto& r = this->registry;
  const tk::HKey key = this->Create("Test");
  for (const char* name : {"b", "A", "c"}) r.CloseKey(this->Create(std::string("Test\\") + name));
  EXPECT_EQ(this->SubKeys(key), (std::vector<std::string>{"A", "b", "c"}));
  char name[8];
  EXPECT_EQ(r.EnumKey(key, 3, name, sizeof name), tk::kErrorNoMoreItems);
  EXPECT_EQ(r.EnumKey(key, 0, name, 1), tk::kErrorMoreData);

  tk::HKey result = key;
  EXPECT_EQ(r.OpenKey(key, "missing", tk::kKeyRead, &result), tk::kErrorFileNotFound);
  EXPECT_EQ(result, tk::HKey::kNone);
  ASSERT_EQ(r.OpenKey(tk::kHkeyCurrentUser, (std::string(this->kBase) + "\\TEST\\B").c_str(), tk::kKeyRead,
                      &result),
            tk::kErrorSuccess);
  for (tk::HKey k : {key, result}) EXPECT_EQ(r.CloseKey(k), tk::kErrorSuccess);
}

TYPED_TEST_P(RegistryContract, ValuesKeepTheirBytesAndAreSizedThenFilled) {
  auto& r = this->registry;
  const tk::HKey key = this->Create("Test");
  ASSERT_EQ(this->Set(key, "Text", tk::kRegSz, std::string("abc", 4)), tk::kErrorSuccess);
  ASSERT_EQ(this->Set(key, "Bare", tk::kRegSz, "xy"), tk::kErrorSuccess);  // the NUL after it is stored too
  ASSERT_EQ(this->Set(key, "", tk::kRegSz, std::string("d", 2)), tk::kErrorSuccess);
  ASSERT_EQ(this->Set(key, "Number", tk::kRegDword, std::string("\x19\0\0\0", 4)), tk::kErrorSuccess);
  // Text kept without a NUL: as binary, and as a string of odd length whose next byte is no NUL.
  ASSERT_EQ(this->Set(key, "Binary", tk::kRegBinary, "255"), tk::kErrorSuccess);
  ASSERT_EQ(r.SetValue(key, "Odd", tk::kRegSz, reinterpret_cast<const uint8_t*>("255!"), 3),
            tk::kErrorSuccess);

  uint32_t size = 0;
  tk::RegType type = tk::kRegNone;
  ASSERT_EQ(r.QueryValue(key, "TEXT", &type, nullptr, &size), tk::kErrorSuccess);
  EXPECT_EQ(std::pair(type, size), std::pair(tk::kRegSz, 4u));
  uint8_t data[8];
  size = 2;
  EXPECT_EQ(r.QueryValue(key, "text", nullptr, data, &size), tk::kErrorMoreData);
  EXPECT_EQ(size, 4u) << "a short buffer learns the size it needs";
  EXPECT_EQ(r.QueryValue(key, "missing", nullptr, nullptr, &size), tk::kErrorFileNotFound);
  for (const auto& [name, bytes] : {std::pair{"Bare", std::string("xy", 3)},
                                    {"", std::string("d", 2)},
                                    {nullptr, std::string("d", 2)},
                                    {"Number", std::string("\x19\0\0\0", 4)},
                                    {"Binary", std::string("255")},
                                    {"Odd", std::string("255")}}) {
    size = static_cast<uint32_t>(bytes.size());  // exactly the room the store gives: the size it was told
    ASSERT_EQ(r.QueryValue(key, name, nullptr, data, &size), tk::kErrorSuccess) << (name ? name : "(null)");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), bytes) << (name ? name : "(null)");
  }

  // Enumeration reports a name's length without its NUL; the order of values is the registry's own.
  char name[8];
  uint32_t nameLen = 0;
  std::vector<std::string> names;
  for (uint32_t i = 0;; ++i) {
    nameLen = sizeof name;
    size = sizeof data;
    if (r.EnumValue(key, i, name, &nameLen, &type, data, &size) != tk::kErrorSuccess) break;
    EXPECT_EQ(nameLen, std::char_traits<char>::length(name));
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"", "Bare", "Binary", "Number", "Odd", "Text"}));
  tk::RegKeyInfo info;
  ASSERT_EQ(r.QueryInfoKey(key, &info), tk::kErrorSuccess);
  EXPECT_EQ(info.values, 6u);
  EXPECT_GE(info.maxValueNameLen, 6u) << "room for the longest name";
  EXPECT_GE(info.maxValueLen, 4u) << "room for the longest data";

  EXPECT_EQ(r.DeleteValue(key, "bare"), tk::kErrorSuccess);
  EXPECT_EQ(r.DeleteValue(key, "Bare"), tk::kErrorFileNotFound);
  r.CloseKey(key);
}

TYPED_TEST_P(RegistryContract, HandlesCarryTheirRightsAndOutliveDeletedKeys) {
  auto& r = this->registry;
  const tk::HKey reader = this->Create("Test", tk::kKeyRead), writer = this->Create("Test", tk::kKeyWrite);
  EXPECT_EQ(this->Set(reader, "v", tk::kRegSz, "x"), tk::kErrorAccessDenied);
  uint32_t size = 0;
  EXPECT_EQ(r.QueryValue(writer, "v", nullptr, nullptr, &size), tk::kErrorAccessDenied);

  const tk::HKey child = this->Create("Test\\Child");
  const std::string test = std::string(this->kBase) + "\\Test";
  EXPECT_EQ(r.DeleteKey(tk::kHkeyCurrentUser, test.c_str()), tk::kErrorAccessDenied) << "it has a subkey";
  EXPECT_EQ(r.DeleteKey(reader, "child"), tk::kErrorSuccess);
  EXPECT_EQ(r.DeleteKey(reader, "Child"), tk::kErrorFileNotFound);
  for (tk::HKey key : {reader, writer, child}) EXPECT_EQ(r.CloseKey(key), tk::kErrorSuccess);
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, KeysAreFoundWhateverTheCaseAndListedInNameOrder,
                            ValuesKeepTheirBytesAndAreSizedThenFilled,
                            HandlesCarryTheirRightsAndOutliveDeletedKeys);
