#include "platform/uuid.h"

#include <sys/random.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <random>

namespace varnet {
namespace {

bool KernelRandom(std::array<uint8_t, 16>& bytes) {
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

void FallbackRandom(std::array<uint8_t, 16>& bytes) {
    static std::mutex mutex;
    static std::mt19937_64 generator(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                              (static_cast<int64_t>(::getpid()) << 32)));
    std::lock_guard lock(mutex);
    for (size_t i = 0; i < bytes.size(); i += 8) {
        const uint64_t value = generator();
        for (size_t j = 0; j < 8; ++j)
            bytes[i + j] = static_cast<uint8_t>(value >> (8 * j));
    }
}

} // namespace

std::string NewUuidV4() {
    std::array<uint8_t, 16> bytes{};
    if (!KernelRandom(bytes))
        FallbackRandom(bytes);
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80); // the RFC's variant
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(36);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace varnet
