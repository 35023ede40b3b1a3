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
//  - untouched lines keep their bytes and their own line ending; new lines
//    get the file's line ending (that of its first line), CRLF in a new file.
#pragma once

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
    struct Line {
        std::string text; // without its line ending
        std::string eol;  // "\r\n", "\n" or "" (last line of a file without final newline)
        bool isKey = false;
        bool hasEquals = false;
        std::string keyLower; // trimmed key name, lower case
    };
    struct Section {
        bool hasHeader = false; // false only for the lines before the first section
        Line header;
        std::string nameLower;
        std::vector<Line> lines;
        // Lower-case key name -> index of its first line; built when first needed.
        mutable std::unordered_map<std::string, size_t> index;
        mutable bool indexed = false;
    };

    static Line MakeLine(std::string text, std::string eol);
    Section* FindSection(std::string_view name);
    const Section* FindSection(std::string_view name) const;
    static const Line* FindKey(const Section& section, const std::string& keyLower);
    void EndLine(Line& line) const;
    void EndLastLine();

    std::vector<Section> sections_;
    std::string newline_ = "\r\n";
};

} // namespace varnet
