#include "results/results_settings.h"

#include "platform/ini_file.h"
#include "platform/secret_redaction.h"
#include "platform/text.h"
#include "platform/text_format.h"

#include <libpq-fe.h>

#include <sys/stat.h>

namespace varnet {
namespace {

constexpr const char* kSettingsName = "Config/VarnetTool.ini";

bool IsUrl(std::string_view value) {
    return value.starts_with("postgresql://") || value.starts_with("postgres://");
}

// The client takes a value without '=' that is no URL as a database name on
// the local server, so only the two other forms can fail to parse. Empty
// when the value parses; the client's words (password hidden) otherwise.
std::string ParseFailure(const std::string& value) {
    if (!IsUrl(value) && value.find('=') == std::string::npos)
        return {};
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(value.c_str(), &error);
    std::string failure;
    if (!options) {
        failure = error ? error : "it cannot be parsed";
        while (!failure.empty() && (failure.back() == '\n' || failure.back() == ' '))
            failure.pop_back();
    }
    PQconninfoFree(options);
    PQfreemem(error);
    return RedactSecrets(ValidUtf8(failure), value);
}

} // namespace

std::filesystem::path ToolSettingsPath(const std::filesystem::path& programFolder) {
    return programFolder / "Config" / "VarnetTool.ini";
}

std::string LineServerSetting(const std::filesystem::path& programFolder) {
    return std::string(
        TrimBlanks(IniGetString(ToolSettingsPath(programFolder), "Results", "LineServer", "", 2048)));
}

ResultsSettings LoadResultsSettings(const std::filesystem::path& programFolder) {
    ResultsSettings settings;
    const std::string value = LineServerSetting(programFolder);
    if (value.empty())
        return settings;
    if (const std::string failure = ParseFailure(value); !failure.empty()) {
        settings.notices.push_back(Format("%s: [Results] LineServer=%s cannot be used (%s); the default is "
                                          "taken: no line server, the runs stay on this station",
                                          kSettingsName, RedactedConnection(ValidUtf8(value)).c_str(),
                                          failure.c_str()));
    } else {
        settings.lineServer = value;
    }
    struct stat st {};
    if (HoldsPassword(value) && ::stat(ToolSettingsPath(programFolder).c_str(), &st) == 0 &&
        (st.st_mode & 077) != 0)
        settings.notices.push_back(Format("%s holds the line server's password and can be read by other "
                                          "users: chmod 600 it, or use ~/.pgpass",
                                          kSettingsName));
    return settings;
}

} // namespace varnet
