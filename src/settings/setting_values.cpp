#include "settings/setting_values.h"

#include <string_view>

int32_t SettingAsWholeNumber(const std::string& text, int32_t fallback) {
  constexpr std::string_view kBlanks = " \t";
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return fallback;
  std::string_view number(text.data() + first, text.find_last_not_of(kBlanks) - first + 1);
  const bool negative = number.front() == '-';
  if (number.front() == '-' || number.front() == '+') number.remove_prefix(1);
  if (number.empty()) return fallback;
  // Accumulate in 64 bits and stop as soon as the magnitude leaves the 32-bit range, so no length overflows.
  const int64_t limit = negative ? int64_t{INT32_MAX} + 1 : int64_t{INT32_MAX};
  int64_t magnitude = 0;
  for (char c : number) {
    if (c < '0' || c > '9') return fallback;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return fallback;
  }
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

int32_t ReadLineWidth(const CRegSettings& store) {
  const int32_t width = SettingAsWholeNumber(
      store.GetSetting(settings::kSection, settings::kLineWidth, std::to_string(settings::kDefaultLineWidth)),
      settings::kDefaultLineWidth);
  return width >= 1 ? width : settings::kDefaultLineWidth;
}

uint32_t ReadColor(const CRegSettings& store) {
  const int32_t color = SettingAsWholeNumber(
      store.GetSetting(settings::kSection, settings::kColor, std::to_string(settings::kDefaultColor)), -1);
  return color >= 0 && color <= 0xFFFFFF ? static_cast<uint32_t>(color) : settings::kDefaultColor;
}
