// One board exchange as a whole process, the way a production script runs vexacli once per
// step: `vexacli --port P send ad=5 --wait-ok` against vexaboard (a separate process on a
// pseudo-terminal), from the spawn to the exit, against a plain client process that opens the
// port, writes the same line and exits at the "Ok" (this program started with --plain).
// Medians of RUNS runs each (target: vexacli at most 1.5 times the plain client).
// bench_cli_process [RUNS] [VEXACLI] [VEXABOARD]
#include <fcntl.h>
#include <poll.h>
#include <termios.h>

#include <algorithm>
#include <cstring>

#include "bench_support.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// The plain client: raw line at 115200, "ad=5" LF, then read until a line "Ok".
int plain_client(const char* path) {
  const int fd = ::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return 2;
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  ::cfsetspeed(&tio, B115200);
  ::tcsetattr(fd, TCSANOW, &tio);
  const char command[] = "ad=5\n";
  if (::write(fd, command, sizeof command - 1) != static_cast<ssize_t>(sizeof command - 1)) return 2;
  std::string received;
  const auto give_up = SteadyClock::now() + std::chrono::seconds(3);
  while (SteadyClock::now() < give_up) {
    pollfd in{fd, POLLIN, 0};
    if (::poll(&in, 1, 100) <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    received.append(buffer, static_cast<std::size_t>(n));
    if (received.find("Ok\r\n") != std::string::npos || received.find("Ok\n") != std::string::npos) {
      ::close(fd);
      return 0;
    }
  }
  ::close(fd);
  return 1;
}

// Milliseconds from the spawn of args to its exit; negative when it did not exit with 0.
double timed_process(const std::vector<std::string>& args) {
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = SteadyClock::now();
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  const double ms = std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--plain") == 0) return plain_client(argv[2]);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  const std::string vexacli = argc > 2 ? argv[2] : "cli/vexacli";
  const std::string self = "/proc/self/exe";
  char own_path[4096] = {};
  if (::readlink(self.c_str(), own_path, sizeof own_path - 1) <= 0) return 1;
  vexa::bench::SimulatorProcess board(argc > 3 ? argv[3] : "sim/vexaboard", "S", "cli");
  if (!board.started()) {
    std::printf("cli process: vexaboard did not start\n");
    return 1;
  }
  std::vector<double> cli_ms, plain_ms;
  int failures = 0;
  for (int i = 0; i < runs; ++i) {
    const double cli = timed_process({vexacli, "--port", board.link(), "--baud", "115200", "send", "ad=5", "--wait-ok"});
    const double plain = timed_process({own_path, "--plain", board.link()});
    if (cli < 0 || plain < 0) {
      ++failures;
      continue;
    }
    cli_ms.push_back(cli);
    plain_ms.push_back(plain);
  }
  const double cli = median(cli_ms), plain = median(plain_ms);
  std::printf("cli process send --wait-ok: median %.1f ms; plain client %.1f ms; ratio %.2f (target at most 1.50); "
              "%d of %d runs%s\n",
              cli, plain, plain > 0 ? cli / plain : 0.0, runs - failures, runs, failures ? " (SOME FAILED)" : "");
  return failures == 0 && plain > 0 && cli / plain <= 1.5 ? 0 : 1;
}
