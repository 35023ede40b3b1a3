// The messages between the program and its library host (varnet-mphost):
// one SOCK_SEQPACKET message per request and per reply, each a fixed header
// (magic, version, operation, sequence, payload length) and a payload of
// fixed-width little-endian integers, length-prefixed strings (a null
// pointer has a length of its own) and the fixed buffers the entry points
// fill: the 512-byte identify data, the two 512-byte error buffers, the
// production history area.
//
// Both sides decode what the other sent as untrusted bytes: a message that is
// short, long, of another version or of an unknown operation is a clean
// error (nullopt and why), never a crash or a read past its end.
// Plain functions; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace varnet::mphost {

inline constexpr uint32_t kMagic = 0x48504D56; // "VMPH"
inline constexpr uint16_t kVersion = 1;
inline constexpr size_t kHeaderSize = 16;
inline constexpr size_t kBufferSize = 512;
inline constexpr size_t kIdentifySize = 512;
inline constexpr size_t kMaxHistoryLength = 65536;
// The largest message either side sends or accepts.
inline constexpr size_t kMaxMessage = 256 * 1024;

enum class Op : uint16_t {
    Hello = 1, // the host's first message: whether the library loaded
    GetIdentifyInfoBuf,
    DoPretestInit,
    DoPretestInitRdtMark,
    DoPretestInitRdtMarkCeMask,
    ReadRdtLog,
    ReadRdtBadLog,
    DoEraseAll,
    GetAllFlashID,
    ScandBadBlock,
    ModifyDeviceInfo,
    DownLoadMicroCode,
    SecurityErase,
    ResetSmart,
    WriteReadPH,
};

// The entry point's name as the library exports it ("DoEraseAll"), which is
// also how its call budget is named in the settings; nullptr for Hello and
// unknown values.
const char* EntryPointName(Op op);

using ErrorBuffer = std::array<char, kBufferSize>;

struct Request {
    Op op = Op::Hello;
    uint32_t sequence = 0;
    int32_t drive = 0;
    // The eight-argument shape: folder, name, settings file; the two-string
    // calls use the first two; null pointers stay null.
    std::optional<std::string> text1, text2, text3;
    uint8_t burnInPassed = 0;
    uint32_t ceMask = 0;
    int32_t mode = 0; // WriteReadPH
    ErrorBuffer errorCode{};
    ErrorBuffer errorMessage{};   // also SecurityErase's buffer
    std::vector<uint8_t> history; // WriteReadPH: its length is the call's
};

struct Reply {
    Op op = Op::Hello;
    uint32_t sequence = 0;
    uint8_t result = 0; // the entry point's byte; Hello: 1 when the library loaded
    std::string text;   // Hello: why the library did not load
    std::array<uint8_t, kIdentifySize> identify{};
    ErrorBuffer errorCode{};
    ErrorBuffer errorMessage{};
    std::vector<uint8_t> history;
};

std::vector<uint8_t> EncodeRequest(const Request& request);
std::optional<Request> DecodeRequest(std::span<const uint8_t> message, std::string& error);
std::vector<uint8_t> EncodeReply(const Reply& reply);
std::optional<Reply> DecodeReply(std::span<const uint8_t> message, std::string& error);

} // namespace varnet::mphost
