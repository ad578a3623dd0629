// Messages on the automation channel. Every message is one frame: a 32-bit little-endian
// payload length, then the payload, whose first byte says what it is.
//   ready   server -> client: the object exists and takes calls.
//   call    client -> server: call id, dispatch id, arguments.
//   reply   server -> client: call id, result code, result value, arguments after the call
//           (by-reference arguments come back changed).
//   error   server -> client: result code and text, sent before the server drops a channel
//           that carried something it could not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/AutomationResult.h"
#include "platform/automation/DispatchValue.h"

namespace ovix::platform {

// Largest payload either side accepts; anything longer is garbage.
inline constexpr size_t kMaxDispatchPayload = 64 * 1024;
inline constexpr size_t kFrameHeaderBytes = 4;
// Most arguments a call may carry.
inline constexpr size_t kMaxDispatchArgs = 16;

enum class DispatchMessageKind : uint8_t { kReady = 1, kCall = 2, kReply = 3, kError = 4 };

struct DispatchMessage {
    DispatchMessageKind kind = DispatchMessageKind::kReady;
    uint32_t callId = 0;     // call, reply
    int32_t dispId = 0;      // call
    HResult result = kS_OK;  // reply, error
    DispatchValue value;     // reply: the method's result
    DispatchArgs args;       // call, reply
    std::string text;        // error
};

// Payload of one message (without the length header).
std::vector<uint8_t> EncodeDispatchMessage(const DispatchMessage& message);

// The message, or nullopt when the payload is malformed in any way (unknown kind or tag,
// truncated fields, trailing bytes, too many arguments).
std::optional<DispatchMessage> DecodeDispatchMessage(const uint8_t* data, size_t length);

// Frame = header + payload.
std::vector<uint8_t> FrameDispatchMessage(const DispatchMessage& message);

}  // namespace ovix::platform
