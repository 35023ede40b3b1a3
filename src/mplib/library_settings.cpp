#include "mplib/library_settings.h"

#include "mplib/host_protocol.h"
#include "platform/diagnostic_log.h"
#include "platform/ini_document.h"
#include "platform/text.h"
#include "platform/text_format.h"

#include <charconv>

namespace varnet {
namespace {

// Whole seconds from 1 to ten years; anything else is not a budget.
bool Seconds(std::string_view text, std::chrono::seconds& value) {
    text = TrimBlanks(text);
    long long n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || n < 1 || n > 315360000)
        return false;
    value = std::chrono::seconds(n);
    return true;
}

} // namespace

std::chrono::seconds LibrarySettings::TimeoutFor(const char* entryPoint) const {
    if (entryPoint)
        if (const auto found = entryTimeouts.find(entryPoint); found != entryTimeouts.end())
            return found->second;
    return callTimeout;
}

std::filesystem::path ProgramSettingsFile(const std::filesystem::path& appDir) {
    return appDir / "Config" / "VarnetTool.ini";
}

LibrarySettings LoadLibrarySettings(const std::filesystem::path& settingsFile) {
    LibrarySettings settings;
    const IniDocument doc = IniDocument::Load(settingsFile);
    // Named as the operator finds it under the program folder.
    const std::string file = (settingsFile.parent_path().filename() / settingsFile.filename()).string();
    auto unusable = [&](const std::string& key, const std::string& value, const std::string& taken) {
        std::string notice = Format("%s: [Library] %s=%s cannot be used; %s is taken", file.c_str(),
                                    key.c_str(), ValidUtf8(value).c_str(), taken.c_str());
        LogDiagnostic(kNoPort, notice);
        settings.notices.push_back(std::move(notice));
    };
    const std::string isolation = doc.GetString("Library", "Isolation", "", 64);
    if (EqualsNoCase(isolation, "InProcess"))
        settings.isolation = LibraryIsolation::kInProcess;
    else if (!isolation.empty() && !EqualsNoCase(isolation, "PerPort"))
        unusable("Isolation", isolation, "the default PerPort");
    auto budget = [&](const std::string& key, std::chrono::seconds& into, const std::string& taken) {
        const std::string text = doc.GetString("Library", key, "", 64);
        if (text.empty())
            return false;
        if (Seconds(text, into))
            return true;
        unusable(key, text, taken);
        return false;
    };
    (void)budget("CallTimeoutSeconds", settings.callTimeout,
                 Format("the default %lld s", static_cast<long long>(settings.callTimeout.count())));
    // An entry point without a budget of its own has the call budget.
    const std::string callBudget =
        Format("the call timeout %lld s", static_cast<long long>(settings.callTimeout.count()));
    for (uint16_t op = static_cast<uint16_t>(mphost::Op::GetIdentifyInfoBuf);
         op <= static_cast<uint16_t>(mphost::Op::WriteReadPH); ++op) {
        const char* name = mphost::EntryPointName(static_cast<mphost::Op>(op));
        std::chrono::seconds value{};
        if (budget(std::string(name) + "TimeoutSeconds", value, callBudget))
            settings.entryTimeouts[name] = value;
    }
    return settings;
}

} // namespace varnet
