#include "config/flash_database.h"
#include "platform/text.h"
#include "platform/text_format.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using varnet::FlashId;

// 10,000 lookups, half of them misses, in a 2,000-record database: the
// station's worst case is every port identifying at once against a large
// production database.
void BM_FlashLookup(benchmark::State& state) {
    constexpr size_t kRecords = 2000;
    constexpr size_t kLookups = 10000;
    const uint8_t makers[] = {0x2C, 0x89, 0x98, 0x45, 0xAD, 0xEC, 0xB5};
    std::mt19937 random(20240611);
    std::vector<varnet::ST_SSD_FLASH_PARAM> records(kRecords);
    for (size_t i = 0; i < kRecords; ++i) {
        auto& record = records[i];
        record = {};
        varnet::SetFieldText(record.name, varnet::Format("PART%zu", i));
        record.flashId[0] = makers[i % std::size(makers)];
        for (size_t b = 1; b < record.flashId.size(); ++b)
            record.flashId[b] = static_cast<uint8_t>(random());
    }
    varnet::FlashDatabase db;
    db.LoadFromBytes(varnet::EncodeFlashDatabase(records));

    std::vector<FlashId> ids(kLookups);
    for (size_t i = 0; i < kLookups; ++i) {
        ids[i] = records[random() % kRecords].flashId;
        if (i % 2 == 1)
            ids[i][4] ^= 0x5A; // a miss: byte 4 counts for every maker
        ids[i][7] = static_cast<uint8_t>(i);
    }

    size_t hits = 0;
    for (auto _ : state) {
        for (const FlashId& id : ids) {
            const varnet::ST_SSD_FLASH_PARAM* record = db.FindRecord(id);
            hits += record != nullptr;
            benchmark::DoNotOptimize(record);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kLookups));
    state.counters["hits/iteration"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FlashLookup)->Unit(benchmark::kMicrosecond);

} // namespace
