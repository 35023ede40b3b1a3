// An INI file loaded once for many reads and changes and saved once: what
// whole-file loads and saves use, so that a save of hundreds of keys is one
// write of the file.
//
// Reads see the file as loaded plus this document's own changes, with the
// semantics of ini_file.h. Changes are recorded as well as applied; Save is
// one read-modify-write under the file's process-wide lock that replays them
// onto the file as it is on disk at that moment, so keys that another writer
// changed since the load (a serial number written back by a port, say) are
// never undone unless this document changed the same key. The file is
// replaced atomically; a failed save leaves it as it was and keeps the
// document's changes for another try.
//
// A document is used by one thread at a time.
#pragma once

#include "platform/ini_text.h"
#include "platform/status.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnet {

class IniDocument {
public:
    // An empty document for path; nothing is read.
    explicit IniDocument(std::filesystem::path path);
    // Reads the file; a missing or unreadable file gives an empty document.
    static IniDocument Load(std::filesystem::path path);
    // A document of the given content, as if loaded from path.
    static IniDocument FromBytes(std::filesystem::path path, std::string_view bytes);

    const std::filesystem::path& Path() const { return path_; }

    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
    std::string GetString(std::string_view section, std::string_view key, std::string_view def,
                          size_t size) const;
    int32_t GetInt(std::string_view section, std::string_view key, int32_t def) const;
    // Hex key: the text (def when absent, at most 127 characters) converted
    // digit by digit.
    uint32_t GetHex(std::string_view section, std::string_view key, std::string_view def) const;
    bool HasSection(std::string_view section) const { return text_.HasSection(section); }
    std::vector<std::string> KeyNames(std::string_view section) const { return text_.KeyNames(section); }

    void SetString(std::string_view section, std::string_view key, std::string_view value);
    // Written as "%d" of the value's low 32 bits (see ini_file.h).
    void SetInt(std::string_view section, std::string_view key, int64_t value);
    // Written as "%02X".
    void SetHex(std::string_view section, std::string_view key, uint32_t value);
    void RemoveKey(std::string_view section, std::string_view key);
    // Removes the section; the keys named in keep survive with the value the
    // file has when the change is replayed (see IniText::RemoveSection).
    void RemoveSection(std::string_view section, std::initializer_list<std::string_view> keep = {});

    bool HasChanges() const { return !changes_.empty(); }
    // Fails, writing nothing, when a change was refused (a name or value that
    // cannot be stored) or the file cannot be read or replaced.
    Status Save();

private:
    struct Change {
        enum Kind { kSet, kRemoveKey, kRemoveSection } kind;
        std::string section;
        std::string key;
        std::string value;
        std::vector<std::string> keep;
    };
    static bool Apply(IniText& text, const Change& change);
    void Record(Change change);

    std::filesystem::path path_;
    IniText text_;
    // The bytes as loaded or last saved, shared with text_ (no owner: the
    // file was missing or unread).
    std::shared_ptr<const void> loadedOwner_;
    std::string_view loadedBytes_;
    std::vector<Change> changes_;
    std::string refused_;
};

} // namespace varnet
