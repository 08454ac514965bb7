// The network gateway's serial port: the telnet com port bytes, the port layer over a loopback
// gateway of the test's own, and vexacli flashing a board behind ser2net.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "base/messages.h"
#include "link/rfc2217_device.h"
#include "link/serial_port.h"
#include "loopback_peer.h"
#include "platform/tcp_socket.h"
#include "support/board_and_cli.h"
#include "support/firmware_images.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using test::BackgroundProgram;
using test::has;
using test::LoopbackPeer;
using test::SharedReport;
using test::TempDir;

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(TelnetComPortBytes, RequestsEscapeSpeedsAndDontComPortIsARefusal) {
  // A speed with 0xFF in it is doubled inside the subnegotiation (a plain request's bytes are the
  // gateway open's).
  EXPECT_EQ(com_port_request(ComPortCommand::set_baudrate, baud_value(0x0001FFFF)),
            bytes({255, 250, 44, 1, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 255, 240}));
  EXPECT_EQ(baud_from_value("ab"), 0u);
  TelnetComPortCodec codec;
  EXPECT_EQ(codec.opening(), bytes({255, 251, 44, 255, 251, 0, 255, 251, 3, 255, 253, 0, 255, 253, 3}));
  std::string data, reply;
  std::vector<ComPortAnswer> answers;
  codec.feed(bytes({255, 254, 44}), data, answers, reply);  // DONT COM-PORT is a refusal
  EXPECT_EQ(reply, bytes({255, 252, 44}));
  EXPECT_TRUE(codec.com_port_refused());
}

// What ser2net sends first, a modem state, a baud answer, data with a doubled 0xFF and a NUL, a foreign
// subnegotiation (ignored), an endless one (cut), and an option we do not do, asked for twice.
TEST(TelnetComPortBytes, DecodesDataAnswersAndNegotiationAcrossAnySplit) {
  const std::string stream = bytes({255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 254, 1, 255, 253, 0, 255, 251, 0,
                                    255, 253, 44, 255, 250, 44, 107, 0x80, 255, 240, 'x', 255, 255, 0, 'y', 255, 250,
                                    44, 101, 0, 1, 194, 0, 255, 240, 'z', 255, 250, 24, 1, 255, 240, 255, 250, 44, 101}) +
                             std::string(300, 'q') + bytes({255, 240, 'k', 255, 253, 24, 255, 253, 24});
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    SCOPED_TRACE(cut);
    TelnetComPortCodec codec;
    (void)codec.opening();
    std::string data, reply;
    std::vector<ComPortAnswer> answers;
    codec.feed(std::string_view(stream).substr(0, cut), data, answers, reply);
    codec.feed(std::string_view(stream).substr(cut), data, answers, reply);
    EXPECT_EQ(data, bytes({'x', 255, 0, 'y', 'z', 'k'}));
    EXPECT_EQ(answers, (std::vector<ComPortAnswer>{{ComPortCommand::notify_modemstate, bytes({0x80})},
                                                   {ComPortCommand::set_baudrate, baud_value(115200)},
                                                   {ComPortCommand::set_baudrate, std::string(254, 'q')}}));
    // All that was asked was already said: only the echo and the unknown option are refused, once.
    EXPECT_EQ(reply, bytes({255, 254, 1, 255, 252, 24}));
    EXPECT_TRUE(codec.com_port_accepted());
    EXPECT_FALSE(codec.com_port_refused());
  }
}
// The far side of a gateway: negotiates, answers each com port request as told and records it, with
// a scan of its own (the values asked for hold no 0xFF), so the device is not checked by itself.
class TestGateway {
 public:
  // How the speed request is answered; raw: a plain TCP port that says nothing to options.
  enum class Kind { as_asked, keeps_9600, silent, raw };

  explicit TestGateway(Kind kind = Kind::as_asked, int receive_buffer = 0) : kind_(kind) {
    if (receive_buffer > 0) peer_.set_receive_buffer(receive_buffer);
    thread_ = std::thread([this] { run(); });
  }
  ~TestGateway() {
    stop_.store(true);
    thread_.join();
  }
  std::string name() const { return "rfc2217://127.0.0.1:" + std::to_string(peer_.port()); }
  // Bytes to the client as they go on the wire.
  void send(std::string bytes) {
    std::lock_guard lock(mutex_);
    outgoing_ += bytes;
  }
  void hang_up() { hang_up_.store(true); }
  // While held, nothing is read: what the client sends waits in the client's send queue.
  void hold_reading(bool held) { held_.store(held); }
  std::size_t received_count(char byte) {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count(received_.begin(), received_.end(), byte));
  }
  std::vector<std::string> requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  // Answers every whole IAC SB COM-PORT ... IAC SE that came since the last one.
  void answer_requests_locked() {
    for (;;) {
      const std::size_t start = received_.find(bytes({255, 250, 44}), scanned_);
      const std::size_t end = received_.find(bytes({255, 240}), start);
      if (start == std::string::npos || end == std::string::npos) return;
      const std::string request = received_.substr(start + 3, end - start - 3);
      scanned_ = end + 2;
      requests_.push_back(request);
      const auto code = static_cast<unsigned char>(request[0]);
      std::string value = request.substr(1);
      if (code == 1 && kind_ == Kind::silent) continue;
      if (code == 1 && kind_ == Kind::keeps_9600) value = baud_value(9600);
      peer_.send(com_port_request(static_cast<ComPortCommand>(code + kComPortAnswerOffset), value));
    }
  }
  void run() {
    if (!peer_.accept()) return;
    if (kind_ != Kind::raw) peer_.send(bytes({255, 253, 44, 255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 251, 1}));
    while (!stop_.load()) {
      if (held_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const std::string got = held_.load() ? std::string() : peer_.receive(1, 5);
      std::lock_guard lock(mutex_);
      received_ += got;
      if (kind_ != Kind::raw) answer_requests_locked();
      if (!outgoing_.empty()) peer_.send(std::exchange(outgoing_, {}));
      if (hang_up_.load()) return peer_.close();  // after what was sent before the hang-up
    }
  }

  Kind kind_;
  LoopbackPeer peer_;
  std::atomic<bool> stop_{false}, hang_up_{false}, held_{false};
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::string received_, outgoing_;
  std::size_t scanned_ = 0;
  std::thread thread_;
};

