// The library host's messages, decoded as each side decodes the other's:
// any bytes are a clean error or a message that encodes back to the same
// bytes.
#include "mplib/host_protocol.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace varnet::mphost;
    const std::span<const uint8_t> message(data, size);
    std::string error;
    if (const auto request = DecodeRequest(message, error)) {
        if (EncodeRequest(*request) != std::vector<uint8_t>(data, data + size))
            std::abort();
    }
    if (const auto reply = DecodeReply(message, error)) {
        if (EncodeReply(*reply) != std::vector<uint8_t>(data, data + size))
            std::abort();
    }
    return 0;
}
