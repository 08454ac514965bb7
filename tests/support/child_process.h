#pragma once
// Runs the built programs from tests: one-shot runs with captured output and a hang guard,
// and background programs (a simulated board) stopped with SIGTERM.
#include <string>
#include <vector>

namespace vexa::test {

// A program of the build folder, e.g. built_program("cli/vexacli").
std::string built_program(const std::string& relative);

struct RunResult {
  int exit_code = -1;  // -1 when killed by the hang guard or a signal
  std::string out;
  std::string err;
};

// Runs program with args, feeding input on standard input; kills it after timeout_ms.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& input = {}, int timeout_ms = 60000,
                      const std::string& working_directory = {});

class BackgroundProgram {
 public:
  BackgroundProgram(const std::string& program, const std::vector<std::string>& args);
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  // False once the program has ended (by itself or stopped).
  bool running() const;
  // SIGTERM, then waits (SIGKILL after timeout_ms); the exit code.
  int stop(int timeout_ms = 5000);
  // What the program wrote to standard output and error so far (read when stopped).
  const std::string& output() const { return output_; }

 private:
  int pid_ = -1;
  int output_fd_ = -1;
  std::string output_;
  mutable bool exited_ = false;  // reaped by running(); its status kept for stop()
  mutable int exit_status_ = 0;
};

// Waits (as a hang guard) until path exists.
bool wait_for_path(const std::string& path, int timeout_ms = 10000);

}  // namespace vexa::test
