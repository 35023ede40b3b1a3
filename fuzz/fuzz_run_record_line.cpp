// Run journal lines as any file may hold them: decoding must never crash,
// and whatever decodes must encode to one valid UTF-8 line that decodes to
// the same record again.
#include "platform/text.h"
#include "results/run_record_json.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace varnet;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto record = DecodeRunRecord(line, &error);
    if (!record) {
        Check(!error.empty());
        return 0;
    }
    Check(!record->runId.empty());
    const std::string encoded = EncodeRunRecord(*record);
    Check(encoded.find('\n') == std::string::npos && encoded.find('\r') == std::string::npos);
    Check(ValidUtf8(encoded) == encoded);
    const auto again = DecodeRunRecord(encoded);
    Check(again.has_value());
    Check(EncodeRunRecord(*again) == encoded);
    return 0;
}
