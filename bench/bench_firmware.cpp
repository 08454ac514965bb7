// Firmware and memory-card downloads to the board simulator on a pseudo-terminal, paced at the
// link speed in both directions (vexaboard --pace), against the wire time of every byte both
// ways at 10 bits a byte plus the waits the downloads must make: a whole E HEX image at 9600
// and at 115200 baud, a 300 KB memory-card file at 115200.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "base/text_format.h"
#include "bench_support.h"
#include "download/card_transfer.h"
#include "download/firmware_download.h"
#include "download/line_sender.h"
#include "download/page_loader.h"
#include "link/link_session.h"

namespace {

using namespace vexa;

class NoStop final : public JobControl {
 public:
  bool stop_requested() const override { return false; }
};
class NoStatus final : public StatusLine {
 public:
  void set_progress(std::string_view) override {}
  void set_status(std::string_view) override {}
};
class Target final : public LoaderTarget {
 public:
  char type_letter() const override { return 'E'; }
  std::string identity_line() const override { return "VexaLog E v1404"; }
  void loader_recognised(char, std::string_view) override {}
};
class CountingReport final : public ReportSink {
 public:
  void print_line(std::string_view text) override { last = std::string(text); }
  std::string last;
};

std::string random_bytes(std::size_t n) {
  std::mt19937 random(42);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// An 'E' image (identity 0x2345) as HEX text.
std::string e_hex() {
  std::string image = random_bytes(31744);
  std::uint16_t x = 0;
  for (std::size_t i = 2; i < image.size(); i += 2)
    x ^= static_cast<std::uint16_t>(static_cast<unsigned char>(image[i]) | static_cast<unsigned char>(image[i + 1]) << 8);
  x ^= 0x2345;
  image[0] = static_cast<char>(x & 0xFF);
  image[1] = static_cast<char>(x >> 8);
  std::string hex;
  for (std::size_t a = 0; a < image.size(); a += 16) {
    hex += format_text(":10%04X00", static_cast<unsigned>(a));
    for (std::size_t i = a; i < a + 16; ++i) hex += format_text("%02X", static_cast<unsigned char>(image[i]));
    hex += "00\n";
  }
  return hex;
}

struct Result {
  double seconds = 0;
  bool ok = false;
  std::string last;
};

template <typename Job>
Result run(const std::string& simulator, const std::string& tag, const std::vector<std::string>& extra,
           long speed, Job job) {
  bench::SimulatorProcess board(simulator, "E", tag, extra);
  Result result;
  if (!board.started()) return result;
  CountingReport report;
  bench::SilentEcho echo;
  Messages messages;
  LinkSession session(report, echo, messages);
  Target target;
  LoaderDetector detector(target, "VexaLog");
  LineRegistration loader_lines = session.consumers().add(line_place::loader, detector);
  session.start();
  if (session.open(board.link(), std::to_string(speed))) {
    NoStatus status;
    NoStop control;
    DownloadContext context{session.board_port(), session, report, messages, status, control, detector, target,
                            SystemClock::instance(), false};
    auto start = std::chrono::steady_clock::now();
    result.ok = job(context);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  session.stop();
  session.close();
  loader_lines.reset();
  result.last = report.last;
  return result;
}

int report_ratio(const char* what, const Result& result, double wire_s, double waits_s) {
  if (!result.ok) {
    std::fprintf(stderr, "bench_firmware: %s failed (%s)\n", what, result.last.c_str());
    return 1;
  }
  const double expected = wire_s + waits_s;
  std::printf("%s: %.2f s; wire %.2f s + mandated waits %.2f s = %.2f s; ratio %.3f (target <= 1.10)\n",
              what, result.seconds, wire_s, waits_s, expected, result.seconds / expected);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string simulator = argc > 1 ? argv[1] : "sim/vexaboard";
  const std::string dir = "/tmp/vexa-bench-fw-" + std::to_string(::getpid());
  std::filesystem::create_directories(dir + "/card");
  const std::string hex_path = dir + "/e.hex";
  std::ofstream(hex_path) << e_hex();
  int status = 0;

  // Per page: ':' and two address bytes, their echo, the page, its echo; plus "dl" and the banner.
  const double hex_bytes = 248.0 * (3 + 1 + 128 + 1);
  const double waits = (kHexBannerWaitMs + kSpeedChangeWaitMs + 9 * kSlowStartPauseMs) / 1000.0;
  for (const auto& [speed, banner] : {std::pair<long, const char*>{9600, "Download"}, {115200, "Download E"}}) {
    Result r = run(simulator, "fw" + std::to_string(speed), {"--pace", "--loader", banner}, speed,
                   [&](const DownloadContext& context) {
                     std::ifstream file(hex_path, std::ios::binary);
                     return hex_file_download(context, file);
                   });
    const double wire = (hex_bytes + 3 + 10) * 10.0 / static_cast<double>(speed);
    status |= report_ratio(format_text("E HEX image at %ld", speed).c_str(), r, wire, waits);
  }

  // Per chunk: the 60-character line with its LF and "Ok" CR LF; the opening and closing commands.
  const std::size_t size = 300 * 1024;
  const std::string host = dir + "/host.dat";
  std::ofstream(host, std::ios::binary) << random_bytes(size);
  const double chunks = static_cast<double>((size + 26) / 27);
  const double card_bytes = chunks * (61 + 4) + 2 * 30;
  const std::string conf = dir + "/fast.conf";
  std::ofstream(conf) << "bd=115200\n";
  Result r = run(simulator, "card", {"--pace", "--card", dir + "/card", "--conf", conf}, 115200, [&](const DownloadContext& context) {
    CardTransferResult t = card_transfer(context, host, "BENCH.DAT");
    return t.closed_ok && t.retries == 0;
  });
  status |= report_ratio("300 KB memory-card file at 115200", r, card_bytes * 10.0 / 115200.0, 0);
  std::filesystem::remove_all(dir);
  return status;
}
