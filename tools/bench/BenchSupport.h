#pragma once
// Timing and the Linux reference tools (run through wine's Unix process
// start) that the benchmarks share.
#include <string>

namespace bench {

double NowSeconds();
std::string EnvVar(const char* name);
// The Unix path wine maps a Windows path to; "" outside wine.
std::string UnixPath(const std::string& path);
// Runs a shell command on the Linux side and returns its own run time in
// seconds as the shell measured it; negative when it didn't run or failed.
double RunUnixTimed(const std::string& command, const std::string& tempFolder);

}  // namespace bench
