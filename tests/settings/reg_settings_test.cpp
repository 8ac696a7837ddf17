#include "settings/reg_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/headless/memory_registry.h"

namespace {

using namespace std::string_literals;
using Stored = tk::MemoryRegistry::StoredValue;

constexpr auto kHkcu = tk::kHkeyCurrentUser;
constexpr char kOptions[] = "Software\\Quillfen\\Lumora\\Options";
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RegSettingsTest : public ::testing::Test {
 protected:
  RegSettingsTest() {
    store.Company("Quillfen");
    store.AppName("Lumora");
  }

  // A key the store leaves open stays open for good, so checking once at the end covers every call the
  // test made, failures included.
  void TearDown() override {
    EXPECT_EQ(registry.OpenHandleCount(), 0);
    EXPECT_EQ(registry.StaleCloseCount(), 0);
  }

  tk::MemoryRegistry registry;
  CRegSettings store{registry};
};

TEST_F(RegSettingsTest, ReadsBeforeAnySaveGiveFallbacksAndCreateNothing) {
  EXPECT_EQ(store.GetSetting("Options", "Line Width", "10"), "10");
  EXPECT_EQ(store.GetSetting("Options", "Color"), "");
  EXPECT_EQ(store.GetSetting("Options", "*", "dflt"), "dflt");
  EXPECT_EQ(store.GetAllSettings("Options"), std::nullopt);
  EXPECT_TRUE(store.EnumRegistryKeys(kHkcu, "Options").empty());
  EXPECT_FALSE(store.DeleteSetting("Options", "Color"));
  EXPECT_FALSE(store.DeleteSetting("Options"));
  EXPECT_FALSE(store.RunNextBoot("Lumora", "", 0));

  EXPECT_TRUE(registry.SubKeyNames(kHkcu, "").empty());
}

TEST_F(RegSettingsTest, OneSaveCreatesEveryLevelAndStoresNulTerminatedText) {
  ASSERT_TRUE(store.SaveSetting("Options", "Line Width", "25"));

  EXPECT_TRUE(registry.KeyExists(kHkcu, "Software\\Quillfen"));
  EXPECT_TRUE(registry.KeyExists(kHkcu, "Software\\Quillfen\\Lumora"));
  EXPECT_EQ(registry.Value(kHkcu, kOptions, "Line Width"), (Stored{tk::kRegSz, "25\0"s}));
  EXPECT_EQ(store.GetSetting("Options", "Line Width", "10"), "25");

  ASSERT_TRUE(store.SaveSetting("Options", "line width", "30"));
  EXPECT_EQ(registry.ValueNames(kHkcu, kOptions), std::vector<std::string>{"Line Width"});
  EXPECT_EQ(store.GetSetting("Options", "LINE WIDTH", "10"), "30");
}

TEST_F(RegSettingsTest, EmptyTextReadsAsEmptyButAValueOfNoBytesGivesTheDefault) {
  ASSERT_TRUE(store.SaveSetting("Options", "Instructions on startup", ""));
  EXPECT_EQ(registry.Value(kHkcu, kOptions, "Instructions on startup"), (Stored{tk::kRegSz, "\0"s}));
  EXPECT_EQ(store.GetSetting("Options", "Instructions on startup", "1"), "");

  registry.PresetValue(kHkcu, kOptions, "Show Banner Message", tk::kRegSz, "");
  EXPECT_EQ(store.GetSetting("Options", "Show Banner Message", "0"), "0");
}

TEST_F(RegSettingsTest, StarIsTheSectionsDefaultValue) {
  ASSERT_TRUE(store.SaveSetting("Options", "*", "unnamed"));
  EXPECT_EQ(registry.Value(kHkcu, kOptions, ""), (Stored{tk::kRegSz, "unnamed\0"s}));
  EXPECT_FALSE(registry.Value(kHkcu, kOptions, "*").has_value());

  registry.PresetString(kHkcu, kOptions, "", "preset");
  registry.PresetString(kHkcu, kOptions, "*", "a value really named star");
  EXPECT_EQ(store.GetSetting("Options", "*", "dflt"), "preset");

  EXPECT_TRUE(store.DeleteSetting("Options", "*"));
  EXPECT_FALSE(registry.Value(kHkcu, kOptions, "").has_value());
  EXPECT_TRUE(registry.Value(kHkcu, kOptions, "*").has_value());
}

TEST_F(RegSettingsTest, CompanyAndAppNameAreTrimmedAndEmptyRestoresTheDefaults) {
  CRegSettings fresh(registry);
  EXPECT_EQ(fresh.Company(), "Quillfen");
  EXPECT_EQ(fresh.AppName(), "Lumora");

  fresh.Company("  Acme Tools  ");
  fresh.AppName(" Marker ");
  EXPECT_EQ(fresh.Company(), "Acme Tools");
  EXPECT_EQ(fresh.AppName(), "Marker");
  ASSERT_TRUE(fresh.SaveSetting("Options", "Color", "255"));
  EXPECT_TRUE(registry.Value(kHkcu, "Software\\Acme Tools\\Marker\\Options", "Color").has_value());

  fresh.Company("");
  fresh.AppName("   ");
  EXPECT_EQ(fresh.Company(), "Quillfen");
  EXPECT_EQ(fresh.AppName(), "Lumora");
  fresh.Company("  Quillfen  ");
  EXPECT_EQ(fresh.Company(), "Quillfen");
  ASSERT_TRUE(fresh.SaveSetting("Options", "Color", "0"));
  EXPECT_EQ(registry.Value(kHkcu, kOptions, "Color"), (Stored{tk::kRegSz, "0\0"s}));
}

TEST_F(RegSettingsTest, DeletingValuesAndSections) {
  // An empty section names no subkey; it never takes the program key with it.
  registry.PresetString(kHkcu, "Software\\Quillfen\\Lumora", "Top", "1");
  EXPECT_FALSE(store.DeleteSetting(""));
  EXPECT_TRUE(registry.Value(kHkcu, "Software\\Quillfen\\Lumora", "Top").has_value());

  registry.PresetString(kHkcu, kOptions, "Color", "255");
  registry.PresetString(kHkcu, kOptions, "Line Width", "20");
  EXPECT_TRUE(store.DeleteSetting("Options", "Color"));
  EXPECT_FALSE(store.DeleteSetting("Options", "Color"));
  EXPECT_EQ(registry.ValueNames(kHkcu, kOptions), std::vector<std::string>{"Line Width"});

  // Without a key the section is removed through the program key, whose path has no trailing separator.
  EXPECT_TRUE(store.DeleteSetting("Options"));
  EXPECT_FALSE(registry.KeyExists(kHkcu, kOptions));
  ASSERT_FALSE(registry.OpenCalls().empty());
  EXPECT_EQ(registry.OpenCalls().back().subKey, "Software\\Quillfen\\Lumora");
  EXPECT_EQ(registry.OpenCalls().back().access, tk::kKeyAllAccess);

  // Deletion does not recurse.
  registry.PresetKey(kHkcu, "Software\\Quillfen\\Lumora\\Nested\\Child");
  EXPECT_FALSE(store.DeleteSetting("Nested"));
  EXPECT_TRUE(registry.KeyExists(kHkcu, "Software\\Quillfen\\Lumora\\Nested\\Child"));
}

TEST_F(RegSettingsTest, EnumRegistryKeysListsSubkeysUnderTheGivenKey) {
  for (const char* name : {"beta", "Alpha", "gamma"}) registry.PresetKey(kHkcu, kOptions + "\\"s + name);
  EXPECT_EQ(store.EnumRegistryKeys(kHkcu, "Options"), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_TRUE(store.EnumRegistryKeys(kHkcu, "Missing").empty());

  // The program path is looked up under hKey, and an empty name lists hKey itself, which stays open.
  registry.PresetKey(kHkcu, "Elsewhere\\Software\\Quillfen\\Lumora\\Options\\Inner");
  tk::HKey elsewhere = tk::HKey::kNone;
  ASSERT_EQ(registry.OpenKey(kHkcu, "Elsewhere", tk::kKeyRead, &elsewhere), tk::kErrorSuccess);
  EXPECT_EQ(store.EnumRegistryKeys(elsewhere, "Options"), std::vector<std::string>{"Inner"});
  EXPECT_EQ(store.EnumRegistryKeys(elsewhere, ""), std::vector<std::string>{"Software"});
  EXPECT_EQ(registry.OpenHandleCount(), 1);
  EXPECT_EQ(registry.CloseKey(elsewhere), tk::kErrorSuccess);
}

TEST_F(RegSettingsTest, OtherTypesAndUnterminatedStringsAreReadWithinTheirBytes) {
  registry.PresetDword(kHkcu, kOptions, "Three bytes", 0x00333231);  // "123" and a zero byte
  registry.PresetDword(kHkcu, kOptions, "Four bytes", 0x34333231);   // "1234": the last byte goes
  registry.PresetDword(kHkcu, kOptions, "Line Width", 25);
  registry.PresetValue(kHkcu, kOptions, "Unterminated", tk::kRegSz, "abc");
  registry.PresetValue(kHkcu, kOptions, "One byte", tk::kRegBinary, "x");

  EXPECT_EQ(store.GetSetting("Options", "Three bytes", "d"), "123");
  EXPECT_EQ(store.GetSetting("Options", "Four bytes", "d"), "123");
  EXPECT_EQ(store.GetSetting("Options", "Line Width", "10"), "\x19\0\0"s);
  EXPECT_EQ(store.GetSetting("Options", "Unterminated", "d"), "abc");
  EXPECT_EQ(store.GetSetting("Options", "One byte", "d"), "");
}

TEST_F(RegSettingsTest, AValueRewrittenBetweenSizeQueryAndReadIsNeverTorn) {
  registry.PresetString(kHkcu, kOptions, "Color", "255");
  registry.BeforeNextDataRead([&] { registry.PresetString(kHkcu, kOptions, "Color", "16777215"); });
  EXPECT_EQ(store.GetSetting("Options", "Color", "65535"), "65535");

  registry.BeforeNextDataRead([&] { registry.PresetString(kHkcu, kOptions, "Color", "7"); });
  EXPECT_EQ(store.GetSetting("Options", "Color", "65535"), "7");

  registry.BeforeNextDataRead([&] { registry.PresetValue(kHkcu, kOptions, "Color", tk::kRegSz, ""); });
  EXPECT_EQ(store.GetSetting("Options", "Color", "65535"), "65535");
}

TEST_F(RegSettingsTest, GetAllSettingsListsOnlyTextValues) {
  registry.PresetString(kHkcu, kOptions, "Color", "255");
  registry.PresetDword(kHkcu, kOptions, "Line Width", 25);
  EXPECT_EQ(store.GetAllSettings("Options"), (std::vector<SettingRow>{{"Color", "255"}}));

  registry.PresetDword(kHkcu, "Software\\Quillfen\\Lumora\\Numbers", "Line Width", 25);
  EXPECT_EQ(store.GetAllSettings("Numbers"), std::nullopt);
  registry.PresetKey(kHkcu, "Software\\Quillfen\\Lumora\\Empty");
  EXPECT_EQ(store.GetAllSettings("Empty"), std::nullopt);

  // Each row takes only its own bytes, whatever the longest value in the key.
  registry.PresetString(kHkcu, kOptions, "", "unnamed");
  registry.PresetValue(kHkcu, kOptions, "Blank", tk::kRegSz, "");
  registry.PresetValue(kHkcu, kOptions, "Unterminated", tk::kRegSz, "ab");
  registry.PresetString(kHkcu, kOptions, "Long", std::string(300, 'w'));
  EXPECT_EQ(store.GetAllSettings("Options"), (std::vector<SettingRow>{{"Color", "255"},
                                                                      {"", "unnamed"},
                                                                      {"Blank", ""},
                                                                      {"Unterminated", "ab"},
                                                                      {"Long", std::string(300, 'w')}}));
}

TEST_F(RegSettingsTest, RunNextBootAddsAndRemovesOnlyItsOwnEntry) {
  store.Company("Other");
  store.AppName("Other");
  ASSERT_TRUE(store.RunNextBoot("Lumora", "C:\\Tools\\Lumora.exe", 1));
  const Stored written{tk::kRegSz, std::string("C:\\Tools\\Lumora.exe") + '\0'};
  EXPECT_EQ(registry.Value(kHkcu, kRun, "Lumora"), written);
  EXPECT_FALSE(registry.KeyExists(kHkcu, "Software\\Other"));

  registry.PresetString(kHkcu, kRun, "Neighbour", "n.exe");
  const auto before = registry.ValueNames(kHkcu, kRun);
  for (int16_t action : {int16_t{2}, int16_t{-1}, int16_t{256}}) {
    EXPECT_FALSE(store.RunNextBoot("Lumora", "changed.exe", action)) << action;
  }
  EXPECT_EQ(registry.ValueNames(kHkcu, kRun), before);
  EXPECT_EQ(registry.Value(kHkcu, kRun, "Lumora"), written);

  EXPECT_TRUE(store.RunNextBoot("lumora", "", 0));
  EXPECT_EQ(registry.ValueNames(kHkcu, kRun), std::vector<std::string>{"Neighbour"});
  EXPECT_FALSE(store.RunNextBoot("Lumora", "", 0));
}

TEST_F(RegSettingsTest, RemovingTheRunEntryWithoutARunKeyCreatesNothing) {
  EXPECT_FALSE(store.RunNextBoot("Lumora", "C:\\Lumora.exe", 0));
  EXPECT_FALSE(registry.KeyExists(kHkcu, "Software\\Microsoft"));
}

TEST_F(RegSettingsTest, RefusedKeysGiveTheFallbacks) {
  registry.PresetString(kHkcu, kOptions, "Color", "255");
  registry.PresetKey(kHkcu, kOptions + "\\Sub"s);
  registry.DenyAccess(kHkcu, kOptions);
  EXPECT_EQ(store.GetSetting("Options", "Color", "65535"), "65535");
  EXPECT_FALSE(store.SaveSetting("Options", "Color", "0"));
  EXPECT_FALSE(store.DeleteSetting("Options", "Color"));
  EXPECT_FALSE(store.DeleteSetting("Options"));
  EXPECT_EQ(store.GetAllSettings("Options"), std::nullopt);
  EXPECT_TRUE(store.EnumRegistryKeys(kHkcu, "Options").empty());
  EXPECT_EQ(registry.Value(kHkcu, kOptions, "Color"), (Stored{tk::kRegSz, "255\0"s}));

  // A refused parent stops the save from creating the levels below it.
  registry.DenyAccess(kHkcu, "Software\\Blocked");
  store.Company("Blocked");
  EXPECT_FALSE(store.SaveSetting("Options", "Color", "0"));
  EXPECT_TRUE(registry.SubKeyNames(kHkcu, "Software\\Blocked").empty());

  registry.PresetString(kHkcu, kRun, "Lumora", "C:\\Lumora.exe");
  registry.DenyAccess(kHkcu, kRun);
  EXPECT_FALSE(store.RunNextBoot("Lumora", "C:\\New.exe", 1));
  EXPECT_FALSE(store.RunNextBoot("Lumora", "", 0));
  EXPECT_EQ(registry.Value(kHkcu, kRun, "Lumora"), (Stored{tk::kRegSz, "C:\\Lumora.exe\0"s}));
}

}  // namespace
