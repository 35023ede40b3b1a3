// Running a tool the way an operator's shell does, for the tests of whole
// programs: the command line goes to /bin/sh, its standard output comes back
// whole with its exit code. Blocking; -1 when the command could not be run
// or did not exit normally.
#pragma once

#include <cstdio>
#include <string>

namespace varnet::test {

struct CommandRun {
    int exitCode = -1;
    std::string output; // standard output (redirect 2>&1 in the command for both)
};

CommandRun RunCommand(const std::string& command);

// Everything left to read from a pipe opened with popen.
std::string ReadAll(std::FILE* pipe);

} // namespace varnet::test
