#pragma once
// Starting an outside program (the data viewer) from an argument vector, never through a
// shell, so a path with blanks or quotes reaches it as one argument, and collecting its exit.
#include <sys/types.h>

#include <string>
#include <vector>

namespace vexa {

struct LaunchResult {
  pid_t pid = -1;
  int error = 0;  // errno of the failed start; 0 when started
};

// Runs program with args (program itself is argument 0) in the current directory.
LaunchResult launch_program(const std::string& program, const std::vector<std::string>& args);

// Collects the exit of started programs that have ended; keeps the ones still running.
void reap_programs(std::vector<pid_t>& pids);

}  // namespace vexa
