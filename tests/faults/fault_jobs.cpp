// The fault rig and each board job as the desktop runs it (faults/fault_rig.h).
#include "faults/fault_rig.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "base/text_format.h"
#include "config/parse_assignments.h"
#include "download/samba_file_download.h"
#include "sim/logged_file.h"
#include "support/firmware_images.h"

namespace vexa::test {

namespace {

// --- the rig ---

BoardIdentityData identity_of(char type) {
  return *parse_identity_line(identity_line_for("VexaLog", type, 1404));
}

sim::BoardConfiguration board_configuration(const RigBoard& setup) {
  sim::BoardConfiguration configuration(sim::BoardKind{setup.type, 1404, "VexaLog"});
  if (setup.type == 'S')
    configuration.assign("rs0", "1," + std::to_string(setup.speed) + ",vexars0.txt,4096,0");
  else
    configuration.assign("bd", std::to_string(setup.speed));
  return configuration;
}

}  // namespace

FaultRig::FaultRig(const RigBoard& board)
    : board_setup(board),
      identity(configuration, identity_of(board.type)),
      downloads({session, report, messages, status, jobs, target, &exchange, nullptr, [this] { return verbose; },
                 nullptr, &monitor},
                "VexaLog"),
      upload(report, messages, UploadLink(session), &jobs, dir.path()),
      server(board_configuration(board)) {
  std::filesystem::create_directory(card);
  sim::DownloadSideOptions options = sim::default_download_options(board.type);
  options.loader.row = board.loader_row;
  options.loader.flash_out = flash;
  options.card.folder = card;
  sim::SambaOptions samba;
  samba.flash_out = flash;
  server.set_samba_options(samba);
  server.with_board([&](sim::SimulatedBoard& simulated) {
    simulated.download_side().configure(options);
    if (board.log_lines > 0)
      simulated.uploads().add_file({"vexalog.adc", sim::LogKind::stamped, board.log_lines, 0});
  });
  server.with_board([&](sim::SimulatedBoard& simulated) { board_setup.speed = simulated.link_speed(); });
  // The board's clock (mktime, on the server thread) and the host's (localtime_r) share the C
  // library's time zone state in this one process: its first set-up happens here, before the
  // server thread exists (the library's own lock is out of ThreadSanitizer's sight).
  (void)SystemClock::instance().local_now();
  EXPECT_EQ(server.start_pty(link), "");
  // As the session wires the firmware download's SAM-BA side.
  FirmwareHooks& hooks = downloads.hooks();
  hooks.samba_download = samba_file_download;
  hooks.samba_mode = [this] { return session.flags().samba_mode.load(); };
  hooks.set_samba_mode = [this](bool on) { session.flags().samba_mode.store(on); };
  upload_lines = session.consumers().add(line_place::upload, upload);
  loader_lines = session.consumers().add(line_place::loader, downloads.detector());
  exchange_lines = session.consumers().add(line_place::configuration, exchange);
  session.start();
  EXPECT_TRUE(session.open(link, std::to_string(board_setup.speed)));
}

FaultRig::~FaultRig() {
  jobs.shutdown();
  session.stop();
  session.close();
  exchange_lines.reset();
  loader_lines.reset();
  upload_lines.reset();
  server.stop();
}

bool FaultRig::pump(const std::function<bool()>& done, int guard_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(guard_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // As Session::probe_port: a loss ends an upload before the port may come back.
    upload.check_link();
    session.port().probe_port();
  }
  return true;
}

bool FaultRig::link_back(int guard_ms) {
  return pump([&] { return session.port().link_is_open(); }, guard_ms);
}

std::string FaultRig::link_left_wrong() {
  std::string wrong;
  if (!session.port().link_is_open()) wrong += "the port is closed; ";
  const long speed = session.port().speed();
  if (speed != board_setup.speed && (board_setup.monitor_speed == 0 || speed != board_setup.monitor_speed))
    wrong += format_text("the speed is %ld, not %ld; ", session.port().speed(), board_setup.speed);
  if (session.receiver().pauses_held() != 0 || !session.flags().reading_enabled.load())
    wrong += "the receive thread's reading is paused; ";
  if (session.flags().echo_suppressed.load()) wrong += "echo is still suppressed; ";
  if (session.flags().samba_mode.load()) wrong += "the terminal is still in SAM-BA mode; ";
  if (jobs.busy()) wrong += "a job still holds the gate; ";
  return wrong;
}

void FaultRig::mark_quiet() {
  run.quiet_lines = session.receiver().lines_received();
  run.quiet_since = std::chrono::steady_clock::now();
}

bool FaultRig::quiet_for(int ms) {
  const std::uint64_t lines = session.receiver().lines_received();
  if (lines != run.quiet_lines) mark_quiet();
  return std::chrono::steady_clock::now() - run.quiet_since >= std::chrono::milliseconds(ms);
}

bool FaultRig::reported(const std::string& text, bool prefix) const {
  for (const std::string& line : report.lines())
    if (line == text || (prefix && line.rfind(text, 0) == 0)) return true;
  return false;
}

std::string FaultRig::transcript() const {
  std::string all;
  for (const std::string& line : report.lines()) all += line + "\n";
  return all;
}

namespace {

constexpr std::size_t kLogLines = 300;

int progress(FaultRig& rig) { return std::atoi(rig.status.last_progress().c_str()); }

bool worker_done(FaultRig& rig) { return !rig.jobs.worker_running() && !rig.jobs.busy(); }

// The board's configuration against the host's table: every key the host knows must hold the
// board's value.
std::string configuration_differs(FaultRig& rig) {
  std::vector<std::string> lines;
  rig.server.with_board([&](sim::SimulatedBoard& board) { lines = board.configuration().report_lines(); });
  std::string wrong;
  for (const std::string& line : lines) {
    for (const Assignment& a : split_assignments(line)) {
      if (a.field != AssignmentField::value || !rig.configuration.find_parameter(a.key)) continue;
      const std::string host = rig.configuration.parameter_value(a.key).value_or("");
      if (host != a.text) wrong += a.key + "=" + host + " (board " + a.text + ") ";
    }
  }
  return wrong;
}

bool configuration_loaded(FaultRig& rig) { return configuration_differs(rig).empty(); }

std::string flashed(FaultRig& rig, std::size_t n) {
  std::string image;
  for (int i = 0; i < 200 && (image = TempDir::read(rig.flash)).size() < n; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return image.substr(0, n);
}

bool reported_containing(FaultRig& rig, const std::string& part) {
  for (const std::string& line : rig.report.lines())
    if (line.find(part) != std::string::npos) return true;
  return false;
}

// --- the jobs ---

JobDriver driver(Job job, const char* name, RigBoard board) {
  JobDriver d;
  d.job = job;
  d.name = name;
  d.board = board;
  return d;
}

JobDriver conf_download() {
  JobDriver d = driver(Job::conf_download, "ConfDownload", {'E', 1200});
  d.prepare = [](FaultRig& rig) {
    rig.exchange.request_configuration();
    EXPECT_TRUE(rig.pump([&] { return configuration_loaded(rig); }, 5000)) << rig.transcript();
    rig.configuration.set_parameter("sf", "1");
    rig.configuration.set_parameter("rx", "0");
  };
  d.start = [](FaultRig& rig, bool) {
    return rig.downloads.start_configuration_download();
  };
  d.ended = worker_done;
  d.midway = [](FaultRig& rig) { return rig.server.replies_sent() >= rig.run.replies_at_start + 2; };
  // kept_wrong: lines acknowledged stay on the board; the host's table is only read.
  d.complete_wrong = [](FaultRig& rig) { return configuration_differs(rig); };
  d.guard_ms = 20000;
  return d;
}

JobDriver firmware() {
  JobDriver d = driver(Job::firmware, "Firmware", {'E', 9600, 2});
  d.prepare = [](FaultRig& rig) { rig.run.data = image_with_identity(31744, 0x2345, 9); };
  d.start = [](FaultRig& rig, bool) {
    rig.downloads.selection().choose(rig.dir.write("e.hex", to_hex(rig.run.data)), "e.hex");
    return rig.downloads.start_firmware_download();
  };
  d.ended = worker_done;
  d.midway = [](FaultRig& rig) { return progress(rig) >= 4096; };
  // However it ended, the user sees how much went out.
  d.kept_wrong = [](FaultRig& rig) -> std::string {
    const std::regex end(R"(Firmware download e\.hex: failed, \d+ of 248 pages written\.)");
    const std::vector<std::string> lines = rig.report.lines();
    if (std::none_of(lines.begin(), lines.end(), [&](const std::string& l) { return std::regex_match(l, end); }))
      return "no end line";
    if (rig.reported(rig.messages.message("MnoDown"))) return "";  // nothing was sent
    return reported_containing(rig, "pages written") ? "" : "no summary line";
  };
  d.complete_wrong = [](FaultRig& rig) -> std::string {
    if (!rig.reported("31744(0x7c00) bytes, 248 pages written")) return "no summary of the whole image";
    if (!rig.reported("Firmware download e.hex: done, 248 of 248 pages written.")) return "no end line";
    if (rig.identity.line() != "VexaLog E download") return "the banner did not name the board";
    return flashed(rig, 31744) == rig.run.data ? "" : "the flash differs from the image";
  };
  return d;
}

JobDriver samba() {
  JobDriver d = driver(Job::samba, "SamBa", {'S', 9600});
  d.board.monitor_speed = 115200;
  d.prepare = [](FaultRig& rig) { rig.run.data = image_with_identity(40 * 256 + 256, 0, 11); };
  d.start = [](FaultRig& rig, bool) {
    // A ".binb" file goes to the chip's boot monitor, with the board's wake-up pauses.
    rig.downloads.selection().choose(rig.dir.write("s.binb", rig.run.data), "s.binb");
    return rig.downloads.start_firmware_download();
  };
  d.ended = worker_done;
  d.midway = [](FaultRig& rig) { return progress(rig) >= 2048; };
  d.complete_wrong = [](FaultRig& rig) -> std::string {
    if (!rig.reported("10496(0x2900) bytes, 41 pages written")) return "no summary of the whole image";
    if (rig.session.port().speed() != 115200) return "the link left the monitor's 115200";
    std::string flash;
    rig.pump([&] {
      rig.server.with_samba([&](sim::SambaSession& s) {
        if (s.monitor() && !s.active())
          flash.assign(s.monitor()->chip().flash().begin(), s.monitor()->chip().flash().begin() + 10496);
      });
      return !flash.empty();
    }, 5000);
    return flash == rig.run.data ? "" : "the flash differs from the image";
  };
  return d;
}

JobDriver card() {
  JobDriver d = driver(Job::card, "Card", {'E', 115200});
  d.prepare = [](FaultRig& rig) { rig.run.data = image_with_identity(6000, 0, 13); };
  d.start = [](FaultRig& rig, bool) {
    rig.downloads.set_card_choice({rig.dir.write("host.bin", rig.run.data), "host.bin", "CARD.DAT"});
    return rig.downloads.start_card_transfer();
  };
  d.ended = worker_done;
  d.midway = [](FaultRig& rig) { return progress(rig) >= 1024; };
  // kept_wrong: a cut transfer ends without "fd !", so the card keeps no file.
  d.complete_wrong = [](FaultRig& rig) -> std::string {
    if (TempDir::read(rig.card + "/CARD.DAT") != rig.run.data) return "the card's file differs";
    bool closed = false;
    rig.server.with_board([&](sim::SimulatedBoard& b) { closed = b.download_side().card().closed_well(); });
    return closed ? "" : "the card's file was not closed";
  };
  return d;
}

JobDriver upload() {
  JobDriver d = driver(Job::upload, "Upload", {'S', 9600, 1, kLogLines});
  d.start = [](FaultRig& rig, bool again) {
    UploadRequest request;
    request.host_path = rig.dir.file("host.adc");
    request.target = "vexalog.adc";
    request.fast = true;  // the listing at 115200, and the speed back after it
    request.create = !again || rig.run.resume_stamp.empty();
    if (!request.create) request.resume_stamp = rig.run.resume_stamp;
    return rig.upload.start(request);
  };
  // With the fast switch the upload ends when the board's "ok" after the closing line has
  // brought the old speed back (or the port went).
  d.ended = [](FaultRig& rig) {
    return !rig.upload.running() && !rig.jobs.busy() &&
           (!rig.session.port().link_is_open() ||
            (rig.upload.saved_speed() == 0 && rig.session.port().speed() == rig.board_setup.speed));
  };
  d.midway = [](FaultRig& rig) { return rig.upload.line_count() >= 30; };
  // Every line stored so far is the board's, once and in order; the resume point follows it.
  d.kept_wrong = [](FaultRig& rig) -> std::string {
    const std::string host = TempDir::read(rig.dir.file("host.adc"));
    const std::string all = sim::logged_text(sim::LogKind::stamped, kLogLines);
    if (all.compare(0, host.size(), host) != 0) return "the host file is not the start of the board's log";
    if (host.size() < all.size()) rig.run.resume_stamp = rig.upload.resume_point().stamp;
    return {};
  };
  d.complete_wrong = [](FaultRig& rig) -> std::string {
    if (TempDir::read(rig.dir.file("host.adc")) != sim::logged_text(sim::LogKind::stamped, kLogLines))
      return "the host file is not the board's log, every line once";
    return {};
  };
  return d;
}

}  // namespace

bool JobDriver::begin(FaultRig& rig, bool again) const {
  rig.run.replies_at_start = rig.server.replies_sent();
  rig.mark_quiet();
  rig.status.set_progress("0");
  return start(rig, again);
}

const JobDriver& job_driver(Job job) {
  static const std::array<JobDriver, 5> drivers{conf_download(), firmware(), samba(), card(), upload()};
  return drivers[static_cast<std::size_t>(job)];
}

}  // namespace vexa::test
