#include "settings/setting_values.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/headless/memory_registry.h"

namespace {

constexpr auto kHkcu = tk::kHkeyCurrentUser;
constexpr char kOptions[] = "Software\\Quillfen\\Lumora\\Options";

TEST(SettingAsWholeNumberTest, DecimalTextThatFits32BitsGivesItsValue) {
  const std::vector<std::pair<std::string, int32_t>> cases = {
      {"10", 10},
      {" 42 ", 42},
      {"-5", -5},
      {"+7", 7},
      {"\t8\t", 8},
      {"007", 7},
      {"-0", 0},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
  };
  for (const auto& [text, value] : cases)
    EXPECT_EQ(SettingAsWholeNumber(text, -99), value) << '"' << text << '"';
}

TEST(SettingAsWholeNumberTest, AnythingElseGivesTheFallback) {
  for (const char* text : {"", "   ", "abc", "12abc", "1 2", "1.5", "0x10", "-", "+", "--5", "- 5",
                           "99999999999", "2147483648", "-2147483649", "123456789012345678901234567890"}) {
    EXPECT_EQ(SettingAsWholeNumber(text, -99), -99) << '"' << text << '"';
  }
}

class SettingReadersTest : public ::testing::Test {
 protected:
  SettingReadersTest() {
    store.Company(settings::kCompany);
    store.AppName(settings::kAppName);
  }
  void TearDown() override { EXPECT_EQ(registry.OpenHandleCount(), 0); }

  tk::MemoryRegistry registry;
  CRegSettings store{registry};
};

TEST_F(SettingReadersTest, NothingStoredGivesWidthTenAndYellow) {
  EXPECT_EQ(ReadLineWidth(store), 10);
  EXPECT_EQ(ReadColor(store), 65535u);
}

TEST_F(SettingReadersTest, StoredNumbersAreUsed) {
  registry.PresetString(kHkcu, kOptions, "Line Width", " 35");
  registry.PresetString(kHkcu, kOptions, "Color", "255");
  EXPECT_EQ(ReadLineWidth(store), 35);
  EXPECT_EQ(ReadColor(store), 255u);
  registry.PresetString(kHkcu, kOptions, "Color", "0");
  EXPECT_EQ(ReadColor(store), 0u);
}

TEST_F(SettingReadersTest, UnusableTextGivesTheDefaults) {
  for (const char* text : {"", "wide", "0", "-3", "12px", "99999999999"}) {
    registry.PresetString(kHkcu, kOptions, "Line Width", text);
    EXPECT_EQ(ReadLineWidth(store), 10) << '"' << text << '"';
  }
  for (const char* text : {"", "yellow", "-1", "16777216", "99999999999"}) {
    registry.PresetString(kHkcu, kOptions, "Color", text);
    EXPECT_EQ(ReadColor(store), 65535u) << '"' << text << '"';
  }
  // A number someone stored as REG_DWORD is not decimal text.
  registry.PresetDword(kHkcu, kOptions, "Line Width", 25);
  EXPECT_EQ(ReadLineWidth(store), 10);
}

}  // namespace
