// The library host's messages: every call shape survives the trip, and bytes
// that are not a message are refused with a reason, whichever side reads them.
#include "mplib/host_protocol.h"

#include <gtest/gtest.h>

#include <cstring>

namespace varnet::mphost {
namespace {

TEST(HostProtocol, RequestsAndRepliesSurviveTheTrip) {
    Request request;
    request.op = Op::DoPretestInitRdtMarkCeMask;
    request.sequence = 77;
    request.drive = 26;
    request.text1 = "Log/20261210/04_MP/";
    request.text2 = "";
    request.burnInPassed = 1;
    request.ceMask = 0xF00F;
    std::strcpy(request.errorCode.data(), "old");
    std::string error;
    const auto back = DecodeRequest(EncodeRequest(request), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->op, request.op);
    EXPECT_EQ(back->sequence, 77u);
    EXPECT_EQ(back->drive, 26);
    EXPECT_EQ(back->text1, request.text1);
    EXPECT_EQ(back->text2, std::optional<std::string>(""));
    EXPECT_FALSE(back->text3) << "a null pointer stays null";
    EXPECT_EQ(back->ceMask, 0xF00Fu);
    EXPECT_STREQ(back->errorCode.data(), "old");

    Reply reply;
    reply.op = Op::WriteReadPH;
    reply.sequence = 9;
    reply.result = 1;
    reply.history.assign(4096, 0x5A);
    const auto replyBack = DecodeReply(EncodeReply(reply), error);
    ASSERT_TRUE(replyBack) << error;
    EXPECT_EQ(replyBack->history, reply.history);
}

TEST(HostProtocol, BytesThatAreNotAMessageAreRefusedWithAReason) {
    Request erase;
    erase.op = Op::DoEraseAll;
    erase.text1 = "folder/";
    const std::vector<uint8_t> good = EncodeRequest(erase);
    struct Case {
        const char* label;
        std::vector<uint8_t> bytes;
        const char* reason;
    };
    auto changed = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> bytes = good;
        bytes[at] = value;
        return bytes;
    };
    // The header's length made to agree with the bytes after it.
    auto agreeing = [](std::vector<uint8_t> bytes) {
        const auto length = static_cast<uint32_t>(bytes.size() - kHeaderSize);
        for (int i = 0; i < 4; ++i)
            bytes[12 + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
        return bytes;
    };
    const std::vector<uint8_t> truncated = agreeing(std::vector<uint8_t>(good.begin(), good.end() - 1));
    std::vector<uint8_t> trailing = good;
    trailing.push_back(0);
    trailing = agreeing(trailing);
    Request history;
    history.op = Op::WriteReadPH;
    std::vector<uint8_t> huge = EncodeRequest(history);
    huge[huge.size() - 2] = 0x10; // a history length of 1 MiB
    const Case cases[] = {
        {"empty", {}, "a message of 0 bytes"},
        {"short header", std::vector<uint8_t>(good.begin(), good.begin() + 10), "a message of 10 bytes"},
        {"another magic", changed(0, 'X'), "not a library host message"},
        {"another version", changed(4, 9), "protocol version 9"},
        {"unknown operation", changed(6, 99), "unknown operation 99"},
        {"length that lies", changed(12, 3), "payload length"},
        {"truncated", truncated, "a truncated DoEraseAll request"},
        {"trailing bytes", trailing, "trailing bytes after DoEraseAll"},
        {"history too long", huge, "WriteReadPH"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(DecodeRequest(c.bytes, error)) << c.label;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.label << ": " << error;
        EXPECT_FALSE(DecodeReply(c.bytes, error).has_value() && c.bytes.size() < kHeaderSize) << c.label;
    }
    std::string error;
    Reply hello;
    hello.op = Op::Hello;
    EXPECT_FALSE(DecodeRequest(EncodeReply(hello), error)) << "a Hello is no request";
}

} // namespace
} // namespace varnet::mphost
