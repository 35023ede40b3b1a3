#include "platform/system_info.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace varnet {
namespace {

TEST(SystemInfo, LanguageOfLocaleName) {
    struct Case {
        const char* locale;
        int language;
    };
    const Case cases[] = {
        {"zh_CN.UTF-8", kLanguageChinese},
        {"zh_CN", kLanguageChinese},
        {"zh-cn", kLanguageChinese},
        {"ZH_CN.GB18030", kLanguageChinese},
        {"zh_CN@stroke", kLanguageChinese},
        {"zh_TW.UTF-8", kLanguageTraditionalChinese},
        {"zh_HK", kLanguageTraditionalChinese},
        {"zh-hk.utf8", kLanguageTraditionalChinese},
        {"zh_SG.UTF-8", kLanguageEnglish},
        {"zh_CNX", kLanguageEnglish},
        {"zh", kLanguageEnglish},
        {"zh.CN", kLanguageEnglish},
        {"en_US.UTF-8", kLanguageEnglish},
        {"de_DE", kLanguageEnglish},
        {"C", kLanguageEnglish},
        {"POSIX", kLanguageEnglish},
        {"", kLanguageEnglish},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UiLanguageOfLocale(c.locale), c.language) << '"' << c.locale << '"';
}

// Sets the locale variables for one test and puts back what was there.
class LocaleEnvironment : public ::testing::Test {
protected:
    static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};

    LocaleEnvironment() {
        for (size_t i = 0; i < 3; ++i) {
            if (const char* value = std::getenv(kNames[i]))
                saved_[i] = value;
            ::unsetenv(kNames[i]);
        }
    }
    ~LocaleEnvironment() override {
        for (size_t i = 0; i < 3; ++i) {
            if (saved_[i])
                ::setenv(kNames[i], saved_[i]->c_str(), 1);
            else
                ::unsetenv(kNames[i]);
        }
    }

private:
    std::optional<std::string> saved_[3];
};

TEST_F(LocaleEnvironment, FirstNonEmptyVariableDecides) {
    EXPECT_EQ(UiLanguageFromEnvironment(), kLanguageEnglish);
    ::setenv("LANG", "zh_CN.UTF-8", 1);
    EXPECT_EQ(UiLanguageFromEnvironment(), kLanguageChinese);
    ::setenv("LC_MESSAGES", "zh_TW.UTF-8", 1);
    EXPECT_EQ(UiLanguageFromEnvironment(), kLanguageTraditionalChinese);
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_EQ(UiLanguageFromEnvironment(), kLanguageEnglish);
    // Set but empty counts as unset.
    ::setenv("LC_ALL", "", 1);
    ::setenv("LC_MESSAGES", "", 1);
    EXPECT_EQ(UiLanguageFromEnvironment(), kLanguageChinese);
}

TEST(SystemInfo, OsGenerationOfVersion) {
    EXPECT_EQ(OsGenerationOf(5, 0), 3);
    EXPECT_EQ(OsGenerationOf(5, 1), 2);
    EXPECT_EQ(OsGenerationOf(5, 2), 4);
    EXPECT_EQ(OsGenerationOf(6, 0), 1);
    EXPECT_EQ(OsGenerationOf(10, 0), 5);
    EXPECT_EQ(OsGenerationOf(6, 1), 0);
    EXPECT_EQ(OsGenerationOf(0, 0), 0);
    EXPECT_EQ(OsGeneration(), 5);
}

} // namespace
} // namespace varnet
