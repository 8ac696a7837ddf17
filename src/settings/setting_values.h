// The program's settings: where they live, and the whole-number readers start-up uses for the overlay's
// line width and colour.
#pragma once

#include <cstdint>
#include <string>

#include "settings/reg_settings.h"

namespace settings {

// Every window sets these names on its CRegSettings before any other call.
inline constexpr char kCompany[] = "Quillfen";
inline constexpr char kAppName[] = "Lumora";

// The one section, and its values (each REG_SZ decimal text).
inline constexpr char kSection[] = "Options";
inline constexpr char kLineWidth[] = "Line Width";
inline constexpr char kColor[] = "Color";
inline constexpr char kStartWithWindows[] = "Start with Windows";
inline constexpr char kInstructionsOnStartup[] = "Instructions on startup";
inline constexpr char kShowBannerMessage[] = "Show Banner Message";

inline constexpr int32_t kDefaultLineWidth = 10;
inline constexpr uint32_t kDefaultColor = 65535;  // 0x00BBGGRR yellow

}  // namespace settings

// Decimal text that fits 32 bits, with optional spaces or tabs around it and an optional sign, gives its
// value; anything else (empty, words, trailing characters, overflow) gives `fallback`.
int32_t SettingAsWholeNumber(const std::string& text, int32_t fallback);

// "Line Width" in pixels; text that is not a whole number, or a width below 1, gives 10.
int32_t ReadLineWidth(const CRegSettings& store);

// "Color" as 0x00BBGGRR; text that is not a whole number in 0 to 0xFFFFFF gives 65535 (yellow).
uint32_t ReadColor(const CRegSettings& store);
