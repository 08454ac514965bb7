#include "faults/fault_rig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "base/text_format.h"
#include "download/samba_file_download.h"

namespace vexa::test {

namespace {

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
      factory({session, report, messages, identity, jobs, SystemClock::instance(), factory_output}),
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
  factory_lines = session.consumers().add(line_place::factory_test, factory);
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
  factory_lines.reset();
  upload_lines.reset();
  server.stop();
}

bool FaultRig::pump(const std::function<bool()>& done, int guard_ms, int tick_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(guard_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(tick_ms));
    // As Session::probe_port: a loss ends an upload before the port may come back.
    upload.check_link();
    session.port().probe_port();
    factory.tick_100ms();
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

}  // namespace vexa::test
