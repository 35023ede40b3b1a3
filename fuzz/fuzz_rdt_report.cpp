// Burn-in reports as any file may look, read under a CE scope taken from the
// input's first five bytes: reading must never crash, must keep what it does
// not own, list only CEs in scope, keep its totals consistent with the counts
// it read (clamped to 32 bits), and take its INI keys exactly as the INI
// document reads them.
#include "platform/ini_document.h"
#include "reports/rdt_report.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

int32_t Clamp(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace varnet;
    ReportContext context;
    std::string_view text;
    if (size >= 5) {
        context.enableCeMask = data[0] & 1;
        context.testStationSel = static_cast<uint8_t>((data[0] >> 1) & 7);
        context.uiLanguage = (data[0] >> 4) & 3;
        std::memcpy(&context.setCeMask, data + 1, 4);
        text = std::string_view(reinterpret_cast<const char*>(data) + 5, size - 5);
    }

    auto result = std::make_unique<ST_PORT_RESULT>();
    result->flashCount = 8;
    result->flashId[0] = {0x98, 0x3C};
    result->reportPath = "./Log/rdt.txt";
    result->portRunning = 1;
    BadBlockList list(1);
    int32_t progress = -1;
    ReadRdtReportText(text, context, PortReport{*result, list, &progress});

    const ST_PORT_RESULT& r = *result;
    Check(progress == 100);
    Check(r.resultKind == kResultRdt && r.badBlockLoaded == 1);
    Check(r.flashCount == 8 && r.flashId[0][0] == 0x98 && r.reportPath == "./Log/rdt.txt" &&
          r.portRunning == 1);

    int64_t all = 0;
    int64_t early = 0;
    int64_t later = 0;
    for (int ce = 0; ce < kMaxCe; ++ce) {
        for (int die = 0; die < kMaxDie; ++die) {
            int64_t laterOfDie = 0;
            for (int p = 0; p < kMaxPlane; ++p) {
                if (!context.CeInScope(ce))
                    Check(r.totalBad[ce][die][p] == 0 && r.earlyBad[ce][die][p] == 0 &&
                          r.laterBad[ce][die][p] == 0);
                all += r.totalBad[ce][die][p];
                early += r.earlyBad[ce][die][p];
                later += r.laterBad[ce][die][p];
                laterOfDie += r.laterBad[ce][die][p];
            }
            Check(r.laterBadPerDie[ce][die] == Clamp(laterOfDie));
        }
    }
    Check(r.allBadTotal == Clamp(all) && r.earlyBadTotal == Clamp(early) && r.laterBadTotal == Clamp(later));

    int64_t failures = 0;
    for (const BAD_BLOCK_INFO& e : list) {
        Check(context.CeInScope(e.ce));
        Check(e.die == 0);
        Check(std::memchr(e.label.data(), '\0', e.label.size()) != nullptr);
        const std::string_view label = e.label.data();
        failures += label.find("Read") != std::string_view::npos ||
                    label.find("Erase") != std::string_view::npos ||
                    label.find("Program") != std::string_view::npos;
    }
    Check(r.readFailTotal >= 0 && r.eraseFailTotal >= 0 && r.programFailTotal >= 0);
    // A stored label is the whole one cut short: it may have lost the word
    // its row was counted by, never gained one.
    Check(failures <= int64_t{r.readFailTotal} + r.eraseFailTotal + r.programFailTotal);
    Check(int64_t{r.readFailTotal} + r.eraseFailTotal + r.programFailTotal <=
          static_cast<int64_t>(list.size()));

    Check(r.maxTemperature.empty() || EndsWith(r.maxTemperature, context.uiLanguage == 1 ? "℃" : "°C"));
    Check(r.speedFailMask == 0 || text.find(" Speed Over SPEC in CE_") != std::string_view::npos);

    // The keys of the report read as an INI file.
    const IniDocument ini = IniDocument::FromBytes({}, text);
    Check(r.testStationSel == static_cast<uint8_t>(ini.GetInt("General Info", "TestStationSel", 0) & 0xFF));
    const int32_t retention = ini.GetInt("Options", "Retention_Test", 0);
    Check(r.retentionTest == (retention >= 0 && retention <= 255 ? retention : 255));
    if (text.find("enable max fail)") == std::string_view::npos) {
        const auto selection = [&](const char* key) {
            const int32_t value = ini.GetInt("RDT", key, 0);
            return value == 0 ? 0 : Clamp(int64_t{value} - 1);
        };
        const int32_t program = selection("FailProgramLimitSel");
        const int32_t erase = selection("FailEraseLimitSel");
        const int32_t read = selection("FailReadLimitSel");
        const int32_t total = selection("FailTotalLimitSel");
        Check(r.enableMaxFail == (program != 0 || erase != 0 || read != 0 || total != 0 ? 1 : 0));
        Check(program == 0 || r.maxProgramFail == program);
        Check(erase == 0 || r.maxEraseFail == erase);
        Check(read == 0 || r.maxReadFail == read);
        Check(total == 0 || r.maxLaterBad == total);
    }
    return 0;
}
