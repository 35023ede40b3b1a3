#include "app/command_line.h"

namespace varnet {

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
    CommandLine line;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = arg + " needs a folder";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (arg == "--headless") {
            line.headless = true;
        } else if (arg == "--dir") {
            if (!value(line.dir))
                return std::nullopt;
        } else if (arg == "--device-root") {
            if (!value(line.deviceRoot))
                return std::nullopt;
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    return line;
}

} // namespace varnet
