// The in-memory hive must answer as Windows does (these cases were checked against advapi32 under Wine), or
// code tested against it would pass here and fail on a real profile.
#include "platform/headless/memory_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr auto kHkcu = tk::kHkeyCurrentUser;

class MemoryRegistryTest : public ::testing::Test {
 protected:
  tk::HKey Create(const char* path, tk::RegSam access = tk::kKeyAllAccess) {
    tk::HKey key = tk::HKey::kNone;
    EXPECT_EQ(registry.CreateKey(kHkcu, path, access, &key, nullptr), tk::kErrorSuccess) << path;
    return key;
  }

  tk::MemoryRegistry registry;
};

TEST_F(MemoryRegistryTest, NamesIgnoreCaseAndEnumerationFollowsWindows) {
  const tk::HKey key = Create("Software\\Test");
  for (const char* name : {"b", "A", "c"}) registry.PresetKey(kHkcu, "Software\\Test\\"s + name);
  registry.PresetString(kHkcu, "software\\TEST", "zz", "1");
  registry.PresetString(kHkcu, "Software\\Test", "aa", "2");

  std::vector<std::string> keys;
  char name[8];
  for (uint32_t i = 0; registry.EnumKey(key, i, name, sizeof name) == tk::kErrorSuccess; ++i)
    keys.push_back(name);
  EXPECT_EQ(keys, (std::vector<std::string>{"A", "b", "c"}));
  EXPECT_EQ(registry.EnumKey(key, 3, name, sizeof name), tk::kErrorNoMoreItems);
  EXPECT_EQ(registry.EnumKey(key, 0, name, 1), tk::kErrorMoreData);
  EXPECT_EQ(registry.ValueNames(kHkcu, "SOFTWARE\\test"), (std::vector<std::string>{"zz", "aa"}));

  uint32_t disposition = 0;
  tk::HKey again = tk::HKey::kNone;
  ASSERT_EQ(registry.CreateKey(kHkcu, "SOFTWARE\\TEST\\B", tk::kKeyRead, &again, &disposition),
            tk::kErrorSuccess);
  EXPECT_EQ(disposition, tk::kRegOpenedExistingKey);
  registry.CloseKey(again);
  registry.CloseKey(key);
  EXPECT_EQ(registry.OpenHandleCount(), 0);
}

TEST_F(MemoryRegistryTest, ValuesAreSizedThenFilled) {
  const tk::HKey key = Create("Software\\Test");
  registry.PresetValue(kHkcu, "Software\\Test", "v", tk::kRegSz, "abc\0"s);

  uint32_t size = 0;
  tk::RegType type = tk::kRegNone;
  ASSERT_EQ(registry.QueryValue(key, "V", &type, nullptr, &size), tk::kErrorSuccess);
  EXPECT_EQ(type, tk::kRegSz);
  EXPECT_EQ(size, 4u);
  uint8_t small[2];
  size = sizeof small;
  EXPECT_EQ(registry.QueryValue(key, "v", nullptr, small, &size), tk::kErrorMoreData);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(registry.QueryValue(key, "v", nullptr, small, nullptr), tk::kErrorInvalidParameter);
  EXPECT_EQ(registry.QueryValue(key, "missing", nullptr, nullptr, &size), tk::kErrorFileNotFound);

  // Enumeration needs room for the name's NUL.
  char name[4];
  uint32_t nameLen = 1;
  EXPECT_EQ(registry.EnumValue(key, 0, name, &nameLen, nullptr, nullptr, nullptr), tk::kErrorMoreData);
  nameLen = 2;
  ASSERT_EQ(registry.EnumValue(key, 0, name, &nameLen, nullptr, nullptr, nullptr), tk::kErrorSuccess);
  EXPECT_EQ(nameLen, 1u);
  EXPECT_STREQ(name, "v");
  registry.CloseKey(key);
}

TEST_F(MemoryRegistryTest, HandlesCarryTheirRightsAndOutliveDeletedKeys) {
  const tk::HKey reader = Create("Software\\Test", tk::kKeyRead);
  const uint8_t byte = 0;
  EXPECT_EQ(registry.SetValue(reader, "v", tk::kRegSz, &byte, 1), tk::kErrorAccessDenied);
  const tk::HKey writer = Create("Software\\Test", tk::kKeyWrite);
  uint32_t size = 0;
  EXPECT_EQ(registry.QueryValue(writer, "v", nullptr, nullptr, &size), tk::kErrorAccessDenied);

  tk::HKey result = writer;
  EXPECT_EQ(registry.OpenKey(kHkcu, "\\Software", tk::kKeyRead, &result), tk::kErrorBadPathname);
  EXPECT_EQ(result, tk::HKey::kNone);
  EXPECT_EQ(registry.OpenKey(kHkcu, "Software\\Test\\", tk::kKeyRead, &result), tk::kErrorSuccess);
  registry.CloseKey(result);

  const tk::HKey child = Create("Software\\Test\\Child");
  EXPECT_EQ(registry.DeleteKey(kHkcu, "Software\\Test"), tk::kErrorAccessDenied);
  EXPECT_EQ(registry.DeleteKey(reader, "child"), tk::kErrorSuccess);
  EXPECT_EQ(registry.SetValue(child, "v", tk::kRegSz, &byte, 1), tk::kErrorKeyDeleted);
  EXPECT_EQ(registry.DeleteKey(reader, "Child"), tk::kErrorFileNotFound);

  for (tk::HKey key : {reader, writer, child}) EXPECT_EQ(registry.CloseKey(key), tk::kErrorSuccess);
  EXPECT_EQ(registry.CloseKey(child), tk::kErrorInvalidHandle);
  EXPECT_EQ(registry.CloseKey(kHkcu), tk::kErrorSuccess);
  EXPECT_EQ(registry.OpenHandleCount(), 0);
  EXPECT_EQ(registry.StaleCloseCount(), 1);
}

}  // namespace
