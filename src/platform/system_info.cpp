#include "platform/system_info.h"

#include "platform/text.h"

#include <cctype>
#include <cstdlib>

namespace varnet {
namespace {

// The territory of a Chinese locale name ("zh_CN.UTF-8", "zh-tw", "zh_HK@x"),
// empty for any other name.
std::string_view ChineseTerritory(std::string_view locale) {
    if (locale.size() < 5 || !EqualsNoCase(locale.substr(0, 2), "zh") ||
        (locale[2] != '_' && locale[2] != '-'))
        return {};
    // "zh_CNX" names no territory we know; codeset and modifier may follow.
    if (locale.size() > 5 && std::isalnum(static_cast<unsigned char>(locale[5])))
        return {};
    return locale.substr(3, 2);
}

} // namespace

int UiLanguageOfLocale(std::string_view locale) {
    const std::string_view territory = ChineseTerritory(locale);
    if (EqualsNoCase(territory, "CN"))
        return kLanguageChinese;
    if (EqualsNoCase(territory, "TW") || EqualsNoCase(territory, "HK"))
        return kLanguageTraditionalChinese;
    return kLanguageEnglish;
}

int UiLanguageFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return UiLanguageOfLocale(value);
    }
    return kLanguageEnglish;
}

int OsGenerationOf(int major, int minor) {
    struct Generation {
        int major, minor, code;
    };
    static constexpr Generation kGenerations[] = {{5, 0, 3}, {5, 1, 2}, {5, 2, 4}, {6, 0, 1}, {10, 0, 5}};
    for (const Generation& g : kGenerations) {
        if (g.major == major && g.minor == minor)
            return g.code;
    }
    return 0;
}

int OsGeneration() {
    return OsGenerationOf(10, 0);
}

} // namespace varnet