TEST(GatewayAddressText, FormsThatOpenAndFormsThatDoNot) {
  EXPECT_EQ(parse_gateway_address("rfc2217://lab-gw 2001")->port, 2001);
  EXPECT_EQ(parse_gateway_address("rfc2217://gw.example:65535")->port, 65535);
  for (const char* bad : {"rfc2217://:2000", "rfc2217://h:0", "rfc2217://h:65536", "rfc2217://h:20x0", "/dev/ttyUSB0"})
    EXPECT_FALSE(parse_gateway_address(bad)) << bad;
}

// Every byte value both ways is the codec tests' and the ser2net flash's.
TEST(GatewayPort, FailedOpensSayWhyAnOpenSetsTheLineInOrderControlsGoThroughAndAHangUpLosesNothing) {
  SharedReport report;
  Messages messages;
  WakeEvent opened;
  SerialPort port(report, messages, opened);
  LoopbackPeer closed(false);
  const struct {
    std::optional<TestGateway::Kind> gateway;  // none: a name with nothing of ours behind it
    std::string name;
    long speed;
    std::string why;  // after the name
  } rows[] = {
      {std::nullopt, "rfc2217://127.0.0.1:" + std::to_string(closed.port()), 9600,
       ": nothing listens there. Is the gateway (ser2net) running, and is this its port?"},
      {std::nullopt, "rfc2217://gw", 9600,
       ": write a gateway's port as rfc2217://host:port, for example rfc2217://192.168.0.7:2000."},
      {std::nullopt, "rfc2217://no-such-host.invalid:2000", 9600, ": this host name is not known."},
      {TestGateway::Kind::raw, "", 9600,
       " does not take serial port control (RFC 2217): set the gateway's port to telnet with RFC 2217 (in ser2net: "
       "accepter telnet(rfc2217),tcp,...), or use the link tcp/ip for a raw port."},
      {TestGateway::Kind::keeps_9600, "", 115200, ": the gateway refused these line settings (speed?)."},
      // The open's line settings go unanswered: the open fails after the answer time.
      {TestGateway::Kind::silent, "", 9600, ": the gateway did not answer within 2 seconds."},
  };
  for (const auto& row : rows) {
    const auto gateway = row.gateway ? std::make_unique<TestGateway>(*row.gateway) : nullptr;
    const std::string name = gateway ? gateway->name() : row.name;
    const std::string description = name + ":" + std::to_string(row.speed) + ",n,8,1";
    SCOPED_TRACE(description);
    report.clear();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.open({name, name}, row.speed, false));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_EQ(report.lines(),
              (std::vector<std::string>{"open " + description, "Error open " + description, name + row.why}));
  }
  TestGateway gateway;
  const std::string name = gateway.name();
  report.clear();
  port.set_line_settings(LineSettings{7, Parity::even, 2, FlowControl::rts_cts});
  ASSERT_TRUE(port.open({name, name}, 115200, false));
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"open " + name + ":115200,e,7,2,rtscts"}));  // as answered
  // Purge at the open, then speed, size, parity, stop size and handshake, in that order.
  EXPECT_EQ(gateway.requests(), (std::vector<std::string>{bytes({12, 3}), bytes({1, 0, 1, 0xC2, 0}), bytes({2, 7}),
                                                           bytes({3, 3}), bytes({4, 2}), bytes({5, 3})}));
  ASSERT_EQ(port.set_dtr(false), 0);
  ASSERT_EQ(port.set_rts(true), 0);
  ASSERT_EQ(port.send_break(1), 0);  // the shortest break
  EXPECT_EQ(port.send_break(0), EINVAL);
  EXPECT_EQ(port.send_break(kLongestBreakMs + 1), EINVAL);
  const auto asked = gateway.requests();
  EXPECT_EQ(std::vector<std::string>(asked.begin() + 6, asked.end()),
            (std::vector<std::string>{bytes({5, 9}), bytes({5, 11}), bytes({5, 5}), bytes({5, 6})}));
  EXPECT_FALSE(port.carrier_detect());
  gateway.send(bytes({255, 250, 44, 107, kModemCarrier | kModemCts, 255, 240}));
  for (int i = 0; i < 200 && !port.carrier_detect(); ++i) (void)port.wait_readable(10, -1);
  EXPECT_TRUE(port.carrier_detect());
  ModemLines lines;
  ASSERT_EQ(port.modem_lines(lines), 0);
  EXPECT_EQ(lines, (ModemLines{false, true, true, false, true, false}));
  EXPECT_EQ(port.set_speed(9600, false), 115200);
  EXPECT_EQ(port.kept_description(), name + ":9600,e,7,2,rtscts");
  gateway.send("last words\r\n");
  gateway.hang_up();
  std::string got;
  for (int i = 0; i < 12; ++i) got.push_back(static_cast<char>(port.read_byte(3000)));
  EXPECT_EQ(got, "last words\r\n");
  report.clear();
  for (int i = 0; i < 300 && port.is_open(); ++i) {
    (void)port.read_byte(10);
    (void)port.probe();
  }
  EXPECT_FALSE(port.lost());  // not reopened every 100 ms
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"COM error 104 Connection reset by peer",
                                                      name + ": the gateway closed the connection.", "close com"}));
}

