// Starts the command-line tool the way a user's shell would: the native
// tool directly, the Windows build's one under Wine with a Windows path.
#pragma once
#include <string>
#include <vector>

namespace sondrel::test {

// Runs the tool with "--quiet" and the arguments (each quoted); its exit
// code, -1 when it could not be started.
int RunCli(const std::vector<std::string>& args);

}  // namespace sondrel::test
