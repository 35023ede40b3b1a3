#include "platform/ini_text.h"

#include "platform/text.h"

#include <algorithm>
#include <cstring>

namespace varnet {
namespace {

std::string_view KeyNameOf(std::string_view trimmedLine) {
    const size_t eq = trimmedLine.find('=');
    return TrimBlanks(eq == std::string_view::npos ? trimmedLine : trimmedLine.substr(0, eq));
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        return value.substr(1, value.size() - 2);
    return value;
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A hash that ignores ASCII letter case. A long name is hashed by its length
// and its two ends only, so a key line of megabytes costs no full pass; the
// comparison that follows a hash match settles it.
size_t KeyHash(std::string_view name) {
    constexpr size_t kEnds = 32;
    size_t hash = 1469598103934665603ull ^ name.size();
    auto mix = [&hash](std::string_view part) {
        for (char c : part)
            hash = (hash ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
    };
    if (name.size() <= 2 * kEnds) {
        mix(name);
    } else {
        mix(name.substr(0, kEnds));
        mix(name.substr(name.size() - kEnds));
    }
    return hash;
}

// The header "[name]" of a line, as a view of the name inside it; nullopt for
// any other line. The closing bracket is the last one on the line.
std::optional<std::string_view> HeaderName(std::string_view trimmed) {
    if (trimmed.empty() || trimmed.front() != '[')
        return std::nullopt;
    const void* close = ::memrchr(trimmed.data(), ']', trimmed.size());
    if (!close || close == trimmed.data())
        return std::nullopt;
    const size_t length = static_cast<size_t>(static_cast<const char*>(close) - trimmed.data()) - 1;
    return TrimBlanks(trimmed.substr(1, length));
}

std::string_view EolText(uint8_t kind) {
    static constexpr std::string_view kTexts[] = {"", "\n", "\r\n", "\r"};
    return kind < 4 ? kTexts[kind] : std::string_view();
}

} // namespace

// Splits text into lines at LF, CRLF and a lone CR in one pass: the next CR
// and the next LF are each searched for once and remembered, so a file of
// many lines with one distant CR (or LF) is never searched again per line.
class IniText::LineSplitter {
public:
    explicit LineSplitter(std::string_view bytes) : bytes_(bytes) {
        nextLf_ = Search('\n');
        nextCr_ = Search('\r');
    }

    bool Next(std::string_view& line, Eol& eol) {
        if (pos_ >= bytes_.size())
            return false;
        if (nextLf_ < pos_)
            nextLf_ = Search('\n');
        if (nextCr_ < pos_)
            nextCr_ = Search('\r');
        const size_t end = std::min(nextLf_, nextCr_);
        if (end == std::string_view::npos) {
            line = bytes_.substr(pos_);
            eol = Eol::kNone;
            pos_ = bytes_.size();
            return true;
        }
        line = bytes_.substr(pos_, end - pos_);
        if (bytes_[end] == '\n') {
            eol = Eol::kLf;
            pos_ = end + 1;
        } else if (end + 1 < bytes_.size() && bytes_[end + 1] == '\n') {
            eol = Eol::kCrLf;
            pos_ = end + 2;
        } else {
            eol = Eol::kCr;
            pos_ = end + 1;
        }
        return true;
    }

private:
    size_t Search(char c) const {
        if (pos_ >= bytes_.size())
            return std::string_view::npos;
        const void* found = std::memchr(bytes_.data() + pos_, c, bytes_.size() - pos_);
        return found ? static_cast<size_t>(static_cast<const char*>(found) - bytes_.data())
                     : std::string_view::npos;
    }

    std::string_view bytes_;
    size_t pos_ = 0;
    size_t nextLf_ = 0;
    size_t nextCr_ = 0;
};

void IniText::Classify(Line& line) {
    line.isKey = false;
    line.hasEquals = false;
    const std::string_view text = line.Text();
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty() || trimmed.front() == ';')
        return;
    line.isKey = true;
    const size_t eq = trimmed.find('=');
    const std::string_view key = TrimBlanks(eq == std::string_view::npos ? trimmed : trimmed.substr(0, eq));
    line.keyBegin = static_cast<size_t>(key.data() - text.data());
    line.keyLength = key.size();
    line.hasEquals = eq != std::string_view::npos;
    line.valueBegin =
        line.hasEquals ? static_cast<size_t>(trimmed.data() - text.data()) + eq + 1 : text.size();
}

IniText::Line IniText::OwnedLine(std::string text, Eol eol) {
    Line line;
    line.own = std::move(text);
    line.owned = true;
    line.eol = eol;
    Classify(line);
    return line;
}

IniText IniText::Parse(std::string_view bytes) {
    auto copy = std::make_shared<const std::string>(bytes);
    const std::string_view view = *copy;
    return Adopt(std::move(copy), view);
}

IniText IniText::Adopt(std::shared_ptr<const void> owner, std::string_view bytes) {
    IniText ini;
    ini.sections_.emplace_back();
    bool newlineKnown = false;
    LineSplitter splitter(bytes);
    std::string_view raw;
    Eol eol = Eol::kNone;
    while (splitter.Next(raw, eol)) {
        if (!newlineKnown && eol != Eol::kNone) {
            ini.newline_ = eol;
            newlineKnown = true;
        }
        Line line;
        line.data = raw.data();
        line.size = raw.size();
        line.eol = eol;
        const std::string_view trimmed = TrimBlanks(raw);
        if (const std::optional<std::string_view> name = HeaderName(trimmed)) {
            Section& section = ini.sections_.emplace_back();
            section.hasHeader = true;
            section.header = std::move(line);
            section.nameBegin = static_cast<size_t>(name->data() - raw.data());
            section.nameLength = name->size();
            continue;
        }
        Classify(line);
        ini.sections_.back().lines.push_back(std::move(line));
    }
    ini.source_ = std::move(owner);
    return ini;
}

std::string IniText::Serialize() const {
    size_t total = 0;
    for (const Section& section : sections_) {
        if (section.hasHeader)
            total += section.header.Text().size() + EolText(static_cast<uint8_t>(section.header.eol)).size();
        for (const Line& line : section.lines)
            total += line.Text().size() + EolText(static_cast<uint8_t>(line.eol)).size();
    }
    std::string out;
    out.reserve(total);
    for (const Section& section : sections_) {
        if (section.hasHeader) {
            out += section.header.Text();
            out += EolText(static_cast<uint8_t>(section.header.eol));
        }
        for (const Line& line : section.lines) {
            out += line.Text();
            out += EolText(static_cast<uint8_t>(line.eol));
        }
    }
    return out;
}

const IniText::Section* IniText::FindSection(std::string_view name) const {
    const std::string_view wanted = TrimBlanks(name);
    for (const Section& section : sections_) {
        if (section.hasHeader && EqualsNoCase(section.Name(), wanted))
            return &section;
    }
    return nullptr;
}

IniText::Section* IniText::FindSection(std::string_view name) {
    return const_cast<Section*>(static_cast<const IniText*>(this)->FindSection(name));
}

const IniText::Line* IniText::FindKey(const Section& section, std::string_view keyName) {
    if (!section.indexed) {
        section.index.clear();
        for (size_t i = 0; i < section.lines.size(); ++i) {
            const Line& line = section.lines[i];
            if (!line.isKey)
                continue;
            const size_t hash = KeyHash(line.KeyName());
            const auto [first, last] = section.index.equal_range(hash);
            const bool seen = std::any_of(first, last, [&](const auto& entry) {
                return EqualsNoCase(section.lines[entry.second].KeyName(), line.KeyName());
            });
            if (!seen)
                section.index.emplace(hash, i);
        }
        section.indexed = true;
    }
    const auto [first, last] = section.index.equal_range(KeyHash(keyName));
    for (auto entry = first; entry != last; ++entry) {
        const Line& line = section.lines[entry->second];
        if (EqualsNoCase(line.KeyName(), keyName))
            return &line;
    }
    return nullptr;
}

std::optional<std::string_view> IniText::Find(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (!found)
        return std::nullopt;
    const Line* line = FindKey(*found, TrimBlanks(key));
    if (!line || !line->hasEquals)
        return std::nullopt;
    return Unquote(TrimBlanks(line->Text().substr(line->valueBegin)));
}

std::optional<std::string_view> IniText::FindIn(std::string_view bytes, std::string_view section,
                                                std::string_view key) {
    const std::string_view wantedSection = TrimBlanks(section);
    const std::string_view wantedKey = TrimBlanks(key);
    bool inSection = false;
    LineSplitter splitter(bytes);
    std::string_view raw;
    Eol eol = Eol::kNone;
    while (splitter.Next(raw, eol)) {
        const std::string_view trimmed = TrimBlanks(raw);
        if (const std::optional<std::string_view> name = HeaderName(trimmed)) {
            // Only the first section of the name is read.
            if (inSection)
                return std::nullopt;
            inSection = EqualsNoCase(*name, wantedSection);
            continue;
        }
        if (!inSection || trimmed.empty() || trimmed.front() == ';')
            continue;
        if (!EqualsNoCase(KeyNameOf(trimmed), wantedKey))
            continue;
        const size_t equals = trimmed.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        return Unquote(TrimBlanks(trimmed.substr(equals + 1)));
    }
    return std::nullopt;
}

bool IniText::HasSection(std::string_view section) const {
    return FindSection(section) != nullptr;
}

std::vector<std::string> IniText::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    const Section* found = FindSection(section);
    if (!found)
        return names;
    for (const Line& line : found->lines) {
        if (line.isKey && FindKey(*found, line.KeyName()) == &line)
            names.emplace_back(line.KeyName());
    }
    return names;
}

bool IniText::IsStorableName(std::string_view name, bool isKey) {
    const std::string_view trimmed = TrimBlanks(name);
    if (trimmed.empty() || HasLineBreakOrNul(trimmed))
        return false;
    if (isKey)
        return trimmed.find('=') == std::string_view::npos && trimmed.front() != '[' &&
               trimmed.front() != ';';
    return true;
}

bool IniText::IsStorableValue(std::string_view value) {
    return !HasLineBreakOrNul(value);
}

// A line that gets a line after it needs a line ending. A lone CR at the very
// end of a file that otherwise uses LF or CRLF becomes the file's own ending,
// so that the file keeps one kind of line end.
void IniText::EndLine(Line& line) const {
    if (line.eol == Eol::kNone || line.eol == Eol::kCr)
        line.eol = newline_;
}

void IniText::EndLastLine() {
    for (auto section = sections_.rbegin(); section != sections_.rend(); ++section) {
        Line* last = !section->lines.empty() ? &section->lines.back()
                                             : (section->hasHeader ? &section->header : nullptr);
        if (last) {
            EndLine(*last);
            return;
        }
    }
}

bool IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsStorableName(section, false) || !IsStorableName(key, true) || !IsStorableValue(value))
        return false;
    const std::string_view keyName = TrimBlanks(key);
    Section* found = FindSection(section);
    if (!found) {
        EndLastLine();
        Section& added = sections_.emplace_back();
        added.hasHeader = true;
        const std::string_view name = TrimBlanks(section);
        added.header = OwnedLine("[" + std::string(name) + "]", newline_);
        added.nameBegin = 1;
        added.nameLength = name.size();
        found = &added;
    }
    if (const Line* existing = FindKey(*found, keyName)) {
        Line& line = found->lines[static_cast<size_t>(existing - found->lines.data())];
        std::string text(line.KeyName());
        text += '=';
        text += value;
        line = OwnedLine(std::move(text), line.eol);
        return true;
    }
    size_t at = found->lines.size();
    while (at > 0 && TrimBlanks(found->lines[at - 1].Text()).empty())
        --at;
    EndLine(at > 0 ? found->lines[at - 1] : found->header);
    std::string text(keyName);
    text += '=';
    text += value;
    found->lines.insert(found->lines.begin() + static_cast<std::ptrdiff_t>(at),
                        OwnedLine(std::move(text), newline_));
    // Only blank lines follow the insertion point, so every indexed line keeps its place.
    if (found->indexed)
        found->index.emplace(KeyHash(keyName), at);
    return true;
}

