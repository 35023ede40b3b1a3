#include "results/run_record_json.h"

#include "platform/text.h"
#include "platform/text_format.h"
#include "results/utc_time.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace varnet {
namespace {

constexpr int kMaxDepth = 64;

void AppendCodePoint(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void AppendKey(std::string& out, const char* key, bool first = false) {
    if (!first)
        out += ',';
    out += '"';
    out += key;
    out += "\":";
}

void AppendStringMember(std::string& out, const char* key, std::string_view value, bool first = false) {
    AppendKey(out, key, first);
    AppendJsonString(out, value);
}

void AppendIntMember(std::string& out, const char* key, int64_t value) {
    AppendKey(out, key);
    out += std::to_string(value);
}

// A strict reader of one JSON text (RFC 8259), enough to take a record out
// of an object and to step over any value it does not know.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }

    void SkipBlanks() {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }
    bool AtEnd() const { return pos_ >= text_.size(); }
    bool Consume(char c) {
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    char Peek() {
        SkipBlanks();
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    bool Fail(std::string why) {
        if (error_.empty())
            error_ = Format("%s at byte %zu", why.c_str(), pos_);
        return false;
    }

    bool ReadString(std::string& out) {
        out.clear();
        if (!Consume('"'))
            return Fail("a string was expected");
        for (;;) {
            const size_t start = pos_;
            while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\\' &&
                   static_cast<unsigned char>(text_[pos_]) >= 0x20)
                ++pos_;
            out += ValidUtf8(text_.substr(start, pos_ - start));
            if (pos_ >= text_.size())
                return Fail("the string does not end");
            const char c = text_[pos_];
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c != '\\')
                return Fail("a control character in a string");
            ++pos_;
            if (pos_ >= text_.size())
                return Fail("the string does not end");
            const char e = text_[pos_++];
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                uint32_t code = 0;
                if (!ReadHex4(code))
                    return false;
                if (code >= 0xD800 && code <= 0xDBFF && pos_ + 1 < text_.size() && text_[pos_] == '\\' &&
                    text_[pos_ + 1] == 'u') {
                    const size_t back = pos_;
                    pos_ += 2;
                    uint32_t low = 0;
                    if (!ReadHex4(low))
                        return false;
                    if (low >= 0xDC00 && low <= 0xDFFF) {
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else {
                        pos_ = back; // the second escape stands on its own
                    }
                }
                // A lone surrogate has no UTF-8 form.
                if (code >= 0xD800 && code <= 0xDFFF)
                    code = 0xFFFD;
                AppendCodePoint(out, code);
                break;
            }
            default:
                return Fail("an unknown escape in a string");
            }
        }
    }

