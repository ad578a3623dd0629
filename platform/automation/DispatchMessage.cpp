#include "platform/automation/DispatchMessage.h"

namespace ovix::platform {

namespace {

enum ValueTag : uint8_t { kTagEmpty = 0, kTagInt32 = 1, kTagInt16 = 2, kTagString = 3 };

class CWriter {
public:
    void U8(uint8_t value) { bytes_.push_back(value); }
    void U32(uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }
    void U16(uint16_t value) {
        bytes_.push_back(static_cast<uint8_t>(value));
        bytes_.push_back(static_cast<uint8_t>(value >> 8));
    }
    void Text(std::string_view text) {
        U32(static_cast<uint32_t>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
    }
    void Value(const DispatchValue& value) {
        if (const auto* i32 = std::get_if<int32_t>(&value)) {
            U8(kTagInt32);
            U32(static_cast<uint32_t>(*i32));
        } else if (const auto* i16 = std::get_if<int16_t>(&value)) {
            U8(kTagInt16);
            U16(static_cast<uint16_t>(*i16));
        } else if (const auto* text = std::get_if<std::string>(&value)) {
            U8(kTagString);
            Text(*text);
        } else {
            U8(kTagEmpty);
        }
    }
    void Args(const DispatchArgs& args) {
        U16(static_cast<uint16_t>(args.size()));
        for (const auto& arg : args) {
            Value(arg);
        }
    }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

// Reads fields in order; any read past the end sets the failure flag and returns zeros.
class CReader {
public:
    CReader(const uint8_t* data, size_t length) : data_(data), length_(length) {}

    bool Failed() const { return failed_; }
    bool AtEnd() const { return offset_ == length_; }

    uint8_t U8() {
        if (!Has(1)) {
            return 0;
        }
        return data_[offset_++];
    }
    uint16_t U16() {
        if (!Has(2)) {
            return 0;
        }
        const uint16_t value = static_cast<uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
        offset_ += 2;
        return value;
    }
    uint32_t U32() {
        if (!Has(4)) {
            return 0;
        }
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= static_cast<uint32_t>(data_[offset_ + i]) << (8 * i);
        }
        offset_ += 4;
        return value;
    }
    std::string Text() {
        const uint32_t size = U32();
        if (!Has(size)) {
            return {};
        }
        std::string text(reinterpret_cast<const char*>(data_ + offset_), size);
        offset_ += size;
        return text;
    }
    DispatchValue Value() {
        switch (U8()) {
            case kTagEmpty:
                return std::monostate{};
            case kTagInt32:
                return static_cast<int32_t>(U32());
            case kTagInt16:
                return static_cast<int16_t>(U16());
            case kTagString:
                return Text();
            default:
                failed_ = true;
                return std::monostate{};
        }
    }
    DispatchArgs Args() {
        const uint16_t count = U16();
        DispatchArgs args;
        if (count > kMaxDispatchArgs) {
            failed_ = true;
            return args;
        }
        for (uint16_t i = 0; i < count && !failed_; ++i) {
            args.push_back(Value());
        }
        return args;
    }

private:
    bool Has(size_t count) {
        if (failed_ || length_ - offset_ < count) {
            failed_ = true;
            return false;
        }
        return true;
    }

    const uint8_t* data_;
    size_t length_;
    size_t offset_ = 0;
    bool failed_ = false;
};

}  // namespace

std::vector<uint8_t> EncodeDispatchMessage(const DispatchMessage& message) {
    CWriter writer;
    writer.U8(static_cast<uint8_t>(message.kind));
    switch (message.kind) {
        case DispatchMessageKind::kReady:
            break;
        case DispatchMessageKind::kCall:
            writer.U32(message.callId);
            writer.U32(static_cast<uint32_t>(message.dispId));
            writer.Args(message.args);
            break;
        case DispatchMessageKind::kReply:
            writer.U32(message.callId);
            writer.U32(static_cast<uint32_t>(message.result));
            writer.Value(message.value);
            writer.Args(message.args);
            break;
        case DispatchMessageKind::kError:
            writer.U32(static_cast<uint32_t>(message.result));
            writer.Text(message.text);
            break;
    }
    return writer.Take();
}

std::optional<DispatchMessage> DecodeDispatchMessage(const uint8_t* data, size_t length) {
    if (length == 0 || length > kMaxDispatchPayload) {
        return std::nullopt;
    }
    CReader reader(data, length);
    DispatchMessage message;
    message.kind = static_cast<DispatchMessageKind>(reader.U8());
    switch (message.kind) {
        case DispatchMessageKind::kReady:
            break;
        case DispatchMessageKind::kCall:
            message.callId = reader.U32();
            message.dispId = static_cast<int32_t>(reader.U32());
            message.args = reader.Args();
            break;
        case DispatchMessageKind::kReply:
            message.callId = reader.U32();
            message.result = static_cast<HResult>(reader.U32());
            message.value = reader.Value();
            message.args = reader.Args();
            break;
        case DispatchMessageKind::kError:
            message.result = static_cast<HResult>(reader.U32());
            message.text = reader.Text();
            break;
        default:
            return std::nullopt;
    }
    if (reader.Failed() || !reader.AtEnd()) {
        return std::nullopt;
    }
    return message;
}

std::vector<uint8_t> FrameDispatchMessage(const DispatchMessage& message) {
    const std::vector<uint8_t> payload = EncodeDispatchMessage(message);
    std::vector<uint8_t> frame;
    frame.reserve(kFrameHeaderBytes + payload.size());
    const auto size = static_cast<uint32_t>(payload.size());
    for (int i = 0; i < 4; ++i) {
        frame.push_back(static_cast<uint8_t>(size >> (8 * i)));
    }
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

}  // namespace ovix::platform
