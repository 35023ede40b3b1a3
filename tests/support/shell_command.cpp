#include "shell_command.h"

#include <sys/wait.h>

namespace varnet::test {

std::string ReadAll(std::FILE* pipe) {
    std::string bytes;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        bytes.append(buffer, n);
    return bytes;
}

CommandRun RunCommand(const std::string& command) {
    CommandRun run;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    run.output = ReadAll(pipe);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace varnet::test
