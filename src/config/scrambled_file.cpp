#include "config/scrambled_file.h"

#include <algorithm>

namespace varnet {

void ScrambleInPlace(std::span<uint8_t> bytes) {
    const uint8_t key[4] = {
        static_cast<uint8_t>(kScrambleKey),
        static_cast<uint8_t>(kScrambleKey >> 8),
        static_cast<uint8_t>(kScrambleKey >> 16),
        static_cast<uint8_t>(kScrambleKey >> 24),
    };
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] ^= key[i % 4];
}

std::vector<uint8_t> ScramblePadded(std::span<const uint8_t> bytes, size_t minSize) {
    size_t size = std::max(bytes.size(), minSize);
    size = (size + 3) / 4 * 4;
    std::vector<uint8_t> out(size, 0);
    std::copy(bytes.begin(), bytes.end(), out.begin());
    ScrambleInPlace(out);
    return out;
}

} // namespace varnet
