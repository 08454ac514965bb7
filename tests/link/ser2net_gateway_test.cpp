// Boards behind ser2net, the serial-over-network gateway of Debian: vexaboard on a pty that
// ser2net serves as a telnet port with com port control, and vexacli on "rfc2217://". The
// board loses what arrives while the pty is not at its speed (--line-speed), so every job that
// switches speed passes only when its switch went through the gateway to the line.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "base/messages.h"
#include "link/serial_port.h"
#include "platform/tcp_socket.h"
#include "loopback_peer.h"
#include "sim/logged_file.h"
#include "support/board_and_cli.h"
#include "support/firmware_images.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using test::BackgroundProgram;
using test::has;
using test::TempDir;

constexpr char kSer2net[] = "/usr/sbin/ser2net";

class BehindSer2net : public test::BoardAndCli {
 protected:
  // vexaboard (type, extra) on its pty, and ser2net serving it: with rfc2217 a telnet port
  // with com port control, else a raw TCP port.
  void start(const std::string& type, std::vector<std::string> extra, bool rfc2217 = true) {
    ASSERT_EQ(::access(kSer2net, X_OK), 0) << "ser2net is not installed: run ./scripts/install-deps.sh";
    extra.push_back("--line-speed");
    start_board(type, extra);
    if (HasFatalFailure()) return;
    const std::string slave = std::filesystem::canonical(link).string();
    {
      test::LoopbackPeer free_port(false);  // a port nobody listens on, for ser2net to take
      port = free_port.port();
    }
    const std::string accepter = std::string(rfc2217 ? "telnet(rfc2217),tcp" : "tcp") + ",127.0.0.1," + std::to_string(port);
    const std::string config = dir.write("ser2net.yaml", "%YAML 1.1\n---\nconnection: &board\n    accepter: " + accepter +
                                                             "\n    enable: on\n    connector: serialdev," + slave +
                                                             ",9600n81,local\n");
    gateway = std::make_unique<BackgroundProgram>(kSer2net, std::vector<std::string>{"-n", "-d", "-c", config, "-P",
                                                                                      dir.file("ser2net.pid")});
    ASSERT_TRUE(test::eventually([&] { return listening(); }, 10000)) << gateway->output();
    name = rfc2217 ? "rfc2217://127.0.0.1:" + std::to_string(port) : "";
  }
  bool listening() const {
    TcpSocket probe;
    return probe.create() == 0 && probe.connect(htonl(INADDR_LOOPBACK), port) == 0;
  }
  test::RunResult through(std::vector<std::string> args, std::vector<std::string> options = {}) const {
    std::vector<std::string> all = {"--settings", dir.path(), "--port", name};
    all.insert(all.end(), options.begin(), options.end());
    all.insert(all.end(), args.begin(), args.end());
    return test::run_program(test::built_program("cli/vexacli"), all, {}, 120000);
  }
  std::string board_output() {
    board->stop();
    return board->output();
  }

  int port = 0;
  std::string name;
  std::unique_ptr<BackgroundProgram> gateway;
};

TEST_F(BehindSer2net, APageDownloadSwitchesBoardAndGatewayTo115200AndBack) {
  start("E", {"--flash-out", dir.file("flash"), "--loader", "Download E"});
  ASSERT_FALSE(HasFatalFailure());
  const auto image = test::image_with_identity(31744, 0x2345, 3);
  auto flashed = through({"download", dir.write("e.hex", test::to_hex(image))}, {"--baud", "9600"});
  EXPECT_EQ(flashed.exit_code, 0) << flashed.out << flashed.err;
  EXPECT_TRUE(has(flashed.out, "31744(0x7c00) bytes, 248 pages written")) << flashed.out;
  EXPECT_TRUE(TempDir::read(dir.file("flash")) == image);
  EXPECT_FALSE(has(board_output(), "what comes is lost"));
}

TEST_F(BehindSer2net, ARawPortCannotFollowTheSpeedSwitchAndTheBoardSaysSo) {
  // The check of the check: the same download over ser2net's raw port leaves its line at 9600.
  start("E", {"--flash-out", dir.file("flash"), "--loader", "Download E"}, false);
  ASSERT_FALSE(HasFatalFailure());
  auto flashed = test::run_program(test::built_program("cli/vexacli"),
                                   {"--settings", dir.path(), "--tcp", "127.0.0.1 " + std::to_string(port), "--baud",
                                    "9600", "download", dir.write("e.hex", test::to_hex(test::image_with_identity(
                                                                                 31744, 0x2345, 3)))},
                                   {}, 120000);
  EXPECT_NE(flashed.exit_code, 0) << flashed.out;
  EXPECT_TRUE(has(board_output(), "the line is at 9600 baud, the board at 115200: what comes is lost"));
}

