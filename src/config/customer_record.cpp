#include "config/customer_record.h"

#include "config/scrambled_file.h"
#include "platform/file_io.h"

#include <algorithm>

namespace varnet {
namespace {

constexpr size_t kMarkerOffset = 33;
constexpr uint8_t kMarker[4] = {0x4B, 0x58, 0x4D, 0x50};

} // namespace

bool CustomerRecord::Valid() const {
    return std::equal(std::begin(kMarker), std::end(kMarker), bytes.begin() + kMarkerOffset);
}

CustomerRecord DecodeCustomerRecord(std::span<const uint8_t> fileBytes) {
    // A short file is read as if zero-padded before descrambling, so its missing
    // bytes become key bytes rather than zeros; stations rely on that reading.
    const std::vector<uint8_t> plain = ScramblePadded(fileBytes, kCustomerRecordSize);
    CustomerRecord record;
    std::copy_n(plain.begin(), kCustomerRecordSize, record.bytes.begin());
    if (!record.Valid())
        record.bytes.fill(0);
    return record;
}

bool LoadCustomerRecord(const std::filesystem::path& file, CustomerRecord& out) {
    const std::optional<std::string> content = ReadWholeFile(file);
    if (!content)
        return false;
    out = DecodeCustomerRecord(AsBytes(*content));
    return true;
}

} // namespace varnet
