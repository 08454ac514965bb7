// A 256 KB image through the SAM-BA boot monitor of vexaboard --pace (the monitor's line at
// 115200 baud both ways, 10 bits a byte): our download against the wire time of every byte it
// exchanges plus its fixed pauses, and BOSSA's bossac writing the same image to the same kind
// of simulated chip in the same run.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/session_ports.h"
#include "bench_support.h"
#include "download/samba_download.h"
#include "download/samba_layout.h"
#include "link/link_session.h"

extern char** environ;

namespace {

using namespace vexa;
using SteadyClock = std::chrono::steady_clock;

constexpr double kTarget = 1.10;

// vexaboard with extra options, stopped with SIGTERM when this goes.
class Board {
 public:
  Board(const std::string& program, const std::string& link, std::vector<std::string> extra) : link_(link) {
    std::vector<std::string> args = {program, "--type", "S", "--pty", link, "--pace"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    struct stat info {};
    for (int i = 0; pid_ > 0 && i < 500 && ::lstat(link.c_str(), &info) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~Board() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  bool started() const { return pid_ > 0; }

 private:
  std::string link_;
  pid_t pid_ = -1;
};

// Counts what crosses the line in each direction.
class CountingPort final : public BoardPort {
 public:
  explicit CountingPort(BoardPort& inner) : inner_(inner) {}
  bool write_text(std::string_view text) override {
    sent += text.size();
    return inner_.write_text(text);
  }
  bool write_bytes(std::string_view bytes) override {
    sent += bytes.size();
    return inner_.write_bytes(bytes);
  }
  int read_byte(int wait_ms) override {
    const auto start = SteadyClock::now();
    const int c = inner_.read_byte(wait_ms);
    if (c >= 0) ++received;
    if (c < 0 && wait_ms > 0) ++timeouts;
    if (wait_ms > 0) waiting_s += std::chrono::duration<double>(SteadyClock::now() - start).count();
    return c;
  }
  long set_speed(long speed, SpeedNotice notice) override { return inner_.set_speed(speed, notice); }
  long speed() const override { return inner_.speed(); }
  bool is_open() const override { return inner_.is_open(); }
  bool is_tcp() const override { return inner_.is_tcp(); }
  void pause_reading() override { inner_.pause_reading(); }
  void resume_reading() override { inner_.resume_reading(); }
  std::size_t sent = 0, received = 0, timeouts = 0;
  double waiting_s = 0;

 private:
  BoardPort& inner_;
};

class SilentStatus final : public StatusLine {
 public:
  void set_progress(std::string_view) override {}
  void set_status(std::string_view) override {}
};

class LastLine final : public ReportSink {
 public:
  void print_line(std::string_view text) override { last.assign(text); }
  std::string last;
};

double seconds_since(SteadyClock::time_point start) {
  return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 ? argv[1] : "sim/vexaboard";
  const std::string tag = "/tmp/vexa-bench-samba-" + std::to_string(::getpid());
  // Optional second argument: the image size in KB (up to 256), for a quicker look.
  const std::size_t kilobytes = argc > 2 ? std::min<std::size_t>(std::stoul(argv[2]), 256) : 256;
  std::string image(kilobytes * 1024, '\0');
  std::mt19937 random(1404);
  for (char& c : image) c = static_cast<char>(random() & 0xFF);
  const std::string image_path = tag + ".bin";
  std::ofstream(image_path, std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));

  int status = 0;
  {
    Board board(program, tag + "-ours", {"--flash-out", tag + "-ours.flash"});
    if (!board.started()) {
      std::fprintf(stderr, "bench_samba: cannot start %s (run from the build folder)\n", program.c_str());
      return 1;
    }
    LastLine report;
    bench::SilentEcho echo;
    Messages messages;
    LinkSession session(report, echo, messages);
    session.start();
    if (!session.open(tag + "-ours", "9600")) {
      std::fprintf(stderr, "bench_samba: cannot open the simulated board\n");
      return 1;
    }
    SilentStatus progress;
    CountingPort port(session.board_port());
    bool done = false;
    const auto start = SteadyClock::now();
    {
      ReadingPause pause(port);
      SambaDownloadOptions options;
      options.speed_notice = SpeedNotice::shown;  // as the flash command runs it
      done = run_samba_download(port, report, messages, progress, image, options);
    }
    const double ours_s = seconds_since(start);
    session.stop();
    session.close();
    if (!done) {
      std::fprintf(stderr, "bench_samba: our download failed: %s\n", report.last.c_str());
      status = 1;
    } else {
      const double wire_s = (port.sent + port.received) * 10.0 / samba::kLinkSpeed;
      const double floor_s = wire_s + kSambaMandatedPauseMs / 1000.0;
      const double ratio = ours_s / floor_s;
      std::printf("samba ours: %zu KB, %zu bytes sent, %zu received; %.2f s against %.2f s wire "
                  "+ %.2f s fixed pauses = %.2f s; ratio %.3f (target <= %.2f)%s\n",
                  kilobytes, port.sent, port.received, ours_s, wire_s, kSambaMandatedPauseMs / 1000.0, floor_s,
                  ratio, kTarget, ratio <= kTarget ? "" : "  ABOVE TARGET");
      std::printf("samba ours: %zu reads timed out; %.2f s spent waiting for the monitor's bytes\n",
                  port.timeouts, port.waiting_s);
    }
  }
  {
    Board board(program, tag + "-bossa", {"--samba", "--flash-out", tag + "-bossa.flash"});
    const std::string command = "bossac -p " + tag + "-bossa -U0 -e -w -b " + image_path + " >/dev/null 2>&1";
    const auto start = SteadyClock::now();
    const int rc = std::system(command.c_str());
    const double bossa_s = seconds_since(start);
    if (rc != 0) {
      std::printf("samba bossac: failed or not installed (exit %d)\n", rc);
    } else {
      std::printf("samba bossac: %zu KB erase + write + boot bit in %.2f s on the same paced monitor\n", kilobytes, bossa_s);
    }
  }
  ::unlink(image_path.c_str());
  ::unlink((tag + "-ours.flash").c_str());
  ::unlink((tag + "-bossa.flash").c_str());
  return status;
}
