#include "platform/ini_document.h"

#include "platform/file_bytes.h"
#include "platform/file_io.h"
#include "platform/ini_text_access.h"
#include "platform/ini_values.h"
#include "platform/text_format.h"

namespace varnet {

IniDocument::IniDocument(std::filesystem::path path) : path_(std::move(path)) {}

IniDocument IniDocument::Load(std::filesystem::path path) {
    IniDocument doc(std::move(path));
    FileBytes read = ReadFileBytes(doc.path_);
    if (read.outcome == FileRead::kRead) {
        doc.loadedOwner_ = std::move(read.owner);
        doc.loadedBytes_ = read.bytes;
        doc.text_ = IniTextAccess::Adopt(doc.loadedOwner_, doc.loadedBytes_);
    }
    return doc;
}

IniDocument IniDocument::FromBytes(std::filesystem::path path, std::string_view bytes) {
    IniDocument doc(std::move(path));
    FileBytes held = HoldBytes(std::string(bytes));
    doc.loadedOwner_ = std::move(held.owner);
    doc.loadedBytes_ = held.bytes;
    doc.text_ = IniTextAccess::Adopt(doc.loadedOwner_, doc.loadedBytes_);
    return doc;
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
    return text_.Find(section, key);
}

std::string IniDocument::GetString(std::string_view section, std::string_view key, std::string_view def,
                                   size_t size) const {
    const std::optional<std::string_view> value = text_.Find(section, key);
    return std::string(CutToBuffer(value ? *value : DefaultText(def), size));
}

int32_t IniDocument::GetInt(std::string_view section, std::string_view key, int32_t def) const {
    return ParseProfileInt(text_.Find(section, key), def);
}

uint32_t IniDocument::GetHex(std::string_view section, std::string_view key, std::string_view def) const {
    return ParseHexDigits(GetString(section, key, def, 128));
}

bool IniDocument::Apply(IniText& text, const Change& change) {
    switch (change.kind) {
    case Change::kSet:
        return text.Set(change.section, change.key, change.value);
    case Change::kRemoveKey:
        text.RemoveKey(change.section, change.key);
        return true;
    case Change::kRemoveSection: {
        std::vector<std::string_view> keep(change.keep.begin(), change.keep.end());
        text.RemoveSection(change.section, keep);
        return true;
    }
    }
    return false;
}

void IniDocument::Record(Change change) {
    if (!Apply(text_, change)) {
        if (refused_.empty())
            refused_ =
                Format("refused to write [%s] %s of %s: a name or value cannot be stored in an INI line",
                       change.section.c_str(), change.key.c_str(), path_.c_str());
        return;
    }
    changes_.push_back(std::move(change));
}

void IniDocument::SetString(std::string_view section, std::string_view key, std::string_view value) {
    Record({Change::kSet, std::string(section), std::string(key), std::string(value), {}});
}

void IniDocument::SetInt(std::string_view section, std::string_view key, int64_t value) {
    SetString(section, key, IntText(value));
}

void IniDocument::SetHex(std::string_view section, std::string_view key, uint32_t value) {
    SetString(section, key, HexByteText(value));
}

void IniDocument::RemoveKey(std::string_view section, std::string_view key) {
    Record({Change::kRemoveKey, std::string(section), std::string(key), {}, {}});
}

void IniDocument::RemoveSection(std::string_view section, std::initializer_list<std::string_view> keep) {
    Record({Change::kRemoveSection,
            std::string(section),
            {},
            {},
            std::vector<std::string>(keep.begin(), keep.end())});
}

Status IniDocument::Save() {
    if (!refused_.empty())
        return Status::Error(refused_);
    if (changes_.empty())
        return Status::Ok();
    std::optional<IniText> replayed;
    std::string saved;
    const Status status = UpdateFileBytes(
        path_,
        [&](const FileBytes& current) -> std::optional<std::string> {
            // Usually nobody wrote the file since it was loaded: the
            // document's own text already is the answer.
            if (current.bytes == loadedBytes_)
                return text_.Serialize();
            replayed = IniTextAccess::Adopt(current.owner, current.bytes);
            for (const Change& change : changes_) {
                if (!Apply(*replayed, change))
                    return std::nullopt;
            }
            return replayed->Serialize();
        },
        Format("refused to write %s: a name or value cannot be stored in an INI line", path_.c_str()),
        &saved);
    if (!status.ok())
        return status;
    if (replayed)
        text_ = std::move(*replayed);
    FileBytes held = HoldBytes(std::move(saved));
    loadedOwner_ = std::move(held.owner);
    loadedBytes_ = held.bytes;
    changes_.clear();
    return Status::Ok();
}

} // namespace varnet
