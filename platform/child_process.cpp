#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace vexa {

namespace {

constexpr const char* kShell = "/bin/sh";
// The shell's own search path when the environment has no PATH line.
constexpr std::string_view kShellDefaultPath = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";
constexpr std::size_t kReadSlice = 64 * 1024;

// Words the shell understands itself; a command line that starts with one needs no program.
constexpr std::string_view kShellWords[] = {
    "!",     "{",       "}",      "case",   "do",     "done",    "elif",  "else",  "esac",
    "fi",    "for",     "if",     "in",     "then",   "until",   "while", ".",     ":",
    "alias", "bg",      "break",  "cd",     "command", "continue", "echo", "eval",  "exec",
    "exit",  "export",  "false",  "getopts", "hash",  "kill",    "local", "printf", "pwd",
    "read",  "readonly", "return", "set",   "shift",  "test",    "true",  "unset", "[",
    "trap",  "type",    "ulimit", "umask",  "wait",   "times"};

bool is_shell_word(std::string_view word) {
  for (std::string_view w : kShellWords)
    if (w == word) return true;
  return false;
}

bool executable_file(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string in_directory(const std::string& directory, std::string_view name) {
  if (!name.empty() && name.front() == '/') return std::string(name);
  if (directory.empty()) return std::string(name);
  return directory + "/" + std::string(name);
}

class SpawnedChild final : public ChildProcess {
 public:
  SpawnedChild(pid_t pid, int out_fd, int err_fd) : pid_(pid), fds_{out_fd, err_fd} {}
  ~SpawnedChild() override {
    if (!exit_code_) {
      ::kill(-pid_, SIGKILL);
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    }
    for (int fd : fds_)
      if (fd >= 0) ::close(fd);
  }

  std::size_t read_ready(ChildStream stream, std::string& out, std::size_t max_bytes) override {
    int& fd = fds_[static_cast<int>(stream)];
    std::size_t total = 0;
    char buffer[kReadSlice];
    while (fd >= 0 && total < max_bytes) {
      const std::size_t want = std::min(sizeof buffer, max_bytes - total);
      const ssize_t got = ::read(fd, buffer, want);
      if (got > 0) {
        out.append(buffer, static_cast<std::size_t>(got));
        total += static_cast<std::size_t>(got);
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
        ::close(fd);  // the stream has ended: every writer is gone
        fd = -1;
      }
      break;
    }
    return total;
  }

  std::optional<int> exit_code() override {
    if (exit_code_) return exit_code_;
    int status = 0;
    pid_t done = 0;
    do {
      done = ::waitpid(pid_, &status, WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == pid_) {
      if (WIFEXITED(status))
        exit_code_ = WEXITSTATUS(status);
      else if (WIFSIGNALED(status))
        exit_code_ = 128 + WTERMSIG(status);
      else
        exit_code_ = -1;
    } else if (done < 0) {
      exit_code_ = -1;  // not our child any more: nothing to wait for
    }
    return exit_code_;
  }

  void terminate() override {
    if (!exit_code()) ::kill(-pid_, SIGTERM);
  }
  void kill() override {
    if (!exit_code()) ::kill(-pid_, SIGKILL);
  }

 private:
  pid_t pid_;
  std::array<int, 2> fds_;
  std::optional<int> exit_code_;
};

struct Pipe {
  int read = -1, write = -1;
  ~Pipe() {
    if (read >= 0) ::close(read);
    if (write >= 0) ::close(write);
  }
  bool open() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    read = fds[0];
    write = fds[1];
    return ::fcntl(read, F_SETFL, O_NONBLOCK) == 0;
  }
};

bool has_line(const std::vector<std::string>& environment, std::string_view prefix) {
  for (const std::string& line : environment)
    if (line.compare(0, prefix.size(), prefix) == 0) return true;
  return false;
}

}  // namespace

bool command_program_found(std::string_view command_line, const std::vector<std::string>& environment,
                           const std::string& working_directory) {
  std::size_t start = command_line.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return false;
  static constexpr std::string_view kSyntax = "(){}!;&|<>$`\"'\\#~*?[";
  if (kSyntax.find(command_line[start]) != std::string_view::npos) return true;
  std::size_t end = command_line.find_first_of(" \t\r\n;&|<>()", start);
  const std::string_view word = command_line.substr(start, end == std::string_view::npos ? end : end - start);
  if (is_shell_word(word)) return true;
  if (word.find('=') != std::string_view::npos) return true;  // an assignment before the command
  if (word.find_first_of("$`\"'\\*?[") != std::string_view::npos) return true;  // the shell expands it

  if (word.find('/') != std::string_view::npos) return executable_file(in_directory(working_directory, word));

  std::string_view path = kShellDefaultPath;
  for (const std::string& line : environment)
    if (line.compare(0, 5, "PATH=") == 0) {
      path = std::string_view(line).substr(5);
      break;
    }
  std::size_t from = 0;
  for (;;) {
    std::size_t colon = path.find(':', from);
    std::string_view directory = path.substr(from, colon == std::string_view::npos ? colon : colon - from);
    std::string folder = directory.empty() ? working_directory : in_directory(working_directory, directory);
    std::string candidate = folder.empty() ? std::string(word) : folder + "/" + std::string(word);
    if (executable_file(candidate)) return true;
    if (colon == std::string_view::npos) return false;
    from = colon + 1;
  }
}

std::unique_ptr<ChildProcess> SpawnLauncher::start(const ChildSpec& spec, int* error) {
  auto fail = [&](int code) -> std::unique_ptr<ChildProcess> {
    if (error) *error = code;
    return nullptr;
  };
  if (!spec.working_directory.empty()) {
    struct stat info {};
    if (::stat(spec.working_directory.c_str(), &info) != 0) return fail(errno);
    if (!S_ISDIR(info.st_mode)) return fail(ENOTDIR);
  }
  if (!command_program_found(spec.command_line, spec.environment, spec.working_directory)) return fail(ENOENT);

  Pipe out, err;
  if (!out.open() || !err.open()) return fail(errno);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
  if (!spec.working_directory.empty())
    posix_spawn_file_actions_addchdir_np(&actions, spec.working_directory.c_str());
  // Nothing else of ours (the serial port, sockets, other pipes) reaches the build.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  // Our own blocked or ignored signals (SIGPIPE, the simulator's SIGTERM) are not the build's.
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : {SIGPIPE, SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2, SIGTSTP,
                SIGTTIN, SIGTTOU})
    sigaddset(&defaults, s);
  posix_spawnattr_setsigdefault(&attributes, &defaults);

  // dash exports PWD of its own accord; the build is to see only the lines it was given.
  std::string script = has_line(spec.environment, "PWD=") ? spec.command_line : "unset PWD; " + spec.command_line;
  std::string shell = kShell, dash_c = "-c";
  char* argv[] = {shell.data(), dash_c.data(), script.data(), nullptr};
  std::vector<std::string> lines = spec.environment;
  std::vector<char*> envp;
  for (std::string& line : lines) envp.push_back(line.data());
  envp.push_back(nullptr);

  pid_t pid = -1;
  const int result = ::posix_spawn(&pid, kShell, &actions, &attributes, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (result != 0) return fail(result);

  ::close(out.write);
  out.write = -1;
  ::close(err.write);
  err.write = -1;
  auto child = std::make_unique<SpawnedChild>(pid, out.read, err.read);
  out.read = err.read = -1;
  return child;
}

}  // namespace vexa
