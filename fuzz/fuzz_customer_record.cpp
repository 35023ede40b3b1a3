// Bin/SB_ISP_Ram.BIN as it may come from any station: decoding the customer
// record and the password must never crash, and a password change must read
// back as the new password while leaving the customer record as it was.
#include "config/customer_record.h"
#include "config/password_store.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

namespace {

void CheckChange(std::span<const uint8_t> old, const varnet::CustomerRecord& before,
                 const std::string& password) {
    const std::vector<uint8_t> changed = varnet::EncodePasswordChange(old, password);
    if (changed.size() != (varnet::kPasswordOffset + password.size() + 3) / 4 * 4)
        std::abort();
    if (varnet::DecodeStoredPassword(changed) != varnet::ToLowerAscii(password))
        std::abort();
    if (varnet::DecodeCustomerRecord(changed).bytes != before.bytes)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const varnet::CustomerRecord before = varnet::DecodeCustomerRecord(bytes);
    if (!before.Valid() && before.CustomerCode() != 0)
        std::abort(); // an invalid record is all zero
    const std::string stored = varnet::DecodeStoredPassword(bytes);
    if (stored.size() > varnet::kPasswordMaxLength || stored.find('\0') != std::string::npos)
        std::abort();
    if (stored != varnet::ToLowerAscii(stored))
        std::abort();

    // The new password is taken from the input's first bytes (a field holds no
    // zero byte, and the store keeps at most 127).
    std::string password;
    const size_t length = size == 0 ? 0 : std::min<size_t>(data[0] % 128, size - 1);
    for (size_t i = 0; i < length; ++i)
        password += static_cast<char>(data[1 + i] == 0 ? 'Z' : data[1 + i]);
    CheckChange(bytes, before, password);
    CheckChange(bytes, before, stored);
    return 0;
}
