// The settings store against the in-memory hive, and the hive held to the registry contract (which
// lumora_backend_tests holds the real registry to).
#include "settings/reg_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/headless/memory_registry.h"
#include "settings/registry_contract.h"

INSTANTIATE_TYPED_TEST_SUITE_P(InMemory, RegistryContract, tk::MemoryRegistry);

namespace {

using namespace std::string_literals;
using Stored = tk::MemoryRegistry::StoredValue;
using Names = std::vector<std::string>;

constexpr auto kHkcu = tk::kHkeyCurrentUser;
constexpr char kProgram[] = "Software\\Quillfen\\Lumora";
constexpr char kOptions[] = "Software\\Quillfen\\Lumora\\Options";
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RegSettingsTest : public ::testing::Test {
 protected:
  // A key the store leaves open stays open for good, so checking once at the end covers every call the
  // test made, failures included.
  void TearDown() override {
    EXPECT_EQ(registry.OpenHandleCount(), 0);
    EXPECT_EQ(registry.StaleCloseCount(), 0);
  }

  tk::MemoryRegistry registry;
  CRegSettings store{registry};
};

// Nothing stored, or keys that refuse this user: every call gives its fallback, and nothing is created.
TEST_F(RegSettingsTest, MissingOrRefusedKeysGiveTheFallbacks) {
  auto expectFallbacks = [&] {
    EXPECT_EQ(store.GetSetting("Options", "Color", "65535") + store.GetSetting("Options", "*", "/dflt"),
              "65535/dflt");
    EXPECT_FALSE(store.DeleteSetting("Options", "Color") || store.DeleteSetting("Options") ||
                 store.RunNextBoot("Lumora", "", 0));
  };
  expectFallbacks();
  EXPECT_TRUE(registry.SubKeyNames(kHkcu, "").empty());

  registry.PresetString(kHkcu, kOptions, "Color", "255");
  registry.PresetString(kHkcu, kOptions, "", "unnamed");
  registry.PresetString(kHkcu, kRun, "Lumora", "C:\\Lumora.exe");
  registry.DenyAccess(kHkcu, kOptions);
  registry.DenyAccess(kHkcu, kRun);
  expectFallbacks();
  EXPECT_FALSE(store.SaveSetting("Options", "Color", "0") || store.RunNextBoot("Lumora", "C:\\New.exe", 1));
  // An empty section names no subkey; it never takes the program key with it.
  registry.PresetString(kHkcu, kProgram, "Top", "1");
  EXPECT_FALSE(store.DeleteSetting(""));
  EXPECT_TRUE(registry.KeyExists(kHkcu, kProgram));
}

TEST_F(RegSettingsTest, SavesCreateEveryLevelStoreTerminatedTextAndStarIsTheDefaultValue) {
  ASSERT_TRUE(store.SaveSetting("Options", "Line Width", "25"));
  EXPECT_EQ(registry.Value(kHkcu, kOptions, "Line Width"), (Stored{tk::kRegSz, "25\0"s}));

  // Empty text reads as empty, but a value of no bytes at all gives the default.
  ASSERT_TRUE(store.SaveSetting("Options", "Instructions on startup", ""));
  EXPECT_EQ(store.GetSetting("Options", "Instructions on startup", "1"), "");
  registry.PresetValue(kHkcu, kOptions, "Show Banner Message", tk::kRegSz, "");
  EXPECT_EQ(store.GetSetting("Options", "Show Banner Message", "0"), "0");

  ASSERT_TRUE(store.SaveSetting("Options", "*", "unnamed"));
  EXPECT_EQ(registry.Value(kHkcu, kOptions, ""), (Stored{tk::kRegSz, "unnamed\0"s}));
  registry.PresetString(kHkcu, kOptions, "*", "a value really named star");
  EXPECT_EQ(store.GetSetting("Options", "*", "dflt"), "unnamed");
  EXPECT_TRUE(store.DeleteSetting("Options", "*"));
  EXPECT_EQ(registry.ValueNames(kHkcu, kOptions),
            (Names{"Line Width", "Instructions on startup", "Show Banner Message", "*"}));
}

// Another program rewrites the value between the size query and the read: a longer value gives the default,
// a shorter or equal one is read whole, and an emptied one gives the default. (What each stored shape reads
// as is checked through the program, in tests/feature/registry_matrix_test.cpp.)
TEST_F(RegSettingsTest, AValueRewrittenWhileReadIsNeverTorn) {
  for (const auto& [rewritten, read] : {std::pair{"16777215"s, "65535"s}, {"7"s, "7"s}, {""s, "65535"s}}) {
    registry.PresetString(kHkcu, kOptions, "Color", "255");
    registry.BeforeNextDataRead([&, text = rewritten] {
      text.empty() ? registry.PresetValue(kHkcu, kOptions, "Color", tk::kRegSz, "")
                   : registry.PresetString(kHkcu, kOptions, "Color", text);
    });
    EXPECT_EQ(store.GetSetting("Options", "Color", "65535"), read) << rewritten;
  }
}

// What the entry holds for each choice in Options is checked there (tests/feature/options_test.cpp).
TEST_F(RegSettingsTest, RunNextBootRemovesOnlyItsOwnEntry) {
  registry.PresetString(kHkcu, kRun, "Neighbour", "n.exe");
  ASSERT_TRUE(store.RunNextBoot("Lumora", "C:\\Tools\\Lumora.exe", 1));
  EXPECT_TRUE(store.RunNextBoot("lumora", "", 0));
  EXPECT_EQ(registry.ValueNames(kHkcu, kRun), Names{"Neighbour"});
  EXPECT_FALSE(store.RunNextBoot("Lumora", "", 0));
}

}  // namespace
