#include "support/child_process.h"
#include "support/build_paths.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace vexa::test {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Starts program with args under actions, which it destroys; -1 when it cannot start.
pid_t spawn(const std::string& program, const std::vector<std::string>& args, posix_spawn_file_actions_t& actions) {
  std::vector<std::string> storage = {program};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

int exit_code_of(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

void drain(int fd, std::string& into) {
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return;
    into.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

std::string built_program(const std::string& relative) { return binary_dir() + "/" + relative; }

RunResult run_program(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                      int timeout_ms, const std::string& working_directory) {
  RunResult result;
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC)) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  if (!working_directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, working_directory.c_str());
  const pid_t pid = spawn(program, args, actions);
  for (int fd : {in[0], out[1], err[1]}) ::close(fd);
  if (pid < 0) {
    for (int fd : {in[1], out[0], err[0]}) ::close(fd);
    result.err = "cannot start " + program;
    return result;
  }
  std::thread feeder([fd = in[1], input] {
    std::size_t done = 0;
    while (done < input.size()) {
      ssize_t n = ::write(fd, input.data() + done, input.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::close(fd);
  });
  ::fcntl(out[0], F_SETFL, O_NONBLOCK);
  ::fcntl(err[0], F_SETFL, O_NONBLOCK);
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
  int status = 0;
  bool killed = false;
  while (!killed && ::waitpid(pid, &status, WNOHANG) != pid) {
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    ::poll(fds, 2, 20);
    drain(out[0], result.out);
    drain(err[0], result.err);
    if (SteadyClock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      killed = true;
    }
  }
  feeder.join();
  if (killed) {
    result.err += "\n[killed by the test's hang guard]";
  } else {
    // The program has ended: read what is left to the end of its pipes.
    ::fcntl(out[0], F_SETFL, 0);
    ::fcntl(err[0], F_SETFL, 0);
    drain(out[0], result.out);
    drain(err[0], result.err);
    result.exit_code = exit_code_of(status);
  }
  ::close(out[0]);
  ::close(err[0]);
  return result;
}

BackgroundProgram::BackgroundProgram(const std::string& program, const std::vector<std::string>& args) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC)) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  pid_ = spawn(program, args, actions);
  ::close(out[1]);
  output_fd_ = out[0];
  ::fcntl(output_fd_, F_SETFL, O_NONBLOCK);
}

BackgroundProgram::~BackgroundProgram() {
  stop();
  if (output_fd_ >= 0) ::close(output_fd_);
}

bool BackgroundProgram::running() const {
  if (pid_ < 0 || exited_) return false;
  // A program that ended by itself keeps its status for stop().
  if (::waitpid(pid_, &exit_status_, WNOHANG) != pid_) return true;
  exited_ = true;
  return false;
}

int BackgroundProgram::stop(int timeout_ms) {
  if (pid_ < 0) return -1;
  int status = exit_status_;
  if (!exited_) ::kill(pid_, SIGTERM);
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
  for (; !exited_;) {
    drain(output_fd_, output_);
    if (::waitpid(pid_, &status, WNOHANG) == pid_) break;
    if (SteadyClock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  drain(output_fd_, output_);
  pid_ = -1;
  return status == -1 ? -1 : exit_code_of(status);
}

bool wait_for_path(const std::string& path, int timeout_ms) {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
  struct stat info {};
  while (SteadyClock::now() < deadline) {
    if (::lstat(path.c_str(), &info) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace vexa::test
