#include "platform/ini_file.h"

#include "platform/file_bytes.h"
#include "platform/file_io.h"
#include "platform/ini_text.h"
#include "platform/ini_text_access.h"
#include "platform/ini_values.h"
#include "platform/text_format.h"

namespace varnet {
// A single-key read scans the file's bytes once and builds nothing.
std::string IniGetString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                         std::string_view def, size_t size) {
    const FileBytes read = ReadFileBytes(file);
    const std::optional<std::string_view> value = IniText::FindIn(read.bytes, section, key);
    return std::string(CutToBuffer(value ? *value : DefaultText(def), size));
}

int32_t IniGetInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  int32_t def) {
    const FileBytes read = ReadFileBytes(file);
    return ParseProfileInt(IniText::FindIn(read.bytes, section, key), def);
}

Status UpdateIniFile(const std::filesystem::path& file, const std::function<bool(IniText&)>& change) {
    return UpdateFileBytes(
        file,
        [&](const FileBytes& current) -> std::optional<std::string> {
            IniText ini = IniTextAccess::Adopt(current.owner, current.bytes);
            if (!change(ini))
                return std::nullopt;
            return ini.Serialize();
        },
        Format("refused to write %s: a name or value cannot be stored in an INI line", file.c_str()));
}

Status UpdateExistingIniFile(const std::filesystem::path& file, const std::function<bool(IniText&)>& change) {
    bool missing = false;
    Status status = UpdateFileBytes(
        file,
        [&](const FileBytes& current) -> std::optional<std::string> {
            if (current.outcome == FileRead::kMissing) {
                missing = true;
                return std::nullopt;
            }
            IniText ini = IniTextAccess::Adopt(current.owner, current.bytes);
            if (!change(ini))
                return std::nullopt;
            return ini.Serialize();
        },
        Format("refused to write %s: a name or value cannot be stored in an INI line", file.c_str()));
    if (missing)
        return Status::Error(Format("%s does not exist: nothing was written to it", file.c_str()));
    return status;
}

Status IniWriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                      std::string_view value) {
    return UpdateIniFile(file, [&](IniText& ini) { return ini.Set(section, key, value); });
}

Status IniWriteInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                   int64_t value) {
    return IniWriteString(file, section, key, IntText(value));
}

Status IniRemoveKey(const std::filesystem::path& file, std::string_view section, std::string_view key) {
    return UpdateIniFile(file, [&](IniText& ini) {
        ini.RemoveKey(section, key);
        return true;
    });
}

Status IniRemoveSection(const std::filesystem::path& file, std::string_view section) {
    return UpdateIniFile(file, [&](IniText& ini) {
        ini.RemoveSection(section);
        return true;
    });
}

} // namespace varnet
