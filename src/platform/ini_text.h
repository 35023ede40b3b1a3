// The text of one INI file as lines, with the platform's private-profile
// semantics for finding and changing keys. This is the engine under both ways
// into INI files (ini_file.h, ini_document.h); it does no I/O itself.
//
// Reading:
//  - section and key names match without regard to ASCII letter case; blanks
//    (space, tab) around names and values are ignored;
//  - the first section of a name and, in it, the first key of a name win;
//    later duplicates are kept in the file but never read;
//  - a value wrapped in one pair of matching quotes (" or ') loses them;
//  - a line whose first non-blank character is ';' is a comment;
//  - a line without '=' names a key without a value, which reads as absent;
//  - lines before the first section belong to no section and are never read.
// Changing:
//  - a key that exists has its line replaced by "name=value" (its name as the
//    file spells it); a new key goes after the last non-blank line of its
//    section; a new section goes at the end of the file;
//  - removing a key removes every line of it in the section that is read, so
//    a removed key reads as absent; removing a section removes every section
//    of that name;
//  - a line ends at LF, CRLF or a lone CR (files written with CR only are
//    read line by line, as the platform reads them);
//  - untouched lines keep their bytes and their own line ending; new lines
//    get the file's line ending (that of its first line, so a CR-only file
//    stays CR-only), CRLF in a new file.
// Parsing and every lookup cost time linear in the bytes involved: a file
// with one line of many megabytes is read as fast as it can be scanned.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varnet {

class IniText {
public:
    IniText() = default;
    static IniText Parse(std::string_view bytes);
    std::string Serialize() const;

    // The value of a key, unquoted and trimmed; nullopt when the section, the
    // key or its '=' is missing.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;
    // Find on text that is not kept: one pass over the bytes, nothing built,
    // so reading a key or two of a large report costs no copy of it.
    static std::optional<std::string_view> FindIn(std::string_view bytes, std::string_view section,
                                                  std::string_view key);
    // Names of the keys of the section that is read, in file order, duplicates
    // left out.
    std::vector<std::string> KeyNames(std::string_view section) const;

    // Names with a line break, a key name with '=' or starting with '[' or ';',
    // or an empty name cannot be stored without changing the file's meaning;
    // such a change is refused (false) and the text is left as it was.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    bool RemoveKey(std::string_view section, std::string_view key);
    // Removes the section, except that the first lines of the keys named in
    // keep stay (in the section's place) when the section has them.
    bool RemoveSection(std::string_view section, std::span<const std::string_view> keep = {});

    static bool IsStorableName(std::string_view name, bool isKey);
    static bool IsStorableValue(std::string_view value);

private:
    friend struct IniTextAccess; // ini_text_access.h

    enum class Eol : uint8_t { kNone, kLf, kCrLf, kCr };
    class LineSplitter;
    // A line as loaded is a view into the bytes it was parsed from (kept
    // alive by source_), so a large file is held once; a changed or added
    // line owns its text.
    struct Line {
        const char* data = nullptr;
        size_t size = 0;
        std::string own;
        bool owned = false;
        Eol eol = Eol::kNone;
        bool isKey = false;
        bool hasEquals = false;
        // Where the trimmed key name and the value (after '=') start in the text.
        size_t keyBegin = 0;
        size_t keyLength = 0;
        size_t valueBegin = 0;

        std::string_view Text() const { return owned ? std::string_view(own) : std::string_view(data, size); }
        std::string_view KeyName() const { return Text().substr(keyBegin, keyLength); }
    };
    struct Section {
        bool hasHeader = false; // false only for the lines before the first section
        Line header;
        size_t nameBegin = 0; // the trimmed name inside the header's text
        size_t nameLength = 0;
        std::vector<Line> lines;
        // Hash of a key name -> index of the first line of that name; built
        // when first needed.
        mutable std::unordered_multimap<size_t, size_t> index;
        mutable bool indexed = false;

        std::string_view Name() const { return header.Text().substr(nameBegin, nameLength); }
    };

    // Parses bytes that owner keeps alive, and keeps owner: nothing is copied.
    static IniText Adopt(std::shared_ptr<const void> owner, std::string_view bytes);
    static void Classify(Line& line);
    static Line OwnedLine(std::string text, Eol eol);
    Section* FindSection(std::string_view name);
    const Section* FindSection(std::string_view name) const;
    static const Line* FindKey(const Section& section, std::string_view keyName);
    void EndLine(Line& line) const;
    void EndLastLine();

    std::shared_ptr<const void> source_;
    std::vector<Section> sections_;
    Eol newline_ = Eol::kCrLf;
};

} // namespace varnet