TEST_F(BehindSer2net, SambaFlashSwitchesTheGatewayTo115200) {
  start("S", {"--flash-out", dir.file("flash.bin")});
  ASSERT_FALSE(HasFatalFailure());
  const std::string image = test::random_bytes(256 * 1024, 5);
  auto run = through({"flash", dir.write("firmware.binb", image)}, {"--baud", "9600"});
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_TRUE(has(run.out, "262144(0x40000) bytes, 1024 pages written")) << run.out;
  ASSERT_TRUE(test::eventually([&] { return TempDir::read(dir.file("flash.bin")).size() == image.size(); }, 10000));
  EXPECT_TRUE(TempDir::read(dir.file("flash.bin")) == image);
  // The port opened at 9600 and the board talks at 115200: only the switch made them meet.
  EXPECT_TRUE(has(run.out, "open " + name + ":115200,n,8,1")) << run.out;
  EXPECT_FALSE(has(board_output(), "what comes is lost"));
}

TEST_F(BehindSer2net, FastUploadThenAGatewayThatGoesAwayMidListing) {
  start("S", {"--log-file", "vexalog.adc", "--log-lines", "300", "--log-grow", "0", "--log-file", "big.adc",
              "--log-lines", "200000", "--log-grow", "0", "--pace"});
  ASSERT_FALSE(HasFatalFailure());
  // The board starts at 115200: it goes to 9600 first, so that the fast switch has work to do.
  auto slow = through({"send", "bi=9600", "--listen", "0.3"});
  ASSERT_EQ(slow.exit_code, 0) << slow.out << slow.err;
  const std::string host = dir.file("host.adc");
  auto up = through({"upload", "vexalog.adc", host, "--fast"}, {"--baud", "9600"});
  EXPECT_EQ(up.exit_code, 0) << up.out << up.err;
  EXPECT_TRUE(has(up.out, "bi=115200")) << up.out;
  EXPECT_EQ(TempDir::read(host), sim::logged_text(sim::LogKind::stamped, 300));

  // ser2net stops while a long listing comes: the upload ends with its line, and what came
  // before the end is in the file, every line of it whole.
  const std::string big = dir.file("big.adc.host");
  test::RunResult cut;
  std::thread job([&] { cut = through({"upload", "big.adc", big, "--fast"}, {"--baud", "9600"}); });
  EXPECT_TRUE(test::eventually([&] { return TempDir::read(big).size() > 20000; }, 60000));
  gateway->stop();
  job.join();
  ASSERT_GT(TempDir::read(big).size(), 20000u) << cut.out << cut.err;
  EXPECT_NE(cut.exit_code, 0) << cut.out << cut.err;
  EXPECT_TRUE(has(cut.out, "the gateway closed the connection")) << cut.out;
  EXPECT_TRUE(has(cut.out, "The link went away; the host file keeps every complete line")) << cut.out;
  const std::string kept = TempDir::read(big);
  const std::string full = sim::logged_text(sim::LogKind::stamped, 200000);
  EXPECT_LT(kept.size(), full.size());
  EXPECT_EQ(full.compare(0, kept.size(), kept), 0) << "the file is the listing's start";
  EXPECT_EQ(kept.back(), '\n');
  const std::string said = board_output();
  EXPECT_FALSE(has(said, "what comes is lost")) << said << up.out << cut.out;
}

TEST_F(BehindSer2net, BreakReachesTheGatewayAndAModemLineItCannotDriveSaysSo) {
  start("F", {});
  ASSERT_FALSE(HasFatalFailure());
  test::SharedReport report;
  Messages messages;
  WakeEvent opened;
  SerialPort port(report, messages, opened);
  ASSERT_TRUE(port.open({name, name}, 9600, false)) << ::testing::PrintToString(report.lines());
  EXPECT_EQ(port.send_break(50), 0) << "ser2net answers Break on and off";
  // A pty has no DTR: ser2net stays silent, and the request ends in time instead of hanging.
  EXPECT_EQ(port.set_dtr(false), ETIMEDOUT);
  EXPECT_EQ(port.write("ad=10\r", 6), true);
  std::string answer;
  for (int i = 0; i < 200 && !has(answer, "Ok"); ++i) {
    const int c = port.read_byte(10);
    if (c >= 0) answer.push_back(static_cast<char>(c));
  }
  EXPECT_TRUE(has(answer, "Ok")) << "the line still works: " << answer;
}

}  // namespace
}  // namespace vexa
