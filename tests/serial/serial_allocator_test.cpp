// The allocator: Auto++ counting over a mask (carries, fixed characters,
// positional range test), Random drawing inside the range and away from every
// port's last value, the draw itself pinned by clock and per-thread
// generator, and refusals that leave everything as it was.
#include "serial/serial_allocator.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

namespace varnet {
namespace {

// A clock whose milliseconds move on with every reading, so that successive
// draws see different times as they would on a real station.
struct SteppingClock {
    int milliseconds = 0;
    int64_t calendarSeconds = 1700000000;
    int readings = 0;
    SnClock Clock() {
        return [this] {
            ++readings;
            SnTime time;
            time.milliseconds = milliseconds;
            time.calendarSeconds = calendarSeconds;
            milliseconds += 7;
            calendarSeconds += milliseconds / 1000;
            milliseconds %= 1000;
            return time;
        };
    }
};

struct AutoCase {
    const char* description;
    const char* mask;
    const char* current;
    const char* end;
    const char* next; // nullptr: refused
};

TEST(SerialAllocator, AutoIncrementCountsOverTheMask) {
    const AutoCase cases[] = {
        {"default settings", "############", "000000000001", "999999999999", "000000000002"},
        {"carry between digits", "SN##", "SN09", "SN99", "SN10"},
        {"up to the end", "SN##", "SN19", "SN20", "SN20"},
        {"end reached", "SN##", "SN20", "SN20", nullptr},
        {"range test is positional", "SN##", "SN29", "SN30", "SN30"},
        {"fixed characters keep the base's", "AB##", "XY05", "XY99", "XY06"},
        {"letter counts on", "SN##", "SN0A", "SN99", "SN0B"},
        {"carry reaches the first position", "############", "099999999999", "999999999999", "100000000000"},
        {"carry skips fixed positions", "#-##", "1-99", "9-99", "2-00"},
        {"carry out of the front", "###", "999", "99A", nullptr},
        {"base shorter than mask", "SN##", "SN1", "SN99", nullptr},
        {"end shorter than mask", "SN##", "SN10", "SN9", nullptr},
        {"base longer than mask", "SN##", "SN100", "SN99", nullptr},
        {"empty base", "SN##", "", "SN99", nullptr},
        {"empty end", "SN##", "SN10", "", nullptr},
        {"empty mask", "", "SN10", "SN99", nullptr},
    };
    for (const AutoCase& c : cases) {
        SCOPED_TRACE(c.description);
        LastSnByPort last;
        last.fill("before");
        std::string out = "unchanged";
        // The start SN plays no part in Auto++.
        const bool ok =
            AllocateSerialNumber(3, c.mask, c.current, "", c.end, SnType::AutoIncrement, last, out);
        LastSnByPort expected;
        expected.fill("before");
        if (c.next) {
            ASSERT_TRUE(ok);
            EXPECT_EQ(out, c.next);
            expected[3] = c.next;
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(out, "unchanged");
        }
        EXPECT_EQ(last, expected);
    }
}

TEST(SerialAllocator, RefusesOtherTypesAndPorts) {
    for (const auto& [port, type] : {std::pair{0, SnType::ScanInput},
                                     {0, SnType::Unified},
                                     {0, static_cast<SnType>(9)},
                                     {-1, SnType::AutoIncrement},
                                     {24, SnType::AutoIncrement},
                                     {24, SnType::Random}}) {
        LastSnByPort last;
        std::string out = "unchanged";
        EXPECT_FALSE(AllocateSerialNumber(port, "SN##", "SN10", "SN00", "SN99", type, last, out))
            << port << " " << static_cast<int>(type);
        EXPECT_EQ(out, "unchanged");
        EXPECT_EQ(last, LastSnByPort{});
    }
}

TEST(SerialAllocator, GeneratorIsPerThreadWithItsConstants) {
    std::vector<int> values;
    std::thread([&] {
        for (int i = 0; i < 5; ++i)
            values.push_back(NextSnRandom());
    }).join();
    EXPECT_EQ(values, (std::vector<int>{41, 18467, 6334, 26500, 19169}));

    SeedSnGenerator(0xFFFFFFFFu);
    const int first = NextSnRandom();
    // Another thread's draws leave this thread's sequence alone.
    std::thread([] { SeedSnGenerator(12345); }).join();
    SeedSnGenerator(0xFFFFFFFFu);
    EXPECT_EQ(NextSnRandom(), first);
}

TEST(SerialAllocator, RandomDrawIsPinnedByClockPortAndThread) {
    struct DrawCase {
        int port;
        int milliseconds;
        int64_t calendarSeconds;
        const char* value;
    };
    // Seconds past 32 bits keep only their low half.
    const DrawCase cases[] = {
        {5, 123, 1700000000, "WO"},
        {6, 123, 1700000000, "0W"},
        {23, 999, (int64_t{1} << 32) + 7, "OI"},
        {0, 0, 0, "K7"},
    };
    for (const DrawCase& c : cases) {
        std::string out;
        // A fresh thread starts its generator from the same state.
        std::thread([&] {
            LastSnByPort last;
            const SnClock clock = [&] {
                SnTime time;
                time.milliseconds = c.milliseconds;
                time.calendarSeconds = c.calendarSeconds;
                return time;
            };
            EXPECT_TRUE(AllocateSerialNumber(c.port, "##", "", "00", "ZZ", SnType::Random, last, out, clock));
        }).join();
        EXPECT_EQ(out, c.value) << "port " << c.port;
    }
}

TEST(SerialAllocator, RandomStaysInsideTheRangeAndKeepsTheMasksCharacters) {
    SteppingClock stepping;
    const SnClock clock = stepping.Clock();
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        LastSnByPort last;
        std::string out;
        ASSERT_TRUE(
            AllocateSerialNumber(i % 24, "AB##", "", "AB00", "AB99", SnType::Random, last, out, clock));
        // Every letter is above the end's '9', so none is ever drawn.
        ASSERT_EQ(out.size(), 4u);
        EXPECT_EQ(out.substr(0, 2), "AB");
        EXPECT_TRUE(out[2] >= '0' && out[2] <= '9' && out[3] >= '0' && out[3] <= '9') << out;
        EXPECT_EQ(last[static_cast<size_t>(i % 24)], out);
        seen.insert(out);
    }
    EXPECT_GT(seen.size(), 50u);

