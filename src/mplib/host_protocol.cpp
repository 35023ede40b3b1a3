#include "mplib/host_protocol.h"

#include <cstring>

namespace varnet::mphost {
namespace {

constexpr uint32_t kNullText = 0xFFFFFFFFu;

class Writer {
public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) { Le(v, 2); }
    void U32(uint32_t v) { Le(v, 4); }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void Bytes(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void Text(const std::optional<std::string>& text) {
        if (!text) {
            U32(kNullText);
            return;
        }
        U32(static_cast<uint32_t>(text->size()));
        Bytes(text->data(), text->size());
    }
    void Blob(const std::vector<uint8_t>& blob) {
        U32(static_cast<uint32_t>(blob.size()));
        Bytes(blob.data(), blob.size());
    }
    std::vector<uint8_t> Finish(Op op, uint32_t sequence) {
        Writer header;
        header.U32(kMagic);
        header.U16(kVersion);
        header.U16(static_cast<uint16_t>(op));
        header.U32(sequence);
        header.U32(static_cast<uint32_t>(bytes_.size()));
        header.bytes_.insert(header.bytes_.end(), bytes_.begin(), bytes_.end());
        return std::move(header.bytes_);
    }

private:
    void Le(uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<uint8_t> bytes_;
};

class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool U8(uint8_t& v) {
        if (!Need(1))
            return false;
        v = bytes_[at_++];
        return true;
    }
    bool U16(uint16_t& v) {
        uint32_t w = 0;
        if (!Le(w, 2))
            return false;
        v = static_cast<uint16_t>(w);
        return true;
    }
    bool U32(uint32_t& v) { return Le(v, 4); }
    bool I32(int32_t& v) {
        uint32_t w = 0;
        if (!U32(w))
            return false;
        v = static_cast<int32_t>(w);
        return true;
    }
    bool Bytes(void* out, size_t size) {
        if (!Need(size))
            return false;
        std::memcpy(out, bytes_.data() + at_, size);
        at_ += size;
        return true;
    }
    bool Text(std::optional<std::string>& text) {
        uint32_t size = 0;
        if (!U32(size))
            return false;
        if (size == kNullText) {
            text.reset();
            return true;
        }
        if (!Need(size))
            return false;
        text.emplace(reinterpret_cast<const char*>(bytes_.data() + at_), size);
        at_ += size;
        return true;
    }
    bool Blob(std::vector<uint8_t>& blob, size_t limit) {
        uint32_t size = 0;
        if (!U32(size) || size > limit || !Need(size))
            return false;
        blob.assign(bytes_.begin() + static_cast<ptrdiff_t>(at_),
                    bytes_.begin() + static_cast<ptrdiff_t>(at_ + size));
        at_ += size;
        return true;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    bool Need(size_t size) const { return size <= bytes_.size() - at_; }
    bool Le(uint32_t& v, int n) {
        if (!Need(static_cast<size_t>(n)))
            return false;
        v = 0;
        for (int i = 0; i < n; ++i)
            v |= static_cast<uint32_t>(bytes_[at_ + static_cast<size_t>(i)]) << (8 * i);
        at_ += static_cast<size_t>(n);
        return true;
    }
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

bool IsEightArgument(Op op) {
    switch (op) {
    case Op::DoPretestInit:
    case Op::DoPretestInitRdtMark:
    case Op::DoPretestInitRdtMarkCeMask:
    case Op::ReadRdtLog:
    case Op::ReadRdtBadLog:
    case Op::DoEraseAll:
        return true;
    default:
        return false;
    }
}

bool KnownOp(uint16_t value) {
    return value >= static_cast<uint16_t>(Op::Hello) && value <= static_cast<uint16_t>(Op::WriteReadPH);
}

// The header, checked; the payload's bytes in payload.
bool ReadHeader(std::span<const uint8_t> message, Op& op, uint32_t& sequence,
                std::span<const uint8_t>& payload, std::string& error) {
    if (message.size() < kHeaderSize || message.size() > kMaxMessage) {
        error = "a message of " + std::to_string(message.size()) + " bytes";
        return false;
    }
    Reader header(message.first(kHeaderSize));
    uint32_t magic = 0, length = 0;
    uint16_t version = 0, opValue = 0;
    (void)(header.U32(magic) && header.U16(version) && header.U16(opValue) && header.U32(sequence) &&
           header.U32(length));
    if (magic != kMagic) {
        error = "not a library host message";
        return false;
    }
    if (version != kVersion) {
        error = "library host protocol version " + std::to_string(version) + ", expected " +
                std::to_string(kVersion);
        return false;
    }
    if (!KnownOp(opValue)) {
        error = "unknown operation " + std::to_string(opValue);
        return false;
    }
    if (length != message.size() - kHeaderSize) {
        error = "payload length " + std::to_string(length) + " in a message of " +
                std::to_string(message.size()) + " bytes";
        return false;
    }
    op = static_cast<Op>(opValue);
    payload = message.subspan(kHeaderSize);
    return true;
}

} // namespace

const char* EntryPointName(Op op) {
    switch (op) {
    case Op::GetIdentifyInfoBuf:
        return "GetIdentifyInfoBuf";
    case Op::DoPretestInit:
        return "DoPretestInit";
    case Op::DoPretestInitRdtMark:
        return "DoPretestInit_RDTMARK";
    case Op::DoPretestInitRdtMarkCeMask:
        return "DoPretestInit_RDTMARK_CEMASK";
    case Op::ReadRdtLog:
        return "Read_RDT_Log";
    case Op::ReadRdtBadLog:
        return "Read_RDT_Bad_Log";
    case Op::DoEraseAll:
        return "DoEraseAll";
    case Op::GetAllFlashID:
        return "GetAllFlashID";
    case Op::ScandBadBlock:
        return "ScandBadBlock";
    case Op::ModifyDeviceInfo:
        return "ModifyDeviceInfo";
    case Op::DownLoadMicroCode:
        return "DownLoadMicroCode";
    case Op::SecurityErase:
        return "SecurityErase";
    case Op::ResetSmart:
        return "ResetSmart";
    case Op::WriteReadPH:
        return "WriteReadPH";
    case Op::Hello:
        break;
    }
    return nullptr;
}

std::vector<uint8_t> EncodeRequest(const Request& r) {
    Writer w;
    w.I32(r.drive);
    if (IsEightArgument(r.op)) {
        w.Text(r.text1);
        w.Text(r.text2);
        w.Text(r.text3);
        w.Bytes(r.errorCode.data(), kBufferSize);
        w.Bytes(r.errorMessage.data(), kBufferSize);
        if (r.op == Op::DoPretestInitRdtMark || r.op == Op::DoPretestInitRdtMarkCeMask)
            w.U8(r.burnInPassed);
        if (r.op == Op::DoPretestInitRdtMarkCeMask)
            w.U32(r.ceMask);
    } else {
        switch (r.op) {
        case Op::GetAllFlashID:
        case Op::DownLoadMicroCode:
            w.Text(r.text1);
            break;
        case Op::ScandBadBlock:
        case Op::ModifyDeviceInfo:
            w.Text(r.text1);
            w.Text(r.text2);
            break;
        case Op::SecurityErase:
            w.Bytes(r.errorMessage.data(), kBufferSize);
            break;
        case Op::WriteReadPH:
            w.I32(r.mode);
            w.Blob(r.history);
            break;
        default:
            break;
        }
    }
    return w.Finish(r.op, r.sequence);
}

std::optional<Request> DecodeRequest(std::span<const uint8_t> message, std::string& error) {
    Request r;
    std::span<const uint8_t> payload;
    if (!ReadHeader(message, r.op, r.sequence, payload, error))
        return std::nullopt;
    if (r.op == Op::Hello) {
        error = "Hello is not a request";
        return std::nullopt;
    }
    Reader in(payload);
    bool ok = in.I32(r.drive);
    if (IsEightArgument(r.op)) {
        ok = ok && in.Text(r.text1) && in.Text(r.text2) && in.Text(r.text3) &&
             in.Bytes(r.errorCode.data(), kBufferSize) && in.Bytes(r.errorMessage.data(), kBufferSize);
        if (r.op == Op::DoPretestInitRdtMark || r.op == Op::DoPretestInitRdtMarkCeMask)
            ok = ok && in.U8(r.burnInPassed);
        if (r.op == Op::DoPretestInitRdtMarkCeMask)
            ok = ok && in.U32(r.ceMask);
    } else {
        switch (r.op) {
        case Op::GetAllFlashID:
        case Op::DownLoadMicroCode:
            ok = ok && in.Text(r.text1);
            break;
        case Op::ScandBadBlock:
        case Op::ModifyDeviceInfo:
            ok = ok && in.Text(r.text1) && in.Text(r.text2);
            break;
        case Op::SecurityErase:
            ok = ok && in.Bytes(r.errorMessage.data(), kBufferSize);
            break;
        case Op::WriteReadPH:
            ok = ok && in.I32(r.mode) && in.Blob(r.history, kMaxHistoryLength);
            break;
        default:
            break;
        }
    }
    if (!ok || !in.AtEnd()) {
        error =
            std::string(ok ? "trailing bytes after " : "a truncated ") + EntryPointName(r.op) + " request";
        return std::nullopt;
    }
    return r;
}

std::vector<uint8_t> EncodeReply(const Reply& r) {
    Writer w;
    w.U8(r.result);
    if (r.op == Op::Hello) {
        w.Text(r.text);
    } else if (r.op == Op::GetIdentifyInfoBuf) {
        w.Bytes(r.identify.data(), kIdentifySize);
    } else if (IsEightArgument(r.op)) {
        w.Bytes(r.errorCode.data(), kBufferSize);
        w.Bytes(r.errorMessage.data(), kBufferSize);
    } else if (r.op == Op::SecurityErase) {
        w.Bytes(r.errorMessage.data(), kBufferSize);
    } else if (r.op == Op::WriteReadPH) {
        w.Blob(r.history);
    }
    return w.Finish(r.op, r.sequence);
}

std::optional<Reply> DecodeReply(std::span<const uint8_t> message, std::string& error) {
    Reply r;
    std::span<const uint8_t> payload;
    if (!ReadHeader(message, r.op, r.sequence, payload, error))
        return std::nullopt;
    Reader in(payload);
    bool ok = in.U8(r.result);
    if (r.op == Op::Hello) {
        std::optional<std::string> text;
        ok = ok && in.Text(text) && text.has_value();
        r.text = text.value_or("");
    } else if (r.op == Op::GetIdentifyInfoBuf) {
        ok = ok && in.Bytes(r.identify.data(), kIdentifySize);
    } else if (IsEightArgument(r.op)) {
        ok = ok && in.Bytes(r.errorCode.data(), kBufferSize) && in.Bytes(r.errorMessage.data(), kBufferSize);
    } else if (r.op == Op::SecurityErase) {
        ok = ok && in.Bytes(r.errorMessage.data(), kBufferSize);
    } else if (r.op == Op::WriteReadPH) {
        ok = ok && in.Blob(r.history, kMaxHistoryLength);
    }
    if (!ok || !in.AtEnd()) {
        error = std::string(ok ? "trailing bytes in a reply" : "a truncated reply");
        return std::nullopt;
    }
    return r;
}

} // namespace varnet::mphost
