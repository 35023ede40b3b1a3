#include "platform/ini_text.h"

#include "platform/text.h"

#include <algorithm>

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

} // namespace

IniText::Line IniText::MakeLine(std::string text, std::string eol) {
    Line line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    const std::string_view trimmed = TrimBlanks(line.text);
    if (trimmed.empty() || trimmed.front() == ';')
        return line;
    line.isKey = true;
    line.hasEquals = trimmed.find('=') != std::string_view::npos;
    line.keyLower = ToLowerAscii(KeyNameOf(trimmed));
    return line;
}

IniText IniText::Parse(std::string_view bytes) {
    IniText ini;
    ini.sections_.emplace_back();
    bool newlineKnown = false;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t nl = bytes.find('\n', pos);
        std::string_view raw;
        std::string eol;
        if (nl == std::string_view::npos) {
            raw = bytes.substr(pos);
            pos = bytes.size();
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
                eol = "\r";
            }
        } else {
            raw = bytes.substr(pos, nl - pos);
            pos = nl + 1;
            eol = "\n";
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
                eol = "\r\n";
            }
            if (!newlineKnown) {
                ini.newline_ = eol;
                newlineKnown = true;
            }
        }
        const std::string_view trimmed = TrimBlanks(raw);
        if (!trimmed.empty() && trimmed.front() == '[') {
            const size_t close = trimmed.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                Section& section = ini.sections_.emplace_back();
                section.hasHeader = true;
                section.header.text.assign(raw);
                section.header.eol = std::move(eol);
                section.nameLower = ToLowerAscii(TrimBlanks(trimmed.substr(1, close - 1)));
                continue;
            }
        }
        ini.sections_.back().lines.push_back(MakeLine(std::string(raw), std::move(eol)));
    }
    return ini;
}

std::string IniText::Serialize() const {
    size_t total = 0;
    for (const Section& section : sections_) {
        total += section.header.text.size() + section.header.eol.size();
        for (const Line& line : section.lines)
            total += line.text.size() + line.eol.size();
    }
    std::string out;
    out.reserve(total);
    for (const Section& section : sections_) {
        if (section.hasHeader) {
            out += section.header.text;
            out += section.header.eol;
        }
        for (const Line& line : section.lines) {
            out += line.text;
            out += line.eol;
        }
    }
    return out;
}

const IniText::Section* IniText::FindSection(std::string_view name) const {
    const std::string lower = ToLowerAscii(TrimBlanks(name));
    for (const Section& section : sections_) {
        if (section.hasHeader && section.nameLower == lower)
            return &section;
    }
    return nullptr;
}

IniText::Section* IniText::FindSection(std::string_view name) {
    return const_cast<Section*>(static_cast<const IniText*>(this)->FindSection(name));
}

const IniText::Line* IniText::FindKey(const Section& section, const std::string& keyLower) {
    if (!section.indexed) {
        section.index.clear();
        for (size_t i = 0; i < section.lines.size(); ++i) {
            if (section.lines[i].isKey)
                section.index.emplace(section.lines[i].keyLower, i);
        }
        section.indexed = true;
    }
    const auto it = section.index.find(keyLower);
    return it == section.index.end() ? nullptr : &section.lines[it->second];
}

std::optional<std::string_view> IniText::Find(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (!found)
        return std::nullopt;
    const Line* line = FindKey(*found, ToLowerAscii(TrimBlanks(key)));
    if (!line || !line->hasEquals)
        return std::nullopt;
    const std::string_view text = line->text;
    return Unquote(TrimBlanks(text.substr(text.find('=') + 1)));
}

std::optional<std::string_view> IniText::FindIn(std::string_view bytes, std::string_view section,
                                                std::string_view key) {
    const std::string_view wantedSection = TrimBlanks(section);
    const std::string_view wantedKey = TrimBlanks(key);
    bool inSection = false;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t nl = bytes.find('\n', pos);
        std::string_view raw = bytes.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = nl == std::string_view::npos ? bytes.size() : nl + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        const std::string_view trimmed = TrimBlanks(raw);
        if (!trimmed.empty() && trimmed.front() == '[') {
            const size_t close = trimmed.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                // Only the first section of the name is read.
                if (inSection)
                    return std::nullopt;
                inSection = EqualsNoCase(TrimBlanks(trimmed.substr(1, close - 1)), wantedSection);
                continue;
            }
        }
        if (!inSection || trimmed.empty() || trimmed.front() == ';')
            continue;
        if (!EqualsNoCase(KeyNameOf(trimmed), wantedKey))
            continue;
        const size_t eq = trimmed.find('=');
        if (eq == std::string_view::npos)
            return std::nullopt;
        return Unquote(TrimBlanks(trimmed.substr(eq + 1)));
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
    for (size_t i = 0; i < found->lines.size(); ++i) {
        const Line& line = found->lines[i];
        if (line.isKey && FindKey(*found, line.keyLower) == &line)
            names.emplace_back(KeyNameOf(TrimBlanks(line.text)));
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

// A line that gets a line after it needs a full line ending: a lone CR at the
// very end of a file is none, and would glue the next line onto it.
void IniText::EndLine(Line& line) const {
    if (line.eol.empty() || line.eol == "\r")
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
        added.header.text = "[" + std::string(TrimBlanks(section)) + "]";
        added.header.eol = newline_;
        added.nameLower = ToLowerAscii(TrimBlanks(section));
        found = &added;
    }
    const std::string keyLower = ToLowerAscii(keyName);
    if (const Line* existing = FindKey(*found, keyLower)) {
        Line& line = found->lines[static_cast<size_t>(existing - found->lines.data())];
        std::string text(KeyNameOf(TrimBlanks(line.text)));
        text += '=';
        text += value;
        line.text = std::move(text);
        line.hasEquals = true;
        return true;
    }
    size_t at = found->lines.size();
    while (at > 0 && TrimBlanks(found->lines[at - 1].text).empty())
        --at;
    EndLine(at > 0 ? found->lines[at - 1] : found->header);
    std::string text(keyName);
    text += '=';
    text += value;
    found->lines.insert(found->lines.begin() + static_cast<std::ptrdiff_t>(at),
                        MakeLine(std::move(text), newline_));
    // Only blank lines follow the insertion point, so every indexed line keeps its place.
    if (found->indexed)
        found->index.emplace(keyLower, at);
    return true;
}

bool IniText::RemoveKey(std::string_view section, std::string_view key) {
    Section* found = FindSection(section);
    if (!found)
        return false;
    const std::string keyLower = ToLowerAscii(TrimBlanks(key));
    const size_t before = found->lines.size();
    std::erase_if(found->lines, [&](const Line& line) { return line.isKey && line.keyLower == keyLower; });
    if (found->lines.size() == before)
        return false;
    found->indexed = false;
    return true;
}

bool IniText::RemoveSection(std::string_view section, std::span<const std::string_view> keep) {
    const std::string lower = ToLowerAscii(TrimBlanks(section));
    bool changed = false;
    bool first = true;
    for (size_t i = 0; i < sections_.size();) {
        Section& current = sections_[i];
        if (!current.hasHeader || current.nameLower != lower) {
            ++i;
            continue;
        }
        if (first && !keep.empty()) {
            first = false;
            std::vector<Line> kept;
            for (std::string_view name : keep) {
                if (const Line* line = FindKey(current, ToLowerAscii(TrimBlanks(name))))
                    kept.push_back(*line);
            }
            if (!kept.empty()) {
                std::stable_sort(kept.begin(), kept.end(), [&](const Line& a, const Line& b) {
                    return FindKey(current, a.keyLower) < FindKey(current, b.keyLower);
                });
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
