#include "platform/automation/DispatchMessage.h"

#include <gtest/gtest.h>

#include "platform/automation/DispatchFrameBuffer.h"

namespace ovix::platform {
namespace {

TEST(DispatchMessage, EveryKindSurvivesTheRoundTrip) {
    DispatchMessage call;
    call.kind = DispatchMessageKind::kCall;
    call.callId = 7;
    call.dispId = 6;
    call.args = {int16_t{-2}, std::string("10.0.0.9:8080 \xe6\x97\xa5"), int32_t{-1},
                 std::monostate{}};
    DispatchMessage reply;
    reply.kind = DispatchMessageKind::kReply;
    reply.callId = 7;
    reply.result = kDISP_E_TYPEMISMATCH;
    reply.value = int16_t{5060};
    reply.args = {std::string()};
    DispatchMessage error;
    error.kind = DispatchMessageKind::kError;
    error.result = kRPC_E_INVALID_DATAPACKET;
    error.text = "bad";
    DispatchMessage ready;

    for (const auto& message : {call, reply, error, ready}) {
        const auto bytes = EncodeDispatchMessage(message);
        const auto decoded = DecodeDispatchMessage(bytes.data(), bytes.size());
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->kind, message.kind);
        EXPECT_EQ(decoded->callId, message.callId);
        EXPECT_EQ(decoded->dispId, message.dispId);
        EXPECT_EQ(decoded->result, message.result);
        EXPECT_EQ(decoded->value, message.value);
        EXPECT_EQ(decoded->args, message.args);
        EXPECT_EQ(decoded->text, message.text);
    }
}

TEST(DispatchMessage, MalformedPayloadsAreRefused) {
    DispatchMessage call;
    call.kind = DispatchMessageKind::kCall;
    call.args = {std::string("abc")};
    const auto good = EncodeDispatchMessage(call);

    std::vector<std::vector<uint8_t>> cases;
    cases.push_back({});                                                  // empty
    cases.push_back({9});                                                 // unknown kind
    cases.push_back(std::vector<uint8_t>(good.begin(), good.end() - 1));  // truncated string
    auto trailing = good;
    trailing.push_back(0);
    cases.push_back(trailing);  // bytes after the last field
    auto badTag = good;
    badTag[11] = 77;  // tag of the first argument
    cases.push_back(badTag);
    auto hugeString = good;
    hugeString[12] = 0xff;  // string length far beyond the payload
    hugeString[15] = 0x7f;
    cases.push_back(hugeString);
    std::vector<uint8_t> manyArgs = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};  // 65535 args
    cases.push_back(manyArgs);

    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_FALSE(DecodeDispatchMessage(cases[i].data(), cases[i].size()).has_value())
            << "case " << i;
    }
}

TEST(DispatchFrameBuffer, CutsMessagesFromSplitBytesAndRejectsOversizedFrames) {
    DispatchMessage call;
    call.kind = DispatchMessageKind::kCall;
    call.callId = 1;
    auto stream = FrameDispatchMessage(call);
    call.callId = 2;
    const auto second = FrameDispatchMessage(call);
    stream.insert(stream.end(), second.begin(), second.end());

    CDispatchFrameBuffer buffer;
    std::vector<uint32_t> ids;
    for (uint8_t byte : stream) {  // one byte at a time
        buffer.Append(&byte, 1);
        DispatchMessage message;
        while (buffer.Take(message) == CDispatchFrameBuffer::TakeResult::kMessage) {
            ids.push_back(message.callId);
        }
    }
    EXPECT_EQ(ids, (std::vector<uint32_t>{1, 2}));

    CDispatchFrameBuffer oversized;
    const uint8_t header[] = {0xff, 0xff, 0xff, 0x7f, 2};
    oversized.Append(header, sizeof header);
    DispatchMessage message;
    EXPECT_EQ(oversized.Take(message), CDispatchFrameBuffer::TakeResult::kMalformed);
}

}  // namespace
}  // namespace ovix::platform