    // An integer in JSON's integer syntax within [min, max].
    bool ReadInteger(int64_t& value, int64_t min, int64_t max) {
        SkipBlanks();
        const size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-')
            ++pos_;
        const size_t digits = pos_;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
            ++pos_;
        if (pos_ == digits || (text_[digits] == '0' && pos_ - digits > 1))
            return Fail("an integer was expected");
        if (pos_ < text_.size() && (text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E'))
            return Fail("an integer was expected");
        const auto [end, ec] = std::from_chars(text_.data() + start, text_.data() + pos_, value);
        if (ec != std::errc() || end != text_.data() + pos_ || value < min || value > max)
            return Fail("an integer out of range");
        return true;
    }

    bool SkipValue(int depth) {
        if (depth > kMaxDepth)
            return Fail("nested too deeply");
        const char c = Peek();
        if (c == '"') {
            std::string ignored;
            return ReadString(ignored);
        }
        if (c == '{') {
            ++pos_;
            if (Consume('}'))
                return true;
            do {
                std::string key;
                if (!ReadString(key))
                    return false;
                if (!Consume(':'))
                    return Fail("a colon was expected");
                if (!SkipValue(depth + 1))
                    return false;
            } while (Consume(','));
            return Consume('}') || Fail("the object does not end");
        }
        if (c == '[') {
            ++pos_;
            if (Consume(']'))
                return true;
            do {
                if (!SkipValue(depth + 1))
                    return false;
            } while (Consume(','));
            return Consume(']') || Fail("the array does not end");
        }
        for (std::string_view word : {"true", "false", "null"}) {
            if (text_.substr(pos_, word.size()) == word) {
                pos_ += word.size();
                return true;
            }
        }
        return SkipNumber();
    }

    bool ReadNull() {
        SkipBlanks();
        if (text_.substr(pos_, 4) == "null") {
            pos_ += 4;
            return true;
        }
        return false;
    }

private:
    bool ReadHex4(uint32_t& code) {
        if (pos_ + 4 > text_.size())
            return Fail("a short \\u escape");
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const int v = HexDigitValue(text_[pos_++]);
            if (v < 0)
                return Fail("a bad \\u escape");
            code = code * 16 + static_cast<uint32_t>(v);
        }
        return true;
    }

    bool SkipNumber() {
        const size_t start = pos_;
        auto digits = [&] {
            const size_t from = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
                ++pos_;
            return pos_ - from;
        };
        if (pos_ < text_.size() && text_[pos_] == '-')
            ++pos_;
        const size_t intStart = pos_;
        const size_t intDigits = digits();
        if (intDigits == 0 || (intDigits > 1 && text_[intStart] == '0'))
            return Fail("a value was expected");
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            if (digits() == 0)
                return Fail("a bad number");
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-'))
                ++pos_;
            if (digits() == 0)
                return Fail("a bad number");
        }
        return pos_ > start;
    }

    std::string_view text_;
    size_t pos_ = 0;
    std::string error_;
};

enum class Field {
    kUnknown,
    kString,
    kPort,
    kDrive,
    kState,
    kStartedAt,
    kEndedAt,
    kDuration,
};

Field FieldOf(const std::string& key, PortRunRecord& r, std::string*& text) {
    struct Entry {
        const char* key;
        std::string PortRunRecord::*member;
    };
    static constexpr Entry kStrings[] = {
        {"run_id", &PortRunRecord::runId},
        {"station", &PortRunRecord::station},
        {"interface_path", &PortRunRecord::interfacePath},
        {"model", &PortRunRecord::model},
        {"firmware", &PortRunRecord::firmware},
        {"drive_serial", &PortRunRecord::driveSerial},
        {"serial", &PortRunRecord::serial},
        {"flash_id", &PortRunRecord::flashId},
        {"verdict", &PortRunRecord::verdict},
        {"error_code", &PortRunRecord::errorCode},
        {"error_message", &PortRunRecord::errorMessage},
        {"text", &PortRunRecord::text},
        {"report_path", &PortRunRecord::reportPath},
        {"aux_report_path", &PortRunRecord::auxReportPath},
        {"host", &PortRunRecord::host},
        {"station_file", &PortRunRecord::stationFile},
    };
    for (const Entry& entry : kStrings) {
        if (key == entry.key) {
            text = &(r.*entry.member);
            return Field::kString;
        }
    }
    if (key == "port")
        return Field::kPort;
    if (key == "drive")
        return Field::kDrive;
    if (key == "started_at")
        return Field::kStartedAt;
    if (key == "ended_at")
        return Field::kEndedAt;
    if (key == "duration_ms")
        return Field::kDuration;
    if (key == "state")
        return Field::kState;
    return Field::kUnknown;
}

