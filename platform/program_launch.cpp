#include "platform/program_launch.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace vexa {

LaunchResult launch_program(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> owned;
  owned.push_back(program);
  owned.insert(owned.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : owned) argv.push_back(a.data());
  argv.push_back(nullptr);
  LaunchResult result;
  // An exec failure (no such program, not executable) comes back as the spawn's result.
  result.error = ::posix_spawn(&result.pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (result.error != 0) result.pid = -1;
  return result;
}

void reap_programs(std::vector<pid_t>& pids) {
  std::erase_if(pids, [](pid_t pid) {
    int status = 0;
    pid_t r = ::waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
  });
}

}  // namespace vexa