bool IniText::RemoveKey(std::string_view section, std::string_view key) {
    Section* found = FindSection(section);
    if (!found)
        return false;
    const std::string_view keyName = TrimBlanks(key);
    const size_t before = found->lines.size();
    std::erase_if(found->lines,
                  [&](const Line& line) { return line.isKey && EqualsNoCase(line.KeyName(), keyName); });
    if (found->lines.size() == before)
        return false;
    found->indexed = false;
    return true;
}

bool IniText::RemoveSection(std::string_view section, std::span<const std::string_view> keep) {
    const std::string_view wanted = TrimBlanks(section);
    bool changed = false;
    bool first = true;
    for (size_t i = 0; i < sections_.size();) {
        Section& current = sections_[i];
        if (!current.hasHeader || !EqualsNoCase(current.Name(), wanted)) {
            ++i;
            continue;
        }
        if (first && !keep.empty()) {
            first = false;
            std::vector<const Line*> keptLines;
            for (std::string_view name : keep) {
                const Line* line = FindKey(current, TrimBlanks(name));
                if (line && std::find(keptLines.begin(), keptLines.end(), line) == keptLines.end())
                    keptLines.push_back(line);
            }
            if (!keptLines.empty()) {
                std::sort(keptLines.begin(), keptLines.end());
                std::vector<Line> kept;
                kept.reserve(keptLines.size());
                for (const Line* line : keptLines)
                    kept.push_back(*line);
                changed = changed || kept.size() != current.lines.size();
                current.lines = std::move(kept);
                current.indexed = false;
                ++i;
                continue;
            }
        }
        first = false;
        sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
        changed = true;
    }
    return changed;
}

} // namespace varnet
