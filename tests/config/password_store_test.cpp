#include "config/password_store.h"

#include "config/customer_record.h"
#include "config/scrambled_file.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

// Descrambled content: a customer area with the marker, then the given tail.
std::vector<uint8_t> Plain(std::string_view tail, size_t customerSize = kPasswordOffset) {
    std::vector<uint8_t> plain(customerSize);
    for (size_t i = 0; i < customerSize; ++i)
        plain[i] = static_cast<uint8_t>(i * 13 + 1);
    const char kxmp[4] = {'K', 'X', 'M', 'P'};
    for (size_t i = 0; i < 4 && 33 + i < customerSize; ++i)
        plain[33 + i] = static_cast<uint8_t>(kxmp[i]);
    plain.insert(plain.end(), tail.begin(), tail.end());
    return plain;
}

std::vector<uint8_t> Scrambled(std::vector<uint8_t> bytes) {
    ScrambleInPlace(bytes);
    return bytes;
}

std::string AsText(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(PasswordStore, ReadsTheTextAfterTheCustomerArea) {
    struct Case {
        const char* what;
        std::vector<uint8_t> plain;
        std::string expected;
    };
    const Case cases[] = {
        {"capitals read lower case", Plain(std::string("PassWord1\0\0\0", 12)), "password1"},
        {"exactly 312 bytes", Plain(""), ""},
        {"short file", Plain("", 200), ""},
        {"empty file", {}, ""},
        {"ends at the first zero", Plain(std::string("ab\0cd\0\0\0", 8)), "ab"},
        {"ends with the file", Plain("abcd"), "abcd"},
        // Padding the last word would descramble to key bytes; they are no part of it.
        {"length not whole words", Plain("ab"), "ab"},
        {"at most 127 bytes", Plain(std::string(200, 'Q')), std::string(127, 'q')},
        {"only ASCII changes case", Plain("\xC3\x84Z"), "\xC3\x84z"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeStoredPassword(Scrambled(c.plain)), c.expected) << c.what;
}

TEST(PasswordStore, MatchingIgnoresLetterCaseOnly) {
    EXPECT_TRUE(PasswordMatches("PaSsWoRd", "password"));
    EXPECT_TRUE(PasswordMatches("", ""));
    EXPECT_FALSE(PasswordMatches("password", "password "));
    EXPECT_FALSE(PasswordMatches("", "a"));
}

TEST(PasswordStore, ChangeKeepsTheCustomerAreaAndDropsTheOldTail) {
    const std::vector<uint8_t> old = Plain(std::string("oldsecret\0\0\0leftover", 20));
    const std::vector<uint8_t> changed = EncodePasswordChange(Scrambled(old), "Xy");
    ASSERT_EQ(changed.size(), 316u); // 312 + 2 + 3 rounded down
    const std::vector<uint8_t> plain = Scrambled(changed);
    EXPECT_TRUE(std::equal(old.begin(), old.begin() + kPasswordOffset, plain.begin()));
    EXPECT_EQ(plain[312], 'x');
    EXPECT_EQ(plain[313], 'y');
    EXPECT_EQ(plain[314], 0);
    EXPECT_EQ(plain[315], 0);
    EXPECT_EQ(DecodeStoredPassword(changed), "xy");
}

TEST(PasswordStore, EveryLengthUpTo127ReadsBackExactly) {
    const std::vector<uint8_t> old = Scrambled(Plain(std::string(150, 'z')));
    const CustomerRecord record = DecodeCustomerRecord(old);
    ASSERT_TRUE(record.Valid());
    for (size_t length = 0; length <= kPasswordMaxLength; ++length) {
        std::string password;
        for (size_t i = 0; i < length; ++i)
            password += "aB3~"[i % 4];
        const std::vector<uint8_t> changed = EncodePasswordChange(old, password);
        ASSERT_EQ(changed.size(), (kPasswordOffset + length + 3) / 4 * 4) << length;
        ASSERT_EQ(DecodeStoredPassword(changed), ToLowerAscii(password)) << length;
        ASSERT_EQ(DecodeCustomerRecord(changed).bytes, record.bytes) << length;
    }
}

TEST(PasswordStore, ShortFileIsCompletedAsTheCustomerRecordReadsIt) {
    for (size_t size : {0u, 20u, 37u, 40u, 308u, 309u, 310u, 311u}) {
        const std::vector<uint8_t> old = Scrambled(Plain("", size));
        const CustomerRecord before = DecodeCustomerRecord(old);
        const std::vector<uint8_t> changed = EncodePasswordChange(old, "pw");
        ASSERT_EQ(changed.size(), 316u) << size;
        EXPECT_EQ(DecodeCustomerRecord(changed).bytes, before.bytes) << size;
        EXPECT_EQ(before.Valid(), size >= 37) << size;
        EXPECT_EQ(DecodeStoredPassword(changed), "pw") << size;
        // The file's own bytes stay as they were.
        EXPECT_TRUE(std::equal(old.begin(), old.end(), changed.begin())) << size;
    }
}

TEST(PasswordStore, WriteReplacesTheFileAndReadsBack) {
    test::TempDir dir;
    const auto file = dir / "SB_ISP_Ram.BIN";
    test::WriteText(file, AsText(Scrambled(Plain(""))));
    ASSERT_EQ(ReadStoredPassword(file), "");

    ASSERT_TRUE(WriteStoredPassword(file, "Secret").ok());
    EXPECT_EQ(ReadStoredPassword(file), "secret");
    EXPECT_EQ(test::ReadText(file).size(), 320u); // 312 + 6 + 3 rounded down
    const std::string before = test::ReadText(file);
    ASSERT_TRUE(WriteStoredPassword(file, "").ok());
    EXPECT_EQ(ReadStoredPassword(file), "");
    EXPECT_EQ(test::ReadText(file).substr(0, 312), before.substr(0, 312));

    // A file that exists but is empty is a file like any other.
    test::WriteText(dir / "empty.BIN", "");
    ASSERT_TRUE(WriteStoredPassword(dir / "empty.BIN", "a").ok());
    EXPECT_EQ(ReadStoredPassword(dir / "empty.BIN"), "a");
}

TEST(PasswordStore, WriteFailsWithoutCreatingOrTouchingAnything) {
    test::TempDir dir;
    const Status missing = WriteStoredPassword(dir / "absent.BIN", "pw");
    EXPECT_FALSE(missing.ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "absent.BIN"));
    EXPECT_EQ(ReadStoredPassword(dir / "absent.BIN"), std::nullopt);

    std::filesystem::create_directory(dir / "folder.BIN");
    EXPECT_FALSE(WriteStoredPassword(dir / "folder.BIN", "pw").ok());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.BIN"));
    EXPECT_EQ(ReadStoredPassword(dir / "folder.BIN"), std::nullopt);

    // A password longer than a read gives back would lock the settings for good.
    const auto file = dir / "SB_ISP_Ram.BIN";
    test::WriteText(file, AsText(Scrambled(Plain("old"))));
    const std::string before = test::ReadText(file);
    EXPECT_FALSE(WriteStoredPassword(file, std::string(128, 'p')).ok());
    EXPECT_EQ(test::ReadText(file), before);
    EXPECT_TRUE(WriteStoredPassword(file, std::string(127, 'p')).ok());
    EXPECT_EQ(ReadStoredPassword(file), std::string(127, 'p'));
}

} // namespace
} // namespace varnet
