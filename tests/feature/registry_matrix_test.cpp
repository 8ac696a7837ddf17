// Every setting in every shape a profile may hold it, through the four places that read settings: start-up,
// the options dialog, the instructions window and the banner's slide out. Each comes up with what was meant
// or with safe defaults, and nothing stored is changed by reading it.
#include "fixture.h"
#include "guidance/form3.h"
#include "settings/form2.h"

namespace {

using namespace std::string_literals;
using Hive = tk::MemoryRegistry;
constexpr char kOptions[] = "Software\\Quillfen\\Lumora\\Options";
// The settings and the texts stored for them: none is what its reader falls back to, so a value read right
// is told apart from one not read. Only "1" opens the instructions and only "0" lets the banner ask.
const char* const kKeys[] = {"Line Width", "Color", "Start with Windows", "Instructions on startup",
                             "Show Banner Message"};
const std::string kTexts[] = {"12", "255", "0", "1", "0"};

// Start-up's width, colour and instructions shown; the options dialog's swatch, slider and two boxes; the
// instructions window's box; whether the banner's dialog opened after the slide out.
using Seen = std::tuple<int, uint32_t, bool, int, int, int, int, int, bool>;
constexpr Seen kMeant{12, 255, true, -1, 12, 0, 1, 1, true};
constexpr Seen kUnusable{10, 65535, false, 2, 10, 1, 1, 0, false};  // text that is no usable number
constexpr Seen kDefaults{10, 65535, true, 2, 10, 1, 1, 1, true};    // nothing could be read

constexpr auto kHkcu = tk::kHkeyCurrentUser;
using Store = std::function<void(Hive&, const char* key, const std::string& text)>;
// Each setting's own text followed by `tail`, or the same bytes for every setting.
Store Own(tk::RegType type, std::string tail) {
  return [=](Hive& r, const char* k, const std::string& t) {
    r.PresetValue(kHkcu, kOptions, k, type, t + tail);
  };
}
Store Same(tk::RegType type, std::string bytes) {
  return [=](Hive& r, const char* k, const std::string&) { r.PresetValue(kHkcu, kOptions, k, type, bytes); };
}

using RegistryMatrixTest = LumoraTest;

TEST_F(RegistryMatrixTest, EverySettingInEveryShapeGivesWhatWasMeantOrTheDefaultsAndIsLeftAsItWas) {
  hideBanner = false;
  Seen seen;
  auto& [width, color, instructions, swatch, slider, startBox, instructionsBox, form3Box, banner] = seen;
  const struct {
    const char* shape;
    Store store;
    Seen seen;
  } rows[] = {
      {"REG_SZ", Own(tk::kRegSz, "\0"s), kMeant},
      {"REG_SZ without its NUL, odd or even length", Own(tk::kRegSz, ""), kMeant},
      {"REG_SZ with a stray byte after its NUL", Own(tk::kRegSz, "\0x"s), kMeant},
      {"REG_EXPAND_SZ", Own(tk::kRegExpandSz, "\0"s), kMeant},
      {"REG_BINARY without a NUL", Own(tk::kRegBinary, ""), kMeant},
      {"REG_DWORD 12", Same(tk::kRegDword, "\x0c\0\0\0"s), kUnusable},
      {"negative", Same(tk::kRegSz, "-1\0"s), kUnusable},
      {"huge", Same(tk::kRegSz, "4294967308\0"s), kUnusable},  // 2^32 + 12
      {"1 MB", Same(tk::kRegSz, std::string(1 << 20, '1') + '\0'), kUnusable},
      {"no bytes", Same(tk::kRegSz, ""), kDefaults},
      {"no value", [](Hive& r, const char*, const std::string&) { r.PresetKey(kHkcu, kOptions); }, kDefaults},
      {"no key", [](Hive&, const char*, const std::string&) {}, kDefaults},
      // Last: a refused key stays refused.
      {"access denied",
       [](Hive& r, const char* k, const std::string& t) {
         Own(tk::kRegSz, "\0"s)(r, k, t);
         r.DenyAccess(kHkcu, kOptions);
       },
       kDefaults},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shape);
    CRegSettings(sys.registry).DeleteSetting("Options");
    std::vector<std::optional<Hive::StoredValue>> before;
    for (int i = 0; i < 5; ++i) {
      row.store(sys.registry, kKeys[i], kTexts[i]);
      before.push_back(sys.registry.Value(kHkcu, kOptions, kKeys[i]));
    }
    seen = {};
    sys.onModal["Form3"] = [&](tk::Form& f) { form3Box = static_cast<Form3&>(f).Check1.Value(); };
    sys.onModal["Form2"] = [&](tk::Form& f) {
      auto& d = static_cast<Form2&>(f);
      swatch = -1;
      for (int i = 0; i < 4; ++i) swatch = d.Option1[i]->Value() ? i : swatch;
      std::tie(slider, startBox, instructionsBox) =
          std::tuple(d.Slider1.Value(), d.Check1.Value(), d.Check2.Value());
      d.Command2.UserClick();
    };
    sys.onModal["Form5"] = [&](tk::Form&) { banner = true; };
    sys.calls.clear();
    StartSession();
    std::tie(width, color) = std::tuple(form->DrawWidth(), form->ForeColor());
    instructions = std::count(sys.calls.begin(), sys.calls.end(), "Modal Form3") == 1;
    form->mnupopopt_Click();
    Form3(*app).Show(tk::kModal);  // it loads the same whether or not start-up opened it
    form->Image1_DblClick();
    for (int tick = 0; tick < 100 && form->Timer1.Running(); ++tick) form->Timer1.Tick();
    EXPECT_EQ(seen, row.seen);
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ(sys.registry.Value(kHkcu, kOptions, kKeys[i]), before[i]) << kKeys[i];
  }
}

}  // namespace
