#include "app/command_line.h"

#include <charconv>

namespace varnet {

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
    CommandLine line;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& into, const char* what) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = arg + " needs " + what;
                return false;
            }
            into = args[++i];
            return true;
        };
        if (arg == "--headless") {
            line.headless = true;
        } else if (arg == "--dir") {
            if (!value(line.dir, "a folder"))
                return std::nullopt;
        } else if (arg == "--device-root") {
            if (!value(line.deviceRoot, "a folder"))
                return std::nullopt;
        } else if (arg == "--config") {
            if (!value(line.config, "a station file"))
                return std::nullopt;
        } else if (arg == "--refresh") {
            line.refresh = true;
        } else if (arg == "--start") {
            line.start = true;
        } else if (arg == "--json") {
            line.json = true;
        } else if (arg == "--quit-when-shown") {
            line.quitWhenShown = true;
        } else if (arg == "--click") {
            std::string text;
            if (!value(text, "a port from 1 to 24"))
                return std::nullopt;
            int port = 0;
            const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), port);
            if (failure != std::errc() || end != text.data() + text.size() || port < 1 || port > 24) {
                error = "--click needs a port from 1 to 24, not " + text;
                return std::nullopt;
            }
            line.clicks.push_back(port);
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    return line;
}

std::string CommandLine::HeadlessOnlyOption() const {
    if (!config.empty())
        return "--config";
    if (start)
        return "--start";
    if (!clicks.empty())
        return "--click";
    if (json)
        return "--json";
    return {};
}

} // namespace varnet
