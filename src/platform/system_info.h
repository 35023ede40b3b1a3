// Facts about the running system the screens and rules depend on.
#pragma once

#include <string_view>

namespace varnet {

// 0 English, 1 Simplified Chinese, 2 Traditional Chinese.
enum UiLanguage : int { kLanguageEnglish = 0, kLanguageChinese = 1, kLanguageTraditionalChinese = 2 };

// From a locale text such as "zh_CN.UTF-8": zh_CN gives 1, zh_TW and zh_HK give
// 2, anything else 0.
int UiLanguageOfLocale(std::string_view locale);
// From the environment: the first set and non-empty of LC_ALL, LC_MESSAGES, LANG.
int UiLanguageFromEnvironment();

// The generation code of a system version (5.0 -> 3, 5.1 -> 2, 5.2 -> 4,
// 6.0 -> 1, 10.0 -> 5, else 0). Linux counts as the current generation.
int OsGenerationOf(int major, int minor);
int OsGeneration();

} // namespace varnet
