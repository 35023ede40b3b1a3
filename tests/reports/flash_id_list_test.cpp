// Reading the flash-ID list: a list as the library writes it (one line per
// channel and CE), the byte rules on short texts, the 64-ID limit, the whole
// record being replaced, and a missing file.
#include "platform/text_format.h"
#include "reports/flash_id_list.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace varnet {
namespace {

using FlashId = std::array<uint8_t, 8>;

std::unique_ptr<ST_PORT_RESULT> EarlierRecord() {
    auto r = std::make_unique<ST_PORT_RESULT>();
    r->stationName = "04_MP";
    r->reportPath = "./Log/x.txt";
    r->earlyBad[0][0][0] = 3;
    r->flashId[63] = {0x2C, 0x44, 1, 2, 3, 4, 5, 6};
    r->flashCount = 7;
    r->errorCode[0] = 'E';
    r->portRunning = 1;
    r->deviceValid = 1;
    return r;
}

TEST(FlashIdList, ReadsAListAndReplacesTheWholeRecord) {
    auto r = EarlierRecord();
    ReadFlashIdList(test::SourceDir() / "tests/reports/fixtures/flash_id/all_flash_id.txt", *r);
    EXPECT_EQ(r->flashId[0], (FlashId{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x04}));
    EXPECT_EQ(r->flashId[3], r->flashId[0]);
    EXPECT_EQ(r->flashId[8], (FlashId{0x2C, 0xA4, 0x64, 0x32, 0xAA, 0x04, 0x00, 0x00}));
    EXPECT_EQ(r->flashId[63], (FlashId{}));
    // Channels 0 and 1 have four chips each; the entries of channel 2 (two
    // equal leading bytes) and channel 3 (leading 00) name none.
    EXPECT_EQ(r->flashCount, 8);
    EXPECT_EQ(r->channelCount, 2);
    // Everything else is as newly constructed; the caller sets portRunning again.
    EXPECT_EQ(r->stationName, "");
    EXPECT_EQ(r->reportPath, "");
    EXPECT_EQ(r->earlyBad[0][0][0], 0);
    EXPECT_EQ(r->errorCode[0], '\0');
    EXPECT_EQ(r->portRunning, 0);
    EXPECT_EQ(r->deviceValid, 0);
}

struct TextCase {
    const char* name;
    const char* text;
    FlashId first;
    int flashCount;
};

const TextCase kTextCases[] = {
    {"two digits and a separator per byte",
     "ID:98 3C 98 B3 76 72 08 04",
     {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x04},
     1},
    {"lower-case digits",
     ":9a-3c-98-b3-76-72-08-04\r\n",
     {0x9A, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x04},
     1},
    {"other characters count as digit 0", ":G8 3Z 98 B3", {0x08, 0x30, 0x98, 0xB3}, 1},
    {"characters past the end are missing", ":98 3C 9", {0x98, 0x3C, 0x09}, 1},
    {"colon at the very end gives an empty ID", "x:", {}, 0},
    {"colons inside an ID's 24 characters are part of it",
     ":11:22:33:44:55:66:77:88:99",
     {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88},
     1},
    {"leading FF names no chip", ":FF 3C", {0xFF, 0x3C}, 0},
    {"leading byte equal to the next names no chip", ":98 98", {0x98, 0x98}, 0},
    {"a second byte of FF still names a chip", ":98 FF", {0x98, 0xFF}, 1},
    {"no colon, no ID", "98 3C 98 B3 76 72 08 04", {}, 0},
};

class FlashIdText : public ::testing::TestWithParam<TextCase> {};

TEST_P(FlashIdText, ReadsTheFirstId) {
    ST_PORT_RESULT r{};
    ReadFlashIdListText(GetParam().text, r);
    EXPECT_EQ(r.flashId[0], GetParam().first);
    EXPECT_EQ(r.flashCount, GetParam().flashCount);
    EXPECT_EQ(r.channelCount, GetParam().flashCount > 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Bytes, FlashIdText, ::testing::ValuesIn(kTextCases),
                         [](const auto& param) { return test::CaseName(param.param.name); });

// The IDs after the first (resumed 24 characters after each colon, counted by
// channel) and the limit of 64.
TEST(FlashIdList, ReadsAtMost64IdsAndCountsChannels) {
    std::string text;
    for (int i = 0; i < 70; ++i)
        text += Format("CE%02d:%02X 3C 98 B3 76 72 08 %02X\r\n", i, i < 9 || i >= 60 ? 0x98 : 0xFF, i);
    ST_PORT_RESULT r{};
    ReadFlashIdListText(text, r);
    EXPECT_EQ(r.flashId[63], (FlashId{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 63}));
    EXPECT_EQ(r.flashId[9][0], 0xFF);
    EXPECT_EQ(r.flashCount, 9 + 4); // IDs 0-8 and 60-63
    EXPECT_EQ(r.channelCount, 3);   // channels 0, 1 and 7
}

TEST(FlashIdList, MissingOrUnreadableFileChangesNothing) {
    test::TempDir dir;
    for (const std::filesystem::path& path : {dir / "AllFlashID_1.txt", dir.path()}) {
        auto r = EarlierRecord();
        ReadFlashIdList(path, *r);
        EXPECT_EQ(r->stationName, "04_MP");
        EXPECT_EQ(r->flashCount, 7);
        EXPECT_EQ(r->flashId[63][0], 0x2C);
        EXPECT_EQ(r->portRunning, 1);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "AllFlashID_1.txt"));
}

} // namespace
} // namespace varnet
