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
    const std::string file = settingsFile.filename().string();
    const std::string isolation = ToLowerAscii(doc.GetString("Library", "Isolation", "", 64));
    if (isolation == "inprocess")
        settings.isolation = LibraryIsolation::kInProcess;
    else if (!isolation.empty() && isolation != "perport")
        LogDiagnostic(kNoPort,
                      Format("%s: [Library] Isolation=%s is not PerPort or InProcess; PerPort is used",
                             file.c_str(), isolation.c_str()));
    auto budget = [&](const std::string& key, std::chrono::seconds& into) {
        const std::string text = doc.GetString("Library", key, "", 64);
        if (text.empty())
            return false;
        if (Seconds(text, into))
            return true;
        LogDiagnostic(kNoPort, Format("%s: [Library] %s=%s is not a number of seconds; the default is used",
                                      file.c_str(), key.c_str(), text.c_str()));
        return false;
    };
    (void)budget("CallTimeoutSeconds", settings.callTimeout);
    for (uint16_t op = static_cast<uint16_t>(mphost::Op::GetIdentifyInfoBuf);
         op <= static_cast<uint16_t>(mphost::Op::WriteReadPH); ++op) {
        const char* name = mphost::EntryPointName(static_cast<mphost::Op>(op));
        std::chrono::seconds value{};
        if (budget(std::string(name) + "TimeoutSeconds", value))
            settings.entryTimeouts[name] = value;
    }
    return settings;
}

} // namespace varnet
