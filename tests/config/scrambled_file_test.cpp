#include "config/scrambled_file.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

TEST(ScrambledFile, WordsAreLittleEndianXoredWithTheKey) {
    std::vector<uint8_t> bytes = {0, 0, 0, 0, 0x4B, 0x58, 0x4D, 0x50, 1};
    ScrambleInPlace(bytes);
    const std::vector<uint8_t> expected = {0xA9,        0x21,        0x6E,        0x3C,    0x4B ^ 0xA9,
                                           0x58 ^ 0x21, 0x4D ^ 0x6E, 0x50 ^ 0x3C, 1 ^ 0xA9};
    EXPECT_EQ(bytes, expected);
    ScrambleInPlace(bytes);
    EXPECT_EQ(bytes[4], 0x4B);
    EXPECT_EQ(bytes[8], 1);
}

TEST(ScrambledFile, PaddingGrowsToMinimumAndWholeWords) {
    const std::vector<uint8_t> five = {1, 2, 3, 4, 5};
    const auto padded = ScramblePadded(five);
    ASSERT_EQ(padded.size(), 8u);
    EXPECT_EQ(padded[4], 5 ^ 0xA9);
    EXPECT_EQ(padded[5], 0x21); // a zero pad byte comes out as its key byte
    EXPECT_EQ(padded[7], 0x3C);
    EXPECT_EQ(ScramblePadded(five, 309).size(), 312u);
    EXPECT_EQ(ScramblePadded({}, 0).size(), 0u);
}

} // namespace
} // namespace varnet