bool ReadMember(Reader& reader, const std::string& key, PortRunRecord& record) {
    std::string* text = nullptr;
    int64_t number = 0;
    std::string timeText;
    switch (FieldOf(key, record, text)) {
    case Field::kUnknown:
        return reader.SkipValue(1);
    case Field::kString:
        if (reader.ReadNull()) {
            text->clear();
            return true;
        }
        return reader.ReadString(*text);
    case Field::kPort:
        if (!reader.ReadInteger(number, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()))
            return false;
        record.port = static_cast<int>(number);
        return true;
    case Field::kDrive:
        if (!reader.ReadInteger(number, std::numeric_limits<int32_t>::min(),
                                std::numeric_limits<int32_t>::max()))
            return false;
        record.drive = static_cast<int32_t>(number);
        return true;
    case Field::kDuration:
        if (!reader.ReadInteger(number, std::numeric_limits<int64_t>::min(),
                                std::numeric_limits<int64_t>::max()))
            return false;
        record.durationMs = number;
        return true;
    case Field::kState:
        if (!reader.ReadString(timeText))
            return false;
        record.inProgress = timeText == "RUNNING";
        return true;
    case Field::kStartedAt:
    case Field::kEndedAt: {
        if (!reader.ReadString(timeText))
            return false;
        const auto time = ParseUtcMillis(timeText);
        if (!time)
            return reader.Fail("a bad time \"" + timeText + "\"");
        (key == "started_at" ? record.startedAt : record.endedAt) = *time;
        return true;
    }
    }
    return false;
}

} // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    const std::string valid = ValidUtf8(text);
    out += '"';
    for (const char c : valid) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += Format("\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
            else
                out += c;
        }
    }
    out += '"';
}

void AppendRunRecordMembers(std::string& out, const PortRunRecord& r) {
    AppendStringMember(out, "run_id", r.runId, true);
    AppendStringMember(out, "station", r.station);
    AppendIntMember(out, "port", r.port);
    AppendIntMember(out, "drive", r.drive);
    AppendStringMember(out, "interface_path", r.interfacePath);
    AppendStringMember(out, "model", r.model);
    AppendStringMember(out, "firmware", r.firmware);
    AppendStringMember(out, "drive_serial", r.driveSerial);
    AppendStringMember(out, "serial", r.serial);
    AppendStringMember(out, "flash_id", r.flashId);
    AppendStringMember(out, "verdict", r.verdict);
    AppendStringMember(out, "error_code", r.errorCode);
    AppendStringMember(out, "error_message", r.errorMessage);
    AppendStringMember(out, "text", r.text);
    AppendStringMember(out, "report_path", r.reportPath);
    AppendStringMember(out, "aux_report_path", r.auxReportPath);
    AppendStringMember(out, "started_at", FormatUtcMillis(r.startedAt));
    AppendStringMember(out, "ended_at", FormatUtcMillis(r.endedAt));
    AppendIntMember(out, "duration_ms", r.durationMs);
    AppendStringMember(out, "host", r.host);
    AppendStringMember(out, "station_file", r.stationFile);
    // Only a run still going on says so: finished lines stay as they were.
    if (r.inProgress)
        AppendStringMember(out, "state", "RUNNING");
}

std::string EncodeRunRecord(const PortRunRecord& record) {
    std::string out;
    out.reserve(512);
    out += '{';
    AppendRunRecordMembers(out, record);
    out += '}';
    return out;
}

std::optional<PortRunRecord> DecodeRunRecord(std::string_view line, std::string* error) {
    Reader reader(line);
    PortRunRecord record;
    auto fail = [&](std::string why) -> std::optional<PortRunRecord> {
        if (error)
            *error = reader.Failed() ? reader.Error() : std::move(why);
        return std::nullopt;
    };
    if (!reader.Consume('{'))
        return fail("not a JSON object");
    if (!reader.Consume('}')) {
        do {
            std::string key;
            if (!reader.ReadString(key))
                return fail("");
            if (!reader.Consume(':')) {
                reader.Fail("a colon was expected");
                return fail("");
            }
            if (!ReadMember(reader, key, record))
                return fail("");
        } while (reader.Consume(','));
        if (!reader.Consume('}')) {
            reader.Fail("the object does not end");
            return fail("");
        }
    }
    reader.SkipBlanks();
    if (!reader.AtEnd()) {
        reader.Fail("text after the object");
        return fail("");
    }
    if (record.runId.empty())
        return fail("the record has no run_id");
    return record;
}

} // namespace varnet
