#include "app/command_line.h"

#include <charconv>

namespace varnet {

const char* const kVarnetToolUsage =
    "usage: varnettool [--dir FOLDER] [--device-root FOLDER] [--refresh] [--quit-when-shown]\n"
    "       varnettool --headless [--dir FOLDER] [--device-root FOLDER] [--config FILE.ini]\n"
    "                  [--refresh] [--start] [--click PORT]... [--json]\n"
    "       varnettool --help | --version\n"
    "\n"
    "The station program for solid-state drives: up to 24 drives through one\n"
    "production step. With a display it opens its window; with --headless, or\n"
    "without a display, it runs the same station without one.\n"
    "\n"
    "  --dir FOLDER          the station folder (default: the program's own folder)\n"
    "  --device-root FOLDER  the root of the device tree (default: /)\n"
    "  --refresh             find and identify the drives once started\n"
    "  --quit-when-shown     close the window as soon as it is shown\n"
    "  --headless            run without a window and print each port's verdict\n"
    "  --config FILE.ini     the station file to run (default: the first one)\n"
    "  --start               run the station file on every ready drive\n"
    "  --click PORT          run the station file on one port (1-24; repeatable)\n"
    "  --json                print the verdicts as one JSON object\n"
    "  --help, --version     print this text or the version and exit\n"
    "\n"
    "Exit codes without a window: 0 every drive passed (or was identified),\n"
    "1 a drive failed, 2 start-up failed, the station file was refused or\n"
    "the station folder is in use by another varnettool (or the options were\n"
    "wrong), 3 no drive was found, 128 + N ended by signal N (SIGTERM, SIGINT\n"
    "or SIGHUP: the runs were ended and every record was kept).\n";

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
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--version") {
            line.version = true;
        } else if (arg == "--headless") {
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
