// The scrambling of the station's binary data files (flash database, customer
// record and settings password): the bytes taken as consecutive little-endian
// 32-bit words, each XORed with one fixed key. The same operation scrambles
// and descrambles.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnet {

inline constexpr uint32_t kScrambleKey = 0x3C6E21A9;

// XORs bytes in place as if they were padded with zeros to a multiple of four
// and only the real bytes were kept: byte i gets key byte i % 4.
void ScrambleInPlace(std::span<uint8_t> bytes);

// The bytes zero-padded to at least minSize and to a multiple of four, then
// scrambled (or descrambled) word by word. Padding bytes come out as key
// bytes, which is what a short file "descrambles" to.
std::vector<uint8_t> ScramblePadded(std::span<const uint8_t> bytes, size_t minSize = 0);

inline std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

inline std::string_view AsText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

} // namespace varnet