    // Fixed positions take the mask's characters, not the start's, and the
    // range compares without regard to case.
    LastSnByPort last;
    std::string out;
    ASSERT_TRUE(AllocateSerialNumber(0, "AB#", "", "ab5", "ab7", SnType::Random, last, out, clock));
    EXPECT_TRUE(out == "AB5" || out == "AB6" || out == "AB7") << out;
}

TEST(SerialAllocator, RandomAvoidsTheLastValueOfEveryPort) {
    SteppingClock stepping;
    const SnClock clock = stepping.Clock();
    // AB00, AB01 and AB02 are the only values in range.
    for (int i = 0; i < 30; ++i) {
        LastSnByPort last;
        last[3] = "AB00";
        last[7] = "AB01";
        std::string out;
        ASSERT_TRUE(AllocateSerialNumber(7, "AB##", "", "AB00", "AB02", SnType::Random, last, out, clock));
        EXPECT_EQ(out, "AB02");
        EXPECT_EQ(last[3], "AB00");
        EXPECT_EQ(last[7], "AB02");
    }
}

TEST(SerialAllocator, RandomGivesUpAfterItsDrawBound) {
    struct BoundCase {
        const char* description;
        const char* mask;
        const char* start;
        const char* end;
    };
    const BoundCase cases[] = {
        // Every pass finds AB05 again, which port 0 already has.
        {"start equals end", "AB##", "AB05", "AB05"},
        // The first position can only be '1', after which nothing fits.
        {"no value reachable", "##", "19", "21"},
        // Nothing below '0' is ever drawn.
        {"end below the alphabet", "A#", "A!", "A!"},
    };
    for (const BoundCase& c : cases) {
        SCOPED_TRACE(c.description);
        SteppingClock stepping;
        LastSnByPort last;
        last[0] = "AB05";
        const LastSnByPort before = last;
        std::string out = "unchanged";
        EXPECT_FALSE(
            AllocateSerialNumber(0, c.mask, "", c.start, c.end, SnType::Random, last, out, stepping.Clock()));
        EXPECT_EQ(stepping.readings, kMaxRandomDraws);
        EXPECT_EQ(out, "unchanged");
        EXPECT_EQ(last, before);
    }
}

TEST(SerialAllocator, RandomWithoutCountedPositionsGivesTheMask) {
    LastSnByPort last;
    std::string out;
    ASSERT_TRUE(AllocateSerialNumber(2, "FIXED", "", "AAAAA", "ZZZZZ", SnType::Random, last, out));
    EXPECT_EQ(out, "FIXED");
    // A second time it would be a port's last value again, and no draw can change it.
    out = "unchanged";
    EXPECT_FALSE(AllocateSerialNumber(2, "FIXED", "", "AAAAA", "ZZZZZ", SnType::Random, last, out));
    EXPECT_EQ(out, "unchanged");
}

} // namespace
} // namespace varnet