// A close right after a write (a flash's last reset command): while the gateway is slow to read
// and has sent what the port never read, a close that reset the connection would lose the bytes
// still queued; the close waits until the gateway has them.
TEST(GatewayPort, WhatWasWrittenJustBeforeTheCloseReachesASlowGateway) {
  SharedReport report;
  Messages messages;
  WakeEvent opened;
  SerialPort port(report, messages, opened);
  TestGateway gateway(TestGateway::Kind::as_asked, 4096);
  ASSERT_TRUE(port.open({gateway.name(), gateway.name()}, 9600, false));
  gateway.hold_reading(true);
  gateway.send("nobody reads this");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // in the port's receive queue by now
  const std::string payload(12000, 'x');
  ASSERT_TRUE(port.write(payload.data(), payload.size()));
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    gateway.hold_reading(false);
  });
  EXPECT_TRUE(port.close());
  reader.join();
  EXPECT_TRUE(test::eventually([&] { return gateway.received_count('x') == payload.size(); }, 5000))
      << gateway.received_count('x') << " of " << payload.size();
}

constexpr char kSer2net[] = "/usr/sbin/ser2net";

using BehindSer2net = test::BoardAndCli;

// vexaboard on a pty that ser2net serves with com port control. The board loses what arrives while
// the pty is not at its speed (--line-speed): the flash passes only if its 115200 reached the line.
TEST_F(BehindSer2net, SambaFlashSwitchesTheGatewayTo115200) {
  ASSERT_EQ(::access(kSer2net, X_OK), 0) << "ser2net is not installed: run ./scripts/install-deps.sh";
  start_board("S", {"--flash-out", dir.file("flash.bin"), "--line-speed"});
  ASSERT_FALSE(HasFatalFailure());
  int port = 0;
  {
    LoopbackPeer free_port(false);  // a port nobody listens on, for ser2net to take
    port = free_port.port();
  }
  const std::string accepter = "telnet(rfc2217),tcp,127.0.0.1," + std::to_string(port);
  const std::string config = dir.write("ser2net.yaml", "%YAML 1.1\n---\nconnection: &board\n    accepter: " + accepter +
                                                           "\n    enable: on\n    connector: serialdev," +
                                                           std::filesystem::canonical(link).string() + ",9600n81,local\n");
  BackgroundProgram gateway(kSer2net, {"-n", "-d", "-c", config, "-P", dir.file("ser2net.pid")});
  const auto listening = [&] {
    TcpSocket probe;
    return probe.create() == 0 && probe.connect(htonl(INADDR_LOOPBACK), port) == 0;
  };
  ASSERT_TRUE(test::eventually(listening, 10000)) << gateway.output();
  const std::string name = "rfc2217://127.0.0.1:" + std::to_string(port);
  const std::string image = test::random_bytes(16 * 1024, 5);
  auto run = test::run_program(test::built_program("cli/vexacli"), {"--settings", dir.path(), "--port", name, "--baud",
                                                                    "9600", "flash", dir.write("firmware.binb", image)},
                               {}, 120000);
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_TRUE(has(run.out, "16384(0x4000) bytes, 64 pages written")) << run.out;
  // The board writes its whole flash at the chip reset, the flash's last command.
  ASSERT_TRUE(test::eventually([&] { return !TempDir::read(dir.file("flash.bin")).empty(); }, 10000))
      << board->output();
  EXPECT_TRUE(TempDir::read(dir.file("flash.bin")).substr(0, image.size()) == image);
  // The port opened at 9600 and the board talks at 115200: only the switch made them meet.
  EXPECT_TRUE(has(run.out, "open " + name + ":115200,n,8,1")) << run.out;
  board->stop();
  EXPECT_FALSE(has(board->output(), "what comes is lost"));
}

}  // namespace
}  // namespace vexa
