// Data upload throughput: vexaboard (a separate process on a pseudo-terminal) lists a logged
// file of about 5 MB into a host file through the link session and the upload.
//   paced:   the board sends no faster than 115200 baud (after the fast switch from 9600); the
//            time from Start to the closing line against the wire time of the listing's bytes
//            at 10 bits a byte (target: at most 1.05).
//   unpaced: as fast as the pseudo-terminal goes: MB/s and this process's CPU seconds per MB.
// bench_upload [MEGABYTES] [paced|unpaced|both]
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "link/link_session.h"
#include "sim/logged_file.h"
#include "upload/data_upload.h"

extern char** environ;

namespace {

using namespace vexa;

class Board {
 public:
  Board(std::size_t lines, bool pace) : link_("/tmp/vexa-bench-upload-" + std::to_string(::getpid())) {
    std::vector<std::string> args = {"sim/vexaboard", "--type", "S", "--pty", link_, "--log-file", "vexalog.adc",
                                     "--log-lines", std::to_string(lines), "--log-grow", "0"};
    if (pace) args.push_back("--pace");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, args[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
    struct stat info {};
    for (int i = 0; i < 500 && ::lstat(link_.c_str(), &info) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~Board() {
    if (pid_ < 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  bool started() const { return pid_ > 0; }
  const std::string& link() const { return link_; }

 private:
  std::string link_;
  pid_t pid_ = -1;
};

struct Run {
  double seconds = 0, cpu = 0;
  int lines = 0;
  bool complete = false;
};

Run upload_once(std::size_t lines, bool pace, const std::string& host) {
  Run run;
  Board board(lines, pace);
  if (!board.started()) return run;
  Messages messages;
  bench::SilentReport report;
  bench::SilentEcho echo;
  LinkSession session(report, echo, messages);
  DataUpload upload(report, messages, UploadLink(session), nullptr, "/tmp");
  LineRegistration upload_lines = session.consumers().add(line_place::upload, upload);
  session.start();
  if (!session.open(board.link(), "9600")) return run;
  std::filesystem::remove(host);
  UploadRequest request;
  request.host_path = host;
  request.target = "vexalog.adc";
  request.create = true;
  request.fast = true;
  const double cpu_start = bench::cpu_seconds();
  const auto start = std::chrono::steady_clock::now();
  upload.start(request);
  const auto give_up = start + std::chrono::seconds(3600);
  while (std::chrono::steady_clock::now() < give_up && (upload.running() || upload.line_count() == 0))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu = bench::cpu_seconds() - cpu_start;
  run.lines = upload.line_count();
  run.complete = !upload.running() && static_cast<std::size_t>(run.lines) == lines;
  session.stop();
  upload_lines.reset();
  session.close();
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::stod(argv[1]) : 5.0;
  const std::string which = argc > 2 ? argv[2] : "both";
  // Lines for the size, and the bytes the board puts on the wire for them: '>' line CR LF each,
  // the closing line and "ok".
  std::size_t lines = 0;
  std::size_t file_bytes = 0, wire_bytes = 0;
  while (file_bytes < megabytes * 1e6) {
    const std::size_t n = sim::logged_line(sim::LogKind::stamped, lines++).size();
    file_bytes += n + 1;
    wire_bytes += n + 3;
  }
  wire_bytes += std::string("end of vexalog.adc, " + std::to_string(lines) + " lines\r\nok\r\n").size();
  const std::string host = "/tmp/vexa-bench-upload-host-" + std::to_string(::getpid()) + ".adc";
  int status = 0;

  if (which != "unpaced") {
    const Run paced = upload_once(lines, true, host);
    const double wire_s = static_cast<double>(wire_bytes) * 10.0 / 115200.0;
    std::printf("upload paced 115200: %.2f MB, %d of %zu lines in %.1f s, wire time %.1f s, ratio %.3f%s\n",
                static_cast<double>(file_bytes) / 1e6, paced.lines, lines, paced.seconds, wire_s,
                paced.seconds / wire_s, paced.complete ? "" : " (INCOMPLETE)");
    if (!paced.complete) status = 1;
  }
  if (which != "paced") {
    const Run unpaced = upload_once(lines, false, host);
    const double mb = static_cast<double>(file_bytes) / 1e6;
    std::printf("upload unpaced: %.2f MB in %.3f s = %.1f MB/s; %.4f CPU s/MB (this process)%s\n", mb,
                unpaced.seconds, mb / unpaced.seconds, unpaced.cpu / mb, unpaced.complete ? "" : " (INCOMPLETE)");
    if (!unpaced.complete) status = 1;
  }
  std::filesystem::remove(host);
  return status;
}
