#pragma once
// A child process run by the shell with its standard output and standard error in two pipes,
// which the parent reads without ever waiting. The child gets exactly the environment lines it
// is given, the working directory it is given and no standard input (/dev/null); it leads a
// process group of its own so that everything it started can be ended together.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

struct ChildSpec {
  std::string command_line;              // run by /bin/sh -c
  std::vector<std::string> environment;  // "NAME=value" lines: all the child sees
  std::string working_directory;         // empty: the parent's
};

enum class ChildStream { output = 0, error = 1 };

class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Appends to out what the stream has ready, at most max_bytes, without waiting. Returns the
  // count appended (0 when nothing is ready or the stream has ended).
  virtual std::size_t read_ready(ChildStream stream, std::string& out, std::size_t max_bytes) = 0;
  // The exit code once the process has ended (128 + the signal when a signal ended it);
  // nothing while it runs. Never waits.
  virtual std::optional<int> exit_code() = 0;
  // Asks the whole process group to end (SIGTERM); kill() forces it (SIGKILL). Both do nothing
  // once the process has ended.
  virtual void terminate() = 0;
  virtual void kill() = 0;
};

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // The started child, or null with *error set to an errno code (ENOENT when the command's
  // program cannot be found).
  virtual std::unique_ptr<ChildProcess> start(const ChildSpec& spec, int* error) = 0;
};

// posix_spawn of /bin/sh -c. A child still running when its object goes away is killed with
// its group and reaped.
class SpawnLauncher final : public ProcessLauncher {
 public:
  std::unique_ptr<ChildProcess> start(const ChildSpec& spec, int* error) override;
};

// Whether the program a shell command line starts can be found, the way the shell would look
// for it with the given environment's PATH from the working directory. Shell keywords,
// built-ins and lines that open with shell syntax count as found (the shell reports those).
bool command_program_found(std::string_view command_line, const std::vector<std::string>& environment,
                           const std::string& working_directory);

}  // namespace vexa
