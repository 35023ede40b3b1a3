// The caption table's own soundness: every number the table lists is found
// and has a text in both languages, and a caption that is filled in with
// values asks for the same values in both languages, so switching the
// language never shows a blank control or formats the wrong argument.
#include "ui/captions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnet::ui {
namespace {

// The printf conversions of a text in order ("%02d", "%s", ...); "%%" is
// a plain percent sign and no conversion.
std::vector<std::string> Conversions(const std::string& text) {
    std::vector<std::string> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        const size_t end = text.find_first_of("diouxXeEfFgGaAcspn", i + 1);
        const size_t stop = end == std::string::npos ? text.size() : end + 1;
        found.push_back(text.substr(i, stop - i));
        i = stop - 1;
    }
    return found;
}

TEST(Captions, ConversionsAreFoundInOrder) {
    EXPECT_EQ(Conversions("%02d_%s"), (std::vector<std::string>{"%02d", "%s"}));
    EXPECT_EQ(Conversions("100%% of %-8.3f"), (std::vector<std::string>{"%-8.3f"}));
    EXPECT_TRUE(Conversions("Start SN:").empty());
}

TEST(Captions, EveryNumberHasATextInBothLanguagesWithTheSameConversions) {
    const std::vector<int>& numbers = CaptionNumbers();
    ASSERT_FALSE(numbers.empty());
    for (size_t i = 0; i < numbers.size(); ++i) {
        const int number = numbers[i];
        SCOPED_TRACE(number);
        if (i > 0) {
            EXPECT_LT(numbers[i - 1], number) << "the table is looked up in ascending order";
        }
        const std::string english = Caption(number, 0).toStdString();
        const std::string chinese = Caption(number, 1).toStdString();
        EXPECT_FALSE(english.empty());
        EXPECT_FALSE(chinese.empty());
        EXPECT_EQ(Conversions(english), Conversions(chinese));
        // Traditional Chinese is never selected for captions: English shows.
        EXPECT_EQ(Caption(number, 2).toStdString(), english);
    }
}

TEST(Captions, UnknownNumbersAndLanguagesFallBack) {
    for (int number : {0, 100, 102, 130, 212, -1})
        EXPECT_TRUE(Caption(number, 1).isEmpty()) << number;
    EXPECT_EQ(Caption(131, 7), QStringLiteral("Start"));
    EXPECT_EQ(Caption(131, -1), QStringLiteral("Start"));
}

} // namespace
} // namespace varnet::ui
