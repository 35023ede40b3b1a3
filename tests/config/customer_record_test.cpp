#include "config/customer_record.h"

#include "config/scrambled_file.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

constexpr uint8_t kKeyBytes[4] = {0xA9, 0x21, 0x6E, 0x3C};

// Descrambled content of the given size: a byte pattern, with the marker when asked.
std::vector<uint8_t> PlainRecord(size_t size, bool marker = true) {
    std::vector<uint8_t> plain(size);
    for (size_t i = 0; i < size; ++i)
        plain[i] = static_cast<uint8_t>(i * 7 + 3);
    if (marker) {
        const uint8_t kxmp[4] = {'K', 'X', 'M', 'P'};
        for (size_t i = 0; i < 4 && 33 + i < size; ++i)
            plain[33 + i] = kxmp[i];
    }
    return plain;
}

std::vector<uint8_t> Scrambled(std::vector<uint8_t> plain) {
    ScrambleInPlace(plain);
    return plain;
}

TEST(CustomerRecord, ValidFileDecodesToItsFirst309Bytes) {
    std::vector<uint8_t> plain = PlainRecord(316);
    plain[16] = 8;
    plain[39] = 1;
    plain[49] = 0;
    const CustomerRecord record = DecodeCustomerRecord(Scrambled(plain));
    ASSERT_TRUE(record.Valid());
    EXPECT_TRUE(std::equal(record.bytes.begin(), record.bytes.end(), plain.begin()));
    EXPECT_EQ(record.CustomerCode(), 8);
    EXPECT_TRUE(record.SortingOnly());
    EXPECT_FALSE(record.AlternativeBaseTitle());
    EXPECT_EQ(record.Byte(308), plain[308]);
    EXPECT_EQ(record.Byte(309), 0); // past the record
}

TEST(CustomerRecord, AnythingButTheMarkerGivesAnAllZeroRecord) {
    for (size_t broken = 33; broken <= 36; ++broken) {
        std::vector<uint8_t> plain = PlainRecord(309);
        plain[broken] ^= 0x20; // "kXMP", "KxMP", ...
        const CustomerRecord record = DecodeCustomerRecord(Scrambled(plain));
        EXPECT_FALSE(record.Valid()) << broken;
        EXPECT_TRUE(std::all_of(record.bytes.begin(), record.bytes.end(), [](uint8_t b) { return b == 0; }))
            << broken;
    }
    // An unscrambled file holds the marker in the clear, which does not count.
    EXPECT_FALSE(DecodeCustomerRecord(PlainRecord(309)).Valid());
}

TEST(CustomerRecord, ShortFileReadsMissingBytesAsDescrambledZeros) {
    for (size_t size : {37u, 38u, 40u, 308u}) {
        const std::vector<uint8_t> plain = PlainRecord(size);
        const CustomerRecord record = DecodeCustomerRecord(Scrambled(plain));
        ASSERT_TRUE(record.Valid()) << size;
        for (size_t i = 0; i < kCustomerRecordSize; ++i) {
            const uint8_t expected = i < size ? plain[i] : kKeyBytes[i % 4];
            ASSERT_EQ(record.bytes[i], expected) << "size " << size << " byte " << i;
        }
    }
}

TEST(CustomerRecord, FileEndingBeforeTheMarkerIsInvalid) {
    for (size_t size : {0u, 1u, 33u, 35u, 36u}) {
        const CustomerRecord record = DecodeCustomerRecord(Scrambled(PlainRecord(size)));
        EXPECT_FALSE(record.Valid()) << size;
        EXPECT_EQ(record.CustomerCode(), 0) << size;
    }
}

TEST(CustomerRecord, LoadTellsAMissingFileFromAnInvalidOne) {
    test::TempDir dir;
    CustomerRecord record;
    record.bytes[16] = 5;
    EXPECT_FALSE(LoadCustomerRecord(dir / "absent.BIN", record));
    EXPECT_FALSE(LoadCustomerRecord(dir.path(), record)); // a folder is no file
    EXPECT_EQ(record.CustomerCode(), 5);

    test::WriteText(dir / "wrong.BIN", std::string(400, 'x'));
    EXPECT_TRUE(LoadCustomerRecord(dir / "wrong.BIN", record));
    EXPECT_EQ(record.CustomerCode(), 0);

    std::vector<uint8_t> plain = PlainRecord(312);
    plain[16] = 3;
    const std::vector<uint8_t> scrambled = Scrambled(plain);
    test::WriteText(dir / "good.BIN", std::string(scrambled.begin(), scrambled.end()));
    EXPECT_TRUE(LoadCustomerRecord(dir / "good.BIN", record));
    EXPECT_TRUE(record.Valid());
    EXPECT_EQ(record.CustomerCode(), 3);
}

} // namespace
} // namespace varnet
